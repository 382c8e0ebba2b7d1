#pragma once
// Which files of a watched folder are pictures to correct, and where their results go.

#include <string>
#include <string_view>

#include "platform/ImageCodec.h"

// True for a picture's name: ".png", ".jpg", ".jpeg", ".gif" or ".bmp" in any case, and not a temporary name (one
// starting with a dot, or ending in ".part", ".tmp" or "~"), which copiers and browsers give a file still being
// written and rename once it is whole.
bool IsWatchedName(std::string_view name);

// The result of picture `name` in outDir: its stem with the extension of format.
std::string ResultPath(const std::string& outDir, const std::string& name, ImageFormat format);
