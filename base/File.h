#pragma once
// Owner of one open buffered standard-library stream: the stream is closed on every way out of the scope that
// opened it.

#include <cstdio>

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
