#pragma once
// The options of `lumivane-cli watch`, parsed and checked before any file is touched.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/NamedOptions.h"
#include "platform/ImageCodec.h"

struct WatchOptions {
    std::string inDir;
    std::string profile;
    std::vector<std::string> sets;   // "KEY=VALUE" lines, applied as profile lines, keys as the profile spells them
    std::vector<NamedOption> named;  // corrections given by name (--blur 7), after the --set lines
    int quality = 75;                // JPEG quality of JPEG results
    std::string outDir;
    std::optional<ImageFormat> format;  // default: each input's own
    int jobs = 0;                       // 0: one per core
    std::optional<std::string> doneDir;
    bool existing = false;                  // also the pictures there at start
    std::optional<std::int64_t> maxPixels;  // default: the program's limit
    std::optional<double> pollSeconds;      // poll instead of inotify
    bool json = false;
    std::vector<std::string> warnings;  // settings taken that will likely not do what was meant
};

// Parses the arguments after "watch". On a usage error returns nothing and puts one line in *error.
std::optional<WatchOptions> ParseWatchOptions(const std::vector<std::string>& arguments, std::string* error);

// The usage of watch, for --help, and its one-line synopsis.
std::string WatchUsageText();
const char* WatchSynopsis();
