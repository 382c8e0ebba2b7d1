#include "cli/PictureCorrection.h"

#include <new>
#include <utility>

#include "app/CLumivaneState.h"
#include "platform/PhotoFile.h"
#include "platform/PictureSize.h"

namespace {

Status CorrectPictureOrThrow(const CorrectionRun& run, const Corrections& corrections, const std::string& input,
                             const std::string& output, ImageFormat format, int stageThreads);

}  // namespace

Status ReadCorrections(const std::optional<std::string>& profile, const std::vector<std::string>& sets,
                       Corrections& corrections) {
    Corrections read;
    if (profile) {
        read.profile.emplace();
        Status status;
        try {
            status = read.profile->ReadFile(*profile);
        } catch (const std::bad_alloc&) {
            status = Status::Error("not enough memory for " + *profile);
        }
        if (!status) return status;
    }
    for (const std::string& line : sets) read.sets += line + "\n";
    corrections = std::move(read);
    return Status::Ok();
}

// Memory running out anywhere fails this picture alone: a batch or a watch goes on with the next.
Status CorrectPicture(const CorrectionRun& run, const Corrections& corrections, const std::string& input,
                      const std::string& output, ImageFormat format, int stageThreads) {
    try {
        return CorrectPictureOrThrow(run, corrections, input, output, format, stageThreads);
    } catch (const std::bad_alloc&) {
        return Status::Error("not enough memory for " + input);
    }
}

namespace {

Status CorrectPictureOrThrow(const CorrectionRun& run, const Corrections& corrections, const std::string& input,
                             const std::string& output, ImageFormat format, int stageThreads) {
    CLumivaneState state(run.pane);
    state.SetThreads(stageThreads);
    if (corrections.profile) state.LoadConfigurationLines(*corrections.profile);
    if (!corrections.sets.empty()) state.ApplyProfileLines(corrections.sets);
    state.SetRotation(run.rotate);

    const auto tooLarge = [&](std::int64_t width, std::int64_t height) {
        return Status::Error(input + ": a picture of " + std::to_string(width) + " × " + std::to_string(height) +
                             " pixels is larger than the limit of " + std::to_string(run.maxPixels) + " pixels");
    };
    if (run.maxPixels < kMaxPixels) {
        if (const auto size = DeclaredSizeOfFile(input); size && size->width * size->height > run.maxPixels) {
            return tooLarge(size->width, size->height);
        }
    }
    // A photo comes in upright; its EXIF data and colour profile go into a full-size JPEG or PNG result.
    BMP_File picture;
    PhotoMetadata metadata;
    if (Status read = ReadPhotoFile(input, picture, metadata); !read) return read;
    if (static_cast<std::int64_t>(picture.Width()) * picture.Height() > run.maxPixels) {
        return tooLarge(picture.Width(), picture.Height());
    }
    if (!state.ShowAcquiredImage(std::move(picture))) {
        return Status::Error(input + ": the picture could not be taken (no pixels, or not enough memory)");
    }
    if (!run.preview) {
        if (const Status processed = state.Process(false); !processed) {
            return Status::Error(input + ": " + processed.message());
        }
    }
    if (run.preview) return WriteImageFile(output, state.ProcessedImage(), format, stageThreads, run.jpegQuality);
    return WritePhotoFile(output, state.ProcessedImage(), format, metadata, stageThreads, run.jpegQuality);
}

}  // namespace
