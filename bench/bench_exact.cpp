// The exact preview, offscreen, with a 6000 × 4000 original and every stage of the chain on:
//   - from a change (a check box clicked) until the processed pane shows the full-size result reduced to the pane;
//   - a mouse movement on a light tracker with the exact preview on, until the pane-sized preview is repainted (each
//     movement also asks for a new exact run, which stops the one going).
//   build/bench/bench_exact --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

#include <benchmark/benchmark.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QMouseEvent>
#include <QTest>
#include <cstdlib>
#include <string>

#include "app/CLumivaneDlg.h"
#include "app/DialogSeam.h"
#include "app/DialogUnits.h"

namespace {

BMP_File MakePicture() {
    BMP_File picture;
    if (!picture.Reshape(6000, 4000)) std::abort();
    std::uint32_t noise = 12345;
    for (std::int32_t y = 0; y < 4000; ++y) {
        Pixel* row = picture.Row(y);
        for (std::int32_t x = 0; x < 6000; ++x) {
            noise = noise * 1664525u + 1013904223u;
            row[x] = Pixel{static_cast<std::uint8_t>(x * 255 / 6000), static_cast<std::uint8_t>(y * 255 / 4000),
                           static_cast<std::uint8_t>(noise >> 24)};
        }
    }
    return picture;
}

class Fixture {
public:
    Fixture() : m_window(m_seam, std::string()) {
        m_window.show();
        if (!QTest::qWaitForWindowExposed(&m_window)) std::abort();
        ProcessingSettings& s = m_window.State().m_settings;
        s.m_bBlur = s.m_bBrightness = s.m_bContrast = s.m_bHSB = 1;
        s.m_bInvertR = s.m_bInvertG = s.m_bInvertB = s.m_bGrayScale = s.m_bSharpen = s.m_bEmboss = 1;
        s.m_bCrop = s.m_bLight1 = s.m_bLight2 = s.m_bLight3 = s.m_bResize = 1;
        s.m_nSizeX = 6000;
        s.m_nSizeY = 4000;
        s.m_nBlurSize = 9;
        s.m_nHue = 30;
        m_window.State().SetRotation(1);
        if (!m_window.State().ShowAcquiredImage(MakePicture())) std::abort();
        m_window.ExactPreviewBox()->click();
        Wait();
    }
    CLumivaneDlg& Window() { return m_window; }
    void Wait() {
        if (!QTest::qWaitFor([this] { return !m_window.ExactPreviewBusy(); }, 120000)) std::abort();
    }

private:
    ScriptedDialogSeam m_seam;
    CLumivaneDlg m_window;
};

Fixture& Shared() {
    static Fixture* fixture = new Fixture();
    return *fixture;
}

void BM_ChangeToExactPreviewShown(benchmark::State& state) {
    Fixture& fixture = Shared();
    for (auto _ : state) {
        static_cast<QAbstractButton*>(fixture.Window().Control(dlg::kInvertRed))->click();
        fixture.Wait();
    }
}
BENCHMARK(BM_ChangeToExactPreviewShown)->Unit(benchmark::kMillisecond)->UseRealTime();

void SendMouse(QWidget& widget, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(at), QPointF(widget.mapToGlobal(at)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

void BM_TrackerMoveWithExactPreviewOn(benchmark::State& state) {
    Fixture& fixture = Shared();
    CLumivaneDlg& window = fixture.Window();
    if (window.State().m_settings.m_bLightEdit1 == 0) {
        static_cast<QAbstractButton*>(window.Control(dlg::kEditLight1))->click();
    }
    CBmpWnd& pane = window.ProcessedPane();
    const Size client = pane.ClientSize();
    pane.Model().m_cLightTracker1.m_rect = Rect{20, 20, client.width - 20, client.height - 20};
    const QPoint grab = pane.ClientOrigin() + QPoint(40, 40);
    SendMouse(pane, QEvent::MouseButtonPress, grab, Qt::LeftButton, Qt::LeftButton);
    int step = 0;
    for (auto _ : state) {
        step ^= 1;
        SendMouse(pane, QEvent::MouseMove, grab + QPoint(step, step), Qt::NoButton, Qt::LeftButton);
    }
    SendMouse(pane, QEvent::MouseButtonRelease, grab, Qt::LeftButton, Qt::NoButton);
    fixture.Wait();
}
BENCHMARK(BM_TrackerMoveWithExactPreviewOn)->Unit(benchmark::kMillisecond)->UseRealTime();

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
