#pragma once
// The pictures of a folder whose size and modification time stayed the same between two looks: how `watch --poll`
// takes files on folders whose changes the system does not report (network file systems). Look is called once an
// interval; each version of a file (size, time, inode) is handed out once, after it was seen unchanged twice in a row.
// Every file is looked at while the folder is open, so one look is over when the folder is closed.

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class StableFiles {
public:
    // ignoreFirst: the files present at the first look are handed out only once they change.
    StableFiles(std::string folder, bool ignoreFirst) : m_folder(std::move(folder)), m_ignoreFirst(ignoreFirst) {}

    // The names that became stable since the last look, in order of name. False when the folder cannot be read.
    bool Look(std::vector<std::string>& stable);

private:
    struct Seen {
        off_t size = 0;
        std::int64_t modified = 0;
        ino_t inode = 0;
        bool handedOut = false;
        bool operator==(const Seen& other) const {
            return size == other.size && modified == other.modified && inode == other.inode;
        }
    };

    std::string m_folder;
    bool m_ignoreFirst;
    bool m_first = true;
    std::map<std::string, Seen> m_seen;
};
