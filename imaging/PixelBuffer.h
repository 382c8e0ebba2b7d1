#pragma once
// Owner of one contiguous block of pixels that is kept when a smaller picture follows, so that re-running the chain
// reuses it instead of paying for fresh pages. Large blocks come straight from the kernel, already zero, and are
// offered transparent huge pages, which cuts the page faults of a fresh 72 MB picture from thousands to dozens.

#include <cstddef>

#include "imaging/Pixel.h"

class PixelBuffer {
public:
    PixelBuffer() = default;
    ~PixelBuffer();

    PixelBuffer(const PixelBuffer&) = delete;
    PixelBuffer& operator=(const PixelBuffer&) = delete;
    PixelBuffer(PixelBuffer&& other) noexcept;
    PixelBuffer& operator=(PixelBuffer&& other) noexcept;

    // Makes room for count pixels. When the block has to be replaced its contents are not kept, and *fresh (when
    // given) tells whether the new block is known to be all zero bytes. Returns false, leaving the buffer exactly as
    // it was, when the memory cannot be had.
    bool Reserve(std::size_t count, bool* fresh = nullptr);

    // Gives the memory back.
    void Release();

    Pixel* Data() { return m_data; }
    const Pixel* Data() const { return m_data; }
    std::size_t Capacity() const { return m_capacity; }

    void Swap(PixelBuffer& other) noexcept;

private:
    Pixel* m_data = nullptr;
    std::size_t m_capacity = 0;     // in pixels
    std::size_t m_mappedBytes = 0;  // non-zero when the block is a mapping of this many bytes
    void* m_mapping = nullptr;
};
