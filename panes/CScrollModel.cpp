#include "panes/CScrollModel.h"

#include <algorithm>

namespace {

using Wide = std::int64_t;

std::int32_t RawRange(std::int32_t content, std::int32_t client, std::int32_t unit) {
    // C++ division truncates toward zero, as the range needs; in 64 bits so that no difference overflows.
    return SaturateToInt32((Wide{content} - client) / unit);
}

// Steps 2 and 3 of a resize on one axis; the position was set back to 0 before.
void Recompute(ScrollAxis& axis, std::int32_t rawRange) {
    axis.rawRange = rawRange;
    axis.maximum = std::max(rawRange, 0);
    axis.position = 0;
    if (axis.maximum <= 0) axis.fraction = 0;
    // Step 4: back to the same relative place.
    axis.position = static_cast<std::int32_t>(axis.fraction * static_cast<float>(axis.maximum));
    axis.position = std::clamp(axis.position, 0, axis.maximum);
}

}  // namespace

void CScrollModel::Init(Size content) {
    m_content = content;
    m_horizontal = ScrollAxis{};
    m_vertical = ScrollAxis{};
}

ScrollLayout CScrollModel::Resize(Size outer, std::int32_t barWidth, std::int32_t barHeight, bool maximised) {
    // Showing a bar only takes room from the client, so bars are added until nothing more is needed (at most twice).
    ScrollLayout layout;
    std::int32_t rawX = 0;
    std::int32_t rawY = 0;
    for (int round = 0; round < 3; ++round) {
        layout.client = Size{SaturateToInt32(Wide{outer.width} - (layout.verticalBar ? barWidth : 0)),
                             SaturateToInt32(Wide{outer.height} - (layout.horizontalBar ? barHeight : 0))};
        rawX = RawRange(m_content.width, layout.client.width, kUnitX);
        rawY = RawRange(m_content.height, layout.client.height, kUnitY);
        const bool needX = rawX > 0 || layout.horizontalBar;
        const bool needY = rawY > 0 || layout.verticalBar;
        if (needX == layout.horizontalBar && needY == layout.verticalBar) break;
        layout.horizontalBar = needX;
        layout.verticalBar = needY;
    }
    layout.sizeBox = rawX <= 0 && rawY <= 0 && !maximised;
    Recompute(m_horizontal, rawX);
    Recompute(m_vertical, rawY);
    return layout;
}

std::int32_t CScrollModel::Scroll(ScrollAxisId axisId, ScrollRequest request, std::int32_t thumb) {
    const bool horizontal = axisId == ScrollAxisId::Horizontal;
    ScrollAxis& axis = horizontal ? m_horizontal : m_vertical;
    Wide step = 0;
    switch (request) {
        case ScrollRequest::LineBack:
            step = -1;
            break;
        case ScrollRequest::LineForward:
            step = 1;
            break;
        case ScrollRequest::PageBack:
            step = horizontal ? -8 : (axis.rawRange >= 1 ? -Wide{axis.rawRange} : -1);
            break;
        case ScrollRequest::PageForward:
            step = horizontal ? 8 : (axis.rawRange > 0 ? Wide{axis.rawRange} : 1);
            break;
        case ScrollRequest::Thumb:
            step = Wide{thumb} - axis.position;
            break;
        case ScrollRequest::ToStart:
            step = -Wide{axis.position};
            break;
        case ScrollRequest::ToEnd:
            step = Wide{axis.maximum} - axis.position;
            break;
        case ScrollRequest::Other:
            break;
    }
    step = std::clamp<Wide>(step, -Wide{axis.position}, Wide{axis.maximum} - axis.position);
    axis.position = static_cast<std::int32_t>(axis.position + step);
    // A request can come while there is nothing to scroll (the mouse wheel over a view that shows everything).
    axis.fraction = axis.maximum > 0 ? static_cast<float>(axis.position) / static_cast<float>(axis.maximum) : 0.0f;
    return static_cast<std::int32_t>(step);
}

Point CScrollModel::Offset() const {
    return Point{SaturateToInt32(Wide{m_horizontal.position} * kUnitX),
                 SaturateToInt32(Wide{m_vertical.position} * kUnitY)};
}
