#include "acquire/CWebCameraDlg.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <chrono>

#include "acquire/CCameraControlsDlg.h"
#include "acquire/CCameraFormatDlg.h"
#include "acquire/CCameraPane.h"
#include "acquire/ICameraHost.h"

namespace {

// How long the interface thread waits for a copy under way to end; a copy takes milliseconds.
constexpr auto kCopyBound = std::chrono::seconds(2);

QRect ToQRect(const Rect& r) {
    return QRect(r.left, r.top, static_cast<int>(r.Width()), static_cast<int>(r.Height()));
}

const char* ButtonLabel(int id) {
    switch (id) {
        case camera::kFreeze: return "Freeze";
        case camera::kExit: return "Exit";
        case camera::kGroup: return "Camera";
        case camera::kTake: return "Take";
        case camera::kFormat: return "Format...";
        case camera::kControls: return "Controls...";
    }
    return "";
}

}  // namespace

CWebCameraDlg::CWebCameraDlg(ICameraHost& host, QWidget* parent)
    : QDialog(parent), m_host(host), m_cRenderer(this), m_cCapture(m_cRenderer) {
    setWindowTitle(tr("Web Camera"));
    setModal(false);
    CreateControls();
    m_cCapture.SetFailureListener([this](const CameraFailure& failure) {
        // On the bus thread: the report and everything after it happen on the interface thread.
        QMetaObject::invokeMethod(this, [this, failure] { CaptureFailed(failure); }, Qt::QueuedConnection);
    });
}

CWebCameraDlg::~CWebCameraDlg() {
    ReleaseGraph();
}

void CWebCameraDlg::CreateControls() {
    QFont dialogFont = font();
    dialogFont.setPixelSize(11);
    setFont(dialogFont);
    m_pBmpWnd = new CCameraPane(this);
    m_pBmpWnd->setObjectName(QStringLiteral("control1011"));
    m_pBmpWnd->setGeometry(ToQRect(camera::TemplatePane()));
    m_rcControls = camera::TemplateControls();
    for (std::size_t i = 0; i < camera::kControlOrder.size(); ++i) {
        const int id = camera::kControlOrder[i];
        QWidget* control = nullptr;
        if (id == camera::kGroup) {
            control = new QGroupBox(tr(ButtonLabel(id)), this);
            control->lower();
        } else {
            auto* button = new QPushButton(tr(ButtonLabel(id)), this);
            button->setAutoDefault(false);
            m_buttons[i] = button;
            control = button;
            switch (id) {
                case camera::kFreeze: connect(button, &QPushButton::clicked, this, &CWebCameraDlg::ToggleFreeze); break;
                case camera::kExit: connect(button, &QPushButton::clicked, this, &QDialog::close); break;
                case camera::kTake: connect(button, &QPushButton::clicked, this, &CWebCameraDlg::TakeFrame); break;
                case camera::kFormat:
                    connect(button, &QPushButton::clicked, this, &CWebCameraDlg::ShowPinProperties);
                    break;
                case camera::kControls:
                    connect(button, &QPushButton::clicked, this, &CWebCameraDlg::ShowFilterProperties);
                    break;
            }
        }
        control->setObjectName(QStringLiteral("control%1").arg(id));
        control->setGeometry(ToQRect(m_rcControls[i]));
    }
    m_pStatus = new QLabel(this);
    m_pStatus->setObjectName(QStringLiteral("status"));
    const Size size = camera::TemplateSize();
    setFixedSize(size.width, size.height);
}

QPushButton* CWebCameraDlg::Button(int id) const {
    for (std::size_t i = 0; i < camera::kControlOrder.size(); ++i) {
        if (camera::kControlOrder[i] == id) return m_buttons[i];
    }
    return nullptr;
}

void CWebCameraDlg::Message(const QString& caption, const QString& text, int icon, bool owned) {
    m_host.CameraMessage(owned ? this : nullptr, caption, text, static_cast<ICameraHost::Icon>(icon));
}

void CWebCameraDlg::ShowGraphMessage(const QString& text) {
    // At most 1023 characters, in a box without owner.
    Message(QStringLiteral("PlayCap Message"), text.left(1023), static_cast<int>(ICameraHost::Icon::Error), false);
}

QString CWebCameraDlg::ErrorTextFromCode(unsigned code, const std::string& text) {
    return QStringLiteral("Error: 0x%1\n%2").arg(code, 0, 16).arg(QString::fromStdString(text));
}

bool CWebCameraDlg::Init(const std::string& deviceName, std::int32_t* pnSizeX, std::int32_t* pnSizeY,
                         std::int64_t* pnFramePeriod) {
    m_pnSizeX = pnSizeX;
    m_pnSizeY = pnSizeY;
    m_pnFramePeriod = pnFramePeriod;
    m_strDeviceName = deviceName;
    const int error = static_cast<int>(ICameraHost::Icon::Error);
    if (m_strDeviceName.empty()) {
        Message(QStringLiteral("Error"), QStringLiteral("Camera Direct Show Source was not selected!"), error);
        return false;
    }
    const CameraFormat format = CameraCapture::FormatFor(m_strDeviceName, *m_pnSizeX, *m_pnSizeY, *m_pnFramePeriod);
    if (format.media.empty()) {
        Message(QStringLiteral("Error"),
                QStringLiteral("Camera Direct Show Source \"%1\" was not found!")
                    .arg(QString::fromStdString(m_strDeviceName)),
                error);
        return false;
    }
    if (!StartCapture(format, false)) return false;
    ReadCameraControls();
    return true;
}

bool CWebCameraDlg::StartCapture(const CameraFormat& format, bool fromPinProperties) {
    const int error = static_cast<int>(ICameraHost::Icon::Error);
    {
        std::lock_guard lock(m_copyMutex);
        m_bRunning = 1;
    }
    const CameraFailure failure = m_cCapture.Start(m_strDeviceName, format);
    if (!failure) {
        ApplyAgreedSize();
        return true;
    }
    StopCopies();
    const QString inUse = QStringLiteral("Camera is in use by another application");
    switch (failure.kind) {
        case CameraFailure::Kind::None:
            break;
        case CameraFailure::Kind::NotFound:
            Message(QStringLiteral("Error"),
                    QStringLiteral("Camera Direct Show Source \"%1\" was not found!")
                        .arg(QString::fromStdString(m_strDeviceName)),
                    error);
            break;
        case CameraFailure::Kind::NoGStreamer:
            ShowGraphMessage(QStringLiteral("Failed to get video interfaces!  hr=0x%1").arg(0x80004005u, 0, 16));
            break;
        case CameraFailure::Kind::NoConverter:
            Message(QStringLiteral("Error"), QStringLiteral("Colour space convertor was not found!"), error);
            break;
        case CameraFailure::Kind::NoSource:
            Message(QStringLiteral("Error"), QStringLiteral("Could not add Capture Filter!"), error);
            break;
        case CameraFailure::Kind::NoPipeline:
        case CameraFailure::Kind::Refused:
            if (fromPinProperties) {
                Message(QStringLiteral("Error"), QStringLiteral("m_pCapture->RenderStream"), error);
            } else {
                Message(QStringLiteral("Warning!"), inUse, static_cast<int>(ICameraHost::Icon::Warning));
            }
            break;
        case CameraFailure::Kind::Busy:
            Message(QStringLiteral("Warning!"), inUse, static_cast<int>(ICameraHost::Icon::Warning));
            break;
        case CameraFailure::Kind::Failed:
        case CameraFailure::Kind::Timeout:
            Message(QStringLiteral("Could not access camera"), ErrorTextFromCode(failure.code, failure.text), error);
            break;
    }
    return false;
}

void CWebCameraDlg::SetFrameSize(int width, int height) {
    m_cFrame.SetSize(width, height);
    // The layout and the settings record belong to the interface thread.
    QMetaObject::invokeMethod(this, &CWebCameraDlg::ApplyAgreedSize, Qt::QueuedConnection);
}

void CWebCameraDlg::ApplyAgreedSize() {
    int width = 0;
    int height = 0;
    m_cFrame.AgreedSize(width, height);
    if (width <= 0 || height <= 0) return;
    // The settings record keeps the size the device agreed to.
    if (m_pnSizeX != nullptr) *m_pnSizeX = width;
    if (m_pnSizeY != nullptr) *m_pnSizeY = height;
    if (m_laidOut != Size{width, height}) LayoutControls(width, height);
}

void CWebCameraDlg::LayoutControls(int width, int height) {
    const camera::WindowLayout layout = camera::LayoutControls(width, height, m_rcControls);
    m_pBmpWnd->setGeometry(ToQRect(layout.pane));
    for (std::size_t i = 0; i < camera::kControlOrder.size(); ++i) {
        QWidget* control = findChild<QWidget*>(QStringLiteral("control%1").arg(camera::kControlOrder[i]));
        if (control != nullptr) control->setGeometry(ToQRect(layout.controls[i]));
    }
    m_pStatus->setGeometry(ToQRect(layout.status));
    setFixedSize(layout.window.width, layout.window.height);
    if (QWidget* owner = parentWidget()) {
        move(owner->geometry().center() - rect().center());
    }
    m_laidOut = Size{width, height};
    update();
}

void CWebCameraDlg::CopyFrame(const VideoSample& sample) {
    ++m_nSamples;
    {
        std::lock_guard lock(m_copyMutex);
        if (m_bRunning == 0 || m_bFrozen != 0) return;
        m_bCopying = 1;
    }
    if (m_cFrame.Copy(sample)) {
        QMetaObject::invokeMethod(this, &CWebCameraDlg::ShowLatestFrame, Qt::QueuedConnection);
    }
    {
        std::lock_guard lock(m_copyMutex);
        m_bCopying = 0;
    }
    m_copyDone.notify_all();
}

void CWebCameraDlg::ShowLatestFrame() {
    if (!m_cFrame.Latch()) return;
    const CameraFrame& frame = m_cFrame.Front();
    // The pane wraps the front frame's bytes; they stay as they are until the next Latch.
    m_pBmpWnd->SetFrame(QImage(frame.bytes.data(), frame.width, frame.height, frame.width * 4, QImage::Format_RGB32));
}

bool CWebCameraDlg::StopCopies() {
    std::unique_lock lock(m_copyMutex);
    m_bRunning = 0;
    return m_copyDone.wait_for(lock, kCopyBound, [this] { return m_bCopying == 0; });
}

void CWebCameraDlg::ToggleFreeze() {
    m_bFrozen = m_bFrozen != 0 ? 0 : 1;
    if (QPushButton* button = Button(camera::kFreeze)) {
        button->setText(m_bFrozen != 0 ? tr("UnFreeze") : tr("Freeze"));
    }
}

void CWebCameraDlg::TakeFrame() {
    StopCopies();
    // The last frame copied becomes the front frame, if the pane has not shown it yet.
    m_cFrame.Latch();
    BMP_File picture;
    if (FrameToPicture(m_cFrame.Front(), picture)) {
        m_host.ShowAcquiredImage(picture.Width(), picture.Height(), picture.Data());
    }
    close();
}

void CWebCameraDlg::CaptureFailed(const CameraFailure& failure) {
    if (m_bRunning == 0) return;
    StopCopies();
    // The newest frame stays shown, and Take hands it over.
    ShowLatestFrame();
    Message(QStringLiteral("Could not access camera"), ErrorTextFromCode(failure.code, failure.text),
            static_cast<int>(ICameraHost::Icon::Error));
}

void CWebCameraDlg::ShowPinProperties() {
    if (m_bRunning == 0) return;
    StopCopies();
    m_pBmpWnd->SetFrame(QImage());
    const std::vector<CameraFormat> offered = m_cCapture.OfferedFormats();
    CameraFormat format = m_cCapture.RequestedFormat();
    m_cCapture.Stop();
    CCameraFormatDlg dialog(offered, format, this);
    if (m_host.RunCameraDialog(dialog) == QDialog::Accepted) format = dialog.Chosen();
    m_nAgreedPeriod = 0;
    if (StartCapture(format, true) && m_pnFramePeriod != nullptr) {
        const std::int64_t period = m_nAgreedPeriod != 0 ? m_nAgreedPeriod.load() : format.FramePeriod();
        if (period > 0) *m_pnFramePeriod = period;
    }
}

void CWebCameraDlg::ShowFilterProperties() {
    V4l2Controls controls;
    static_cast<void>(controls.Open(m_cCapture.DevicePath()));  // a device without a node offers no settings
    CCameraControlsDlg dialog(controls, this);
    m_host.RunCameraDialog(dialog);
    ReadCameraControls();
}

void CWebCameraDlg::ReadCameraControls() {
    V4l2Controls device;
    if (!device.Open(m_cCapture.DevicePath())) return;
    // A device with none of pan, tilt and zoom has no camera controls: the line stays as it is.
    std::int32_t probe = 0;
    if (!device.Get(PanControlId(), probe) && !device.Get(TiltControlId(), probe) &&
        !device.Get(ZoomControlId(), probe)) {
        return;
    }
    // Pan, tilt and zoom in this order, up to the first the device does not answer; V4L2 has no automatic mode
    // for them.
    m_cControls.panAuto = m_cControls.tiltAuto = m_cControls.zoomAuto = 0;
    if (device.Get(PanControlId(), m_cControls.pan) && device.Get(TiltControlId(), m_cControls.tilt)) {
        static_cast<void>(device.Get(ZoomControlId(), m_cControls.zoom));
    }
    m_pStatus->setText(QString::fromStdString(CameraControlsText(m_cControls)));
}

void CWebCameraDlg::ReleaseGraph() {
    m_bFrozen = 0;
    StopCopies();
    m_cCapture.Stop();
}

void CWebCameraDlg::closeEvent(QCloseEvent* event) {
    ReleaseGraph();
    QDialog::closeEvent(event);
}

void CWebCameraDlg::done(int result) {
    ReleaseGraph();
    QDialog::done(result);
}
