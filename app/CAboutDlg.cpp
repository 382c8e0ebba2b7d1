#include "app/CAboutDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

#include "app/StringTable.h"

CAboutDlg::CAboutDlg(const QString& programName, const QString& version, CStaticLink::Opener opener, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(tr("About %1").arg(programName));

    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(QStringLiteral(":/lumivane/lumivane.png")).pixmap(48, 48));
    auto* name = new QLabel(tr("<b>%1</b> version %2").arg(programName.toHtmlEscaped(), version.toHtmlEscaped()), this);
    name->setObjectName(QStringLiteral("programName"));
    auto* purpose = new QLabel(tr("Scan, correct and save pictures: crop, resize, sharpen, colour corrections and "
                                  "light areas in one fixed chain, saved and loaded as profiles."),
                               this);
    purpose->setWordWrap(true);
    purpose->setMinimumWidth(320);

    const auto strings = [](int id) { return QString::fromUtf8(LoadProgramString(id)); };
    m_pWebLink = new CStaticLink(kWebLink, QStringLiteral("lumivane.example"), this);
    m_pSupportLink = new CStaticLink(kSupportLink, QStringLiteral("support@lumivane.example"), this);
    for (CStaticLink* link : {m_pWebLink, m_pSupportLink}) {
        link->SetStringSource(strings);
        link->SetOpener(opener);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* grid = new QGridLayout(this);
    grid->addWidget(icon, 0, 0, 4, 1, Qt::AlignTop);
    grid->addWidget(name, 0, 1, 1, 2);
    grid->addWidget(purpose, 1, 1, 1, 2);
    grid->addWidget(new QLabel(tr("Web page:"), this), 2, 1);
    grid->addWidget(m_pWebLink, 2, 2);
    grid->addWidget(new QLabel(tr("Support:"), this), 3, 1);
    grid->addWidget(m_pSupportLink, 3, 2);
    grid->addWidget(buttons, 4, 0, 1, 3);
    grid->setColumnStretch(2, 1);
    setFixedSize(sizeHint());
}

CStaticLink* CAboutDlg::Link(int id) const {
    if (id == kWebLink) return m_pWebLink;
    if (id == kSupportLink) return m_pSupportLink;
    return nullptr;
}
