// Speed of the main window, offscreen, with a 6000 × 4000 original:
//   - a mouse movement on a light tracker of the processed pane until that pane is repainted, with every stage of the
//     chain on (the drag pushes the rectangle, the chain runs in preview mode, the pane's copy is rebuilt and painted);
//   - repainting the original pane (drawn from its pane-sized copy);
//   - building the original pane's pane-sized copy, which happens once per picture and pane size.
//   build/bench/bench_gui --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

#include <benchmark/benchmark.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <cstdlib>
#include <memory>

#include "app/CLumivaneDlg.h"
#include "app/DialogSeam.h"
#include "app/DialogUnits.h"

namespace {

constexpr std::int32_t kWidth = 6000;
constexpr std::int32_t kHeight = 4000;

// A picture with structure in every channel, so no stage meets a flat input.
BMP_File MakePicture() {
    BMP_File picture;
    if (!picture.Reshape(kWidth, kHeight)) std::abort();
    std::uint32_t noise = 12345;
    for (std::int32_t y = 0; y < kHeight; ++y) {
        Pixel* row = picture.Row(y);
        for (std::int32_t x = 0; x < kWidth; ++x) {
            noise = noise * 1664525u + 1013904223u;
            row[x] = Pixel{static_cast<std::uint8_t>(x * 255 / kWidth), static_cast<std::uint8_t>(y * 255 / kHeight),
                           static_cast<std::uint8_t>(noise >> 24)};
        }
    }
    return picture;
}

// One shown main window with the big picture, shared by the benchmarks.
class Fixture {
public:
    Fixture() : m_window(m_seam, std::string()) {
        m_window.show();
        if (!QTest::qWaitForWindowExposed(&m_window)) std::abort();  // so that repaints really paint
        if (!m_window.State().ShowAcquiredImage(MakePicture())) std::abort();
    }

    // Every stage on, with values away from neutral, and light 1's tracker shown on the processed pane.
    void AllStagesOn() {
        ProcessingSettings& s = m_window.State().m_settings;
        s.m_bBlur = s.m_bBrightness = s.m_bContrast = s.m_bHSB = 1;
        s.m_bInvertR = s.m_bInvertG = s.m_bInvertB = s.m_bGrayScale = s.m_bSharpen = s.m_bEmboss = 1;
        s.m_bCrop = s.m_bLight1 = s.m_bLight2 = s.m_bLight3 = s.m_bResize = 1;
        s.m_nBlurSize = 9;
        s.m_nBrightR = 60;
        s.m_nContrastG = 70;
        s.m_nHue = 30;
        s.m_nSaturation = 80;
        s.m_nLightColor[0][0] = 200;
        m_window.State().m_cBmpWndOriginal.m_bCrop = 1;
        m_window.State().SetRotation(1);
        if (s.m_bLightEdit1 == 0) static_cast<QAbstractButton*>(m_window.Control(dlg::kEditLight1))->click();
    }

    CLumivaneDlg& Window() { return m_window; }

private:
    ScriptedDialogSeam m_seam;
    CLumivaneDlg m_window;
};

Fixture& Shared() {
    static Fixture* fixture = new Fixture();
    return *fixture;
}

void SendMouse(QWidget& widget, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(at), QPointF(widget.mapToGlobal(at)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

void BM_TrackerMoveToRepaintedPane(benchmark::State& state) {
    Fixture& fixture = Shared();
    fixture.AllStagesOn();
    CBmpWnd& pane = fixture.Window().ProcessedPane();
    // Light 1's tracker, smaller than the pane so that it can move, grabbed inside away from its handles and moved
    // back and forth by a pixel.
    const Size client = pane.ClientSize();
    pane.Model().m_cLightTracker1.m_rect = Rect{20, 20, client.width - 20, client.height - 20};
    const QPoint grab = pane.ClientOrigin() + QPoint(40, 40);
    SendMouse(pane, QEvent::MouseButtonPress, grab, Qt::LeftButton, Qt::LeftButton);
    const int before = pane.PaneImageBuilds();
    int step = 0;
    for (auto _ : state) {
        step ^= 1;
        SendMouse(pane, QEvent::MouseMove, grab + QPoint(step, step), Qt::NoButton, Qt::LeftButton);
    }
    SendMouse(pane, QEvent::MouseButtonRelease, grab, Qt::LeftButton, Qt::NoButton);
    if (pane.PaneImageBuilds() - before < static_cast<int>(state.iterations())) {
        state.SkipWithError("a movement did not rebuild and repaint the processed pane");
    }
    state.counters["chain_runs"] =
        benchmark::Counter(static_cast<double>(pane.PaneImageBuilds() - before), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_TrackerMoveToRepaintedPane)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RepaintOriginalPane(benchmark::State& state) {
    CBmpWnd& pane = Shared().Window().OriginalPane();
    pane.repaint();
    const int builds = pane.PaneImageBuilds();
    for (auto _ : state) pane.repaint();
    if (pane.PaneImageBuilds() != builds) state.SkipWithError("a repaint rescaled the original");
}
BENCHMARK(BM_RepaintOriginalPane)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BuildOriginalPaneImage(benchmark::State& state) {
    CLumivaneDlg& window = Shared().Window();
    for (auto _ : state) {
        if (!window.OriginalPane().SetBitmap(&window.State().OriginalImage())) state.SkipWithError("no memory");
    }
}
BENCHMARK(BM_BuildOriginalPaneImage)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
