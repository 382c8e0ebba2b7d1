#pragma once
// Writes text into a picture off screen, exactly as a text box shows it over that picture: the picture first, then the
// box's document as the box has laid it out (same wrapping, same margins, same font), scrolled as the box is
// scrolled, in the text colour of the palette given, with a transparent background, no caret and no selection.
//
// box is the text box's rectangle in picture pixels (right and bottom exclusive); offset is how far the box has
// scrolled its document (the document point shown at the box's top-left corner). Only pixels inside both the box and
// the picture change; the rest of the box is dropped. The drawing is done at dpiX × dpiY dots per inch, which should
// be the box's own logical resolution so that the glyphs match what it shows. It does not depend on the screen, on
// what covers the window or on whether the box is visible. Returns false, with the picture unchanged, when the
// memory for the drawing cannot be had.

#include <QPalette>
#include <QPoint>

#include "imaging/Rect.h"

class BMP_File;
class QTextDocument;

bool DrawTextDocument(BMP_File& picture, const Rect& box, QTextDocument& document, QPoint offset,
                      const QPalette& palette, int dpiX, int dpiY);
