#include "acquire/CCameraFormatDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

CCameraFormatDlg::CCameraFormatDlg(std::vector<CameraFormat> offered, const CameraFormat& current, QWidget* parent)
    : QDialog(parent), m_offered(std::move(offered)), m_current(current) {
    setWindowTitle(tr("Capture Format"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(m_offered.empty() ? tr("The camera names no formats of its own.")
                                                   : tr("Formats the camera offers:"),
                                 this));
    m_pList = new QListWidget(this);
    for (std::size_t i = 0; i < m_offered.size(); ++i) {
        m_pList->addItem(QString::fromStdString(m_offered[i].Describe()));
        const CameraFormat& f = m_offered[i];
        const bool same = f.media == current.media && f.format == current.format && f.width == current.width &&
                          f.height == current.height && (current.rateNum == 0 || f.rateNum * current.rateDen ==
                                                                                     current.rateNum * f.rateDen);
        if (same && m_pList->currentRow() < 0) m_pList->setCurrentRow(static_cast<int>(i));
    }
    layout->addWidget(m_pList);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_pList, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    layout->addWidget(buttons);
}

CameraFormat CCameraFormatDlg::Chosen() const {
    const int row = m_pList->currentRow();
    if (row < 0 || row >= static_cast<int>(m_offered.size())) return m_current;
    return m_offered[static_cast<std::size_t>(row)];
}
