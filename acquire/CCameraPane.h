#pragma once
// The camera window's picture pane: a frame with a 1-pixel border whose client area shows the latest camera frame at
// its own size, centred (the pane is laid out 4 pixels larger than the frame). The image is not owned: it wraps the
// window's front frame, which stays unchanged until the window hands over the next one.

#include <QFrame>
#include <QImage>

class CCameraPane : public QFrame {
    Q_OBJECT

public:
    explicit CCameraPane(QWidget* parent = nullptr);

    void SetFrame(const QImage& frame);
    const QImage& Frame() const { return m_frame; }
    // Paints done (for tests and measurements).
    int Paints() const { return m_nPaints; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_frame;
    int m_nPaints = 0;
};
