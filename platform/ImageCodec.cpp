#include "platform/ImageCodec.h"
