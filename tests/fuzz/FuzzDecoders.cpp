// libFuzzer harness: any bytes as an image file, read as lumivane-cli reads one (the format recognised by content).
// The bytes go to an in-memory file named through /proc, so the whole path from open to decoder is exercised.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/ImageCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const int fd = ::memfd_create("fuzz-image", MFD_CLOEXEC);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (fd < 0 || ::ftruncate(fd, 0) != 0) return 0;
    if (size > 0 && ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) return 0;
    BMP_File picture;
    if (ReadImageFile(path, picture)) {
        // A picture that was read is whole: every pixel can be touched.
        volatile std::uint8_t sum = 0;
        for (std::size_t i = 0; i < picture.PixelCount(); i += 4093) sum = sum + picture.Data()[i].r;
    }
    return 0;
}
