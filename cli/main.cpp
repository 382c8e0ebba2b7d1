// lumivane-cli: the corrections of Lumivane without a window. Exit status 0 on success, 1 when an input or output
// failed, 2 for a usage error; errors go to stderr as one line each, naming the file.

#include <cstdio>
#include <string>
#include <vector>

#include "cli/ApplyCommand.h"
#include "cli/CliArguments.h"
#include "cli/Failure.h"
#include "cli/GrabCommand.h"
#include "cli/ProfileCommand.h"

#ifndef LUMIVANE_VERSION
#define LUMIVANE_VERSION "0"
#endif

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (!arguments.empty() && arguments.front() == "grab") return RunGrab({arguments.begin() + 1, arguments.end()});
    std::string error;
    const std::optional<CliCommand> command = ParseCommandLine(arguments, &error);
    if (!command) {
        ReportFailure(Status::Error(error));
        std::fputs(UsageText(), stderr);
        return 2;
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
            std::fputs(UsageText(), stdout);
            return 0;
    }
    return 2;
}
