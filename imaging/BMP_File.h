#pragma once
// The one in-memory picture of Lumivane: a width, a height and width × height Pixels, row-major, row 0 at the top,
// rows unpadded (pixel (x, y) is element y × width + x). It reads and writes uncompressed 24-bit BMP files.
//
// Every operation keeps the invariant that the pixel block holds exactly width × height pixels; an operation that
// fails (a size beyond kMaxPixels, memory that cannot be had, a file that is refused) leaves the picture as it was.
// Out-of-range pixel access goes to a spare pixel: reads outside give its value (black unless an outside write of the
// same picture changed it) and writes outside are lost.

#include <cstdint>
#include <span>
#include <string>

#include "base/Status.h"
#include "imaging/Pixel.h"
#include "imaging/PixelBuffer.h"

class BMP_File {
public:
    BMP_File() = default;
    // An empty picture, then ReadBmp(path); the caller looks at the size to learn whether it was read.
    explicit BMP_File(const std::string& path);

    BMP_File(const BMP_File&) = delete;
    BMP_File& operator=(const BMP_File&) = delete;
    BMP_File(BMP_File&& other) noexcept;
    BMP_File& operator=(BMP_File&& other) noexcept;

    // Sets the size and fills the picture with black. Sizes of 0 give an empty picture. Returns false, leaving the
    // picture unchanged, for a negative size, a side beyond kMaxSide, more than kMaxPixels pixels, or memory that
    // cannot be had.
    bool Create(std::int32_t width, std::int32_t height);

    // Sets the size like Create but leaves the pixel values unspecified; for operations that write every pixel. The
    // block is reused when it is large enough.
    bool Reshape(std::int32_t width, std::int32_t height);

    // Makes this picture an exact copy of source (Create at its size, then a byte copy).
    bool CopyFrom(const BMP_File& source);

    // The pixel at (x, y) when 0 ≤ x < width and 0 ≤ y < height, otherwise the spare pixel.
    Pixel& PixelAt(std::int32_t x, std::int32_t y) {
        if (x < 0 || y < 0 || x >= m_nWidth || y >= m_nHeight) return m_spare;
        return m_pixels
            .Data()[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_nWidth) + static_cast<std::size_t>(x)];
    }
    const Pixel& PixelAt(std::int32_t x, std::int32_t y) const { return const_cast<BMP_File*>(this)->PixelAt(x, y); }

    // Reads a 24-bit BMP file, bottom-up or top-down, from the pixel offset its header gives (from byte 54 when that
    // offset lies before it or past the end). Fails with the picture unchanged, the message naming path and the
    // cause, when the file cannot be opened or read, is not a BMP file, is not 24 bits per pixel, announces a side of
    // 0, a negative width or a size beyond the picture limit (base/Limits.h), or more pixels than memory allows. A file
    // whose pixel data ends early is read with black rows where data is missing, and succeeds.
    Status ReadBmp(const std::string& path);
    // The same for a whole file already in memory; path names it in messages.
    Status ReadBmp(std::span<const std::uint8_t> file, const std::string& path);

    // Writes the picture as an uncompressed 24-bit bottom-up BMP file, replacing the target atomically. On failure
    // (the message naming the file and the cause) an existing target is untouched.
    Status WriteBmp(const std::string& path) const;

    // ReadBmp and WriteBmp telling only whether they succeeded.
    bool LoadBmp(const std::string& path) { return ReadBmp(path).ok(); }
    bool SaveBmp(const std::string& path) const { return WriteBmp(path).ok(); }

    // Swaps row y with row height − 1 − y; an odd middle row stays.
    void FlipVertical();
    // Swaps column x with column width − 1 − x in every row.
    void MirrorHorizontal();
    // Turns the picture a quarter turn clockwise: new (x, y) = old (y, H − 1 − x). Returns false, leaving the picture
    // unchanged, when memory cannot be had.
    bool RotateRight();
    // Makes target this picture turned a quarter turn clockwise, reusing target's block.
    bool RotateRightInto(BMP_File& target) const;

    std::int32_t Width() const { return m_nWidth; }
    std::int32_t Height() const { return m_nHeight; }
    std::size_t PixelCount() const { return static_cast<std::size_t>(m_nWidth) * static_cast<std::size_t>(m_nHeight); }
    bool IsEmpty() const { return PixelCount() == 0; }

    Pixel* Data() { return m_pixels.Data(); }
    const Pixel* Data() const { return m_pixels.Data(); }
    Pixel* Row(std::int32_t y) { return Data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(m_nWidth); }
    const Pixel* Row(std::int32_t y) const {
        return Data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(m_nWidth);
    }

    const Pixel& Spare() const { return m_spare; }

    // Exchanges pixels, sizes and spare pixels with other; no pixel is copied.
    void Swap(BMP_File& other) noexcept;

    // Gives the pixel block back and makes the picture 0 × 0.
    void Clear();

private:
    std::int32_t m_nWidth = 0;
    std::int32_t m_nHeight = 0;
    PixelBuffer m_pixels;
    Pixel m_spare{};
};
