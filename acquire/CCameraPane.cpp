#include "acquire/CCameraPane.h"

#include <QPainter>

CCameraPane::CCameraPane(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CCameraPane::SetFrame(const QImage& frame) {
    m_frame = frame;
    update();
}

void CCameraPane::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRect client = contentsRect();
    if (m_frame.isNull()) {
        painter.fillRect(client, Qt::black);
    } else {
        const QPoint at(client.x() + (client.width() - m_frame.width()) / 2,
                        client.y() + (client.height() - m_frame.height()) / 2);
        const QRect picture(at, m_frame.size());
        // The margin between the frame and the border; the frame itself is drawn once, unscaled.
        const QRegion margin = QRegion(client).subtracted(QRegion(picture));
        for (const QRect& part : margin) painter.fillRect(part, Qt::black);
        painter.drawImage(at, m_frame);
    }
    ++m_nPaints;
}
