#include "platform/PhotoFile.h"

#include <exiv2/exiv2.hpp>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <mutex>
#include <utility>

#include "base/AtomicFile.h"
#include "imaging/Orientation.h"

namespace {

// Exiv2's XMP toolkit must be set up once before threads use the library (saves run on a worker, the command line
// runs one picture per core).
void InitialiseOnce() {
    static std::once_flag once;
    std::call_once(once, [] { Exiv2::XmpParser::initialize(); });
}

bool IsPhotoType(int type) {
    return type == Exiv2::ImageType::jpeg || type == Exiv2::ImageType::png;
}

// The metadata of a JPEG or PNG file; nothing for other files or when Exiv2 cannot read it.
PhotoMetadata ReadMetadata(const std::string& path) {
    PhotoMetadata metadata;
    try {
        const auto image = Exiv2::ImageFactory::open(path);
        if (image.get() == nullptr || !IsPhotoType(image->imageType())) return metadata;
        image->readMetadata();
        Exiv2::ExifData& exif = image->exifData();
        if (!exif.empty()) {
            const auto tag = exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
            if (tag != exif.end() && tag->count() > 0) metadata.orientation = static_cast<std::int32_t>(tag->toLong());
            Exiv2::Blob blob;
            Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, exif);
            metadata.exif.assign(blob.begin(), blob.end());
        }
        if (image->iccProfileDefined()) {
            const Exiv2::DataBuf* icc = image->iccProfile();
            metadata.icc.assign(icc->pData_, icc->pData_ + icc->size_);
        }
    } catch (const std::exception&) {
        return PhotoMetadata{};  // damaged or unknown metadata: the picture comes without it
    }
    return metadata;
}

// A file beside the target that goes when this object goes.
class ScratchFile {
public:
    explicit ScratchFile(const std::string& target) : m_path(target + ".meta-XXXXXX") {
        const int fd = ::mkstemp(m_path.data());
        if (fd >= 0) {
            ::close(fd);
            m_bMade = true;
        }
    }
    ~ScratchFile() {
        if (m_bMade) ::unlink(m_path.c_str());
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    bool Made() const { return m_bMade; }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
    bool m_bMade = false;
};

// The EXIF data for a new file of width × height: upright, no thumbnail, the new pixel dimensions.
Exiv2::ExifData RewrittenExif(const PhotoMetadata& metadata, std::int32_t width, std::int32_t height) {
    Exiv2::ExifData exif;
    if (metadata.exif.empty()) return exif;
    Exiv2::ExifParser::decode(exif, metadata.exif.data(), static_cast<std::uint32_t>(metadata.exif.size()));
    Exiv2::ExifThumb(exif).erase();
    exif["Exif.Image.Orientation"] = static_cast<std::uint16_t>(1);
    const auto setIfPresent = [&exif](const char* key, std::int32_t value) {
        const auto tag = exif.findKey(Exiv2::ExifKey(key));
        if (tag != exif.end()) tag->setValue(std::to_string(value));
    };
    setIfPresent("Exif.Photo.PixelXDimension", width);
    setIfPresent("Exif.Photo.PixelYDimension", height);
    return exif;
}

Status Embed(const std::string& path, const BMP_File& picture, ImageFormat format, const PhotoMetadata& metadata,
             int threads, int jpegQuality) {
    ScratchFile scratch(path);
    if (!scratch.Made()) return Status::Error(path + ": cannot write: " + std::strerror(errno));
    if (Status encoded = WriteImageFile(scratch.Path(), picture, format, threads, jpegQuality); !encoded) {
        return Status::Error(path + ": " + encoded.message());
    }
    std::vector<std::uint8_t> bytes;
    try {
        const auto image = Exiv2::ImageFactory::open(scratch.Path());
        image->readMetadata();
        if (!metadata.exif.empty()) image->setExifData(RewrittenExif(metadata, picture.Width(), picture.Height()));
        if (!metadata.icc.empty()) {
            Exiv2::DataBuf icc(metadata.icc.data(), static_cast<long>(metadata.icc.size()));
            image->setIccProfile(icc, true);
        }
        image->writeMetadata();
        Exiv2::BasicIo& io = image->io();
        io.open();
        const long size = io.size();
        bytes.resize(static_cast<std::size_t>(size));
        io.seek(0, Exiv2::BasicIo::beg);
        const long read = io.read(bytes.data(), size);
        io.close();
        if (read != size) return Status::Error(path + ": the photo data could not be added: short read");
    } catch (const std::exception& error) {
        return Status::Error(path + ": the photo data could not be added: " + error.what());
    }
    AtomicFile file(path);
    if (Status opened = file.Open(); !opened) return opened;
    file.Write(bytes.data(), bytes.size());
    return file.Commit();
}

}  // namespace

Status ReadPhotoFile(const std::string& path, BMP_File& picture, PhotoMetadata& metadata) {
    InitialiseOnce();
    BMP_File decoded;
    Resolution resolution;
    if (Status read = ReadImageFile(path, decoded, &resolution); !read) return read;
    PhotoMetadata found = ReadMetadata(path);
    found.resolution = resolution;
    if (!ApplyOrientation(decoded, found.orientation)) {
        return Status::Error(path + ": not enough memory to turn the picture upright");
    }
    picture = std::move(decoded);
    metadata = std::move(found);
    return Status::Ok();
}

Status WritePhotoFile(const std::string& path, const BMP_File& picture, ImageFormat format,
                      const PhotoMetadata& metadata, int threads, int jpegQuality) {
    if (metadata.Empty() || (format != ImageFormat::Jpeg && format != ImageFormat::Png)) {
        return WriteImageFile(path, picture, format, threads, jpegQuality, metadata.resolution);
    }
    InitialiseOnce();
    try {
        return Embed(path, picture, format, metadata, threads, jpegQuality);
    } catch (const std::bad_alloc&) {
        return Status::Error(path + ": not enough memory to write the file");
    }
}
