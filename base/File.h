#pragma once
// Owner of one open buffered standard-library stream: the stream is closed on every way out of the scope that
// opened it. ReadRest takes the rest of an open file into memory, for readers that work on the whole file;
// ReadSmallRegularFile reads a settings file whole, refusing anything that is not a small regular file.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>

#include "base/Status.h"

class File {
public:
    File() = default;
    File(const char* path, const char* mode) : m_pStream(std::fopen(path, mode)) {}
    ~File() { Close(); }

    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File(File&& other) noexcept : m_pStream(other.m_pStream) { other.m_pStream = nullptr; }
    File& operator=(File&& other) noexcept {
        if (this != &other) {
            Close();
            m_pStream = other.m_pStream;
            other.m_pStream = nullptr;
        }
        return *this;
    }

    bool IsOpen() const { return m_pStream != nullptr; }
    std::FILE* Get() const { return m_pStream; }

    // Closes the stream; returns false when closing reported an error (data that could not be written).
    bool Close() {
        if (m_pStream == nullptr) return true;
        const int rc = std::fclose(m_pStream);
        m_pStream = nullptr;
        return rc == 0;
    }

    std::FILE* m_pStream = nullptr;
};

// An uninitialised block of count bytes, or an empty pointer when memory cannot be had (no exception).
std::unique_ptr<std::uint8_t[]> TryAllocate(std::size_t count);

// A file's bytes in one block.
struct FileBytes {
    std::unique_ptr<std::uint8_t[]> data;
    std::size_t size = 0;

    std::span<const std::uint8_t> View() const { return {data.get(), size}; }
};

// Reads everything left in file into bytes, after head: the bytes already read from the file's start, which begin the
// block. The block starts one byte larger than the size the file has now, so a regular file takes one read; a file
// that grows meanwhile, or has no size (a pipe), grows it. Fails, the message naming path, when memory cannot be had
// or a read fails; bytes is then unchanged.
Status ReadRest(File& file, const std::string& path, std::span<const std::uint8_t> head, FileBytes& bytes);

// Reads the whole of a small settings file into text. Only a regular file is read: it is opened without blocking (so
// a named pipe with no writer cannot hang the caller) and examined before a byte is read; a named pipe, a device or
// a folder is refused at once, and so is a file of more than maxBytes (also one that grows past it while read).
// Fails, the message naming path and the cause, with text unchanged.
Status ReadSmallRegularFile(const std::string& path, std::size_t maxBytes, std::string& text);
