#pragma once
// The colour table and the index picture of a one-frame GIF, built from a BMP_File.
//
// A picture of at most 256 distinct colours keeps them all: the table holds exactly those colours in the order they
// first appear (row by row), and every index names its pixel's own colour, so the GIF is lossless. A picture with
// more colours gets a table of at most 256 colours cut from its colour histogram: the box of colours with the
// largest squared error is split, along its widest axis, where the two halves' summed squared error is least (a cut
// that beats one at the median), and each box gives the mean colour of its pixels. Each pixel then takes the table
// entry nearest (in RGB distance) to the centre of its small colour cell, the lower index on a tie; a cache per
// cell makes that one search per cell rather than per pixel. No dithering. The result does not depend on the number
// of threads.

#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/BMP_File.h"

struct IndexedPicture {
    std::vector<Pixel> palette;               // 1 to 256 colours
    std::unique_ptr<std::uint8_t[]> indexes;  // width × height palette indexes, row-major, unpadded
};

// Fills `out` for a picture of at least one pixel. Returns false, with `out` empty, when memory cannot be had.
bool BuildIndexedPicture(const BMP_File& picture, IndexedPicture& out, int threads);

// The parts of BuildIndexedPicture, for tests and the benchmark.
namespace gifpalette {

// The distinct colours in order of first appearance and each pixel's index into them (`indexes` holds width × height
// bytes). Returns false, with `palette` and `indexes` unspecified, as soon as a 257th colour turns up.
bool ExactColours(const BMP_File& picture, std::vector<Pixel>& palette, std::uint8_t* indexes);

// A histogram of the picture with `bits` bits per channel (5 to 7): the cells that hold pixels, in order of their
// keys, each with its pixel count and the sums of its pixels' channel values. The 5-bit count is shared among up to
// `threads` threads; the finer ones, meant for pictures whose colours crowd into few cells, run on one. Throws
// std::bad_alloc when memory cannot be had.
struct Cell {
    std::uint32_t key = 0;  // r, g, b cell coordinates packed as (r << 2·bits) | (g << bits) | b
    std::uint64_t count = 0;
    std::uint64_t sum[3] = {0, 0, 0};
};
std::vector<Cell> Histogram(const BMP_File& picture, int bits, int threads);

// At most maxColours colours cut from the histogram's cells, sorted by red, then green, then blue.
std::vector<Pixel> CutPalette(std::vector<Cell> cells, int bits, int maxColours);

// The cell size used for the nearest-colour cache: fine enough that a cell never spans two histogram cells' worth
// of colours.
int CacheBitsFor(int histogramBits);

// Each pixel's index of the table entry nearest the centre of its cell of `bits` bits per channel (lower index on
// a tie). `indexes` holds width × height bytes. Throws std::bad_alloc when memory cannot be had.
void MapToNearest(const BMP_File& picture, const std::vector<Pixel>& palette, int bits, std::uint8_t* indexes,
                  int threads);

}  // namespace gifpalette
