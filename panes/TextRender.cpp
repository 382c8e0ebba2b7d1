#include "panes/TextRender.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QPainter>
#include <QTextDocument>
#include <algorithm>
#include <cstdint>

#include "imaging/BMP_File.h"

namespace {

constexpr double kInchesPerMeter = 0.0254;

}  // namespace

bool DrawTextDocument(BMP_File& picture, const Rect& box, QTextDocument& document, QPoint offset,
                      const QPalette& palette, int dpiX, int dpiY) {
    // The part of the box that lies on the picture.
    const std::int32_t left = std::max<std::int32_t>(box.left, 0);
    const std::int32_t top = std::max<std::int32_t>(box.top, 0);
    const std::int32_t right = std::min<std::int32_t>(box.right, picture.Width());
    const std::int32_t bottom = std::min<std::int32_t>(box.bottom, picture.Height());
    if (left >= right || top >= bottom) return true;
    const int width = right - left;
    const int height = bottom - top;

    // The picture's patch, in the format the screen's drawing uses, so that glyph edges blend the same way.
    QImage patch(width, height, QImage::Format_RGB32);
    if (patch.isNull()) return false;
    for (int y = 0; y < height; ++y) {
        const Pixel* source = picture.Row(top + y) + left;
        auto* target = reinterpret_cast<QRgb*>(patch.scanLine(y));
        for (int x = 0; x < width; ++x) target[x] = qRgb(source[x].r, source[x].g, source[x].b);
    }
    if (dpiX > 0) patch.setDotsPerMeterX(static_cast<int>(dpiX / kInchesPerMeter + 0.5));
    if (dpiY > 0) patch.setDotsPerMeterY(static_cast<int>(dpiY / kInchesPerMeter + 0.5));

    {
        QPainter painter(&patch);
        // Document coordinates: the box's corner shows the document point offset.
        painter.translate(box.left - left - offset.x(), box.top - top - offset.y());
        const QRectF shown(offset.x(), offset.y(), static_cast<qreal>(box.Width()), static_cast<qreal>(box.Height()));
        painter.setClipRect(shown, Qt::IntersectClip);
        QAbstractTextDocumentLayout::PaintContext context;
        context.palette = palette;
        context.cursorPosition = -1;  // no caret
        context.clip = shown;
        document.documentLayout()->draw(&painter, context);
    }

    for (int y = 0; y < height; ++y) {
        Pixel* target = picture.Row(top + y) + left;
        const auto* source = reinterpret_cast<const QRgb*>(patch.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            target[x] = Pixel{static_cast<std::uint8_t>(qRed(source[x])), static_cast<std::uint8_t>(qGreen(source[x])),
                              static_cast<std::uint8_t>(qBlue(source[x]))};
        }
    }
    return true;
}
