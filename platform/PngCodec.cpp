#include "platform/PngCodec.h"

#include <png.h>

#include <csetjmp>
#include <cstring>

#include "platform/PngDeflate.h"

// libpng reports errors by a long jump back to a setjmp. Every function below that calls setjmp holds only plain
// locals (no destructors to skip) and keeps what it produces in structures owned by its caller, so the jump crosses
// no C++ object; the RAII owners live one level up.

namespace {

constexpr std::size_t kMessageBytes = 256;

// The largest side libpng writes by default (its user limit); the format itself allows 2^31 − 1.
constexpr std::int64_t kMaxPngSide = PNG_USER_WIDTH_MAX;

// What the libpng callbacks of one read or write share; plain data only, so a long jump may cross it.
struct PngContext {
    const std::uint8_t* data = nullptr;  // reading: the file
    std::size_t size = 0;
    std::size_t offset = 0;
    codec::EncodeSink* sink = nullptr;  // writing
    char message[kMessageBytes] = {};
};

void CopyMessage(PngContext* context, const char* text) {
    std::strncpy(context->message, text != nullptr ? text : "unknown error", kMessageBytes - 1);
    context->message[kMessageBytes - 1] = '\0';
}

void OnPngError(png_structp png, png_const_charp text) {
    CopyMessage(static_cast<PngContext*>(png_get_error_ptr(png)), text);
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}  // damage that matters arrives as an error

void ReadPngBytes(png_structp png, png_bytep out, std::size_t length) {
    auto* context = static_cast<PngContext*>(png_get_io_ptr(png));
    if (length > context->size - context->offset) png_error(png, "the file ends early");
    std::memcpy(out, context->data + context->offset, length);
    context->offset += length;
}

void WritePngBytes(png_structp png, png_bytep data, std::size_t length) {
    auto* context = static_cast<PngContext*>(png_get_io_ptr(png));
    if (!context->sink->Write(data, length)) png_error(png, "the file could not be written");
}

void FlushPng(png_structp) {}

class PngReadHandle {
public:
    explicit PngReadHandle(PngContext& context) {
        m_png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &context, OnPngError, OnPngWarning);
        if (m_png != nullptr) m_info = png_create_info_struct(m_png);
    }
    ~PngReadHandle() { png_destroy_read_struct(&m_png, m_info != nullptr ? &m_info : nullptr, nullptr); }
    PngReadHandle(const PngReadHandle&) = delete;
    PngReadHandle& operator=(const PngReadHandle&) = delete;

    bool Ok() const { return m_png != nullptr && m_info != nullptr; }
    png_structp Png() const { return m_png; }
    png_infop Info() const { return m_info; }

private:
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
};

class PngWriteHandle {
public:
    explicit PngWriteHandle(PngContext& context) {
        m_png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &context, OnPngError, OnPngWarning);
        if (m_png != nullptr) m_info = png_create_info_struct(m_png);
    }
    ~PngWriteHandle() { png_destroy_write_struct(&m_png, m_info != nullptr ? &m_info : nullptr); }
    PngWriteHandle(const PngWriteHandle&) = delete;
    PngWriteHandle& operator=(const PngWriteHandle&) = delete;

    bool Ok() const { return m_png != nullptr && m_info != nullptr; }
    png_structp Png() const { return m_png; }
    png_infop Info() const { return m_info; }

private:
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
};

struct PngHeader {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    Resolution resolution;  // from the pHYs chunk when it gives pixels per metre
};

// The rows of one decode: 8-bit RGB straight into the picture, or RGBA through `rgba` (one row, or the whole
// picture when interlaced, since the passes revisit every row) and laid over white.
struct PngRows {
    BMP_File* picture = nullptr;
    std::uint8_t* rgba = nullptr;
    bool rgbaWhole = false;
    int passes = 1;
};

struct PngLayout {
    int channels = 0;
    int passes = 1;
};

void CompositeRow(const std::uint8_t* rgba, Pixel* out, std::int32_t width) {
    for (std::int32_t x = 0; x < width; ++x, rgba += 4) out[x] = codec::OverWhite(rgba[0], rgba[1], rgba[2], rgba[3]);
}

// Reads the signature and every chunk before the pixel data.
bool PngReadHeader(png_structp png, png_infop info, PngHeader* header) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_info(png, info);
    header->width = png_get_image_width(png, info);
    header->height = png_get_image_height(png, info);
    png_uint_32 perMetreX = 0;
    png_uint_32 perMetreY = 0;
    int unit = PNG_RESOLUTION_UNKNOWN;
    if (png_get_pHYs(png, info, &perMetreX, &perMetreY, &unit) != 0 && unit == PNG_RESOLUTION_METER) {
        header->resolution = {codec::DotsPerInch(perMetreX * 0.0254), codec::DotsPerInch(perMetreY * 0.0254)};
    }
    return true;
}

// Asks for 8-bit RGB, with alpha when the file has any (an alpha channel or a transparency chunk).
bool PngSetUpConversion(png_structp png, png_infop info, PngLayout* layout) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_expand(png);  // palette to RGB, grey below 8 bits to 8 bits, transparency chunk to alpha
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    layout->passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    layout->channels = png_get_channels(png, info);
    return true;
}

bool PngReadPixels(png_structp png, png_infop info, PngRows* rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    BMP_File& picture = *rows->picture;
    const std::int32_t width = picture.Width();
    const std::size_t rgbaStride = static_cast<std::size_t>(width) * 4;
    for (int pass = 0; pass < rows->passes; ++pass) {
        for (std::int32_t y = 0; y < picture.Height(); ++y) {
            if (rows->rgba == nullptr) {
                png_read_row(png, reinterpret_cast<png_bytep>(picture.Row(y)), nullptr);
            } else if (rows->rgbaWhole) {
                png_read_row(png, rows->rgba + static_cast<std::size_t>(y) * rgbaStride, nullptr);
            } else {
                png_read_row(png, rows->rgba, nullptr);
                CompositeRow(rows->rgba, picture.Row(y), width);
            }
        }
    }
    png_read_end(png, info);  // the rest of the file up to its end chunk must be there and sound
    return true;
}

// Writes the signature and header through libpng, then the pixel data, deflated beforehand on several threads, as
// one IDAT chunk per band (the first also carries the zlib header, the last the checksum), then the end chunk.
bool PngWriteAll(png_structp png, png_infop info, const BMP_File* picture, bool grey, const DeflatedRows* rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture->Width()), static_cast<png_uint_32>(picture->Height()), 8,
                 grey ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    static constexpr png_byte kIdat[5] = "IDAT";
    static constexpr png_byte kIend[5] = "IEND";
    const std::size_t count = rows->bands.size();
    for (std::size_t i = 0; i < count; ++i) {
        const DeflatedPiece& band = rows->bands[i];
        const bool first = i == 0;
        const bool last = i + 1 == count;
        const std::size_t length = band.size + (first ? sizeof rows->header : 0) + (last ? sizeof rows->trailer : 0);
        png_write_chunk_start(png, kIdat, static_cast<png_uint_32>(length));
        if (first) png_write_chunk_data(png, rows->header, sizeof rows->header);
        png_write_chunk_data(png, band.data.get(), band.size);
        if (last) png_write_chunk_data(png, rows->trailer, sizeof rows->trailer);
        png_write_chunk_end(png);
    }
    png_write_chunk(png, kIend, nullptr, 0);
    return true;
}

}  // namespace

Status DecodePng(const std::string& path, std::span<const std::uint8_t> bytes, BMP_File& picture,
                 Resolution* resolution) {
    if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0) return Status::Error(path + ": not a PNG file");

    // The header chunk comes first in every PNG file: its size is refused here, before libpng reads on to the pixel
    // data or sets anything up.
    static constexpr std::uint8_t kHeaderChunk[4] = {'I', 'H', 'D', 'R'};
    if (bytes.size() >= 24 && std::memcmp(bytes.data() + 12, kHeaderChunk, 4) == 0) {
        const auto be32 = [&](std::size_t at) {
            return std::uint32_t{bytes[at]} << 24 | std::uint32_t{bytes[at + 1]} << 16 |
                   std::uint32_t{bytes[at + 2]} << 8 | bytes[at + 3];
        };
        if (Status fits = codec::CheckPictureSize(path, be32(16), be32(20)); !fits) return fits;
    }

    PngContext context;
    context.data = bytes.data();
    context.size = bytes.size();
    PngReadHandle handle(context);
    if (!handle.Ok()) return Status::Error(path + ": not enough memory to read the PNG file");
    png_set_read_fn(handle.Png(), &context, ReadPngBytes);
    // The one size limit is ours; libpng's own would refuse long thin pictures that are within it.
    png_set_user_limits(handle.Png(), 0x7fffffff, 0x7fffffff);
    // A chunk that fails its checksum is damage, whether or not the chunk is one a decoder may skip: a skipped
    // transparency chunk would change the picture.
    png_set_crc_action(handle.Png(), PNG_CRC_ERROR_QUIT, PNG_CRC_ERROR_QUIT);

    const auto failed = [&] { return Status::Error(path + ": invalid PNG file (" + context.message + ")"); };

    PngHeader header;
    if (!PngReadHeader(handle.Png(), handle.Info(), &header)) return failed();
    if (Status fits = codec::CheckPictureSize(path, header.width, header.height); !fits) return fits;

    PngLayout layout;
    if (!PngSetUpConversion(handle.Png(), handle.Info(), &layout)) return failed();
    if (layout.channels != 3 && layout.channels != 4) {
        return Status::Error(path + ": invalid PNG file (" + std::to_string(layout.channels) + " channels)");
    }

    BMP_File decoded;
    if (Status shaped = codec::ShapePicture(path, header.width, header.height, decoded); !shaped) return shaped;
    PngRows rows;
    rows.picture = &decoded;
    rows.passes = layout.passes;
    std::unique_ptr<std::uint8_t[]> rgba;
    if (layout.channels == 4) {
        rows.rgbaWhole = layout.passes > 1;
        const std::size_t rowBytes = std::size_t{header.width} * 4;
        rgba = codec::TryAllocate(rows.rgbaWhole ? rowBytes * header.height : rowBytes);
        if (!rgba) return Status::Error(path + ": not enough memory to read the PNG file");
        rows.rgba = rgba.get();
    }
    if (!PngReadPixels(handle.Png(), handle.Info(), &rows)) return failed();
    if (rows.rgbaWhole) {
        const std::size_t rowBytes = std::size_t{header.width} * 4;
        for (std::int32_t y = 0; y < decoded.Height(); ++y) {
            CompositeRow(rows.rgba + static_cast<std::size_t>(y) * rowBytes, decoded.Row(y), decoded.Width());
        }
    }
    picture.Swap(decoded);
    if (resolution != nullptr) *resolution = header.resolution;
    return Status::Ok();
}

Status EncodePng(const std::string& path, const BMP_File& picture, codec::EncodeSink& sink, int threads) {
    if (Status fits = codec::CheckEncodeSize(path, picture, "PNG", kMaxPngSide); !fits) return fits;
    PngContext context;
    context.sink = &sink;
    PngWriteHandle handle(context);
    if (!handle.Ok()) return Status::Error(path + ": not enough memory to write the PNG file");
    // A grey picture is written as a grey PNG: a third of the samples to compress, the same pixels when read.
    const bool grey = IsGreyPicture(picture);
    DeflatedRows rows;
    if (!DeflatePngRows(picture, threads, rows, grey ? PngSamples::Grey : PngSamples::Rgb)) {
        return Status::Error(path + ": not enough memory to compress the PNG file");
    }
    png_set_write_fn(handle.Png(), &context, WritePngBytes, FlushPng);
    if (!PngWriteAll(handle.Png(), handle.Info(), &picture, grey, &rows)) {
        return Status::Error(path + ": cannot encode as PNG (" + context.message + ")");
    }
    return Status::Ok();
}
