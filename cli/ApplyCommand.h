#pragma once
// `lumivane-cli apply`: the corrections of a profile over one picture (-o) or many (--out-dir), each picture going
// through a fresh shared state exactly as the window would take it: start-up with the panes at the given size, the
// profile loaded, the --set lines applied, the rotation set, the picture acquired, the full-size (or preview) run, the
// result written.

#include "cli/CliArguments.h"

// Returns the exit status: 0 when every picture was written, 1 when one failed (each failure reported on stderr).
int RunApply(const ApplyOptions& options);
