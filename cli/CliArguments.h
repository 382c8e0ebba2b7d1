#pragma once
// The command line of lumivane-cli, parsed into options. Parsing checks everything that can be checked without
// touching a file: a usage error (exit status 2) is reported before any work starts.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/NamedOptions.h"
#include "cli/ProfileEdit.h"
#include "base/Limits.h"
#include "imaging/Rect.h"
#include "platform/ImageCodec.h"

struct ApplyOptions {
    std::optional<std::string> profile;
    std::vector<std::string> sets;  // "KEY=VALUE" lines, applied as profile lines, keys as the profile spells them
    std::vector<NamedOption> named;  // --blur, --crop ...: their profile lines follow the --set lines, in this order
    std::int32_t rotate = 0;
    Size pane{288, 193};
    bool preview = false;
    std::vector<std::string> inputs;
    std::optional<std::string> output;  // one input, one output
    std::optional<std::string> outDir;  // many inputs
    std::optional<ImageFormat> format;  // with outDir
    int jobs = 0;                       // 0: one per core
    int quality = 75;                   // JPEG quality of the results, 1..100
    bool quiet = false;                 // no progress or summary line
    std::vector<std::string> warnings;  // found while parsing (a --set value that is no number), printed first
    std::int64_t maxPixels = kMaxPixels;  // larger pictures are refused
    // Documents (-o FILE.pdf or FILE.tif): every page of every input, in order.
    std::optional<double> dpi;  // page resolution imposed on every page
    bool lossless = false;      // PDF pages as Flate instead of JPEG
};

struct ProfileOptions {
    enum class Action { Show, Defaults, Set, New, Diff } action = Action::Show;
    std::string file;                   // show, set: the profile; diff: the first of the two
    std::string otherFile;              // diff: the second
    std::optional<std::string> output;  // defaults, new: where to write (else stdout)
    Size pane{288, 193};
    bool json = false;                  // show: the settings as one JSON object
    std::vector<ProfileEdit> edits;     // set, new: KEY=VALUE lines and named options, in the order given
    std::vector<std::string> warnings;  // found while parsing (a value that is no number), printed first
};

struct CliCommand {
    enum class Kind { Apply, Profile, Help, Version, Completion } kind = Kind::Help;
    std::string topic;  // Help: the command whose usage is asked for, empty for the program's
    ApplyOptions apply;
    ProfileOptions profile;
    std::string shell;  // Completion: bash, zsh or fish
};

// Parses argv[1..]. On a usage error returns nothing and puts one line naming the problem in *error.
std::optional<CliCommand> ParseCommandLine(const std::vector<std::string>& arguments, std::string* error);

// The command a usage error in these arguments belongs to ("apply", "profile"), or empty for the program as a whole.
std::string UsageTopic(const std::vector<std::string>& arguments);

// The program's usage text, printed by --help.
const char* UsageText();
