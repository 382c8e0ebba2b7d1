#pragma once
// BMP files that BMP_File::ReadBmp does not read as they are (bmp::IsPlainBmp24 tells them apart), converted to 24
// bits: 1, 2, 4 and 8-bit palettes (also run-length coded, RLE8 and RLE4), 16 and 32-bit pixels with or without
// colour masks, 24-bit files with the old 12-byte header, bottom-up and top-down rows.
//
// - A palette index beyond the file's colour table is black.
// - 16 and 32-bit pixels use the masks of the header (the 5-5-5 and 8-8-8 defaults without), each channel scaled to
//   0..255 with rounding. An alpha mask lays the pixels over white by their alpha, unless every alpha value is 0,
//   which writers that do not use alpha leave behind; such a picture is opaque.
// - Pixels a run-length coded file skips (by a move or an early end of line or picture) are transparent: white.
// - A file whose pixel data ends early (every row with its padding; run-length data up to its end-of-picture code),
//   or whose header is damaged, is an error and `picture` is unchanged. Sizes are checked, against the limit and
//   against the bytes the file holds, before anything is allocated.

#include <cstdint>
#include <span>
#include <string>

#include "base/Status.h"
#include "imaging/BMP_File.h"

// `path` names the file in messages.
Status DecodeBmp(const std::string& path, std::span<const std::uint8_t> bytes, BMP_File& picture);
