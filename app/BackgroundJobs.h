#pragma once
// One worker thread that runs jobs one after another, in the order they were posted, off the interface thread, so the
// window answers the user while a picture is corrected at full size and encoded.
//
// A job's work runs on the worker and must touch no widget and nothing the interface thread changes meanwhile (it
// works on copies). Its progress (percent) and its end are reported on the thread that made this object, through
// queued calls, never from inside Post. Destroying the object lets the job that runs finish and then the queued jobs
// marked finishOnClose (saves: a file is either written whole or left as it was, never torn); the others are dropped
// unrun. Ends and progress are no longer reported once destruction has begun.

#include <QObject>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "base/Status.h"

class CBackgroundJobs {
public:
    // Reports progress in percent from the worker; the report reaches Job::progress on the interface thread.
    using Progress = std::function<void(int percent)>;

    struct Job {
        std::function<Status(const Progress&)> work;  // on the worker
        std::function<void(int)> progress;            // on the interface thread; may be empty
        std::function<void(const Status&)> done;      // on the interface thread; may be empty
        bool finishOnClose = true;
    };

    CBackgroundJobs();
    ~CBackgroundJobs();

    CBackgroundJobs(const CBackgroundJobs&) = delete;
    CBackgroundJobs& operator=(const CBackgroundJobs&) = delete;

    void Post(Job job);
    // Jobs posted whose end has not yet been reported (interface thread).
    int Pending() const { return m_nPending; }

private:
    void Loop();
    // Runs f on the interface thread, later; dropped once this object is being destroyed.
    void ToInterface(std::function<void()> f);

    std::unique_ptr<QObject> m_pContext;  // receiver of the queued calls; lives on the interface thread
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Job> m_queue;
    bool m_bClosing = false;
    int m_nPending = 0;
    std::thread m_thread;  // last: starts after the members above exist
};
