#include "acquire/CameraFrameBuffer.h"

#include <cstring>

void CameraFrameBuffer::SetSize(int width, int height) {
    std::lock_guard lock(m_mutex);
    m_nWidth = width;
    m_nHeight = height;
}

void CameraFrameBuffer::AgreedSize(int& width, int& height) const {
    std::lock_guard lock(m_mutex);
    width = m_nWidth;
    height = m_nHeight;
}

bool CameraFrameBuffer::Copy(const VideoSample& sample) {
    int width = 0;
    int height = 0;
    {
        std::lock_guard lock(m_mutex);
        width = m_nWidth;
        height = m_nHeight;
    }
    if (!SampleFits(sample) || sample.width != width || sample.height != height) return false;
    const auto rowBytes = static_cast<std::size_t>(width) * 4;
    m_back.width = width;
    m_back.height = height;
    m_back.bytes.resize(rowBytes * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        std::memcpy(m_back.bytes.data() + rowBytes * static_cast<std::size_t>(y),
                    sample.data + static_cast<std::size_t>(sample.stride) * static_cast<std::size_t>(y), rowBytes);
    }
    std::lock_guard lock(m_mutex);
    m_back.sequence = ++m_nCopied;
    std::swap(m_back, m_ready);
    const bool notify = !m_bNoticePending;
    m_bNoticePending = true;
    return notify;
}

bool CameraFrameBuffer::Latch() {
    std::lock_guard lock(m_mutex);
    m_bNoticePending = false;
    if (m_ready.sequence <= m_front.sequence) return false;
    std::swap(m_ready, m_front);
    return true;
}

std::uint64_t CameraFrameBuffer::Copied() const {
    std::lock_guard lock(m_mutex);
    return m_nCopied;
}

bool FrameToPicture(const CameraFrame& frame, BMP_File& picture) {
    const std::size_t pixels = static_cast<std::size_t>(frame.width) * static_cast<std::size_t>(frame.height);
    if (frame.width <= 0 || frame.height <= 0 || frame.bytes.size() != pixels * 4) return false;
    BMP_File converted;
    if (!converted.Reshape(frame.width, frame.height)) return false;
    const std::uint8_t* source = frame.bytes.data();
    Pixel* target = converted.Data();
    for (std::size_t i = 0; i < pixels; ++i, source += 4) target[i] = Pixel{source[2], source[1], source[0]};
    picture.Swap(converted);
    return true;
}
