#pragma once
// Files that become complete in watched folders, through inotify: a file closed after being written, or moved in
// from elsewhere. A file still being written gives no event until its writer closes it, so a name seen here is whole
// as far as its writer is concerned. The descriptor is non-blocking; wait on it with poll() and then Read.

#include <string>
#include <vector>

#include "base/Status.h"

struct FolderEvent {
    enum class Kind {
        FileDone,    // `name` in folder `folder` was closed after writing or moved in
        Overflow,    // the kernel dropped events: look at every folder again
        FolderGone,  // folder `folder` was removed or moved away
    };
    Kind kind = Kind::FileDone;
    int folder = -1;  // the id AddFolder gave
    std::string name;
};

class FolderEvents {
public:
    FolderEvents() = default;
    ~FolderEvents();
    FolderEvents(const FolderEvents&) = delete;
    FolderEvents& operator=(const FolderEvents&) = delete;

    // Opens the inotify instance.
    Status Open();

    // Watches one folder (not its subfolders); *id names it in the events. The error names the folder.
    Status AddFolder(const std::string& path, int* id);

    // The descriptor to wait on.
    int Descriptor() const { return m_fd; }

    // Appends the events waiting now to events, without blocking.
    Status Read(std::vector<FolderEvent>& events);

private:
    int m_fd = -1;
};
