#include "imaging/StageEmboss.h"
void EmbossStage(BMP_File&) {}
