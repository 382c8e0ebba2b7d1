#include "imaging/ColorSweep.h"

#include <algorithm>
#include <optional>

#include "base/Parallel.h"
#include "imaging/ColorChannelTable.h"
#include "imaging/ColorGrey.h"
#include "imaging/ColorHsbTables.h"

namespace {

// Pixels of a row handled at a time: every step of the sweep runs over one chunk while it is still in the L1 cache.
constexpr std::int32_t kChunk = 2048;

}  // namespace

void ColorSweep(BMP_File& image, const ColorOps& ops, int threads, CpuLevel level) {
    if (image.IsEmpty()) return;
    level = RunnableCpuLevel(level);

    // Chain order: grey, the inversions, HSB, contrast, brightness. Per-channel stages compose into tables: the
    // inversions before HSB, contrast with brightness after it; without HSB, all of them into one.
    ColorChannelTable before = ColorChannelTable::Invert(ops.invertRed, ops.invertGreen, ops.invertBlue);
    ColorChannelTable after;
    if (ops.contrast) after = ColorChannelTable::Contrast(ops.contrastRed, ops.contrastGreen, ops.contrastBlue);
    if (ops.brightness) {
        after = after.Then(ColorChannelTable::Brightness(ops.brightRed, ops.brightGreen, ops.brightBlue));
    }
    if (!ops.hsb) {
        before = before.Then(after);
        after = ColorChannelTable();
    }
    const bool grey = ops.greyScale;
    const bool useBefore = !before.IsIdentity();
    const bool useAfter = !after.IsIdentity();
    if (!grey && !useBefore && !ops.hsb && !useAfter) return;

    std::optional<ColorHsbTables> hsb;
    if (ops.hsb) hsb.emplace(ops.hue, ops.saturation, ops.hsbBrightness, level);

    const std::int32_t width = image.Width();
    ParallelRows(image.Height(), static_cast<std::int64_t>(image.PixelCount()), threads,
                 [&](std::int32_t begin, std::int32_t end) {
                     for (std::int32_t y = begin; y < end; ++y) {
                         Pixel* row = image.Row(y);
                         for (std::int32_t x = 0; x < width; x += kChunk) {
                             Pixel* chunk = row + x;
                             const std::int32_t count = std::min(kChunk, width - x);
                             if (grey) GreyRow(chunk, count, level);
                             if (useBefore) before.ApplyRow(chunk, count, level);
                             if (hsb) hsb->ApplyRow(chunk, count);
                             if (useAfter) after.ApplyRow(chunk, count, level);
                         }
                     }
                 });
}
