// The capture pipeline against the test cameras of libgstlumivanetestcamera.so: listing, frames with the pattern's
// exact pixels and upright, the size agreed, a wrong name, a busy device, an unplugged one, a JPEG camera.

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/CameraCapture.h"
#include "platform/CameraList.h"
#include "platform/CameraRenderer.h"
#include "tests/support/CameraTestSupport.h"

namespace {

using namespace std::chrono_literals;

// Keeps what the capture hands over; tests wait on it with a bound.
class RecordingRenderer : public CameraRendererBase {
public:
    bool CheckMediaType(const VideoMediaType& type) override {
        std::lock_guard lock(m_mutex);
        m_checked.push_back(type);
        return m_accept && type.media == "video/x-raw" && type.format == "BGRx";
    }
    void SetMediaType(const VideoMediaType& type) override {
        std::lock_guard lock(m_mutex);
        m_type = type;
        ++m_types;
    }
    void DoRenderSample(const VideoSample& sample) override {
        std::lock_guard lock(m_mutex);
        m_frame.assign(static_cast<std::size_t>(sample.width) * sample.height * 4, 0);
        for (int y = 0; y < sample.height; ++y) {
            std::memcpy(m_frame.data() + static_cast<std::size_t>(y) * sample.width * 4,
                        sample.data + static_cast<std::size_t>(y) * sample.stride,
                        static_cast<std::size_t>(sample.width) * 4);
        }
        ++m_frames;
        m_changed.notify_all();
    }
    bool WaitFrames(int count, std::chrono::milliseconds bound = 10s) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, bound, [&] { return m_frames >= count; });
    }
    int Frames() {
        std::lock_guard lock(m_mutex);
        return m_frames;
    }
    std::vector<std::uint8_t> Frame() {
        std::lock_guard lock(m_mutex);
        return m_frame;
    }
    VideoMediaType Type() {
        std::lock_guard lock(m_mutex);
        return m_type;
    }
    bool m_accept = true;

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<VideoMediaType> m_checked;
    VideoMediaType m_type;
    int m_types = 0;
    int m_frames = 0;
    std::vector<std::uint8_t> m_frame;
};

// One frame of videotestsrc's default pattern as BGRx, made by a pipeline of its own: what the camera must show.
std::vector<std::uint8_t> ReferencePattern(int width, int height) {
    const std::string description = "videotestsrc num-buffers=1 ! video/x-raw,format=BGRx,width=" +
                                    std::to_string(width) + ",height=" + std::to_string(height) +
                                    " ! appsink name=sink";
    GstElement* pipeline = gst_parse_launch(description.c_str(), nullptr);
    EXPECT_NE(pipeline, nullptr);
    if (pipeline == nullptr) return {};
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), 10 * GST_SECOND);
    std::vector<std::uint8_t> bytes;
    if (sample != nullptr) {
        GstMapInfo map;
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        if (gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            bytes.assign(map.data, map.data + std::min<std::size_t>(map.size, std::size_t(width) * height * 4));
            gst_buffer_unmap(buffer, &map);
        }
        gst_sample_unref(sample);
    }
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(sink);
    gst_object_unref(pipeline);
    return bytes;
}

class CameraCaptureTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        testsupport::UseTestCameras();
        gst_init(nullptr, nullptr);
    }
};

TEST_F(CameraCaptureTest, TheMonitorListsTheTestCameras) {
    std::vector<std::string> names;
    ASSERT_TRUE(ListCameraNames(names).ok());
    for (const char* name : {"Test Camera", "Test Camera MJPEG", "Test Camera (busy)", "Test Camera (unplugs)"}) {
        EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
    }
}

TEST_F(CameraCaptureTest, FramesArriveUprightWithThePatternsPixels) {
    RecordingRenderer renderer;
    CameraCapture capture(renderer);
    const CameraFormat format = CameraCapture::FormatFor("Test Camera", 320, 240, -1);
    ASSERT_EQ(format.width, 320);
    ASSERT_FALSE(capture.Start("Test Camera", format));
    EXPECT_TRUE(capture.IsRunning());
    ASSERT_TRUE(renderer.WaitFrames(3));
    const VideoMediaType type = renderer.Type();
    EXPECT_EQ(type.media, "video/x-raw");
    EXPECT_EQ(type.format, "BGRx");
    EXPECT_EQ(type.width, 320);
    EXPECT_EQ(type.height, 240);
    const std::vector<std::uint8_t> frame = renderer.Frame();
    const std::vector<std::uint8_t> expected = ReferencePattern(320, 240);
    ASSERT_EQ(frame.size(), expected.size());
    // The pattern's bottom right quarter of the last strip is noise that changes from frame to frame.
    int differing = 0;
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < (y >= 180 ? 240 : 320); ++x) {
            const std::size_t at = (static_cast<std::size_t>(y) * 320 + x) * 4;
            differing += std::memcmp(&frame[at], &expected[at], 3) != 0;
        }
    }
    EXPECT_EQ(differing, 0) << "pixels that differ from videotestsrc's own pattern";
    // Upright: the colour bars fill the top, the second bar is yellow (blue byte low, green and red high).
    const std::uint8_t* yellow = frame.data() + (10 * 320 + 320 * 3 / 14) * 4;
    EXPECT_LT(yellow[0], 40);
    EXPECT_GT(yellow[1], 150);
    EXPECT_GT(yellow[2], 150);
    capture.Stop();
    EXPECT_FALSE(capture.IsRunning());
    const int frames = renderer.Frames();
    EXPECT_EQ(renderer.Frames(), frames) << "no frame may arrive after Stop";
}

TEST_F(CameraCaptureTest, TheStoredSizeIsAskedForAndTheNearestTakenWhenNotOffered) {
    struct Case {
        int width, height;
        int agreedWidth, agreedHeight;
    };
    for (const Case c : {Case{640, 480, 640, 480}, Case{1280, 720, 1280, 720}, Case{400, 300, 320, 240},
                         Case{1920, 1080, 1280, 720}}) {
        RecordingRenderer renderer;
        CameraCapture capture(renderer);
        ASSERT_FALSE(capture.Start("Test Camera", CameraCapture::FormatFor("Test Camera", c.width, c.height, -1)));
        ASSERT_TRUE(renderer.WaitFrames(1));
        EXPECT_EQ(renderer.Type().width, c.agreedWidth) << c.width << "x" << c.height;
        EXPECT_EQ(renderer.Type().height, c.agreedHeight) << c.width << "x" << c.height;
    }
}

TEST_F(CameraCaptureTest, AStoredPeriodAsksForTheNearestRate) {
    RecordingRenderer renderer;
    CameraCapture capture(renderer);
    // 14 frames a second: the device offers 15 and 30.
    const CameraFormat format = CameraCapture::FormatFor("Test Camera", 320, 240, 10000000 / 14);
    EXPECT_EQ(format.rateNum, 15);
    ASSERT_FALSE(capture.Start("Test Camera", format));
    EXPECT_EQ(renderer.Type().framePeriod, 10000000 / 15);
}

TEST_F(CameraCaptureTest, FailuresToStartAreNamed) {
    RecordingRenderer renderer;
    CameraCapture capture(renderer);
    EXPECT_EQ(capture.Start("No Such Camera", {}).kind, CameraFailure::Kind::NotFound);
    EXPECT_EQ(capture.Start("test camera", {}).kind, CameraFailure::Kind::NotFound) << "names compare exactly";
    const CameraFailure busy = capture.Start("Test Camera (busy)", {});
    EXPECT_EQ(busy.kind, CameraFailure::Kind::Busy);
    EXPECT_NE(busy.text.find("busy"), std::string::npos) << busy.text;
    EXPECT_FALSE(capture.IsRunning());
    renderer.m_accept = false;
    EXPECT_EQ(capture.Start("Test Camera", {}).kind, CameraFailure::Kind::Refused);
    EXPECT_EQ(renderer.Frames(), 0);
    renderer.m_accept = true;
    EXPECT_FALSE(capture.Start("Test Camera", {})) << "the same capture starts after failures";
}

TEST_F(CameraCaptureTest, AnUnpluggedCameraIsReportedOnceAndCanBeOpenedAgain) {
    RecordingRenderer renderer;
    CameraCapture capture(renderer);
    std::mutex mutex;
    std::condition_variable told;
    std::vector<CameraFailure> failures;
    capture.SetFailureListener([&](const CameraFailure& failure) {
        std::lock_guard lock(mutex);
        failures.push_back(failure);
        told.notify_all();
    });
    for (int run = 0; run < 2; ++run) {
        ASSERT_FALSE(capture.Start("Test Camera (unplugs)", {}));
        std::unique_lock lock(mutex);
        ASSERT_TRUE(told.wait_for(lock, 10s, [&] { return static_cast<int>(failures.size()) > run; }));
        EXPECT_EQ(failures.back().kind, CameraFailure::Kind::Failed);
        EXPECT_FALSE(capture.IsRunning());
    }
    capture.Stop();
    EXPECT_EQ(failures.size(), 2u) << "one report a run";
    EXPECT_GE(renderer.Frames(), 2);
}

TEST_F(CameraCaptureTest, JpegFramesAreDecodedInThePipeline) {
    RecordingRenderer renderer;
    CameraCapture capture(renderer);
    const CameraFormat format = CameraCapture::FormatFor("Test Camera MJPEG", 640, 480, -1);
    EXPECT_EQ(format.media, "image/jpeg");
    ASSERT_FALSE(capture.Start("Test Camera MJPEG", format));
    ASSERT_TRUE(renderer.WaitFrames(2));
    EXPECT_EQ(renderer.Type().width, 640);
    EXPECT_EQ(renderer.Frame().size(), 640u * 480u * 4u);
}

TEST(SampleFitsTest, OnlySamplesHoldingEveryRowAreRead) {
    std::vector<std::uint8_t> bytes(64 * 4 * 3);
    struct Case {
        std::size_t size;
        int width, height, stride;
        bool fits;
    };
    for (const Case c : {Case{bytes.size(), 64, 3, 256, true}, Case{bytes.size() - 1, 64, 3, 256, false},
                         Case{bytes.size(), 48, 3, 256, true}, Case{bytes.size(), 64, 3, 252, false},
                         Case{bytes.size(), 48, 4, 192, true}, Case{bytes.size(), 0, 3, 256, false},
                         Case{bytes.size(), 64, 3, 0, false}}) {
        EXPECT_EQ(SampleFits({bytes.data(), c.size, c.width, c.height, c.stride}), c.fits)
            << c.size << " " << c.width << "x" << c.height << " stride " << c.stride;
    }
    EXPECT_FALSE(SampleFits({nullptr, 100, 1, 1, 4}));
}

}  // namespace
