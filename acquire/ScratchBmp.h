#pragma once
// A page written as an uncompressed 24-bit BMP file for the scan command, which reads it back at once and removes it:
// the file is written with plain buffered writes, not synced to disk and not replaced atomically (it lives in a
// private temporary folder for a moment; syncing an A4 page of 26 MB took hundreds of milliseconds). A failure names
// the file and the cause and removes what was written. No Qt.

#include <string>

#include "base/Status.h"
#include "imaging/BMP_File.h"

Status WriteScratchBmp(const BMP_File& page, const std::string& path);
