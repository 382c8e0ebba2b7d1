#pragma once
// SANE's own `test` backend for tests: a private configuration folder (SANE_CONFIG_DIR) whose dll.conf names only
// `test` and whose test.conf is the system's copy with the bed widened to 300 mm (A4 fits), the colour pattern as
// the picture and any further lines given (later lines win). Set it before the SANE session starts (the first
// listing or opening). And the backend's known patterns, to compare scanned pages pixel for pixel.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "imaging/BMP_File.h"
#include "tests/support/TestSupport.h"

namespace testsupport {

inline constexpr char kSystemTestConf[] = "/etc/sane.d/test.conf";

// Writes the private configuration into dir and points SANE_CONFIG_DIR at it. False when the system's test.conf is
// missing (the backend is not installed).
inline bool UseSaneTestBackend(const TempDir& dir, const std::string& extraLines = {}) {
    std::ifstream system(kSystemTestConf);
    if (!system) return false;
    std::stringstream conf;
    conf << system.rdbuf() << "\ngeometry_max 300.0\ntest-picture \"Color pattern\"\n" << extraLines << "\n";
    std::ofstream(dir.File("test.conf")) << conf.str();
    std::ofstream(dir.File("dll.conf")) << "test\n";
    ::setenv("SANE_CONFIG_DIR", dir.path().c_str(), 1);
    return true;
}

// Pixels per line or lines of a length in millimetres at a resolution, as the backend computes them.
inline std::int32_t SanePixels(double dpi, double millimetres) {
    return static_cast<std::int32_t>(dpi * millimetres / 25.4);
}

// The backend's "Color pattern" in 8-bit colour: a tile of 30 rows; every fifth row and every fifth pixel grey
// 0x55; between them blocks of 4 pixels whose value counts up with the block (and down in every other band of 5
// rows), in red for rows 0..9, green 10..19, blue 20..29.
inline BMP_File SaneColorPattern(std::int32_t width, std::int32_t height) {
    BMP_File page;
    EXPECT_TRUE(page.Create(width, height));
    for (std::int32_t y = 0; y < height; ++y) {
        const std::int32_t band = y % 30;
        for (std::int32_t x = 0; x < width; ++x) {
            Pixel& p = page.Row(y)[x];
            if (band % 5 == 0 || x % 5 == 0) {
                p = Pixel{0x55, 0x55, 0x55};
                continue;
            }
            const auto k = static_cast<std::uint8_t>((x / 5) & 0xff);
            const std::uint8_t value = ((band / 5) & 1) != 0 ? static_cast<std::uint8_t>(0xff - k) : k;
            p = Pixel{0, 0, 0};
            (band < 10 ? p.r : band < 20 ? p.g : p.b) = value;
        }
    }
    return page;
}

// The same picture in 8-bit grey: a tile of 10 rows, values counting up in rows 1..4 and down in rows 6..9.
inline BMP_File SaneGrayPattern(std::int32_t width, std::int32_t height) {
    BMP_File page;
    EXPECT_TRUE(page.Create(width, height));
    for (std::int32_t y = 0; y < height; ++y) {
        const std::int32_t band = y % 10;
        for (std::int32_t x = 0; x < width; ++x) {
            std::uint8_t v = 0x55;
            if (band % 5 != 0 && x % 5 != 0) {
                const auto k = static_cast<std::uint8_t>((x / 5) & 0xff);
                v = band > 5 ? static_cast<std::uint8_t>(0xff - k) : k;
            }
            page.Row(y)[x] = Pixel{v, v, v};
        }
    }
    return page;
}

// In 1-bit grey: a checker of 16 × 16 pixels, white first on rows 0..15 of each 32.
inline BMP_File SaneLineartPattern(std::int32_t width, std::int32_t height) {
    BMP_File page;
    EXPECT_TRUE(page.Create(width, height));
    for (std::int32_t y = 0; y < height; ++y) {
        const bool shifted = y % 32 >= 16;
        for (std::int32_t x = 0; x < width; ++x) {
            const bool white = ((x / 16) % 2 == 0) != shifted;
            const std::uint8_t v = white ? 255 : 0;
            page.Row(y)[x] = Pixel{v, v, v};
        }
    }
    return page;
}

}  // namespace testsupport
