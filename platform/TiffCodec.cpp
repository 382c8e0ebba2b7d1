#include "platform/TiffCodec.h"

#include <fcntl.h>
#include <libdeflate.h>
#include <sys/stat.h>
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstring>
#include <mutex>
#include <vector>

#include "base/Parallel.h"
#include "platform/CodecSupport.h"
#include "platform/RunLengthDeflate.h"

// libtiff reports through handlers set per handle (TIFFOpenOptions), which copy the first message into the context
// of that handle and never throw or jump: a failed call then returns its failure value to our code.

namespace {

constexpr std::size_t kMessageBytes = 512;

// libtiff's own allocations for one handle (a strip buffer, a directory) may not exceed this: more than any strip
// of the largest picture accepted in 16-bit RGBA needs, and a hostile directory asks for no more.
constexpr tmsize_t kTiffMaxAlloc = tmsize_t{1} << 31;

// The most samples and bits a page may announce before the layout check; beyond them no convertible file lies.
constexpr std::uint16_t kMaxSamples = 8;
constexpr std::uint16_t kMaxBits = 16;

struct TiffMessages {
    char text[kMessageBytes] = {};
    bool any = false;
};

int OnTiffError(TIFF*, void* user, const char* module, const char* format, va_list arguments) {
    auto* messages = static_cast<TiffMessages*>(user);
    if (!messages->any) {
        messages->any = true;
        std::vsnprintf(messages->text, kMessageBytes, format, arguments);
        // One line: libtiff's messages sometimes hold line breaks.
        for (char& c : messages->text) {
            if (c == '\n' || c == '\r') c = ' ';
        }
        (void)module;
    }
    return 1;  // handled: the global handler stays silent
}

int OnTiffWarning(TIFF*, void*, const char*, const char*, va_list) {
    return 1;  // unknown tags and the like; damage that matters arrives as an error
}

// Options with our handlers and allocation limit; freed on scope exit.
class TiffOptions {
public:
    explicit TiffOptions(TiffMessages& messages) : m_options(TIFFOpenOptionsAlloc()) {
        if (m_options == nullptr) return;
        TIFFOpenOptionsSetErrorHandlerExtR(m_options, OnTiffError, &messages);
        TIFFOpenOptionsSetWarningHandlerExtR(m_options, OnTiffWarning, &messages);
        TIFFOpenOptionsSetMaxSingleMemAlloc(m_options, kTiffMaxAlloc);
    }
    ~TiffOptions() {
        if (m_options != nullptr) TIFFOpenOptionsFree(m_options);
    }
    TiffOptions(const TiffOptions&) = delete;
    TiffOptions& operator=(const TiffOptions&) = delete;
    TIFFOpenOptions* Get() const { return m_options; }

private:
    TIFFOpenOptions* m_options;
};

class TiffHandle {
public:
    TiffHandle() = default;
    explicit TiffHandle(TIFF* tiff) : m_tiff(tiff) {}
    ~TiffHandle() { Reset(); }
    TiffHandle(const TiffHandle&) = delete;
    TiffHandle& operator=(const TiffHandle&) = delete;
    void Reset(TIFF* tiff = nullptr) {
        if (m_tiff != nullptr) TIFFClose(m_tiff);
        m_tiff = tiff;
    }
    TIFF* Get() const { return m_tiff; }

private:
    TIFF* m_tiff = nullptr;
};

// ---- reading from memory -------------------------------------------------------------------------------------

struct MemoryInput {
    const std::uint8_t* data = nullptr;
    std::uint64_t size = 0;
    std::uint64_t offset = 0;
};

tmsize_t ReadMemory(thandle_t handle, void* out, tmsize_t count) {
    auto* in = static_cast<MemoryInput*>(handle);
    if (count < 0 || in->offset >= in->size) return 0;
    const std::uint64_t n = std::min<std::uint64_t>(static_cast<std::uint64_t>(count), in->size - in->offset);
    std::memcpy(out, in->data + in->offset, n);
    in->offset += n;
    return static_cast<tmsize_t>(n);
}

tmsize_t WriteNothing(thandle_t, void*, tmsize_t) {
    return 0;
}

toff_t SeekMemory(thandle_t handle, toff_t offset, int whence) {
    auto* in = static_cast<MemoryInput*>(handle);
    std::uint64_t base = 0;
    if (whence == SEEK_CUR) base = in->offset;
    if (whence == SEEK_END) base = in->size;
    if (offset > UINT64_MAX - base) return static_cast<toff_t>(-1);
    in->offset = base + offset;
    return in->offset;
}

int CloseNothing(thandle_t) {
    return 0;
}

toff_t SizeOfMemory(thandle_t handle) {
    return static_cast<MemoryInput*>(handle)->size;
}

int MapMemory(thandle_t handle, void** base, toff_t* size) {
    auto* in = static_cast<MemoryInput*>(handle);
    *base = const_cast<std::uint8_t*>(in->data);
    *size = in->size;
    return 1;
}

void UnmapNothing(thandle_t, void*, toff_t) {}

// TIFFRGBAImage's state, ended on scope exit.
class RgbaImage {
public:
    RgbaImage() { std::memset(&m_image, 0, sizeof m_image); }
    ~RgbaImage() {
        if (m_begun) TIFFRGBAImageEnd(&m_image);
    }
    RgbaImage(const RgbaImage&) = delete;
    RgbaImage& operator=(const RgbaImage&) = delete;

    bool Begin(TIFF* tiff, char* message) {
        m_begun = TIFFRGBAImageBegin(&m_image, tiff, 1, message) != 0;
        return m_begun;
    }
    TIFFRGBAImage& Get() { return m_image; }

private:
    TIFFRGBAImage m_image;
    bool m_begun = false;
};

// Where the stored pixel (column c, row r) of a W × H page goes on screen, by the orientation tag (1..8).
struct Placement {
    std::uint16_t orientation = ORIENTATION_TOPLEFT;
    std::int32_t storedWidth = 0;
    std::int32_t storedHeight = 0;

    bool Transposed() const { return orientation >= ORIENTATION_LEFTTOP && orientation <= ORIENTATION_LEFTBOT; }
    std::int32_t Width() const { return Transposed() ? storedHeight : storedWidth; }
    std::int32_t Height() const { return Transposed() ? storedWidth : storedHeight; }

    void Place(std::int32_t c, std::int32_t r, std::int32_t& x, std::int32_t& y) const {
        const std::int32_t mc = storedWidth - 1 - c;
        const std::int32_t mr = storedHeight - 1 - r;
        switch (orientation) {
            case ORIENTATION_TOPRIGHT:
                x = mc, y = r;
                break;
            case ORIENTATION_BOTRIGHT:
                x = mc, y = mr;
                break;
            case ORIENTATION_BOTLEFT:
                x = c, y = mr;
                break;
            case ORIENTATION_LEFTTOP:
                x = r, y = c;
                break;
            case ORIENTATION_RIGHTTOP:
                x = mr, y = c;
                break;
            case ORIENTATION_RIGHTBOT:
                x = mr, y = mc;
                break;
            case ORIENTATION_LEFTBOT:
                x = r, y = mc;
                break;
            default:
                x = c, y = r;
                break;
        }
    }
};

// A packed ABGR value from TIFFRGBAImage (colour premultiplied by alpha) laid over white.
inline Pixel FromRaster(std::uint32_t value) {
    const std::uint32_t a = TIFFGetA(value);
    if (a == 255) {
        return Pixel{static_cast<std::uint8_t>(TIFFGetR(value)), static_cast<std::uint8_t>(TIFFGetG(value)),
                     static_cast<std::uint8_t>(TIFFGetB(value))};
    }
    // Premultiplied c·a/255 plus white's share 255 − a: the same as compositing the unassociated colour.
    const auto over = [a](std::uint32_t c) {
        return static_cast<std::uint8_t>(std::min<std::uint32_t>(255, c + 255 - a));
    };
    return Pixel{over(TIFFGetR(value)), over(TIFFGetG(value)), over(TIFFGetB(value))};
}

std::string PageName(const std::string& path, std::size_t index, std::size_t count) {
    return count > 1 ? path + " (page " + std::to_string(index + 1) + ")" : path;
}

std::string Cause(const TiffMessages& messages, const char* fallback) {
    return messages.any ? std::string(messages.text) : std::string(fallback);
}

// The common layouts of scans, 8-bit RGB or grey in contiguous strips shown as stored, are decoded strip by strip
// straight into the picture, the strips shared among threads, each with a handle of its own on the same bytes. Other
// layouts go through libtiff's RGBA conversion.
bool IsPlainStripLayout(TIFF* tiff, std::uint16_t samples, std::uint16_t bits, bool& grey) {
    std::uint16_t photometric = 0, planar = PLANARCONFIG_CONTIG, orientation = ORIENTATION_TOPLEFT, compression = 0;
    std::uint16_t extraCount = 0;
    std::uint16_t* extra = nullptr;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ORIENTATION, &orientation);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extra);
    if (TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric) != 1) return false;
    grey = photometric == PHOTOMETRIC_MINISBLACK && samples == 1;
    const bool rgb = photometric == PHOTOMETRIC_RGB && samples == 3;
    return (grey || rgb) && bits == 8 && extraCount == 0 && !TIFFIsTiled(tiff) && planar == PLANARCONFIG_CONTIG &&
           orientation == ORIENTATION_TOPLEFT && compression != COMPRESSION_OJPEG && compression != COMPRESSION_JPEG;
}

Status DecodePlainStrips(const std::string& name, const MemoryInput& source, tdir_t directory, std::uint32_t width,
                         std::uint32_t height, bool grey, BMP_File& picture) {
    std::uint32_t stripRows = 0;
    {
        TiffMessages messages;
        TiffOptions options(messages);
        MemoryInput input{source.data, source.size, 0};
        TiffHandle tiff(TIFFClientOpenExt(name.c_str(), "r", &input, ReadMemory, WriteNothing, SeekMemory, CloseNothing,
                                          SizeOfMemory, MapMemory, UnmapNothing, options.Get()));
        if (tiff.Get() == nullptr || TIFFSetDirectory(tiff.Get(), directory) == 0) {
            return Status::Error(name + ": invalid TIFF file (" + Cause(messages, "the page cannot be read") + ")");
        }
        TIFFGetFieldDefaulted(tiff.Get(), TIFFTAG_ROWSPERSTRIP, &stripRows);
    }
    stripRows = std::clamp<std::uint32_t>(stripRows, 1, height);
    const auto strips = static_cast<std::int32_t>((height + stripRows - 1) / stripRows);
    const std::size_t rowBytes = std::size_t{width} * (grey ? 1 : 3);
    std::mutex lock;
    std::string failure;
    ParallelRows(
        strips, static_cast<std::int64_t>(picture.PixelCount()), DefaultThreadCount(),
        [&](std::int32_t begin, std::int32_t end) {
            TiffMessages messages;
            TiffOptions options(messages);
            MemoryInput input{source.data, source.size, 0};
            TiffHandle tiff(TIFFClientOpenExt(name.c_str(), "r", &input, ReadMemory, WriteNothing, SeekMemory,
                                              CloseNothing, SizeOfMemory, MapMemory, UnmapNothing, options.Get()));
            std::unique_ptr<std::uint8_t[]> greyRows;
            bool ok = tiff.Get() != nullptr && TIFFSetDirectory(tiff.Get(), directory) != 0;
            if (ok && grey) {
                greyRows = codec::TryAllocate(rowBytes * stripRows);
                ok = greyRows != nullptr;
            }
            for (std::int32_t s = begin; ok && s < end; ++s) {
                const std::uint32_t top = static_cast<std::uint32_t>(s) * stripRows;
                const std::uint32_t rows = std::min(stripRows, height - top);
                const auto size = static_cast<tmsize_t>(rowBytes * rows);
                auto* out = grey ? greyRows.get()
                                 : reinterpret_cast<std::uint8_t*>(picture.Row(static_cast<std::int32_t>(top)));
                ok =
                    TIFFReadEncodedStrip(tiff.Get(), static_cast<std::uint32_t>(s), out, size) == size && !messages.any;
                if (ok && grey) {
                    for (std::uint32_t r = 0; r < rows; ++r) {
                        Pixel* row = picture.Row(static_cast<std::int32_t>(top + r));
                        const std::uint8_t* in = greyRows.get() + r * rowBytes;
                        for (std::uint32_t x = 0; x < width; ++x) row[x] = Pixel{in[x], in[x], in[x]};
                    }
                }
            }
            if (!ok) {
                std::lock_guard<std::mutex> guard(lock);
                if (failure.empty()) failure = Cause(messages, "the pixel data is damaged or ends early");
            }
        });
    if (!failure.empty()) return Status::Error(name + ": invalid TIFF file (" + failure + ")");
    return Status::Ok();
}

// Decodes the page the handle's current directory describes. `name` names it in messages.
Status DecodePage(TIFF* tiff, const MemoryInput& source, const std::string& name, TiffMessages& messages,
                  BMP_File& picture, Resolution& resolution) {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    if (TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width) != 1 || TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height) != 1) {
        return Status::Error(name + ": invalid TIFF file (no picture size)");
    }
    if (Status fits = codec::CheckPictureSize(name, width, height); !fits) return fits;
    std::uint16_t samples = 1;
    std::uint16_t bits = 1;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    if (samples < 1 || samples > kMaxSamples || bits < 1 || bits > kMaxBits) {
        return Status::Error(name + ": unsupported TIFF file (" + std::to_string(samples) + " samples of " +
                             std::to_string(bits) + " bits per pixel)");
    }
    char refusal[1024] = {};
    if (TIFFRGBAImageOK(tiff, refusal) == 0) {
        return Status::Error(name + ": unsupported TIFF file (" + refusal + ")");
    }

    // Resolution tags, in inches when the unit is centimetres.
    float xres = 0.0f;
    float yres = 0.0f;
    std::uint16_t unit = RESUNIT_INCH;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_RESOLUTIONUNIT, &unit);
    if (TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &xres) == 1 && TIFFGetField(tiff, TIFFTAG_YRESOLUTION, &yres) == 1 &&
        unit != RESUNIT_NONE && xres > 0.0f && yres > 0.0f && xres < 1e6f && yres < 1e6f) {
        const double scale = unit == RESUNIT_CENTIMETER ? 2.54 : 1.0;
        resolution = Resolution{xres * scale, yres * scale};
    } else {
        resolution = Resolution{};
    }

    bool grey = false;
    if (IsPlainStripLayout(tiff, samples, bits, grey)) {
        BMP_File decoded;
        if (!decoded.Reshape(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height))) {
            return Status::Error(name + ": not enough memory to read the TIFF file");
        }
        if (Status read = DecodePlainStrips(name, source, TIFFCurrentDirectory(tiff), width, height, grey, decoded);
            !read) {
            return read;
        }
        picture.Swap(decoded);
        return Status::Ok();
    }

    RgbaImage image;
    if (!image.Begin(tiff, refusal)) {
        return Status::Error(name + ": unsupported TIFF file (" + Cause(messages, refusal) + ")");
    }
    TIFFRGBAImage& rgba = image.Get();
    Placement placement;
    placement.orientation = rgba.orientation;
    placement.storedWidth = static_cast<std::int32_t>(width);
    placement.storedHeight = static_cast<std::int32_t>(height);
    // The rows as stored, top to bottom; the orientation is applied below, for all eight values alike.
    rgba.req_orientation = rgba.orientation;

    // Bands of whole strips or tiles, of at least 64 rows where the page has them.
    std::uint32_t unitRows = 0;
    if (TIFFIsTiled(tiff)) {
        TIFFGetField(tiff, TIFFTAG_TILELENGTH, &unitRows);
    } else {
        TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &unitRows);
    }
    unitRows = std::clamp<std::uint32_t>(unitRows, 1, height);
    const std::uint32_t bandRows = std::min<std::uint32_t>(height, unitRows * ((63 + unitRows) / unitRows));
    auto raster = codec::TryAllocate(std::size_t{bandRows} * width * sizeof(std::uint32_t));
    BMP_File decoded;
    if (!raster || !decoded.Reshape(placement.Width(), placement.Height())) {
        return Status::Error(name + ": not enough memory to read the TIFF file");
    }
    auto* band = reinterpret_cast<std::uint32_t*>(raster.get());
    for (std::uint32_t top = 0; top < height; top += bandRows) {
        const std::uint32_t rows = std::min(bandRows, height - top);
        rgba.row_offset = static_cast<int>(top);
        rgba.col_offset = 0;
        if (TIFFRGBAImageGet(&rgba, band, width, rows) == 0) {
            return Status::Error(name + ": invalid TIFF file (" + Cause(messages, "the pixel data is damaged") + ")");
        }
        for (std::uint32_t i = 0; i < rows; ++i) {
            const std::uint32_t* in = band + std::size_t{i} * width;
            const auto r = static_cast<std::int32_t>(top + i);
            if (placement.orientation == ORIENTATION_TOPLEFT) {
                Pixel* out = decoded.Row(r);
                for (std::uint32_t c = 0; c < width; ++c) out[c] = FromRaster(in[c]);
                continue;
            }
            for (std::int32_t c = 0; c < static_cast<std::int32_t>(width); ++c) {
                std::int32_t x = 0;
                std::int32_t y = 0;
                placement.Place(c, r, x, y);
                decoded.PixelAt(x, y) = FromRaster(in[c]);
            }
        }
    }
    if (messages.any) {
        return Status::Error(name + ": invalid TIFF file (" + std::string(messages.text) + ")");
    }
    picture.Swap(decoded);
    return Status::Ok();
}

}  // namespace

Status DecodeTiffPages(const std::string& path, std::span<const std::uint8_t> bytes, bool firstOnly,
                       const TiffPageVisitor& visit) {
    TiffMessages messages;
    TiffOptions options(messages);
    if (options.Get() == nullptr) return Status::Error(path + ": not enough memory to read the TIFF file");
    MemoryInput input{bytes.data(), bytes.size(), 0};
    TiffHandle tiff(TIFFClientOpenExt(path.c_str(), "r", &input, ReadMemory, WriteNothing, SeekMemory, CloseNothing,
                                      SizeOfMemory, MapMemory, UnmapNothing, options.Get()));
    if (tiff.Get() == nullptr) {
        return Status::Error(path + ": invalid TIFF file (" + Cause(messages, "no readable first directory") + ")");
    }
    // The page count walks the chain of directories; libtiff stops at a loop.
    const std::size_t count = firstOnly ? 1 : std::max<tdir_t>(1, TIFFNumberOfDirectories(tiff.Get()));
    if (messages.any) return Status::Error(path + ": invalid TIFF file (" + std::string(messages.text) + ")");
    for (std::size_t index = 0;; ++index) {
        const std::string name = PageName(path, index, count);
        BMP_File page;
        Resolution resolution;
        if (Status decoded = DecodePage(tiff.Get(), input, name, messages, page, resolution); !decoded) return decoded;
        if (Status taken = visit(page, resolution, index, count); !taken) return taken;
        if (firstOnly || index + 1 >= count) break;
        if (TIFFReadDirectory(tiff.Get()) == 0) {
            return Status::Error(PageName(path, index + 1, count) + ": invalid TIFF file (" +
                                 Cause(messages, "the page cannot be read") + ")");
        }
    }
    return Status::Ok();
}

Status DecodeTiff(const std::string& path, std::span<const std::uint8_t> bytes, BMP_File& picture) {
    return DecodeTiffPages(path, bytes, true, [&picture](BMP_File& page, Resolution, std::size_t, std::size_t) {
        picture.Swap(page);
        return Status::Ok();
    });
}

// ---- writing ---------------------------------------------------------------------------------------------------

struct TiffWriter::State {
    ~State() {
        if (readBack >= 0) ::close(readBack);
    }
    AtomicFile* file = nullptr;
    std::FILE* stream = nullptr;
    int readBack = -1;
    bool writeFailed = false;
    TiffMessages messages;
    std::unique_ptr<TiffOptions> options;
    TiffHandle tiff;
};

namespace {

// The stream is write-only: what is read comes through the read-only descriptor, at the stream's position.
tmsize_t ReadStream(thandle_t handle, void* out, tmsize_t count) {
    auto* state = static_cast<TiffWriter::State*>(handle);
    if (count < 0 || state->writeFailed) return 0;
    if (std::fflush(state->stream) != 0) {
        state->writeFailed = true;  // the buffered pages could not be written; Commit reports why
        return 0;
    }
    const off_t at = ::ftello(state->stream);
    if (at < 0) return 0;
    const ssize_t n = ::pread(state->readBack, out, static_cast<std::size_t>(count), at);
    if (n <= 0 || ::fseeko(state->stream, at + n, SEEK_SET) != 0) return 0;
    return static_cast<tmsize_t>(n);
}

tmsize_t WriteStream(thandle_t handle, void* data, tmsize_t count) {
    auto* state = static_cast<TiffWriter::State*>(handle);
    // Through the AtomicFile, which keeps the cause of a failed write for Commit to report.
    if (count < 0 || state->writeFailed) return 0;
    if (!state->file->Write(data, static_cast<std::size_t>(count))) {
        state->writeFailed = true;
        return 0;
    }
    return count;
}

toff_t SeekStream(thandle_t handle, toff_t offset, int whence) {
    auto* state = static_cast<TiffWriter::State*>(handle);
    // After a failed write the stream may already be closed by the commit that reports it.
    if (state->writeFailed || offset > static_cast<toff_t>(INT64_MAX)) return static_cast<toff_t>(-1);
    if (::fseeko(state->stream, static_cast<off_t>(offset), whence) != 0) return static_cast<toff_t>(-1);
    const off_t at = ::ftello(state->stream);
    return at < 0 ? static_cast<toff_t>(-1) : static_cast<toff_t>(at);
}

toff_t SizeOfStream(thandle_t handle) {
    auto* state = static_cast<TiffWriter::State*>(handle);
    struct stat info {};
    if (state->writeFailed) return 0;
    if (std::fflush(state->stream) != 0) {
        state->writeFailed = true;
        return 0;
    }
    if (::fstat(::fileno(state->stream), &info) != 0) return 0;
    return static_cast<toff_t>(info.st_size);
}

int MapNothing(thandle_t, void**, toff_t*) {
    return 0;
}

class Compressor {
public:
    Compressor() : m_compressor(libdeflate_alloc_compressor(kTiffDeflateLevel)) {}
    ~Compressor() {
        if (m_compressor != nullptr) libdeflate_free_compressor(m_compressor);
    }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;
    libdeflate_compressor* Get() const { return m_compressor; }

private:
    libdeflate_compressor* m_compressor;
};

bool AllGrey(const BMP_File& picture) {
    const Pixel* p = picture.Data();
    for (std::size_t i = 0, n = picture.PixelCount(); i < n; ++i) {
        if (p[i].r != p[i].g || p[i].g != p[i].b) return false;
    }
    return true;
}

struct Strip {
    std::unique_ptr<std::uint8_t[]> data;
    std::size_t size = 0;
};

// A zlib stream of `size` bytes by libdeflate, which finds repeats at any distance.
bool DeflateMatches(Compressor& compressor, const std::uint8_t* raw, std::size_t size, Strip& strip) {
    const std::size_t bound = libdeflate_zlib_compress_bound(compressor.Get(), size);
    strip.data = codec::TryAllocate(bound);
    if (!strip.data) return false;
    strip.size = libdeflate_zlib_compress(compressor.Get(), raw, size, strip.data.get(), bound);
    return strip.size != 0;
}

// Horizontal differencing (TIFF predictor 2) of rows first .. first + count − 1 into `raw`, then zlib.
bool CompressStrip(const BMP_File& picture, bool grey, std::int32_t first, std::int32_t count, Compressor& compressor,
                   std::uint8_t* raw, Strip& strip) {
    const std::size_t channels = grey ? 1 : 3;
    const std::size_t rowBytes = static_cast<std::size_t>(picture.Width()) * channels;
    std::uint8_t* out = raw;
    for (std::int32_t y = first; y < first + count; ++y, out += rowBytes) {
        const auto* row = reinterpret_cast<const std::uint8_t*>(picture.Row(y));
        if (grey) {
            std::uint8_t previous = 0;
            for (std::int32_t x = 0; x < picture.Width(); ++x) {
                const std::uint8_t v = row[static_cast<std::size_t>(x) * 3];
                out[x] = static_cast<std::uint8_t>(v - previous);
                previous = v;
            }
        } else {
            out[0] = row[0], out[1] = row[1], out[2] = row[2];
            for (std::size_t i = 3; i < rowBytes; ++i) out[i] = static_cast<std::uint8_t>(row[i] - row[i - 3]);
        }
    }
    const std::size_t rawSize = rowBytes * static_cast<std::size_t>(count);
    // The coder that makes the smaller output of the middle rows, one in kTiffSampleShare.
    const std::int32_t sampleRows = std::max<std::int32_t>(1, count / kTiffSampleShare);
    const std::uint8_t* sample = raw + static_cast<std::size_t>((count - sampleRows) / 2) * rowBytes;
    const std::size_t sampleSize = static_cast<std::size_t>(sampleRows) * rowBytes;
    Strip matches, runs;
    if (!DeflateMatches(compressor, sample, sampleSize, matches) ||
        !DeflateRunLength(sample, sampleSize, RunLengthStream::Zlib, runs.data, runs.size)) {
        return false;
    }
    if (runs.size < matches.size) return DeflateRunLength(raw, rawSize, RunLengthStream::Zlib, strip.data, strip.size);
    return DeflateMatches(compressor, raw, rawSize, strip);
}

}  // namespace

TiffWriter::TiffWriter(std::string path) : m_path(std::move(path)) {}

TiffWriter::~TiffWriter() = default;

Status TiffWriter::Open(AtomicFile& file) {
    m_state = std::make_unique<State>();
    m_state->file = &file;
    m_state->stream = file.Stream();
    // libtiff reads back what it wrote; the file being written may have no name yet (an unnamed temporary file), so
    // it is opened again through its descriptor when there is no path.
    const std::string readBackPath = !file.TemporaryPath().empty() || m_state->stream == nullptr
                                         ? file.TemporaryPath()
                                         : "/proc/self/fd/" + std::to_string(::fileno(m_state->stream));
    m_state->readBack = ::open(readBackPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_state->stream == nullptr || m_state->readBack < 0) {
        return Status::Error(m_path + ": cannot write the TIFF file (its temporary file cannot be read back)");
    }
    m_state->options = std::make_unique<TiffOptions>(m_state->messages);
    if (m_state->options->Get() == nullptr) return Status::Error(m_path + ": not enough memory to write the TIFF file");
    m_state->tiff.Reset(TIFFClientOpenExt(m_path.c_str(), "w", m_state.get(), ReadStream, WriteStream, SeekStream,
                                          CloseNothing, SizeOfStream, MapNothing, UnmapNothing,
                                          m_state->options->Get()));
    if (m_state->tiff.Get() == nullptr) {
        return Status::Error(m_path + ": cannot write the TIFF file (" +
                             Cause(m_state->messages, "the file could not be started") + ")");
    }
    return Status::Ok();
}

Status TiffWriter::AddPage(const BMP_File& picture, Resolution resolution, int threads) {
    if (picture.IsEmpty()) return Status::Error(m_path + ": cannot save an empty picture as TIFF");
    if (!m_state || m_state->tiff.Get() == nullptr) return Status::Error(m_path + ": the TIFF file is not open");
    TIFF* tiff = m_state->tiff.Get();
    const bool grey = AllGrey(picture);
    const std::size_t rowBytes = static_cast<std::size_t>(picture.Width()) * (grey ? 1 : 3);
    const auto stripRows = static_cast<std::int32_t>(
        std::clamp<std::size_t>(kTiffStripBytes / rowBytes, 1, static_cast<std::size_t>(picture.Height())));
    const std::int32_t stripCount = (picture.Height() + stripRows - 1) / stripRows;
    const Resolution dpi = resolution.Or(kDefaultDpi);

    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(picture.Width()));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(picture.Height()));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, grey ? 1 : 3);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, grey ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(tiff, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, static_cast<std::uint32_t>(stripRows));
    TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(tiff, TIFFTAG_XRESOLUTION, static_cast<float>(dpi.x));
    TIFFSetField(tiff, TIFFTAG_YRESOLUTION, static_cast<float>(dpi.y));
    TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);

    std::vector<Strip> strips(static_cast<std::size_t>(stripCount));
    std::atomic<bool> failed{false};
    // Each thread takes the next strip not yet taken: strips differ in cost (the two coders), so fixed shares would
    // leave one thread waiting for the other.
    std::atomic<std::int32_t> next{0};
    ParallelRows(stripCount, static_cast<std::int64_t>(picture.PixelCount()), threads,
                 [&](std::int32_t, std::int32_t) {
                     Compressor compressor;
                     auto raw = codec::TryAllocate(rowBytes * static_cast<std::size_t>(stripRows));
                     if (compressor.Get() == nullptr || !raw) {
                         failed = true;
                         return;
                     }
                     for (std::int32_t s = next++; s < stripCount && !failed; s = next++) {
                         const std::int32_t first = s * stripRows;
                         const std::int32_t count = std::min(stripRows, picture.Height() - first);
                         if (!CompressStrip(picture, grey, first, count, compressor, raw.get(),
                                            strips[static_cast<std::size_t>(s)])) {
                             failed = true;
                         }
                     }
                 });
    if (failed) return Status::Error(m_path + ": not enough memory to compress the TIFF file");
    for (std::int32_t s = 0; s < stripCount; ++s) {
        Strip& strip = strips[static_cast<std::size_t>(s)];
        if (TIFFWriteRawStrip(tiff, static_cast<std::uint32_t>(s), strip.data.get(),
                              static_cast<tmsize_t>(strip.size)) < 0) {
            return Status::Error(m_path + ": cannot write the TIFF file (" +
                                 Cause(m_state->messages, "a strip could not be written") + ")");
        }
        strip.data.reset();
    }
    if (TIFFWriteDirectory(tiff) == 0) {
        return Status::Error(m_path + ": cannot write the TIFF file (" +
                             Cause(m_state->messages, "the directory could not be written") + ")");
    }
    ++m_pages;
    return Status::Ok();
}

bool TiffWriter::WriteFailed() const {
    return m_state && m_state->writeFailed;
}

Status TiffWriter::Close() {
    if (!m_state || m_state->tiff.Get() == nullptr) return Status::Ok();
    TIFFFlush(m_state->tiff.Get());
    m_state->tiff.Reset();
    if (m_state->messages.any) {
        return Status::Error(m_path + ": cannot write the TIFF file (" + std::string(m_state->messages.text) + ")");
    }
    return Status::Ok();
}
