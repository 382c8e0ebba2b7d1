#pragma once
// PDF documents through qpdf: each picture a page of its own size, in the order added. The page size comes from the
// picture's resolution (kDefaultDpi when it has none, or the one the caller imposes), so a picture scanned at 300
// dpi prints at its real size. Colour pages are JPEG (DCT) at the given quality, or with `lossless` Flate with PNG
// predictors; grey pages (every pixel grey) are one grey channel, JPEG or Flate likewise. The image data goes into
// the file as encoded here: qpdf is told not to decode or re-encode it. The document carries its creation date and
// "Lumivane VERSION" as producer.
//
// The pages are held in memory, encoded, until Write; a document is written whole or not at all.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "base/AtomicFile.h"
#include "base/Status.h"
#include "imaging/BMP_File.h"
#include "platform/Resolution.h"

struct PdfOptions {
    std::optional<double> dpi;  // imposed on every page; otherwise each page's own, else kDefaultDpi
    int quality = 75;           // JPEG quality of colour and grey pages, 1..100
    bool lossless = false;      // Flate instead of JPEG
};

class PdfWriter {
public:
    // `path` names the document in messages.
    PdfWriter(std::string path, PdfOptions options);
    ~PdfWriter();
    PdfWriter(const PdfWriter&) = delete;
    PdfWriter& operator=(const PdfWriter&) = delete;

    // Encodes the picture and appends it as a page. Up to `threads` threads compress a lossless page.
    Status AddPage(const BMP_File& picture, Resolution resolution, int threads);
    // Writes the document with every page added so far into the AtomicFile's temporary file (the caller commits).
    Status Write(AtomicFile& file);

    std::size_t PageCount() const { return m_pages; }

    struct Document;  // the document's PDF objects

private:
    std::string m_path;
    PdfOptions m_options;
    std::unique_ptr<Document> m_document;
    std::size_t m_pages = 0;
};

// The page size in points (1/72 inch) of `pixels` at `dpi`.
inline double PagePoints(std::int32_t pixels, double dpi) {
    return pixels * 72.0 / dpi;
}
