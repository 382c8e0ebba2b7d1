#pragma once
// The compressed pixel data of an 8-bit RGB or grey PNG file (the bytes its IDAT chunks carry), made on several
// threads.
//
// The rows are cut into bands of about kPngBandBytes, and each band is filtered and deflated on its own by one of
// two coders, whichever makes the smaller output of a sample of its rows (one in kPngSampleShare, from its middle):
//
// - Matches: libdeflate at kPngDeflateLevel, which finds repeats at any distance. Each row gets one of the format's
//   five filters by the usual rule, the least sum of absolute values of its output (read as signed bytes), with one
//   refinement: in a smooth row, one whose output under a filter averages less than kPngSmoothBytes per byte, Up and
//   Sub count for less (kPngSmoothWeight), since their output keeps the picture's own pattern along the row (Up) or
//   down the columns (Sub), which deflate finds again as long matches. The band is then made to end on a byte
//   boundary without the final block flag (MakeDeflateJoinable), unless it is the last.
// - Runs: zlib's run-length strategy, which only repeats the byte before. Each row gets the filter whose output
//   takes the fewest bits coded by its own byte frequencies (its Shannon entropy), the cost that matters when almost
//   everything is a literal. zlib's sync flush ends the band on a byte boundary.
//
// Runs win on soft, smooth photographs (skies, blurred backgrounds), where libdeflate's short matches cost more bits
// than the literals they replace; matches win on texture and on flat areas. Joined in order after a zlib header and
// followed by the Adler-32 of all filtered bytes, the bands form one valid zlib stream. The output depends on the
// picture alone: not on the number of threads, nor on which band a thread takes.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/BMP_File.h"

inline constexpr std::size_t kPngBandBytes = std::size_t{2} << 20;
inline constexpr int kPngDeflateLevel = 5;
inline constexpr std::int32_t kPngSampleShare = 32;  // one row in this many, at least one
inline constexpr std::uint64_t kPngSmoothBytes = 3;
// Weights in fifths, by filter type (None, Sub, Up, Average, Paeth), for the sums of a smooth row.
inline constexpr std::uint64_t kPngWeightScale = 5;
inline constexpr std::uint64_t kPngSmoothWeight[5] = {5, 4, 3, 5, 5};

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

// The samples each pixel has in the file: red, green and blue, or one grey (the red of a picture whose pixels are
// all grey, see IsGreyPicture).
enum class PngSamples { Rgb, Grey };

// Returns false, with no bands, when memory cannot be had or the compressor fails.
bool DeflatePngRows(const BMP_File& picture, int threads, DeflatedRows& out, PngSamples samples = PngSamples::Rgb);

// Whether every pixel has equal red, green and blue, so that a grey PNG holds the picture exactly in a third of
// the samples.
bool IsGreyPicture(const BMP_File& picture);

// How a row's filter is chosen: least weighted sum of magnitudes (for the matching coder) or least entropy (for
// the run-length one); see above.
enum class PngFilterRule { WeightedSum, Entropy };

// Filters one row of `size` bytes, `pixelBytes` (3 or 1) to a pixel, into out[0] (the filter type) and
// out[1 .. size]; `previous` is the row above, all zeros for the first row. `scratch` holds 4 × size bytes.
void FilterPngRow(const std::uint8_t* previous, const std::uint8_t* row, std::size_t size, std::size_t pixelBytes,
                  std::uint8_t* out, std::uint8_t* scratch, PngFilterRule rule = PngFilterRule::WeightedSum);

// Turns a complete raw deflate stream of `size` bytes, which decompresses to `rawSize` bytes, into one that more
// deflate data may follow: the final flag of its last block is cleared and an empty stored block brings it to a
// byte boundary (what zlib's sync flush writes). `piece` must have room for size + 5 bytes; `size` grows by up to 5.
// Returns false when the bytes are not such a stream.
bool MakeDeflateJoinable(std::uint8_t* piece, std::size_t& size, std::size_t rawSize);
