#include "platform/NoReplace.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// Enough numbered names for any folder a person keeps; past this the folder is treated as full.
constexpr int kMaxNumber = 100000;

std::string ErrnoText(int error) {
    return std::strerror(error);
}

// Renames without replacing: the kernel's no-replace rename where the file system has it, otherwise a hard link
// (which also fails on an existing name) and the removal of the old name. Returns 0 or an errno value.
int RenameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return errno;
    if (::link(from.c_str(), to.c_str()) != 0) return errno;
    ::unlink(from.c_str());
    return 0;
}

std::string FileNameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Copies the bytes of from into the open descriptor to; returns 0 or an errno value.
int CopyBytes(int from, int to) {
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(from, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (got == 0) return 0;
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(to, buffer + done, static_cast<std::size_t>(got - done));
            if (put < 0) {
                if (errno == EINTR) continue;
                return errno;
            }
            done += put;
        }
    }
}

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return m_fd; }
    int Close() {
        const int rc = ::close(m_fd);
        m_fd = -1;
        return rc;
    }

private:
    int m_fd;
};

}  // namespace

std::string NumberedName(const std::string& path, int number) {
    if (number == 0) return path;
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    const std::size_t cut = hasExtension ? dot : path.size();
    return path.substr(0, cut) + "-" + std::to_string(number) + path.substr(cut);
}

Status RenameWithoutReplacing(const std::string& from, const std::string& wanted, std::string* placed) {
    for (int number = 0; number <= kMaxNumber; ++number) {
        const std::string candidate = NumberedName(wanted, number);
        const int error = RenameNoReplace(from, candidate);
        if (error == 0) {
            *placed = candidate;
            return Status::Ok();
        }
        if (error != EEXIST) return Status::Error(candidate + ": cannot write: " + ErrnoText(error));
    }
    return Status::Error(wanted + ": cannot write: every numbered name is taken");
}

Status MoveWithoutReplacing(const std::string& file, const std::string& folder, std::string* placed) {
    const std::string wanted = folder + "/" + FileNameOf(file);
    for (int number = 0; number <= kMaxNumber; ++number) {
        const std::string candidate = NumberedName(wanted, number);
        const int error = RenameNoReplace(file, candidate);
        if (error == 0) {
            *placed = candidate;
            return Status::Ok();
        }
        if (error == EEXIST) continue;
        if (error != EXDEV) return Status::Error(file + ": cannot move to " + folder + ": " + ErrnoText(error));
        break;
    }

    // Another file system: copy to a temporary name beside the target, sync, name it, then remove the original.
    Descriptor source(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (source.Get() < 0) return Status::Error(file + ": cannot move to " + folder + ": " + ErrnoText(errno));
    struct stat info {};
    if (::fstat(source.Get(), &info) != 0) {
        return Status::Error(file + ": cannot move to " + folder + ": " + ErrnoText(errno));
    }
    const std::string temporary = folder + "/." + FileNameOf(file) + "." + std::to_string(::getpid()) + ".part";
    Descriptor target(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, info.st_mode & 0777));
    if (target.Get() < 0) return Status::Error(file + ": cannot move to " + folder + ": " + ErrnoText(errno));
    int error = CopyBytes(source.Get(), target.Get());
    if (error == 0 && ::fsync(target.Get()) != 0) error = errno;
    if (target.Close() != 0 && error == 0) error = errno;
    if (error == 0) {
        if (Status named = RenameWithoutReplacing(temporary, wanted, placed); !named) {
            ::unlink(temporary.c_str());
            return Status::Error(file + ": cannot move to " + folder + ": " + named.message());
        }
        // The new name reaches the disk before the original goes.
        Descriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (directory.Get() >= 0) ::fsync(directory.Get());
        if (::unlink(file.c_str()) != 0) {
            return Status::Error(file + ": copied to " + *placed + " but cannot remove it: " + ErrnoText(errno));
        }
        return Status::Ok();
    }
    ::unlink(temporary.c_str());
    return Status::Error(file + ": cannot move to " + folder + ": " + ErrnoText(error));
}
