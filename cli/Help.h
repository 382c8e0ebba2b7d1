#pragma once
// How every command of lumivane-cli answers --help and a usage error, and the usage texts of the commands kept here.
// A command asked for help (-h or --help anywhere before "--") prints its usage on stdout and exits 0. A usage error
// prints one line naming the problem and one line with the command's synopsis and where to read more, on stderr, and
// exits 2.

#include <string>
#include <string_view>
#include <vector>

// True when -h or --help stands among the arguments before a "--".
bool AsksForHelp(const std::vector<std::string>& arguments);

// Prints text on stdout. Returns the exit status: 0, or 1 when stdout could not be written.
int PrintHelp(std::string_view text);

// Prints "lumivane-cli: MESSAGE" and "usage: SYNOPSIS (more: lumivane-cli COMMAND --help)" on stderr and returns 2.
// An empty command stands for the program as a whole.
int ReportUsageError(std::string_view message, std::string_view command, std::string_view synopsis);

// The one-line synopsis of a command kept here ("apply", "profile", "completion", or "" for the program).
std::string_view Synopsis(std::string_view command);

// The lines of the help that list the named corrections (NamedOptions.h), for every command that takes them.
std::string NamedOptionsHelp();

// The full usage text of a command kept here, every option with its range and default; the program's own for "".
std::string HelpText(std::string_view command);
