#pragma once
// Nearest-neighbour mapping of D destination positions onto S source positions, used by the preview scaling and by
// the resize stage. The arithmetic is fixed to the last bit (single-precision D, double-precision steps) because the
// tables decide which source rows and columns a result is made of.

#include <cstdint>
#include <vector>

// Fills table with D source indices. Returns false and leaves table empty when S or D is not positive, is beyond
// kMaxPixels, or the table cannot be allocated. With lengths past 2^24 (where D is not exact in single precision) the
// last entries may reach S or a little beyond; users of the table read such indices as black.
// S = D gives 0, 1, …, D − 1; S = 2, D = 4 gives 0, 0, 0, 1; S = 4, D = 2 gives 0, 2; S = 1 gives all zeros.
bool BuildIndexTable(std::int64_t sourceLength, std::int64_t destinationLength, std::vector<std::int32_t>& table);
