// Speed of the main window, offscreen, with a 6000 × 4000 original:
//   - a mouse movement on a light tracker of the processed pane until that pane is repainted, with every stage of the
//     chain on (the drag pushes the rectangle, the chain runs in preview mode, the pane's copy is rebuilt and painted);
//   - repainting the original pane (drawn from its pane-sized copy);
//   - building the original pane's pane-sized copy, which happens once per picture and pane size;
//   - Enter in the add-text dialog until the processed pane is repainted, every stage on (the text is drawn into the
//     original, the original pane's copy rebuilt, the chain run, the processed pane's copy rebuilt and painted);
// and the add-text dialog on a 10000 × 8000 picture: opening it until its first paint, and scrolling its view.
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
#include "panes/CAddTextDialog.h"
#include "panes/CEditBox.h"
#include "panes/CScrollDialog.h"

namespace {

constexpr std::int32_t kWidth = 6000;
constexpr std::int32_t kHeight = 4000;

// A picture with structure in every channel, so no stage meets a flat input.
BMP_File MakePicture(std::int32_t width = kWidth, std::int32_t height = kHeight) {
    BMP_File picture;
    if (!picture.Reshape(width, height)) std::abort();
    std::uint32_t noise = 12345;
    for (std::int32_t y = 0; y < height; ++y) {
        Pixel* row = picture.Row(y);
        for (std::int32_t x = 0; x < width; ++x) {
            noise = noise * 1664525u + 1013904223u;
            row[x] = Pixel{static_cast<std::uint8_t>(x * 255 / width), static_cast<std::uint8_t>(y * 255 / height),
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
    ScriptedDialogSeam& Seam() { return m_seam; }

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

void BM_ApplyTextToCorrectedPane(benchmark::State& state) {
    Fixture& fixture = Shared();
    fixture.AllStagesOn();
    CLumivaneDlg& window = fixture.Window();
    CBmpWnd& pane = window.ProcessedPane();
    int builds = 0;
    // The window's own command, as Text... runs it: the measurement is taken while its dialog is open.
    fixture.Seam().AnswerDialog([&](QDialog& dialog) {
        CEditBox& box = dynamic_cast<CAddTextDialog&>(dialog).TextBox();
        QTest::keyClicks(&box, QStringLiteral("Lumivane writes this line into the picture"));
        const int before = pane.PaneImageBuilds();
        for (auto _ : state) QTest::keyClick(&box, Qt::Key_Return);
        builds = pane.PaneImageBuilds() - before;
    });
    static_cast<QAbstractButton*>(window.Control(dlg::kAddText))->click();
    if (builds < static_cast<int>(state.iterations())) {
        state.SkipWithError("Enter did not rebuild and repaint the processed pane");
    }
}
BENCHMARK(BM_ApplyTextToCorrectedPane)->Unit(benchmark::kMillisecond)->UseRealTime();

// A host that only holds the picture, for the dialog on its own.
class PictureHost : public IAddTextHost {
public:
    BMP_File& AcquiredImage() override { return picture; }
    void AcquiredImageWritten(const Rect&) override {}
    std::optional<TextStyle> ChooseFont(QWidget*) override { return std::nullopt; }
    void ShowError(QWidget*, const QString&) override {}
    BMP_File picture = MakePicture(10000, 8000);
};

PictureHost& LargePicture() {
    static PictureHost* host = new PictureHost();
    return *host;
}

void BM_OpenTextDialogOnLargePicture(benchmark::State& state) {
    PictureHost& host = LargePicture();
    for (auto _ : state) {
        CAddTextDialog dialog(host);
        dialog.show();
        dialog.repaint();  // the first paint, now
    }
}
BENCHMARK(BM_OpenTextDialogOnLargePicture)->Unit(benchmark::kMillisecond)->UseRealTime();

// The dialog on the large picture, 1200 × 900 and shown.
std::unique_ptr<CAddTextDialog> ShownLargeDialog() {
    auto dialog = std::make_unique<CAddTextDialog>(LargePicture());
    dialog->resize(1200, 900);
    dialog->show();
    if (!QTest::qWaitForWindowExposed(dialog.get())) std::abort();
    return dialog;
}

void BM_ScrollLargePictureByALine(benchmark::State& state) {
    const std::unique_ptr<CAddTextDialog> dialog = ShownLargeDialog();
    CScrollDialog& view = dialog->View();
    view.Scroll(ScrollAxisId::Vertical, ScrollRequest::Thumb, 500);
    view.Scroll(ScrollAxisId::Horizontal, ScrollRequest::Thumb, 300);
    QCoreApplication::processEvents();
    int step = 0;
    for (auto _ : state) {
        // Down and up by a line in turn; the strip that comes into view is painted before the next step.
        step ^= 1;
        view.Scroll(ScrollAxisId::Vertical, step != 0 ? ScrollRequest::LineForward : ScrollRequest::LineBack);
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_ScrollLargePictureByALine)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RepaintLargePictureView(benchmark::State& state) {
    const std::unique_ptr<CAddTextDialog> dialog = ShownLargeDialog();
    dialog->View().Scroll(ScrollAxisId::Vertical, ScrollRequest::PageForward);
    for (auto _ : state) dialog->View().repaint();  // the whole visible part of the picture, text box and tracker
}
BENCHMARK(BM_RepaintLargePictureView)->Unit(benchmark::kMillisecond)->UseRealTime();

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
