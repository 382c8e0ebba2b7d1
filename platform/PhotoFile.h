#pragma once
// Picture files as a photographer has them: the codecs of ImageCodec.h, plus the camera's notes (EXIF) and the colour
// profile (ICC) of a JPEG or PNG file, read and written through Exiv2.
//
// ReadPhotoFile decodes the file and, for a JPEG or PNG (a PNG's EXIF may sit in an eXIf chunk), turns the picture
// upright by its EXIF orientation and keeps its EXIF data and ICC profile in `metadata`. WritePhotoFile encodes a
// picture and, when it is written as JPEG or PNG and metadata holds something, puts the ICC profile and the EXIF data
// into the new file, with the orientation set to upright (the pixels already are), the embedded thumbnail dropped (it
// would show the old picture) and the pixel dimensions set to the new size. The target is replaced in one step, as
// WriteImageFile does. Metadata that cannot be read is left out (the picture still loads); metadata that cannot be
// written fails the save with its cause.

#include <cstdint>
#include <string>
#include <vector>

#include "base/Status.h"
#include "imaging/BMP_File.h"
#include "platform/ImageCodec.h"
#include "platform/Resolution.h"

struct PhotoMetadata {
    std::vector<std::uint8_t> exif;  // the EXIF block as TIFF bytes (no "Exif\0\0" head); empty when none
    std::vector<std::uint8_t> icc;   // the ICC profile; empty when none
    std::int32_t orientation = 1;    // the EXIF orientation the file had, already applied to the picture
    Resolution resolution;           // what the file gives (TIFF) or the scanner scanned at; goes into TIFF and PDF

    bool Empty() const { return exif.empty() && icc.empty(); }
};

// ReadImageFile, then the orientation applied and the metadata taken. On failure picture and metadata are unchanged.
Status ReadPhotoFile(const std::string& path, BMP_File& picture, PhotoMetadata& metadata);

// WriteImageFile, with metadata carried into a JPEG or PNG target (see above) and its resolution into a TIFF or PDF.
Status WritePhotoFile(const std::string& path, const BMP_File& picture, ImageFormat format,
                      const PhotoMetadata& metadata, int threads = 0, int jpegQuality = 75);
