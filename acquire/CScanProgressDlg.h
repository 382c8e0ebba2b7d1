#pragma once
// The window shown while a page is scanned on a worker thread: the page's percentage (bytes read against the bytes
// expected), or a busy bar while the height of the page is unknown, and a Cancel that breaks the scan off. The
// dialog does not close on Cancel or Esc: it says that the scan is being cancelled and closes (accepted) when the
// worker reports that it has ended, through Finish.
//
// SetProgress and Finish are called on the GUI thread; a worker posts them (QMetaObject::invokeMethod with the
// dialog as context, so posts that arrive after the dialog is gone are dropped).

#include <QDialog>
#include <cstdint>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

class CScanProgressDlg : public QDialog {
    Q_OBJECT

public:
    CScanProgressDlg(std::function<void()> cancel, QWidget* parent = nullptr);

    // bytesExpected -1: a page of unknown height.
    void SetProgress(std::int64_t bytesRead, std::int64_t bytesExpected);
    // The worker has ended: the dialog closes.
    void Finish();

    bool Finished() const { return m_bFinished; }
    bool CancelRequested() const { return m_bCancelRequested; }
    int Percent() const;
    QPushButton& CancelButton() { return *m_pCancel; }

    void reject() override;  // Esc and the close box: Cancel

private:
    std::function<void()> m_cancel;
    QLabel* m_pLabel;
    QProgressBar* m_pBar;
    QPushButton* m_pCancel;
    bool m_bFinished = false;
    bool m_bCancelRequested = false;
};
