#include "ReferenceGeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "base/Limits.h"

namespace reference {
namespace {

__extension__ typedef __int128 Int128;

// PixelAt for 64-bit coordinates: anything past the 32-bit range is outside the picture as well.
Pixel& At(BMP_File& image, std::int64_t x, std::int64_t y) {
    constexpr std::int64_t lo = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t hi = std::numeric_limits<std::int32_t>::max();
    if (x < lo || x > hi || y < lo || y > hi) return image.PixelAt(-1, -1);
    return image.PixelAt(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y));
}

// Pane-to-image scale: trunc(e × (image side ÷ pane side)), in double precision.
std::int64_t ScaleEdge(std::int32_t edge, std::int32_t imageSide, std::int32_t paneSide) {
    const double scale = static_cast<double>(imageSide) / static_cast<double>(paneSide);
    return static_cast<std::int64_t>(std::trunc(static_cast<double>(edge) * scale));
}

}  // namespace

std::vector<std::int32_t> IndexTable(std::int64_t source, std::int64_t destination) {
    std::vector<std::int32_t> table;
    if (source <= 0 || destination <= 0 || source > kMaxPixels || destination > kMaxPixels) return table;
    if (source == destination) {
        for (std::int64_t i = 0; i < destination; ++i) table.push_back(static_cast<std::int32_t>(i));
        return table;
    }
    const double df = static_cast<float>(destination);
    const double s = static_cast<double>(source);
    double step;
    double e;
    std::int64_t index;
    if (source < destination) {
        step = (df / (s - 1)) * (1 - 1 / df);
        e = 0;
        index = -1;
    } else {
        step = (df / s) * (1 - 1 / df);
        e = df / s + 1;
        index = 0;
    }
    while (static_cast<std::int64_t>(table.size()) < destination) {
        if (e >= 1 || std::isnan(e)) {
            table.push_back(static_cast<std::int32_t>(index));
            e -= 1;
        } else {
            index += 1;
            e += step;
        }
    }
    return table;
}

void ScaleNearest(const BMP_File& source, BMP_File& destination, std::int32_t width, std::int32_t height) {
    const std::vector<std::int32_t> columns = IndexTable(source.Width(), width);
    const std::vector<std::int32_t> rows = IndexTable(source.Height(), height);
    if (columns.empty() || rows.empty()) return;
    BMP_File copy;
    copy.CopyFrom(source);
    destination.Create(width, height);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            destination.PixelAt(x, y) =
                copy.PixelAt(columns[static_cast<std::size_t>(x)], rows[static_cast<std::size_t>(y)]);
        }
    }
}

void Crop(BMP_File& image, const Rect& rcCrop, Size pane) {
    if (pane.width <= 0 || pane.height <= 0) return;
    const std::int64_t left = ScaleEdge(rcCrop.left, image.Width(), pane.width);
    const std::int64_t top = ScaleEdge(rcCrop.top, image.Height(), pane.height);
    const std::int64_t right = ScaleEdge(rcCrop.right, image.Width(), pane.width);
    const std::int64_t bottom = ScaleEdge(rcCrop.bottom, image.Height(), pane.height);
    if (right <= left || bottom <= top) return;
    if (right - left > kMaxSide || bottom - top > kMaxSide || (right - left) * (bottom - top) > kMaxPixels) return;

    BMP_File temporary;
    temporary.CopyFrom(image);
    image.Create(static_cast<std::int32_t>(right - left), static_cast<std::int32_t>(bottom - top));
    for (std::int32_t j = 0; j < bottom - top; ++j) {
        for (std::int32_t i = 0; i < right - left; ++i) image.PixelAt(i, j) = At(temporary, left + i, top + j);
    }
}

void Resize(BMP_File& image, std::uint32_t x, std::uint32_t y) {
    if (x == 0 || y == 0) return;
    if (x > kMaxSide || y > kMaxSide || std::int64_t{x} * y > kMaxPixels) return;
    BMP_File temporary;
    temporary.CopyFrom(image);
    ScaleNearest(temporary, image, static_cast<std::int32_t>(x), static_cast<std::int32_t>(y));
}

void Light(BMP_File& image, const Rect& rcLight, Size pane, std::int32_t r, std::int32_t g, std::int32_t b) {
    if (pane.width <= 0 || pane.height <= 0) return;
    const std::int64_t left = ScaleEdge(rcLight.left, image.Width(), pane.width);
    const std::int64_t top = ScaleEdge(rcLight.top, image.Height(), pane.height);
    const std::int64_t right = ScaleEdge(rcLight.right, image.Width(), pane.width);
    const std::int64_t bottom = ScaleEdge(rcLight.bottom, image.Height(), pane.height);
    const std::int64_t cx = (left + right) / 2;
    const std::int64_t cy = (top + bottom) / 2;
    const std::int64_t rx = (right - left) / 2;
    const std::int64_t ry = (bottom - top) / 2;
    if (left >= right) return;
    const int target[3] = {std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255)};

    // Pixels outside the picture are skipped, so only the part inside is walked.
    for (std::int64_t y = std::max<std::int64_t>(top, 0); y < std::min<std::int64_t>(bottom, image.Height()); ++y) {
        for (std::int64_t x = std::max<std::int64_t>(left, 0); x < std::min<std::int64_t>(right, image.Width()); ++x) {
            const Int128 dx = x - cx;
            const Int128 dy = y - cy;
            const double first = static_cast<double>(dx * dx) / static_cast<double>(Int128{rx} * rx);
            const float second = static_cast<float>(dy * dy) / static_cast<float>(Int128{ry} * ry);
            const float q = static_cast<float>(first + static_cast<double>(second));
            const auto d = static_cast<float>(std::sqrt(static_cast<double>(q)));
            if (std::isnan(q)) continue;
            const float k = std::trunc((1.0f - d) * 200.0f);
            if (k < 0) continue;
            Pixel& pixel = At(image, x, y);
            std::uint8_t* channels[3] = {&pixel.r, &pixel.g, &pixel.b};
            for (int c = 0; c < 3; ++c) {
                const int p = *channels[c];
                const int t = target[c];
                const int moved = t >= p ? std::min(p + static_cast<int>(k), t) : std::max(p - static_cast<int>(k), t);
                *channels[c] = static_cast<std::uint8_t>(moved);
            }
        }
    }
}

void Rotate(BMP_File& image, std::int32_t quarterTurns) {
    const std::int32_t turns = ((quarterTurns % 4) + 4) % 4;
    for (std::int32_t turn = 0; turn < turns; ++turn) {
        const std::int32_t width = image.Width();
        const std::int32_t height = image.Height();
        BMP_File turned;
        turned.Create(height, width);
        for (std::int32_t y = 0; y < height; ++y) {
            for (std::int32_t x = 0; x < width; ++x) turned.PixelAt(y, x) = image.PixelAt(x, y);
        }
        for (std::int32_t y = 0; y < width; ++y) {
            for (std::int32_t x = 0; x < height / 2; ++x)
                std::swap(turned.PixelAt(x, y), turned.PixelAt(height - 1 - x, y));
        }
        image = std::move(turned);
    }
}

}  // namespace reference
