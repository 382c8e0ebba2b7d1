#pragma once
// The widget of a picture pane: a frame with a 1-pixel border whose client area (the widget less 1 pixel each side)
// shows one picture stretched over the whole client area with smooth filtering, then the shown trackers of its
// rectangle model (crop first, then lights 1, 2, 3). It forwards its size and the mouse to the model:
// - a left press to CPaneModel::PressAt, the following movements to the tracker's DragTo (whose AdjustRect has the
//   owner re-run the chain and repaint, on every movement), the release to ReleaseDrag (repainting on a change);
// - movements without a button to CursorHit, whose hit code chooses the cursor (CursorForHit);
// - a size change to its host (IPaneHost::PaneResized), which resizes the model; without a host, to the model itself.
// A double-click on a pane that shows a picture goes to the host's viewer operation.
//
// The picture is not owned: SetBitmap takes a pointer to a BMP_File that the owner keeps alive and unchanged until it
// calls SetBitmap again (with the same picture after it changed, or null) or UpdateBitmapRect (after it changed only
// inside a rectangle). The pane keeps a pane-sized copy, scaled once when the picture is set and again when the client
// size changes (at the next paint), so painting never rescales the full picture.

#include <QFrame>
#include <QImage>

#include "imaging/Rect.h"
#include "panes/CPaneModel.h"

class BMP_File;
class CBmpWnd;
class CTracker;

// What a pane asks of the window that holds it.
class IPaneHost {
public:
    virtual ~IPaneHost() = default;
    // The pane's outer size changed; the host is to resize the model (client area 2 pixels smaller each way).
    virtual void PaneResized(CBmpWnd& pane, Size outer) = 0;
    // The user double-clicked a pane that shows a picture.
    virtual void OpenInViewer(CBmpWnd& pane) = 0;
    // The pane now lies on a screen of another scale (the window moved to another screen, or the scale changed) and
    // has made its copy of the picture again at the new screen's pixels; a host that shows results computed for the
    // old pixel size (the exact preview) computes them again.
    virtual void PaneRescaled(CBmpWnd& /*pane*/) {}
};

class CBmpWnd : public QFrame {
    Q_OBJECT

public:
    // model must outlive the widget.
    explicit CBmpWnd(CPaneModel& model, QWidget* parent = nullptr);
    ~CBmpWnd() override = default;

    void SetHost(IPaneHost* host) { m_pHost = host; }

    // Shows picture (null: none) and builds the pane-sized copy now. Returns false, showing no picture, when the copy
    // cannot be made (memory); an empty picture counts as none and succeeds.
    bool SetBitmap(const BMP_File* picture);
    const BMP_File* Bitmap() const { return m_pBitmap; }
    // The picture shown changed only inside changed (picture pixels), its size kept: the pane-sized copy is brought up
    // to date and is then the copy SetBitmap would build. A large picture is reduced again only where it changed, so
    // this costs little for a small rectangle. False, showing no picture, when memory cannot be had.
    bool UpdateBitmapRect(const Rect& changed);

    // Shows image, made for this pane at DevicePaneSize() (the exact preview: the full-size result reduced as
    // ScaleToSize reduces), in place of the copy of the picture, until the picture is set again or the pane's size
    // changes. Nothing happens while the pane shows no picture.
    void ShowExactImage(const QImage& image);
    // The client area in the screen's own pixels: the size of the pane's copy, which carries the ratio.
    QSize DevicePaneSize() const;

    CPaneModel& Model() { return m_model; }
    // The client area's size and its origin in widget coordinates.
    Size ClientSize() const;
    QPoint ClientOrigin() const;

    // The pane-sized copy as last built, and how many times one was built (a repaint builds none).
    const QImage& PaneImage() const { return m_paneImage; }
    int PaneImageBuilds() const { return m_nBuilds; }

    // The cursor of a tracker hit code: 0, 2 diagonal north-west/south-east; 1, 3 diagonal north-east/south-west;
    // 4, 6 vertical; 5, 7 horizontal; 8 four-way move; anything else the arrow.
    static Qt::CursorShape CursorForHit(TrackerHit hit);

    // picture scaled to size with smooth filtering, as RGB32; a null image when memory cannot be had or either is
    // empty. With reduced given, the intermediate picture that the scaling started from is left there (null when the
    // picture was scaled directly).
    static QImage ScaleToSize(const BMP_File& picture, QSize size, QImage* reduced = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    bool BuildPaneImage();
    Point ToClient(const QPointF& position) const;

    CPaneModel& m_model;
    IPaneHost* m_pHost = nullptr;
    const BMP_File* m_pBitmap = nullptr;
    QImage m_paneImage;
    QImage m_reduced;  // the whole-factor reduction the pane-sized copy was scaled from (null: scaled directly)
    bool m_bPaneImageStale = false;
    int m_nBuilds = 0;
    CTracker* m_pDragged = nullptr;
    QSize m_lastSize;
};
