#include "panes/CScrollDialog.h"

#include <QResizeEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QWheelEvent>

#include "panes/CGripper.h"

namespace {

// One wheel notch (120 eighths of a degree) scrolls 40 pixels: 5 horizontal units or 10 vertical ones.
constexpr int kNotch = 120;
constexpr int kUnitsPerNotchX = 40 / CScrollModel::kUnitX;
constexpr int kUnitsPerNotchY = 40 / CScrollModel::kUnitY;

ScrollRequest RequestOf(int action) {
    switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            return ScrollRequest::LineBack;
        case QAbstractSlider::SliderSingleStepAdd:
            return ScrollRequest::LineForward;
        case QAbstractSlider::SliderPageStepSub:
            return ScrollRequest::PageBack;
        case QAbstractSlider::SliderPageStepAdd:
            return ScrollRequest::PageForward;
        case QAbstractSlider::SliderMove:
            return ScrollRequest::Thumb;
        case QAbstractSlider::SliderToMinimum:
            return ScrollRequest::ToStart;
        case QAbstractSlider::SliderToMaximum:
            return ScrollRequest::ToEnd;
        default:
            return ScrollRequest::Other;
    }
}

}  // namespace

CScrollDialog::CScrollDialog(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("view139"));
    m_pViewport = new QWidget(this);
    m_pViewport->setObjectName(QStringLiteral("viewport"));
    m_pHorizontal = new QScrollBar(Qt::Horizontal, this);
    m_pVertical = new QScrollBar(Qt::Vertical, this);
    m_pGripper = new CGripper(this);
    for (QScrollBar* bar : {m_pHorizontal, m_pVertical}) {
        bar->setSingleStep(1);
        bar->setRange(0, 0);
        bar->hide();
    }
    m_pGripper->hide();
    connect(m_pHorizontal, &QAbstractSlider::actionTriggered, this,
            [this](int action) { BarAction(ScrollAxisId::Horizontal, action); });
    connect(m_pVertical, &QAbstractSlider::actionTriggered, this,
            [this](int action) { BarAction(ScrollAxisId::Vertical, action); });
}

void CScrollDialog::Init(QWidget* content) {
    m_pContent = content;
    m_pContent->setParent(m_pViewport);
    m_pContent->move(0, 0);
    m_pContent->show();
    m_model.Init(Size{content->width() + kContentMargin, content->height() + kContentMargin});
    m_bInitialised = true;
    Relayout();
}

void CScrollDialog::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Relayout();
}

void CScrollDialog::Relayout() {
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    if (!m_bInitialised) {
        m_pViewport->setGeometry(rect());
        return;
    }
    const bool maximised = window()->isMaximized() || window()->isFullScreen();
    const ScrollLayout layout = m_model.Resize(Size{width(), height()}, extent, extent, maximised);
    m_pViewport->setGeometry(0, 0, layout.client.width, layout.client.height);

    m_pHorizontal->setGeometry(0, layout.client.height, layout.client.width, extent);
    m_pVertical->setGeometry(layout.client.width, 0, extent, layout.client.height);
    {
        const QSignalBlocker blockHorizontal(m_pHorizontal);
        const QSignalBlocker blockVertical(m_pVertical);
        m_pHorizontal->setRange(0, m_model.Horizontal().maximum);
        m_pHorizontal->setPageStep(std::max(1, layout.client.width / CScrollModel::kUnitX));
        m_pVertical->setRange(0, m_model.Vertical().maximum);
        m_pVertical->setPageStep(std::max(1, layout.client.height / CScrollModel::kUnitY));
    }
    m_pHorizontal->setVisible(layout.horizontalBar);
    m_pVertical->setVisible(layout.verticalBar);
    m_pGripper->setGeometry(width() - extent, height() - extent, extent, extent);
    m_pGripper->setVisible(layout.sizeBox);
    m_pGripper->raise();
    ShowPositions();
}

void CScrollDialog::ShowPositions() {
    {
        const QSignalBlocker blockHorizontal(m_pHorizontal);
        const QSignalBlocker blockVertical(m_pVertical);
        m_pHorizontal->setValue(m_model.Horizontal().position);
        m_pVertical->setValue(m_model.Vertical().position);
    }
    const Point offset = m_model.Offset();
    // Moving the opaque content blits what is already drawn and paints only the strip that comes into view.
    m_pContent->move(-offset.x, -offset.y);
    emit Scrolled();
}

void CScrollDialog::Scroll(ScrollAxisId axis, ScrollRequest request, int thumb) {
    if (!m_bInitialised) return;
    m_model.Scroll(axis, request, thumb);
    ShowPositions();
}

void CScrollDialog::BarAction(ScrollAxisId axis, int action) {
    QScrollBar* bar = axis == ScrollAxisId::Horizontal ? m_pHorizontal : m_pVertical;
    Scroll(axis, RequestOf(action), bar->sliderPosition());
    // The bar moves by the view's own steps, not by the ones it would take by itself.
    const ScrollAxis& state = axis == ScrollAxisId::Horizontal ? m_model.Horizontal() : m_model.Vertical();
    bar->setSliderPosition(state.position);
}

void CScrollDialog::wheelEvent(QWheelEvent* event) {
    QPoint delta = event->angleDelta();
    if ((event->modifiers() & Qt::ShiftModifier) != 0 && delta.x() == 0) delta = QPoint(delta.y(), 0);
    m_wheelRemainder += delta;
    const int notchesX = m_wheelRemainder.x() / kNotch;
    const int notchesY = m_wheelRemainder.y() / kNotch;
    m_wheelRemainder -= QPoint(notchesX * kNotch, notchesY * kNotch);
    // Wheel away from the user (positive) scrolls back, towards the start.
    if (notchesX != 0) {
        Scroll(ScrollAxisId::Horizontal, ScrollRequest::Thumb,
               m_model.Horizontal().position - notchesX * kUnitsPerNotchX);
    }
    if (notchesY != 0) {
        Scroll(ScrollAxisId::Vertical, ScrollRequest::Thumb, m_model.Vertical().position - notchesY * kUnitsPerNotchY);
    }
    event->accept();
}
