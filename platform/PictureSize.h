#pragma once
// The width and height a picture file declares, read from its first bytes without decoding it, so that a caller can
// refuse a picture too large for it before any memory goes to its pixels. Knows PNG (IHDR), GIF (logical screen),
// BMP (info or core header) and JPEG (the first frame header).

#include <cstdint>
#include <optional>
#include <span>
#include <string>

struct PictureSize {
    std::int64_t width = 0;
    std::int64_t height = 0;
};

// The declared size, or nothing when the bytes are not the start of a picture of a known format or end too early.
std::optional<PictureSize> DeclaredSize(std::span<const std::uint8_t> bytes);

// DeclaredSize of the file's first bytes (the start of a JPEG file up to its frame header); nothing when the file
// cannot be read.
std::optional<PictureSize> DeclaredSizeOfFile(const std::string& path);
