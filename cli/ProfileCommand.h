#pragma once
// `lumivane-cli profile show FILE.qmx` and `profile defaults [-o FILE.qmx]`.

#include "cli/CliArguments.h"

// Returns the exit status: 0, or 1 when the profile could not be read or written.
int RunProfile(const ProfileOptions& options);
