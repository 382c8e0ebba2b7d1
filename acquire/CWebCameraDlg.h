#pragma once
// The camera window: a modeless window beside the main window that shows the live picture of the chosen camera, lets
// the user freeze it, change the capture format (Format...) and the camera's own settings (Controls...), and take the
// current frame, which goes to the main window's pipeline (ICameraHost::ShowAcquiredImage); taking closes the window.
//
// Threads. Frames arrive on GStreamer's streaming thread (VRender → CopyFrame) and are copied there into the frame
// buffer, only while m_bRunning is 1 and m_bFrozen is 0; m_bCopying is 1 for the whole copy. The copy posts a notice
// to the interface thread, which shows the newest frame (CameraFrameBuffer: the latest frame wins, notices never pile
// up). Before the interface thread reads the frame (Take) or tears the pipeline down (close, Format...), it clears
// m_bRunning and waits until no copy runs (bounded), under the same lock the copy checks the flags with; stopping the
// pipeline then waits for the streaming thread. A camera that fails while running (unplugged) is reported once; the
// window keeps the last frame, Take still hands it over, and it shows no more frames.
//
// Every message goes through the host, with the texts and captions below; a failed Init leaves no pipeline.

#include <QDialog>
#include <QString>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

#include "acquire/CameraControlsText.h"
#include "acquire/CameraFrameBuffer.h"
#include "acquire/CameraLayout.h"
#include "acquire/VRender.h"
#include "platform/CameraCapture.h"
#include "platform/V4l2Controls.h"

class CCameraPane;
class ICameraHost;
class QLabel;
class QPushButton;

class CWebCameraDlg : public QDialog {
    Q_OBJECT

public:
    CWebCameraDlg(ICameraHost& host, QWidget* parent = nullptr);
    ~CWebCameraDlg() override;

    // Opens deviceName at the stored size and period (pointers into the settings record, which outlives the window)
    // and starts the live picture. False after any failure, whose message has been shown.
    bool Init(const std::string& deviceName, std::int32_t* pnSizeX, std::int32_t* pnSizeY,
              std::int64_t* pnFramePeriod);

    // Called by the renderer on the streaming thread.
    void SetFrameSize(int width, int height);
    void SetFramePeriod(std::int64_t period) { m_nAgreedPeriod = period; }
    void CopyFrame(const VideoSample& sample);

    // Commands.
    void ToggleFreeze();
    void TakeFrame();
    void ShowPinProperties();
    void ShowFilterProperties();
    void ReadCameraControls();

    bool IsRunning() const { return m_bRunning != 0; }
    bool IsFrozen() const { return m_bFrozen != 0; }
    const std::string& DeviceName() const { return m_strDeviceName; }
    // The frame shown (and handed over by Take), the samples the renderer delivered, the pane and the controls.
    const CameraFrame& ShownFrame() const { return m_cFrame.Front(); }
    std::uint64_t CopiedFrames() const { return m_cFrame.Copied(); }
    std::uint64_t DeliveredSamples() const { return m_nSamples; }
    CCameraPane& Pane() const { return *m_pBmpWnd; }
    QPushButton* Button(int id) const;
    QLabel& StatusLine() const { return *m_pStatus; }
    const CameraCapture& Capture() const { return m_cCapture; }

    // "Error: 0x<code>\n<text>": a failure's code and cause as the window shows them.
    static QString ErrorTextFromCode(unsigned code, const std::string& text);

protected:
    void closeEvent(QCloseEvent* event) override;
    void done(int result) override;

private:
    void CreateControls();
    void LayoutControls(int width, int height);
    void ApplyAgreedSize();
    void ShowLatestFrame();
    void CaptureFailed(const CameraFailure& failure);
    // Starts the capture with format; reports a failure (renderStream: the text Format... uses when no format can
    // be shown) and returns whether it runs.
    bool StartCapture(const CameraFormat& format, bool fromPinProperties);
    // Clears m_bRunning and waits until no copy runs; false when a copy did not end within the bound.
    bool StopCopies();
    void ReleaseGraph();
    void Message(const QString& caption, const QString& text, int icon, bool owned = true);
    void ShowGraphMessage(const QString& text);

    ICameraHost& m_host;
    std::string m_strDeviceName;
    std::int32_t* m_pnSizeX = nullptr;
    std::int32_t* m_pnSizeY = nullptr;
    std::int64_t* m_pnFramePeriod = nullptr;

    // Shared with the streaming thread.
    std::mutex m_copyMutex;
    std::condition_variable m_copyDone;
    std::atomic<int> m_bRunning{0};
    std::atomic<int> m_bFrozen{0};
    std::atomic<int> m_bCopying{0};
    std::atomic<std::uint64_t> m_nSamples{0};
    std::atomic<std::int64_t> m_nAgreedPeriod{0};
    CameraFrameBuffer m_cFrame;

    VRender m_cRenderer;
    CameraCapture m_cCapture;

    CCameraPane* m_pBmpWnd = nullptr;
    QLabel* m_pStatus = nullptr;
    std::array<QPushButton*, 6> m_buttons{};
    std::array<Rect, 6> m_rcControls{};
    Size m_laidOut;
    CameraControlValues m_cControls;
};
