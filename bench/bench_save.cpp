// How the main window answers while it saves, offscreen, with a 5120 × 2880 original saved as PNG:
//   - a click on a correction's check box (its preview run and repaint included) while a save runs behind the window;
//     a new save is started whenever the last one has ended, so every measured click meets a running save;
//   - the click on Save itself, until it returns (the copy of the original that the save works from).
//   build/bench/bench_save --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

#include <benchmark/benchmark.h>

#include <QAbstractButton>
#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <string>

#include "app/CLumivaneDlg.h"
#include "app/DialogSeam.h"
#include "app/DialogUnits.h"
#include "platform/ImageCodec.h"

namespace {

constexpr std::int32_t kWidth = 5120;
constexpr std::int32_t kHeight = 2880;

// A photograph-like picture: smooth gradients with some noise, so PNG has real work to do.
BMP_File MakePicture() {
    BMP_File picture;
    if (!picture.Reshape(kWidth, kHeight)) std::abort();
    std::uint32_t noise = 777;
    for (std::int32_t y = 0; y < kHeight; ++y) {
        Pixel* row = picture.Row(y);
        for (std::int32_t x = 0; x < kWidth; ++x) {
            noise = noise * 1664525u + 1013904223u;
            row[x] = Pixel{static_cast<std::uint8_t>(x * 255 / kWidth + (noise >> 30)),
                           static_cast<std::uint8_t>(y * 255 / kHeight), static_cast<std::uint8_t>((x ^ y) & 0xFF)};
        }
    }
    return picture;
}

class Fixture {
public:
    Fixture() : m_window(m_seam, std::string()) {
        if (!m_folder.isValid()) std::abort();
        const std::string path = m_folder.filePath(QStringLiteral("photo.png")).toStdString();
        if (!WriteImageFile(path, MakePicture(), ImageFormat::Png)) std::abort();
        m_window.show();
        if (!QTest::qWaitForWindowExposed(&m_window)) std::abort();
        if (!m_window.OpenPicture(QString::fromStdString(path))) std::abort();
    }
    CLumivaneDlg& Window() { return m_window; }
    void Click(int id) { static_cast<QAbstractButton*>(m_window.Control(id))->click(); }
    void WaitForSaves() {
        if (!QTest::qWaitFor([this] { return m_window.PendingFileJobs() == 0; }, 120000)) std::abort();
    }

private:
    QTemporaryDir m_folder;
    ScriptedDialogSeam m_seam;
    CLumivaneDlg m_window;
};

Fixture& Shared() {
    static Fixture* fixture = new Fixture();
    return *fixture;
}

void BM_ClickWhileSaving(benchmark::State& state) {
    Fixture& fixture = Shared();
    int saves = 0;
    for (auto _ : state) {
        if (fixture.Window().PendingFileJobs() == 0) {
            state.PauseTiming();
            fixture.Click(dlg::kSave);
            ++saves;
            state.ResumeTiming();
        }
        fixture.Click(dlg::kInvertRed);
        QCoreApplication::processEvents();  // what the save reports meanwhile (progress, its end)
    }
    fixture.WaitForSaves();
    state.counters["saves"] = saves;
}
BENCHMARK(BM_ClickWhileSaving)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SaveClickReturns(benchmark::State& state) {
    Fixture& fixture = Shared();
    for (auto _ : state) {
        fixture.Click(dlg::kSave);
        state.PauseTiming();
        fixture.WaitForSaves();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SaveClickReturns)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

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
