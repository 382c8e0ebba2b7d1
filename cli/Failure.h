#pragma once
// The one way lumivane-cli reports a failure: one line on stderr, "lumivane-cli: " and the status's message, which
// names the file and the cause.

#include <string>

#include "base/Status.h"

// The line as it is printed, line end included.
std::string FailureLine(const Status& failure);

void ReportFailure(const Status& failure);

// A warning: "lumivane-cli: warning: " and the text, one line on stderr. The run goes on.
void ReportWarning(const std::string& text);
