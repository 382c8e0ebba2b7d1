#pragma once
// Shrinks a picture by whole factors with a box filter, into 32-bit words as a pane's device image holds them
// (0xffRRGGBB, the layout of QImage::Format_RGB32). The pane uses it to bring a large picture down to between one and
// two times the pane's size in one pass over the rows, before the toolkit's smooth scaling does the rest.
//
// Target pixel (i, j) is the mean, rounded half up, of the source block of columns i·fx .. min((i + 1)·fx, W) − 1 and
// rows j·fy .. min((j + 1)·fy, H) − 1, each channel separately; the last column and row of blocks may be narrower. The
// target is ceil(W / fx) × ceil(H / fy) and its rows are `stride` words apart. No Qt.

#include <cstddef>
#include <cstdint>

#include "imaging/BMP_File.h"
#include "imaging/Rect.h"

// The size BoxReduce writes; factors below 1 count as 1.
Size BoxReducedSize(Size source, std::int32_t fx, std::int32_t fy);

// Writes the reduced picture to target (BoxReducedSize rows of `stride` ≥ width words); threads ≥ 1 may share the
// rows. An empty picture writes nothing.
void BoxReduce(const BMP_File& picture, std::int32_t fx, std::int32_t fy, std::uint32_t* target, std::size_t stride,
               int threads);

// The same for the target pixels inside blocks (target coordinates, cut to the target's size) only: the rest of the
// target is left as it is. After a change of the source inside a rectangle, reducing the blocks that cover it brings a
// reduced picture up to date, the same as reducing it all again.
void BoxReduceBlocks(const BMP_File& picture, std::int32_t fx, std::int32_t fy, std::uint32_t* target,
                     std::size_t stride, const Rect& blocks, int threads);

// The target blocks that the source pixels inside changed (source coordinates) fall into.
Rect BoxBlocksOf(const Rect& changed, Size source, std::int32_t fx, std::int32_t fy);
