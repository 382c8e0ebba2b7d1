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
class PageQueue {
public:
    void Push(int number, BMP_File&& page) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [&] { return m_pages.size() < kDepth; });
        m_pages.emplace_back(number, std::move(page));
        m_changed.notify_all();
    }
    void Close() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closed = true;
        m_changed.notify_all();
    }
    std::optional<std::pair<int, BMP_File>> Pop() {
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
    std::deque<std::pair<int, BMP_File>> m_pages;
    bool m_closed = false;
};

}  // namespace

ScanBatchResult RunScanBatch(CTwainUtils& twain, const std::shared_ptr<IScannerDevice>& device, bool feeder,
                             const PageCorrector& correct, const PageSink& sink, const ScanBatchReport& report) {
    ScanBatchResult result;
    PageQueue queue;
    std::mutex resultMutex;
    std::thread worker([&] {
        while (auto item = queue.Pop()) {
            BMP_File corrected;
            Status status = correct(std::move(item->second), corrected);
            if (status) status = sink(item->first, corrected);
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
        ScanControl control(twain.NoProgressTimeout(), [&report, number](const ScanProgress& progress) {
            if (report.progress) report.progress(number, progress);
        });
        BMP_File page;
        try {
            if (twain.AcquireFrom(device, page, control)) {
                result.cancelled = true;
                break;
            }
        } catch (const CExcept& failure) {
            // An empty feeder after the first page is the normal end of the stack.
            if (failure.Code() == scan::kFeederEmpty && number > 1) break;
            std::lock_guard<std::mutex> lock(resultMutex);
            ++result.failed;
            if (report.failure) report.failure(Status::Error("page " + std::to_string(number) + ": " + failure.Text()));
            break;
        }
        ++result.scanned;
        queue.Push(number, std::move(page));
        if (!feeder) break;
    }
    device->Cancel();  // the source's last page is over
    queue.Close();
    worker.join();
    return result;
}
