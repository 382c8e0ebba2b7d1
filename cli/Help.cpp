#include "cli/Help.h"

#include <cstdio>

#include "cli/NamedOptions.h"

namespace {

constexpr std::string_view kProgramSynopsis =
    "lumivane-cli COMMAND [OPTION]... (commands: apply, profile, completion)";
constexpr std::string_view kCompletionSynopsis = "lumivane-cli completion bash|zsh|fish";
constexpr std::string_view kApplySynopsis =
    "lumivane-cli apply [OPTION]... INPUT -o OUTPUT | INPUT... --out-dir DIR";
constexpr std::string_view kProfileSynopsis =
    "lumivane-cli profile show|defaults|set|new|diff [FILE.qmx]... [KEY=VALUE|--correction]...";

constexpr std::string_view kProgramHelp =
    "usage: lumivane-cli COMMAND [OPTION]...\n"
    "\n"
    "The corrections of Lumivane without a window: the same profiles (.qmx), the same pixels.\n"
    "\n"
    "commands:\n"
    "  apply       run corrections over pictures (PNG, JPEG, GIF, BMP)\n"
    "  watch       correct every picture that lands in a folder\n"
    "  sources     list the scanners and cameras\n"
    "  scan        scan a page, or a feeder's pages, and correct them\n"
    "  grab        take a frame, or a timed series, from a camera and correct it\n"
    "  profile     show, make, edit and compare profiles\n"
    "  completion  a completion script for bash, zsh or fish\n"
    "\n"
    "  lumivane-cli COMMAND --help   the usage of one command, every option with its range and default\n"
    "  lumivane-cli --version        the version\n"
    "\n"
    "exit status: 0 success, 1 an input or output failed, 2 usage error\n";

constexpr std::string_view kApplyHelp =
    "usage:\n"
    "  lumivane-cli apply [OPTION]... INPUT -o OUTPUT\n"
    "  lumivane-cli apply [OPTION]... INPUT... --out-dir DIR [--format png|jpg|gif|bmp|tif|pdf] [--jobs N]\n"
    "  lumivane-cli apply [OPTION]... INPUT... -o DOCUMENT.pdf|DOCUMENT.tif [--dpi N] [--quality N] [--lossless]\n"
    "\n"
    "Runs the corrections of a profile over pictures (PNG, JPEG, GIF, BMP, TIFF) as the window would: start-up with\n"
    "the panes at their size, the profile loaded, the --set lines applied, the picture taken in, the full-size run.\n"
    "A multi-page TIFF gives every page: NAME-p1, NAME-p2, ... in --out-dir. -o DOCUMENT.pdf or .tif writes one\n"
    "document of every page of every input, in the order given; when an input fails, the pages before it are kept\n"
    "and the exit status is 1. PDF files are written, not read.\n"
    "\n"
    "options:\n"
    "  --profile FILE.qmx  load this profile first (default: none, the start-up settings)\n"
    "  --set KEY=VALUE     then set one profile key, as a line of a profile would (repeatable); the key may be\n"
    "                      typed in any letter case, without the blanks some keys carry (m_bhsb=1)\n"
    "  --rotate N          clockwise quarter turns, 0..3 (default 0)\n"
    "  --pane WxH          outer size of the picture panes, each at least 3 (default 288x193)\n"
    "  --preview           write the pane-sized preview instead of the full-size result\n"
    "  -o, --output FILE   the result; its extension gives the format (.png, .jpg, .jpeg, .gif, .bmp,\n"
    "                      .tif, .pdf)\n"
    "  --out-dir DIR       write each result to DIR under its input's name\n"
    "  --format F          format of the results in DIR: png, jpg, gif, bmp, tif or pdf (default: each input's own)\n"
    "  --jobs N            pictures worked on at once, at least 1 (default: one per core)\n"
    "  --quality N         JPEG quality of the results and of PDF pages, 1..100 (default 75, as the window saves)\n"
    "  --dpi N             page resolution of a document, 1..100000 (default: each picture's own, else 300)\n"
    "  --lossless          PDF pages compressed without loss (Flate) instead of JPEG\n"
    "  --max-pixels N      refuse pictures of more than N pixels, before their pixels are read (default: the limit)\n"
    "  -q, --quiet         no progress line and no summary (\"7 written, 0 failed, 2.4 s\") after a batch\n"
    "  -h, --help          this text\n";

constexpr std::string_view kApplyHelpEnd =
    "\n"
    "examples:\n"
    "  lumivane-cli apply --blur 7 --contrast 60 photo.jpg -o soft.png\n"
    "  lumivane-cli apply --profile warm.qmx --no-hsb --crop 10%,10%,90%,90% *.jpg --out-dir out --format png\n"
    "\n"
    "exit status: 0 every picture written, 1 an input or output failed, 2 usage error\n";

constexpr std::string_view kProfileHelp =
    "usage:\n"
    "  lumivane-cli profile show FILE.qmx [--json] [--pane WxH]\n"
    "  lumivane-cli profile defaults [-o FILE.qmx] [--pane WxH]\n"
    "  lumivane-cli profile set FILE.qmx KEY=VALUE|--correction... [--pane WxH]\n"
    "  lumivane-cli profile new [-o FILE.qmx] [KEY=VALUE|--correction]... [--pane WxH]\n"
    "  lumivane-cli profile diff A.qmx B.qmx [--pane WxH]\n"
    "\n"
    "show      prints the 87 settings of a profile as a save would write them (key=value, one a line), read onto\n"
    "          the start-up values; with --json as one JSON object, numbers as numbers\n"
    "defaults  the profile as saved right after start-up, on stdout or into FILE.qmx\n"
    "set       edits a profile in place, in one step: only the lines of the keys set change (a key the file lacks\n"
    "          is added to its settings section); every other line and the line ends stay as they are\n"
    "new       the start-up profile with the settings given, on stdout or into FILE.qmx\n"
    "diff      lists the settings whose values differ, one a line: \"key: A -> B\"\n"
    "\n"
    "options:\n"
    "  KEY=VALUE           set, new: one key of the profile (any letter case, blanks around it left out)\n"
    "  --set KEY=VALUE     the same\n"
    "  --pane WxH          outer size of the picture panes the rectangles are measured in (default 288x193)\n"
    "  -o, --output FILE   defaults, new: write the profile there instead of stdout\n"
    "  --json              show: one JSON object\n"
    "  -h, --help          this text\n"
    "\n"
    "corrections (set, new), applied in the order given:\n";

constexpr std::string_view kProfileHelpEnd =
    "\n"
    "examples:\n"
    "  lumivane-cli profile new -o soft.qmx --blur 7 --contrast 60\n"
    "  lumivane-cli profile set soft.qmx --no-blur --hsb 50,70,50 m_nSizeX=800\n"
    "  lumivane-cli profile show --json soft.qmx\n"
    "  lumivane-cli profile diff soft.qmx warm.qmx\n"
    "\n"
    "exit status: 0 success, 1 a profile could not be read or written, 2 usage error\n";

constexpr std::string_view kCompletionHelp =
    "usage: lumivane-cli completion bash|zsh|fish\n"
    "\n"
    "Prints a completion script for the shell: commands, options, setting keys, --format values, and file names\n"
    "by type (pictures, .qmx profiles, folders).\n"
    "\n"
    "  bash  source <(lumivane-cli completion bash)   (installed for bash-completion with the program)\n"
    "  zsh   source <(lumivane-cli completion zsh)\n"
    "  fish  lumivane-cli completion fish > ~/.config/fish/completions/lumivane-cli.fish\n"
    "\n"
    "exit status: 0 success, 2 usage error\n";

}  // namespace

bool AsksForHelp(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (argument == "--") return false;
        if (argument == "-h" || argument == "--help") return true;
    }
    return false;
}

int PrintHelp(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 && std::ferror(stdout) == 0 ? 0 : 1;
}

int ReportUsageError(std::string_view message, std::string_view command, std::string_view synopsis) {
    std::string text = "lumivane-cli: ";
    text += message;
    text += "\nusage: ";
    text += synopsis;
    text += " (more: lumivane-cli ";
    if (!command.empty()) {
        text += command;
        text += ' ';
    }
    text += "--help)\n";
    std::fputs(text.c_str(), stderr);
    return 2;
}

std::string NamedOptionsHelp() {
    std::string text;
    for (const NamedOptionInfo& info : NamedOptionTable()) {
        std::string left = "  ";
        left.append(info.name);
        if (!info.value.empty()) left.append(" ").append(info.value);
        // The help column starts at 22; a longer option gets its help on a line of its own.
        text.append(left);
        if (left.size() < 22) {
            text.append(22 - left.size(), ' ');
        } else {
            text.append("\n").append(22, ' ');
        }
        text.append(info.help).append("\n");
    }
    return text;
}

std::string_view Synopsis(std::string_view command) {
    if (command == "apply") return kApplySynopsis;
    if (command == "profile") return kProfileSynopsis;
    if (command == "completion") return kCompletionSynopsis;
    return kProgramSynopsis;
}

std::string HelpText(std::string_view command) {
    if (command == "apply") {
        return std::string(kApplyHelp) + "\ncorrections, applied after --profile and --set in the order given:\n" +
               NamedOptionsHelp() + std::string(kApplyHelpEnd);
    }
    if (command == "completion") return std::string(kCompletionHelp);
    if (command == "profile") return std::string(kProfileHelp) + NamedOptionsHelp() + std::string(kProfileHelpEnd);
    return std::string(kProgramHelp);
}
