#pragma once
// The window's Add text command: the add-text dialog (CAddTextDialog) run modally through the dialog seam on the
// acquired picture, one new dialog per opening (so every opening starts with an empty box, the default font and
// black). After each Apply the changed picture is shown again in the original pane and the corrections re-run;
// when the pane's copy cannot be made the user is told and the corrections do not run. Without an acquired picture
// the user is told that there is nothing to write on yet. The font dialog goes through the seam.
//
// The object holds references to the state, the seam and the window; all must outlive it. originalChanged shows the
// original picture again after a change inside a rectangle (the window brings its pane's copy up to date, and tells
// the user and returns false when that cannot be done).

#include <functional>

#include "panes/CAddTextDialog.h"

class CLumivaneState;
class IDialogSeam;
class QWidget;

class CAddTextCommand : public IAddTextHost {
public:
    using OriginalChanged = std::function<bool(const Rect& changed)>;

    CAddTextCommand(CLumivaneState& state, IDialogSeam& seam, QWidget& window, OriginalChanged originalChanged);

    void Run();

    // IAddTextHost
    BMP_File& AcquiredImage() override;
    void AcquiredImageWritten(const Rect& changed) override;
    std::optional<TextStyle> ChooseFont(QWidget* owner) override;
    void ShowError(QWidget* owner, const QString& text) override;

private:
    CLumivaneState& m_state;
    IDialogSeam& m_seam;
    QWidget& m_window;
    OriginalChanged m_originalChanged;
};
