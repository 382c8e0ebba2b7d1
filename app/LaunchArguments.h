#pragma once
// What the window's command line names: `lumivane [PICTURE] [PROFILE.qmx]`, in either order, each at most once. A
// name ending in ".qmx" (any case) is a profile, any other a picture; options other than --help and --version (which
// the program handles before this) are usage errors. No Qt.

#include <optional>
#include <string>
#include <vector>

struct LaunchArguments {
    std::optional<std::string> picture;
    std::optional<std::string> profile;
    std::string error;  // non-empty: a usage error, one line
};

LaunchArguments ParseLaunchArguments(const std::vector<std::string>& arguments);
