#include "acquire/CScanProgressDlg.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

CScanProgressDlg::CScanProgressDlg(std::function<void()> cancel, QWidget* parent)
    : QDialog(parent), m_cancel(std::move(cancel)) {
    setWindowTitle(tr("Scanning"));
    setModal(true);
    m_pLabel = new QLabel(tr("Scanning the page..."), this);
    m_pBar = new QProgressBar(this);
    m_pBar->setRange(0, 100);
    m_pBar->setValue(0);
    m_pCancel = new QPushButton(tr("Cancel"), this);
    m_pCancel->setAutoDefault(false);
    connect(m_pCancel, &QPushButton::clicked, this, &CScanProgressDlg::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pLabel);
    layout->addWidget(m_pBar);
    layout->addWidget(m_pCancel, 0, Qt::AlignRight);
    setMinimumWidth(320);
}

void CScanProgressDlg::SetProgress(std::int64_t bytesRead, std::int64_t bytesExpected) {
    if (m_bFinished || m_bCancelRequested) return;
    if (bytesExpected <= 0) {
        m_pBar->setRange(0, 0);  // busy: the page's height is not known
        return;
    }
    m_pBar->setRange(0, 100);
    m_pBar->setValue(static_cast<int>(std::clamp<std::int64_t>(bytesRead * 100 / bytesExpected, 0, 100)));
}

int CScanProgressDlg::Percent() const {
    return m_pBar->maximum() == 0 ? -1 : m_pBar->value();
}

void CScanProgressDlg::Finish() {
    m_bFinished = true;
    if (isVisible()) accept();
    else setResult(QDialog::Accepted);
}

void CScanProgressDlg::reject() {
    if (m_bFinished) {
        QDialog::reject();
        return;
    }
    if (m_bCancelRequested) return;
    m_bCancelRequested = true;
    m_pLabel->setText(tr("Cancelling the scan..."));
    m_pCancel->setEnabled(false);
    if (m_cancel) m_cancel();
}
