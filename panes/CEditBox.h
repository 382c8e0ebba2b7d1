#pragma once
// The text box of the add-text preview: a borderless multi-line plain-text box with no scroll bars whose background
// is transparent, so that its text stands directly on the picture the preview paints under it. Lines wrap at the
// box's width (at word boundaries, a word longer than a line anywhere), as a multi-line edit control wraps them.
//
// Keys: Enter (Return or the keypad's Enter) is not taken by the box: it goes on to the dialog, which applies the
// text; Ctrl+Enter or Shift+Enter starts a new line. Esc goes on to the dialog as well, and Tab moves the focus.
//
// RenderInto draws the box's text into a picture exactly as the box shows it (TextRender.h): its rectangle in the
// parent (the preview, whose pixels are the picture's), its document as laid out, its scroll offset, its text colour.

#include <QColor>
#include <QTextEdit>

#include "imaging/Rect.h"

class BMP_File;

class CEditBox : public QTextEdit {
    Q_OBJECT

public:
    explicit CEditBox(QWidget* parent = nullptr);
    ~CEditBox() override = default;

    // The colour the text is drawn in (the caret's too).
    void SetTextColor(const QColor& color);
    QColor TextColor() const;

    // The box's rectangle in its parent's pixels.
    Rect BoxRect() const;

    // See the header comment; false (picture unchanged) when memory is short.
    bool RenderInto(BMP_File& picture) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
