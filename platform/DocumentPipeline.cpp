#include "platform/DocumentPipeline.h"

#include <new>
#include <utility>

#include "base/Parallel.h"

DocumentPipeline::DocumentPipeline(std::string path, ImageFormat format, PdfOptions options, Correction correct,
                                   std::size_t depth, int threads)
    : m_writer(std::move(path), format, options, threads > 0 ? threads : DefaultThreadCount()),
      m_correct(std::move(correct)),
      m_depth(depth > 0 ? depth : 1),
      m_worker([this] { Work(); }) {}

DocumentPipeline::~DocumentPipeline() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closing = true;
        m_queue.clear();
    }
    m_changed.notify_all();
    if (m_worker.joinable()) m_worker.join();
}

Status DocumentPipeline::Add(BMP_File page, Resolution resolution) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_queue.size() < m_depth || !m_failure.ok() || m_closing; });
    if (!m_failure.ok()) return m_failure;
    if (m_closing) return Status::Error(m_writer.Path() + ": the document is already finished");
    m_queue.push_back(Item{std::move(page), resolution});
    lock.unlock();
    m_changed.notify_all();
    return Status::Ok();
}

void DocumentPipeline::Work() {
    for (;;) {
        Item item;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [this] { return !m_queue.empty() || m_closing; });
            if (m_queue.empty()) return;
            item = std::move(m_queue.front());
            m_queue.pop_front();
            m_busy = true;
        }
        m_changed.notify_all();
        Status done;
        try {
            if (m_correct) done = m_correct(item.page);
            if (done) done = m_writer.AddPage(item.page, item.resolution);
        } catch (const std::bad_alloc&) {
            done = Status::Error(m_writer.Path() + ": not enough memory for the page");
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_busy = false;
            if (!done && m_failure.ok()) {
                m_failure = done;
                m_queue.clear();  // the pages after a failure are not written
            }
        }
        m_changed.notify_all();
    }
}

Status DocumentPipeline::Finish() {
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_queue.empty() && !m_busy; });
        m_closing = true;
    }
    m_changed.notify_all();
    if (m_worker.joinable()) m_worker.join();
    const Status failure = m_failure;
    if (m_writer.PageCount() == 0) {
        return failure.ok() ? Status::Error(m_writer.Path() + ": no page was given, so no document was made") : failure;
    }
    if (Status written = m_writer.Finish(); !written) return written;
    return failure;
}
