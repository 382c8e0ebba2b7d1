#pragma once
// The command line of lumivane-cli, parsed into options. Parsing checks everything that can be checked without
// touching a file: a usage error (exit status 2) is reported before any work starts.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "imaging/Rect.h"
#include "platform/ImageCodec.h"

struct ApplyOptions {
    std::optional<std::string> profile;
    std::vector<std::string> sets;  // "KEY=VALUE" lines, applied as profile lines
    std::int32_t rotate = 0;
    Size pane{288, 193};
    bool preview = false;
    std::vector<std::string> inputs;
    std::optional<std::string> output;  // one input, one output
    std::optional<std::string> outDir;  // many inputs
    std::optional<ImageFormat> format;  // with outDir
    int jobs = 0;                       // 0: one per core
    // Documents (-o FILE.pdf or FILE.tif): every page of every input, in order.
    std::optional<double> dpi;  // page resolution imposed on every page
    int quality = 75;           // JPEG quality of PDF pages
    bool lossless = false;      // PDF pages as Flate instead of JPEG
};

struct ProfileOptions {
    enum class Action { Show, Defaults } action = Action::Show;
    std::string file;                   // show: the profile to read
    std::optional<std::string> output;  // defaults: where to write
    Size pane{288, 193};
};

struct CliCommand {
    enum class Kind { Apply, Profile, Help, Version } kind = Kind::Help;
    ApplyOptions apply;
    ProfileOptions profile;
};

// Parses argv[1..]. On a usage error returns nothing and puts one line naming the problem in *error.
std::optional<CliCommand> ParseCommandLine(const std::vector<std::string>& arguments, std::string* error);

// The usage text printed by --help.
const char* UsageText();
