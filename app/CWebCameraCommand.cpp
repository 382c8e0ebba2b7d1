#include "app/CWebCameraCommand.h"

#include "acquire/CWebCameraDlg.h"
#include "app/CLumivaneState.h"
#include "app/DialogSeam.h"
#include "app/ImageFileCommands.h"

CWebCameraCommand::CWebCameraCommand(CLumivaneState& state, IDialogSeam& seam, QWidget& window,
                                     CImageFileCommands& files)
    : m_state(state), m_seam(seam), m_window(window), m_files(files) {}

CWebCameraCommand::~CWebCameraCommand() {
    delete m_pWebCameraDlg.data();
}

CWebCameraDlg* CWebCameraCommand::Window() const {
    return m_pWebCameraDlg.data();
}

void CWebCameraCommand::Run() {
    if (m_pWebCameraDlg && m_pWebCameraDlg->IsRunning()) {
        m_pWebCameraDlg->raise();
        m_pWebCameraDlg->activateWindow();
        return;
    }
    m_files.ForgetFileName();
    // A window left open after its camera failed goes; the camera is opened anew.
    delete m_pWebCameraDlg.data();
    auto* dialog = new CWebCameraDlg(*this, &m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    m_pWebCameraDlg = dialog;
    DeviceChoices& device = m_state.m_device;
    if (!dialog->Init(device.m_strCameraSrc, &device.m_nCameraSizeX, &device.m_nCameraSizeY,
                      &device.m_nCameraFramePeriod)) {
        delete dialog;
        return;
    }
    dialog->show();
}

void CWebCameraCommand::CameraMessage(QWidget* owner, const QString& caption, const QString& text, Icon icon) {
    const IDialogSeam::Icon shown = icon == Icon::Error     ? IDialogSeam::Icon::Error
                                    : icon == Icon::Warning ? IDialogSeam::Icon::Warning
                                                            : IDialogSeam::Icon::Information;
    m_seam.Message(owner, caption, text, shown);
}

int CWebCameraCommand::RunCameraDialog(QDialog& dialog) {
    return m_seam.RunDialog(dialog);
}

void CWebCameraCommand::ShowAcquiredImage(std::int32_t width, std::int32_t height, const Pixel* pixels) {
    static_cast<void>(m_state.ShowAcquiredImage(width, height, pixels));
}
