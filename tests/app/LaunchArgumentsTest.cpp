// The window's command line: a picture and a profile in either order, each at most once.

#include <gtest/gtest.h>

#include "app/LaunchArguments.h"

namespace {

TEST(LaunchArguments, APictureAndAProfileInEitherOrderAndEachOnce) {
    struct Case {
        std::vector<std::string> args;
        const char* picture;  // "" for none
        const char* profile;
        bool error;
    };
    const Case cases[] = {
        {{}, "", "", false},
        {{"photo.jpg"}, "photo.jpg", "", false},
        {{"my.qmx"}, "", "my.qmx", false},
        {{"photo.jpg", "My.QMX"}, "photo.jpg", "My.QMX", false},
        {{"a.qmx", "scan.png"}, "scan.png", "a.qmx", false},
        {{"a.png", "b.png"}, "", "", true},
        {{"a.qmx", "b.qmx"}, "", "", true},
        {{"--fast", "a.png"}, "", "", true},
        {{"-"}, "-", "", false},
    };
    for (const Case& c : cases) {
        const LaunchArguments launch = ParseLaunchArguments(c.args);
        EXPECT_EQ(!launch.error.empty(), c.error) << testing::PrintToString(c.args);
        if (c.error) continue;
        EXPECT_EQ(launch.picture.value_or(""), c.picture) << testing::PrintToString(c.args);
        EXPECT_EQ(launch.profile.value_or(""), c.profile) << testing::PrintToString(c.args);
    }
}

}  // namespace
