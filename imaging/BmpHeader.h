#pragma once
// The arithmetic of BMP files that BMP_File's own 24-bit reader and writer and the general BMP decoder of the codecs
// share: little-endian numbers, the file header and the info header read at their fixed offsets, the row stride, and
// the conversion of a stored 24-bit row. What a reader does with a file that is too short is its own rule: the
// callers check sizes before they read a field here.
//
// Layout: a 14-byte file header ("BM", file size, two reserved words, the offset of the pixel rows), then an info
// header whose first four bytes give its size: 12 for the old core header (16-bit width and height), 40 and more for
// the info headers (signed 32-bit width and height, a negative height meaning rows stored top-down). Rows are padded
// to a multiple of four bytes; pixels of 24 bits are stored blue, green, red.

#include <cstddef>
#include <cstdint>
#include <span>

#include "imaging/Pixel.h"

namespace bmp {

inline constexpr std::size_t kFileHeaderBytes = 14;
inline constexpr std::size_t kCoreHeaderBytes = 12;
inline constexpr std::size_t kInfoHeaderBytes = 40;
inline constexpr std::size_t kHeaderBytes = kFileHeaderBytes + kInfoHeaderBytes;  // 54

// biCompression
inline constexpr std::uint32_t kRgb = 0;
inline constexpr std::uint32_t kRle8 = 1;
inline constexpr std::uint32_t kRle4 = 2;
inline constexpr std::uint32_t kBitFields = 3;
inline constexpr std::uint32_t kAlphaBitFields = 6;

inline std::uint32_t Le16(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8;
}

inline std::uint32_t Le32(const std::uint8_t* p) {
    return Le16(p) | Le16(p + 2) << 16;
}

inline void PutLe16(std::uint8_t* p, std::uint32_t value) {
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
}

inline void PutLe32(std::uint8_t* p, std::uint32_t value) {
    PutLe16(p, value);
    PutLe16(p + 2, value >> 16);
}

// Bytes of one stored row: width pixels of bitCount bits, padded to a multiple of four bytes (width ≥ 0).
constexpr std::int64_t RowStride(std::int64_t width, int bitCount) {
    return (width * bitCount + 31) / 32 * 4;
}

// The fields of the two headers that the readers use.
struct Headers {
    std::uint32_t pixelOffset = 0;  // bfOffBits: where the pixel rows start, as the file says
    std::uint32_t infoSize = 0;     // biSize
    std::int64_t width = 0;         // as stored: negative in a damaged info header
    std::int64_t height = 0;        // the number of rows, without the sign
    bool topDown = false;           // the stored height was negative
    int bitCount = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t colorsUsed = 0;  // biClrUsed; 0 in a core header
};

// True when bytes start with "BM".
bool HasSignature(std::span<const std::uint8_t> bytes);

// The headers read as a file header and an info header of the 40-byte layout, whatever biSize says (its larger
// successors share those fields). bytes must hold at least kHeaderBytes.
Headers ReadInfoHeaders(std::span<const std::uint8_t> bytes);

// The headers read as a file header and a 12-byte core header: 16-bit width, height and bit count, no compression.
// bytes must hold at least kFileHeaderBytes + kCoreHeaderBytes.
Headers ReadCoreHeaders(std::span<const std::uint8_t> bytes);

// True when the file's first bytes are those of a file that BMP_File reads as it is: "BM", an info header of at least
// 40 bytes, 24 bits a pixel, no compression. Needs 34 bytes; fewer give false.
bool IsPlainBmp24(std::span<const std::uint8_t> header);

// The 54 header bytes BMP_File writes for an uncompressed 24-bit bottom-up file of width × height pixels: sizes from
// the row stride, 2834 pixels a metre both ways, no colour table.
void WriteHeaders24(std::int32_t width, std::int32_t height, std::uint8_t (&out)[kHeaderBytes]);

// One stored 24-bit row (blue, green, red for each pixel) to width pixels, and width pixels to a stored row (the
// padding is the caller's).
void RowFromBgr(const std::uint8_t* in, std::int64_t width, Pixel* out);
void RowToBgr(const Pixel* in, std::int64_t width, std::uint8_t* out);

}  // namespace bmp
