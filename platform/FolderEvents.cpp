#include "platform/FolderEvents.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

FolderEvents::~FolderEvents() {
    if (m_fd >= 0) ::close(m_fd);
}

Status FolderEvents::Open() {
    if (m_fd >= 0) return Status::Ok();
    m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd < 0) return Status::Error(std::string("cannot watch folders: ") + std::strerror(errno));
    return Status::Ok();
}

Status FolderEvents::AddFolder(const std::string& path, int* id) {
    const int watch = ::inotify_add_watch(m_fd, path.c_str(),
                                          IN_CLOSE_WRITE | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR);
    if (watch < 0) return Status::Error(path + ": cannot watch the folder: " + std::strerror(errno));
    *id = watch;
    return Status::Ok();
}

Status FolderEvents::Read(std::vector<FolderEvent>& events) {
    // Aligned as the kernel's records are; one read takes many events.
    alignas(struct inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t length = ::read(m_fd, buffer, sizeof buffer);
        if (length < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN) return Status::Ok();
            return Status::Error(std::string("cannot read folder events: ") + std::strerror(errno));
        }
        if (length == 0) return Status::Ok();
        for (ssize_t offset = 0; offset < length;) {
            struct inotify_event record {};
            std::memcpy(&record, buffer + offset, sizeof record);
            const char* name = buffer + offset + sizeof record;
            offset += static_cast<ssize_t>(sizeof record + record.len);
            FolderEvent event;
            event.folder = record.wd;
            if ((record.mask & IN_Q_OVERFLOW) != 0) {
                event.kind = FolderEvent::Kind::Overflow;
            } else if ((record.mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) != 0) {
                event.kind = FolderEvent::Kind::FolderGone;
            } else if ((record.mask & (IN_CLOSE_WRITE | IN_MOVED_TO)) != 0 && record.len > 0 &&
                       (record.mask & IN_ISDIR) == 0) {
                event.name.assign(name, ::strnlen(name, record.len));
            } else {
                continue;
            }
            events.push_back(std::move(event));
        }
    }
}
