#pragma once
// The compressed pixel data of an 8-bit RGB PNG file (the bytes its IDAT chunks carry), made on several threads.
//
// Each row gets the one of the format's five filters whose output has the least sum of absolute values (read as
// signed bytes), the usual rule for choosing a filter per row. The rows are cut into bands of about kPngBandBytes;
// each band is deflated on its own at zlib's default level with run-length matching and closed with a sync flush,
// so that the bands, joined in order after a zlib header and followed by the Adler-32 of all filtered bytes, form
// one valid zlib stream. Which band a thread takes changes nothing in the output.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/BMP_File.h"

inline constexpr std::size_t kPngBandBytes = std::size_t{2} << 20;

struct DeflatedPiece {
    std::unique_ptr<std::uint8_t[]> data;
    std::size_t size = 0;
};

// The zlib stream: header, bands and trailer, written one after the other.
struct DeflatedRows {
    std::uint8_t header[2] = {0x78, 0x9C};  // deflate with a 32 KB window, default level
    std::vector<DeflatedPiece> bands;
    std::uint8_t trailer[4] = {};  // Adler-32 of the filtered bytes, most significant byte first
};

// Returns false, with no bands, when memory cannot be had or zlib fails.
bool DeflatePngRows(const BMP_File& picture, int threads, DeflatedRows& out);

// Filters one row of `size` bytes into out[0] (the filter type) and out[1 .. size]; `previous` is the row above,
// all zeros for the first row. `scratch` holds 4 × size bytes.
void FilterPngRow(const std::uint8_t* previous, const std::uint8_t* row, std::size_t size, std::uint8_t* out,
                  std::uint8_t* scratch);
