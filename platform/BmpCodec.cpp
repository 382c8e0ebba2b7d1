#include "platform/BmpCodec.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "imaging/BmpHeader.h"
#include "platform/CodecSupport.h"

namespace {

using bmp::kAlphaBitFields;
using bmp::kBitFields;
using bmp::kFileHeaderBytes;
using bmp::kRgb;
using bmp::kRle4;
using bmp::kRle8;

// One channel of a masked pixel: the bits under the mask, scaled to 0..255 with rounding.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint64_t max = 0;  // the largest value under the mask; 0 when there is no mask

    std::uint8_t Of(std::uint32_t pixel) const {
        if (max == 0) return 0;
        const std::uint64_t value = (pixel & mask) >> shift;
        return static_cast<std::uint8_t>((value * 255 + max / 2) / max);
    }
};

// False for a mask whose bits are not one contiguous run.
bool MakeChannel(std::uint32_t mask, Channel& channel) {
    channel = Channel{};
    channel.mask = mask;
    if (mask == 0) return true;
    channel.shift = std::countr_zero(mask);
    const std::uint32_t run = mask >> channel.shift;
    if ((run & (run + 1)) != 0) return false;
    channel.max = run;
    return true;
}

struct BmpLayout {
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool topDown = false;
    int bitCount = 0;
    std::uint32_t compression = kRgb;
    std::size_t pixelOffset = 0;
    Pixel palette[256] = {};  // entries past the file's table stay black
    Channel red, green, blue, alpha;
};

Status Invalid(const std::string& path, const std::string& cause) {
    return Status::Error(path + ": invalid BMP file (" + cause + ")");
}

Status ReadLayout(const std::string& path, std::span<const std::uint8_t> bytes, BmpLayout& layout) {
    if (bytes.size() < kFileHeaderBytes + 4 || !bmp::HasSignature(bytes)) {
        return Status::Error(path + ": not a BMP file");
    }
    const std::uint32_t headerSize = bmp::Le32(bytes.data() + 14);
    const bool core = headerSize == bmp::kCoreHeaderBytes;
    if (!core && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 64 && headerSize != 108 &&
        headerSize != 124) {
        return Invalid(path, "unknown header size " + std::to_string(headerSize));
    }
    if (bytes.size() < kFileHeaderBytes + headerSize) return Invalid(path, "the header is incomplete");

    const bmp::Headers headers = core ? bmp::ReadCoreHeaders(bytes) : bmp::ReadInfoHeaders(bytes);
    const std::size_t paletteEntryBytes = core ? 3 : 4;
    const std::uint32_t colorsUsed = headers.colorsUsed;
    layout.width = headers.width;
    layout.height = headers.height;
    layout.topDown = headers.topDown;
    layout.bitCount = headers.bitCount;
    layout.compression = headers.compression;
    const int bits = layout.bitCount;
    const std::uint32_t compression = layout.compression;
    if (headerSize == 64 && compression > kRle4) {
        return Invalid(path, "compression " + std::to_string(compression) + " is not supported");
    }
    const bool masked = compression == kBitFields || compression == kAlphaBitFields;
    const bool known = (compression == kRgb &&
                        (bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32)) ||
                       (compression == kRle8 && bits == 8) || (compression == kRle4 && bits == 4) ||
                       (masked && (bits == 16 || bits == 32));
    if (!known) {
        return Invalid(path, std::to_string(bits) + " bits a pixel with compression " + std::to_string(compression) +
                                 " is not supported");
    }
    if (layout.width < 1 || layout.height < 1) {
        return Invalid(path, "a size of " + std::to_string(layout.width) + " × " + std::to_string(layout.height));
    }
    if ((compression == kRle8 || compression == kRle4) && layout.topDown) {
        return Invalid(path, "run-length coded rows cannot be stored top-down");
    }

    // Masks sit in the header from the 52-byte header on; with the 40-byte header they follow it.
    std::size_t tableStart = kFileHeaderBytes + headerSize;
    std::uint32_t masks[4] = {0, 0, 0, 0};
    if (masked) {
        const int count = compression == kAlphaBitFields ? 4 : 3;
        std::size_t at = kFileHeaderBytes + 40;
        // Masks the header has no room for follow it: all of them after the 40-byte header, the alpha mask after
        // the 52-byte one.
        if (const std::size_t end = at + static_cast<std::size_t>(count) * 4; end > tableStart) {
            tableStart = end;
            if (bytes.size() < tableStart) return Invalid(path, "the colour masks are missing");
        }
        for (int i = 0; i < count; ++i, at += 4) masks[i] = bmp::Le32(bytes.data() + at);
        if (headerSize >= 56) masks[3] = bmp::Le32(bytes.data() + kFileHeaderBytes + 52);
    } else if (bits == 16) {
        masks[0] = 0x7C00;
        masks[1] = 0x03E0;
        masks[2] = 0x001F;
    } else if (bits == 32) {
        masks[0] = 0xFF0000;
        masks[1] = 0x00FF00;
        masks[2] = 0x0000FF;
    }
    if (!MakeChannel(masks[0], layout.red) || !MakeChannel(masks[1], layout.green) ||
        !MakeChannel(masks[2], layout.blue) || !MakeChannel(masks[3], layout.alpha)) {
        return Invalid(path, "colour masks that are not runs of bits");
    }

    const std::uint32_t offset = headers.pixelOffset;
    if (offset < tableStart || offset > bytes.size()) {
        return Invalid(path, "the pixel data offset " + std::to_string(offset) + " is outside the file");
    }
    layout.pixelOffset = offset;

    if (bits <= 8) {
        const std::size_t most = std::size_t{1} << bits;
        std::size_t entries = colorsUsed != 0 && colorsUsed < most ? colorsUsed : most;
        entries = std::min(entries, (offset - tableStart) / paletteEntryBytes);  // the table ends where pixels start
        for (std::size_t i = 0; i < entries; ++i) {
            const std::size_t at = tableStart + i * paletteEntryBytes;
            layout.palette[i] = Pixel{bytes[at + 2], bytes[at + 1], bytes[at]};
        }
    }
    return codec::CheckPictureSize(path, layout.width, layout.height);
}

std::int32_t PictureRow(const BmpLayout& layout, std::int64_t fileRow) {
    return static_cast<std::int32_t>(layout.topDown ? fileRow : layout.height - 1 - fileRow);
}

std::uint32_t MaskedPixel(const std::uint8_t* in, int bits, std::int64_t x) {
    return bits == 16 ? bmp::Le16(in + 2 * x) : bmp::Le32(in + 4 * x);
}

void DecodeRow(const BmpLayout& layout, const std::uint8_t* in, bool useAlpha, Pixel* out) {
    const std::int64_t width = layout.width;
    switch (layout.bitCount) {
        case 1:
        case 2:
        case 4:
        case 8: {
            const int bits = layout.bitCount;
            const int perByte = 8 / bits;
            const unsigned mask = (1u << bits) - 1;
            for (std::int64_t x = 0; x < width; ++x) {
                const int shift = 8 - bits * (1 + static_cast<int>(x % perByte));
                out[x] = layout.palette[(in[x / perByte] >> shift) & mask];
            }
            break;
        }
        case 24:
            bmp::RowFromBgr(in, width, out);
            break;
        default:
            for (std::int64_t x = 0; x < width; ++x) {
                const std::uint32_t pixel = MaskedPixel(in, layout.bitCount, x);
                const Pixel colour{layout.red.Of(pixel), layout.green.Of(pixel), layout.blue.Of(pixel)};
                out[x] = useAlpha ? codec::OverWhite(colour.r, colour.g, colour.b, layout.alpha.Of(pixel)) : colour;
            }
            break;
    }
}

Status DecodeUncompressed(const std::string& path, std::span<const std::uint8_t> bytes, const BmpLayout& layout,
                          BMP_File& picture) {
    // Rows are padded to four bytes.
    const std::int64_t stride = bmp::RowStride(layout.width, layout.bitCount);
    const std::int64_t available = static_cast<std::int64_t>(bytes.size() - layout.pixelOffset);
    if (layout.height > available / stride) return Invalid(path, "the pixel data ends early");
    if (Status shaped = codec::ShapePicture(path, layout.width, layout.height, picture); !shaped) return shaped;

    const std::uint8_t* data = bytes.data() + layout.pixelOffset;
    bool useAlpha = false;
    if (layout.alpha.max != 0) {
        // Alpha that is 0 everywhere is a writer's unused byte, not a transparent picture.
        for (std::int64_t r = 0; r < layout.height && !useAlpha; ++r) {
            const std::uint8_t* in = data + r * stride;
            for (std::int64_t x = 0; x < layout.width && !useAlpha; ++x) {
                useAlpha = (MaskedPixel(in, layout.bitCount, x) & layout.alpha.mask) != 0;
            }
        }
    }
    for (std::int64_t r = 0; r < layout.height; ++r) {
        DecodeRow(layout, data + r * stride, useAlpha, picture.Row(PictureRow(layout, r)));
    }
    return Status::Ok();
}

Status DecodeRunLength(const std::string& path, std::span<const std::uint8_t> bytes, const BmpLayout& layout,
                       BMP_File& picture) {
    if (Status shaped = codec::ShapePicture(path, layout.width, layout.height, picture); !shaped) return shaped;
    std::memset(static_cast<void*>(picture.Data()), 0xFF, picture.PixelCount() * sizeof(Pixel));

    const bool four = layout.compression == kRle4;
    std::size_t at = layout.pixelOffset;
    std::int64_t x = 0;
    std::int64_t row = 0;  // counted from the first row in the file, the bottom one
    Pixel* out = picture.Row(PictureRow(layout, 0));
    // Codes that reach past the picture's right or top edge draw nothing; the data still has to end properly.
    const auto put = [&](unsigned index) {
        if (x < layout.width && row < layout.height) out[x] = layout.palette[index];
        ++x;
    };
    const auto moveTo = [&](std::int64_t newRow) {
        row = std::min(newRow, layout.height);
        if (row < layout.height) out = picture.Row(PictureRow(layout, row));
    };
    for (;;) {
        if (bytes.size() - at < 2) return Invalid(path, "the pixel data ends early");
        const unsigned count = bytes[at];
        const unsigned value = bytes[at + 1];
        at += 2;
        if (count > 0) {
            for (unsigned i = 0; i < count; ++i) put(four ? (i % 2 == 0 ? value >> 4 : value & 15) : value);
            continue;
        }
        if (value == 0) {  // end of line
            x = 0;
            moveTo(row + 1);
        } else if (value == 1) {  // end of picture
            break;
        } else if (value == 2) {  // move right and up
            if (bytes.size() - at < 2) return Invalid(path, "the pixel data ends early");
            x += bytes[at];
            moveTo(row + bytes[at + 1]);
            at += 2;
        } else {  // `value` literal indexes, padded to a whole number of 16-bit words
            const std::size_t literalBytes = four ? (value + 1) / 2 : value;
            const std::size_t padded = (literalBytes + 1) / 2 * 2;
            if (bytes.size() - at < padded) return Invalid(path, "the pixel data ends early");
            for (unsigned i = 0; i < value; ++i) {
                const std::uint8_t byte = bytes[at + (four ? i / 2 : i)];
                put(four ? (i % 2 == 0 ? byte >> 4 : byte & 15u) : byte);
            }
            at += padded;
        }
    }
    return Status::Ok();
}

}  // namespace

Status DecodeBmp(const std::string& path, std::span<const std::uint8_t> bytes, BMP_File& picture) {
    BmpLayout layout;
    if (Status read = ReadLayout(path, bytes, layout); !read) return read;
    BMP_File decoded;
    const Status status = layout.compression == kRle8 || layout.compression == kRle4
                              ? DecodeRunLength(path, bytes, layout, decoded)
                              : DecodeUncompressed(path, bytes, layout, decoded);
    if (!status) return status;
    picture.Swap(decoded);
    return Status::Ok();
}
