#pragma once
// The main window's Web camera command and the host of the camera window it opens. One camera window at a time:
// while one is running the command only brings it to the front; otherwise the current file name is forgotten (Save
// disabled) and a new window opens the chosen camera at the stored frame size and period, modeless, owned by the main
// window. A window whose Init fails is destroyed again (it has shown its own message). A closed window deletes itself.
//
// The camera window's messages and dialogs go through the dialog seam; a taken frame goes to the shared state's
// ShowAcquiredImage. The state, the seam, the window and the file commands must outlive this object, which closes
// an open camera window (releasing its pipeline) when it goes.

#include <QPointer>

#include "acquire/ICameraHost.h"

class CImageFileCommands;
class CLumivaneState;
class CWebCameraDlg;
class IDialogSeam;

class CWebCameraCommand : public ICameraHost {
public:
    CWebCameraCommand(CLumivaneState& state, IDialogSeam& seam, QWidget& window, CImageFileCommands& files);
    ~CWebCameraCommand() override;
    CWebCameraCommand(const CWebCameraCommand&) = delete;
    CWebCameraCommand& operator=(const CWebCameraCommand&) = delete;

    void Run();
    // The open camera window, null when none is open.
    CWebCameraDlg* Window() const;

    // ICameraHost
    void CameraMessage(QWidget* owner, const QString& caption, const QString& text, Icon icon) override;
    int RunCameraDialog(QDialog& dialog) override;
    void ShowAcquiredImage(std::int32_t width, std::int32_t height, const Pixel* pixels) override;

private:
    CLumivaneState& m_state;
    IDialogSeam& m_seam;
    QWidget& m_window;
    CImageFileCommands& m_files;
    QPointer<CWebCameraDlg> m_pWebCameraDlg;
};
