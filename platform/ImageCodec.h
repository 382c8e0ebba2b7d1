#pragma once
// Image files to and from BMP_File, in memory, with no temporary files: PNG (libpng), JPEG (libjpeg-turbo), GIF
// (giflib), BMP and TIFF (libtiff); a PDF file is refused. Decoding recognises the format by the file's content; every
// picture ends as 24-bit RGB, with transparent pixels composited over white. Encoding uses each format's defaults and
// replaces the target atomically. Sizes are checked before anything is allocated; no library error escapes as an abort
// or a long jump.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/Status.h"
#include "imaging/BMP_File.h"
#include "platform/Resolution.h"

enum class ImageFormat { Png, Jpeg, Gif, Bmp, Tiff, Pdf };

// The format a file name names, by its last three characters compared without regard to case: "png", "jpg", "gif",
// "bmp", "tif" and "pdf"; a name ending in ".tiff" names TIFF too. With acceptJpeg, a name ending in ".jpeg" also names
// JPEG (the command line takes it; the window does not).
std::optional<ImageFormat> FormatFromName(std::string_view name, bool acceptJpeg = false);

// The usual extension of a format, with its dot: ".png", ".jpg", ".gif", ".bmp", ".tif", ".pdf".
const char* ExtensionOf(ImageFormat format);

// Decodes the file into picture (the first page of a TIFF file with several), and its resolution into *resolution
// when asked (unknown where the file gives none). On failure picture is unchanged and the message names the file and
// the cause. A PDF file is refused.
Status ReadImageFile(const std::string& path, BMP_File& picture, Resolution* resolution = nullptr);

// Called for each picture of a file in order: the picture (the callee may take its pixels), its resolution where the
// file gives one, its index from 0 and the number of pictures in the file. A failure stops the reading.
using PageVisitor = std::function<Status(BMP_File& page, Resolution resolution, std::size_t index, std::size_t count)>;

// Decodes every picture of the file: every page of a TIFF file, the one picture of the other formats.
Status ReadImagePages(const std::string& path, const PageVisitor& visit);

// Encodes picture into path in the given format: PNG with a per-row filter choice and deflate level 5, JPEG at quality
// 75, GIF as one frame with a palette of at most 256 colours built from the picture (exact when it has no more), BMP as
// 24-bit, TIFF as Deflate 8-bit RGB (grey when every pixel is grey) at `resolution` (300 dpi when not known), PDF
// as one page (see PdfWriter.h). On failure an existing file is untouched and the message names the file and the
// cause. PNG compression and the GIF colour table use up to `threads` threads (0: one per core); callers that already
// run one save per core pass 1. The bytes written do not depend on it. jpegQuality (1..100) is the JPEG quality (of
// a PDF page too); other formats ignore it.
Status WriteImageFile(const std::string& path, const BMP_File& picture, ImageFormat format, int threads = 0,
                      int jpegQuality = 75, Resolution resolution = {});
