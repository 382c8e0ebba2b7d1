#pragma once
// The resolution a picture was taken at, in dots per inch across and down; 0 where it is not known. Documents use it
// for the size of a page, TIFF files carry it in their resolution tags.

inline constexpr double kDefaultDpi = 300.0;

struct Resolution {
    double x = 0.0;
    double y = 0.0;

    bool Known() const { return x > 0.0 && y > 0.0; }
    // This resolution when known, else `fallback` both ways.
    Resolution Or(double fallback) const { return Known() ? *this : Resolution{fallback, fallback}; }
};
