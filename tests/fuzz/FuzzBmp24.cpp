// libFuzzer harness: any bytes as a file for BMP_File's own 24-bit reader, which takes files whose pixel data ends
// early.

#include <cstddef>
#include <cstdint>
#include <span>

#include "imaging/BMP_File.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    BMP_File picture;
    if (picture.ReadBmp(std::span<const std::uint8_t>(data, size), "fuzz.bmp")) {
        volatile std::uint8_t last = picture.IsEmpty() ? 0 : picture.Data()[picture.PixelCount() - 1].g;
        static_cast<void>(last);
    }
    return 0;
}
