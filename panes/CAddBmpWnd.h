#pragma once
// The preview of the add-text dialog: the acquired picture at its full size (one pixel per picture pixel; the widget
// is exactly as large as the picture), the text box (CEditBox) over it and the tracker that moves and sizes the text
// box. The view (CScrollDialog) scrolls it.
//
// Painting draws only the part of the picture that is exposed, straight from the picture's rows (no copy of the
// picture is made, at opening or per paint), so that a picture of 10000 × 8000 opens and scrolls without delay. Then
// the tracker's hatched frame and handles. Applying the text renders it off screen (CEditBox::RenderInto), so the
// tracker never has to be hidden for it.
//
// The tracker: rectangle (5, 5, 300, 200) at the start, minimum size 40 × 20, hatched border with handles inside and
// outside, handle size 5, maximum size the preview's size less 10 (so a drag keeps it in the band 5 .. size − 5), no
// owner pane. A left press on its frame or a handle drags it (the inside belongs to the text box, where a click
// places the caret); the cursor follows its hit test. After every drag step, scroll and resize of the view the text
// box is kept inside the part of the picture the view shows (KeepTextBoxVisible, AddTextGeometry.h) and moved onto
// the tracker's rectangle.
//
// The picture is not owned: SetPicture takes a pointer that the owner keeps alive, with its size unchanged, while the
// preview shows it; after changing its pixels the owner repaints the preview.

#include <QColor>
#include <QFont>
#include <QWidget>

#include "imaging/Rect.h"
#include "panes/CTracker.h"

class BMP_File;
class CEditBox;
class CScrollDialog;

class CAddBmpWnd : public QWidget {
    Q_OBJECT

public:
    explicit CAddBmpWnd(QWidget* parent = nullptr);
    ~CAddBmpWnd() override = default;

    // Shows picture (null or empty: none) and takes its size.
    void SetPicture(const BMP_File* picture);
    const BMP_File* Picture() const { return m_pPicture; }

    // The view whose visible part the text box is kept in (null: none).
    void SetView(const CScrollDialog* view) { m_pView = view; }

    CTracker& Tracker() { return m_cTracker; }
    CEditBox& TextBox() { return *m_pTextBox; }

    // The font and colour chosen in the font dialog: kept here and given to the text box.
    void SetTextStyle(const QFont& font, const QColor& color);
    const QColor& TextColor() const { return m_textColor; }

    // Keeps the tracker inside the visible part of the view (repainting when it moved) and places the text box on
    // it.
    void KeepTextBoxVisible();
    // Moves the text box onto the tracker's rectangle when it is not there yet.
    void PlaceTextBox();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void UpdateTrackerArea(const Rect& before);

    const BMP_File* m_pPicture = nullptr;
    const CScrollDialog* m_pView = nullptr;
    CEditBox* m_pTextBox = nullptr;
    CTracker m_cTracker;
    QFont m_textFont;
    QColor m_textColor = Qt::black;
    Rect m_rcPlaced;
};
