#include "cli/GrabCommand.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>

#include "acquire/CameraFrameBuffer.h"
#include "app/CLumivaneState.h"
#include "cli/CancelOnSignal.h"
#include "cli/Failure.h"
#include "cli/Help.h"
#include "cli/NamedOptions.h"
#include "cli/PictureCorrection.h"
#include "cli/SettingChecks.h"
#include "platform/CameraCapture.h"
#include "platform/CameraList.h"
#include "platform/CameraRenderer.h"
#include "platform/ImageCodec.h"
#include "storage/CStrList.h"

namespace {

using namespace std::chrono_literals;

constexpr const char* kGrabSynopsis =
    "lumivane-cli grab [--camera NAME] [OPTION]... -o OUTPUT | --count N --interval SECONDS --out-dir DIR";

std::string GrabHelpText() {
    return std::string(
               "usage:\n"
               "  lumivane-cli grab [--camera NAME] [OPTION]... -o OUTPUT\n"
               "  lumivane-cli grab [--camera NAME] [OPTION]... --count N --interval SECONDS --out-dir DIR [--format F]\n"
               "\n"
               "Takes a frame from a camera, or a timed series of frames, corrects each as the window would and\n"
               "writes it.\n"
               "\n"
               "options:\n"
               "  --camera NAME       the camera, as lumivane-cli sources names it (default: the first one)\n"
               "  --profile FILE.qmx  load this profile first (default: none, the start-up settings)\n"
               "  --set KEY=VALUE     then set one profile key (repeatable)\n"
               "  --size WxH          the frame size asked of the camera, or its nearest (default: its largest)\n"
               "  --skip N            frames let pass before the first is taken, while the camera settles (default 10)\n"
               "  -o FILE             the picture (.png, .jpg, .gif, .bmp)\n"
               "  --count N           frames in a series, at least 1 (with --out-dir)\n"
               "  --interval SECONDS  time between the frames of a series, 0..86400 (default 0)\n"
               "  --out-dir DIR       the series as grab-0001.png, grab-0002.png, ... in DIR\n"
               "  --format F          format of the series: png, jpg, gif or bmp (default png)\n"
               "  -h, --help          this text\n"
               "\n"
               "corrections, applied after --profile and --set in the order given:\n") +
           NamedOptionsHelp() +
           "\n"
           "Ctrl+C (or SIGTERM) ends a series between frames: the pictures written stay, one line says how many.\n"
           "exit status: 0 done, 1 the camera or a picture failed, 2 usage error, 130 stopped by Ctrl+C (143 by\n"
           "SIGTERM)\n";
}

// How long a frame may take to come before the camera counts as failed.
constexpr auto kFrameBound = 10s;

struct GrabOptions {
    std::optional<std::string> camera;
    std::optional<std::string> profile;
    std::vector<std::string> sets;
    int width = 100000;  // the largest size the camera offers
    int height = 100000;
    int skip = 10;
    std::optional<std::string> output;
    int count = 1;
    double interval = 0;
    std::optional<std::string> outDir;
    ImageFormat format = ImageFormat::Png;
    std::vector<NamedOption> named;  // the named corrections, after the profile and the --set lines
    std::vector<std::string> warnings;  // about --set values, said before the grab
};

bool ParseInt(const std::string& text, int& value, int least) {
    char* end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || parsed < least || parsed > 1000000) return false;
    value = static_cast<int>(parsed);
    return true;
}

std::optional<GrabOptions> Parse(const std::vector<std::string>& arguments, std::string& error) {
    GrabOptions options;
    bool series = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (const std::size_t before = options.named.size(); TakeNamedOption(arguments, i, options.named, &error)) {
            if (options.named.size() == before) return std::nullopt;
            --i;  // the loop steps past the option
            continue;
        }
        const std::string& option = arguments[i];
        const auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= arguments.size()) {
                error = option + " needs a value";
                return std::nullopt;
            }
            return arguments[++i];
        };
        std::optional<std::string> v;
        if (option == "--camera" || option == "--profile" || option == "--set" || option == "--size" ||
            option == "--skip" || option == "-o" || option == "--count" || option == "--interval" ||
            option == "--out-dir" || option == "--format") {
            if (!(v = value())) return std::nullopt;
        } else {
            error = "grab: unknown option " + option;
            return std::nullopt;
        }
        if (option == "--camera") {
            options.camera = *v;
        } else if (option == "--profile") {
            options.profile = *v;
        } else if (option == "--set") {
            if (v->find('=') == std::string::npos) {
                error = "--set needs KEY=VALUE, not " + *v;
                return std::nullopt;
            }
            options.sets.push_back(*v);
        } else if (option == "--size") {
            const std::size_t x = v->find('x');
            if (x == std::string::npos || !ParseInt(v->substr(0, x), options.width, 1) ||
                !ParseInt(v->substr(x + 1), options.height, 1)) {
                error = "--size needs WxH, not " + *v;
                return std::nullopt;
            }
        } else if (option == "--skip") {
            if (!ParseInt(*v, options.skip, 0)) {
                error = "--skip needs a count of frames, not " + *v;
                return std::nullopt;
            }
        } else if (option == "-o") {
            options.output = *v;
        } else if (option == "--count") {
            series = true;
            if (!ParseInt(*v, options.count, 1)) {
                error = "--count needs a number of frames, not " + *v;
                return std::nullopt;
            }
        } else if (option == "--interval") {
            char* end = nullptr;
            options.interval = std::strtod(v->c_str(), &end);
            if (v->empty() || *end != '\0' || !(options.interval >= 0) || options.interval > 86400) {
                error = "--interval needs seconds, not " + *v;
                return std::nullopt;
            }
        } else if (option == "--out-dir") {
            options.outDir = *v;
        } else if (option == "--format") {
            const std::optional<ImageFormat> format = FormatFromName("." + *v, true);
            if (!format) {
                error = "--format needs png, jpg, gif or bmp, not " + *v;
                return std::nullopt;
            }
            options.format = *format;
        }
    }
    if (options.output.has_value() == options.outDir.has_value()) {
        error = "grab needs either -o OUTPUT or --out-dir DIR";
        return std::nullopt;
    }
    if (options.output && series) {
        error = "--count goes with --out-dir";
        return std::nullopt;
    }
    if (options.output && !FormatFromName(*options.output, true)) {
        error = *options.output + ": the name must end in .png, .jpg, .gif or .bmp";
        return std::nullopt;
    }
    if (!CanonicalSetLines(options.sets, &error, options.warnings)) return std::nullopt;
    return options;
}

// Frames from the capture: counts them and copies the one asked for.
class GrabRenderer : public CameraRendererBase {
public:
    bool CheckMediaType(const VideoMediaType& type) override {
        return type.media == "video/x-raw" && type.format == "BGRx";
    }
    void SetMediaType(const VideoMediaType& type) override { m_cFrames.SetSize(type.width, type.height); }
    void DoRenderSample(const VideoSample& sample) override {
        {
            std::lock_guard lock(m_mutex);
            ++m_nSeen;
            if (m_nSeen <= m_nWanted) return;
        }
        if (!m_cFrames.Copy(sample)) return;
        {
            std::lock_guard lock(m_mutex);
            m_nWanted = UINT64_MAX;  // nothing more until the next grab asks
        }
        m_changed.notify_all();
    }
    void Fail(const CameraFailure& failure) {
        {
            std::lock_guard lock(m_mutex);
            m_failure = failure;
        }
        m_changed.notify_all();
    }
    // From any thread: the grab waiting for a frame, and any wait later, ends at once (Stopped() tells why).
    void Stop() {
        {
            std::lock_guard lock(m_mutex);
            m_bStopped = true;
        }
        m_changed.notify_all();
    }
    bool Stopped() {
        std::lock_guard lock(m_mutex);
        return m_bStopped;
    }
    // Waits until the time comes (true) or Stop (false).
    bool WaitUntil(std::chrono::steady_clock::time_point time) {
        std::unique_lock lock(m_mutex);
        return !m_changed.wait_until(lock, time, [&] { return m_bStopped; });
    }
    // The first frame after skip more have passed, upright in RGB order; the cause when none came.
    Status Grab(int skip, BMP_File& picture) {
        std::unique_lock lock(m_mutex);
        const std::uint64_t before = m_cFrames.Copied();
        m_nWanted = m_nSeen + static_cast<std::uint64_t>(skip);
        const bool came = m_changed.wait_for(lock, kFrameBound + skip * 200ms, [&] {
            return m_cFrames.Copied() > before || bool(m_failure) || m_bStopped;
        });
        if (m_bStopped) return Status::Error("stopped");
        if (m_failure) return Status::Error(m_failure.text);
        if (!came) return Status::Error("no picture came from the camera in time");
        lock.unlock();
        m_cFrames.Latch();
        if (!FrameToPicture(m_cFrames.Front(), picture)) return Status::Error("the frame could not be converted");
        return Status::Ok();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::uint64_t m_nSeen = 0;
    std::uint64_t m_nWanted = UINT64_MAX;
    CameraFailure m_failure;
    bool m_bStopped = false;
    CameraFrameBuffer m_cFrames;
};

// The taken frame through a fresh state, written to output.
Status Correct(BMP_File&& picture, const std::optional<CStrList>& profile, const std::string& sets,
               const std::string& output, ImageFormat format) {
    CLumivaneState state;
    if (profile) state.LoadConfigurationLines(*profile);
    if (!sets.empty()) state.ApplyProfileLines(sets);
    if (!state.ShowAcquiredImage(std::move(picture))) {
        return Status::Error(output + ": the frame could not be taken (not enough memory)");
    }
    if (Status processed = state.Process(false); !processed) return Status::Error(output + ": " + processed.message());
    return WriteImageFile(output, state.ProcessedImage(), format);
}

}  // namespace

int RunGrab(const std::vector<std::string>& arguments) {
    if (AsksForHelp(arguments)) return PrintHelp(GrabHelpText());
    std::string error;
    const std::optional<GrabOptions> parsed = Parse(arguments, error);
    if (!parsed) return ReportUsageError(error, "grab", kGrabSynopsis);
    for (const std::string& warning : parsed->warnings) ReportWarning(warning);
    const GrabOptions& options = *parsed;
    // Before the camera framework starts its threads: Ctrl+C and SIGTERM stop the grab between frames, the camera
    // closed as at the normal end.
    CancelOnSignal stop;
    Corrections corrections;
    if (Status read = ReadCorrections(options.profile, options.sets, corrections); !read) {
        ReportFailure(read);
        return 1;
    }
    AppendNamedOptions(corrections, CLumivaneState::kDefaultPaneOuter, options.named);

    std::string camera = options.camera.value_or("");
    if (camera.empty()) {
        std::vector<std::string> names;
        if (Status listed = ListCameraNames(names); !listed) {
            ReportFailure(listed);
            return 1;
        }
        if (names.empty()) {
            ReportFailure(Status::Error("no camera is attached"));
            return 1;
        }
        camera = names.front();
    }
    const std::string label = "camera \"" + camera + "\"";
    const CameraFormat format = CameraCapture::FormatFor(camera, options.width, options.height, -1);
    if (format.media.empty()) {
        ReportFailure(Status::Error(label + ": not found"));
        return 1;
    }
    GrabRenderer renderer;
    const ScopedCancel stopOnSignal(stop, [&renderer] { renderer.Stop(); });
    CameraCapture capture(renderer);
    capture.SetFailureListener([&renderer](const CameraFailure& failure) { renderer.Fail(failure); });
    if (const CameraFailure failure = capture.Start(camera, format)) {
        ReportFailure(Status::Error(label + ": " + failure.text));
        return 1;
    }
    if (options.outDir) {
        std::error_code ignored;
        std::filesystem::create_directories(*options.outDir, ignored);
    }
    int status = 0;
    int written = 0;
    // A stop signal: the files written stay (a file appears whole or not at all), one line says so.
    const auto cancelled = [&] {
        capture.Stop();
        std::string where = written == 0 ? std::string("nothing was written")
                                         : std::to_string(written) + (written == 1 ? " picture" : " pictures") +
                                               " written to " + *options.outDir;
        ReportFailure(Status::Error(label + ": the grab was cancelled; " + where));
        return stop.ExitStatus();
    };
    auto next = std::chrono::steady_clock::now();
    for (int shot = 0; shot < options.count; ++shot) {
        if (shot > 0) {
            next += std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                std::chrono::duration<double>(options.interval));
            // The interval the user asked for between shots.
            if (!renderer.WaitUntil(next)) return cancelled();
        } else {
            next = std::chrono::steady_clock::now();
        }
        BMP_File picture;
        if (Status grabbed = renderer.Grab(shot == 0 ? options.skip : 0, picture); !grabbed) {
            if (renderer.Stopped()) return cancelled();
            ReportFailure(Status::Error(label + ": " + grabbed.message()));
            return 1;
        }
        std::string output;
        if (options.output) {
            output = *options.output;
        } else {
            char name[32];
            std::snprintf(name, sizeof name, "grab-%04d%s", shot + 1, ExtensionOf(options.format));
            output = (std::filesystem::path(*options.outDir) / name).string();
        }
        const ImageFormat fileFormat = options.output ? *FormatFromName(output, true) : options.format;
        if (renderer.Stopped()) return cancelled();
        if (Status saved = Correct(std::move(picture), corrections.profile, corrections.sets, output, fileFormat);
            !saved) {
            ReportFailure(saved);
            status = 1;
        } else if (options.outDir) {
            ++written;
        } else if (renderer.Stopped()) {
            // Stopped while the one picture was written: it is not kept.
            std::error_code ignored;
            std::filesystem::remove(output, ignored);
            return cancelled();
        }
    }
    return status;
}
