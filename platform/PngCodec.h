#pragma once
// PNG files with libpng, from a byte block in memory to a BMP_File and from a BMP_File to an encoder sink.
//
// Decoding takes every colour type and bit depth, palettes (with their transparency chunk), 16-bit samples (scaled
// to 8 bits with rounding) and interlaced files, and gives 8-bit RGB; transparent and partly transparent pixels are
// laid over white by their alpha. The whole file must be there up to its end chunk: a file that ends early or whose
// data is damaged is an error, and `picture` is then unchanged. Library errors come back as the message's cause.
//
// Encoding writes 8-bit RGB, not interlaced, at zlib's default compression level (see PngDeflate.h for the filters
// and how the work is shared among threads).

#include <cstdint>
#include <span>
#include <string>

#include "base/Status.h"
#include "imaging/BMP_File.h"
#include "platform/CodecSupport.h"

// `path` names the file in messages.
// *resolution, when given, gets what the pHYs chunk says in dots per inch (unknown without one in pixels per metre).
Status DecodePng(const std::string& path, std::span<const std::uint8_t> bytes, BMP_File& picture,
                 Resolution* resolution = nullptr);

// On a failed write the sink holds the failure and the result is an error; `path` names the file in messages.
// Up to `threads` threads share the work; the bytes written do not depend on how many.
Status EncodePng(const std::string& path, const BMP_File& picture, codec::EncodeSink& sink, int threads);
