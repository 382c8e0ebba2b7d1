#include "platform/DocumentWriter.h"

#include <optional>

#include "base/AtomicFile.h"
#include "platform/TiffCodec.h"

bool IsDocumentFormat(ImageFormat format) {
    return format == ImageFormat::Pdf || format == ImageFormat::Tiff;
}

struct DocumentWriter::Parts {
    explicit Parts(const std::string& path, const PdfOptions& options) : file(path), tiff(path), pdf(path, options) {}
    AtomicFile file;
    bool opened = false;
    TiffWriter tiff;  // TIFF pages are written as they come
    PdfWriter pdf;    // PDF pages are held, encoded, until Finish
};

DocumentWriter::DocumentWriter(std::string path, ImageFormat format, PdfOptions options, int threads)
    : m_path(std::move(path)),
      m_format(format),
      m_options(options),
      m_threads(threads),
      m_parts(std::make_unique<Parts>(m_path, m_options)) {}

DocumentWriter::~DocumentWriter() = default;

Status DocumentWriter::AddPage(const BMP_File& picture, Resolution resolution) {
    if (m_failed) return Status::Error(m_path + ": the document takes no more pages after a failure");
    if (m_options.dpi) resolution = Resolution{*m_options.dpi, *m_options.dpi};
    Status added;
    if (m_format == ImageFormat::Tiff) {
        if (!m_parts->opened) {
            added = m_parts->file.Open();
            if (added) added = m_parts->tiff.Open(m_parts->file);
            m_parts->opened = added.ok();
        }
        if (added) added = m_parts->tiff.AddPage(picture, resolution, m_threads);
    } else {
        added = m_parts->pdf.AddPage(picture, resolution, m_threads);
    }
    if (!added && m_format == ImageFormat::Tiff) {
        m_failed = true;  // the file may be left half-written
        if (m_parts->tiff.WriteFailed()) return m_parts->file.Commit();  // reports the cause of the failed write
    }
    return added;
}

Status DocumentWriter::Finish() {
    if (PageCount() == 0) return Status::Error(m_path + ": no page could be written, so no document was made");
    if (m_format == ImageFormat::Tiff) {
        if (m_failed) return Status::Error(m_path + ": the document could not be completed");
        if (Status closed = m_parts->tiff.Close(); !closed) {
            return m_parts->tiff.WriteFailed() ? m_parts->file.Commit() : closed;
        }
        return m_parts->file.Commit();
    }
    if (Status opened = m_parts->file.Open(); !opened) return opened;
    if (Status written = m_parts->pdf.Write(m_parts->file); !written) return written;
    return m_parts->file.Commit();
}

std::size_t DocumentWriter::PageCount() const {
    return m_format == ImageFormat::Tiff ? m_parts->tiff.PageCount() : m_parts->pdf.PageCount();
}
