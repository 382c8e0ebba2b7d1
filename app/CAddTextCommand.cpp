#include "app/CAddTextCommand.h"

#include <QApplication>
#include <QCoreApplication>
#include <utility>

#include "app/CLumivaneState.h"
#include "app/DialogSeam.h"
#include "app/ProgramName.h"

CAddTextCommand::CAddTextCommand(CLumivaneState& state, IDialogSeam& seam, QWidget& window,
                                 OriginalChanged originalChanged)
    : m_state(state), m_seam(seam), m_window(window), m_originalChanged(std::move(originalChanged)) {}

void CAddTextCommand::Run() {
    if (m_state.OriginalImage().IsEmpty()) {
        m_seam.Message(&m_window, QString::fromUtf8(kProgramName),
                       QCoreApplication::translate("CAddTextCommand",
                                                   "There is no picture to write on yet: scan, photograph or open "
                                                   "one first."),
                       IDialogSeam::Icon::Information);
        return;
    }
    CAddTextDialog dialog(*this, &m_window);
    m_seam.RunDialog(dialog);
}

BMP_File& CAddTextCommand::AcquiredImage() {
    return m_state.OriginalPixels();
}

void CAddTextCommand::AcquiredImageWritten(const Rect& changed) {
    // The original pane's copy first; without it (memory) the window has told the user and the chain does not run.
    if (!m_originalChanged(changed)) return;
    m_state.ProcessImage(true);
}

std::optional<TextStyle> CAddTextCommand::ChooseFont(QWidget* owner) {
    // The dialog opens on the default font in black, not on the box's present choice.
    return m_seam.ChooseFont(owner, TextStyle{QApplication::font(), QColor(Qt::black)});
}

void CAddTextCommand::ShowError(QWidget* owner, const QString& text) {
    m_seam.Message(owner, QString::fromUtf8(kProgramName), text, IDialogSeam::Icon::Error);
}
