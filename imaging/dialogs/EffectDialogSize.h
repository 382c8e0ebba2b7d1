#pragma once
// The fixed size of an effect settings dialog, given in dialog units and mapped to pixels with the program's base
// units 6 × 13: x pixels = dlu × 6 / 4 and y pixels = dlu × 13 / 8, each rounded half away from zero. The mapping
// works on the rectangle's edges, and the dialogs' rectangles start at 0, so a size maps like an edge.

#include <QSize>
#include <cstdint>

// value × numerator ÷ denominator rounded half away from zero; the denominator must be positive.
std::int32_t EffectMulDivRound(std::int32_t value, std::int32_t numerator, std::int32_t denominator);

// The client size in pixels of a dialog widthDlu × heightDlu dialog units large.
QSize EffectDialogSize(std::int32_t widthDlu, std::int32_t heightDlu);
