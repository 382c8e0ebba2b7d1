#include "imaging/BmpHeader.h"

namespace bmp {

bool HasSignature(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M';
}

Headers ReadInfoHeaders(std::span<const std::uint8_t> bytes) {
    const std::uint8_t* p = bytes.data();
    Headers headers;
    headers.pixelOffset = Le32(p + 10);
    headers.infoSize = Le32(p + 14);
    headers.width = static_cast<std::int32_t>(Le32(p + 18));
    const auto height = static_cast<std::int32_t>(Le32(p + 22));
    headers.topDown = height < 0;
    headers.height = height < 0 ? -std::int64_t{height} : std::int64_t{height};
    headers.bitCount = static_cast<int>(Le16(p + 28));
    headers.compression = Le32(p + 30);
    headers.colorsUsed = Le32(p + 46);
    return headers;
}

Headers ReadCoreHeaders(std::span<const std::uint8_t> bytes) {
    const std::uint8_t* p = bytes.data();
    Headers headers;
    headers.pixelOffset = Le32(p + 10);
    headers.infoSize = Le32(p + 14);
    headers.width = Le16(p + 18);
    headers.height = Le16(p + 20);
    headers.bitCount = static_cast<int>(Le16(p + 24));
    return headers;
}

bool IsPlainBmp24(std::span<const std::uint8_t> header) {
    const std::uint8_t* p = header.data();
    return header.size() >= 34 && HasSignature(header) && Le32(p + 14) >= kInfoHeaderBytes && Le16(p + 28) == 24 &&
           Le32(p + 30) == kRgb;
}

void WriteHeaders24(std::int32_t width, std::int32_t height, std::uint8_t (&out)[kHeaderBytes]) {
    const std::int64_t imageBytes = RowStride(width, 24) * height;
    for (std::uint8_t& byte : out) byte = 0;
    PutLe16(out + 0, 0x4D42);  // "BM"
    PutLe32(out + 2, static_cast<std::uint32_t>(imageBytes + static_cast<std::int64_t>(kHeaderBytes)));
    PutLe32(out + 10, static_cast<std::uint32_t>(kHeaderBytes));
    PutLe32(out + 14, static_cast<std::uint32_t>(kInfoHeaderBytes));
    PutLe32(out + 18, static_cast<std::uint32_t>(width));
    PutLe32(out + 22, static_cast<std::uint32_t>(height));
    PutLe16(out + 26, 1);  // planes
    PutLe16(out + 28, 24);
    PutLe32(out + 30, kRgb);
    PutLe32(out + 34, static_cast<std::uint32_t>(imageBytes));
    PutLe32(out + 38, 2834);  // 72 pixels an inch
    PutLe32(out + 42, 2834);
}

void RowFromBgr(const std::uint8_t* in, std::int64_t width, Pixel* out) {
    for (std::int64_t x = 0; x < width; ++x, in += 3) out[x] = Pixel{in[2], in[1], in[0]};
}

void RowToBgr(const Pixel* in, std::int64_t width, std::uint8_t* out) {
    for (std::int64_t x = 0; x < width; ++x, out += 3) {
        out[0] = in[x].b;
        out[1] = in[x].g;
        out[2] = in[x].r;
    }
}

}  // namespace bmp
