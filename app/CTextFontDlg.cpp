#include "app/CTextFontDlg.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QFormLayout>
#include <QPixmap>
#include <QVBoxLayout>

namespace {

struct NamedColor {
    const char* name;
    int r, g, b;
};

// The sixteen standard colours of a font dialog's colour list.
constexpr NamedColor kColors[] = {
    {QT_TRANSLATE_NOOP("CTextFontDlg", "Black"), 0, 0, 0},
    {QT_TRANSLATE_NOOP("CTextFontDlg", "Maroon"), 128, 0, 0},
    {QT_TRANSLATE_NOOP("CTextFontDlg", "Green"), 0, 128, 0},
    {QT_TRANSLATE_NOOP("CTextFontDlg", "Olive"), 128, 128, 0},
    {QT_TRANSLATE_NOOP("CTextFontDlg", "Navy"), 0, 0, 128},
    {QT_TRANSLATE_NOOP("CTextFontDlg", "Purple"), 128, 0, 128},
    {QT_TRANSLATE_NOOP("CTextFontDlg", "Teal"), 0, 128, 128},
    {QT_TRANSLATE_NOOP("CTextFontDlg", "Grey"), 128, 128, 128},
    {QT_TRANSLATE_NOOP("CTextFontDlg", "Silver"), 192, 192, 192},
    {QT_TRANSLATE_NOOP("CTextFontDlg", "Red"), 255, 0, 0},
    {QT_TRANSLATE_NOOP("CTextFontDlg", "Lime"), 0, 255, 0},
    {QT_TRANSLATE_NOOP("CTextFontDlg", "Yellow"), 255, 255, 0},
    {QT_TRANSLATE_NOOP("CTextFontDlg", "Blue"), 0, 0, 255},
    {QT_TRANSLATE_NOOP("CTextFontDlg", "Fuchsia"), 255, 0, 255},
    {QT_TRANSLATE_NOOP("CTextFontDlg", "Aqua"), 0, 255, 255},
    {QT_TRANSLATE_NOOP("CTextFontDlg", "White"), 255, 255, 255},
};
constexpr int kStandardColors = static_cast<int>(std::size(kColors));

QIcon Swatch(const QColor& color) {
    QPixmap pixmap(16, 12);
    pixmap.fill(color);
    return QIcon(pixmap);
}

}  // namespace

CTextFontDlg::CTextFontDlg(const TextStyle& initial, QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Font"));

    // The toolkit's font dialog, used as a part of this one.
    m_pFonts = new QFontDialog(this);
    m_pFonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    m_pFonts->setWindowFlags(Qt::Widget);
    m_pFonts->setSizeGripEnabled(false);
    m_pFonts->setCurrentFont(initial.font);

    m_pColors = new QComboBox(this);
    m_pColors->setObjectName(QStringLiteral("colorList"));
    for (const NamedColor& entry : kColors) {
        const QColor color(entry.r, entry.g, entry.b);
        m_pColors->addItem(Swatch(color), tr(entry.name), color);
    }
    m_pColors->addItem(tr("Custom..."));
    SelectColor(initial.color.isValid() ? initial.color : QColor(Qt::black));
    connect(m_pColors, &QComboBox::activated, this, &CTextFontDlg::ColorChosen);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* colorRow = new QFormLayout;
    colorRow->addRow(tr("&Colour:"), m_pColors);
    auto* whole = new QVBoxLayout(this);
    whole->addWidget(m_pFonts, 1);
    whole->addLayout(colorRow);
    whole->addWidget(buttons);
}

TextStyle CTextFontDlg::Style() const {
    return TextStyle{m_pFonts->currentFont(), m_pColors->currentData().value<QColor>()};
}

void CTextFontDlg::SelectColor(const QColor& color) {
    for (int index = 0; index < kStandardColors; ++index) {
        if (m_pColors->itemData(index).value<QColor>() == color) {
            m_pColors->setCurrentIndex(index);
            m_nLastIndex = index;
            return;
        }
    }
    // Another colour takes the place of "Custom..." while it is chosen.
    const int custom = kStandardColors;
    m_pColors->setItemIcon(custom, Swatch(color));
    m_pColors->setItemText(custom, tr("Custom (%1)").arg(color.name()));
    m_pColors->setItemData(custom, color);
    m_pColors->setCurrentIndex(custom);
    m_nLastIndex = custom;
}

void CTextFontDlg::ColorChosen(int index) {
    if (index < kStandardColors) {
        m_nLastIndex = index;
        return;
    }
    const QColor previous = m_pColors->itemData(m_nLastIndex).value<QColor>();
    const QColor chosen = QColorDialog::getColor(previous, this, tr("Text colour"));
    if (chosen.isValid()) {
        SelectColor(chosen);
    } else {
        m_pColors->setCurrentIndex(m_nLastIndex);
    }
}
