#include "imaging/StageResize.h"

#include "base/Limits.h"
#include "imaging/ScaleNearest.h"
#include "imaging/StageSupport.h"

bool ResizeStage(BMP_File& image, BMP_File& scratch, std::uint32_t sizeX, std::uint32_t sizeY, int threads) {
    // A size of 0 means "no resize"; a size past the limit (a negative profile value read as unsigned is one) is
    // refused before anything is allocated.
    if (image.IsEmpty() || &image == &scratch || !FitsPictureLimit(sizeX, sizeY)) return false;
    const auto width = static_cast<std::int32_t>(sizeX);
    const auto height = static_cast<std::int32_t>(sizeY);
    // Equal lengths give identity tables: the picture stays as it is.
    if (width == image.Width() && height == image.Height()) return true;
    if (!ScaleNearest(image, scratch, width, height, threads)) return false;
    AdoptPixels(image, scratch);
    return true;
}
