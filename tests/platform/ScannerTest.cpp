// The scanner layer against SANE's own test backend (a private configuration, see SaneTestBackend.h): listing, the
// backend's known pictures compared pixel for pixel in colour, grey, 1-bit, three-pass and with reads cut at odd
// lengths, a hand scanner's page of unknown height, the feeder, the resolution a page comes with, and cancelling from
// another thread. The page assembly alone on made-up frames; the status table row by row.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <random>
#include <thread>

#include "platform/PageAssembler.h"
#include "platform/SaneScanner.h"
#include "platform/SaneStatus.h"
#include "platform/ScanCodes.h"
#include "platform/ScanPage.h"
#include "tests/support/SaneTestBackend.h"

namespace {

using testsupport::SamePixels;
using testsupport::SanePixels;
using testsupport::ThreadCount;

class SaneTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testsupport::UseSaneTestBackend(m_dir)) GTEST_SKIP() << "SANE's test backend is not installed";
    }

    std::shared_ptr<IScannerDevice> Open(const std::string& name = "test:0") {
        std::shared_ptr<IScannerDevice> device;
        EXPECT_EQ(m_system.Open(name, device), ScanCode{});
        return device;
    }
    void Set(IScannerDevice& device, const std::string& name, const std::string& value) {
        ASSERT_EQ(device.SetOption(name, value), ScanCode{}) << name << "=" << value;
    }

    testsupport::TempDir m_dir;
    SaneScannerSystem m_system;
};

TEST_F(SaneTest, ListsBothTestDevicesAndRefusesUnknownNames) {
    std::vector<std::string> names;
    ASSERT_EQ(m_system.ListSources(names), ScanCode{});
    EXPECT_EQ(names, (std::vector<std::string>{"test:0", "test:1"}));

    std::shared_ptr<IScannerDevice> device;
    EXPECT_EQ(m_system.Open("test:7", device), (ScanCode{scan::kNoDataSource, 0}));
    EXPECT_EQ(m_system.Open("nosuchbackend:0", device), (ScanCode{scan::kNoDataSource, 0}));
    EXPECT_EQ(device, nullptr);
}

TEST_F(SaneTest, ColourPagesMatchTheBackendsPatternAlsoInThreePassesAndOddReads) {
    // 80 × 100 mm at 50 dpi: the configuration's default area.
    const std::int32_t width = SanePixels(50, 80);
    const std::int32_t height = SanePixels(50, 100);
    const BMP_File expected = testsupport::SaneColorPattern(width, height);

    auto device = Open();
    ASSERT_EQ(device->SetColorMode(), ScanCode{});
    ScanControl control;
    BMP_File page;
    ASSERT_EQ(ScanPage(device, page, control), ScanCode{});
    EXPECT_TRUE(SamePixels(expected, page));
    device->Cancel();

    // Reads of 7 bytes: no read is row-aligned.
    Set(*device, "read-limit", "yes");
    Set(*device, "read-limit-size", "7");
    BMP_File odd;
    ASSERT_EQ(ScanPage(device, odd, control), ScanCode{});
    EXPECT_TRUE(SamePixels(expected, odd));
    device->Cancel();

    // Three frames, in an order other than red, green, blue.
    Set(*device, "read-limit", "no");
    Set(*device, "three-pass", "yes");
    Set(*device, "three-pass-order", "GBR");
    BMP_File threePass;
    ASSERT_EQ(ScanPage(device, threePass, control), ScanCode{});
    EXPECT_TRUE(SamePixels(expected, threePass));
    device->Cancel();
}

TEST_F(SaneTest, GreyAndLineartPagesBecomeRgb) {
    const std::int32_t width = SanePixels(50, 80);
    const std::int32_t height = SanePixels(50, 100);
    auto device = Open();
    Set(*device, "mode", "Gray");
    ScanControl control;
    BMP_File grey;
    ASSERT_EQ(ScanPage(device, grey, control), ScanCode{});
    EXPECT_TRUE(SamePixels(testsupport::SaneGrayPattern(width, height), grey));
    device->Cancel();

    Set(*device, "depth", "1");
    BMP_File lineart;
    ASSERT_EQ(ScanPage(device, lineart, control), ScanCode{});
    EXPECT_TRUE(SamePixels(testsupport::SaneLineartPattern(width, height), lineart));
    device->Cancel();
}

TEST_F(SaneTest, HandScannerPageOfUnknownHeightEndsAtTheFramesEnd) {
    auto device = Open();
    ASSERT_EQ(device->SetColorMode(), ScanCode{});
    Set(*device, "hand-scanner", "yes");
    std::int64_t expectedBytes = 0;
    ScanControl control(std::chrono::seconds(30), [&](const ScanProgress& p) { expectedBytes = p.bytesExpected; });
    BMP_File page;
    ASSERT_EQ(ScanPage(device, page, control), ScanCode{});
    device->Cancel();
    // 110 × 170 mm, the backend's fixed hand-scanner page.
    EXPECT_TRUE(SamePixels(testsupport::SaneColorPattern(SanePixels(50, 110), SanePixels(50, 170)), page));
    EXPECT_EQ(expectedBytes, -1);
}

TEST_F(SaneTest, GeometryIsTheBedInThousandthsAndTheAreaIsReadBackRounded) {
    auto device = Open();
    std::int32_t width = 0;
    std::int32_t height = 0;
    ASSERT_EQ(device->GetPhysicalSize(width, height), ScanCode{});
    EXPECT_EQ(width, 300000);
    EXPECT_EQ(height, 300000);

    // 20.4 mm is rounded to whole millimetres by the backend (its quantum is 1 mm); beyond the bed is clamped.
    ASSERT_EQ(device->SetScanArea({0, 0, 20400, 400000}), ScanCode{});
    std::string applied;
    ASSERT_EQ(device->SetOption("br-x", "20.4", &applied), ScanCode{});
    EXPECT_EQ(applied, "20");
    ASSERT_EQ(device->SetColorMode(), ScanCode{});
    ScanControl control;
    BMP_File page;
    ASSERT_EQ(ScanPage(device, page, control), ScanCode{});
    device->Cancel();
    EXPECT_EQ(page.Width(), SanePixels(50, 20));
    EXPECT_EQ(page.Height(), SanePixels(50, 300));
}

TEST_F(SaneTest, FeederGivesTenPagesThenReportsItEmpty) {
    auto device = Open();
    bool found = false;
    ASSERT_EQ(device->SelectFeeder(found), ScanCode{});
    ASSERT_TRUE(found);
    ScanControl control;
    for (int i = 0; i < 10; ++i) {
        BMP_File page;
        ASSERT_EQ(ScanPage(device, page, control), ScanCode{}) << "page " << i + 1;
        EXPECT_FALSE(page.IsEmpty());
    }
    BMP_File none;
    EXPECT_EQ(ScanPage(device, none, control), (ScanCode{scan::kFeederEmpty, 0}));
    EXPECT_TRUE(none.IsEmpty());
}

// The resolution the page was scanned at comes with it, as the backend rounded it: 160 dpi set on a backend whose
// resolutions go in steps of 25 from 25 is 150.
TEST_F(SaneTest, ThePageCarriesTheResolutionTheBackendRoundedTo) {
    ASSERT_TRUE(testsupport::UseSaneTestBackend(m_dir, "resolution_min 25.0\nresolution_quant 25.0\n"));
    auto device = Open();
    std::string applied;
    ASSERT_EQ(device->SetOption("resolution", "160", &applied), ScanCode{});
    EXPECT_EQ(applied, "150");
    ScanControl control;
    BMP_File page;
    Resolution resolution{1, 1};
    ASSERT_EQ(ScanPage(device, page, control, &resolution), ScanCode{});
    EXPECT_EQ(page.Width(), SanePixels(150, 80));
    EXPECT_EQ(resolution.x, 150.0);
    EXPECT_EQ(resolution.y, 150.0);
    device->Cancel();
}

TEST_F(SaneTest, CancelFromAnotherThreadEndsASlowPageAtOnce) {
    auto device = Open();
    ASSERT_EQ(device->SetColorMode(), ScanCode{});
    // About 16 buffers of 64 KiB, each 0.2 s late: over 3 s for the page.
    Set(*device, "br-x", "300");
    Set(*device, "br-y", "300");
    Set(*device, "read-delay", "yes");
    Set(*device, "read-delay-duration", "200000");
    std::mutex mutex;
    std::condition_variable arrived;
    bool someBytes = false;
    ScanControl control(std::chrono::seconds(30), [&](const ScanProgress&) {
        std::lock_guard<std::mutex> lock(mutex);
        someBytes = true;
        arrived.notify_all();
    });
    std::thread canceller([&] {
        std::unique_lock<std::mutex> lock(mutex);
        arrived.wait_for(lock, std::chrono::seconds(20), [&] { return someBytes; });
        control.Cancel();
    });
    BMP_File page;
    const ScanCode result = ScanPage(device, page, control);
    canceller.join();
    EXPECT_EQ(result, (ScanCode{scan::kUserCanceled, 0}));
    EXPECT_TRUE(page.IsEmpty());
}

// A cancel may come while the frame is still being started, before the backend's reader thread exists. Made at
// once, it would end a frame that has no reader yet and the reader started next would outlive the cancel (and crash
// once the backend is unloaded). Every cancel here, early or late, leaves no thread of the backend behind.
TEST_F(SaneTest, ACancelDuringTheStartEndsTheFramesReaderToo) {
    auto device = Open();
    ASSERT_EQ(device->SetColorMode(), ScanCode{});
    Set(*device, "read-delay", "yes");
    Set(*device, "read-delay-duration", "200000");
    const std::size_t before = ThreadCount();
    std::mt19937 random(7);
    for (int round = 0; round < 8; ++round) {
        const auto delay = std::chrono::microseconds(std::uniform_int_distribution<int>(0, 1500)(random));
        FrameParams params;
        ScanCode started;
        std::thread starter([&] { started = device->Start(params); });
        std::this_thread::sleep_for(delay);
        device->Cancel();
        starter.join();
        EXPECT_TRUE(started.ok() || started == (ScanCode{scan::kUserCanceled, 0})) << started.code;
        device->Cancel();  // a frame started before the first cancel came
        EXPECT_EQ(ThreadCount(), before) << "round " << round << ", cancelled after " << delay.count() << " us";
    }
}

// A three-pass page whose first frame ends only after the caller has given up on it: no further frame is started
// (the source has been cancelled; a frame started now would be read for nobody).
TEST(ScanPageTest, NoFrameIsStartedForAPageTheCallerGaveUp) {
    class ThreeFrames : public IScannerDevice {
    public:
        ScanCode SetColorMode() override { return {}; }
        ScanCode GetPhysicalSize(std::int32_t&, std::int32_t&) override { return {}; }
        ScanCode SetScanArea(const ScanArea&) override { return {}; }
        ScanCode SelectFeeder(bool& found) override {
            found = false;
            return {};
        }
        ScanCode SetOption(const std::string&, const std::string&, std::string*) override { return {}; }
        ScanCode Start(FrameParams& params) override {
            std::lock_guard<std::mutex> lock(mutex);
            const FrameFormat formats[3] = {FrameFormat::Red, FrameFormat::Green, FrameFormat::Blue};
            params.format = formats[starts % 3];
            params.lastFrame = starts % 3 == 2;
            params.bytesPerLine = params.pixelsPerLine = 4;
            params.lines = 2;
            ++starts;
            sent = 0;
            return {};
        }
        ScanCode Read(std::uint8_t* data, std::int32_t, std::int32_t& length, bool& endOfFrame) override {
            std::unique_lock<std::mutex> lock(mutex);
            if (sent == 0) {
                std::memset(data, 99, 8);
                length = sent = 8;
                endOfFrame = false;
                return {};
            }
            changed.wait(lock, [this] { return release; });  // the frame's end waits for the test
            length = 0;
            endOfFrame = true;
            return {};
        }
        void Cancel() override {}

        std::mutex mutex;
        std::condition_variable changed;
        bool release = false;
        int starts = 0;
        std::int32_t sent = 0;
    };
    auto device = std::make_shared<ThreeFrames>();
    std::atomic<bool> someBytes{false};
    ScanControl control(std::chrono::seconds(30), [&](const ScanProgress&) { someBytes = true; });
    std::thread canceller([&] {
        while (!someBytes) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        control.Cancel();
    });
    BMP_File page;
    EXPECT_EQ(ScanPage(device, page, control), (ScanCode{scan::kUserCanceled, 0}));
    canceller.join();
    {
        std::lock_guard<std::mutex> lock(device->mutex);
        device->release = true;
        device->changed.notify_all();
    }
    // The reading thread lets the device go when it ends.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (device.use_count() > 1 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(device.use_count(), 1);
    EXPECT_EQ(device->starts, 1);
}

// ---- The status table ---------------------------------------------------------------------------------------------

TEST(SaneStatusTest, EveryStatusHasItsRow) {
    const std::pair<SANE_Status, ScanCode> expected[] = {
        {SANE_STATUS_GOOD, {0, 0}},
        {SANE_STATUS_UNSUPPORTED, {-57, 6}},
        {SANE_STATUS_CANCELLED, {-60, 0}},
        {SANE_STATUS_DEVICE_BUSY, {-57, 4}},
        {SANE_STATUS_INVAL, {-57, 10}},
        {SANE_STATUS_EOF, {-33, 0}},
        {SANE_STATUS_JAMMED, {-45, 0}},
        {SANE_STATUS_NO_DOCS, {-66, 0}},
        {SANE_STATUS_COVER_OPEN, {-46, 0}},
        {SANE_STATUS_IO_ERROR, {-19, 0}},
        {SANE_STATUS_NO_MEM, {-14, 0}},
        {SANE_STATUS_ACCESS_DENIED, {-56, 0}},
    };
    ASSERT_EQ(SaneStatusTable().size(), std::size(expected));
    for (const auto& [status, code] : expected) {
        EXPECT_EQ(FromSaneStatus(status), code) << sane_strstatus(status);
    }
    EXPECT_EQ(FromSaneStatus(99), (ScanCode{-19, 0}));
    // Opening: the source is not there, whatever the backend says, except busy, memory and cancel.
    EXPECT_EQ(FromSaneOpenStatus(SANE_STATUS_INVAL), (ScanCode{-56, 0}));
    EXPECT_EQ(FromSaneOpenStatus(SANE_STATUS_IO_ERROR), (ScanCode{-56, 0}));
    EXPECT_EQ(FromSaneOpenStatus(SANE_STATUS_DEVICE_BUSY), (ScanCode{-57, 4}));
    EXPECT_EQ(FromSaneOpenStatus(SANE_STATUS_NO_MEM), (ScanCode{-14, 0}));
}

// ---- Page assembly on made-up frames --------------------------------------------------------------------------------

std::vector<std::uint8_t> RandomBytes(std::mt19937& random, std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    std::uniform_int_distribution<int> byte(0, 255);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(byte(random));
    return bytes;
}

BMP_File Assemble(const FrameParams& params, const std::vector<std::uint8_t>& bytes, std::mt19937& random,
                  int maxChunk) {
    PageAssembler assembler;
    EXPECT_EQ(assembler.BeginFrame(params), ScanCode{});
    std::uniform_int_distribution<int> chunk(1, maxChunk);
    for (std::size_t at = 0; at < bytes.size();) {
        const auto n = std::min<std::size_t>(static_cast<std::size_t>(chunk(random)), bytes.size() - at);
        EXPECT_EQ(assembler.Feed(bytes.data() + at, static_cast<std::int32_t>(n)), ScanCode{});
        at += n;
    }
    EXPECT_EQ(assembler.EndFrame(), ScanCode{});
    return assembler.Take();
}

TEST(PageAssemblerTest, RowsComeOutTheSameWhateverTheReadLengthsAndTheHeightKnown) {
    std::mt19937 random(77);
    for (int round = 0; round < 20; ++round) {
        const std::int32_t width = testsupport::RandomSide(random, 40);
        const std::int32_t height = testsupport::RandomSide(random, 30);
        const std::int32_t padding = round % 3;  // bytes after the pixels of each row
        FrameParams params{FrameFormat::Rgb, true, width * 3 + padding, width, height, 8, {}};
        const auto bytes = RandomBytes(random, static_cast<std::size_t>(params.bytesPerLine) * height);
        // Straightforward: row by row.
        BMP_File expected;
        ASSERT_TRUE(expected.Create(width, height));
        for (std::int32_t y = 0; y < height; ++y) {
            std::memcpy(expected.Row(y), bytes.data() + static_cast<std::size_t>(y) * params.bytesPerLine,
                        static_cast<std::size_t>(width) * 3);
        }
        EXPECT_TRUE(SamePixels(expected, Assemble(params, bytes, random, 1 + round * 13)));
        params.lines = -1;
        EXPECT_TRUE(SamePixels(expected, Assemble(params, bytes, random, 1 + round * 7)));
    }
}

TEST(PageAssemblerTest, SixteenBitSamplesKeepTheirHighByteAndEarlyEndsKeepTheRowsDelivered) {
    const std::uint16_t samples[] = {0x1234, 0xabcd, 0x00ff, 0xff00, 0x8080, 0x0102};  // two RGB pixels
    std::vector<std::uint8_t> bytes(sizeof samples);
    std::memcpy(bytes.data(), samples, sizeof samples);
    PageAssembler assembler;
    ASSERT_EQ(assembler.BeginFrame({FrameFormat::Rgb, true, 12, 2, 5, 16, {}}), ScanCode{});
    ASSERT_EQ(assembler.Feed(bytes.data(), 12), ScanCode{});
    ASSERT_EQ(assembler.EndFrame(), ScanCode{});  // 1 row of the 5 promised
    const BMP_File page = assembler.Take();
    ASSERT_EQ(page.Height(), 1);
    EXPECT_EQ(page.Row(0)[0], (Pixel{0x12, 0xab, 0x00}));
    EXPECT_EQ(page.Row(0)[1], (Pixel{0xff, 0x80, 0x01}));

    PageAssembler refused;
    EXPECT_EQ(refused.BeginFrame({FrameFormat::Rgb, true, 12, 2, 5, 12, {}}).code, scan::kBitsNotSupported);
    EXPECT_EQ(refused.BeginFrame({FrameFormat::Rgb, true, 5, 2, 5, 8, {}}).code, scan::kInvalidData);
    EXPECT_EQ(refused.BeginFrame({FrameFormat::Gray, true, 1 << 20, 1 << 20, 1 << 20, 8, {}}).code, scan::kNoMemory);
}

}  // namespace
