#pragma once
// The one way the program asks the user something or tells the user something outside its own window: message boxes,
// the program's own dialogs (the About box among them), the file, colour and font dialogs, and handing a file or
// address to the desktop (the help pages in the browser, a picture in the viewer). The window and every dialog of the
// program reach them only through an IDialogSeam, so tests replace it with ScriptedDialogSeam and answer from a queue.
//
// QtDialogSeam shows the real Qt dialogs, modally, owned by the widget given. ScriptedDialogSeam shows nothing: it
// records every call and answers each from the front of its queue; a call whose kind does not match the next answer
// (or that finds the queue empty) is recorded as unexpected and answered as a cancel, so a test sees it instead of
// hanging on a dialog.

#include <QColor>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/Status.h"
#include "panes/TextStyle.h"

class QDialog;
class QWidget;

class IDialogSeam {
public:
    enum class Icon { Information, Warning, Error };

    virtual ~IDialogSeam() = default;

    // A message box with an OK button.
    virtual void Message(QWidget* owner, const QString& caption, const QString& text, Icon icon) = 0;
    // The colour dialog; nothing when the user cancels.
    virtual std::optional<QColor> ChooseColor(QWidget* owner, const QColor& initial) = 0;
    // The font dialog with its effects (underline, strike-out) and a text colour; nothing when the user cancels.
    virtual std::optional<TextStyle> ChooseFont(QWidget* owner, const TextStyle& initial) = 0;

    // The open and save file dialogs. filters are the name filters offered ("PNG Files (*.png)", ...); the filter
    // chosen is returned with the path. Nothing when the user cancels.
    struct FileChoice {
        QString path;
        int filterIndex = 0;  // index into the filters offered
    };
    virtual std::optional<FileChoice> OpenFile(QWidget* owner, const QString& caption, const QStringList& filters) = 0;
    virtual std::optional<FileChoice> SaveFile(QWidget* owner, const QString& caption, const QStringList& filters) = 0;

    // Hands a file or address to the desktop's default program; false when that could not be started.
    virtual bool OpenExternally(const QUrl& url) = 0;

    // Runs one of the program's own dialogs modally until it closes; returns its result (QDialog::Accepted or
    // QDialog::Rejected). The dialog stays the caller's.
    virtual int RunDialog(QDialog& dialog) = 0;
};

// The one way the window reports a failure: a message box with the program's name as its caption, the error icon and
// the text. For a Status the text is its message (which names the file and the cause), after lead and a line break
// when a lead is given.
void ShowFailure(IDialogSeam& seam, QWidget* owner, const QString& text);
void ShowFailure(IDialogSeam& seam, QWidget* owner, const Status& failure, const QString& lead = {});

// Texts of the core (UTF-8) as a list for the toolkit: file dialog filters, folder names.
QStringList ToQStringList(const std::vector<std::string>& texts);

class QtDialogSeam : public IDialogSeam {
public:
    void Message(QWidget* owner, const QString& caption, const QString& text, Icon icon) override;
    std::optional<QColor> ChooseColor(QWidget* owner, const QColor& initial) override;
    std::optional<TextStyle> ChooseFont(QWidget* owner, const TextStyle& initial) override;
    std::optional<FileChoice> OpenFile(QWidget* owner, const QString& caption, const QStringList& filters) override;
    std::optional<FileChoice> SaveFile(QWidget* owner, const QString& caption, const QStringList& filters) override;
    bool OpenExternally(const QUrl& url) override;
    int RunDialog(QDialog& dialog) override;
};

class ScriptedDialogSeam : public IDialogSeam {
public:
    enum class Kind { Message, Color, Font, OpenFile, SaveFile, OpenExternally, Dialog };

    // One call as it was made.
    struct Call {
        Kind kind;
        QString caption;  // caption or title; the url for OpenExternally; the window title for Dialog
        QString text;     // message text; the class name for Dialog; the initial colour ("#rrggbb") for Color
        Icon icon = Icon::Information;
        QStringList filters;
    };

    // Queue answers, in the order the calls will come. A message needs an acknowledgement only; whileShown runs while
    // the message is up, as events the user causes meanwhile would.
    void ExpectMessage(std::function<void()> whileShown = {}) {
        Answer answer(Kind::Message);
        answer.whileShown = std::move(whileShown);
        m_answers.push_back(std::move(answer));
    }
    void AnswerColor(std::optional<QColor> color) {
        Answer answer(Kind::Color);
        answer.color = color;
        m_answers.push_back(std::move(answer));
    }
    void AnswerFont(std::optional<TextStyle> font) {
        Answer answer(Kind::Font);
        answer.font = font;
        m_answers.push_back(std::move(answer));
    }
    void AnswerOpenFile(std::optional<FileChoice> choice) {
        Answer answer(Kind::OpenFile);
        answer.file = choice;
        m_answers.push_back(std::move(answer));
    }
    void AnswerSaveFile(std::optional<FileChoice> choice) {
        Answer answer(Kind::SaveFile);
        answer.file = choice;
        m_answers.push_back(std::move(answer));
    }
    void AnswerOpenExternally(bool started) {
        Answer answer(Kind::OpenExternally);
        answer.started = started;
        m_answers.push_back(std::move(answer));
    }

    // A dialog run through RunDialog is shown (offscreen in tests) and handed to act, which works its controls and
    // closes it (its OK or Cancel button, accept(), reject()); a dialog act leaves open is rejected, as Esc would.
    void AnswerDialog(std::function<void(QDialog&)> act) {
        Answer answer(Kind::Dialog);
        answer.act = std::move(act);
        m_answers.push_back(std::move(answer));
    }

    const std::vector<Call>& Calls() const { return m_calls; }
    // Calls that found no matching answer; answers still waiting for their call.
    const std::vector<Call>& Unexpected() const { return m_unexpected; }
    std::size_t Unanswered() const { return m_answers.size(); }
    void Clear() {
        m_calls.clear();
        m_unexpected.clear();
        m_answers.clear();
    }

    void Message(QWidget* owner, const QString& caption, const QString& text, Icon icon) override;
    std::optional<QColor> ChooseColor(QWidget* owner, const QColor& initial) override;
    std::optional<TextStyle> ChooseFont(QWidget* owner, const TextStyle& initial) override;
    std::optional<FileChoice> OpenFile(QWidget* owner, const QString& caption, const QStringList& filters) override;
    std::optional<FileChoice> SaveFile(QWidget* owner, const QString& caption, const QStringList& filters) override;
    bool OpenExternally(const QUrl& url) override;
    int RunDialog(QDialog& dialog) override;

private:
    struct Answer {
        explicit Answer(Kind k) : kind(k) {}
        Kind kind;
        std::optional<QColor> color;
        std::optional<TextStyle> font;
        std::optional<FileChoice> file;
        bool started = false;
        std::function<void()> whileShown;
        std::function<void(QDialog&)> act;
    };

    // Records the call and takes the next answer when it is of the call's kind; otherwise a cancel.
    Answer Take(Call call);

    std::deque<Answer> m_answers;
    std::vector<Call> m_calls;
    std::vector<Call> m_unexpected;
};
