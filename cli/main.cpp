// lumivane-cli: the corrections of Lumivane without a window. Exit status 0 on success, 1 when an input or output
// failed, 2 for a usage error; errors go to stderr as one line each, naming the file.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/ApplyCommand.h"
#include "cli/CliArguments.h"
#include "cli/Completion.h"
#include "cli/Failure.h"
#include "cli/Help.h"
#include "cli/GrabCommand.h"
#include "cli/ProfileCommand.h"
#include "cli/WatchCommand.h"
#include "cli/ScanCommand.h"
#include "cli/SourcesCommand.h"

#ifndef LUMIVANE_VERSION
#define LUMIVANE_VERSION "0"
#endif

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (!arguments.empty() && arguments.front() == "watch") {
        return RunWatchCommand({arguments.begin() + 1, arguments.end()});
    }
    // The scanner commands parse their own options. They end without the exit handlers, their output flushed and
    // every file already committed: SANE backends built on SANE's thread helper end their reader threads by
    // asynchronous cancellation, which can leave a lock of the C library held by a thread that no longer exists, and
    // the normal exit would wait on it for ever.
    if (!arguments.empty() && (arguments[0] == "sources" || arguments[0] == "scan")) {
        const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
        const int status = arguments[0] == "sources" ? RunSources(rest) : RunScan(rest);
        std::fflush(nullptr);
        std::_Exit(status);
    }
    if (!arguments.empty() && arguments.front() == "grab") return RunGrab({arguments.begin() + 1, arguments.end()});
    std::string error;
    const std::optional<CliCommand> command = ParseCommandLine(arguments, &error);
    if (!command) {
        const std::string topic = UsageTopic(arguments);
        return ReportUsageError(error, topic, Synopsis(topic));
    }
    switch (command->kind) {
        case CliCommand::Kind::Apply:
            return RunApply(command->apply);
        case CliCommand::Kind::Profile:
            return RunProfile(command->profile);
        case CliCommand::Kind::Version:
            std::printf("lumivane-cli %s\n", LUMIVANE_VERSION);
            return 0;
        case CliCommand::Kind::Help:
            return PrintHelp(HelpText(command->topic));
        case CliCommand::Kind::Completion:
            return PrintHelp(*CompletionScript(command->shell));
    }
    return 2;
}
