#pragma once
// The main window: the two picture panes with their trackers on the left, the acquisition buttons, one check box per
// correction, the crop, light, resize and rotate controls and the profile buttons on the right, Save and Save As at
// the bottom. It wraps the one shared state (CLumivaneState) and shows what the state tells it (IStateView); every
// change of a correction control runs the chain again through the state.
//
// The controls stand at their template rectangles (dialog units mapped by DialogUnits) and follow the window's size
// through DialogLayout. Every dialog and message box goes through the IDialogSeam given. The device choices are read
// from the per-user store at storePath in the constructor and written back there when the window is destroyed (an
// empty storePath reads and writes nothing).
//
// The image file commands (Load from disk, Save, Save As, the viewer operation) are CImageFileCommands, the profile
// commands CProfileCommands, Add text CAddTextCommand; the window hands its buttons, its panes' double-clicks, dropped
// files and the keys Ctrl+O, Ctrl+S (while Save is enabled) and Ctrl+Shift+S to them. The "..." buttons run the effect
// settings dialogs and About runs the About box (CAboutDlg) modally through the seam.

#include <QDialog>
#include <QString>
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/CLumivaneState.h"
#include "app/DialogLayout.h"
#include "app/ViewPreferences.h"
#include "panes/CBmpWnd.h"

class CAddTextCommand;
class CColorSwatch;
class CScanCommand;
class CTwainUtils;
class IScannerSystem;
class CExactPreview;
class CHelpWindow;
class CImageFileCommands;
class CProfileCommands;
class CWebCameraCommand;
class IDialogSeam;
class QCheckBox;
class QLineEdit;
class QPushButton;

class CLumivaneDlg : public QDialog, public IStateView, public IPaneHost {
    Q_OBJECT

public:
    CLumivaneDlg(IDialogSeam& seam, std::string storePath, QWidget* parent = nullptr);
    ~CLumivaneDlg() override;

    // Opens a picture file as the new original, as loading from disk does after its dialog; a failure is shown in a
    // message box and changes nothing.
    bool OpenPicture(const QString& path);
    // Loads a profile as Load configuration does after its dialog (a profile named on the command line, a profile
    // opened from the file manager); a failure is shown in a message box. True when the file was read.
    bool OpenProfile(const QString& path);

    // The folders searched for the help pages (HelpPages.h); the program's own are set by default.
    void SetHelpFolders(std::vector<std::filesystem::path> folders) { m_helpFolders = std::move(folders); }

    CLumivaneState& State() { return m_state; }
    // Scanning: the scanner utilities (on SANE unless another scanner system is set), the Scan command, and the camera
    // names the source dialog lists (GStreamer's video sources unless set).
    void SetScannerSystem(std::shared_ptr<IScannerSystem> system);
    void SetCameraLister(std::function<std::vector<std::string>()> lister) { m_cameraLister = std::move(lister); }
    CTwainUtils& Twain() { return *m_pTwain; }
    CScanCommand& ScanCommand() { return *m_pScan; }
    QWidget* Control(int id) const;
    CBmpWnd& OriginalPane() { return *m_pBmpWndOriginal; }
    CBmpWnd& ProcessedPane() { return *m_pBmpWndDestination; }
    // The current image file's full path (empty when none is held); the viewer's temporary folder.
    const std::string& FileName() const;
    QString ViewerFolder() const;
    CWebCameraCommand& WebCamera() { return *m_pWebCamera; }
    // Saves and viewer runs still going on behind the window (they end on the interface thread).
    int PendingFileJobs() const;
    const dlg::DialogLayout& Layout() const { return m_layout; }
    // The "Exact preview" switch under the processed pane; whether its full-size run is still on its way; what the
    // window remembers for the user.
    QCheckBox* ExactPreviewBox() const { return m_pExactBox; }
    bool ExactPreviewBusy() const;
    const ViewPreferences& Preferences() const { return m_view; }
    // The help window, once Help has opened it (a child of this window).
    CHelpWindow* HelpWindow() const { return m_pHelp; }

    // Enter does nothing: the dialog has no OK action.
    void accept() override {}
    // Esc and the close box end the dialog; during a scan they break the scan off first and close when it has ended.
    void reject() override;

    // IStateView
    bool OriginalImageChanged(const BMP_File& picture) override;
    bool ProcessedImageChanged(const BMP_File& picture) override;
    void RepaintPane(CPaneModel& pane) override;
    void ExchangeSizeFields(ProcessingSettings& settings) override;
    void SettingsLoaded(const ProcessingSettings& settings) override;
    void BeginBusy() override;
    void EndBusy() override;

    // IPaneHost
    void PaneResized(CBmpWnd& pane, Size outer) override;
    void OpenInViewer(CBmpWnd& pane) override;
    void PaneRescaled(CBmpWnd& pane) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateControls();
    void Command(int id);
    void CreateShortcuts();
    void OpenEffectSettings(int id);
    void ChooseLightColor(int light);
    void ShowHelp();
    void ShowAbout();
    void Scan();
    void ChooseSources();
    void SyncLightEditBoxes();
    void SyncCheckBoxes();
    void SyncCheckBox(int id, std::int32_t theSwitch);
    void WriteSizeFields();
    // The size fields into the record, width first; false (the user told) at the first field that is no unsigned
    // integer, which keeps its previous value, as do the fields after it.
    bool TakeSizeFields(ProcessingSettings& settings);
    void EnableAcquisitionButtons();
    void UpdateMinimumSize();
    void ArrangeControls();
    bool ShowPicture(CBmpWnd& pane, const BMP_File& picture);
    bool ShowChangedOriginal(const Rect& changed);
    void ReportNoPaneCopy();
    QColor LightColor(int light) const;
    void SetExactPreview(bool on);
    void RequestExactPreview();
    void PlaceExactPreviewBox();

    IDialogSeam& m_seam;
    std::string m_storePath;
    CLumivaneState m_state;
    std::map<int, QWidget*> m_controls;
    CBmpWnd* m_pBmpWndOriginal = nullptr;
    CBmpWnd* m_pBmpWndDestination = nullptr;
    dlg::DialogLayout m_layout;
    bool m_bLaidOut = false;  // the layout is recorded; size changes move the controls from here on
    int m_nBusy = 0;          // runs of the chain in progress (one may wait on a message box)
    bool m_bLayoutPending = false;
    std::vector<std::filesystem::path> m_helpFolders;
    std::unique_ptr<CImageFileCommands> m_pFiles;
    std::unique_ptr<CProfileCommands> m_pProfiles;
    std::unique_ptr<CAddTextCommand> m_pAddText;
    std::unique_ptr<CTwainUtils> m_pTwain;
    std::unique_ptr<CScanCommand> m_pScan;
    std::function<std::vector<std::string>()> m_cameraLister;
    bool m_bCloseAfterScan = false;
    std::unique_ptr<CWebCameraCommand> m_pWebCamera;
    ViewPreferences m_view;
    QCheckBox* m_pExactBox = nullptr;
    CHelpWindow* m_pHelp = nullptr;
    std::shared_ptr<const BMP_File> m_pExactOriginal;  // the exact preview's copy of the original (null: none yet)
    std::unique_ptr<CExactPreview> m_pExact;           // last: goes first, before the panes it shows in
};
