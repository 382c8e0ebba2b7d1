// The web camera's speed: the copy of a frame on the streaming thread, the paint of the camera pane, the live view
// on the test cameras (frames shown against frames delivered; the interface thread's answer time while a 1920 × 1080
// MJPEG stream is decoded), and Take: a 1920 × 1080 frame to the corrected preview with the sample profile.
//   GST_PLUGIN_PATH is set to the build's test camera plugin folder unless given.
//   build/bench/bench_camera --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <vector>

#include "acquire/CCameraPane.h"
#include "acquire/CWebCameraDlg.h"
#include "acquire/CameraFrameBuffer.h"
#include "acquire/ICameraHost.h"
#include "app/CLumivaneState.h"

namespace {

class NullHost : public ICameraHost {
public:
    void CameraMessage(QWidget*, const QString&, const QString&, Icon) override { ++messages; }
    int RunCameraDialog(QDialog&) override { return 0; }
    void ShowAcquiredImage(std::int32_t, std::int32_t, const Pixel*) override {}
    int messages = 0;
};

std::vector<std::uint8_t> Pattern(int width, int height) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(width) * height * 4);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 4093);
    return bytes;
}

void BM_CopyFrame720p(benchmark::State& state) {
    CameraFrameBuffer buffer;
    buffer.SetSize(1280, 720);
    const std::vector<std::uint8_t> bytes = Pattern(1280, 720);
    for (auto _ : state) {
        buffer.Copy({bytes.data(), bytes.size(), 1280, 720, 1280 * 4});
        buffer.Latch();
    }
}
BENCHMARK(BM_CopyFrame720p)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PaintFrame720p(benchmark::State& state) {
    CCameraPane pane;
    pane.setGeometry(5, 5, 1284, 724);
    const std::vector<std::uint8_t> bytes = Pattern(1280, 720);
    const QImage frame(bytes.data(), 1280, 720, 1280 * 4, QImage::Format_RGB32);
    // The pane paints into an image of the window's format, as the offscreen backing store would.
    QImage target(pane.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        pane.SetFrame(frame);
        pane.render(&target);
    }
    if (pane.Paints() == 0) state.SkipWithError("the pane did not paint");
}
BENCHMARK(BM_PaintFrame720p)->Unit(benchmark::kMillisecond)->UseRealTime();

// Two seconds of live view; counters: frames delivered a second, the share of copied frames that were shown, and
// frames copied but replaced before they were shown.
void LiveView(benchmark::State& state, const char* camera, int width, int height, bool probeAnswers) {
    NullHost host;
    std::int32_t sizeX = width;
    std::int32_t sizeY = height;
    std::int64_t period = -1;
    double delivered = 0, shown = 0, skipped = 0, copied = 0;
    std::vector<double> answers;
    for (auto _ : state) {
        CWebCameraDlg window(host);
        if (!window.Init(camera, &sizeX, &sizeY, &period)) {
            state.SkipWithError("the test camera did not start (GST_PLUGIN_PATH?)");
            return;
        }
        window.show();
        const std::uint64_t deliveredBefore = window.DeliveredSamples();
        const std::uint64_t copiedBefore = window.CopiedFrames();
        std::uint64_t last = window.ShownFrame().sequence;
        QElapsedTimer clock;
        clock.start();
        QElapsedTimer posted;
        bool waiting = false;
        while (clock.elapsed() < 2000) {
            if (probeAnswers && !waiting) {
                // A posted call stands for a click: how long until the interface thread runs it.
                waiting = true;
                posted.start();
                QTimer::singleShot(0, &window, [&] {
                    answers.push_back(static_cast<double>(posted.nsecsElapsed()) / 1e6);
                    waiting = false;
                });
            }
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            const std::uint64_t now = window.ShownFrame().sequence;
            if (now != last) {
                ++shown;
                skipped += static_cast<double>(now - last - 1);
                last = now;
            }
        }
        delivered += static_cast<double>(window.DeliveredSamples() - deliveredBefore);
        copied += static_cast<double>(window.CopiedFrames() - copiedBefore);
    }
    state.counters["fps_delivered"] = benchmark::Counter(delivered / 2.0, benchmark::Counter::kAvgIterations);
    state.counters["shown_share"] = copied > 0 ? shown / copied : 0.0;
    state.counters["replaced_unshown"] = benchmark::Counter(skipped, benchmark::Counter::kAvgIterations);
    if (!answers.empty()) {
        std::sort(answers.begin(), answers.end());
        state.counters["answer_ms_median"] = answers[answers.size() / 2];
        state.counters["answer_ms_max"] = answers.back();
    }
}

void BM_LiveView720p(benchmark::State& state) {
    LiveView(state, "Test Camera", 1280, 720, false);
}
BENCHMARK(BM_LiveView720p)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_LiveViewMjpeg1080pAnswers(benchmark::State& state) {
    LiveView(state, "Test Camera MJPEG", 1920, 1080, true);
}
BENCHMARK(BM_LiveViewMjpeg1080pAnswers)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// Take: the frame buffer's last frame converted to an upright RGB picture and handed to the pipeline, whose preview
// run with the sample profile makes the corrected picture of the processed pane.
void BM_Take1080p(benchmark::State& state) {
    CLumivaneState pipeline;
    const char* source = std::getenv("LUMIVANE_SOURCE_DIR");
    const std::string profile = std::string(source != nullptr ? source : LUMIVANE_SOURCE_DIR) + "/resources/sample.qmx";
    if (!pipeline.LoadConfiguration(profile)) {
        state.SkipWithError("resources/sample.qmx could not be read");
        return;
    }
    CameraFrameBuffer buffer;
    buffer.SetSize(1920, 1080);
    const std::vector<std::uint8_t> bytes = Pattern(1920, 1080);
    buffer.Copy({bytes.data(), bytes.size(), 1920, 1080, 1920 * 4});
    buffer.Latch();
    for (auto _ : state) {
        BMP_File picture;
        FrameToPicture(buffer.Front(), picture);
        benchmark::DoNotOptimize(pipeline.ShowAcquiredImage(std::move(picture)));
    }
}
BENCHMARK(BM_Take1080p)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("GST_PLUGIN_PATH", LUMIVANE_TEST_CAMERA_DIR, 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
