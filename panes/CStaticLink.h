#pragma once
// A text label that behaves as a link: blue and underlined, purple once it has been opened, with the hand cursor. A
// left click (or Space or Enter while it has the focus) hands its target to the desktop; when the desktop cannot open
// it, the label beeps and stays as it was.
//
// The target is the link set with SetLink; when that is empty, the string-table entry with the label's id (from the
// string source given, if any); failing that, the label's own text. A target without a scheme is taken as the desktop
// would take it typed into a browser: "name@host" as an e-mail address, anything else as a web address; a target
// with a scheme (https:, mailto:, file:, ...) is used as it is.
//
// Opening goes through the opener given, which the program routes through its dialog seam; without one, through
// QDesktopServices.

#include <QColor>
#include <QLabel>
#include <QUrl>
#include <functional>

class CStaticLink : public QLabel {
    Q_OBJECT

public:
    using StringSource = std::function<QString(int id)>;
    using Opener = std::function<bool(const QUrl& url)>;

    static const QColor kUnvisited;  // blue (0, 0, 255)
    static const QColor kVisited;    // purple (128, 0, 128)

    CStaticLink(int id, const QString& caption, QWidget* parent = nullptr);
    ~CStaticLink() override = default;

    int Id() const { return m_nId; }
    void SetLink(const QString& link) { m_strLink = link; }
    const QString& Link() const { return m_strLink; }
    void SetStringSource(StringSource strings) { m_strings = std::move(strings); }
    void SetOpener(Opener opener) { m_opener = std::move(opener); }

    QColor LinkColor() const { return m_color; }

    // The target a click opens now (see the header comment); empty when there is none.
    QString Target() const;
    // The address the desktop is given for a target.
    static QUrl UrlOf(const QString& target);

    // Opens the target as a click does: purple on success, a beep on failure; nothing without a target. Returns
    // whether the desktop opened it.
    bool Open();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ShowColor();

    int m_nId;
    QString m_strLink;
    QColor m_color = kUnvisited;
    StringSource m_strings;
    Opener m_opener;
};
