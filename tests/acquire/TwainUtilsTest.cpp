// CTwainUtils: the texts of both tables and both "Undefined" rules, the scan area rule, ResetScanSettings and the
// store, the size that cannot be told, the no-progress timeout (a stalled fake source), and the real SANE test
// backend: a scan to a BMP file, the whole bed as area, every forced read status reaching the user with its text, and
// a listing that never answers.

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <future>
#include <thread>

#include "acquire/CTwainUtils.h"
#include "platform/SaneScanner.h"
#include "platform/ScanCodes.h"
#include "platform/UserStore.h"
#include "tests/support/FakeScanner.h"
#include "tests/support/SaneTestBackend.h"

namespace {

using testsupport::FakeScannerScript;
using testsupport::FakeScannerSystem;
using testsupport::ThreadCount;

template <typename F>
std::shared_ptr<FakeScannerSystem> Fake(F&& edit) {
    FakeScannerScript script;
    edit(script);
    return std::make_shared<FakeScannerSystem>(std::move(script));
}

// The text a failing scan throws; empty when none was thrown.
template <typename F>
std::string Thrown(F&& operation) {
    try {
        operation();
    } catch (const CExcept& failure) {
        return failure.Text();
    }
    return {};
}

TEST(TwainTextsTest, BothTablesAndTheUndefinedRules) {
    CTwainUtils twain(std::make_shared<FakeScannerSystem>(), {});
    EXPECT_EQ(twain.GetErrorText(0), "No error");
    EXPECT_EQ(twain.GetErrorText(-34), "Function timed out");
    EXPECT_EQ(twain.GetErrorText(-60), "User canceled scan");
    EXPECT_EQ(twain.GetErrorText(-73), "Image format does not support width or length > 65535");
    EXPECT_FALSE(twain.LastExtended());
    for (int code : {-7, -13, -15, -20, -24, -28, -32, -35, -39, -74, 1, 5}) {
        EXPECT_EQ(twain.GetErrorText(code), "<Undefined error number " + std::to_string(code) + ">");
    }
    EXPECT_EQ(ConditionCodeText(4), std::string("Source already in use"));
    EXPECT_EQ(ConditionCodeText(-55), std::string("TWAIN Source Manager not found"));
    for (int condition : {7, 8, 13, -1, -56}) EXPECT_EQ(ConditionCodeText(condition), nullptr) << condition;

    // -57 takes the condition code of the failure.
    auto system = Fake([](FakeScannerScript& s) { s.listResult = {-57, 7}; });
    CTwainUtils failing(system, {});
    EXPECT_EQ(Thrown([&] { failing.GetSourceNames(); }), "<Undefined extended error number 7>");
    EXPECT_TRUE(failing.LastExtended());
    EXPECT_EQ(failing.LastCode(), -57);
    EXPECT_EQ(failing.LastCondition(), 7);
}

TEST(TwainAreaTest, TheBedBecomesTheAreaAtTheFirstScanAndStaysUntilReset) {
    testsupport::TempDir dir;
    const std::string storePath = dir.File("registry");
    {
        UserStore store(storePath);
        ASSERT_TRUE(store.CreateKey("Software\\Tessary\\Lumivane\\ScanSettings"));
        for (const char* name : {"Scan Rect Left", "Scan X Resolution", "Other"}) {
            ASSERT_TRUE(store.SetValue("Software\\Tessary\\Lumivane\\ScanSettings", name, UserStore::Value::Number32(5)));
        }
        ASSERT_TRUE(store.Save());
    }
    auto system = std::make_shared<FakeScannerSystem>();
    CTwainUtils twain(system, storePath);
    BMP_File page;
    ASSERT_FALSE(twain.AcquireImage("fake:0", page));
    EXPECT_EQ(page.Width(), 7);
    EXPECT_EQ(page.Row(4)[6], FakeScannerSystem::PixelOf(6, 4));
    // 8.5 × 11.69 units.
    EXPECT_EQ(twain.Area(), (ScanArea{0, 0, 8500, 11690}));

    // A bed that changes does not change the area.
    system->script.width = 5000;
    ASSERT_FALSE(twain.AcquireImage("fake:0", page));
    EXPECT_EQ(system->areas, (std::vector<ScanArea>{{0, 0, 8500, 11690}, {0, 0, 8500, 11690}}));

    twain.ResetScanSettings();
    EXPECT_FALSE(twain.AreaKnown());
    UserStore after(storePath);
    EXPECT_FALSE(after.QueryValue("Software\\Tessary\\Lumivane\\ScanSettings", "Scan Rect Left"));
    EXPECT_FALSE(after.QueryValue("Software\\Tessary\\Lumivane\\ScanSettings", "Scan X Resolution"));
    EXPECT_TRUE(after.QueryValue("Software\\Tessary\\Lumivane\\ScanSettings", "Other"));
    ASSERT_FALSE(twain.AcquireImage("fake:0", page));
    EXPECT_EQ(twain.Area(), (ScanArea{0, 0, 5000, 11690}));

    // Halves of a thousandth round upwards.
    twain.SetScanArea(0.0005, 1.2344, 2.0, 3.9996);
    EXPECT_EQ(twain.Area(), (ScanArea{1, 1234, 2000, 4000}));
}

TEST(TwainAreaTest, ASizeThatCannotBeToldScansThePageAndOtherFailuresStopTheScan) {
    auto system = Fake([](FakeScannerScript& s) { s.sizeResult = {-57, 6}; });
    CTwainUtils twain(system, {});
    BMP_File page;
    ASSERT_FALSE(twain.AcquireImage("fake:0", page));
    EXPECT_FALSE(twain.AreaKnown());
    EXPECT_TRUE(system->areas.empty());
    EXPECT_FALSE(page.IsEmpty());

    system->script.sizeResult = {-57, 1};
    EXPECT_EQ(Thrown([&] { twain.AcquireImage("fake:0", page); }), "Failure due to unknown causes");
    EXPECT_EQ(Thrown([&] { twain.AcquireImage("fake:9", page); }), "Could not open TWAIN Data Source");
}

TEST(TwainTimeoutTest, AStalledSourceEndsWithFunctionTimedOut) {
    auto system = Fake([](FakeScannerScript& s) {
        s.pageHeight = 50;
        s.stallAfterRows = 3;
    });
    CTwainUtils twain(system, {});
    twain.SetNoProgressTimeout(std::chrono::milliseconds(150));
    BMP_File page;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(Thrown([&] { twain.AcquireImage("fake:0", page); }), "Function timed out");
    EXPECT_EQ(twain.LastCode(), scan::kTimedOut);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
    EXPECT_TRUE(page.IsEmpty());
    std::lock_guard<std::mutex> lock(system->mutex);
    EXPECT_GE(system->cancels, 1);  // the stalled page was cancelled at the source
}

// ---- Against SANE's test backend ------------------------------------------------------------------------------------

TEST(TwainSaneTest, ScansTheWholeBedToABmpFile) {
    testsupport::TempDir dir;
    if (!testsupport::UseSaneTestBackend(dir)) GTEST_SKIP() << "SANE's test backend is not installed";
    CTwainUtils twain(std::make_shared<SaneScannerSystem>(), {});
    EXPECT_EQ(twain.GetSourceNames(), (std::vector<std::string>{"test:0", "test:1"}));
    const std::string path = dir.File("tmpImg0.bmp");
    ASSERT_FALSE(twain.AcquireToFile("test:1", path));
    EXPECT_EQ(twain.Area(), (ScanArea{0, 0, 300000, 300000}));
    BMP_File read;
    ASSERT_TRUE(read.ReadBmp(path));
    const std::int32_t side = testsupport::SanePixels(50, 300);
    EXPECT_TRUE(testsupport::SamePixels(testsupport::SaneColorPattern(side, side), read));
}

// A listing that does not answer (a network backend probing a network that never replies) ends with "Function
// timed out" after the system's bound, and the system answers the next listing that does come back in time.
TEST(TwainSaneTest, AListingThatNeverAnswersEndsWithFunctionTimedOut) {
    testsupport::TempDir dir;
    if (!testsupport::UseSaneTestBackend(dir)) GTEST_SKIP() << "SANE's test backend is not installed";
    auto answer = std::make_shared<std::promise<void>>();
    std::shared_future<void> answered = answer->get_future().share();
    // Gone once every copy of the listing function is: then the listing thread has let SANE go as well.
    auto alive = std::make_shared<int>(0);
    std::weak_ptr<int> watched = alive;
    {
        auto system = std::make_shared<SaneScannerSystem>(
            std::chrono::milliseconds(200), [answered, alive = std::move(alive)](std::vector<std::string>& names) {
                answered.wait();
                names = {"net:printer"};
                return ScanCode{};
            });
        CTwainUtils twain(system, {});
        for (int attempt = 0; attempt < 2; ++attempt) {
            const auto started = std::chrono::steady_clock::now();
            EXPECT_EQ(Thrown([&] { twain.GetSourceNames(); }), "Function timed out") << "attempt " << attempt;
            const auto took = std::chrono::steady_clock::now() - started;
            EXPECT_EQ(twain.LastCode(), scan::kTimedOut);
            EXPECT_GE(took, std::chrono::milliseconds(200));
            EXPECT_LT(took, std::chrono::seconds(5));
        }
        answer->set_value();
        EXPECT_EQ(twain.GetSourceNames(), (std::vector<std::string>{"net:printer"}));
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!watched.expired() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(watched.expired()) << "the listing threads ended once the listing answered";
}

// One process per status: the backend's reader thread may hang on the cancel that follows a forced status.
class TwainForcedStatusTest : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(TwainForcedStatusTest, ReachesTheUserWithItsText) {
    const auto [status, text] = GetParam();
    testsupport::TempDir dir;
    if (!testsupport::UseSaneTestBackend(dir, std::string("read-status-code \"") + status + "\"")) {
        GTEST_SKIP() << "SANE's test backend is not installed";
    }
    const std::size_t threadsBefore = ThreadCount();
    {
        CTwainUtils twain(std::make_shared<SaneScannerSystem>(), {});
        BMP_File page;
        bool cancelled = false;
        const std::string thrown = Thrown([&] { cancelled = twain.AcquireImage("test:0", page); });
        EXPECT_EQ(thrown, text);
        EXPECT_EQ(cancelled, std::string(status) == "SANE_STATUS_CANCELLED");  // a cancel is silent
        EXPECT_TRUE(page.IsEmpty());
    }
    // The failed page is cancelled by its reading thread after the answer; once the scanner system is gone that
    // thread and the backend's own have ended, so the process can end (one that exits while a backend still stops
    // its reader can hang in the C library's exit).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (ThreadCount() > threadsBefore && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(ThreadCount(), threadsBefore);
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, TwainForcedStatusTest,
    ::testing::Values(std::pair{"SANE_STATUS_JAMMED", "Paper could not be unloaded"},
                      std::pair{"SANE_STATUS_NO_DOCS", "TWAIN ADF is empty"},
                      std::pair{"SANE_STATUS_COVER_OPEN", "ADF lid was opened"},
                      std::pair{"SANE_STATUS_IO_ERROR", "Scanner error"},
                      std::pair{"SANE_STATUS_NO_MEM", "Insufficient memory for function"},
                      std::pair{"SANE_STATUS_DEVICE_BUSY", "Source already in use"},
                      std::pair{"SANE_STATUS_ACCESS_DENIED", "Could not open TWAIN Data Source"},
                      std::pair{"SANE_STATUS_UNSUPPORTED", "Unknown capability requested"},
                      std::pair{"SANE_STATUS_INVAL", "Parameter out of range"},
                      std::pair{"SANE_STATUS_EOF", "No data from device"},
                      std::pair{"SANE_STATUS_CANCELLED", ""}),
    [](const auto& row) { return std::string(row.param.first).substr(std::strlen("SANE_STATUS_")); });

}  // namespace
