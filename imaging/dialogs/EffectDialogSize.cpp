#include "imaging/dialogs/EffectDialogSize.h"

std::int32_t EffectMulDivRound(std::int32_t value, std::int32_t numerator, std::int32_t denominator) {
    // In 64 bits, so no product of two 32-bit values overflows.
    const std::int64_t product = std::int64_t{value} * numerator;
    std::int64_t quotient = product / denominator;  // truncated toward zero
    const std::int64_t remainder = product % denominator;
    const std::int64_t twiceRemainder = remainder < 0 ? -2 * remainder : 2 * remainder;
    if (twiceRemainder >= denominator) quotient += product < 0 ? -1 : 1;
    return static_cast<std::int32_t>(quotient);
}

QSize EffectDialogSize(std::int32_t widthDlu, std::int32_t heightDlu) {
    return {EffectMulDivRound(widthDlu, 6, 4), EffectMulDivRound(heightDlu, 13, 8)};
}
