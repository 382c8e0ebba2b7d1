#pragma once
// The window's Scan command. The page is scanned on a worker thread while a progress window (CScanProgressDlg, run
// through the dialog seam) keeps the window painting and offers Cancel; the worker writes the page as
// "tmpImg<counter>.bmp" into a private temporary folder of this object (never the current folder; under
// $XDG_RUNTIME_DIR when set, which is in memory on most desktops, else under the temporary folder), the command reads
// it back, removes it (on every way out) and hands the picture to the shared state, then forgets the image file name
// (Save disabled). The counter starts at 0 and grows after every scan that was not cancelled.
//
// A failure is shown in a message box captioned "Scan Error" with the error icon; a cancelled scan changes nothing
// and shows nothing. A scan with no progress for the scanner layer's timeout ends as "Function timed out".
// CancelRunning (a closing window) breaks a running scan off; Run returns once the worker has ended.
//
// The object holds references to the state, the seam, the window and the scanner utilities; all must outlive it.

#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "platform/Resolution.h"

class CLumivaneState;
class CTwainUtils;
class IDialogSeam;
class QTemporaryDir;
class QWidget;
class ScanControl;

class CScanCommand {
public:
    CScanCommand(CLumivaneState& state, IDialogSeam& seam, QWidget& window, CTwainUtils& twain,
                 std::function<void(Resolution scannedAt)> forgetFileName);
    ~CScanCommand();

    CScanCommand(const CScanCommand&) = delete;
    CScanCommand& operator=(const CScanCommand&) = delete;

    // Scans from `source` (the chosen scanner).
    void Run(const std::string& source);

    bool Running() const { return m_bRunning; }
    void CancelRunning();

    int Counter() const { return m_nCounter; }
    // The private folder of the page files (empty before the first scan).
    QString Folder() const;

private:
    CLumivaneState& m_state;
    IDialogSeam& m_seam;
    QWidget& m_window;
    CTwainUtils& m_twain;
    std::function<void(Resolution scannedAt)> m_forgetFileName;
    int m_nCounter = 0;
    bool m_bRunning = false;
    std::shared_ptr<ScanControl> m_pControl;
    std::unique_ptr<QTemporaryDir> m_pFolder;
};
