#include "imaging/StageCrop.h"
bool CropStage(BMP_File&, BMP_File&, const Rect&, Size) { return false; }
