// The camera window's parts that need no window: the layout rule, the frame buffer's hand-over between threads and
// its conversion to a picture, the controls' read-out.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "acquire/CameraControlsText.h"
#include "acquire/CameraFrameBuffer.h"
#include "acquire/CameraLayout.h"

namespace {

TEST(CameraLayoutTest, TheWindowFollowsTheFrameSize) {
    const std::array<Rect, 6> recorded = camera::TemplateControls();
    const int freezeWidth = static_cast<int>(recorded[0].Width());
    struct Case {
        int width, height, windowHeight;
    };
    for (const Case c : {Case{320, 200, 345}, Case{320, 240, 289}, Case{160, 120, 345}, Case{1280, 720, 769}}) {
        const camera::WindowLayout layout = camera::LayoutControls(c.width, c.height, recorded);
        EXPECT_EQ(layout.window, (Size{c.width + 34 + freezeWidth, c.windowHeight})) << c.width << "x" << c.height;
        EXPECT_EQ(layout.pane, (Rect{5, 5, c.width + 9, c.height + 9}));
        for (std::size_t i = 0; i < 5; ++i) {
            const bool group = camera::kControlOrder[i] == camera::kGroup;
            EXPECT_EQ(layout.controls[i].left, c.width + 9 + (group ? 5 : 10)) << camera::kControlOrder[i];
            EXPECT_EQ(layout.controls[i].top, recorded[i].top);
            EXPECT_EQ(layout.controls[i].Width(), recorded[i].Width());
            EXPECT_EQ(layout.controls[i].Height(), recorded[i].Height());
        }
        // Controls sits 5 pixels under Format with Format's height.
        EXPECT_EQ(layout.controls[5].top, layout.controls[4].bottom + 5);
        EXPECT_EQ(layout.controls[5].Height(), layout.controls[4].Height());
        EXPECT_LE(layout.status.bottom, layout.window.height) << "the status line fits in the window";
    }
}

TEST(CameraControlsTextTest, ValuesOrAutoAreShown) {
    EXPECT_EQ(CameraControlsText({10, -5, 150, 0, 0, 0}), "Video     Zoom 150%    Pan 10    Tilt -5");
    EXPECT_EQ(CameraControlsText({10, -5, 150, 1, 0, 0}), "Video     Zoom 150%    Pan - auto    Tilt -5");
    EXPECT_EQ(CameraControlsText({10, -5, 150, 0, 1, 1}), "Video     Zoom - auto    Pan 10    Tilt - auto");
}

// A BGRx sample of width × height whose pixel (x, y) is (x, y, seed, 255), rows padded to stride.
std::vector<std::uint8_t> Sample(int width, int height, int stride, int seed) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(stride) * height, 0xEE);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = &bytes[static_cast<std::size_t>(y) * stride + x * 4];
            p[0] = static_cast<std::uint8_t>(x);
            p[1] = static_cast<std::uint8_t>(y);
            p[2] = static_cast<std::uint8_t>(seed);
            p[3] = 255;
        }
    }
    return bytes;
}

TEST(CameraFrameBufferTest, TheNewestFrameWinsAndNoticesDoNotPileUp) {
    CameraFrameBuffer buffer;
    EXPECT_FALSE(buffer.Latch()) << "nothing before the first frame";
    EXPECT_EQ(buffer.Front().sequence, 0u);
    buffer.SetSize(8, 4);
    const auto first = Sample(8, 4, 40, 1);
    const auto second = Sample(8, 4, 40, 2);
    EXPECT_TRUE(buffer.Copy({first.data(), first.size(), 8, 4, 40})) << "the first frame needs a notice";
    EXPECT_FALSE(buffer.Copy({second.data(), second.size(), 8, 4, 40})) << "one notice is on its way";
    EXPECT_TRUE(buffer.Latch());
    EXPECT_EQ(buffer.Front().sequence, 2u) << "the newer frame is shown, the older one skipped";
    EXPECT_EQ(buffer.Front().bytes[2], 2);
    EXPECT_EQ(buffer.Front().bytes.size(), 8u * 4u * 4u) << "rows are packed";
    EXPECT_FALSE(buffer.Latch()) << "no newer frame";
    EXPECT_TRUE(buffer.Copy({first.data(), first.size(), 8, 4, 40})) << "after a latch notices go again";

    const auto wrong = Sample(4, 4, 16, 3);
    EXPECT_FALSE(buffer.Copy({wrong.data(), wrong.size(), 4, 4, 16}));
    EXPECT_FALSE(buffer.Copy({first.data(), first.size() - 1, 8, 4, 40})) << "a short sample is refused";
    EXPECT_EQ(buffer.Copied(), 3u);
}

TEST(CameraFrameBufferTest, FramesBecomeUprightRgbPictures) {
    CameraFrameBuffer buffer;
    buffer.SetSize(5, 3);
    const auto bytes = Sample(5, 3, 24, 9);
    ASSERT_TRUE(buffer.Copy({bytes.data(), bytes.size(), 5, 3, 24}));
    ASSERT_TRUE(buffer.Latch());
    BMP_File picture;
    ASSERT_TRUE(FrameToPicture(buffer.Front(), picture));
    ASSERT_EQ(picture.Width(), 5);
    ASSERT_EQ(picture.Height(), 3);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            // Blue, green, red in the frame; red, green, blue in the picture; row 0 stays on top.
            EXPECT_EQ(picture.PixelAt(x, y), (Pixel{9, static_cast<std::uint8_t>(y), static_cast<std::uint8_t>(x)}));
        }
    }
    BMP_File untouched;
    EXPECT_FALSE(FrameToPicture(CameraFrame{}, untouched));
    EXPECT_TRUE(untouched.IsEmpty());
}

TEST(CameraFrameBufferTest, ThreadsHandOverWholeFrames) {
    // A streaming thread copies frames of one value each while the interface thread latches: every frame latched is
    // whole (all its bytes from one sample) and sequences only grow.
    CameraFrameBuffer buffer;
    buffer.SetSize(64, 48);
    std::atomic<bool> done{false};
    std::thread stream([&] {
        std::vector<std::uint8_t> bytes(64 * 48 * 4);
        for (int i = 1; i <= 2000; ++i) {
            std::fill(bytes.begin(), bytes.end(), static_cast<std::uint8_t>(i));
            buffer.Copy({bytes.data(), bytes.size(), 64, 48, 256});
        }
        done = true;
    });
    std::uint64_t last = 0;
    int torn = 0;
    for (;;) {
        const bool finished = done;
        if (!buffer.Latch()) {
            if (finished) break;
            continue;
        }
        const CameraFrame& frame = buffer.Front();
        EXPECT_GT(frame.sequence, last);
        last = frame.sequence;
        const std::uint8_t value = frame.bytes.front();
        torn += std::count(frame.bytes.begin(), frame.bytes.end(), value) != static_cast<long>(frame.bytes.size());
        EXPECT_EQ(value, static_cast<std::uint8_t>(frame.sequence));
    }
    stream.join();
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(buffer.Front().sequence, 2000u);
}

}  // namespace
