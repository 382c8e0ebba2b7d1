#pragma once
// Turns a picture as it was stored into the picture as it is meant to be seen, by the orientation tag a camera writes
// (1..8): 1 as stored, 2 mirrored left to right, 3 turned half round, 4 mirrored top to bottom, 5 mirrored along the
// diagonal from the top left (rows become columns), 6 turned a quarter clockwise, 7 mirrored along the other diagonal,
// 8 turned a quarter anticlockwise. 5 to 8 swap width and height. Any other value leaves the picture as it is.

#include <cstdint>

#include "imaging/BMP_File.h"

// False (the picture as it was) when memory for the turned picture cannot be had.
bool ApplyOrientation(BMP_File& picture, std::int32_t orientation);
