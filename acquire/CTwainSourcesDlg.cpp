#include "acquire/CTwainSourcesDlg.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "acquire/CExcept.h"

namespace {

// The busy cursor for the length of a scope.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

QComboBox* MakeList(int id, QWidget* parent) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QStringLiteral("control%1").arg(id));
    list->setMinimumContentsLength(40);
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    return list;
}

}  // namespace

CTwainSourcesDlg::CTwainSourcesDlg(std::string* scannerName, std::string* cameraName, const SourceListing& listing,
                                   SourcePrompts prompts, std::function<void()> resetScanSettings, QWidget* parent)
    : QDialog(parent),
      m_pScannerName(scannerName),
      m_pCameraName(cameraName),
      m_prompts(std::move(prompts)),
      m_resetScanSettings(std::move(resetScanSettings)) {
    setWindowTitle(tr("Sources"));
    auto* layout = new QVBoxLayout(this);

    auto* scanning = new QGroupBox(tr("Scanning"), this);
    auto* scanningLayout = new QVBoxLayout(scanning);
    m_pScanners = MakeList(1017, scanning);
    scanningLayout->addWidget(m_pScanners);
    layout->addWidget(scanning);

    auto* camera = new QGroupBox(tr("Camera"), this);
    auto* cameraLayout = new QVBoxLayout(camera);
    m_pCameras = MakeList(1018, camera);
    cameraLayout->addWidget(m_pCameras);
    layout->addWidget(camera);

    // A third list and its label stay hidden and disabled: nothing fills them.
    auto* unusedLabel = new QLabel(this);
    m_pUnused = MakeList(1020, this);
    for (QWidget* hidden : {static_cast<QWidget*>(unusedLabel), static_cast<QWidget*>(m_pUnused)}) {
        hidden->setVisible(false);
        hidden->setEnabled(false);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_pOk = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &CTwainSourcesDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CTwainSourcesDlg::reject);
    layout->addWidget(buttons);

    for (QComboBox* list : {m_pScanners, m_pUnused, m_pCameras}) {
        connect(list, &QComboBox::activated, this, &CTwainSourcesDlg::UpdateOk);
    }
    Init(listing);
}

void CTwainSourcesDlg::Fill(QComboBox& list, const std::vector<std::string>& names, const std::string& stored) {
    list.clear();
    for (const std::string& name : names) list.addItem(QString::fromStdString(name));
    // The exact text, regardless of case; no match leaves the list without a selection.
    list.setCurrentIndex(stored.empty() ? -1 : list.findText(QString::fromStdString(stored), Qt::MatchFixedString));
}

void CTwainSourcesDlg::Init(const SourceListing& listing) {
    std::vector<std::string> scanners;
    std::vector<std::string> cameras;
    {
        BusyCursor busy;
        try {
            if (listing.scanners) scanners = listing.scanners();
        } catch (const CExcept& failure) {
            // The lists stay empty and OK keeps its first state (enabled).
            m_prompts.showError(this, QStringLiteral("Error"), QString::fromStdString(failure.Text()));
            return;
        }
        if (listing.cameras) cameras = listing.cameras();
    }
    Fill(*m_pScanners, scanners, *m_pScannerName);
    Fill(*m_pCameras, cameras, *m_pCameraName);
    UpdateOk();
}

void CTwainSourcesDlg::UpdateOk() {
    m_pOk->setEnabled(m_pScanners->currentIndex() >= 0 || m_pUnused->currentIndex() >= 0 ||
                      m_pCameras->currentIndex() >= 0);
}

void CTwainSourcesDlg::accept() {
    if (m_pScanners->currentIndex() < 0) {
        if (!m_prompts.askYesNo(this, QStringLiteral("Warning"),
                                QStringLiteral("Scanner TWAIN Source was not selected. Continue anyway?"))) {
            return;
        }
        if (!m_pScannerName->empty() && m_resetScanSettings) m_resetScanSettings();
        m_pScannerName->clear();
    } else {
        const std::string chosen = m_pScanners->currentText().toStdString();
        if (chosen != *m_pScannerName && m_resetScanSettings) m_resetScanSettings();
        *m_pScannerName = chosen;
    }
    if (m_pCameras->currentIndex() < 0) {
        if (!m_prompts.askYesNo(this, QStringLiteral("Warning"),
                                QStringLiteral("Camera Direct Show Source was not selected. Continue anyway?"))) {
            return;
        }
        m_pCameraName->clear();
    } else {
        *m_pCameraName = m_pCameras->currentText().toStdString();
    }
    QDialog::accept();
}
