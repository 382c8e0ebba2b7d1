#pragma once
// The camera's own settings (Controls... in the camera window): one slider or check box for each control the device
// offers (V4l2Controls), set on the device as it is moved; a device without any says so. Close ends the dialog.

#include <QDialog>
#include <vector>

#include "platform/V4l2Controls.h"

class QLabel;

class CCameraControlsDlg : public QDialog {
    Q_OBJECT

public:
    // controls must stay open for the dialog's life; it may be closed (no node), and then offers nothing.
    explicit CCameraControlsDlg(V4l2Controls& controls, QWidget* parent = nullptr);

    // The line that says the device offers no settings; null when it offers some.
    QLabel* NoneLabel() const { return m_pNone; }
    std::size_t ControlCount() const { return m_controls.size(); }

private:
    V4l2Controls& m_device;
    std::vector<CameraControl> m_controls;
    QLabel* m_pNone = nullptr;
};
