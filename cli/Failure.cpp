#include "cli/Failure.h"

#include <cstdio>

std::string FailureLine(const Status& failure) {
    return "lumivane-cli: " + failure.message() + "\n";
}

void ReportFailure(const Status& failure) {
    std::fputs(FailureLine(failure).c_str(), stderr);
}

void ReportWarning(const std::string& text) {
    std::fputs(("lumivane-cli: warning: " + text + "\n").c_str(), stderr);
}
