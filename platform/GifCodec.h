#pragma once
// GIF files with giflib, from a byte block in memory to a BMP_File and from a BMP_File to an encoder sink.
//
// Decoding gives the first frame drawn at its place on the logical screen. The picture is the logical screen, grown
// to hold the frame when the frame reaches past it. Pixels the frame does not cover and pixels of its transparent
// index (from the graphics control extension before it) are transparent and so white. The frame's local colour table
// is used when it has one, the global one otherwise; a pixel index beyond the table's colours is black (no read
// beyond the table). The file must be whole and sound to its trailer, later frames included (their pixel data is
// skipped, not decoded): a file that ends early, a damaged LZW stream or a frame without any colour table is an
// error, and `picture` is then unchanged.
//
// Encoding writes one frame with one global table of at most 256 colours (see GifPalette.h): exact for pictures of at
// most 256 colours, no dithering. GIF sizes are 16-bit: a wider or taller picture is an error.

#include <cstdint>
#include <span>
#include <string>

#include "base/Status.h"
#include "imaging/BMP_File.h"
#include "platform/CodecSupport.h"

// `path` names the file in messages.
Status DecodeGif(const std::string& path, std::span<const std::uint8_t> bytes, BMP_File& picture);

// On a failed write the sink holds the failure and the result is an error; `path` names the file in messages.
// Up to `threads` threads share the work; the bytes written do not depend on how many.
Status EncodeGif(const std::string& path, const BMP_File& picture, codec::EncodeSink& sink, int threads);
