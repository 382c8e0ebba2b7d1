#include "platform/GifCodec.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/GifPalette.h"

namespace {

constexpr std::int64_t kMaxGifSide = 65535;

struct GifInput {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t offset = 0;
};

int ReadGifBytes(GifFileType* gif, GifByteType* out, int length) {
    auto* input = static_cast<GifInput*>(gif->UserData);
    if (length <= 0) return 0;
    const std::size_t count = std::min(static_cast<std::size_t>(length), input->size - input->offset);
    std::memcpy(out, input->data + input->offset, count);
    input->offset += count;
    return static_cast<int>(count);
}

int WriteGifBytes(GifFileType* gif, const GifByteType* data, int length) {
    auto* sink = static_cast<codec::EncodeSink*>(gif->UserData);
    if (length <= 0) return 0;
    return sink->Write(data, static_cast<std::size_t>(length)) ? length : 0;
}

std::string GifError(int code) {
    const char* text = GifErrorString(code);
    return text != nullptr ? text : "error " + std::to_string(code);
}

struct GifReadCloser {
    void operator()(GifFileType* gif) const {
        int ignored = 0;
        DGifCloseFile(gif, &ignored);
    }
};
using GifReadHandle = std::unique_ptr<GifFileType, GifReadCloser>;

struct GifWriteCloser {
    void operator()(GifFileType* gif) const {
        int ignored = 0;
        EGifCloseFile(gif, &ignored);
    }
};
using GifWriteHandle = std::unique_ptr<GifFileType, GifWriteCloser>;

struct ColorMapFree {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

// The colours of the frame's 256 possible indexes: its table, black past the table's end.
void BuildColours(const ColorMapObject* map, Pixel colours[256]) {
    for (int i = 0; i < 256; ++i) colours[i] = Pixel{0, 0, 0};
    const int count = std::min(map->ColorCount, 256);
    for (int i = 0; i < count; ++i) {
        colours[i] = Pixel{map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue};
    }
}

// The row of the frame that the line'th line of its data fills; interlaced frames send rows 0, 8, 16, … then
// 4, 12, … then 2, 6, … then 1, 3, ….
std::int32_t FrameRow(std::int32_t line, std::int32_t height, bool interlaced) {
    if (!interlaced) return line;
    static constexpr std::int32_t kStart[4] = {0, 4, 2, 1};
    static constexpr std::int32_t kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        const std::int32_t rows = kStart[pass] < height ? (height - kStart[pass] + kStep[pass] - 1) / kStep[pass] : 0;
        if (line < rows) return kStart[pass] + line * kStep[pass];
        line -= rows;
    }
    return -1;
}

}  // namespace

Status DecodeGif(const std::string& path, std::span<const std::uint8_t> bytes, BMP_File& picture) {
    if (bytes.size() < 6 ||
        (std::memcmp(bytes.data(), "GIF87a", 6) != 0 && std::memcmp(bytes.data(), "GIF89a", 6) != 0)) {
        return Status::Error(path + ": not a GIF file");
    }
    GifInput input{bytes.data(), bytes.size(), 0};
    int error = 0;
    GifReadHandle gif(DGifOpen(&input, ReadGifBytes, &error));
    if (!gif) return Status::Error(path + ": invalid GIF file (" + GifError(error) + ")");
    const auto failed = [&] { return Status::Error(path + ": invalid GIF file (" + GifError(gif->Error) + ")"); };

    BMP_File decoded;
    bool haveFrame = false;
    int transparent = -1;  // from the graphics control extension that precedes the frame
    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &record) == GIF_ERROR) return failed();
        if (record == TERMINATE_RECORD_TYPE) break;
        if (record == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR) return failed();
            if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && !haveFrame) {
                GraphicsControlBlock control;
                if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK) transparent = control.TransparentColor;
            }
            while (block != nullptr) {
                if (DGifGetExtensionNext(gif.get(), &block) == GIF_ERROR) return failed();
            }
            continue;
        }
        if (record != IMAGE_DESC_RECORD_TYPE) return Status::Error(path + ": invalid GIF file (unknown record)");
        if (DGifGetImageDesc(gif.get()) == GIF_ERROR) return failed();
        if (haveFrame) {
            // Later frames are not shown, but their data is walked to find the end of the file.
            int codeSize = 0;
            GifByteType* block = nullptr;
            if (DGifGetCode(gif.get(), &codeSize, &block) == GIF_ERROR) return failed();
            while (block != nullptr) {
                if (DGifGetCodeNext(gif.get(), &block) == GIF_ERROR) return failed();
            }
            continue;
        }
        haveFrame = true;

        const GifImageDesc& frame = gif->Image;
        const std::int64_t width = std::max<std::int64_t>(gif->SWidth, std::int64_t{frame.Left} + frame.Width);
        const std::int64_t height = std::max<std::int64_t>(gif->SHeight, std::int64_t{frame.Top} + frame.Height);
        if (frame.Width < 1 || frame.Height < 1) return Status::Error(path + ": invalid GIF file (an empty frame)");
        if (Status shaped = codec::ShapePicture(path, width, height, decoded); !shaped) return shaped;
        const ColorMapObject* map = frame.ColorMap != nullptr ? frame.ColorMap : gif->SColorMap;
        if (map == nullptr || map->Colors == nullptr) {
            return Status::Error(path + ": invalid GIF file (the frame has no colour table)");
        }
        Pixel colours[256];
        BuildColours(map, colours);

        // Transparent everywhere first; the frame is drawn over it.
        std::memset(static_cast<void*>(decoded.Data()), 0xFF, decoded.PixelCount() * sizeof(Pixel));
        std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));
        for (std::int32_t i = 0; i < frame.Height; ++i) {
            if (DGifGetLine(gif.get(), line.data(), frame.Width) == GIF_ERROR) return failed();
            Pixel* out = decoded.Row(frame.Top + FrameRow(i, frame.Height, frame.Interlace)) + frame.Left;
            for (std::int32_t x = 0; x < frame.Width; ++x) {
                if (line[static_cast<std::size_t>(x)] != transparent)
                    out[x] = colours[line[static_cast<std::size_t>(x)]];
            }
        }
    }
    if (!haveFrame) return Status::Error(path + ": invalid GIF file (no picture in it)");
    picture.Swap(decoded);
    return Status::Ok();
}

Status EncodeGif(const std::string& path, const BMP_File& picture, codec::EncodeSink& sink, int threads) {
    if (Status fits = codec::CheckEncodeSize(path, picture, "GIF", kMaxGifSide); !fits) return fits;
    IndexedPicture indexed;
    if (!BuildIndexedPicture(picture, indexed, threads)) {
        return Status::Error(path + ": not enough memory to build the GIF colour table");
    }

    // The table's size must be a power of two (at least 2); the unused entries are black.
    int tableSize = 2;
    while (tableSize < static_cast<int>(indexed.palette.size())) tableSize *= 2;
    std::vector<GifColorType> colours(static_cast<std::size_t>(tableSize), GifColorType{0, 0, 0});
    for (std::size_t i = 0; i < indexed.palette.size(); ++i) {
        colours[i] = GifColorType{indexed.palette[i].r, indexed.palette[i].g, indexed.palette[i].b};
    }
    std::unique_ptr<ColorMapObject, ColorMapFree> map(GifMakeMapObject(tableSize, colours.data()));
    if (!map) return Status::Error(path + ": not enough memory to build the GIF colour table");

    int error = 0;
    GifWriteHandle gif(EGifOpen(&sink, WriteGifBytes, &error));
    const auto failed = [&](int code) {
        return Status::Error(path + ": cannot encode as GIF (" + GifError(code) + ")");
    };
    if (!gif) return failed(error);
    if (EGifPutScreenDesc(gif.get(), picture.Width(), picture.Height(), 8, 0, map.get()) == GIF_ERROR ||
        EGifPutImageDesc(gif.get(), 0, 0, picture.Width(), picture.Height(), false, nullptr) == GIF_ERROR) {
        return failed(gif->Error);
    }
    const std::size_t width = static_cast<std::size_t>(picture.Width());
    for (std::int32_t y = 0; y < picture.Height(); ++y) {
        if (EGifPutLine(gif.get(), indexed.indexes.get() + static_cast<std::size_t>(y) * width, picture.Width()) ==
            GIF_ERROR) {
            return failed(gif->Error);
        }
    }
    GifFileType* raw = gif.release();
    if (EGifCloseFile(raw, &error) == GIF_ERROR) return failed(error);  // writes the trailer; frees raw either way
    return Status::Ok();
}
