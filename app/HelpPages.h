#pragma once
// Where the help pages are: the first folder of the candidates that holds "index.html". The build puts the pages into
// "help" beside the program; an installed program finds them in <prefix>/share/lumivane/help, which is both
// "../share/lumivane/help" from the program's folder and the folder fixed when it was built. No Qt.

#include <filesystem>
#include <optional>
#include <vector>

// The folders looked in, in order, for a program in programFolder built for installedFolder (may be empty).
std::vector<std::filesystem::path> HelpFolders(const std::filesystem::path& programFolder,
                                               const std::filesystem::path& installedFolder);

// The index page of the first folder that has one, or nothing.
std::optional<std::filesystem::path> FindHelpIndex(const std::vector<std::filesystem::path>& folders);
