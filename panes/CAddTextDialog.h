#pragma once
// The add-text dialog: the acquired picture at its full size in a scrolling view (CScrollDialog) with a text box over
// it (CAddBmpWnd, CEditBox), and three buttons at the bottom right: Font... (1005), Apply (1003) and Close (1004).
// Applying writes the text into the acquired picture for good, exactly where and as the box shows it; the host then
// shows the changed picture and re-runs the corrections.
//
// Keys: Enter applies (also in the text box, where Ctrl+Enter starts a new line); Esc closes. Every dialog opens
// afresh: an empty text box at (5, 5, 300, 200) in the default font, black text, the view at the picture's origin.
//
// Layout, in outer sizes (frame included) as the window manager reports them: the dialog is at least 400 × 300; after
// every change of size it is made no larger than the picture needs (AddTextDialogSize); the view lies 5 pixels in from
// the left and 30 down from the top, its width 10 and its height 80 less than the dialog's (AddTextViewRect); the
// buttons keep their distance from the bottom-right corner.
//
// The dialog reaches the program only through IAddTextHost: the picture to write into, what follows a write, and the
// font dialog.

#include <QDialog>
#include <optional>

#include "imaging/Rect.h"
#include "panes/TextStyle.h"

class BMP_File;
class CAddBmpWnd;
class CEditBox;
class CScrollDialog;
class QPushButton;

class IAddTextHost {
public:
    virtual ~IAddTextHost() = default;
    // The acquired picture that the text is written into (may be empty). Its size does not change while the dialog
    // is open.
    virtual BMP_File& AcquiredImage() = 0;
    // The picture's pixels inside changed (picture pixels; it may reach beyond the picture) were written: show the
    // picture again in the original pane and re-run the corrections.
    virtual void AcquiredImageWritten(const Rect& changed) = 0;
    // The font dialog with effects and colour, owned by owner; nothing when the user cancels.
    virtual std::optional<TextStyle> ChooseFont(QWidget* owner) = 0;
    // Tells the user of a failure, in a message box owned by owner.
    virtual void ShowError(QWidget* owner, const QString& text) = 0;
};

class CAddTextDialog : public QDialog {
    Q_OBJECT

public:
    enum ControlId : int { kApply = 1003, kClose = 1004, kFont = 1005 };

    explicit CAddTextDialog(IAddTextHost& host, QWidget* parent = nullptr);
    ~CAddTextDialog() override;

    // Writes the text box into the acquired picture (CEditBox::RenderInto), has the host show the result and re-run
    // the corrections, then selects the whole text. An empty box changes no pixel but still re-runs the corrections.
    // When the memory for the drawing cannot be had, the user is told and nothing changes.
    void ApplyText();
    // The font dialog: when confirmed, the text box takes the font and colour.
    void ChooseFont();

    CScrollDialog& View() { return *m_pView; }
    CAddBmpWnd& Preview() { return *m_pPreview; }
    CEditBox& TextBox();
    QPushButton* Button(int id) const;

    // Enter applies instead of closing.
    void accept() override { ApplyText(); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void LayOut();
    void UpdateMinimumSize();
    QSize FrameSize() const;

    IAddTextHost& m_host;
    CScrollDialog* m_pView = nullptr;
    CAddBmpWnd* m_pPreview = nullptr;
    QPushButton* m_pButtons[3] = {nullptr, nullptr, nullptr};  // 1004, 1003, 1005
    Rect m_rcButtons[3];                                       // their places at the initial size
    QSize m_initialSize;                                       // the client size the buttons were placed for
    QSize m_requested;  // the last size asked of the window manager by the size rule, so that it is asked only once
};
