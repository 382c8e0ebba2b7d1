#include "platform/PdfWriter.h"

#include <libdeflate.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <new>
#include <stdexcept>
#include <utility>

#include "platform/CodecSupport.h"
#include "platform/PdfObjects.h"
#include "platform/PngDeflate.h"

#ifndef LUMIVANE_VERSION
#define LUMIVANE_VERSION "0"
#endif

namespace {

bool AllGrey(const BMP_File& picture) {
    const Pixel* p = picture.Data();
    for (std::size_t i = 0, n = picture.PixelCount(); i < n; ++i) {
        if (p[i].r != p[i].g || p[i].g != p[i].b) return false;
    }
    return true;
}

// The grey channel of a grey picture, one byte per pixel.
std::string GreyPlane(const BMP_File& picture) {
    std::string plane(picture.PixelCount(), '\0');
    const Pixel* p = picture.Data();
    for (std::size_t i = 0; i < plane.size(); ++i) plane[i] = static_cast<char>(p[i].r);
    return plane;
}

// Baseline JPEG pages through one TurboJPEG handle and one output buffer kept for the whole document: a fresh
// buffer for every page, grown while the page is written, added about a third to the encoding time of an A4 page.
// The buffer is made as large as the library says a page of that size can need, so it is never grown or moved;
// pages whose worst case passes kKeptBufferLimit get a buffer of their own that grows as they need.
class JpegPageEncoder {
public:
    JpegPageEncoder() = default;
    ~JpegPageEncoder() {
        if (m_handle != nullptr) tjDestroy(m_handle);
        tjFree(m_buffer);
    }
    JpegPageEncoder(const JpegPageEncoder&) = delete;
    JpegPageEncoder& operator=(const JpegPageEncoder&) = delete;

    // The pixels (3 bytes each, or 1 for grey) at the quality; empty with `error` set on failure.
    std::string Encode(const std::uint8_t* pixels, std::int32_t width, std::int32_t height, bool grey, int quality,
                       std::string& error) {
        const int sampling = grey ? TJSAMP_GRAY : TJSAMP_420;
        if (m_handle == nullptr) m_handle = tjInitCompress();
        const unsigned long needed = tjBufSize(width, height, sampling);
        const bool kept = needed <= kKeptBufferLimit;
        if (kept && needed > m_capacity) {
            tjFree(m_buffer);
            m_buffer = tjAlloc(static_cast<int>(needed));
            m_capacity = m_buffer != nullptr ? needed : 0;
        }
        if (m_handle == nullptr || (kept && m_buffer == nullptr)) {
            error = "not enough memory to encode JPEG";
            return {};
        }
        unsigned char* own = nullptr;  // a page beyond the limit: the library's own buffer, grown as it needs
        unsigned char** out = kept ? &m_buffer : &own;
        unsigned long size = kept ? m_capacity : 0;
        std::string data;
        if (tjCompress2(m_handle, pixels, width, width * (grey ? 1 : 3), height, grey ? TJPF_GRAY : TJPF_RGB, out,
                        &size, sampling, quality, kept ? TJFLAG_NOREALLOC : 0) != 0) {
            error = tjGetErrorStr2(m_handle);
        } else {
            data.assign(reinterpret_cast<const char*>(*out), size);
        }
        tjFree(own);
        return data;
    }

private:
    static constexpr unsigned long kKeptBufferLimit = 64ul << 20;

    tjhandle m_handle = nullptr;
    unsigned char* m_buffer = nullptr;
    unsigned long m_capacity = 0;
};

// The zlib stream of PNG-filtered RGB rows, as PngDeflate makes it for PNG files.
std::string FlateRgb(const BMP_File& picture, int threads) {
    DeflatedRows rows;
    if (!DeflatePngRows(picture, threads, rows)) throw std::bad_alloc();
    std::size_t size = sizeof rows.header + sizeof rows.trailer;
    for (const DeflatedPiece& band : rows.bands) size += band.size;
    std::string data;
    data.reserve(size);
    data.append(reinterpret_cast<const char*>(rows.header), sizeof rows.header);
    for (const DeflatedPiece& band : rows.bands) data.append(reinterpret_cast<const char*>(band.data.get()), band.size);
    data.append(reinterpret_cast<const char*>(rows.trailer), sizeof rows.trailer);
    return data;
}

// The zlib stream of a grey plane, each row with PNG filter Sub (type 1), which Predictor 15 names.
std::string FlateGrey(const BMP_File& picture) {
    const auto width = static_cast<std::size_t>(picture.Width());
    std::string filtered;
    filtered.resize((width + 1) * static_cast<std::size_t>(picture.Height()));
    auto* out = reinterpret_cast<std::uint8_t*>(filtered.data());
    for (std::int32_t y = 0; y < picture.Height(); ++y) {
        const Pixel* row = picture.Row(y);
        *out++ = 1;
        std::uint8_t previous = 0;
        for (std::size_t x = 0; x < width; ++x) {
            *out++ = static_cast<std::uint8_t>(row[x].r - previous);
            previous = row[x].r;
        }
    }
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(kPngDeflateLevel);
    if (compressor == nullptr) throw std::bad_alloc();
    std::string data(libdeflate_zlib_compress_bound(compressor, filtered.size()), '\0');
    const std::size_t size =
        libdeflate_zlib_compress(compressor, filtered.data(), filtered.size(), data.data(), data.size());
    libdeflate_free_compressor(compressor);
    if (size == 0) throw std::runtime_error("the page could not be compressed");
    data.resize(size);
    return data;
}

std::string OneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

}  // namespace

struct PdfWriter::Document {
    PdfObjects objects;
    JpegPageEncoder jpeg;
};

PdfWriter::PdfWriter(std::string path, PdfOptions options) : m_path(std::move(path)), m_options(options) {}

PdfWriter::~PdfWriter() = default;

Status PdfWriter::AddPage(const BMP_File& picture, Resolution resolution, int threads) {
    if (picture.IsEmpty()) return Status::Error(m_path + ": cannot save an empty picture as PDF");
    try {
        if (!m_document) m_document = std::make_unique<Document>();
        PdfObjects::Image image;
        image.width = picture.Width();
        image.height = picture.Height();
        image.grey = AllGrey(picture);
        image.flate = m_options.lossless;
        if (m_options.lossless) {
            image.data = image.grey ? FlateGrey(picture) : FlateRgb(picture, threads);
        } else {
            std::string error;
            if (image.grey) {
                const std::string plane = GreyPlane(picture);
                image.data = m_document->jpeg.Encode(reinterpret_cast<const std::uint8_t*>(plane.data()),
                                                     picture.Width(), picture.Height(), true, m_options.quality, error);
            } else {
                image.data = m_document->jpeg.Encode(reinterpret_cast<const std::uint8_t*>(picture.Data()),
                                                     picture.Width(), picture.Height(), false, m_options.quality, error);
            }
            if (image.data.empty()) return Status::Error(m_path + ": cannot encode the page as JPEG (" + error + ")");
        }
        const Resolution dpi = m_options.dpi ? Resolution{*m_options.dpi, *m_options.dpi} : resolution.Or(kDefaultDpi);
        m_document->objects.AddPage(std::move(image), PagePoints(picture.Width(), dpi.x),
                                    PagePoints(picture.Height(), dpi.y));
    } catch (const std::bad_alloc&) {
        return Status::Error(m_path + ": not enough memory for the page");
    } catch (const std::exception& e) {
        return Status::Error(m_path + ": cannot make the PDF page (" + OneLine(e.what()) + ")");
    }
    ++m_pages;
    return Status::Ok();
}

Status PdfWriter::Write(AtomicFile& file) {
    if (m_pages == 0 || !m_document) return Status::Error(m_path + ": a PDF document needs at least one page");
    // The AtomicFile keeps the cause of a failed write; Commit reports it.
    bool writeFailed = false;
    try {
        m_document->objects.Write(std::string("Lumivane ") + LUMIVANE_VERSION,
                                  [&](const unsigned char* data, std::size_t size) {
                                      writeFailed = !file.Write(data, size);
                                      return !writeFailed;
                                  });
    } catch (const std::bad_alloc&) {
        return Status::Error(m_path + ": not enough memory to write the PDF document");
    } catch (const std::exception& e) {
        if (writeFailed) return file.Commit();  // reports the cause of the failed write
        return Status::Error(m_path + ": cannot write the PDF document (" + OneLine(e.what()) + ")");
    }
    return Status::Ok();
}
