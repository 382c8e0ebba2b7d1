#include "acquire/ScratchBmp.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/File.h"
#include "imaging/BmpHeader.h"

Status WriteScratchBmp(const BMP_File& page, const std::string& path) {
    File file(path.c_str(), "wb");
    if (!file.IsOpen()) return Status::Error(path + ": cannot create: " + std::strerror(errno));
    std::uint8_t header[bmp::kHeaderBytes];
    bmp::WriteHeaders24(page.Width(), page.Height(), header);
    bool ok = std::fwrite(header, 1, sizeof header, file.Get()) == sizeof header;
    // Bottom-up rows, written some at a time.
    const auto stride = static_cast<std::size_t>(bmp::RowStride(page.Width(), 24));
    constexpr std::int32_t kRowsPerWrite = 64;
    std::vector<std::uint8_t> rows(stride * kRowsPerWrite, 0);
    for (std::int32_t y = page.Height() - 1; ok && y >= 0;) {
        std::size_t used = 0;
        for (std::int32_t n = 0; n < kRowsPerWrite && y >= 0; ++n, --y, used += stride) {
            bmp::RowToBgr(page.Row(y), page.Width(), rows.data() + used);
        }
        ok = std::fwrite(rows.data(), 1, used, file.Get()) == used;
    }
    const int writeError = errno;
    if (!file.Close() || !ok) {
        std::remove(path.c_str());
        return Status::Error(path + ": cannot write: " + std::strerror(ok ? errno : writeError));
    }
    return Status::Ok();
}
