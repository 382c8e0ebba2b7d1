#include "panes/CStaticLink.h"

#include <QApplication>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPalette>
#include <QRegularExpression>

const QColor CStaticLink::kUnvisited(0, 0, 255);
const QColor CStaticLink::kVisited(128, 0, 128);

CStaticLink::CStaticLink(int id, const QString& caption, QWidget* parent) : QLabel(caption, parent), m_nId(id) {
    setObjectName(QStringLiteral("link%1").arg(id));
    setTextFormat(Qt::PlainText);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    ShowColor();
}

QString CStaticLink::Target() const {
    if (!m_strLink.isEmpty()) return m_strLink;
    if (m_strings) {
        const QString entry = m_strings(m_nId);
        if (!entry.isEmpty()) return entry;
    }
    return text();
}

QUrl CStaticLink::UrlOf(const QString& target) {
    const QString trimmed = target.trimmed();
    // A scheme is letters, digits, "+", "-" or "." after a letter, then ":" (a drive-less path has none).
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:"));
    if (scheme.match(trimmed).hasMatch()) return QUrl(trimmed);
    static const QRegularExpression mail(QStringLiteral("^[^@/\\s]+@[^@/\\s]+$"));
    if (mail.match(trimmed).hasMatch()) return QUrl(QStringLiteral("mailto:") + trimmed);
    return QUrl::fromUserInput(trimmed);
}

bool CStaticLink::Open() {
    const QString target = Target();
    if (target.isEmpty()) return false;
    const QUrl url = UrlOf(target);
    const bool opened = url.isValid() && (m_opener ? m_opener(url) : QDesktopServices::openUrl(url));
    if (!opened) {
        QApplication::beep();
        return false;
    }
    m_color = kVisited;
    ShowColor();
    return true;
}

void CStaticLink::ShowColor() {
    QPalette colors = palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        colors.setColor(group, QPalette::WindowText, m_color);
    }
    setPalette(colors);
    update();
}

void CStaticLink::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QLabel::mousePressEvent(event);
        return;
    }
    Open();
    event->accept();
}

void CStaticLink::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        Open();
        event->accept();
        return;
    }
    QLabel::keyPressEvent(event);
}
