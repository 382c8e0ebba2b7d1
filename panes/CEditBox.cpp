#include "panes/CEditBox.h"

#include <QKeyEvent>
#include <QPalette>
#include <QScrollBar>
#include <QTextCursor>

#include "panes/TextRender.h"

CEditBox::CEditBox(QWidget* parent) : QTextEdit(parent) {
    setObjectName(QStringLiteral("textBox1"));
    setAcceptRichText(false);
    setFrameStyle(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setTabChangesFocus(true);
    // Transparent: the parent's painting (the picture) shows through, and a change of the text repaints the parent
    // under it, so no old glyph remains on the picture.
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    QPalette colors = palette();
    colors.setColor(QPalette::Base, Qt::transparent);
    setPalette(colors);
    SetTextColor(Qt::black);
}

void CEditBox::SetTextColor(const QColor& color) {
    QPalette colors = palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        colors.setColor(group, QPalette::Text, color);
    }
    setPalette(colors);
}

QColor CEditBox::TextColor() const {
    return palette().color(QPalette::Active, QPalette::Text);
}

Rect CEditBox::BoxRect() const {
    const QRect g = geometry();
    return Rect{g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
}

bool CEditBox::RenderInto(BMP_File& picture) const {
    // The box's viewport fills the whole box (no frame, no bars); it shows the document moved by the scroll values.
    const QPoint offset(horizontalScrollBar()->value(), verticalScrollBar()->value());
    QPalette colors = palette();
    colors.setCurrentColorGroup(QPalette::Active);
    return DrawTextDocument(picture, BoxRect(), *document(), offset, colors, logicalDpiX(), logicalDpiY());
}

void CEditBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if ((event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier)) != 0) {
            QTextCursor cursor = textCursor();
            cursor.insertText(QStringLiteral("\n"));
            setTextCursor(cursor);
            ensureCursorVisible();
            event->accept();
            return;
        }
        event->ignore();  // the dialog applies the text
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        event->ignore();
        return;
    }
    QTextEdit::keyPressEvent(event);
}
