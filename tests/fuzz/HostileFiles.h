#pragma once
// Small files that once cost Lumivane seconds to minutes and gigabytes, made here rather than kept in the repository.
// The bound tests feed them to lumivane-cli and the readers; the fuzz harnesses' seed corpora and
// `lumivane-hostile-files` write them out for measurement.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace hostile {

using Bytes = std::vector<std::uint8_t>;

// A 54-byte 24-bit BMP header announcing width × height (no pixel data): 2147483647 × 0 is the case that allocated a
// row of the width.
Bytes BmpHeaderOnly(std::int32_t width, std::int32_t height);

// A greyscale progressive JPEG of width × height mid-grey pixels (sides multiples of 8) whose AC coefficients are
// sent `scans` times over: a DC scan, then `scans` − 1 identical AC scans, each legal on its own. 4096 × 4096 with
// 1000 scans is about 60 KB; 16384 × 16384 about 700 KB.
Bytes ProgressiveJpeg(std::uint32_t width, std::uint32_t height, int scans);

// A profile that turns resize on with the given size.
std::string ResizeProfile(std::int64_t sizeX, std::int64_t sizeY);

// A per-user store file with `keys` keys and no values (about 9 bytes a key).
std::string StoreWithKeys(int keys);

}  // namespace hostile
