#pragma once
// Lets GoogleTest print pane rectangles as (left, top, right, bottom) in failure messages.

#include <ostream>

#include "imaging/Rect.h"

inline void PrintTo(const Rect& r, std::ostream* os) {
    *os << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}
