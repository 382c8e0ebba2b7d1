#include "imaging/dialogs/CBlurDlg.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/DialogUnitMapping.h"

CBlurDlg::CBlurDlg(std::int32_t size, QWidget* parent) : QDialog(parent), m_nBlurSize(size) {
    setWindowTitle(tr("Blur"));

    m_pList = new QComboBox(this);
    m_pList->setObjectName(QStringLiteral("list10100"));
    m_pList->setEditable(false);
    for (int entry = 0; entry < kEntries; ++entry) m_pList->addItem(QString::number(SizeForEntry(entry)));
    m_pList->setCurrentIndex(EntryForSize(size));
    // Connected after the opening selection, which previews nothing.
    connect(m_pList, &QComboBox::currentIndexChanged, this, [this](int entry) {
        if (!m_preview || entry < 0) return;
        m_bPreviewed = true;
        m_preview(SizeForEntry(entry));
    });

    auto* caption = new QLabel(tr("Blur &size:"), this);
    caption->setBuddy(m_pList);

    m_pOk = new QPushButton(tr("OK"), this);
    m_pOk->setObjectName(QStringLiteral("button1"));
    m_pOk->setDefault(true);
    m_pCancel = new QPushButton(tr("Cancel"), this);
    m_pCancel->setObjectName(QStringLiteral("button2"));
    m_pCancel->setAutoDefault(false);
    connect(m_pOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_pCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* choice = new QVBoxLayout;
    choice->addWidget(caption);
    choice->addWidget(m_pList);
    choice->addStretch(1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_pOk);
    buttons->addWidget(m_pCancel);
    buttons->addStretch(1);
    auto* whole = new QHBoxLayout(this);
    whole->addLayout(choice, 1);
    whole->addLayout(buttons);

    setFixedSize(dlg::DluToPixelsX(122), dlg::DluToPixelsY(49));
}

int CBlurDlg::EntryForSize(std::int32_t size) {
    // (size − 3) ÷ 2 rounded down; in 64 bits so that no size overflows.
    const std::int64_t offset = std::int64_t{size} - 3;
    const std::int64_t entry = offset >= 0 ? offset / 2 : -((-offset + 1) / 2);
    return entry >= 0 && entry < kEntries ? static_cast<int>(entry) : -1;
}

std::int32_t CBlurDlg::SizeForEntry(int entry) {
    return 2 * entry + 3;
}

void CBlurDlg::accept() {
    m_nBlurSize = SizeForEntry(m_pList->currentIndex());
    QDialog::accept();
}

void CBlurDlg::reject() {
    if (m_preview && m_bPreviewed) m_preview(m_nBlurSize);
    m_bPreviewed = false;
    QDialog::reject();
}
