#pragma once
// The camera window's frame buffer: the latest frame, kept as the camera delivers it (top-down, BGRx, 4 bytes a
// pixel, rows packed at width × 4 bytes), handed from the streaming thread to the interface thread with the newest
// frame winning. Three frames rotate so that neither thread waits for the other's copy or paint:
// - the streaming thread copies a sample into its back frame, then (under a short lock) swaps it with the ready frame;
//   Copy says whether the interface thread is to be told (it is not when a notice is already on its way, so notices
//   never pile up: a frame that comes before the last one was shown replaces it);
// - the interface thread's Latch swaps the ready frame into its front frame when a newer one is there; the front
//   frame is what the pane shows and what Take hands over, and only the interface thread touches it.
// Copy refuses a sample whose size differs from the agreed one (SetSize) or that does not fit (SampleFits).

#include <cstdint>
#include <mutex>
#include <vector>

#include "imaging/BMP_File.h"
#include "platform/CameraRenderer.h"

struct CameraFrame {
    int width = 0;
    int height = 0;
    std::uint64_t sequence = 0;       // 1 for the first frame copied, then counting; 0 for none
    std::vector<std::uint8_t> bytes;  // width × height × 4, BGRx, top row first
};

class CameraFrameBuffer {
public:
    // The size the renderer agreed; frames of another size are refused from now on.
    void SetSize(int width, int height);
    void AgreedSize(int& width, int& height) const;
    // Streaming thread. True when the copied frame needs a notice to the interface thread.
    bool Copy(const VideoSample& sample);
    // Interface thread. True when a newer frame became the front frame; a notice may now be sent again.
    bool Latch();
    const CameraFrame& Front() const { return m_front; }
    std::uint64_t Copied() const;

private:
    mutable std::mutex m_mutex;
    int m_nWidth = 0;
    int m_nHeight = 0;
    std::uint64_t m_nCopied = 0;
    bool m_bNoticePending = false;
    CameraFrame m_back;   // streaming thread only
    CameraFrame m_ready;  // under m_mutex
    CameraFrame m_front;  // interface thread only
};

// A frame as a picture: top-down BGRx to top-down red-green-blue. False (picture unchanged) for an empty frame or
// one whose bytes do not match its size.
bool FrameToPicture(const CameraFrame& frame, BMP_File& picture);
