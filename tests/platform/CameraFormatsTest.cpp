// Reading what a camera offers from its caps, and choosing what to ask for.

#include <gtest/gtest.h>

#include "platform/CameraFormats.h"
#include "tests/support/CameraTestSupport.h"

namespace {

const char* const kOffered =
    "video/x-raw, format=(string){ YUY2, NV12 }, width=(int)640, height=(int)480, framerate=(fraction){ 30/1, 15/1 }; "
    "image/jpeg, width=(int)1280, height=(int)720, framerate=(fraction)30/1; "
    "video/x-raw, format=(string)YUY2, width=(int)320, height=(int)240, framerate=(fraction)[ 1/1, 60/1 ]";

TEST(CameraFormatsTest, CapsAreExpandedIntoSingleFormats) {
    const std::vector<CameraFormat> formats = FormatsFromCaps(kOffered);
    ASSERT_EQ(formats.size(), 6u);
    EXPECT_EQ(formats[0], (CameraFormat{"video/x-raw", "YUY2", 640, 480, 30, 1}));
    EXPECT_EQ(formats[1], (CameraFormat{"video/x-raw", "YUY2", 640, 480, 15, 1}));
    EXPECT_EQ(formats[2], (CameraFormat{"video/x-raw", "NV12", 640, 480, 30, 1}));
    EXPECT_EQ(formats[4], (CameraFormat{"image/jpeg", "", 1280, 720, 30, 1}));
    EXPECT_EQ(formats[5], (CameraFormat{"video/x-raw", "YUY2", 320, 240, 0, 1})) << "a rate range leaves it open";
    EXPECT_EQ(formats[4].Describe(), "MJPEG 1280 x 720, 30 fps");
    EXPECT_EQ(formats[5].Describe(), "YUY2 320 x 240");
    EXPECT_EQ(formats[1].FramePeriod(), 666666);
    EXPECT_TRUE(FormatsFromCaps("not caps at all {").empty());

    const std::vector<CameraFormat> ranged =
        FormatsFromCaps("video/x-raw, format=(string)GRAY8, width=(int)[ 16, 800 ], height=(int)[ 16, 600 ]", 1024, 100);
    ASSERT_EQ(ranged.size(), 1u);
    EXPECT_EQ(ranged[0].width, 800) << "the wanted size clamped into the range";
    EXPECT_EQ(ranged[0].height, 100);
}

TEST(CameraFormatsTest, TheNearestSizeAndRateAreChosen) {
    const std::vector<CameraFormat> offered = FormatsFromCaps(kOffered);
    struct Case {
        int width, height;
        std::int64_t period;
        CameraFormat expected;
    };
    const Case cases[] = {
        {640, 480, -1, {"video/x-raw", "YUY2", 640, 480, 0, 1}},      // exact size, the device's rate
        {640, 480, 0, {"video/x-raw", "YUY2", 640, 480, 0, 1}},       // 0 also keeps the device's rate
        {640, 480, 666666, {"video/x-raw", "YUY2", 640, 480, 15, 1}},  // 15 fps asked
        {640, 480, 1000000, {"video/x-raw", "YUY2", 640, 480, 15, 1}}, // 10 fps: 15 is nearest
        {1920, 1080, -1, {"image/jpeg", "", 1280, 720, 0, 1}},        // larger than all: the nearest
        {300, 200, 400000, {"video/x-raw", "YUY2", 320, 240, 25, 1}},  // a range takes the rate asked
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ChooseFormat(offered, c.width, c.height, c.period), c.expected)
            << c.width << "x" << c.height << " period " << c.period;
    }
    EXPECT_EQ(ChooseFormat({}, 352, 288, -1), (CameraFormat{"video/x-raw", "", 352, 288, 0, 1}));
}

TEST(CameraFormatsTest, RequestCapsNameWhatWasChosen) {
    EXPECT_EQ(RequestCaps({"video/x-raw", "YUY2", 640, 480, 15, 1}),
              "video/x-raw, format=(string)YUY2, width=(int)640, height=(int)480, framerate=(fraction)15/1");
    EXPECT_EQ(RequestCaps({"image/jpeg", "", 1280, 720, 0, 1}), "image/jpeg, width=(int)1280, height=(int)720");
}

}  // namespace

#include "platform/V4l2Controls.h"

namespace {

TEST(V4l2ControlsTest, ADeviceThatAnswersNoControlCallOffersNone) {
    V4l2Controls controls;
    EXPECT_FALSE(controls.Open("").ok());
    const Status missing = controls.Open("/nonexistent/video9");
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.message().find("/nonexistent/video9"), std::string::npos) << missing.message();
    EXPECT_TRUE(controls.List().empty());
    // A node that is no camera: opened, but every control call is refused.
    ASSERT_TRUE(controls.Open("/dev/null").ok());
    EXPECT_TRUE(controls.List().empty());
    std::int32_t value = 7;
    EXPECT_FALSE(controls.Get(PanControlId(), value));
    EXPECT_EQ(value, 7);
    const Status set = controls.Set(ZoomControlId(), 100);
    ASSERT_FALSE(set.ok());
    EXPECT_NE(set.message().find("/dev/null"), std::string::npos) << set.message();
}

}  // namespace
