#pragma once
// The renderer at the end of the camera's capture pipeline. It takes raw video only, 4 bytes a pixel (BGRx); it tells
// the camera window the agreed size before the first frame, and hands every frame to the window's CopyFrame on the
// streaming thread. The window must outlive the capture that calls it.

#include "platform/CameraRenderer.h"

class CWebCameraDlg;

class VRender : public CameraRendererBase {
public:
    explicit VRender(CWebCameraDlg* window = nullptr) : m_pWindow(window) {}
    ~VRender() override = default;

    void SetWindow(CWebCameraDlg* window) { m_pWindow = window; }

    bool CheckMediaType(const VideoMediaType& type) override;
    void SetMediaType(const VideoMediaType& type) override;
    void DoRenderSample(const VideoSample& sample) override;

private:
    CWebCameraDlg* m_pWindow;
};
