#include "cli/StableFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>

#include "cli/WatchNames.h"

namespace {

struct FolderCloser {
    void operator()(DIR* folder) const { ::closedir(folder); }
};

}  // namespace

bool StableFiles::Look(std::vector<std::string>& stable) {
    const std::unique_ptr<DIR, FolderCloser> folder(::opendir(m_folder.c_str()));
    if (!folder) return false;
    std::map<std::string, Seen> now;
    while (const struct dirent* entry = ::readdir(folder.get())) {
        if (!IsWatchedName(entry->d_name)) continue;
        struct stat info {};
        if (::fstatat(::dirfd(folder.get()), entry->d_name, &info, 0) != 0 || !S_ISREG(info.st_mode)) continue;
        Seen seen{info.st_size, static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec,
                  info.st_ino};
        const auto before = m_seen.find(entry->d_name);
        if (m_first) {
            seen.handedOut = m_ignoreFirst;
        } else if (before != m_seen.end() && before->second == seen) {
            seen.handedOut = true;
            if (!before->second.handedOut) stable.push_back(entry->d_name);
        }
        now.emplace(entry->d_name, seen);
    }
    m_seen = std::move(now);
    m_first = false;
    std::sort(stable.begin(), stable.end());
    return true;
}
