#pragma once
// The scrolling view: a borderless area that shows content larger than itself and scrolls it with scroll bars, in
// steps of 8 pixels horizontally and 4 vertically, keeping its relative place when it is resized (the arithmetic is
// CScrollModel's). The add-text dialog shows its preview in one.
//
// Init takes the content widget in at (0, 0) and records the content extent: the content's size plus 20 pixels each
// way, so that the tracker's frame and the size box stay clear of the picture at the far edges. After that:
// - a resize lays the view out: a scroll bar along the bottom and one along the right edge, each shown only while
//   its range is above 0, the size box (CGripper) in the bottom-right corner while neither is needed and the window
//   is not maximised, and the content moved to the same relative place as before;
// - the bars' line, page, thumb, start and end requests and the mouse wheel (one notch: 40 pixels; with Shift, or a
//   sideways wheel, horizontally) scroll the content;
// - Scrolled() is signalled after every scroll and every resize, when the content has been moved.
// Keys are not taken here: Enter and Esc in the content go on to the dialog that holds the view.

#include <QWidget>

#include "panes/CScrollModel.h"

class CGripper;
class QScrollBar;

class CScrollDialog : public QWidget {
    Q_OBJECT

public:
    static constexpr int kContentMargin = 20;

    explicit CScrollDialog(QWidget* parent = nullptr);
    ~CScrollDialog() override = default;

    // Takes content (which the view then owns) and starts at the origin.
    void Init(QWidget* content);
    QWidget* Content() const { return m_pContent; }

    const CScrollModel& Model() const { return m_model; }
    QScrollBar* HorizontalBar() const { return m_pHorizontal; }
    QScrollBar* VerticalBar() const { return m_pVertical; }
    CGripper* Gripper() const { return m_pGripper; }

    // A scroll request on one axis (thumb: the thumb's position for ScrollRequest::Thumb).
    void Scroll(ScrollAxisId axis, ScrollRequest request, int thumb = 0);

signals:
    void Scrolled();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void Relayout();
    void BarAction(ScrollAxisId axis, int action);
    void ShowPositions();

    QWidget* m_pViewport = nullptr;
    QWidget* m_pContent = nullptr;
    QScrollBar* m_pHorizontal = nullptr;
    QScrollBar* m_pVertical = nullptr;
    CGripper* m_pGripper = nullptr;
    CScrollModel m_model;
    bool m_bInitialised = false;
    QPoint m_wheelRemainder;  // wheel movement short of a whole step, from fine-grained wheels and touchpads
};
