#include "app/ExactPreview.h"

#include <new>
#include <utility>

#include "panes/CBmpWnd.h"

CExactPreview::CExactPreview(Show show)
    : m_show(std::move(show)), m_pContext(std::make_unique<QObject>()), m_thread([this] { Loop(); }) {}

CExactPreview::~CExactPreview() {
    {
        std::lock_guard lock(m_mutex);
        m_bClosing = true;
        m_next.reset();
    }
    if (m_pCurrentCancel) m_pCurrentCancel->store(true);
    m_wake.notify_all();
    m_thread.join();
    m_pContext.reset();  // results still on their way are dropped with their receiver
}

void CExactPreview::Request(std::shared_ptr<const BMP_File> original, ChainParams params, QSize devicePixels,
                            qreal pixelRatio) {
    if (m_pCurrentCancel) m_pCurrentCancel->store(true);
    m_pCurrentCancel = std::make_shared<std::atomic<bool>>(false);
    Job job{std::move(original), params, devicePixels, pixelRatio, ++m_nRequested, m_pCurrentCancel};
    {
        std::lock_guard lock(m_mutex);
        m_next = std::move(job);  // a request not started yet is replaced
    }
    m_wake.notify_one();
}

void CExactPreview::Cancel() {
    if (m_pCurrentCancel) m_pCurrentCancel->store(true);
    {
        std::lock_guard lock(m_mutex);
        m_next.reset();
    }
    m_nShown = m_nRequested;
}

void CExactPreview::Loop() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_bClosing || m_next.has_value(); });
            if (m_bClosing) return;
            job = std::move(*m_next);
            m_next.reset();
        }
        QImage image;
        try {
            BMP_File picture;
            if (job.original && picture.CopyFrom(*job.original)) {
                BMP_File scratch;
                job.params.cancel = job.cancel.get();
                RunChain(picture, scratch, job.params);
                if (!job.cancel->load()) image = CBmpWnd::ScaleToSize(picture, job.devicePixels);
            }
        } catch (const std::bad_alloc&) {
            image = QImage();  // no exact preview: the pane keeps the pane-sized one
        }
        if (job.cancel->load()) continue;
        image.setDevicePixelRatio(job.pixelRatio);
        QMetaObject::invokeMethod(
            m_pContext.get(), [this, number = job.number, image] { Finished(number, image); }, Qt::QueuedConnection);
    }
}

void CExactPreview::Finished(std::uint64_t number, const QImage& image) {
    if (number != m_nRequested) return;  // a newer request is on its way
    m_nShown = number;
    if (!image.isNull() && m_show) m_show(image);
}
