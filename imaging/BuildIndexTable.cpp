#include "imaging/BuildIndexTable.h"

#include <cmath>
#include <new>

#include "base/Limits.h"

bool BuildIndexTable(std::int64_t sourceLength, std::int64_t destinationLength, std::vector<std::int32_t>& table) {
    table.clear();
    // Lengths beyond the picture limit cannot belong to a picture; refusing them also keeps every index (which never
    // runs more than a step past the source) inside 32 bits.
    if (sourceLength <= 0 || destinationLength <= 0 || sourceLength > kMaxPixels || destinationLength > kMaxPixels) {
        return false;
    }
    const auto count = static_cast<std::size_t>(destinationLength);
    try {
        table.resize(count);
    } catch (const std::bad_alloc&) {
        table.clear();
        return false;
    }
    std::int32_t* out = table.data();

    if (sourceLength == destinationLength) {
        for (std::size_t i = 0; i < count; ++i) out[i] = static_cast<std::int32_t>(i);
        return true;
    }

    // The destination length passes through single precision (exact up to 2^24), the rest is double precision.
    const double df = static_cast<double>(static_cast<float>(destinationLength));
    const auto source = static_cast<double>(sourceLength);
    double step = 0.0;
    double e = 0.0;
    std::int32_t s = 0;
    if (sourceLength < destinationLength) {
        // Enlarging: (D − 1) ÷ (S − 1) destination positions per source position. A source of length 1 makes the
        // step infinite and every entry 0.
        step = (df / (source - 1.0)) * (1.0 - 1.0 / df);
        e = 0.0;
        s = -1;
    } else {
        // Reducing: (D − 1) ÷ S, with the accumulator starting past 1 so that source position 0 comes first.
        step = (df / source) * (1.0 - 1.0 / df);
        e = df / source + 1.0;
        s = 0;
    }

    // Each source position is written while the accumulator holds a whole step; a not-a-number accumulator writes
    // too, so the loop always ends. The step is positive whenever more than one entry is needed, so s advances.
    std::size_t written = 0;
    while (written < count) {
        if (e >= 1.0 || std::isnan(e)) {
            out[written++] = s;
            e -= 1.0;
        } else {
            ++s;
            e += step;
        }
    }
    return true;
}
