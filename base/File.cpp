#include "base/File.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

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
