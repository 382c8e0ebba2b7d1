#include "cli/Completion.h"

#include <vector>

#include "app/CLumivaneState.h"
#include "cli/NamedOptions.h"

namespace {

struct Option {
    std::string name;
    bool takesValue;
    std::string help;
};

// The options of apply besides the named corrections, as the parser takes them.
std::vector<Option> ApplyOptionsList() {
    return {{"--profile", true, "load this profile first"},
            {"--set", true, "set one profile key: KEY=VALUE"},
            {"--rotate", true, "clockwise quarter turns, 0..3"},
            {"--pane", true, "outer size of the panes, WxH"},
            {"--preview", false, "write the pane-sized preview"},
            {"--output", true, "the result"},
            {"--out-dir", true, "write each result to this folder"},
            {"--format", true, "format of the results in the folder"},
            {"--jobs", true, "pictures worked on at once"},
            {"--quality", true, "JPEG quality, 1..100"},
            {"--quiet", false, "no progress or summary line"},
            {"--help", false, "usage"}};
}

std::vector<Option> ProfileOptionsList() {
    return {{"--set", true, "set one profile key: KEY=VALUE"},
            {"--pane", true, "outer size of the panes, WxH"},
            {"--output", true, "where the profile goes"},
            {"--json", false, "show: one JSON object"},
            {"--help", false, "usage"}};
}

std::vector<Option> Corrections() {
    std::vector<Option> options;
    for (const NamedOptionInfo& info : NamedOptionTable()) {
        options.push_back({std::string(info.name), !info.value.empty(), std::string(info.help)});
    }
    return options;
}

std::string SettingKeys() {
    const CLumivaneState state;
    const CIniPartition& settings = state.m_cFileStorage.Partition(0);
    std::string keys;
    for (std::size_t i = 0; i < settings.Count(); ++i) {
        std::string key = settings.Item(i).Name();
        while (!key.empty() && key.back() == ' ') key.pop_back();
        keys += (i == 0 ? "" : " ") + key;
    }
    return keys;
}

std::string Names(const std::vector<Option>& options, bool withValue) {
    std::string names;
    for (const Option& option : options) {
        if (option.takesValue != withValue) continue;
        if (!names.empty()) names += ' ';
        names += option.name;
    }
    return names;
}

constexpr const char* kCommands = "apply profile watch sources scan grab completion help";
// The own options of the commands that parse their own (the named corrections come on top for scan, grab and watch).
constexpr const char* kSourcesOptions = "--json --help";
constexpr const char* kScanOptions = "--source --profile --set --pane -o --output --batch --out-dir --format --dpi --help";
constexpr const char* kGrabOptions =
    "--camera --profile --set --size --skip -o --count --interval --out-dir --format --help";
constexpr const char* kWatchOptions =
    "--profile --set --out-dir --format --jobs --done-dir --max-pixels --poll --existing --json --help";
constexpr const char* kProfileActions = "show defaults set new diff";
constexpr const char* kFormats = "png jpg gif bmp";
constexpr const char* kPictures = "@(png|PNG|jpg|JPG|jpeg|JPEG|gif|GIF|bmp|BMP)";

std::string BashFunction() {
    const std::vector<Option> apply = ApplyOptionsList();
    const std::vector<Option> profile = ProfileOptionsList();
    const std::vector<Option> corrections = Corrections();
    std::string s;
    s += "_lumivane_cli_files() {\n"
         "    # $1: an extglob pattern of the names to offer; folders always\n"
         "    local IFS=$'\\n'\n"
         "    COMPREPLY+=($(compgen -d -- \"$cur\"))\n"
         "    COMPREPLY+=($(shopt -s extglob; compgen -f -X \"!*.$1\" -- \"$cur\"))\n"
         "}\n\n"
         "_lumivane_cli_keys() {\n"
         "    # the setting keys that begin with $cur in any letter case, each with its '='\n"
         "    local key lower=${cur,,}\n"
         "    compopt -o nospace 2>/dev/null\n"
         "    for key in $keys; do [[ ${key,,} == \"$lower\"* ]] && COMPREPLY+=(\"$key=\"); done\n"
         "}\n\n";
    s += "_lumivane_cli() {\n"
         "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
         "    local command=${COMP_WORDS[1]}\n"
         "    local keys='" + SettingKeys() + "'\n"
         "    local corrections_with_value='" + Names(corrections, true) + "'\n"
         "    local corrections='" + Names(corrections, false) + "'\n"
         "    COMPREPLY=()\n"
         "    # KEY=VALUE words arrive split at the '=' when it is a word break\n"
         "    if [[ $cur == = ]]; then cur=; fi\n"
         "    if [[ $COMP_CWORD -eq 1 ]]; then\n"
         "        COMPREPLY=($(compgen -W '" + std::string(kCommands) + " --help --version' -- \"$cur\"))\n"
         "        return\n"
         "    fi\n"
         "    case $prev in\n"
         "        --profile) _lumivane_cli_files '@(qmx|QMX)'; return ;;\n"
         "        -o|--output) if [[ $command == profile ]]; then _lumivane_cli_files '@(qmx|QMX)';\n"
         "                     else _lumivane_cli_files '" + std::string(kPictures) + "'; fi; return ;;\n"
         "        --out-dir) COMPREPLY=($(compgen -d -- \"$cur\")); return ;;\n"
         "        --format) COMPREPLY=($(compgen -W '" + std::string(kFormats) + "' -- \"$cur\")); return ;;\n"
         "        --rotate) COMPREPLY=($(compgen -W '0 1 2 3' -- \"$cur\")); return ;;\n"
         "        --no-light) COMPREPLY=($(compgen -W '1 2 3' -- \"$cur\")); return ;;\n"
         "        --invert) COMPREPLY=($(compgen -W 'r g b rg rb gb rgb' -- \"$cur\")); return ;;\n"
         "        --set) _lumivane_cli_keys; return ;;\n"
         "        --pane|--jobs|--quality|" ;
    // Values with nothing to offer.
    std::string valued;
    for (const Option& option : corrections) {
        if (option.takesValue && option.name != "--invert" && option.name != "--no-light") valued += option.name + "|";
    }
    valued.pop_back();
    s += valued + ") return ;;\n"
         "    esac\n"
         "    case $command in\n"
         "    apply)\n"
         "        if [[ $cur == -* ]]; then\n"
         "            COMPREPLY=($(compgen -W '" + Names(apply, true) + " " + Names(apply, false) +
         " -o -q -h '\"$corrections_with_value $corrections\" -- \"$cur\"))\n"
         "        else\n"
         "            _lumivane_cli_files '" + std::string(kPictures) + "'\n"
         "        fi ;;\n"
         "    profile)\n"
         "        local action=${COMP_WORDS[2]}\n"
         "        if [[ $COMP_CWORD -eq 2 ]]; then\n"
         "            COMPREPLY=($(compgen -W '" + std::string(kProfileActions) + " --help' -- \"$cur\"))\n"
         "        elif [[ $cur == -* ]]; then\n"
         "            local more=\n"
         "            if [[ $action == set || $action == new ]]; then more=\"$corrections_with_value $corrections\"; fi\n"
         "            COMPREPLY=($(compgen -W '" + Names(profile, true) + " " + Names(profile, false) +
         " -o -h '\"$more\" -- \"$cur\"))\n"
         "        elif [[ ($action == set && $COMP_CWORD -gt 3) || $action == new ]]; then\n"
         "            _lumivane_cli_keys\n"
         "        else\n"
         "            _lumivane_cli_files '@(qmx|QMX)'\n"
         "        fi ;;\n"
         "    sources)\n"
         "        COMPREPLY=($(compgen -W '" + std::string(kSourcesOptions) + "' -- \"$cur\")) ;;\n"
         "    scan|grab|watch)\n"
         "        if [[ $cur == -* ]]; then\n"
         "            local own='" + std::string(kScanOptions) + "'\n"
         "            [[ $command == grab ]] && own='" + std::string(kGrabOptions) + "'\n"
         "            [[ $command == watch ]] && own='" + std::string(kWatchOptions) + "'\n"
         "            COMPREPLY=($(compgen -W \"$own $corrections_with_value $corrections\" -- \"$cur\"))\n"
         "        elif [[ $command == watch ]]; then\n"
         "            COMPREPLY=($(compgen -d -- \"$cur\"))\n"
         "        fi ;;\n"
         "    completion)\n"
         "        COMPREPLY=($(compgen -W 'bash zsh fish' -- \"$cur\")) ;;\n"
         "    help)\n"
         "        COMPREPLY=($(compgen -W 'apply profile completion' -- \"$cur\")) ;;\n"
         "    esac\n"
         "}\n";
    return s;
}

std::string Bash() {
    return "# bash completion for lumivane-cli (made by lumivane-cli completion bash)\n\n" + BashFunction() +
           "\ncomplete -F _lumivane_cli lumivane-cli\n";
}

std::string Zsh() {
    const std::vector<Option> apply = ApplyOptionsList();
    const std::vector<Option> profile = ProfileOptionsList();
    const std::vector<Option> corrections = Corrections();
    std::string valued;
    for (const Option& option : corrections) {
        if (option.takesValue && option.name != "--invert" && option.name != "--no-light") valued += "|" + option.name;
    }
    const std::string pictures = "'*.(png|PNG|jpg|JPG|jpeg|JPEG|gif|GIF|bmp|BMP)'";
    return "#compdef lumivane-cli\n"
           "# zsh completion for lumivane-cli (made by lumivane-cli completion zsh)\n\n"
           "_lumivane_cli() {\n"
           "    local -a keys corrections\n"
           "    keys=(" + SettingKeys() + ")\n"
           "    corrections=(" + Names(corrections, true) + " " + Names(corrections, false) + ")\n"
           "    local command=${words[2]} cur=${words[CURRENT]} prev=${words[CURRENT-1]}\n"
           "    # setting keys in any letter case, each with its '='\n"
           "    local anycase='m:{a-zA-Z}={A-Za-z}'\n"
           "    if (( CURRENT == 2 )); then\n"
           "        compadd -- " + std::string(kCommands) + " --help --version\n"
           "        return\n"
           "    fi\n"
           "    case $prev in\n"
           "        --profile) _files -g '*.(qmx|QMX)'; return ;;\n"
           "        -o|--output)\n"
           "            if [[ $command == profile ]]; then _files -g '*.(qmx|QMX)'; else _files -g " + pictures + "; fi\n"
           "            return ;;\n"
           "        --out-dir) _files -/; return ;;\n"
           "        --format) compadd -- " + std::string(kFormats) + "; return ;;\n"
           "        --rotate) compadd -- 0 1 2 3; return ;;\n"
           "        --no-light) compadd -- 1 2 3; return ;;\n"
           "        --invert) compadd -- r g b rg rb gb rgb; return ;;\n"
           "        --set) compadd -M $anycase -S = -- $keys; return ;;\n"
           "        --pane|--jobs|--quality" + valued + ") return ;;\n"
           "    esac\n"
           "    case $command in\n"
           "    apply)\n"
           "        if [[ $cur == -* ]]; then\n"
           "            compadd -- " + Names(apply, true) + " " + Names(apply, false) + " -o -q -h $corrections\n"
           "        else\n"
           "            _files -g " + pictures + "\n"
           "        fi ;;\n"
           "    profile)\n"
           "        local action=${words[3]}\n"
           "        if (( CURRENT == 3 )); then\n"
           "            compadd -- " + std::string(kProfileActions) + " --help\n"
           "        elif [[ $cur == -* ]]; then\n"
           "            compadd -- " + Names(profile, true) + " " + Names(profile, false) + " -o -h\n"
           "            if [[ $action == (set|new) ]]; then compadd -- $corrections; fi\n"
           "        elif [[ ( $action == set && CURRENT -gt 4 ) || $action == new ]]; then\n"
           "            compadd -M $anycase -S = -- $keys\n"
           "        else\n"
           "            _files -g '*.(qmx|QMX)'\n"
           "        fi ;;\n"
           "    sources) compadd -- " + std::string(kSourcesOptions) + " ;;\n"
           "    scan) [[ $cur == -* ]] && compadd -- " + std::string(kScanOptions) + " $corrections ;;\n"
           "    grab) [[ $cur == -* ]] && compadd -- " + std::string(kGrabOptions) + " $corrections ;;\n"
           "    watch) if [[ $cur == -* ]]; then compadd -- " + std::string(kWatchOptions) +
           " $corrections; else _files -/; fi ;;\n"
           "    completion) compadd -- bash zsh fish ;;\n"
           "    help) compadd -- apply profile completion ;;\n"
           "    esac\n"
           "}\n\n"
           "compdef _lumivane_cli lumivane-cli\n";
}

std::string FishQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + "'";
}

std::string Fish() {
    std::string s = "# fish completion for lumivane-cli (made by lumivane-cli completion fish)\n\n"
                    "complete -c lumivane-cli -f\n"
                    "complete -c lumivane-cli -n __fish_use_subcommand -a apply -d 'run corrections over pictures'\n"
                    "complete -c lumivane-cli -n __fish_use_subcommand -a profile -d 'show, make, edit and compare profiles'\n"
                    "complete -c lumivane-cli -n __fish_use_subcommand -a completion -d 'a completion script'\n"
                    "complete -c lumivane-cli -n __fish_use_subcommand -l help -s h -d usage\n"
                    "complete -c lumivane-cli -n __fish_use_subcommand -l version -d 'the version'\n"
                    "complete -c lumivane-cli -n '__fish_seen_subcommand_from completion' -a 'bash zsh fish'\n"
                    "complete -c lumivane-cli -n '__fish_seen_subcommand_from profile; and not __fish_seen_subcommand_from "
                    "show defaults set new diff' -a '" + std::string(kProfileActions) + "'\n";
    const std::string apply = "-n '__fish_seen_subcommand_from apply'";
    const std::string edits = "-n '__fish_seen_subcommand_from set new'";
    const std::string profile = "-n '__fish_seen_subcommand_from profile'";
    s += "complete -c lumivane-cli " + apply + " -k -a '(__fish_complete_suffix .png; __fish_complete_suffix .jpg; "
         "__fish_complete_suffix .jpeg; __fish_complete_suffix .gif; __fish_complete_suffix .bmp)'\n";
    s += "complete -c lumivane-cli " + profile + " -k -a '(__fish_complete_suffix .qmx)'\n";
    // The keys hold only letters, digits, "_" and ".": they can stand in double quotes inside the single ones.
    const std::string keys = "'(string split \" \" -- \"" + SettingKeys() + "\" | string replace -r \"\\$\" \"=\")'";
    s += "complete -c lumivane-cli " + edits + " -a " + keys + "\n";
    for (const Option& option : ApplyOptionsList()) {
        std::string line = "complete -c lumivane-cli " + apply + " -l " + option.name.substr(2);
        if (option.takesValue) line += " -r";
        if (option.name == "--profile") line += " -k -a '(__fish_complete_suffix .qmx)'";
        if (option.name == "--output") line += " -s o -F";
        if (option.name == "--out-dir") line += " -a '(__fish_complete_directories)'";
        if (option.name == "--format") line += " -a '" + std::string(kFormats) + "'";
        if (option.name == "--set") {
            line += " -a " + keys;
        }
        s += line + " -d " + FishQuoted(option.help) + "\n";
    }
    for (const Option& option : ProfileOptionsList()) {
        std::string line = "complete -c lumivane-cli " + profile + " -l " + option.name.substr(2);
        if (option.takesValue) line += " -r";
        if (option.name == "--output") line += " -s o -k -a '(__fish_complete_suffix .qmx)'";
        s += line + " -d " + FishQuoted(option.help) + "\n";
    }
    const std::string acquire = "-n '__fish_seen_subcommand_from scan grab watch'";
    for (const auto& [command, options] : {std::pair{"sources", kSourcesOptions}, std::pair{"scan", kScanOptions},
                                           std::pair{"grab", kGrabOptions}, std::pair{"watch", kWatchOptions}}) {
        s += "complete -c lumivane-cli -n __fish_use_subcommand -a " + std::string(command) + "\n";
        std::string words = options;
        for (std::size_t start = 0; start < words.size();) {
            const std::size_t end = std::min(words.find(' ', start), words.size());
            const std::string word = words.substr(start, end - start);
            start = end + 1;
            if (word.rfind("--", 0) != 0) continue;  // -o is --output's short form
            s += "complete -c lumivane-cli -n '__fish_seen_subcommand_from " + std::string(command) + "' -l " +
                 word.substr(2) + "\n";
        }
    }
    for (const Option& option : Corrections()) {
        for (const std::string& where : {apply, edits, acquire}) {
            s += "complete -c lumivane-cli " + where + " -l " + option.name.substr(2) + (option.takesValue ? " -x" : "") +
                 " -d " + FishQuoted(option.help) + "\n";
        }
    }
    return s;
}

}  // namespace

std::optional<std::string> CompletionScript(std::string_view shell) {
    if (shell == "bash") return Bash();
    if (shell == "zsh") return Zsh();
    if (shell == "fish") return Fish();
    return std::nullopt;
}
