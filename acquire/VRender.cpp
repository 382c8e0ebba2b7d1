#include "acquire/VRender.h"

#include "acquire/CWebCameraDlg.h"

bool VRender::CheckMediaType(const VideoMediaType& type) {
    // Uncompressed video in the one layout the window copies; the converter offers it.
    return type.media == "video/x-raw" && type.format == "BGRx" && type.width > 0 && type.height > 0;
}

void VRender::SetMediaType(const VideoMediaType& type) {
    if (m_pWindow == nullptr) return;
    m_pWindow->SetFramePeriod(type.framePeriod);
    m_pWindow->SetFrameSize(type.width, type.height);
}

void VRender::DoRenderSample(const VideoSample& sample) {
    if (m_pWindow != nullptr) m_pWindow->CopyFrame(sample);
}
