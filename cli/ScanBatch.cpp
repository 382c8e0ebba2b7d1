#include "cli/ScanBatch.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

#include "acquire/CTwainUtils.h"
#include "platform/ScanCodes.h"

namespace {

// Pages waiting for the worker; at most two, so that a slow disk holds the scanner back rather than memory filling.
struct QueuedPage {
    int number = 0;
    BMP_File page;
    Resolution resolution;
};

class PageQueue {
public:
    void Push(QueuedPage&& page) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [&] { return m_pages.size() < kDepth; });
        m_pages.push_back(std::move(page));
        m_changed.notify_all();
    }
    void Close() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closed = true;
        m_changed.notify_all();
    }
    std::optional<QueuedPage> Pop() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [&] { return !m_pages.empty() || m_closed; });
        if (m_pages.empty()) return std::nullopt;
        auto page = std::move(m_pages.front());
        m_pages.pop_front();
        m_changed.notify_all();
        return page;
    }

private:
    static constexpr std::size_t kDepth = 2;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<QueuedPage> m_pages;
    bool m_closed = false;
};

}  // namespace

void ScanBatchCancel::Cancel() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_cancelled = true;
    if (m_control != nullptr) m_control->Cancel();
}

bool ScanBatchCancel::Cancelled() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_cancelled;
}

void ScanBatchCancel::Watch(ScanControl* control) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_control = control;
    if (m_cancelled && control != nullptr) control->Cancel();
}

ScanBatchResult RunScanBatch(CTwainUtils& twain, const std::shared_ptr<IScannerDevice>& device, bool feeder,
                             const PageCorrector& correct, const PageSink& sink, const ScanBatchReport& report,
                             ScanBatchCancel* cancel) {
    ScanBatchResult result;
    PageQueue queue;
    std::mutex resultMutex;
    std::thread worker([&] {
        while (auto item = queue.Pop()) {
            BMP_File corrected;
            Status status = correct(std::move(item->page), corrected);
            if (status) status = sink(item->number, corrected, item->resolution);
            std::lock_guard<std::mutex> lock(resultMutex);
            if (status) {
                ++result.written;
            } else {
                ++result.failed;
                if (report.failure) report.failure(status);
            }
        }
    });

    for (int number = 1;; ++number) {
        if (cancel != nullptr && cancel->Cancelled()) {
            result.cancelled = true;
            break;
        }
        ScanControl control(twain.NoProgressTimeout(), [&report, number](const ScanProgress& progress) {
            if (report.progress) report.progress(number, progress);
        });
        if (cancel != nullptr) cancel->Watch(&control);
        BMP_File page;
        Resolution resolution;
        bool cancelled = false;
        try {
            cancelled = twain.AcquireFrom(device, page, control, &resolution);
        } catch (const CExcept& failure) {
            if (cancel != nullptr) cancel->Watch(nullptr);
            // A failure that a cancel brought about (the source broken off mid-page) is the cancel.
            if (cancel != nullptr && cancel->Cancelled()) {
                result.cancelled = true;
                break;
            }
            // An empty feeder after the first page is the normal end of the stack.
            if (failure.Code() == scan::kFeederEmpty && number > 1) break;
            std::lock_guard<std::mutex> lock(resultMutex);
            ++result.failed;
            if (report.failure) report.failure(Status::Error("page " + std::to_string(number) + ": " + failure.Text()));
            break;
        }
        if (cancel != nullptr) cancel->Watch(nullptr);
        if (cancelled) {
            result.cancelled = true;
            break;
        }
        ++result.scanned;
        queue.Push({number, std::move(page), resolution});
        if (!feeder) break;
    }
    device->Cancel();  // the source's last page is over
    queue.Close();
    worker.join();
    return result;
}
