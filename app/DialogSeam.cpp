#include "app/DialogSeam.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

#include "app/CTextFontDlg.h"
#include "app/ProgramName.h"

namespace {

QMessageBox::Icon ToQt(IDialogSeam::Icon icon) {
    switch (icon) {
        case IDialogSeam::Icon::Warning:
            return QMessageBox::Warning;
        case IDialogSeam::Icon::Error:
            return QMessageBox::Critical;
        case IDialogSeam::Icon::Information:
            break;
    }
    return QMessageBox::Information;
}

std::optional<IDialogSeam::FileChoice> RunFileDialog(QWidget* owner, const QString& caption, const QStringList& filters,
                                                     QFileDialog::AcceptMode mode) {
    QFileDialog dialog(owner, caption);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    // The caller decides about overwriting; the program's save commands replace files without asking.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    // Qt's own dialog matches the name filters without regard to case (photo.JPG under "*.jpg"); a desktop's native
    // dialog may not.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setNameFilters(filters);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return IDialogSeam::FileChoice{dialog.selectedFiles().front(),
                                   static_cast<int>(filters.indexOf(dialog.selectedNameFilter()))};
}

}  // namespace

void ShowFailure(IDialogSeam& seam, QWidget* owner, const QString& text) {
    seam.Message(owner, QString::fromUtf8(kProgramName), text, IDialogSeam::Icon::Error);
}

void ShowFailure(IDialogSeam& seam, QWidget* owner, const Status& failure, const QString& lead) {
    const QString message = QString::fromStdString(failure.message());
    ShowFailure(seam, owner, lead.isEmpty() ? message : lead + QLatin1Char('\n') + message);
}

QStringList ToQStringList(const std::vector<std::string>& texts) {
    QStringList list;
    for (const std::string& text : texts) list << QString::fromStdString(text);
    return list;
}

void QtDialogSeam::Message(QWidget* owner, const QString& caption, const QString& text, Icon icon) {
    QMessageBox box(ToQt(icon), caption, text, QMessageBox::Ok, owner);
    box.exec();
}

std::optional<QColor> QtDialogSeam::ChooseColor(QWidget* owner, const QColor& initial) {
    const QColor color = QColorDialog::getColor(initial, owner);
    if (!color.isValid()) return std::nullopt;
    return color;
}

std::optional<TextStyle> QtDialogSeam::ChooseFont(QWidget* owner, const TextStyle& initial) {
    CTextFontDlg dialog(initial, owner);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Style();
}

std::optional<IDialogSeam::FileChoice> QtDialogSeam::OpenFile(QWidget* owner, const QString& caption,
                                                              const QStringList& filters) {
    return RunFileDialog(owner, caption, filters, QFileDialog::AcceptOpen);
}

std::optional<IDialogSeam::FileChoice> QtDialogSeam::SaveFile(QWidget* owner, const QString& caption,
                                                              const QStringList& filters) {
    return RunFileDialog(owner, caption, filters, QFileDialog::AcceptSave);
}

bool QtDialogSeam::OpenExternally(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

int QtDialogSeam::RunDialog(QDialog& dialog) {
    return dialog.exec();
}

ScriptedDialogSeam::Answer ScriptedDialogSeam::Take(Call call) {
    const Kind kind = call.kind;
    m_calls.push_back(call);
    if (m_answers.empty() || m_answers.front().kind != kind) {
        m_unexpected.push_back(std::move(call));
        return Answer(kind);
    }
    Answer answer = std::move(m_answers.front());
    m_answers.pop_front();
    return answer;
}

void ScriptedDialogSeam::Message(QWidget*, const QString& caption, const QString& text, Icon icon) {
    const Answer answer = Take({Kind::Message, caption, text, icon, {}});
    if (answer.whileShown) answer.whileShown();
}

std::optional<QColor> ScriptedDialogSeam::ChooseColor(QWidget*, const QColor& initial) {
    return Take({Kind::Color, {}, initial.isValid() ? initial.name() : QString(), Icon::Information, {}}).color;
}

std::optional<TextStyle> ScriptedDialogSeam::ChooseFont(QWidget*, const TextStyle&) {
    return Take({Kind::Font, {}, {}, Icon::Information, {}}).font;
}

std::optional<IDialogSeam::FileChoice> ScriptedDialogSeam::OpenFile(QWidget*, const QString& caption,
                                                                    const QStringList& filters) {
    return Take({Kind::OpenFile, caption, {}, Icon::Information, filters}).file;
}

std::optional<IDialogSeam::FileChoice> ScriptedDialogSeam::SaveFile(QWidget*, const QString& caption,
                                                                    const QStringList& filters) {
    return Take({Kind::SaveFile, caption, {}, Icon::Information, filters}).file;
}

bool ScriptedDialogSeam::OpenExternally(const QUrl& url) {
    return Take({Kind::OpenExternally, url.toString(), {}, Icon::Information, {}}).started;
}

int ScriptedDialogSeam::RunDialog(QDialog& dialog) {
    const Answer answer = Take({Kind::Dialog,
                                dialog.windowTitle(),
                                QString::fromLatin1(dialog.metaObject()->className()),
                                Icon::Information,
                                {}});
    dialog.show();
    if (answer.act) answer.act(dialog);
    // Left open (or not answered at all): closed as Esc closes it.
    if (dialog.isVisible()) dialog.reject();
    return dialog.result();
}
