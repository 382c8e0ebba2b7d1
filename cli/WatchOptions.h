#pragma once
// The options of `lumivane-cli watch`, parsed and checked before any file is touched.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/ImageCodec.h"

struct WatchOptions {
    std::string inDir;
    std::string profile;
    std::vector<std::string> sets;  // "KEY=VALUE" lines, applied as profile lines
    std::string outDir;
    std::optional<ImageFormat> format;  // default: each input's own
    int jobs = 0;                       // 0: one per core
    std::optional<std::string> doneDir;
    bool existing = false;                  // also the pictures there at start
    std::optional<std::int64_t> maxPixels;  // default: the program's limit
    std::optional<double> pollSeconds;      // poll instead of inotify
    bool json = false;
};

// Parses the arguments after "watch". On a usage error returns nothing and puts one line in *error.
std::optional<WatchOptions> ParseWatchOptions(const std::vector<std::string>& arguments, std::string* error);

// The usage of watch, for --help.
const char* WatchUsageText();
