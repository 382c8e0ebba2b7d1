// libFuzzer harness: any bytes as a profile, loaded onto a small picture as the command line does (the lines read,
// the refresh with its preview run), then a full-size run. Runs whose crop or resize would make a picture of more
// than kMaxResult pixels (within the picture limit, but a slow input, not a finding) skip the full-size run.

#include <cstddef>
#include <cstdint>
#include <random>
#include <string_view>

#include "app/CLumivaneState.h"
#include "imaging/StageSupport.h"

namespace {

constexpr std::int64_t kMaxResult = std::int64_t{1} << 22;

BMP_File SmallPicture() {
    BMP_File picture;
    picture.Create(24, 16);
    std::mt19937 random(7);
    for (std::size_t i = 0; i < picture.PixelCount(); ++i) {
        picture.Data()[i] = Pixel{static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
                                  static_cast<std::uint8_t>(random())};
    }
    return picture;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const BMP_File original = SmallPicture();
    CStrList lines;
    if (!lines.LoadFromText(std::string_view(reinterpret_cast<const char*>(data), size))) return 0;
    CLumivaneState state;
    BMP_File picture;
    picture.CopyFrom(original);
    if (!state.ShowAcquiredImage(std::move(picture))) return 0;
    state.LoadConfigurationLines(std::move(lines));

    const ChainParams params = state.MakeChainParams();
    std::int64_t width = original.Width(), height = original.Height();
    if (params.crop) {
        ImageRect area;
        if (ScaleRectToImage(params.rcCrop, params.pane, original.Width(), original.Height(), area)) {
            width = area.right - area.left;
            height = area.bottom - area.top;
        }
    }
    if (params.resize && params.sizeX != 0 && params.sizeY != 0) width = params.sizeX, height = params.sizeY;
    if (width > 0 && height > 0 && width > kMaxResult / height) return 0;
    static_cast<void>(state.Process(false));
    return 0;
}
