#include "base/File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <string>

std::unique_ptr<std::uint8_t[]> TryAllocate(std::size_t count) {
    return std::unique_ptr<std::uint8_t[]>(new (std::nothrow) std::uint8_t[count == 0 ? 1 : count]);
}

Status ReadRest(File& file, const std::string& path, std::span<const std::uint8_t> head, FileBytes& bytes) {
    const auto noMemory = [&] { return Status::Error(path + ": not enough memory to read the file"); };
    struct stat info {};
    const off_t measured = ::fstat(::fileno(file.Get()), &info) == 0 ? std::max<off_t>(info.st_size, 0) : 0;
    std::size_t capacity = std::max<std::size_t>(static_cast<std::size_t>(measured), head.size()) + 1;
    std::unique_ptr<std::uint8_t[]> block = TryAllocate(capacity);
    if (!block) return noMemory();
    if (!head.empty()) std::memcpy(block.get(), head.data(), head.size());
    std::size_t size = head.size();
    for (;;) {
        size += std::fread(block.get() + size, 1, capacity - size, file.Get());
        if (size < capacity) break;
        std::unique_ptr<std::uint8_t[]> grown = TryAllocate(capacity * 2);
        if (!grown) return noMemory();
        std::memcpy(grown.get(), block.get(), size);
        block = std::move(grown);
        capacity *= 2;
    }
    if (std::ferror(file.Get())) return Status::Error(path + ": cannot read: " + std::strerror(errno));
    bytes.data = std::move(block);
    bytes.size = size;
    return Status::Ok();
}

namespace {

// What kind of file a mode names, for the message that refuses it.
const char* KindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a named pipe";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    if (S_ISSOCK(mode)) return "a socket";
    return "of another kind";
}

std::string SizeText(std::size_t bytes) {
    if (bytes % (1u << 20) == 0) return std::to_string(bytes >> 20) + " MiB";
    return std::to_string(bytes) + " bytes";
}

}  // namespace

Status ReadSmallRegularFile(const std::string& path, std::size_t maxBytes, std::string& text) {
    const auto fail = [&](const std::string& cause) { return Status::Error(path + ": " + cause); };
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return fail(std::string("cannot open: ") + std::strerror(errno));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0) return fail(std::string("cannot read: ") + std::strerror(errno));
    if (!S_ISREG(info.st_mode)) return fail(std::string("not a regular file (") + KindOf(info.st_mode) + ")");
    const auto tooLarge = [&] { return fail("larger than " + SizeText(maxBytes) + "; not read"); };
    if (static_cast<std::uint64_t>(info.st_size) > maxBytes) return tooLarge();

    std::string content;
    content.resize(static_cast<std::size_t>(info.st_size) + 1);  // one byte more shows a file that grew
    std::size_t size = 0;
    for (;;) {
        if (size == content.size()) {
            if (size > maxBytes) return tooLarge();
            content.resize(std::min(content.size() * 2, maxBytes + 1));
        }
        const ssize_t got = ::read(fd, content.data() + size, content.size() - size);
        if (got < 0) {
            if (errno == EINTR) continue;
            return fail(std::string("cannot read: ") + std::strerror(errno));
        }
        if (got == 0) break;
        size += static_cast<std::size_t>(got);
    }
    if (size > maxBytes) return tooLarge();
    content.resize(size);
    text = std::move(content);
    return Status::Ok();
}
