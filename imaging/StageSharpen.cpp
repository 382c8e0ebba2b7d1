#include "imaging/StageSharpen.h"
void SharpenStage(BMP_File&) {}
