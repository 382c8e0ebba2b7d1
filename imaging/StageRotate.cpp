#include "imaging/StageRotate.h"

#include "imaging/QuarterTurn.h"
#include "imaging/StageSupport.h"

void RotateStage(BMP_File& image, BMP_File& scratch, std::int32_t quarterTurns, int threads) {
    const std::int32_t turns = ((quarterTurns % 4) + 4) % 4;
    if (turns == 0 || image.IsEmpty() || &image == &scratch) return;
    if (!QuarterTurnInto(image, scratch, turns, threads)) return;
    AdoptPixels(image, scratch);
}
