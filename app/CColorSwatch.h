#pragma once
// A light colour swatch of the main window: a small area filled with the colour its source gives at paint time (the
// settings record's light colour) inside a thin outline, that reports a left click. It has no text.

#include <QColor>
#include <QWidget>
#include <functional>

class CColorSwatch : public QWidget {
public:
    CColorSwatch(std::function<QColor()> colorSource, std::function<void()> onClick, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::function<QColor()> m_colorSource;
    std::function<void()> m_onClick;
};
