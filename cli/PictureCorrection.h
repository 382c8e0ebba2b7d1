#pragma once
// One picture through the corrections, as `apply` and `watch` both run it: a fresh shared state started with the
// panes at the given size, the profile loaded, the --set lines applied, the rotation set, the picture acquired, the
// full-size (or preview) run, the result written.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/Limits.h"
#include "base/Status.h"
#include "imaging/Rect.h"
#include "platform/ImageCodec.h"
#include "storage/CStrList.h"

// The corrections every picture gets, read once: the profile's lines and the --set lines.
struct Corrections {
    std::optional<CStrList> profile;
    std::string sets;  // the --set lines, one "KEY=VALUE" a line
};

// How each picture is taken besides its corrections.
struct CorrectionRun {
    Size pane{288, 193};
    std::int32_t rotate = 0;
    bool preview = false;
    int jpegQuality = 75;  // 1..100, for JPEG results
    std::int64_t maxPixels = kMaxPixels;  // larger pictures are refused, before their pixels are read when possible
};

// Reads the profile when one is named (the error names it) and joins the --set lines.
Status ReadCorrections(const std::optional<std::string>& profile, const std::vector<std::string>& sets,
                       Corrections& corrections);

// One picture from input to output in format; the error names the file and the cause.
Status CorrectPicture(const CorrectionRun& run, const Corrections& corrections, const std::string& input,
                      const std::string& output, ImageFormat format, int stageThreads);
