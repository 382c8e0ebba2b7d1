// lumivane-hostile-files FOLDER: writes the small hostile inputs of HostileFiles.h into FOLDER, for measuring
// lumivane-cli on them by hand (wall time and peak memory) and for seeding fuzz corpora.

#include <cstdio>
#include <fstream>
#include <string>

#include "tests/fuzz/HostileFiles.h"

namespace {

bool Write(const std::string& path, const void* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    return static_cast<bool>(out);
}

bool Write(const std::string& path, const hostile::Bytes& bytes) {
    return Write(path, bytes.data(), bytes.size());
}
bool Write(const std::string& path, const std::string& text) {
    return Write(path, text.data(), text.size());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: lumivane-hostile-files FOLDER\n", stderr);
        return 2;
    }
    const std::string folder = argv[1];
    const bool ok = Write(folder + "/bmp-2147483647x0.bmp", hostile::BmpHeaderOnly(2147483647, 0)) &&
                    Write(folder + "/jpeg-16384-1000-scans.jpg", hostile::ProgressiveJpeg(16384, 16384, 1000)) &&
                    Write(folder + "/jpeg-4096-1000-scans.jpg", hostile::ProgressiveJpeg(4096, 4096, 1000)) &&
                    Write(folder + "/jpeg-64-3-scans.jpg", hostile::ProgressiveJpeg(64, 48, 3)) &&
                    Write(folder + "/resize-268435456x1.qmx", hostile::ResizeProfile(268435456, 1)) &&
                    Write(folder + "/store-100000-keys", hostile::StoreWithKeys(100000)) &&
                    Write(folder + "/store-200000-keys", hostile::StoreWithKeys(200000));
    if (!ok) {
        std::fprintf(stderr, "lumivane-hostile-files: cannot write into %s\n", folder.c_str());
        return 1;
    }
    return 0;
}
