#include "imaging/BMP_File.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include "base/AtomicFile.h"
#include "base/File.h"
#include "base/Limits.h"
#include "imaging/QuarterTurn.h"

namespace {

constexpr std::size_t kHeaderBytes = 54;  // file header (14) and info header (40)

std::uint16_t ReadLe16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t ReadLe32(const unsigned char* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}

void WriteLe16(unsigned char* p, std::uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

void WriteLe32(unsigned char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

// Bytes of one file row: three per pixel, padded to a multiple of four.
std::int64_t StrideOf(std::int64_t width) {
    return (width * 3 + 3) / 4 * 4;
}

bool Fail(std::string* error, std::string text) {
    if (error != nullptr) *error = std::move(text);
    return false;
}

}  // namespace

BMP_File::BMP_File(const std::string& path) {
    LoadBmp(path);
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
    if (width < 0 || height < 0) return false;
    const std::int64_t count = std::int64_t{width} * height;
    if (count > kMaxPixels) return false;
    if (!m_pixels.Reserve(static_cast<std::size_t>(count))) return false;
    m_nWidth = width;
    m_nHeight = height;
    return true;
}

bool BMP_File::Create(std::int32_t width, std::int32_t height) {
    if (width < 0 || height < 0) return false;
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

bool BMP_File::LoadBmp(const std::string& path, std::string* error) {
    File file(path.c_str(), "rb");
    if (!file.IsOpen()) return Fail(error, path + ": cannot open: " + std::strerror(errno));

    unsigned char header[kHeaderBytes];
    if (std::fread(header, 1, kHeaderBytes, file.Get()) != kHeaderBytes) {
        return Fail(error, path + ": not a BMP file (the headers are incomplete)");
    }
    if (ReadLe16(header) != 0x4D42) return Fail(error, path + ": not a BMP file");
    const int bitCount = ReadLe16(header + 28);
    if (bitCount != 24) {
        return Fail(error, path + ": a " + std::to_string(bitCount) + "-bit BMP file; only 24-bit files are read here");
    }
    const auto width = static_cast<std::int32_t>(ReadLe32(header + 18));
    const auto storedHeight = static_cast<std::int32_t>(ReadLe32(header + 22));
    if (width < 0) return Fail(error, path + ": invalid BMP file (negative width)");
    // A negative height means the rows are stored top-down.
    const std::int64_t height = storedHeight < 0 ? -std::int64_t{storedHeight} : std::int64_t{storedHeight};
    if (std::int64_t{width} * height > kMaxPixels) {
        return Fail(error, path + ": a picture of " + std::to_string(width) + " × " + std::to_string(height) +
                               " pixels is larger than the largest picture accepted (" + std::to_string(kMaxPixels) +
                               " pixels)");
    }

    BMP_File picture;
    if (!picture.Create(width, static_cast<std::int32_t>(height))) {
        return Fail(error, path + ": not enough memory for a picture of " + std::to_string(width) + " × " +
                               std::to_string(height) + " pixels");
    }

    // Pixel rows start where the header says, unless that offset is implausible.
    std::int64_t offset = static_cast<std::int64_t>(kHeaderBytes);
    const std::int64_t announced = ReadLe32(header + 10);
    struct stat info {};
    if (::fstat(::fileno(file.Get()), &info) == 0 && announced >= offset && announced < info.st_size) {
        offset = announced;
    }
    if (offset != static_cast<std::int64_t>(kHeaderBytes) &&
        std::fseek(file.Get(), static_cast<long>(offset), SEEK_SET) != 0) {
        return Fail(error, path + ": cannot read: " + std::strerror(errno));
    }

    const std::int64_t stride = StrideOf(width);
    std::vector<unsigned char> row(static_cast<std::size_t>(stride));
    for (std::int64_t r = 0; r < height; ++r) {
        if (stride == 0 || std::fread(row.data(), 1, row.size(), file.Get()) != row.size()) break;
        const auto y = static_cast<std::int32_t>(storedHeight < 0 ? r : height - 1 - r);
        Pixel* out = picture.Row(y);
        const unsigned char* in = row.data();
        for (std::int32_t x = 0; x < width; ++x, in += 3) out[x] = Pixel{in[2], in[1], in[0]};
    }
    Swap(picture);
    return true;
}

bool BMP_File::SaveBmp(const std::string& path, std::string* error) const {
    const std::int64_t stride = StrideOf(m_nWidth);
    const std::int64_t imageBytes = stride * m_nHeight;

    unsigned char header[kHeaderBytes] = {};
    WriteLe16(header + 0, 0x4D42);
    WriteLe32(header + 2, static_cast<std::uint32_t>(imageBytes + static_cast<std::int64_t>(kHeaderBytes)));
    WriteLe32(header + 10, static_cast<std::uint32_t>(kHeaderBytes));
    WriteLe32(header + 14, 40);
    WriteLe32(header + 18, static_cast<std::uint32_t>(m_nWidth));
    WriteLe32(header + 22, static_cast<std::uint32_t>(m_nHeight));
    WriteLe16(header + 26, 1);
    WriteLe16(header + 28, 24);
    WriteLe32(header + 30, 0);
    WriteLe32(header + 34, static_cast<std::uint32_t>(imageBytes));
    WriteLe32(header + 38, 2834);
    WriteLe32(header + 42, 2834);

    AtomicFile file(path);
    if (Status opened = file.Open(); !opened) return Fail(error, opened.message());
    file.Write(header, sizeof header);
    std::vector<unsigned char> row(static_cast<std::size_t>(stride), 0);
    for (std::int32_t y = m_nHeight - 1; y >= 0; --y) {
        const Pixel* in = Row(y);
        unsigned char* out = row.data();
        for (std::int32_t x = 0; x < m_nWidth; ++x, out += 3) {
            out[0] = in[x].b;
            out[1] = in[x].g;
            out[2] = in[x].r;
        }
        if (!file.Write(row.data(), row.size())) break;
    }
    if (Status committed = file.Commit(); !committed) return Fail(error, committed.message());
    return true;
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
