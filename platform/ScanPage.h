#pragma once
// One page from an open source, as a 24-bit RGB picture: the frames are started and read, rows assembled from reads
// of any length, grey and 1-bit and 16-bit samples brought to 8-bit RGB (1-bit grey: a set bit is black), three
// frames of a three-pass scanner joined, a page of unknown height (lines = -1) grown as it comes.
//
// The frames are read on a thread of the page's own, so that the caller never waits without bound:
// - ScanControl::Cancel (from any thread) ends ScanPage at once with -60 "User canceled scan", also when the
//   source answers the cancel with a short page rather than a cancelled status;
// - a page that makes no progress (no byte read) for the control's timeout ends with -34 "Function timed out";
//   the source is cancelled, and a read that does not return is left to end on its own (the reading thread holds
//   the source until then; progress callbacks stop when ScanPage returns).
// A complete page leaves the source as it is (a feeder may go on with the next page); after a failure the source has
// been cancelled, and the reading thread starts no further frame of the page. A source that ends a page early gives the rows it delivered. No Qt.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "imaging/BMP_File.h"
#include "platform/Resolution.h"
#include "platform/Scanner.h"

struct ScanProgress {
    std::int64_t bytesRead = 0;
    std::int64_t bytesExpected = -1;  // -1 while the page's height is unknown
};

class ScanControl {
public:
    using ProgressFn = std::function<void(const ScanProgress&)>;

    explicit ScanControl(std::chrono::milliseconds noProgressTimeout = std::chrono::seconds(30),
                         ProgressFn progress = {})
        : m_timeout(noProgressTimeout), m_progress(std::move(progress)) {}

    ScanControl(const ScanControl&) = delete;
    ScanControl& operator=(const ScanControl&) = delete;

    // From any thread: the page in progress, and any page started later through this control, ends as cancelled.
    void Cancel();
    bool Cancelled() const { return m_cancelled.load(); }

    std::chrono::milliseconds Timeout() const { return m_timeout; }
    // Called by the reading thread, never after ScanPage has returned; must be quick (it runs under a lock).
    const ProgressFn& Progress() const { return m_progress; }

    // ScanPage's wake-up for Cancel; empty between pages.
    void SetWake(std::function<void()> wake);

private:
    std::atomic<bool> m_cancelled{false};
    std::chrono::milliseconds m_timeout;
    ProgressFn m_progress;
    std::mutex m_mutex;
    std::function<void()> m_wake;
};

// Reads one page into `page` (replaced only on success), and the resolution the source scanned it at into
// `*resolution` when given (unknown when the source does not tell).
ScanCode ScanPage(const std::shared_ptr<IScannerDevice>& device, BMP_File& page, ScanControl& control,
                  Resolution* resolution = nullptr);
