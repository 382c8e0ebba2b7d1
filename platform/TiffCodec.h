#pragma once
// TIFF files with libtiff, from a byte block in memory to BMP_File pages, and from BMP_File pages to a file.
//
// Decoding takes strips and tiles; 1 to 16-bit grey, 8 and 16-bit RGB and RGBA, palettes, YCbCr and CMYK; every
// compression libtiff has (none, LZW, Deflate, PackBits, JPEG, CCITT G3 and G4 among them); and gives 8-bit RGB with
// alpha laid over white as for the other formats. The orientation tag is applied, so a page comes out as it is meant
// to be seen. Each page's size is checked against the picture limit, and its layout against what libtiff can
// convert, before anything is allocated for it; damaged data is an error, not a page with a grey part. Library
// errors come back as the message's cause, on one line.
//
// Encoding writes 8-bit RGB, or 8-bit grey when every pixel is grey, with Deflate (horizontal differencing), the
// resolution tags in dots per inch, and strips compressed on several threads. Each strip is deflated by whichever of
// libdeflate (repeats at any distance) and zlib's run-length strategy makes the smaller output of a sample of its
// rows (one in kTiffSampleShare, from its middle), as the PNG writer chooses for its bands. A writer holds one file
// and takes any number of pages.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "base/AtomicFile.h"
#include "base/Status.h"
#include "imaging/BMP_File.h"
#include "platform/Resolution.h"

// Called for each page in file order with the decoded page (the callee may take its pixels), the page's resolution
// from its tags, its index from 0 and the file's page count. A failure stops the decoding and is returned.
using TiffPageVisitor =
    std::function<Status(BMP_File& page, Resolution resolution, std::size_t index, std::size_t count)>;

// Decodes every page, or only the first with firstOnly. `path` names the file in messages, with the page number when
// the file has several.
Status DecodeTiffPages(const std::string& path, std::span<const std::uint8_t> bytes, bool firstOnly,
                       const TiffPageVisitor& visit);

// Decodes the first page into picture; on failure picture is unchanged.
Status DecodeTiff(const std::string& path, std::span<const std::uint8_t> bytes, BMP_File& picture);

// Writes TIFF pages into the temporary file of an open AtomicFile, which the caller commits after Close. libtiff reads
// back what it wrote when it links a page to the one before; that goes through a second, read-only descriptor of
// the temporary file. Messages name `path`.
class TiffWriter {
public:
    explicit TiffWriter(std::string path);
    ~TiffWriter();
    TiffWriter(const TiffWriter&) = delete;
    TiffWriter& operator=(const TiffWriter&) = delete;

    Status Open(AtomicFile& file);
    // Appends one page. Up to `threads` threads compress it; the bytes do not depend on how many.
    Status AddPage(const BMP_File& picture, Resolution resolution, int threads);
    // Writes what libtiff still holds; the stream stays open.
    Status Close();

    std::size_t PageCount() const { return m_pages; }
    // True after a write to the file failed: committing the AtomicFile then reports the cause.
    bool WriteFailed() const;

    struct State;  // the libtiff handle and what its callbacks share

private:
    std::string m_path;
    std::unique_ptr<State> m_state;
    std::size_t m_pages = 0;
};

// Rows per strip of the pages written: about kTiffStripBytes of pixel data each.
inline constexpr std::size_t kTiffStripBytes = std::size_t{512} << 10;
inline constexpr int kTiffDeflateLevel = 5;
inline constexpr std::int32_t kTiffSampleShare = 8;  // one row in this many, at least one
