#include "platform/PictureSize.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/File.h"

namespace {

// A JPEG file's frame header comes after its tables and any metadata (a large thumbnail too); this much is enough
// for every camera file seen, and a file whose header comes later is decoded under the program's own limit.
constexpr std::size_t kHeadBytes = 1 << 20;

std::uint32_t Big16(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) << 8 | p[1];
}
std::uint32_t Big32(const std::uint8_t* p) {
    return Big16(p) << 16 | Big16(p + 2);
}
std::uint32_t Little16(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[1]) << 8 | p[0];
}
std::uint32_t Little32(const std::uint8_t* p) {
    return Little16(p + 2) << 16 | Little16(p);
}

std::optional<PictureSize> JpegSize(std::span<const std::uint8_t> bytes) {
    std::size_t at = 2;
    while (at + 4 <= bytes.size()) {
        if (bytes[at] != 0xFF) return std::nullopt;
        const std::uint8_t marker = bytes[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // no length
            at += 2;
            continue;
        }
        const std::size_t length = Big16(&bytes[at + 2]);
        if (length < 2) return std::nullopt;
        // Start of frame: every SOFn except DHT (C4), JPG (C8) and DAC (CC).
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            if (at + 9 > bytes.size()) return std::nullopt;
            return PictureSize{Big16(&bytes[at + 7]), Big16(&bytes[at + 5])};
        }
        if (marker == 0xDA) return std::nullopt;  // scan data before any frame header
        at += 2 + length;
    }
    return std::nullopt;
}

}  // namespace

std::optional<PictureSize> DeclaredSize(std::span<const std::uint8_t> bytes) {
    static constexpr std::uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (bytes.size() >= 24 && std::memcmp(bytes.data(), kPng, 8) == 0 && std::memcmp(&bytes[12], "IHDR", 4) == 0) {
        return PictureSize{Big32(&bytes[16]), Big32(&bytes[20])};
    }
    if (bytes.size() >= 10 &&
        (std::memcmp(bytes.data(), "GIF87a", 6) == 0 || std::memcmp(bytes.data(), "GIF89a", 6) == 0)) {
        return PictureSize{Little16(&bytes[6]), Little16(&bytes[8])};
    }
    if (bytes.size() >= 26 && bytes[0] == 'B' && bytes[1] == 'M') {
        if (Little32(&bytes[14]) == 12) return PictureSize{Little16(&bytes[18]), Little16(&bytes[20])};
        const auto width = static_cast<std::int32_t>(Little32(&bytes[18]));
        const auto height = static_cast<std::int32_t>(Little32(&bytes[22]));
        return PictureSize{std::abs(static_cast<std::int64_t>(width)), std::abs(static_cast<std::int64_t>(height))};
    }
    if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) return JpegSize(bytes);
    return std::nullopt;
}

std::optional<PictureSize> DeclaredSizeOfFile(const std::string& path) {
    File file(path.c_str(), "rb");
    if (!file.IsOpen()) return std::nullopt;
    // Enough for every format but JPEG at once; JPEG in growing steps until its frame header is in.
    std::vector<std::uint8_t> head(64);
    std::size_t got = std::fread(head.data(), 1, head.size(), file.Get());
    for (;;) {
        const std::span<const std::uint8_t> view(head.data(), got);
        if (const auto size = DeclaredSize(view)) return size;
        const bool jpeg = got >= 3 && head[0] == 0xFF && head[1] == 0xD8;
        if (!jpeg || got < head.size() || head.size() >= kHeadBytes) return std::nullopt;
        head.resize(std::min(kHeadBytes, head.size() * 16));
        got += std::fread(head.data() + got, 1, head.size() - got, file.Get());
    }
}
