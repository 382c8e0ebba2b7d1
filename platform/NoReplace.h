#pragma once
// Placing a finished file under a name without ever replacing a file that has it: when the name is taken, the file
// gets the first free numbered name instead ("scan.png", then "scan-1.png", "scan-2.png", ...). Each step is one
// rename that fails rather than replace, so two writers racing for a name both keep their files.

#include <string>

#include "base/Status.h"

// The name with "-number" before its extension: NumberedName("out/scan.png", 2) is "out/scan-2.png"; number 0
// gives the name itself.
std::string NumberedName(const std::string& path, int number);

// Renames from to wanted, or to the first free numbered name of wanted; from and wanted are on one file system.
// On success *placed is the name the file has now; on failure from is where it was and the error names wanted.
Status RenameWithoutReplacing(const std::string& from, const std::string& wanted, std::string* placed);

// Moves file into folder under its own name (numbered on a clash). Within one file system it is one rename; across
// file systems the bytes are copied to a temporary file in folder, synced, given the name, and only then the original
// is removed, so a failure at any step leaves the original in place. *placed is the new name.
Status MoveWithoutReplacing(const std::string& file, const std::string& folder, std::string* placed);
