#include "app/BackgroundJobs.h"

#include <new>
#include <utility>

CBackgroundJobs::CBackgroundJobs() : m_pContext(std::make_unique<QObject>()), m_thread([this] { Loop(); }) {}

CBackgroundJobs::~CBackgroundJobs() {
    {
        std::lock_guard lock(m_mutex);
        m_bClosing = true;
    }
    m_wake.notify_all();
    m_thread.join();
    // Calls still queued for the interface thread go with their receiver.
    m_pContext.reset();
}

void CBackgroundJobs::Post(Job job) {
    ++m_nPending;
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(job));
    }
    m_wake.notify_one();
}

void CBackgroundJobs::ToInterface(std::function<void()> f) {
    QMetaObject::invokeMethod(m_pContext.get(), std::move(f), Qt::QueuedConnection);
}

void CBackgroundJobs::Loop() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_bClosing || !m_queue.empty(); });
            if (m_queue.empty()) return;  // closing, nothing left
            job = std::move(m_queue.front());
            m_queue.pop_front();
            if (m_bClosing && !job.finishOnClose) continue;
        }
        const Progress progress = [this, report = job.progress](int percent) {
            if (report) ToInterface([report, percent] { report(percent); });
        };
        Status result;
        try {
            result = job.work(progress);
        } catch (const std::bad_alloc&) {
            result = Status::Error("not enough memory");
        }
        ToInterface([this, done = std::move(job.done), result] {
            --m_nPending;
            if (done) done(result);
        });
    }
}
