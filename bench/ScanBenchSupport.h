#pragma once
// What the scanning benchmarks share: SANE's test backend in a private configuration folder (the bed widened to
// 300 mm so that A4 fits, the resolution and the read delay as given), and an A4 page at 300 dpi.

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace benchsupport {

inline constexpr std::int32_t kA4Width = 2480;   // 210 mm at 300 dpi
inline constexpr std::int32_t kA4Height = 3507;  // 297 mm at 300 dpi, as the test backend computes it

// A fresh folder under the temporary folder (left behind for inspection; it is small).
inline std::string MakeFolder(const char* name) {
    std::string pattern = std::string(std::getenv("TMPDIR") != nullptr ? std::getenv("TMPDIR") : "/tmp") + "/" + name +
                          "-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    return pattern;
}

// Points SANE_CONFIG_DIR at a private configuration of the test backend; readDelayMicroseconds 0: no delay.
inline void UseSaneTestBackend(int dpi, int readDelayMicroseconds) {
    static const std::string folder = MakeFolder("lumivane-bench-sane");
    std::ifstream system("/etc/sane.d/test.conf");
    if (!system) std::abort();
    std::stringstream conf;
    conf << system.rdbuf() << "\ngeometry_max 300.0\ntest-picture \"Color pattern\"\nresolution " << dpi << "\n";
    if (readDelayMicroseconds > 0) conf << "read-delay true\nread-delay-duration " << readDelayMicroseconds << "\n";
    std::ofstream(folder + "/test.conf") << conf.str();
    std::ofstream(folder + "/dll.conf") << "test\n";
    ::setenv("SANE_CONFIG_DIR", folder.c_str(), 1);
}

}  // namespace benchsupport
