#pragma once
// The program's own help window: the installed help pages in a text browser, so help needs no web browser. Links
// between pages open in the window itself, with Back and Forward; addresses of the web or mail (http:, https:,
// mailto:) go to the desktop through the open function given. The window is not modal: the main window stays usable.

#include <QDialog>
#include <QUrl>
#include <functional>

class QPushButton;
class QTextBrowser;

class CHelpWindow : public QDialog {
    Q_OBJECT

public:
    using OpenExternally = std::function<bool(const QUrl&)>;

    explicit CHelpWindow(OpenExternally open, QWidget* parent = nullptr);

    // Shows the page at path (a local file) and brings the window up.
    void ShowPage(const QString& path);

    QTextBrowser* Browser() const { return m_pBrowser; }

private:
    OpenExternally m_open;
    QTextBrowser* m_pBrowser = nullptr;
    QPushButton* m_pBack = nullptr;
    QPushButton* m_pForward = nullptr;
};
