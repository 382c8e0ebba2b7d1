#pragma once
// The exact preview of the processed pane: the chain run at the original's full size behind the window, the result
// reduced to the pane's device pixels the way the original pane reduces its picture (CBmpWnd::ScaleToSize), and
// handed to the window on the interface thread. The pane-sized preview the window shows first is not touched.
//
// Each Request replaces the one before: a run that has not started is dropped, a run that is going stops before its
// next stage, and a result that is no longer the newest is never shown. The original is shared with the requests and
// must not change while shared (the window hands a copy). Destruction stops the run that goes and waits for it.

#include <QImage>
#include <QObject>
#include <QSize>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "imaging/BMP_File.h"
#include "imaging/Chain.h"

class CExactPreview {
public:
    // Called on the interface thread with the newest result, at the device pixels requested and with their ratio set.
    using Show = std::function<void(const QImage&)>;

    explicit CExactPreview(Show show);
    ~CExactPreview();

    CExactPreview(const CExactPreview&) = delete;
    CExactPreview& operator=(const CExactPreview&) = delete;

    void Request(std::shared_ptr<const BMP_File> original, ChainParams params, QSize devicePixels, qreal pixelRatio);
    // Nothing more is shown until the next Request.
    void Cancel();
    // A request is neither shown nor dropped yet (interface thread).
    bool Busy() const { return m_nShown != m_nRequested; }

private:
    struct Job {
        std::shared_ptr<const BMP_File> original;
        ChainParams params;
        QSize devicePixels;
        qreal pixelRatio = 1;
        std::uint64_t number = 0;
        std::shared_ptr<std::atomic<bool>> cancel;
    };

    void Loop();
    void Finished(std::uint64_t number, const QImage& image);

    Show m_show;
    std::uint64_t m_nRequested = 0;  // interface thread
    std::uint64_t m_nShown = 0;      // interface thread: the last request shown or dropped
    std::shared_ptr<std::atomic<bool>> m_pCurrentCancel;
    std::unique_ptr<QObject> m_pContext;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::optional<Job> m_next;
    bool m_bClosing = false;
    std::thread m_thread;  // last
};
