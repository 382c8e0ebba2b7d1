#include "app/CHelpWindow.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <utility>

CHelpWindow::CHelpWindow(OpenExternally open, QWidget* parent) : QDialog(parent), m_open(std::move(open)) {
    setWindowTitle(tr("Lumivane Help"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowMinMaxButtonsHint, true);
    setModal(false);

    m_pBrowser = new QTextBrowser(this);
    m_pBrowser->setObjectName(QStringLiteral("helpBrowser"));
    // Local links are followed here; others are handed to the desktop below.
    m_pBrowser->setOpenLinks(false);
    connect(m_pBrowser, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        if (url.isRelative() || url.isLocalFile()) {
            m_pBrowser->setSource(m_pBrowser->source().resolved(url));
        } else if (m_open) {
            m_open(url);
        }
    });
    m_pBack = new QPushButton(tr("Back"), this);
    m_pForward = new QPushButton(tr("Forward"), this);
    auto* close = new QPushButton(tr("Close"), this);
    m_pBack->setEnabled(false);
    m_pForward->setEnabled(false);
    for (QPushButton* button : {m_pBack, m_pForward, close}) button->setAutoDefault(false);
    connect(m_pBack, &QPushButton::clicked, m_pBrowser, &QTextBrowser::backward);
    connect(m_pForward, &QPushButton::clicked, m_pBrowser, &QTextBrowser::forward);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(m_pBrowser, &QTextBrowser::backwardAvailable, m_pBack, &QPushButton::setEnabled);
    connect(m_pBrowser, &QTextBrowser::forwardAvailable, m_pForward, &QPushButton::setEnabled);
    connect(m_pBrowser, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = m_pBrowser->documentTitle();
        setWindowTitle(title.isEmpty() ? tr("Lumivane Help") : title);
    });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_pBack);
    buttons->addWidget(m_pForward);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* whole = new QVBoxLayout(this);
    whole->addLayout(buttons);
    whole->addWidget(m_pBrowser, 1);
    resize(720, 600);
}

void CHelpWindow::ShowPage(const QString& path) {
    m_pBrowser->setSource(QUrl::fromLocalFile(path));
    show();
    raise();
    activateWindow();
}
