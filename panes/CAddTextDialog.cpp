#include "panes/CAddTextDialog.h"

#include <QKeyEvent>
#include <QPushButton>
#include <algorithm>

#include "base/DialogUnitMapping.h"
#include "imaging/BMP_File.h"
#include "panes/AddTextGeometry.h"
#include "panes/CAddBmpWnd.h"
#include "panes/CEditBox.h"
#include "panes/CScrollDialog.h"

namespace {

// The dialog's template: its client size and its buttons, in dialog units (left, top, width, height).
struct ButtonTemplate {
    int id;
    const char* label;
    int x, y, width, height;
};
constexpr int kTemplateWidth = 360;
constexpr int kTemplateHeight = 260;
// In the order the layout keeps them: Close, Apply, Font.
constexpr ButtonTemplate kButtons[3] = {
    {CAddTextDialog::kClose, QT_TRANSLATE_NOOP("CAddTextDialog", "&Close"), 303, 239, 50, 14},
    {CAddTextDialog::kApply, QT_TRANSLATE_NOOP("CAddTextDialog", "&Apply"), 249, 239, 50, 14},
    {CAddTextDialog::kFont, QT_TRANSLATE_NOOP("CAddTextDialog", "&Font..."), 195, 239, 50, 14},
};

QRect ToQRect(const Rect& rect) {
    return QRect(rect.left, rect.top, static_cast<int>(rect.Width()), static_cast<int>(rect.Height()));
}

}  // namespace

CAddTextDialog::CAddTextDialog(IAddTextHost& host, QWidget* parent) : QDialog(parent), m_host(host) {
    setWindowTitle(tr("Add text"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);

    m_pPreview = new CAddBmpWnd;
    m_pPreview->SetPicture(&m_host.AcquiredImage());
    m_pView = new CScrollDialog(this);
    m_pView->Init(m_pPreview);
    m_pPreview->SetView(m_pView);
    connect(m_pView, &CScrollDialog::Scrolled, m_pPreview, &CAddBmpWnd::KeepTextBoxVisible);

    for (int i = 0; i < 3; ++i) {
        const ButtonTemplate& entry = kButtons[i];
        auto* button = new QPushButton(tr(entry.label), this);
        button->setObjectName(QStringLiteral("button%1").arg(entry.id));
        m_rcButtons[i] = Rect{dlg::DluToPixelsX(entry.x), dlg::DluToPixelsY(entry.y),
                              dlg::DluToPixelsX(entry.x + entry.width), dlg::DluToPixelsY(entry.y + entry.height)};
        button->setGeometry(ToQRect(m_rcButtons[i]));
        m_pButtons[i] = button;
    }
    // Enter applies: Apply is the default button (a focused button takes Enter itself, as push buttons do).
    Button(kApply)->setDefault(true);
    connect(Button(kApply), &QPushButton::clicked, this, &CAddTextDialog::ApplyText);
    connect(Button(kClose), &QPushButton::clicked, this, &QDialog::reject);
    connect(Button(kFont), &QPushButton::clicked, this, &CAddTextDialog::ChooseFont);

    m_initialSize = QSize(dlg::DluToPixelsX(kTemplateWidth), dlg::DluToPixelsY(kTemplateHeight));
    resize(m_initialSize);
    UpdateMinimumSize();
    LayOut();
    TextBox().setFocus();
}

CAddTextDialog::~CAddTextDialog() = default;

CEditBox& CAddTextDialog::TextBox() {
    return m_pPreview->TextBox();
}

QPushButton* CAddTextDialog::Button(int id) const {
    for (int i = 0; i < 3; ++i) {
        if (kButtons[i].id == id) return m_pButtons[i];
    }
    return nullptr;
}

void CAddTextDialog::ApplyText() {
    CEditBox& box = TextBox();
    if (!box.RenderInto(m_host.AcquiredImage())) {
        m_host.ShowError(this, tr("Not enough memory to draw the text into the picture."));
        return;
    }
    m_host.AcquiredImageWritten(box.BoxRect());
    // The text stays in the box, wholly selected: typing replaces it, Enter writes it once more.
    box.selectAll();
    box.ensureCursorVisible();
    box.setFocus();
    m_pPreview->update();
}

void CAddTextDialog::ChooseFont() {
    if (const std::optional<TextStyle> chosen = m_host.ChooseFont(this)) {
        m_pPreview->SetTextStyle(chosen->font, chosen->color);
    }
}

void CAddTextDialog::keyPressEvent(QKeyEvent* event) {
    // A focused button takes Enter itself; everywhere else (the text box included) Enter applies.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        ApplyText();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);  // Esc closes
}

QSize CAddTextDialog::FrameSize() const {
    return frameGeometry().size() - geometry().size();
}

void CAddTextDialog::UpdateMinimumSize() {
    const QSize frame = FrameSize();
    const QSize minimum(std::max(1, kAddTextMinimumSize.width - frame.width()),
                        std::max(1, kAddTextMinimumSize.height - frame.height()));
    if (minimumSize() != minimum) setMinimumSize(minimum);
}

void CAddTextDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (!isMaximized() && !isFullScreen()) {
        // No larger than the picture needs: a larger dialog would only show empty space around it.
        const QSize frame = FrameSize();
        const Size outer{width() + frame.width(), height() + frame.height()};
        const Size wanted = AddTextDialogSize(outer, Size{m_pPreview->width(), m_pPreview->height()});
        const QSize client(wanted.width - frame.width(), wanted.height - frame.height());
        // Asked once: a window manager that keeps its own size (a tiling one) is not asked again and again.
        if (!(wanted == outer) && client != m_requested) {
            m_requested = client;
            resize(client);
        }
    }
    LayOut();
}

void CAddTextDialog::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    UpdateMinimumSize();  // the frame becomes known once the window is shown
    LayOut();
}

void CAddTextDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    UpdateMinimumSize();
    LayOut();
}

void CAddTextDialog::LayOut() {
    const int dw = width() - m_initialSize.width();
    const int dh = height() - m_initialSize.height();
    for (int i = 0; i < 3; ++i) m_pButtons[i]->setGeometry(ToQRect(m_rcButtons[i]).translated(dw, dh));

    // The view's place is given over the whole window, frame included; here it is put into the client area.
    const QRect outer = frameGeometry();
    const QRect client = geometry();
    const Rect view =
        AddTextViewRect(Rect{outer.left(), outer.top(), outer.left() + outer.width(), outer.top() + outer.height()});
    const int left = std::max(0, view.left - client.left());
    const int top = std::max(0, view.top - client.top());
    const int right = std::min(client.width(), view.right - client.left());
    const int bottom = std::min(client.height(), view.bottom - client.top());
    m_pView->setGeometry(left, top, std::max(0, right - left), std::max(0, bottom - top));
}
