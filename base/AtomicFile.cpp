#include "base/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <random>
#include <utility>

namespace {

std::string ErrnoText(int error) {
    return std::strerror(error);
}

std::string DirectoryOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Follows a chain of symbolic links to the file that is to be replaced. A dangling link resolves to the path it names,
// so the write creates that file and the link stays a link.
std::string ResolveLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
        std::string buffer(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 256) + 1, '\0');
        const ssize_t length = ::readlink(path.c_str(), buffer.data(), buffer.size());
        if (length < 0) return path;
        buffer.resize(static_cast<std::size_t>(length));
        if (!buffer.empty() && buffer[0] == '/') {
            path = buffer;
        } else {
            path = DirectoryOf(path) + "/" + buffer;
        }
    }
    return path;
}

std::string UniqueSuffix() {
    static std::atomic<unsigned> counter{0};
    thread_local std::mt19937 random{std::random_device{}()};
    return std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1)) + "-" +
           std::to_string(random() % 1000000u);
}

}  // namespace

std::string AtomicFile::TemporaryNameIn(const std::string& folder) const {
    return folder + "/." + BaseNameOf(m_resolved) + "." + UniqueSuffix() + ".tmp";
}

namespace {

// Gives the open unnamed file fd the name path: by its descriptor where the process may (AT_EMPTY_PATH needs a
// capability), else through its entry in /proc. 0 or the errno of the failure (EEXIST when path is taken).
int LinkUnnamed(int fd, const std::string& path) {
    if (::linkat(fd, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) == 0) return 0;
    if (errno == EEXIST) return EEXIST;
    const std::string proc = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
    return errno;
}

}  // namespace

AtomicFile::AtomicFile(std::string target) : m_target(std::move(target)) {}

AtomicFile::~AtomicFile() {
    Discard();
}

Status AtomicFile::Open() {
    Discard();
    m_writeFailed = false;
    m_writeErrno = 0;
    m_resolved = ResolveLinks(m_target);
    const std::string folder = DirectoryOf(m_resolved);
    // An unnamed file first: it gets a name only when Commit links it in, so a process killed while writing leaves
    // nothing behind. 0666 so that the umask decides the permissions of a new file, as a plain create would.
    // Linking it in needs its /proc entry unless the process has the capability to link by descriptor.
    const int unnamed =
        ::access("/proc/self/fd", X_OK) == 0 ? ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666) : -1;
    if (unnamed >= 0) {
        m_stream = ::fdopen(unnamed, "wb");
        if (m_stream != nullptr) return Status::Ok();
        ::close(unnamed);
    }
    // File systems without unnamed files (and errors, which the named create reports in its own words).
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = TemporaryNameIn(folder);
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return Status::Error(m_target + ": cannot write: " + ErrnoText(errno));
        }
        m_stream = ::fdopen(fd, "wb");
        if (m_stream == nullptr) {
            const int error = errno;
            ::close(fd);
            ::unlink(candidate.c_str());
            return Status::Error(m_target + ": cannot write: " + ErrnoText(error));
        }
        m_tempPath = std::move(candidate);
        return Status::Ok();
    }
    return Status::Error(m_target + ": cannot write: no free temporary name in " + folder);
}

bool AtomicFile::Write(const void* data, std::size_t size) {
    if (m_stream == nullptr || m_writeFailed) return false;
    if (size == 0) return true;
    if (std::fwrite(data, 1, size, m_stream) != size) {
        m_writeFailed = true;
        m_writeErrno = errno;
        return false;
    }
    return true;
}

Status AtomicFile::Commit() {
    if (m_stream == nullptr) return Status::Error(m_target + ": cannot write: the file was not opened");
    int error = 0;
    if (m_writeFailed) error = m_writeErrno != 0 ? m_writeErrno : EIO;
    if (error == 0 && std::fflush(m_stream) != 0) error = errno;
    if (error == 0 && std::ferror(m_stream)) error = EIO;
    if (error == 0 && ::fsync(::fileno(m_stream)) != 0 && errno != EINVAL) error = errno;
    if (error == 0) {
        // An existing target keeps its permissions and, where allowed, its owner.
        struct stat info {};
        if (::stat(m_resolved.c_str(), &info) == 0) {
            ::fchmod(::fileno(m_stream), info.st_mode & 07777);
            if (::fchown(::fileno(m_stream), info.st_uid, info.st_gid) != 0) {
                // Only the owner's group or root may change ownership; the permissions are what matters.
            }
        }
    }
    // An unnamed file is linked in after its stream is closed, through a second descriptor.
    const bool unnamed = m_tempPath.empty();
    const int linkFd = error == 0 && unnamed ? ::fcntl(::fileno(m_stream), F_DUPFD_CLOEXEC, 0) : -1;
    if (error == 0 && unnamed && linkFd < 0) error = errno;
    const bool closed = std::fclose(m_stream) == 0;
    m_stream = nullptr;
    if (error == 0 && !closed) error = errno != 0 ? errno : EIO;
    if (error == 0 && unnamed) {
        // No target yet: the file takes its name in one step. Otherwise it gets a temporary name beside the target,
        // to be renamed over it; only a kill between the two steps can leave that name behind.
        error = LinkUnnamed(linkFd, m_resolved);
        if (error == 0) {
            ::close(linkFd);
            SyncFolder();
            return Status::Ok();
        }
        for (int attempt = 0; attempt < 100 && (error == EEXIST || error == 0); ++attempt) {
            std::string candidate = TemporaryNameIn(DirectoryOf(m_resolved));
            error = LinkUnnamed(linkFd, candidate);
            if (error == 0) {
                m_tempPath = std::move(candidate);
                break;
            }
        }
    }
    if (linkFd >= 0) ::close(linkFd);
    if (error == 0 && ::rename(m_tempPath.c_str(), m_resolved.c_str()) != 0) error = errno;
    if (error != 0) {
        if (!m_tempPath.empty()) ::unlink(m_tempPath.c_str());
        m_tempPath.clear();
        return Status::Error(m_target + ": cannot write: " + ErrnoText(error));
    }
    m_tempPath.clear();
    SyncFolder();
    return Status::Ok();
}

void AtomicFile::SyncFolder() const {
    // Make the new name itself durable; a folder that cannot be synced does not undo the save.
    const int dir = ::open(DirectoryOf(m_resolved).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

void AtomicFile::Discard() {
    if (m_stream != nullptr) {
        std::fclose(m_stream);
        m_stream = nullptr;
    }
    if (!m_tempPath.empty()) {
        ::unlink(m_tempPath.c_str());
        m_tempPath.clear();
    }
}

Status WriteFileAtomically(const std::string& path, const void* data, std::size_t size) {
    AtomicFile file(path);
    if (Status opened = file.Open(); !opened) return opened;
    file.Write(data, size);
    return file.Commit();
}
