#include "cli/WatchOptions.h"

#include <charconv>
#include <cmath>

#include <iterator>

#include "base/Limits.h"
#include "cli/Help.h"
#include "cli/KeyMatch.h"
#include "cli/SettingChecks.h"

namespace {

bool ParseInt(const std::string& text, std::int64_t& value) {
    const char* end = text.data() + text.size();
    const auto [rest, code] = std::from_chars(text.data(), end, value);
    return code == std::errc() && rest == end && !text.empty();
}

bool ParseSeconds(const std::string& text, double& value) {
    const char* end = text.data() + text.size();
    const auto [rest, code] = std::from_chars(text.data(), end, value);
    return code == std::errc() && rest == end && !text.empty() && std::isfinite(value);
}

bool Fail(std::string* error, const std::string& text) {
    *error = text;
    return false;
}

// The options that take a value.
constexpr const char* kValued[] = {"--profile", "--set",      "--out-dir",    "--format",
                                   "--jobs",    "--done-dir", "--max-pixels", "--poll"};

bool TakeValue(WatchOptions& options, const std::string& name, const std::string& value, std::string* error) {
    if (name == "--profile") {
        options.profile = value;
    } else if (name == "--set") {
        if (value.find('=') == std::string::npos) return Fail(error, "--set needs KEY=VALUE, not " + value);
        options.sets.push_back(value);
    } else if (name == "--out-dir") {
        options.outDir = value;
    } else if (name == "--format") {
        options.format = FormatFromName("." + value, true);
        if (!options.format || (value.size() != 3 && value != "jpeg")) {
            return Fail(error, "--format takes png, jpg, gif, bmp, tif or pdf, not " + value);
        }
    } else if (name == "--jobs") {
        std::int64_t jobs = 0;
        if (!ParseInt(value, jobs) || jobs < 1 || jobs > 1024) {
            return Fail(error, "--jobs takes a number of at least 1, not " + value);
        }
        options.jobs = static_cast<int>(jobs);
    } else if (name == "--done-dir") {
        options.doneDir = value;
    } else if (name == "--max-pixels") {
        std::int64_t pixels = 0;
        if (!ParseInt(value, pixels) || pixels < 1 || pixels > kMaxPixels) {
            return Fail(error,
                        "--max-pixels takes a number from 1 to " + std::to_string(kMaxPixels) + ", not " + value);
        }
        options.maxPixels = pixels;
    } else if (name == "--quality") {
        std::int64_t quality = 0;
        if (!ParseInt(value, quality) || quality < 1 || quality > 100) {
            return Fail(error, "--quality takes a JPEG quality 1..100, not " + value);
        }
        options.quality = static_cast<int>(quality);
    } else if (name == "--poll") {
        double seconds = 0;
        if (!ParseSeconds(value, seconds) || seconds < 0.01 || seconds > 3600) {
            return Fail(error, "--poll takes seconds from 0.01 to 3600, not " + value);
        }
        options.pollSeconds = seconds;
    }
    return true;
}

bool Parse(const std::vector<std::string>& arguments, WatchOptions& options, std::string* error) {
    bool onlyFolders = false;
    std::vector<std::string> folders;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (onlyFolders || argument.empty() || argument[0] != '-') {
            folders.push_back(argument);
            continue;
        }
        if (const std::size_t before = options.named.size(); TakeNamedOption(arguments, i, options.named, error)) {
            if (options.named.size() == before) return false;
            --i;  // the loop steps past the option
            continue;
        }
        if (argument == "--") {
            onlyFolders = true;
        } else if (argument == "--existing") {
            options.existing = true;
        } else if (argument == "--json") {
            options.json = true;
        } else {
            const std::string name = argument.substr(0, argument.find('='));
            bool known = false;
            for (const char* valued : kValued) known = known || name == valued;
            if (!known) {
                std::vector<std::string> candidates(std::begin(kValued), std::end(kValued));
                candidates.insert(candidates.end(), {"--existing", "--json"});
                for (const NamedOptionInfo& info : NamedOptionTable()) candidates.emplace_back(info.name);
                return Fail(error, "unknown option " + argument + DidYouMean(ClosestWords(name, candidates)));
            }
            std::string value;
            if (name.size() < argument.size()) {
                value = argument.substr(name.size() + 1);
            } else if (i + 1 < arguments.size()) {
                value = arguments[++i];
            } else {
                return Fail(error, name + " needs a value");
            }
            if (!TakeValue(options, name, value, error)) return false;
        }
    }
    if (folders.size() != 1) return Fail(error, "watch needs one folder to watch, IN_DIR");
    options.inDir = folders.front();
    // Folder names are joined with "/" and a file name in every message.
    for (std::string* folder : {&options.inDir, &options.outDir}) {
        while (folder->size() > 1 && folder->back() == '/') folder->pop_back();
    }
    if (options.doneDir) {
        while (options.doneDir->size() > 1 && options.doneDir->back() == '/') options.doneDir->pop_back();
    }
    if (options.profile.empty()) return Fail(error, "watch needs --profile FILE.qmx");
    if (options.outDir.empty()) return Fail(error, "watch needs --out-dir DIR");
    return CanonicalSetLines(options.sets, error, options.warnings);
}

}  // namespace

std::optional<WatchOptions> ParseWatchOptions(const std::vector<std::string>& arguments, std::string* error) {
    WatchOptions options;
    if (!Parse(arguments, options, error)) return std::nullopt;
    return options;
}

const char* WatchSynopsis() {
    return "lumivane-cli watch IN_DIR --profile FILE.qmx --out-dir DIR [OPTION]...";
}

std::string WatchUsageText() {
    return std::string(
               "usage:\n"
               "  lumivane-cli watch IN_DIR --profile FILE.qmx --out-dir DIR [--set KEY=VALUE]... [--format F]\n"
               "                     [--jobs N] [--done-dir DIR] [--existing] [--max-pixels N] [--poll SECONDS] "
               "[--json]\n"
               "\n"
               "watch corrects every picture (PNG, JPEG, GIF, BMP) that is written or moved into IN_DIR, until "
               "stopped\n"
               "with Ctrl+C or SIGTERM (the pictures in progress are finished first):\n"
               "  --profile FILE.qmx  the corrections; read again whenever the file changes\n"
               "  --set KEY=VALUE     then set one profile key (repeatable; any case, blanks ignored)\n"
               "  --out-dir DIR       where the results go, under each input's name; an existing file is never "
               "replaced,\n"
               "                      a clash gets a numbered name (scan-1.png)\n"
               "  --format F          format of the results: png, jpg, gif, bmp, tif or pdf (one document per picture)\n"
               "                      (default: each input's own)\n"
               "  --jobs N            pictures worked on at once (default: one per core)\n"
               "  --done-dir DIR      move each original here once its result is written\n"
               "  --existing          also correct the pictures already in IN_DIR whose results are not in DIR yet\n"
               "  --max-pixels N      refuse pictures of more than N pixels\n"
               "  --poll SECONDS      look at IN_DIR every SECONDS instead of being told by the system (network\n"
               "                      folders); a file is taken when its size and time stayed the same for SECONDS\n"
               "  --json              log lines as JSON objects, one a line\n"
               "  --quality Q         JPEG quality of JPEG results, 1..100 (default 75)\n"
               "Files whose names start with a dot or end in .part, .tmp or ~ are left alone until renamed.\n"
               "One line per picture on stderr: time, input, result, milliseconds.\n"
               "\n"
               "corrections, applied after --profile and --set in the order given:\n") +
           NamedOptionsHelp() +
           "\n"
           "exit status: 0 stopped by SIGINT or SIGTERM, 1 the watch could not start or its folder went away,\n"
           "2 usage error\n";
}
