#include "platform/ImageCodec.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <span>

#include "base/File.h"
#include "base/Parallel.h"
#include "imaging/BmpHeader.h"
#include "platform/BmpCodec.h"
#include "platform/CodecSupport.h"
#include "platform/GifCodec.h"
#include "platform/JpegCodec.h"
#include "platform/PdfWriter.h"
#include "platform/PngCodec.h"
#include "platform/TiffCodec.h"

namespace {

enum class Content { Png, Jpeg, Gif, Bmp, Tiff, Pdf, Unknown };

// Enough of the start of a file to recognise its format.
constexpr std::size_t kSniffBytes = 64;

Content Recognise(std::span<const std::uint8_t> head) {
    static constexpr std::uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (head.size() >= 8 && std::memcmp(head.data(), kPng, 8) == 0) return Content::Png;
    if (head.size() >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF) return Content::Jpeg;
    if (head.size() >= 6 &&
        (std::memcmp(head.data(), "GIF87a", 6) == 0 || std::memcmp(head.data(), "GIF89a", 6) == 0)) {
        return Content::Gif;
    }
    if (head.size() >= 2 && head[0] == 'B' && head[1] == 'M') return Content::Bmp;
    // Classic TIFF (42) and BigTIFF (43), in either byte order.
    if (head.size() >= 4 && ((head[0] == 'I' && head[1] == 'I' && (head[2] == 42 || head[2] == 43) && head[3] == 0) ||
                             (head[0] == 'M' && head[1] == 'M' && head[2] == 0 && (head[3] == 42 || head[3] == 43)))) {
        return Content::Tiff;
    }
    if (head.size() >= 5 && std::memcmp(head.data(), "%PDF-", 5) == 0) return Content::Pdf;
    return Content::Unknown;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EndsWithNoCase(std::string_view name, std::string_view ending) {
    if (name.size() < ending.size()) return false;
    const std::string_view tail = name.substr(name.size() - ending.size());
    for (std::size_t i = 0; i < ending.size(); ++i) {
        if (Lower(tail[i]) != ending[i]) return false;
    }
    return true;
}

Status ReadError(const std::string& path, int error) {
    return Status::Error(path + ": cannot read: " + std::strerror(error));
}

}  // namespace

std::optional<ImageFormat> FormatFromName(std::string_view name, bool acceptJpeg) {
    if (EndsWithNoCase(name, "png")) return ImageFormat::Png;
    if (EndsWithNoCase(name, "jpg")) return ImageFormat::Jpeg;
    if (EndsWithNoCase(name, "gif")) return ImageFormat::Gif;
    if (EndsWithNoCase(name, "bmp")) return ImageFormat::Bmp;
    if (EndsWithNoCase(name, "tif") || EndsWithNoCase(name, ".tiff")) return ImageFormat::Tiff;
    if (EndsWithNoCase(name, "pdf")) return ImageFormat::Pdf;
    if (acceptJpeg && EndsWithNoCase(name, ".jpeg")) return ImageFormat::Jpeg;
    return std::nullopt;
}

const char* ExtensionOf(ImageFormat format) {
    switch (format) {
        case ImageFormat::Png:
            return ".png";
        case ImageFormat::Jpeg:
            return ".jpg";
        case ImageFormat::Gif:
            return ".gif";
        case ImageFormat::Bmp:
            return ".bmp";
        case ImageFormat::Tiff:
            return ".tif";
        case ImageFormat::Pdf:
            return ".pdf";
    }
    return "";
}

namespace {

constexpr const char* kNotAPicture = ": not a PNG, JPEG, GIF, BMP or TIFF file";

Status ReadImage(const std::string& path, const PageVisitor& visit, bool firstOnly) {
    File file(path.c_str(), "rb");
    if (!file.IsOpen()) return Status::Error(path + ": cannot open: " + std::strerror(errno));
    struct stat info {};
    if (::fstat(::fileno(file.Get()), &info) != 0) return ReadError(path, errno);
    if (S_ISDIR(info.st_mode)) return Status::Error(path + ": is a folder, not an image file");

    std::uint8_t head[kSniffBytes];
    const std::size_t headBytes = std::fread(head, 1, sizeof head, file.Get());
    if (std::ferror(file.Get())) return ReadError(path, errno);
    if (headBytes == 0) return Status::Error(path + ": the file is empty");
    const std::span<const std::uint8_t> headView(head, headBytes);
    const Content content = Recognise(headView);
    if (content == Content::Pdf) {
        return Status::Error(path + ": PDF files are written, not read; give the pictures themselves");
    }
    if (content == Content::Unknown) return Status::Error(path + kNotAPicture);

    // The whole file in memory, for every decoder.
    FileBytes bytes;
    if (Status read = ReadRest(file, path, headView, bytes); !read) return read;
    file.Close();

    const std::span<const std::uint8_t> whole = bytes.View();
    if (content == Content::Tiff) return DecodeTiffPages(path, whole, firstOnly, visit);
    BMP_File picture;
    Resolution resolution;
    Status decoded;
    switch (content) {
        case Content::Png:
            decoded = DecodePng(path, whole, picture, &resolution);
            break;
        case Content::Jpeg:
            decoded = DecodeJpeg(path, whole, picture, &resolution);
            break;
        case Content::Gif:
            decoded = DecodeGif(path, whole, picture);
            break;
        case Content::Bmp:
            // Uncompressed 24-bit files are read by BMP_File's own rules, which take a file that ends early.
            decoded = bmp::IsPlainBmp24(whole) ? picture.ReadBmp(whole, path) : DecodeBmp(path, whole, picture);
            break;
        case Content::Tiff:
        case Content::Pdf:
        case Content::Unknown:
            return Status::Error(path + kNotAPicture);
    }
    if (!decoded) return decoded;
    return visit(picture, resolution, 0, 1);
}

Status WriteImage(const std::string& path, const BMP_File& picture, ImageFormat format, int threads, int jpegQuality,
                  Resolution resolution) {
    if (format == ImageFormat::Bmp) return picture.WriteBmp(path);
    if (format == ImageFormat::Tiff) {
        if (picture.IsEmpty()) return Status::Error(path + ": cannot save an empty picture as TIFF");
        AtomicFile file(path);
        if (Status opened = file.Open(); !opened) return opened;
        TiffWriter writer(path);
        Status written = writer.Open(file);
        if (written) written = writer.AddPage(picture, resolution, threads);
        if (written) written = writer.Close();
        return written || writer.WriteFailed() ? file.Commit() : written;
    }
    if (format == ImageFormat::Pdf) {
        PdfOptions options;
        options.quality = jpegQuality;
        PdfWriter writer(path, options);
        if (Status added = writer.AddPage(picture, resolution, threads); !added) return added;
        AtomicFile file(path);
        if (Status opened = file.Open(); !opened) return opened;
        if (Status written = writer.Write(file); !written) return written;
        return file.Commit();
    }
    AtomicFile file(path);
    if (Status opened = file.Open(); !opened) return opened;
    codec::EncodeSink sink(file);
    Status encoded;
    switch (format) {
        case ImageFormat::Png:
            encoded = EncodePng(path, picture, sink, threads);
            break;
        case ImageFormat::Jpeg:
            encoded = EncodeJpeg(path, picture, sink, jpegQuality);
            break;
        case ImageFormat::Gif:
            encoded = EncodeGif(path, picture, sink, threads);
            break;
        case ImageFormat::Bmp:
        case ImageFormat::Tiff:
        case ImageFormat::Pdf:
            break;
    }
    // A failed write is reported by Commit with its cause, and the target stays as it was.
    if (sink.Failed()) return file.Commit();
    if (!encoded) return encoded;  // the temporary file goes with `file`
    return file.Commit();
}

}  // namespace

// Every C library call sits below these two; a failed allocation in our own code on the way (a row buffer, a
// message) ends here as an error rather than an abort.
Status ReadImageFile(const std::string& path, BMP_File& picture, Resolution* resolution) {
    try {
        return ReadImage(
            path,
            [&picture, resolution](BMP_File& page, Resolution pageResolution, std::size_t, std::size_t) {
                picture.Swap(page);
                if (resolution != nullptr) *resolution = pageResolution;
                return Status::Ok();
            },
            true);
    } catch (const std::bad_alloc&) {
        return Status::Error(path + ": not enough memory to read the file");
    }
}

Status ReadImagePages(const std::string& path, const PageVisitor& visit) {
    try {
        return ReadImage(path, visit, false);
    } catch (const std::bad_alloc&) {
        return Status::Error(path + ": not enough memory to read the file");
    }
}

Status WriteImageFile(const std::string& path, const BMP_File& picture, ImageFormat format, int threads,
                      int jpegQuality, Resolution resolution) {
    if (threads <= 0) threads = DefaultThreadCount();
    try {
        return WriteImage(path, picture, format, threads, jpegQuality, resolution);
    } catch (const std::bad_alloc&) {
        return Status::Error(path + ": not enough memory to write the file");
    }
}
