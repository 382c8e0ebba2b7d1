#include "app/CColorSwatch.h"

#include <QMouseEvent>
#include <QPainter>
#include <utility>

CColorSwatch::CColorSwatch(std::function<QColor()> colorSource, std::function<void()> onClick, QWidget* parent)
    : QWidget(parent), m_colorSource(std::move(colorSource)), m_onClick(std::move(onClick)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::PointingHandCursor);
}

void CColorSwatch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), m_colorSource ? m_colorSource() : QColor(Qt::white));
    // A thin outline, so that a white light still shows as a box on the window's light background.
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void CColorSwatch::mouseReleaseEvent(QMouseEvent* event) {
    // A click is a press and a release of the left button on the swatch.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && m_onClick) m_onClick();
    QWidget::mouseReleaseEvent(event);
}
