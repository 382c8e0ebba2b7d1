#pragma once
// `lumivane-cli profile`: show FILE.qmx [--json], defaults [-o FILE.qmx], set FILE.qmx EDIT..., new [-o FILE.qmx]
// [EDIT...] and diff A.qmx B.qmx. Profiles are read with the storage's Load alone, onto the start-up values.

#include "cli/CliArguments.h"

// Returns the exit status: 0, or 1 when a profile could not be read or written.
int RunProfile(const ProfileOptions& options);
