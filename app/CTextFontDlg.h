#pragma once
// The font dialog of the text overlay: the toolkit's font chooser (family, style, size, and the effects underline and
// strike-out, with a sample) and beside it the text colour, chosen from the sixteen standard colours or, through
// "Custom...", from the colour dialog. OK gives the font with its effects and the colour; Cancel gives nothing.

#include <QDialog>

#include "panes/TextStyle.h"

class QComboBox;
class QFontDialog;

class CTextFontDlg : public QDialog {
    Q_OBJECT

public:
    CTextFontDlg(const TextStyle& initial, QWidget* parent = nullptr);

    TextStyle Style() const;

    QFontDialog* FontChooser() const { return m_pFonts; }
    QComboBox* ColorList() const { return m_pColors; }

private:
    void SelectColor(const QColor& color);
    void ColorChosen(int index);

    QFontDialog* m_pFonts = nullptr;
    QComboBox* m_pColors = nullptr;
    int m_nLastIndex = 0;  // the entry to go back to when the colour dialog is cancelled
};
