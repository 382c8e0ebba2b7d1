#include "cli/WatchNames.h"

namespace {

bool EndsWithNoCase(std::string_view name, std::string_view ending) {
    if (name.size() < ending.size()) return false;
    const std::string_view tail = name.substr(name.size() - ending.size());
    for (std::size_t i = 0; i < ending.size(); ++i) {
        const char c = tail[i] >= 'A' && tail[i] <= 'Z' ? static_cast<char>(tail[i] - 'A' + 'a') : tail[i];
        if (c != ending[i]) return false;
    }
    return true;
}

}  // namespace

bool IsWatchedName(std::string_view name) {
    if (name.empty() || name.front() == '.' || name.back() == '~') return false;
    if (EndsWithNoCase(name, ".part") || EndsWithNoCase(name, ".tmp")) return false;
    for (const std::string_view extension : {".png", ".jpg", ".jpeg", ".gif", ".bmp"}) {
        // A name that is only an extension (".png") starts with a dot and was refused above.
        if (EndsWithNoCase(name, extension)) return true;
    }
    return false;
}

std::string ResultPath(const std::string& outDir, const std::string& name, ImageFormat format) {
    const auto dot = name.find_last_of('.');
    return outDir + "/" + name.substr(0, dot) + ExtensionOf(format);
}
