#pragma once
// The scrolling arithmetic of CScrollDialog, without a window: content larger than the view is scrolled in units of
// 8 pixels horizontally and 4 pixels vertically, and the view keeps its relative place (a fraction of the range on
// each axis) when it is resized.
//
// Per axis, with the content extent recorded by Init and the client extent (the view less the scroll bars shown):
// - raw range = (content − client) ÷ unit, truncated toward zero; negative when the client is larger;
// - maximum = max(raw range, 0); a scroll bar is shown exactly when its maximum is above 0;
// - position 0 .. maximum, in units; the content is shown moved left (up) by position × unit pixels;
// - fraction = position ÷ maximum, as a 32-bit float; 0 while the maximum is 0.
// The size box (CGripper) is shown only while both raw ranges are 0 or less and the window is not maximised.

#include <cstdint>

#include "imaging/Rect.h"
#include "panes/CTracker.h"  // Point

// What a scroll bar asks for.
enum class ScrollRequest {
    LineBack,     // line left / up
    LineForward,  // line right / down
    PageBack,     // page left / up
    PageForward,  // page right / down
    Thumb,        // the thumb dragged to a position
    ToStart,
    ToEnd,
    Other,  // anything else, the thumb's release included: no step
};

enum class ScrollAxisId { Horizontal, Vertical };

struct ScrollAxis {
    std::int32_t rawRange = 0;
    std::int32_t maximum = 0;
    std::int32_t position = 0;
    float fraction = 0;
};

// Which scroll bars a view of a given outer size shows, and the client area left for the content.
struct ScrollLayout {
    Size client;
    bool horizontalBar = false;
    bool verticalBar = false;
    bool sizeBox = false;
};

class CScrollModel {
public:
    static constexpr std::int32_t kUnitX = 8;
    static constexpr std::int32_t kUnitY = 4;

    // Records the content extent (the view's client size at initialisation); positions and fractions start at 0.
    void Init(Size content);
    Size Content() const { return m_content; }

    // The view's outer size changed. Works out which bars are shown (a bar takes barWidth pixels from the client
    // width, a horizontal one barHeight from the height; showing one may call for the other), then, in this order:
    // positions back to 0; raw ranges and maxima for the new client; a fraction becomes 0 on an axis whose maximum is
    // 0; position = fraction × maximum, truncated toward zero. So the view returns to the same relative place.
    ScrollLayout Resize(Size outer, std::int32_t barWidth, std::int32_t barHeight, bool maximised);

    // A scroll request on one axis; thumb is the thumb's position for ScrollRequest::Thumb. The step, in units:
    //   line ∓1; page ∓8 horizontally, vertically ∓(raw range) when that is at least 1 (else ∓1); thumb p − position;
    //   to the start −position; to the end maximum − position; anything else 0;
    // clamped to −position .. maximum − position, then added to the position. The fraction becomes position ÷
    // maximum (0 when the maximum is 0). Returns the step taken.
    std::int32_t Scroll(ScrollAxisId axis, ScrollRequest request, std::int32_t thumb = 0);

    const ScrollAxis& Horizontal() const { return m_horizontal; }
    const ScrollAxis& Vertical() const { return m_vertical; }

    // How far the content is moved left and up, in pixels: (horizontal position × 8, vertical position × 4).
    Point Offset() const;

private:
    Size m_content;
    ScrollAxis m_horizontal;
    ScrollAxis m_vertical;
};
