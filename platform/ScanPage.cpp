#include "platform/ScanPage.h"

#include <condition_variable>
#include <thread>
#include <vector>

#include "platform/PageAssembler.h"
#include "platform/ScanCodes.h"

using namespace scan;

void ScanControl::Cancel() {
    m_cancelled = true;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_wake) m_wake();
}

void ScanControl::SetWake(std::function<void()> wake) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_wake = std::move(wake);
}

namespace {

// What the reading thread and the waiting caller share. The reading thread may outlive the caller's wait.
struct Shared {
    std::mutex mutex;
    std::condition_variable changed;
    bool done = false;
    bool abandoned = false;     // the caller has returned: no more progress calls
    std::uint64_t events = 0;   // bytes arrived (any count), so a wait sees progress
    ScanCode code;
    BMP_File page;
    Resolution resolution;  // the first frame's
    ScanControl::ProgressFn progress;
};

constexpr std::int32_t kReadChunk = 256 * 1024;

ScanCode ReadFrames(IScannerDevice& device, PageAssembler& assembler, Shared& shared) {
    std::vector<std::uint8_t> buffer(kReadChunk);
    ScanProgress progress;
    for (int frame = 0;; ++frame) {
        if (frame > 0) {
            // A page the caller gave up on (cancelled, stalled) gets no further frame: the source was cancelled, and
            // a frame started after that would be read for nobody.
            std::lock_guard<std::mutex> lock(shared.mutex);
            if (shared.abandoned) return {kUserCanceled, 0};
        }
        FrameParams params;
        if (const ScanCode started = device.Start(params); !started.ok()) return started;
        if (const ScanCode begun = assembler.BeginFrame(params); !begun.ok()) return begun;
        if (frame == 0) {
            std::lock_guard<std::mutex> lock(shared.mutex);
            shared.resolution = params.resolution;
            const std::int64_t frameBytes = assembler.FrameBytes();
            const bool threePass = params.format != FrameFormat::Gray && params.format != FrameFormat::Rgb;
            progress.bytesExpected = frameBytes < 0 ? -1 : frameBytes * (threePass ? 3 : 1);
        }
        for (;;) {
            std::int32_t length = 0;
            bool end = false;
            if (const ScanCode read = device.Read(buffer.data(), kReadChunk, length, end); !read.ok()) return read;
            if (end) break;
            if (const ScanCode fed = assembler.Feed(buffer.data(), length); !fed.ok()) return fed;
            progress.bytesRead += length;
            std::lock_guard<std::mutex> lock(shared.mutex);
            ++shared.events;
            if (!shared.abandoned && shared.progress) shared.progress(progress);
            shared.changed.notify_all();
        }
        if (const ScanCode ended = assembler.EndFrame(); !ended.ok()) return ended;
        if (params.lastFrame) return {};
    }
}

void ReadPage(std::shared_ptr<IScannerDevice> device, std::shared_ptr<Shared> shared) {
    PageAssembler assembler;
    ScanCode code;
    try {
        code = ReadFrames(*device, assembler, *shared);
    } catch (const std::bad_alloc&) {
        code = {kNoMemory, 0};
    }
    {
        std::lock_guard<std::mutex> lock(shared->mutex);
        shared->code = code;
        if (code.ok()) shared->page = assembler.Take();
        shared->done = true;
        shared->changed.notify_all();
    }
    // After a failure the page is ended here, once the caller has its answer: some backends take long to cancel.
    if (!code.ok()) device->Cancel();
}

}  // namespace

ScanCode ScanPage(const std::shared_ptr<IScannerDevice>& device, BMP_File& page, ScanControl& control,
                  Resolution* resolution) {
    if (control.Cancelled()) return {kUserCanceled, 0};
    auto shared = std::make_shared<Shared>();
    shared->progress = control.Progress();
    control.SetWake([shared] {
        std::lock_guard<std::mutex> lock(shared->mutex);
        shared->changed.notify_all();
    });
    try {
        std::thread(ReadPage, device, shared).detach();
    } catch (...) {
        control.SetWake({});
        return {kNoMemory, 0};
    }

    std::unique_lock<std::mutex> lock(shared->mutex);
    std::uint64_t seen = shared->events;
    ScanCode result;
    for (;;) {
        const bool woken = shared->changed.wait_for(lock, control.Timeout(), [&] {
            return shared->done || control.Cancelled() || shared->events != seen;
        });
        if (control.Cancelled()) {
            result = {kUserCanceled, 0};
            break;
        }
        if (shared->done) {
            result = shared->code;
            if (result.ok()) {
                page = std::move(shared->page);
                if (resolution != nullptr) *resolution = shared->resolution;
            }
            break;
        }
        if (!woken) {
            result = {kTimedOut, 0};
            break;
        }
        seen = shared->events;
    }
    const bool finished = shared->done;
    shared->abandoned = true;
    lock.unlock();
    control.SetWake({});
    // A page broken off (cancelled or stalled) is cancelled at the source; the reading thread then ends with a short
    // page or an error that nobody waits for.
    if (!finished) device->Cancel();
    return result;
}
