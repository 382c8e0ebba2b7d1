#include "platform/PdfWriter.h"

#include <libdeflate.h>
#include <qpdf/Constants.h>
#include <turbojpeg.h>
#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <qpdf/QUtil.hh>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <new>
#include <stdexcept>

#include "platform/CodecSupport.h"
#include "platform/PngDeflate.h"

#ifndef LUMIVANE_VERSION
#define LUMIVANE_VERSION "0"
#endif

struct PdfWriter::Document {
    QPDF pdf;
};

namespace {

using Object = QPDFObjectHandle;

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

class JpegCompressor {
public:
    JpegCompressor() : m_handle(tjInitCompress()) {}
    ~JpegCompressor() {
        if (m_handle != nullptr) tjDestroy(m_handle);
    }
    JpegCompressor(const JpegCompressor&) = delete;
    JpegCompressor& operator=(const JpegCompressor&) = delete;
    tjhandle Get() const { return m_handle; }

private:
    tjhandle m_handle;
};

// Baseline JPEG of the pixels (3 bytes each, or 1 for grey) at the quality; empty with `error` set on failure.
std::string EncodeJpeg(const std::uint8_t* pixels, std::int32_t width, std::int32_t height, bool grey, int quality,
                       std::string& error) {
    JpegCompressor compressor;
    if (compressor.Get() == nullptr) {
        error = "not enough memory to encode JPEG";
        return {};
    }
    unsigned char* out = nullptr;
    unsigned long size = 0;
    const int pitch = width * (grey ? 1 : 3);
    if (tjCompress2(compressor.Get(), pixels, width, pitch, height, grey ? TJPF_GRAY : TJPF_RGB, &out, &size,
                    grey ? TJSAMP_GRAY : TJSAMP_420, quality, 0) != 0) {
        error = tjGetErrorStr2(compressor.Get());
        tjFree(out);
        return {};
    }
    std::string data(reinterpret_cast<const char*>(out), size);
    tjFree(out);
    return data;
}

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

// Writes qpdf's output through the AtomicFile, which keeps the cause of a failed write.
class AtomicFilePipeline : public Pipeline {
public:
    explicit AtomicFilePipeline(AtomicFile& file) : Pipeline("Lumivane output", nullptr), m_file(file) {}
    void write(unsigned char const* data, size_t length) override {
        if (!m_file.Write(data, length)) {
            m_failed = true;
            throw std::runtime_error("the file could not be written");
        }
    }
    void finish() override {}
    bool Failed() const { return m_failed; }

private:
    AtomicFile& m_file;
    bool m_failed = false;
};

std::string OneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

}  // namespace

PdfWriter::PdfWriter(std::string path, PdfOptions options) : m_path(std::move(path)), m_options(options) {}

PdfWriter::~PdfWriter() = default;

Status PdfWriter::AddPage(const BMP_File& picture, Resolution resolution, int threads) {
    if (picture.IsEmpty()) return Status::Error(m_path + ": cannot save an empty picture as PDF");
    try {
        if (!m_document) {
            m_document = std::make_unique<Document>();
            m_document->pdf.emptyPDF();
        }
        QPDF& pdf = m_document->pdf;
        const bool grey = AllGrey(picture);
        std::string data;
        Object filter;
        Object parameters = Object::newNull();
        if (m_options.lossless) {
            data = grey ? FlateGrey(picture) : FlateRgb(picture, threads);
            filter = Object::newName("/FlateDecode");
            parameters = Object::newDictionary();
            parameters.replaceKey("/Predictor", Object::newInteger(15));
            parameters.replaceKey("/Colors", Object::newInteger(grey ? 1 : 3));
            parameters.replaceKey("/BitsPerComponent", Object::newInteger(8));
            parameters.replaceKey("/Columns", Object::newInteger(picture.Width()));
        } else {
            std::string error;
            if (grey) {
                const std::string plane = GreyPlane(picture);
                data = EncodeJpeg(reinterpret_cast<const std::uint8_t*>(plane.data()), picture.Width(),
                                  picture.Height(), true, m_options.quality, error);
            } else {
                data = EncodeJpeg(reinterpret_cast<const std::uint8_t*>(picture.Data()), picture.Width(),
                                  picture.Height(), false, m_options.quality, error);
            }
            if (data.empty()) return Status::Error(m_path + ": cannot encode the page as JPEG (" + error + ")");
            filter = Object::newName("/DCTDecode");
        }

        Object image = pdf.newStream();
        Object imageDict = image.getDict();
        imageDict.replaceKey("/Type", Object::newName("/XObject"));
        imageDict.replaceKey("/Subtype", Object::newName("/Image"));
        imageDict.replaceKey("/Width", Object::newInteger(picture.Width()));
        imageDict.replaceKey("/Height", Object::newInteger(picture.Height()));
        imageDict.replaceKey("/ColorSpace", Object::newName(grey ? "/DeviceGray" : "/DeviceRGB"));
        imageDict.replaceKey("/BitsPerComponent", Object::newInteger(8));
        image.replaceStreamData(data, filter, parameters);
        data.clear();
        data.shrink_to_fit();

        const Resolution dpi = m_options.dpi ? Resolution{*m_options.dpi, *m_options.dpi} : resolution.Or(kDefaultDpi);
        const double width = PagePoints(picture.Width(), dpi.x);
        const double height = PagePoints(picture.Height(), dpi.y);
        // The page's drawing: the image scaled from its unit square to the whole page.
        const std::string drawing = "q " + QUtil::double_to_string(width, 4) + " 0 0 " +
                                    QUtil::double_to_string(height, 4) + " 0 0 cm /Im0 Do Q\n";
        Object xobjects = Object::newDictionary();
        xobjects.replaceKey("/Im0", image);
        Object resources = Object::newDictionary();
        resources.replaceKey("/XObject", xobjects);
        Object page = Object::newDictionary();
        page.replaceKey("/Type", Object::newName("/Page"));
        page.replaceKey("/MediaBox", Object::newArray(Object::Rectangle(0, 0, width, height)));
        page.replaceKey("/Resources", resources);
        page.replaceKey("/Contents", pdf.newStream(drawing));
        QPDFPageDocumentHelper(pdf).addPage(QPDFPageObjectHelper(pdf.makeIndirectObject(page)), false);
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
    AtomicFilePipeline output(file);
    try {
        QPDF& pdf = m_document->pdf;
        Object info = Object::newDictionary();
        info.replaceKey("/Producer", Object::newUnicodeString(std::string("Lumivane ") + LUMIVANE_VERSION));
        info.replaceKey("/CreationDate",
                        Object::newString(QUtil::qpdf_time_to_pdf_time(QUtil::get_current_qpdf_time())));
        pdf.getTrailer().replaceKey("/Info", pdf.makeIndirectObject(info));
        QPDFWriter writer(pdf);
        writer.setOutputPipeline(&output);
        // The image data stays exactly as encoded above; only the small page drawings are compressed.
        writer.setDecodeLevel(qpdf_dl_none);
        writer.setCompressStreams(true);
        writer.write();
    } catch (const std::bad_alloc&) {
        return Status::Error(m_path + ": not enough memory to write the PDF document");
    } catch (const std::exception& e) {
        if (output.Failed()) return file.Commit();  // reports the cause of the failed write
        return Status::Error(m_path + ": cannot write the PDF document (" + OneLine(e.what()) + ")");
    }
    return Status::Ok();
}
