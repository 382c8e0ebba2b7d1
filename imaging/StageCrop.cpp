#include "imaging/StageCrop.h"

#include <algorithm>
#include <cstring>

#include "base/Limits.h"
#include "base/Parallel.h"
#include "imaging/StageSupport.h"

bool CropStage(BMP_File& image, BMP_File& scratch, const Rect& rcCrop, Size pane, int threads) {
    ImageRect area;
    if (image.IsEmpty() || !ScaleRectToImage(rcCrop, pane, image.Width(), image.Height(), area)) return false;
    const std::int64_t newWidth = area.right - area.left;
    const std::int64_t newHeight = area.bottom - area.top;
    if (!FitsPictureLimit(newWidth, newHeight)) return false;

    const std::int64_t width = image.Width();
    const std::int64_t height = image.Height();
    // The whole picture: nothing to copy.
    if (area.left == 0 && area.top == 0 && newWidth == width && newHeight == height) return true;
    if (&image == &scratch ||
        !scratch.Reshape(static_cast<std::int32_t>(newWidth), static_cast<std::int32_t>(newHeight))) {
        return false;
    }

    // Each new row is a black run, the part of the old row inside the rectangle, and a black run; rows of the
    // rectangle above or below the picture are black throughout.
    const std::int64_t firstColumn = std::clamp<std::int64_t>(area.left, 0, width);
    const std::int64_t lastColumn = std::clamp<std::int64_t>(area.right, 0, width);
    const std::int64_t copied = std::max<std::int64_t>(lastColumn - firstColumn, 0);
    const std::int64_t blackBefore = copied > 0 ? firstColumn - area.left : newWidth;
    const std::int64_t blackAfter = newWidth - blackBefore - copied;
    const std::size_t rowBytes = static_cast<std::size_t>(newWidth) * sizeof(Pixel);
    const auto rows = static_cast<std::int32_t>(newHeight);
    ParallelRows(rows, newWidth * newHeight, threads, [&](std::int32_t begin, std::int32_t end) {
        for (std::int32_t j = begin; j < end; ++j) {
            auto* out = reinterpret_cast<unsigned char*>(scratch.Row(j));
            const std::int64_t y = area.top + j;
            if (y < 0 || y >= height || copied == 0) {
                std::memset(out, 0, rowBytes);
                continue;
            }
            const Pixel* in = image.Row(static_cast<std::int32_t>(y)) + firstColumn;
            std::memset(out, 0, static_cast<std::size_t>(blackBefore) * sizeof(Pixel));
            out += blackBefore * 3;
            std::memcpy(out, in, static_cast<std::size_t>(copied) * sizeof(Pixel));
            out += copied * 3;
            std::memset(out, 0, static_cast<std::size_t>(blackAfter) * sizeof(Pixel));
        }
    });
    AdoptPixels(image, scratch);
    return true;
}
