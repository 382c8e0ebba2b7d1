#pragma once
// Ctrl+C (SIGINT) and SIGTERM during a scan: the first one cancels the scan through its normal cancel path instead of
// ending the program with the scanner in the middle of a page. The signals are taken from a descriptor
// (StopSignals) by a thread of this object's own, which calls the cancel function there: no work is done in a signal
// handler. After the first signal, the signals have their default action again, so a second Ctrl+C ends the program
// at once.
//
// Make it before the program starts any other thread: the signals are blocked in the making thread, and the threads
// started later inherit the block. The destructor stops watching and restores the making thread's mask.

#include <atomic>
#include <functional>
#include <utility>
#include <mutex>
#include <thread>

#include "base/Status.h"
#include "platform/StopSignals.h"

class CancelOnSignal {
public:
    CancelOnSignal();
    ~CancelOnSignal();
    CancelOnSignal(const CancelOnSignal&) = delete;
    CancelOnSignal& operator=(const CancelOnSignal&) = delete;

    // Ok, or why the signals cannot be taken (they then end the program as they would without this object).
    const Status& Opened() const { return m_opened; }

    // What a signal calls (on the watching thread); called at once when a signal has already come.
    void SetCancel(std::function<void()> cancel);

    // Whether a stop signal has come.
    bool Signalled() const { return m_signal.load() != 0; }

    // The exit status of a program that a stop signal cancelled, as a shell gives one that the signal ended:
    // 128 + its number, 130 for Ctrl+C (SIGINT), 143 for SIGTERM.
    int ExitStatus() const { return 128 + m_signal.load(); }

private:
    void Watch();

    StopSignals m_signals;
    Status m_opened;
    int m_wake = -1;  // an eventfd that ends the watching
    std::atomic<int> m_signal{0};  // the first stop signal's number; 0 before one came
    std::mutex m_mutex;
    std::function<void()> m_cancel;
    std::thread m_thread;
};

// What a signal calls for as long as this object lives: declared after what the call touches, it clears the call
// (waiting for one under way) before that goes.
class ScopedCancel {
public:
    ScopedCancel(CancelOnSignal& stop, std::function<void()> cancel) : m_stop(stop) {
        m_stop.SetCancel(std::move(cancel));
    }
    ~ScopedCancel() { m_stop.SetCancel({}); }
    ScopedCancel(const ScopedCancel&) = delete;
    ScopedCancel& operator=(const ScopedCancel&) = delete;

private:
    CancelOnSignal& m_stop;
};
