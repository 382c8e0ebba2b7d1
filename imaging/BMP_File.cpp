#include "imaging/BMP_File.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include "base/AtomicFile.h"
#include "base/File.h"
#include "base/Limits.h"
#include "imaging/BmpHeader.h"
#include "imaging/QuarterTurn.h"

namespace {

// The headers of a file BMP_File reads: "BM" and 24 bits a pixel in the 54 bytes of a file header and a 40-byte info
// header (biSize is not looked at), a width that is not negative and a size within the picture limit.
Status ReadHeaders24(const std::string& path, std::span<const std::uint8_t> file, bmp::Headers& headers) {
    if (file.size() < bmp::kHeaderBytes) return Status::Error(path + ": not a BMP file (the headers are incomplete)");
    if (!bmp::HasSignature(file)) return Status::Error(path + ": not a BMP file");
    headers = bmp::ReadInfoHeaders(file);
    if (headers.bitCount != 24) {
        return Status::Error(path + ": a " + std::to_string(headers.bitCount) +
                             "-bit BMP file; only 24-bit files are read here");
    }
    if (headers.width < 0) return Status::Error(path + ": invalid BMP file (negative width)");
    // A side of 0 is refused as well: the product is then 0 however wide the other side claims to be.
    if (Status fits = CheckPictureLimit(path, headers.width, headers.height); !fits) return fits;
    return Status::Ok();
}

}  // namespace

BMP_File::BMP_File(const std::string& path) {
    static_cast<void>(ReadBmp(path));  // the caller looks at the size
}

BMP_File::BMP_File(BMP_File&& other) noexcept {
    Swap(other);
}

BMP_File& BMP_File::operator=(BMP_File&& other) noexcept {
    if (this != &other) {
        Clear();
        Swap(other);
    }
    return *this;
}

void BMP_File::Swap(BMP_File& other) noexcept {
    std::swap(m_nWidth, other.m_nWidth);
    std::swap(m_nHeight, other.m_nHeight);
    m_pixels.Swap(other.m_pixels);
    std::swap(m_spare, other.m_spare);
}

void BMP_File::Clear() {
    m_pixels.Release();
    m_nWidth = 0;
    m_nHeight = 0;
}

bool BMP_File::Reshape(std::int32_t width, std::int32_t height) {
    if (width < 0 || height < 0 || width > kMaxSide || height > kMaxSide) return false;
    const std::int64_t count = std::int64_t{width} * height;
    if (count > kMaxPixels) return false;
    if (!m_pixels.Reserve(static_cast<std::size_t>(count))) return false;
    m_nWidth = width;
    m_nHeight = height;
    return true;
}

bool BMP_File::Create(std::int32_t width, std::int32_t height) {
    if (width < 0 || height < 0 || width > kMaxSide || height > kMaxSide) return false;
    const std::int64_t count = std::int64_t{width} * height;
    if (count > kMaxPixels) return false;
    bool fresh = false;
    if (!m_pixels.Reserve(static_cast<std::size_t>(count), &fresh)) return false;
    m_nWidth = width;
    m_nHeight = height;
    if (!fresh && count > 0)
        std::memset(static_cast<void*>(m_pixels.Data()), 0, static_cast<std::size_t>(count) * sizeof(Pixel));
    return true;
}

bool BMP_File::CopyFrom(const BMP_File& source) {
    if (this == &source) return true;
    if (!Reshape(source.m_nWidth, source.m_nHeight)) return false;
    if (!source.IsEmpty()) std::memcpy(Data(), source.Data(), PixelCount() * sizeof(Pixel));
    return true;
}

Status BMP_File::ReadBmp(const std::string& path) {
    File file(path.c_str(), "rb");
    if (!file.IsOpen()) return Status::Error(path + ": cannot open: " + std::strerror(errno));
    // The headers first: a file that is not a 24-bit BMP file is refused before the rest of it is read.
    std::uint8_t header[bmp::kHeaderBytes];
    const std::span<const std::uint8_t> head(header, std::fread(header, 1, sizeof header, file.Get()));
    bmp::Headers headers;
    if (Status plain = ReadHeaders24(path, head, headers); !plain) return plain;
    FileBytes bytes;
    if (Status read = ReadRest(file, path, head, bytes); !read) return read;
    file.Close();
    return ReadBmp(bytes.View(), path);
}

Status BMP_File::ReadBmp(std::span<const std::uint8_t> file, const std::string& path) {
    bmp::Headers headers;
    if (Status plain = ReadHeaders24(path, file, headers); !plain) return plain;
    const auto width = static_cast<std::int32_t>(headers.width);
    const auto height = static_cast<std::int32_t>(headers.height);
    BMP_File picture;
    if (!picture.Create(width, height)) {
        return Status::Error(path + ": not enough memory for a picture of " + std::to_string(headers.width) + " × " +
                             std::to_string(headers.height) + " pixels");
    }

    // Pixel rows start where the header says, unless that offset is implausible; rows the file does not hold in
    // full stay black.
    std::size_t offset = bmp::kHeaderBytes;
    if (headers.pixelOffset >= bmp::kHeaderBytes && headers.pixelOffset < file.size()) offset = headers.pixelOffset;
    const auto stride = static_cast<std::size_t>(bmp::RowStride(width, 24));
    const std::size_t rows = stride == 0 ? 0 : std::min<std::size_t>((file.size() - offset) / stride, height);
    for (std::size_t r = 0; r < rows; ++r) {
        const auto y = static_cast<std::int32_t>(headers.topDown ? r : height - 1 - r);
        bmp::RowFromBgr(file.data() + offset + r * stride, width, picture.Row(y));
    }
    Swap(picture);
    return Status::Ok();
}

Status BMP_File::WriteBmp(const std::string& path) const {
    std::uint8_t header[bmp::kHeaderBytes];
    bmp::WriteHeaders24(m_nWidth, m_nHeight, header);
    AtomicFile file(path);
    if (Status opened = file.Open(); !opened) return opened;
    file.Write(header, sizeof header);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(bmp::RowStride(m_nWidth, 24)), 0);
    for (std::int32_t y = m_nHeight - 1; y >= 0; --y) {
        bmp::RowToBgr(Row(y), m_nWidth, row.data());
        if (!file.Write(row.data(), row.size())) break;
    }
    return file.Commit();
}

void BMP_File::FlipVertical() {
    const std::size_t rowBytes = static_cast<std::size_t>(m_nWidth) * sizeof(Pixel);
    std::vector<Pixel> temporary(static_cast<std::size_t>(m_nWidth));
    for (std::int32_t y = 0; y < m_nHeight / 2; ++y) {
        Pixel* top = Row(y);
        Pixel* bottom = Row(m_nHeight - 1 - y);
        std::memcpy(temporary.data(), top, rowBytes);
        std::memcpy(top, bottom, rowBytes);
        std::memcpy(bottom, temporary.data(), rowBytes);
    }
}

void BMP_File::MirrorHorizontal() {
    for (std::int32_t y = 0; y < m_nHeight; ++y) std::reverse(Row(y), Row(y) + m_nWidth);
}

bool BMP_File::RotateRight() {
    BMP_File turned;
    if (!RotateRightInto(turned)) return false;
    turned.m_spare = m_spare;
    Swap(turned);
    return true;
}

bool BMP_File::RotateRightInto(BMP_File& target) const {
    // new (x, y) = old (y, H − 1 − x), by the blocked (and, where the processor allows, vectorised) transpose.
    return QuarterTurnInto(*this, target, 1, 1);
}
