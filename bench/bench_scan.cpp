// Speed of the Scan command in the main window, offscreen:
//   - BM_ScanCommandA4: the whole command for an A4 page at 300 dpi (2480 × 3508) from a source that delivers it at
//     once: reading, the page file written and read back, the original shown, the chain run, the processed pane
//     repainted. BM_ReadA4 is the reading alone and BM_PreviewChainA4 the chain's own preview run on the same page;
//     the command minus both is the time from the last byte to the corrected page in the processed pane, beyond the
//     chain (target: at most 50 ms).
//   - BM_PaintGapDuringSlowScan: SANE's test backend scans an A4 page at 300 dpi slowly (read delay) while the window
//     is asked to repaint every 5 ms; the longest gap between two paints of the window during the scan is reported
//     (counter longest_paint_gap_ms; target: at most 50 ms).
// Without XDG_RUNTIME_DIR the program makes a runtime folder under /dev/shm, as a desktop session has one.
//   build/bench/bench_scan --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QAbstractButton>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <string>
#include <memory>

#include "acquire/CScanProgressDlg.h"
#include "acquire/CTwainUtils.h"
#include "app/CLumivaneDlg.h"
#include "app/CScanCommand.h"
#include "app/DialogSeam.h"
#include "app/DialogUnits.h"
#include "bench/ScanBenchSupport.h"
#include "platform/SaneScanner.h"
#include "platform/ScanPage.h"
#include "tests/support/FakeScanner.h"

namespace {

using testsupport::FakeScannerScript;
using testsupport::FakeScannerSystem;

std::shared_ptr<FakeScannerSystem> A4Source() {
    FakeScannerScript script;
    script.pageWidth = benchsupport::kA4Width;
    script.pageHeight = 3508;
    return std::make_shared<FakeScannerSystem>(script);
}

// The progress window is answered by running its own loop until the scan has ended.
void WaitForScan(ScriptedDialogSeam& seam) {
    seam.AnswerDialog([](QDialog& dialog) {
        auto& progress = static_cast<CScanProgressDlg&>(dialog);
        if (progress.Finished()) return;
        QEventLoop loop;
        QObject::connect(&progress, &QDialog::finished, &loop, &QEventLoop::quit);
        loop.exec();
    });
}

QApplication& App() {
    static int argc = 1;
    static char name[] = "bench_scan";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// A shown main window whose chosen scanner is `scanner`.
struct Window {
    explicit Window(const std::string& scanner) : window(seam, std::string()) {
        window.State().m_device.m_strScannerSrc = scanner;
        window.show();
        if (!QTest::qWaitForWindowExposed(&window)) std::abort();
    }
    void Scan() { window.ScanCommand().Run(window.State().m_device.m_strScannerSrc); }
    ScriptedDialogSeam seam;
    CLumivaneDlg window;
};

// A source that notes when it has handed over its last byte.
class StampingDevice : public IScannerDevice {
public:
    StampingDevice(std::shared_ptr<IScannerDevice> inner, QElapsedTimer& clock, qint64& stamp)
        : m_inner(std::move(inner)), m_clock(clock), m_stamp(stamp) {}
    ScanCode SetColorMode() override { return m_inner->SetColorMode(); }
    ScanCode GetPhysicalSize(std::int32_t& w, std::int32_t& h) override { return m_inner->GetPhysicalSize(w, h); }
    ScanCode SetScanArea(const ScanArea& area) override { return m_inner->SetScanArea(area); }
    ScanCode SelectFeeder(bool& found) override { return m_inner->SelectFeeder(found); }
    ScanCode SetOption(const std::string& n, const std::string& v, std::string* a) override {
        return m_inner->SetOption(n, v, a);
    }
    ScanCode Start(FrameParams& params) override { return m_inner->Start(params); }
    ScanCode Read(std::uint8_t* data, std::int32_t capacity, std::int32_t& length, bool& end) override {
        const ScanCode code = m_inner->Read(data, capacity, length, end);
        if (end) m_stamp = m_clock.nsecsElapsed();
        return code;
    }
    void Cancel() override { m_inner->Cancel(); }

private:
    std::shared_ptr<IScannerDevice> m_inner;
    QElapsedTimer& m_clock;
    qint64& m_stamp;
};

class StampingSystem : public IScannerSystem {
public:
    explicit StampingSystem(std::shared_ptr<IScannerSystem> inner) : m_inner(std::move(inner)) { clock.start(); }
    ScanCode ListSources(std::vector<std::string>& names) override { return m_inner->ListSources(names); }
    ScanCode Open(const std::string& name, std::shared_ptr<IScannerDevice>& device) override {
        std::shared_ptr<IScannerDevice> inner;
        const ScanCode code = m_inner->Open(name, inner);
        if (code.ok()) device = std::make_shared<StampingDevice>(inner, clock, lastByte);
        return code;
    }
    QElapsedTimer clock;
    qint64 lastByte = -1;

private:
    std::shared_ptr<IScannerSystem> m_inner;
};

// The last paint of a widget, on a clock.
class LastPaint : public QObject {
public:
    explicit LastPaint(QElapsedTimer& clock) : m_clock(clock) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) at = m_clock.nsecsElapsed();
        return QObject::eventFilter(watched, event);
    }
    qint64 at = -1;

private:
    QElapsedTimer& m_clock;
};

void BM_ScanCommandA4(benchmark::State& state) {
    App();
    Window w("fake:0");
    auto system = std::make_shared<StampingSystem>(A4Source());
    w.window.SetScannerSystem(system);
    LastPaint processedPane(system->clock);
    w.window.ProcessedPane().installEventFilter(&processedPane);
    std::vector<double> gaps;
    for (auto _ : state) {
        WaitForScan(w.seam);
        w.Scan();
        if (w.window.State().OriginalImage().Height() != 3508) state.SkipWithError("no page");
        gaps.push_back((processedPane.at - system->lastByte) / 1e6);
    }
    std::sort(gaps.begin(), gaps.end());
    state.counters["last_byte_to_pane_ms"] = gaps[gaps.size() / 2];
}

void BM_ReadA4(benchmark::State& state) {
    auto system = A4Source();
    for (auto _ : state) {
        std::shared_ptr<IScannerDevice> device;
        if (!system->Open("fake:0", device).ok()) std::abort();
        ScanControl control;
        BMP_File page;
        if (!ScanPage(device, page, control).ok()) std::abort();
        benchmark::DoNotOptimize(page.Data());
    }
}

void BM_PreviewChainA4(benchmark::State& state) {
    App();
    Window w("fake:0");
    w.window.SetScannerSystem(A4Source());
    WaitForScan(w.seam);
    w.Scan();
    for (auto _ : state) w.window.State().ProcessImage(true);
}

// Paint events of a widget, timed.
class PaintClock : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && recording) {
            const qint64 now = clock.nsecsElapsed();
            if (last >= 0) longest = std::max(longest, now - last);
            last = now;
        }
        return QObject::eventFilter(watched, event);
    }
    QElapsedTimer clock;
    bool recording = false;
    qint64 last = -1;
    qint64 longest = 0;
};

void BM_PaintGapDuringSlowScan(benchmark::State& state) {
    App();
    benchsupport::UseSaneTestBackend(300, 3000);  // about 1.2 s of reading for the page
    Window w("test:0");
    w.window.SetScannerSystem(std::make_shared<SaneScannerSystem>());
    w.window.Twain().SetScanArea(0, 0, 210, 297);
    PaintClock paints;
    w.window.installEventFilter(&paints);
    QTimer ask;
    QObject::connect(&ask, &QTimer::timeout, &w.window, [&w] { w.window.update(); });
    double longest = 0;
    for (auto _ : state) {
        paints.last = -1;
        paints.longest = 0;
        paints.clock.start();
        paints.recording = true;
        ask.start(5);
        WaitForScan(w.seam);
        w.Scan();
        ask.stop();
        paints.recording = false;
        longest = std::max(longest, paints.longest / 1e6);
        if (w.window.State().OriginalImage().Height() != benchsupport::kA4Height) state.SkipWithError("no page");
    }
    state.counters["longest_paint_gap_ms"] = longest;
}

BENCHMARK(BM_ScanCommandA4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadA4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PreviewChainA4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PaintGapDuringSlowScan)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // A desktop session has a runtime folder in memory, where the Scan command puts its page file; give one here.
    if (std::getenv("XDG_RUNTIME_DIR") == nullptr && ::access("/dev/shm", W_OK) == 0) {
        static std::string runtime = "/dev/shm/lumivane-bench-XXXXXX";
        if (::mkdtemp(runtime.data()) != nullptr) ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
