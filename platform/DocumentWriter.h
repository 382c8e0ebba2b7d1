#pragma once
// One document of many pages, PDF or TIFF, filled a page at a time and complete on disk only at Finish: the pages go
// to a temporary file beside the target, which Finish renames over it. A caller whose next page fails may still
// Finish, and the document then holds the pages before the failure.

#include <cstddef>
#include <memory>
#include <string>

#include "base/Status.h"
#include "imaging/BMP_File.h"
#include "platform/ImageCodec.h"
#include "platform/PdfWriter.h"
#include "platform/Resolution.h"

// True for the formats that hold several pages: PDF and TIFF.
bool IsDocumentFormat(ImageFormat format);

class DocumentWriter {
public:
    // `format` is ImageFormat::Pdf or ImageFormat::Tiff. options.dpi, when given, is every page's resolution (TIFF
    // tags as well); quality and lossless concern PDF. Up to `threads` threads compress a page.
    DocumentWriter(std::string path, ImageFormat format, PdfOptions options, int threads);
    ~DocumentWriter();  // without Finish, nothing is written and the target is untouched
    DocumentWriter(const DocumentWriter&) = delete;
    DocumentWriter& operator=(const DocumentWriter&) = delete;

    // Encodes the page and appends it. After a failure the document takes no more pages.
    Status AddPage(const BMP_File& picture, Resolution resolution);
    // Writes the pages added so far and replaces the target; fails when there are none.
    Status Finish();

    std::size_t PageCount() const;
    const std::string& Path() const { return m_path; }

private:
    struct Parts;
    std::string m_path;
    ImageFormat m_format;
    PdfOptions m_options;
    int m_threads;
    std::unique_ptr<Parts> m_parts;
    bool m_failed = false;
};
