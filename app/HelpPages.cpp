#include "app/HelpPages.h"

#include <system_error>

std::vector<std::filesystem::path> HelpFolders(const std::filesystem::path& programFolder,
                                               const std::filesystem::path& installedFolder) {
    std::vector<std::filesystem::path> folders;
    if (!programFolder.empty()) {
        folders.push_back(programFolder / "help");
        folders.push_back((programFolder / ".." / "share" / "lumivane" / "help").lexically_normal());
    }
    if (!installedFolder.empty()) folders.push_back(installedFolder);
    return folders;
}

std::optional<std::filesystem::path> FindHelpIndex(const std::vector<std::filesystem::path>& folders) {
    for (const std::filesystem::path& folder : folders) {
        const std::filesystem::path index = folder / "index.html";
        std::error_code error;
        if (std::filesystem::is_regular_file(index, error)) return index;
    }
    return std::nullopt;
}
