#include "cli/CliArguments.h"

#include <algorithm>
#include <charconv>

#include "app/CLumivaneState.h"
#include "base/Limits.h"
#include "platform/DocumentWriter.h"
#include "cli/Help.h"
#include "cli/KeyMatch.h"
#include "cli/SettingChecks.h"

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
    const std::vector<std::string>& Arguments() const { return m_arguments; }
    std::size_t& Position() { return m_next; }
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
        if (argument == "--quiet" || argument == "-q") {
            options.quiet = true;
            continue;
        }
        if (const NamedOptionInfo* info = FindNamedOption(argument)) {
            std::optional<std::string> value = std::string();
            if (argument.find('=') != std::string::npos || !info->value.empty()) {
                value = walker.Value(argument, std::string(info->name));
            }
            if (!value) return Fail(error, std::string(info->name) + " needs a value: " + std::string(info->value));
            std::optional<NamedOption> option = ReadNamedOption(*info, *value, error);
            if (!option) return false;
            options.named.push_back(*option);
            continue;
        }
        static const std::vector<std::string> kValueOptions = {"--profile", "--set",  "--rotate", "--pane", "--out-dir",
                                                               "--format",  "--jobs", "--output", "-o", "--quality", "--max-pixels", "--dpi"};
        std::string name;
        for (const std::string& candidate : kValueOptions) {
            if (ArgumentWalker::Is(argument, candidate)) name = candidate;
        }
        if (name.empty()) {
            std::vector<std::string> known = kValueOptions;
            known.push_back("--preview");
            known.push_back("--quiet");
            known.push_back("--lossless");
            for (const NamedOptionInfo& info : NamedOptionTable()) known.emplace_back(info.name);
            return Fail(error, "unknown option " + argument +
                                   DidYouMean(ClosestWords(argument.substr(0, argument.find('=')), known)));
        }
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
        } else if (name == "--quality") {
            std::int64_t quality = 0;
            if (!ParseInt(*value, quality) || quality < 1 || quality > 100) {
                return Fail(error, "--quality takes a JPEG quality 1..100, not " + *value);
            }
            options.quality = static_cast<int>(quality);
        } else if (name == "--max-pixels") {
            std::int64_t pixels = 0;
            if (!ParseInt(*value, pixels) || pixels < 1 || pixels > kMaxPixels) {
                return Fail(error,
                            "--max-pixels takes a number from 1 to " + std::to_string(kMaxPixels) + ", not " + *value);
            }
            options.maxPixels = pixels;
        } else if (name == "--dpi") {
            std::int64_t dpi = 0;
            if (!ParseInt(*value, dpi) || dpi < 1 || dpi > 100000) {
                return Fail(error, "--dpi takes dots per inch, 1 to 100000, not " + *value);
            }
            options.dpi = static_cast<double>(dpi);
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
    return CanonicalSetLines(options.sets, error, options.warnings);
}

bool ParseProfile(ArgumentWalker& walker, ProfileOptions& options, std::string* error) {
    using Action = ProfileOptions::Action;
    if (walker.Done()) return Fail(error, "profile needs an action: show, defaults, set, new or diff");
    const std::string action = walker.Next();
    static const std::vector<std::pair<std::string, Action>> kActions = {
        {"show", Action::Show}, {"defaults", Action::Defaults}, {"set", Action::Set},
        {"new", Action::New},   {"diff", Action::Diff}};
    const auto found = std::find_if(kActions.begin(), kActions.end(), [&](const auto& a) { return a.first == action; });
    if (found == kActions.end()) {
        std::vector<std::string> names;
        for (const auto& a : kActions) names.push_back(a.first);
        return Fail(error, "profile takes show, defaults, set, new or diff, not " + action +
                               DidYouMean(ClosestWords(action, names)));
    }
    options.action = found->second;
    const bool edits = options.action == Action::Set || options.action == Action::New;
    const std::size_t filesWanted = options.action == Action::Diff ? 2 : options.action == Action::Show ||
                                                                                  options.action == Action::Set
                                                                              ? 1
                                                                              : 0;
    std::size_t filesGiven = 0;
    CLumivaneState declaration;
    CIniPartition& settings = declaration.m_cFileStorage.Partition(0);
    // A KEY=VALUE edit: the key as the profile spells it, a warning when the value is no number.
    const auto addLine = [&](const std::string& line) {
        std::string why;
        const std::optional<std::string> canonical = CanonicalSettingLine(settings, line, &why);
        if (!canonical) return Fail(error, why);
        if (const std::optional<std::string> warning = NumberWarning(settings, *canonical)) {
            options.warnings.push_back(*warning);
        }
        options.edits.push_back({*canonical, std::nullopt});
        return true;
    };
    while (!walker.Done()) {
        if (edits) {
            std::vector<NamedOption> named;
            if (TakeNamedOption(walker.Arguments(), walker.Position(), named, error)) {
                if (named.empty()) return false;
                options.edits.push_back({std::string(), named.front()});
                continue;
            }
        }
        const std::string argument = walker.Next();
        if (ArgumentWalker::Is(argument, "--pane")) {
            const std::optional<std::string> value = walker.Value(argument, "--pane");
            if (!value || !ParsePane(*value, options.pane))
                return Fail(error, "--pane takes WIDTHxHEIGHT, e.g. 288x193");
        } else if ((options.action == Action::Defaults || options.action == Action::New) &&
                   (ArgumentWalker::Is(argument, "-o") || ArgumentWalker::Is(argument, "--output"))) {
            const std::optional<std::string> value =
                walker.Value(argument, ArgumentWalker::Is(argument, "-o") ? "-o" : "--output");
            if (!value) return Fail(error, "-o needs a file name");
            options.output = *value;
        } else if (options.action == Action::Show && argument == "--json") {
            options.json = true;
        } else if (edits && ArgumentWalker::Is(argument, "--set")) {
            const std::optional<std::string> value = walker.Value(argument, "--set");
            if (!value) return Fail(error, "--set needs KEY=VALUE");
            if (!addLine(*value)) return false;
        } else if (edits && argument == "--rotate") {
            return Fail(error, "--rotate is not kept in a profile; give it to apply");
        } else if (filesGiven < filesWanted && (argument.empty() || argument[0] != '-')) {
            (filesGiven++ == 0 ? options.file : options.otherFile) = argument;
        } else if (edits && !argument.empty() && argument[0] != '-' && argument.find('=') != std::string::npos) {
            if (!addLine(argument)) return false;
        } else if (!argument.empty() && argument[0] == '-' && argument != "-") {
            std::vector<std::string> known = {"--pane"};
            if (options.action == Action::Defaults || options.action == Action::New) known.push_back("--output");
            if (options.action == Action::Show) known.push_back("--json");
            if (edits) {
                known.push_back("--set");
                for (const NamedOptionInfo& info : NamedOptionTable()) known.emplace_back(info.name);
            }
            return Fail(error, "unknown option " + argument +
                                   DidYouMean(ClosestWords(argument.substr(0, argument.find('=')), known)));
        } else {
            return Fail(error, "unexpected argument " + argument);
        }
    }
    if (filesGiven < filesWanted) {
        static const char* const kNeeds[] = {"profile show needs a FILE.qmx", "", "profile set needs a FILE.qmx",
                                             "", "profile diff needs two profiles, A.qmx B.qmx"};
        return Fail(error, kNeeds[static_cast<int>(options.action)]);
    }
    if (options.action == Action::Set && options.edits.empty()) {
        return Fail(error, "profile set needs KEY=VALUE or a correction option, e.g. --blur 7");
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
    const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
    if (verb == "--help" || verb == "-h" || verb == "help") {
        command.kind = CliCommand::Kind::Help;
        if (!rest.empty() && (rest.front() == "apply" || rest.front() == "profile" || rest.front() == "completion")) {
            command.topic = rest.front();
        }
    } else if ((verb == "apply" || verb == "profile" || verb == "completion") && AsksForHelp(rest)) {
        command.kind = CliCommand::Kind::Help;
        command.topic = verb;
    } else if (verb == "--version" || verb == "-V") {
        command.kind = CliCommand::Kind::Version;
    } else if (verb == "apply") {
        command.kind = CliCommand::Kind::Apply;
        if (!ParseApply(walker, command.apply, error)) return std::nullopt;
    } else if (verb == "profile") {
        command.kind = CliCommand::Kind::Profile;
        if (!ParseProfile(walker, command.profile, error)) return std::nullopt;
    } else if (verb == "completion") {
        command.kind = CliCommand::Kind::Completion;
        if (rest.size() != 1 || (rest[0] != "bash" && rest[0] != "zsh" && rest[0] != "fish")) {
            *error = "completion takes one shell: bash, zsh or fish";
            return std::nullopt;
        }
        command.shell = rest[0];
    } else {
        *error = "unknown command " + verb + DidYouMean(ClosestWords(verb, {"apply", "profile", "watch", "sources", "scan", "grab", "completion"}));
        return std::nullopt;
    }
    return command;
}

std::string UsageTopic(const std::vector<std::string>& arguments) {
    if (!arguments.empty() &&
        (arguments.front() == "apply" || arguments.front() == "profile" || arguments.front() == "completion")) {
        return arguments.front();
    }
    return {};
}

const char* UsageText() {
    static const std::string text = HelpText("");
    return text.c_str();
}
