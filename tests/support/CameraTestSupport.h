#pragma once
// The test cameras (tests/platform/testcamera) for a test program: GST_PLUGIN_PATH names the folder of
// libgstlumivanetestcamera.so and GST_REGISTRY a registry file in the build folder, both set before GStreamer starts
// (the program's children inherit them). The build gives the two paths as LUMIVANE_TEST_CAMERA_DIR and
// LUMIVANE_GST_REGISTRY.

#include <cstdlib>
#include <string>

namespace testsupport {

inline void UseTestCameras() {
    static const bool done = [] {
        const char* current = std::getenv("GST_PLUGIN_PATH");
        std::string path = LUMIVANE_TEST_CAMERA_DIR;
        if (current != nullptr && *current != '\0') path += std::string(":") + current;
        ::setenv("GST_PLUGIN_PATH", path.c_str(), 1);
        ::setenv("GST_REGISTRY", LUMIVANE_GST_REGISTRY, 0);
        return true;
    }();
    static_cast<void>(done);
}

}  // namespace testsupport
