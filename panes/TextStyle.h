#pragma once
// A font with its effects (underline, strike-out) and a text colour, as the font dialog gives them.

#include <QColor>
#include <QFont>

struct TextStyle {
    QFont font;
    QColor color;
};
