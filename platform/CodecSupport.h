#pragma once
// Small pieces every codec shares: the size check that comes before any allocation, the picture a decoder fills,
// compositing over white, buffers that report a failed allocation instead of throwing, and the sink an encoder
// writes into. Decoders work on a private picture and hand it over only when the whole file was read, so a failure
// never leaves a half-decoded picture behind.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string>

#include "base/AtomicFile.h"
#include "base/File.h"
#include "base/Limits.h"
#include "base/Status.h"
#include "imaging/BMP_File.h"
#include "platform/Resolution.h"

namespace codec {

// A resolution converted from another unit, to a hundredth of a dot per inch: 11811 pixels per metre is 300 dpi, not
// 299.9994.
inline double DotsPerInch(double converted) {
    return std::round(converted * 100.0) / 100.0;
}

// Refuses a size that is empty or beyond the picture limit, before anything is allocated. `path` starts the message.
inline Status CheckPictureSize(const std::string& path, std::int64_t width, std::int64_t height) {
    return CheckPictureLimit(path, width, height);
}

// Refuses, before anything is allocated, a picture an encoder cannot hold: an empty one, or one with a side beyond
// the format's own limit. `format` names the format in the message ("JPEG").
inline Status CheckEncodeSize(const std::string& path, const BMP_File& picture, const char* format,
                              std::int64_t maxSide) {
    if (picture.IsEmpty()) return Status::Error(path + ": cannot save an empty picture as " + format);
    if (picture.Width() > maxSide || picture.Height() > maxSide) {
        return Status::Error(path + ": a picture of " + std::to_string(picture.Width()) + " × " +
                             std::to_string(picture.Height()) + " pixels is too large for a " + format +
                             " file (at most " + std::to_string(maxSide) + " on each side)");
    }
    return Status::Ok();
}

// Checks the size, then sizes `picture` (pixel values unspecified: the decoder writes every one).
inline Status ShapePicture(const std::string& path, std::int64_t width, std::int64_t height, BMP_File& picture) {
    if (Status fits = CheckPictureSize(path, width, height); !fits) return fits;
    if (!picture.Reshape(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height))) {
        return Status::Error(path + ": not enough memory for a picture of " + std::to_string(width) + " × " +
                             std::to_string(height) + " pixels");
    }
    return Status::Ok();
}

// A colour value c of opacity a (0 transparent .. 255 opaque) laid over white, rounded to nearest:
// (c·a + 255·(255 − a)) / 255.
inline std::uint8_t OverWhite(std::uint32_t c, std::uint32_t a) {
    const std::uint32_t x = c * a + 255u * (255u - a) + 128u;  // at most 65153: the shift form below is exact
    return static_cast<std::uint8_t>((x + (x >> 8)) >> 8);
}

inline Pixel OverWhite(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
    return Pixel{OverWhite(r, a), OverWhite(g, a), OverWhite(b, a)};
}

// Byte buffers that report a failed allocation as an empty pointer.
using ::TryAllocate;

// Where an encoder writes: the temporary file of an AtomicFile. The first failed write is remembered; the encoder
// then stops, and committing the file reports the cause (the target stays untouched).
class EncodeSink {
public:
    explicit EncodeSink(AtomicFile& file) : m_file(file) {}

    bool Write(const void* data, std::size_t size) {
        if (m_failed) return false;
        m_failed = !m_file.Write(data, size);
        return !m_failed;
    }
    bool Failed() const { return m_failed; }

private:
    AtomicFile& m_file;
    bool m_failed = false;
};

}  // namespace codec
