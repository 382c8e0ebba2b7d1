#pragma once
// JPEG files with libjpeg-turbo, from a byte block in memory to a BMP_File and from a BMP_File to an encoder sink.
//
// Decoding takes greyscale, YCbCr/RGB and CMYK/YCCK files (CMYK as Adobe writes it, inverted, when the file carries
// Adobe's marker; plain CMYK otherwise) and gives 8-bit RGB. A file that ends early or whose entropy-coded data the
// library finds damaged is an error, not a picture with a grey or smeared part; `picture` is then unchanged. Library
// errors come back with the library's own message. A file of more than 100 scans is refused before anything is
// allocated.
//
// Encoding refuses a side beyond 65,500 pixels (the format's limit) before it allocates, and writes a baseline YCbCr
// file at the given quality (1..100, default 75; values outside are clamped) with the library's defaults otherwise.

#include <cstdint>
#include <span>
#include <string>

#include "base/Status.h"
#include "imaging/BMP_File.h"
#include "platform/CodecSupport.h"

// `path` names the file in messages.
// *resolution, when given, gets what the JFIF marker says in dots per inch (unknown when it gives only an aspect).
Status DecodeJpeg(const std::string& path, std::span<const std::uint8_t> bytes, BMP_File& picture,
                  Resolution* resolution = nullptr);

// On a failed write the sink holds the failure and the result is an error; `path` names the file in messages.
inline constexpr int kJpegQuality = 75;

Status EncodeJpeg(const std::string& path, const BMP_File& picture, codec::EncodeSink& sink,
                  int quality = kJpegQuality);
