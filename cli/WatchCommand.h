#pragma once
// `lumivane-cli watch`: corrects every picture that is written or moved into a folder, until SIGINT or SIGTERM.
// Each picture goes through the same corrections as `apply` gives it; its result is written under a temporary name
// in the output folder and then given its own name, never replacing a file (a clash gets a numbered name). A stop
// signal lets the pictures in progress finish, then the command exits with 0.

#include <string>
#include <vector>

// Runs the command on the arguments after "watch"; returns the exit status (2 for a usage error, 1 when the watch
// cannot start or its folder goes away, 0 when stopped by a signal).
int RunWatchCommand(const std::vector<std::string>& arguments);
