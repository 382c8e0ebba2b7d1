#pragma once
// Image files made by the tests themselves: PNG and JPEG through libpng and libjpeg, GIF and BMP byte by byte (so
// that they can say things the encoders never would: an index past the colour table, a frame off the screen, a
// run-length move). Each builder also knows the picture a correct decoder must give.

#include <gtest/gtest.h>
#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

// clang-format off
#include <jpeglib.h>
// clang-format on

#include "imaging/BMP_File.h"

namespace fixtures {

using Bytes = std::vector<std::uint8_t>;

inline void WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void PutLe16(Bytes& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

inline void PutLe32(Bytes& out, std::uint32_t v) {
    PutLe16(out, v & 0xFFFF);
    PutLe16(out, v >> 16);
}

// `size` random colours.
inline std::vector<Pixel> RandomTable(std::mt19937& random, std::size_t size) {
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<Pixel> table(size);
    for (Pixel& p : table) {
        p = Pixel{static_cast<std::uint8_t>(byte(random)), static_cast<std::uint8_t>(byte(random)),
                  static_cast<std::uint8_t>(byte(random))};
    }
    return table;
}

// A picture drawn from the table's colours, with runs of one colour as well as single pixels, as in drawings.
inline BMP_File FromTable(std::mt19937& random, std::int32_t width, std::int32_t height,
                          const std::vector<Pixel>& table) {
    BMP_File picture;
    EXPECT_TRUE(picture.Create(width, height));
    std::uniform_int_distribution<std::size_t> pick(0, table.size() - 1);
    for (std::size_t i = 0; i < picture.PixelCount(); ++i) {
        picture.Data()[i] = i > 0 && random() % 3 == 0 ? picture.Data()[i - 1] : table[pick(random)];
    }
    return picture;
}

// A colour c of opacity a laid over white, by the formula rather than the decoder's integer shortcut.
inline std::uint8_t OverWhite(double c, double a) {
    return static_cast<std::uint8_t>(std::floor((c * a + 255.0 * (255.0 - a)) / 255.0 + 0.5));
}

// ---- PNG -----------------------------------------------------------------------------------------------------

// Runs libpng calls that may jump back on an error; `steps` must create nothing that needs destroying.
template <typename Steps>
bool PngGuarded(png_structp png, Steps&& steps) {
    if (setjmp(png_jmpbuf(png))) return false;
    steps();
    return true;
}

// One PNG case: colour type, bit depth, interlacing, and whether a transparency chunk is added.
struct PngCase {
    const char* name;
    int colorType;
    int bitDepth;
    bool interlaced;
    bool transparencyChunk;
};

// A random PNG of the case's kind written with libpng; `expected` gets what it must decode to.
inline bool WritePngFixture(const std::string& path, const PngCase& kind, std::int32_t width, std::int32_t height,
                            std::mt19937& random, BMP_File& expected) {
    const int channels = kind.colorType == PNG_COLOR_TYPE_GRAY         ? 1
                         : kind.colorType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                         : kind.colorType == PNG_COLOR_TYPE_RGB        ? 3
                         : kind.colorType == PNG_COLOR_TYPE_RGB_ALPHA  ? 4
                                                                       : 1;
    const int depth = kind.bitDepth;
    const std::uint32_t maxSample = (1u << depth) - 1;
    std::uniform_int_distribution<std::uint32_t> sample(0, maxSample);

    // Palette: random colours, and random alpha for the first half of the entries when asked.
    const int paletteSize = kind.colorType == PNG_COLOR_TYPE_PALETTE ? std::min(256, 1 << depth) : 0;
    std::vector<png_color> palette(static_cast<std::size_t>(paletteSize));
    std::vector<png_byte> paletteAlpha;
    std::uniform_int_distribution<int> byte(0, 255);
    for (png_color& c : palette)
        c = png_color{static_cast<png_byte>(byte(random)), static_cast<png_byte>(byte(random)),
                      static_cast<png_byte>(byte(random))};
    if (kind.transparencyChunk && paletteSize > 0) {
        paletteAlpha.resize(static_cast<std::size_t>(std::max(1, paletteSize / 2)));
        for (png_byte& a : paletteAlpha) a = static_cast<png_byte>(byte(random));
    }

    // Samples, one row of channels × width values each.
    std::vector<std::vector<std::uint32_t>> samples(static_cast<std::size_t>(height));
    for (auto& row : samples) {
        row.resize(static_cast<std::size_t>(width) * channels);
        for (std::uint32_t& s : row) s = sample(random);
    }
    // The colour that the transparency chunk makes transparent: the first pixel's, so that it occurs.
    png_color_16 transparent{};
    if (kind.transparencyChunk && paletteSize == 0) {
        if (channels == 1) transparent.gray = static_cast<png_uint_16>(samples[0][0]);
        if (channels == 3) {
            transparent.red = static_cast<png_uint_16>(samples[0][0]);
            transparent.green = static_cast<png_uint_16>(samples[0][1]);
            transparent.blue = static_cast<png_uint_16>(samples[0][2]);
        }
    }

    const auto to8 = [&](std::uint32_t v) {
        return std::floor(static_cast<double>(v) * 255.0 / static_cast<double>(maxSample) + 0.5);
    };
    expected.Create(width, height);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            const std::uint32_t* s = &samples[static_cast<std::size_t>(y)][static_cast<std::size_t>(x) * channels];
            double r = 0, g = 0, b = 0, a = 255;
            if (kind.colorType == PNG_COLOR_TYPE_PALETTE) {
                const png_color& c = palette[s[0]];
                r = c.red, g = c.green, b = c.blue;
                if (s[0] < paletteAlpha.size()) a = paletteAlpha[s[0]];
            } else if (channels <= 2) {
                r = g = b = to8(s[0]);
                if (channels == 2) a = to8(s[1]);
                if (kind.transparencyChunk && s[0] == transparent.gray) a = 0;
            } else {
                r = to8(s[0]), g = to8(s[1]), b = to8(s[2]);
                if (channels == 4) a = to8(s[3]);
                if (kind.transparencyChunk && s[0] == transparent.red && s[1] == transparent.green &&
                    s[2] == transparent.blue) {
                    a = 0;
                }
            }
            expected.Row(y)[x] = Pixel{OverWhite(r, a), OverWhite(g, a), OverWhite(b, a)};
        }
    }

    // Packed rows: samples of under 8 bits first in the high bits, 16-bit ones most significant byte first.
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * channels * depth + 7) / 8;
    std::vector<std::vector<png_byte>> rows(static_cast<std::size_t>(height), std::vector<png_byte>(rowBytes, 0));
    for (std::int32_t y = 0; y < height; ++y) {
        const auto& in = samples[static_cast<std::size_t>(y)];
        auto& out = rows[static_cast<std::size_t>(y)];
        for (std::size_t i = 0; i < in.size(); ++i) {
            if (depth == 16) {
                out[2 * i] = static_cast<png_byte>(in[i] >> 8);
                out[2 * i + 1] = static_cast<png_byte>(in[i]);
            } else {
                const std::size_t bit = i * depth;
                out[bit / 8] |= static_cast<png_byte>(in[i] << (8 - depth - bit % 8));
            }
        }
    }

    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<png_bytep> pointers;
    for (auto& row : rows) pointers.push_back(row.data());
    const bool ok = PngGuarded(png, [&] {
        png_init_io(png, file);
        png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), depth,
                     kind.colorType, kind.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        if (paletteSize > 0) png_set_PLTE(png, info, palette.data(), paletteSize);
        if (!paletteAlpha.empty()) {
            png_set_tRNS(png, info, paletteAlpha.data(), static_cast<int>(paletteAlpha.size()), nullptr);
        } else if (kind.transparencyChunk) {
            png_set_tRNS(png, info, nullptr, 0, &transparent);
        }
        png_write_info(png, info);
        png_write_image(png, pointers.data());
        png_write_end(png, info);
    });
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return ok;
}

// The signature and a header chunk announcing width × height, and nothing after them.
inline bool WritePngHeaderOnly(const std::string& path, std::uint32_t width, std::uint32_t height) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    const bool ok = PngGuarded(png, [&] {
        png_init_io(png, file);
        png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
        png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        png_write_flush(png);
    });
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return ok;
}

// ---- JPEG ----------------------------------------------------------------------------------------------------

enum class JpegKind { Grey, Cmyk, Ycck, PlainCmyk, ProgressiveRgb };

// Writes `samples` (components bytes per pixel) as a JPEG of the kind at quality 95. Cmyk and Ycck carry Adobe's
// marker (inverted CMYK); PlainCmyk does not; ProgressiveRgb takes RGB samples and writes a progressive file. A
// given scan script replaces the library's.
inline bool WriteJpegFixture(const std::string& path, JpegKind kind, std::int32_t width, std::int32_t height,
                             const std::vector<std::uint8_t>& samples, const std::vector<jpeg_scan_info>& script = {}) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    jpeg_compress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = kind == JpegKind::Grey ? 1 : kind == JpegKind::ProgressiveRgb ? 3 : 4;
    info.in_color_space = kind == JpegKind::Grey             ? JCS_GRAYSCALE
                          : kind == JpegKind::ProgressiveRgb ? JCS_RGB
                                                             : JCS_CMYK;
    jpeg_set_defaults(&info);
    if (kind == JpegKind::Ycck) jpeg_set_colorspace(&info, JCS_YCCK);
    if (kind == JpegKind::PlainCmyk) info.write_Adobe_marker = FALSE;
    if (kind == JpegKind::ProgressiveRgb) jpeg_simple_progression(&info);
    if (!script.empty()) {
        info.scan_info = script.data();
        info.num_scans = static_cast<int>(script.size());
    }
    jpeg_set_quality(&info, 95, TRUE);
    jpeg_start_compress(&info, TRUE);
    const std::size_t stride = static_cast<std::size_t>(width) * static_cast<std::size_t>(info.input_components);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(samples.data() + info.next_scanline * stride);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return std::fclose(file) == 0;
}

// ---- GIF -----------------------------------------------------------------------------------------------------

struct GifFrame {
    int left = 0, top = 0, width = 0, height = 0;
    bool interlaced = false;
    std::vector<Pixel> localTable;  // empty: none
    int transparent = -1;           // a graphics control extension when not negative
    std::vector<std::uint8_t> indexes;
};

// Bits of the table size field for a table of n entries (2^(bits + 1) ≥ n).
inline int TableBits(std::size_t n) {
    int bits = 0;
    while ((std::size_t{2} << bits) < n) ++bits;
    return bits;
}

inline void PutTable(Bytes& out, const std::vector<Pixel>& table) {
    const std::size_t size = std::size_t{2} << TableBits(table.size());
    for (std::size_t i = 0; i < size; ++i) {
        const Pixel p = i < table.size() ? table[i] : Pixel{};
        out.insert(out.end(), {p.r, p.g, p.b});
    }
}

// LZW data that a decoder must accept but that compresses nothing: literal codes only, with a clear code before the
// code width would grow.
inline void PutLzw(Bytes& out, const std::vector<std::uint8_t>& codesIn, int minimumCodeSize) {
    out.push_back(static_cast<std::uint8_t>(minimumCodeSize));
    const unsigned clear = 1u << minimumCodeSize;
    const int width = minimumCodeSize + 1;
    std::vector<unsigned> codes{clear};
    const std::size_t literalsPerClear = (std::size_t{1} << minimumCodeSize) / 2;
    std::size_t sinceClear = 0;
    for (std::uint8_t index : codesIn) {
        if (sinceClear == literalsPerClear) {
            codes.push_back(clear);
            sinceClear = 0;
        }
        codes.push_back(index);
        ++sinceClear;
    }
    codes.push_back(clear + 1);  // end of information
    Bytes packed;
    std::uint32_t buffer = 0;
    int bits = 0;
    for (unsigned code : codes) {
        buffer |= code << bits;
        bits += width;
        while (bits >= 8) {
            packed.push_back(static_cast<std::uint8_t>(buffer));
            buffer >>= 8;
            bits -= 8;
        }
    }
    if (bits > 0) packed.push_back(static_cast<std::uint8_t>(buffer));
    for (std::size_t at = 0; at < packed.size(); at += 255) {
        const std::size_t n = std::min<std::size_t>(255, packed.size() - at);
        out.push_back(static_cast<std::uint8_t>(n));
        out.insert(out.end(), packed.begin() + static_cast<std::ptrdiff_t>(at),
                   packed.begin() + static_cast<std::ptrdiff_t>(at + n));
    }
    out.push_back(0);
}

// A GIF89a file with the given screen, global table (may be empty) and frames; codes of minimumCodeSize bits
// (at least the tables' bits).
inline Bytes GifFile(int screenWidth, int screenHeight, const std::vector<Pixel>& globalTable,
                     const std::vector<GifFrame>& frames, int minimumCodeSize = 8) {
    Bytes out{'G', 'I', 'F', '8', '9', 'a'};
    PutLe16(out, static_cast<std::uint32_t>(screenWidth));
    PutLe16(out, static_cast<std::uint32_t>(screenHeight));
    out.push_back(static_cast<std::uint8_t>(globalTable.empty() ? 0x70 : 0xF0 | TableBits(globalTable.size())));
    out.push_back(0);  // background index
    out.push_back(0);  // aspect
    if (!globalTable.empty()) PutTable(out, globalTable);
    for (const GifFrame& frame : frames) {
        if (frame.transparent >= 0) {
            out.insert(out.end(), {0x21, 0xF9, 4, 0x01, 0, 0, static_cast<std::uint8_t>(frame.transparent), 0});
        }
        out.push_back(0x2C);
        PutLe16(out, static_cast<std::uint32_t>(frame.left));
        PutLe16(out, static_cast<std::uint32_t>(frame.top));
        PutLe16(out, static_cast<std::uint32_t>(frame.width));
        PutLe16(out, static_cast<std::uint32_t>(frame.height));
        std::uint8_t flags = frame.interlaced ? 0x40 : 0;
        if (!frame.localTable.empty()) flags |= static_cast<std::uint8_t>(0x80 | TableBits(frame.localTable.size()));
        out.push_back(flags);
        if (!frame.localTable.empty()) PutTable(out, frame.localTable);
        // Rows in the order the file sends them.
        std::vector<int> order;
        if (frame.interlaced) {
            for (int start : {0, 4, 2, 1}) {
                for (int y = start; y < frame.height; y += start == 0 ? 8 : start == 4 ? 8 : start == 2 ? 4 : 2) {
                    order.push_back(y);
                }
            }
        } else {
            for (int y = 0; y < frame.height; ++y) order.push_back(y);
        }
        std::vector<std::uint8_t> sent;
        for (int y : order) {
            sent.insert(sent.end(), frame.indexes.begin() + y * frame.width,
                        frame.indexes.begin() + (y + 1) * frame.width);
        }
        PutLzw(out, sent, minimumCodeSize);
    }
    out.push_back(0x3B);
    return out;
}

// ---- BMP -----------------------------------------------------------------------------------------------------

struct BmpHeader {
    std::uint32_t headerSize = 40;
    std::int32_t width = 0;
    std::int32_t height = 0;  // negative: top-down
    int bitCount = 8;
    std::uint32_t compression = 0;
    std::uint32_t masks[4] = {0, 0, 0, 0};  // written for compression 3 and 6
    std::vector<Pixel> table;               // colour table
    std::uint32_t colorsUsed = 0;
};

// A BMP file: headers, masks, colour table, then `pixels` as given (already in the file's row order and padding).
inline Bytes BmpFile(const BmpHeader& h, const Bytes& pixels) {
    Bytes info;
    const bool core = h.headerSize == 12;
    PutLe32(info, h.headerSize);
    if (core) {
        PutLe16(info, static_cast<std::uint32_t>(h.width));
        PutLe16(info, static_cast<std::uint32_t>(h.height));
        PutLe16(info, 1);
        PutLe16(info, static_cast<std::uint32_t>(h.bitCount));
    } else {
        PutLe32(info, static_cast<std::uint32_t>(h.width));
        PutLe32(info, static_cast<std::uint32_t>(h.height));
        PutLe16(info, 1);
        PutLe16(info, static_cast<std::uint32_t>(h.bitCount));
        PutLe32(info, h.compression);
        PutLe32(info, static_cast<std::uint32_t>(pixels.size()));
        PutLe32(info, 2835);
        PutLe32(info, 2835);
        PutLe32(info, h.colorsUsed);
        PutLe32(info, 0);
        const bool masked = h.compression == 3 || h.compression == 6;
        if (h.headerSize >= 52) {
            for (int i = 0; i < 3; ++i) PutLe32(info, masked ? h.masks[i] : 0);
            if (h.headerSize >= 56) PutLe32(info, masked ? h.masks[3] : 0);
        }
        info.resize(h.headerSize, 0);
        if (h.headerSize == 40 && masked) {
            for (int i = 0; i < (h.compression == 6 ? 4 : 3); ++i) PutLe32(info, h.masks[i]);
        }
    }
    for (const Pixel& p : h.table) {
        info.insert(info.end(), {p.b, p.g, p.r});
        if (!core) info.push_back(0);
    }
    Bytes out{'B', 'M'};
    PutLe32(out, static_cast<std::uint32_t>(14 + info.size() + pixels.size()));
    PutLe32(out, 0);
    PutLe32(out, static_cast<std::uint32_t>(14 + info.size()));
    out.insert(out.end(), info.begin(), info.end());
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

}  // namespace fixtures
