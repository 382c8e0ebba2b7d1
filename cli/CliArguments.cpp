#include "cli/CliArguments.h"

#include <charconv>

#include "app/CLumivaneState.h"
#include "base/Limits.h"
#include "platform/DocumentWriter.h"

namespace {

bool ParseInt(const std::string& text, std::int64_t& value) {
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    const auto [rest, code] = std::from_chars(begin, end, value);
    return code == std::errc() && rest == end && !text.empty();
}

bool ParsePane(const std::string& text, Size& pane) {
    const auto x = text.find_first_of("xX");
    std::int64_t width = 0;
    std::int64_t height = 0;
    if (x == std::string::npos || !ParseInt(text.substr(0, x), width) || !ParseInt(text.substr(x + 1), height)) {
        return false;
    }
    // A pane needs a client area of at least one pixel inside its 1-pixel border.
    if (width < 3 || height < 3 || !FitsPictureLimit(width, height)) return false;
    pane = {static_cast<std::int32_t>(width), static_cast<std::int32_t>(height)};
    return true;
}

// Walks the arguments, handing out option values given as "--name value" or "--name=value".
class ArgumentWalker {
public:
    explicit ArgumentWalker(const std::vector<std::string>& arguments) : m_arguments(arguments) {}

    bool Done() const { return m_next >= m_arguments.size(); }
    const std::string& Next() { return m_arguments[m_next++]; }

    // For an option that takes a value: the value, or nothing when it is missing.
    std::optional<std::string> Value(const std::string& argument, const std::string& name) {
        if (argument.size() > name.size() && argument.compare(0, name.size() + 1, name + "=") == 0) {
            return argument.substr(name.size() + 1);
        }
        if (Done()) return std::nullopt;
        return Next();
    }

    static bool Is(const std::string& argument, const std::string& name) {
        return argument == name || argument.compare(0, name.size() + 1, name + "=") == 0;
    }

private:
    const std::vector<std::string>& m_arguments;
    std::size_t m_next = 0;
};

bool Fail(std::string* error, const std::string& text) {
    *error = text;
    return false;
}

bool ParseApply(ArgumentWalker& walker, ApplyOptions& options, std::string* error) {
    bool onlyInputs = false;
    while (!walker.Done()) {
        const std::string argument = walker.Next();
        if (onlyInputs || argument.empty() || argument[0] != '-' || argument == "-") {
            options.inputs.push_back(argument);
            continue;
        }
        if (argument == "--") {
            onlyInputs = true;
            continue;
        }
        if (argument == "--preview") {
            options.preview = true;
            continue;
        }
        if (argument == "--lossless") {
            options.lossless = true;
            continue;
        }
        std::string name;
        for (const char* candidate : {"--profile", "--set", "--rotate", "--pane", "--out-dir", "--format", "--jobs",
                                      "--output", "-o", "--dpi", "--quality"}) {
            if (ArgumentWalker::Is(argument, candidate)) name = candidate;
        }
        if (name.empty()) return Fail(error, "unknown option " + argument);
        const std::optional<std::string> value = walker.Value(argument, name);
        if (!value) return Fail(error, name + " needs a value");
        if (name == "--profile") {
            options.profile = *value;
        } else if (name == "--set") {
            if (value->find('=') == std::string::npos) return Fail(error, "--set needs KEY=VALUE, not " + *value);
            options.sets.push_back(*value);
        } else if (name == "--rotate") {
            std::int64_t turns = 0;
            if (!ParseInt(*value, turns) || turns < 0 || turns > 3) {
                return Fail(error, "--rotate takes 0, 1, 2 or 3 quarter turns, not " + *value);
            }
            options.rotate = static_cast<std::int32_t>(turns);
        } else if (name == "--pane") {
            if (!ParsePane(*value, options.pane)) {
                return Fail(error, "--pane takes WIDTHxHEIGHT, each at least 3 (e.g. 288x193), not " + *value);
            }
        } else if (name == "--out-dir") {
            options.outDir = *value;
        } else if (name == "--format") {
            options.format = FormatFromName("." + *value, true);
            if (!options.format || (value->size() != 3 && *value != "jpeg" && *value != "tiff")) {
                return Fail(error, "--format takes png, jpg, gif, bmp, tif or pdf, not " + *value);
            }
        } else if (name == "--jobs") {
            std::int64_t jobs = 0;
            if (!ParseInt(*value, jobs) || jobs < 1 || jobs > 1024) {
                return Fail(error, "--jobs takes a number of at least 1, not " + *value);
            }
            options.jobs = static_cast<int>(jobs);
        } else if (name == "--dpi") {
            std::int64_t dpi = 0;
            if (!ParseInt(*value, dpi) || dpi < 1 || dpi > 100000) {
                return Fail(error, "--dpi takes dots per inch, 1 to 100000, not " + *value);
            }
            options.dpi = static_cast<double>(dpi);
        } else if (name == "--quality") {
            std::int64_t quality = 0;
            if (!ParseInt(*value, quality) || quality < 1 || quality > 100) {
                return Fail(error, "--quality takes 1 to 100, not " + *value);
            }
            options.quality = static_cast<int>(quality);
        } else {
            options.output = *value;
        }
    }

    if (options.inputs.empty()) return Fail(error, "apply needs an input picture");
    if (options.output && options.outDir) return Fail(error, "give either -o OUTPUT or --out-dir DIR, not both");
    if (!options.output && !options.outDir) return Fail(error, "apply needs -o OUTPUT (or --out-dir DIR)");
    const std::optional<ImageFormat> outputFormat =
        options.output ? FormatFromName(*options.output, true) : std::nullopt;
    if (options.output && options.inputs.size() > 1 && !(outputFormat && IsDocumentFormat(*outputFormat))) {
        return Fail(error, "-o names one picture; give --out-dir DIR, or a .pdf or .tif document, for several inputs");
    }
    if (options.output && options.format)
        return Fail(error, "--format goes with --out-dir; -o takes the output's extension");
    if (options.output && !FormatFromName(*options.output, true)) {
        return Fail(error,
                    *options.output + ": unknown image format (use .png, .jpg, .jpeg, .gif, .bmp, .tif or .pdf)");
    }
    // Every KEY must name a setting of the profile; a misspelt key would otherwise be ignored silently.
    CLumivaneState declaration;
    for (const std::string& line : options.sets) {
        std::string key = line.substr(0, line.find('='));
        if (declaration.m_cFileStorage.Partition(0).FindItem(key) == nullptr) {
            return Fail(error, "--set: no setting is called \"" + key + "\" (see lumivane-cli profile defaults)");
        }
    }
    return true;
}

bool ParseProfile(ArgumentWalker& walker, ProfileOptions& options, std::string* error) {
    if (walker.Done()) return Fail(error, "profile needs show FILE.qmx or defaults [-o FILE.qmx]");
    const std::string action = walker.Next();
    if (action == "show") {
        options.action = ProfileOptions::Action::Show;
    } else if (action == "defaults") {
        options.action = ProfileOptions::Action::Defaults;
    } else {
        return Fail(error, "profile takes show or defaults, not " + action);
    }
    while (!walker.Done()) {
        const std::string argument = walker.Next();
        if (ArgumentWalker::Is(argument, "--pane")) {
            const std::optional<std::string> value = walker.Value(argument, "--pane");
            if (!value || !ParsePane(*value, options.pane))
                return Fail(error, "--pane takes WIDTHxHEIGHT, e.g. 288x193");
        } else if (options.action == ProfileOptions::Action::Defaults &&
                   (ArgumentWalker::Is(argument, "-o") || ArgumentWalker::Is(argument, "--output"))) {
            const std::optional<std::string> value =
                walker.Value(argument, ArgumentWalker::Is(argument, "-o") ? "-o" : "--output");
            if (!value) return Fail(error, "-o needs a file name");
            options.output = *value;
        } else if (options.action == ProfileOptions::Action::Show && options.file.empty() &&
                   (argument.empty() || argument[0] != '-')) {
            options.file = argument;
        } else {
            return Fail(error, "unexpected argument " + argument);
        }
    }
    if (options.action == ProfileOptions::Action::Show && options.file.empty()) {
        return Fail(error, "profile show needs a FILE.qmx");
    }
    return true;
}

}  // namespace

std::optional<CliCommand> ParseCommandLine(const std::vector<std::string>& arguments, std::string* error) {
    ArgumentWalker walker(arguments);
    CliCommand command;
    if (walker.Done()) {
        *error = "no command given";
        return std::nullopt;
    }
    const std::string verb = walker.Next();
    if (verb == "--help" || verb == "-h" || verb == "help") {
        command.kind = CliCommand::Kind::Help;
    } else if (verb == "--version") {
        command.kind = CliCommand::Kind::Version;
    } else if (verb == "apply") {
        command.kind = CliCommand::Kind::Apply;
        if (!ParseApply(walker, command.apply, error)) return std::nullopt;
    } else if (verb == "profile") {
        command.kind = CliCommand::Kind::Profile;
        if (!ParseProfile(walker, command.profile, error)) return std::nullopt;
    } else {
        *error = "unknown command " + verb;
        return std::nullopt;
    }
    return command;
}

const char* UsageText() {
    return "usage:\n"
           "  lumivane-cli apply [--profile FILE.qmx] [--set KEY=VALUE]... [--rotate N] [--pane WxH] [--preview]\n"
           "                     INPUT -o OUTPUT\n"
           "  lumivane-cli apply [options as above] INPUT... --out-dir DIR [--format png|jpg|gif|bmp|tif|pdf] [--jobs "
           "N]\n"
           "  lumivane-cli apply [options as above] INPUT... -o DOCUMENT.pdf|DOCUMENT.tif [--dpi N] [--quality Q]\n"
           "                     [--lossless]\n"
           "  lumivane-cli profile show FILE.qmx\n"
           "  lumivane-cli profile defaults [-o FILE.qmx]\n"
           "\n"
           "apply runs the corrections of a profile over pictures (PNG, JPEG, GIF, BMP, TIFF) as the window would:\n"
           "  --profile FILE.qmx  load this profile first\n"
           "  --set KEY=VALUE     then set one profile key (repeatable), e.g. --set m_bGrayScale=1\n"
           "  --rotate N          clockwise quarter turns, 0..3\n"
           "  --pane WxH          outer size of the picture panes (default 288x193)\n"
           "  --preview           write the pane-sized preview instead of the full-size result\n"
           "  -o OUTPUT           the result; its extension gives the format\n"
           "  --out-dir DIR       write each result to DIR under its input's name\n"
           "  --format F          format of the results in DIR (default: each input's own)\n"
           "  --jobs N            pictures worked on at once (default: one per core)\n"
           "  --dpi N             page resolution of a document (default: each picture's own, else 300)\n"
           "  --quality Q         JPEG quality of PDF pages, 1..100 (default 75)\n"
           "  --lossless          PDF pages compressed without loss (Flate) instead of JPEG\n"
           "\n"
           "A multi-page TIFF input gives every page: NAME-p1, NAME-p2, ... in --out-dir, every page in a document.\n"
           "-o DOCUMENT.pdf or .tif writes one document of every page of every input, in the order given; when an\n"
           "input fails, the pages before it are kept and the exit status is 1. PDF files are not read.\n"
           "\n"
           "exit status: 0 success, 1 an input or output failed, 2 usage error\n";
}
