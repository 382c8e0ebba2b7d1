#pragma once
// The source dialog: the scanner (list 1017, the scanner system's sources) and the camera (list 1018, the video
// capture devices) used from now on. It writes the chosen names straight into the two strings it is given; the
// caller stores them and enables its Scan and Web camera buttons from them after OK.
//
// The lists keep the order of the listing; the stored names are selected by an exact match that ignores case, and
// a name that is not listed leaves its list without a selection. OK is enabled while a list has a selection.
// OK: a list without a selection asks whether to go on without that source (No keeps the dialog open; the scanner
// name is already stored when the camera question is answered No); a scanner that differs from the stored one
// (exactly, case included) forgets the scan area (resetScanSettings), and so does clearing a stored scanner.
//
// Both listings run when the dialog is made, under the busy cursor, each bounded in time by its lister. A scanner
// listing that fails (CExcept) is shown under "Error" and leaves both lists empty with OK enabled; a camera listing
// that fails gives an empty camera list without a message. Questions and the error go through SourcePrompts, so
// tests answer them through the program's dialog seam.

#include <QDialog>
#include <QString>
#include <functional>
#include <string>
#include <vector>

class QComboBox;
class QPushButton;

struct SourceListing {
    std::function<std::vector<std::string>()> scanners;  // throws CExcept on failure
    std::function<std::vector<std::string>()> cameras;   // empty on failure
};

struct SourcePrompts {
    // A question with Yes and No; true for Yes.
    std::function<bool(QWidget* owner, const QString& caption, const QString& text)> askYesNo;
    // An error message box.
    std::function<void(QWidget* owner, const QString& caption, const QString& text)> showError;
};

class CTwainSourcesDlg : public QDialog {
    Q_OBJECT

public:
    CTwainSourcesDlg(std::string* scannerName, std::string* cameraName, const SourceListing& listing,
                     SourcePrompts prompts, std::function<void()> resetScanSettings, QWidget* parent = nullptr);

    QComboBox& ScannerList() { return *m_pScanners; }
    QComboBox& CameraList() { return *m_pCameras; }
    QPushButton& OkButton() { return *m_pOk; }

    void accept() override;  // OK

private:
    void Init(const SourceListing& listing);
    void UpdateOk();
    static void Fill(QComboBox& list, const std::vector<std::string>& names, const std::string& stored);

    std::string* m_pScannerName;
    std::string* m_pCameraName;
    SourcePrompts m_prompts;
    std::function<void()> m_resetScanSettings;
    QComboBox* m_pScanners;
    QComboBox* m_pCameras;
    QComboBox* m_pUnused;  // 1020: hidden, disabled, never filled
    QPushButton* m_pOk;
};
