#include "panes/CPaneModel.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>

namespace {

using Wide = std::int64_t;

// Distance of the trackers from the client edges, and the widening of a pushed rectangle.
constexpr Wide kInset = 5;
constexpr int kTrackerCount = 4;

// Style of every pane tracker: hatched border with resize handles inside and outside (28).
constexpr int kPaneTrackerStyle = CTracker::kHatchedBorder | CTracker::kResizeInside | CTracker::kResizeOutside;

// The four trackers in the order crop, light 1, 2, 3, with their shown flags and relative rectangles.
constexpr CTracker CPaneModel::*kTrackers[kTrackerCount] = {&CPaneModel::m_cRectTracker, &CPaneModel::m_cLightTracker1,
                                                            &CPaneModel::m_cLightTracker2,
                                                            &CPaneModel::m_cLightTracker3};
constexpr std::int32_t CPaneModel::*kShown[kTrackerCount] = {&CPaneModel::m_bCrop, &CPaneModel::m_bLight1,
                                                             &CPaneModel::m_bLight2, &CPaneModel::m_bLight3};
constexpr RelativeRect CPaneModel::*kRelative[kTrackerCount] = {&CPaneModel::m_rcRelCrop, &CPaneModel::m_rcRelLight1,
                                                                &CPaneModel::m_rcRelLight2, &CPaneModel::m_rcRelLight3};

int ValidIndex(int index) {
    assert(index >= 0 && index < kTrackerCount);
    return std::clamp(index, 0, kTrackerCount - 1);
}

// Truncation toward zero of any float: NaN gives 0, values beyond the 32-bit range give its limits.
std::int32_t TruncateToInt32(float value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483648.0f) return std::numeric_limits<std::int32_t>::max();
    if (value <= -2147483648.0f) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

// coordinate ÷ extent as a float; an extent of 0 or less measures nothing and keeps the previous fraction.
float Fraction(std::int32_t coordinate, Wide extent, float previous) {
    if (extent <= 0) return previous;
    return static_cast<float>(static_cast<double>(coordinate) / static_cast<double>(extent));
}

// fraction × extent, both in single precision, truncated toward zero.
std::int32_t Scaled(float fraction, Wide extent) {
    const float product = fraction * static_cast<float>(extent);
    return TruncateToInt32(product);
}

Rect Widened(const Rect& rect) {
    return Rect{SaturateToInt32(rect.left - kInset), SaturateToInt32(rect.top - kInset),
                SaturateToInt32(rect.right + kInset), SaturateToInt32(rect.bottom + kInset)};
}

}  // namespace

CTracker& CPaneModel::Tracker(int index) {
    return this->*kTrackers[ValidIndex(index)];
}

std::int32_t& CPaneModel::Shown(int index) {
    return this->*kShown[ValidIndex(index)];
}

RelativeRect& CPaneModel::Relative(int index) {
    return this->*kRelative[ValidIndex(index)];
}

void CPaneModel::Attach(IPaneOwner* owner, Size client, Rect* lightTarget1, Rect* lightTarget2, Rect* lightTarget3) {
    m_pOwner = owner;
    m_client = client;
    for (int i = 0; i < kTrackerCount; ++i) {
        CTracker& tracker = Tracker(i);
        tracker.m_nStyle = kPaneTrackerStyle;
        tracker.m_sizeMin = Size{8, 8};
        tracker.m_nHandleSize = 5;
        tracker.m_pOwner = this;
        tracker.m_rect = Rect{static_cast<std::int32_t>(kInset), static_cast<std::int32_t>(kInset),
                              SaturateToInt32(client.width - kInset), SaturateToInt32(client.height - kInset)};
        tracker.m_nMaxWidth = SaturateToInt32(client.width - 2 * kInset);
        tracker.m_nMaxHeight = SaturateToInt32(client.height - 2 * kInset);
    }
    RecomputeRelativeRects();
    m_pLightTarget[0] = lightTarget1;
    m_pLightTarget[1] = lightTarget2;
    m_pLightTarget[2] = lightTarget3;
}

void CPaneModel::ApplyTrackers() {
    if (m_pOwner == nullptr) return;
    for (int i = 0; i < kTrackerCount; ++i) {
        if (Shown(i) == 0) continue;
        const Rect pushed = Widened(Tracker(i).m_rect);
        if (i == 0) {
            m_pOwner->CropRectangle() = pushed;
        } else if (m_pLightTarget[i - 1] != nullptr) {
            *m_pLightTarget[i - 1] = pushed;
        }
        m_pOwner->ProcessImage(true);
        m_pOwner->RepaintPane(*this);
    }
}

void CPaneModel::RemapTrackers() {
    const Wide usableWidth = Wide{m_client.width} - kInset;
    const Wide usableHeight = Wide{m_client.height} - kInset;
    for (int i = 0; i < kTrackerCount; ++i) {
        const RelativeRect& relative = Relative(i);
        CTracker& tracker = Tracker(i);
        tracker.m_rect = Rect{Scaled(relative.left, usableWidth), Scaled(relative.top, usableHeight),
                              Scaled(relative.right, usableWidth), Scaled(relative.bottom, usableHeight)};
        tracker.m_nMaxWidth = SaturateToInt32(m_client.width - 2 * kInset);
        tracker.m_nMaxHeight = SaturateToInt32(m_client.height - 2 * kInset);
    }
    ApplyTrackers();
    // The light rectangles are handed over as the trackers hold them, without the widening of ApplyTrackers.
    if (m_pOwner == nullptr) return;
    for (int light = 0; light < 3; ++light) {
        if (m_pLightTarget[light] != nullptr) *m_pLightTarget[light] = Tracker(light + 1).m_rect;
    }
}

void CPaneModel::EnableLightTrackers() {
    if (m_pOwner != nullptr) {
        for (int light = 0; light < 3; ++light) {
            if (m_pOwner->LightEditSwitch(light)) Shown(light + 1) = 1;
        }
    }
    ApplyTrackers();
}

void CPaneModel::SetClientSize(Size client) {
    if (client.width <= 0 || client.height <= 0) return;
    m_client = client;
    RemapTrackers();
}

CTracker* CPaneModel::PressAt(Point p) {
    for (int i = 0; i < kTrackerCount; ++i) {
        if (Shown(i) == 0) continue;
        CTracker& tracker = Tracker(i);
        const TrackerHit hit = tracker.HitTest(p);
        if (hit != hitNothing) {
            tracker.BeginDrag(hit, p);
            return &tracker;
        }
    }
    RecomputeRelativeRects();
    return nullptr;
}

bool CPaneModel::ReleaseDrag(CTracker& tracker) {
    const bool changed = tracker.EndDrag();
    RecomputeRelativeRects();
    return changed;
}

void CPaneModel::RecomputeRelativeRects() {
    const Wide usableWidth = Wide{m_client.width} - kInset;
    const Wide usableHeight = Wide{m_client.height} - kInset;
    for (int i = 0; i < kTrackerCount; ++i) {
        const Rect& rect = Tracker(i).m_rect;
        RelativeRect& relative = Relative(i);
        relative.top = Fraction(rect.top, usableHeight, relative.top);
        relative.left = Fraction(rect.left, usableWidth, relative.left);
        relative.bottom = Fraction(rect.bottom, usableHeight, relative.bottom);
        relative.right = Fraction(rect.right, usableWidth, relative.right);
    }
}

TrackerHit CPaneModel::CursorHit(Point p) const {
    TrackerHit hit = m_bCrop != 0 ? m_cRectTracker.HitTest(p) : hitNothing;
    for (int i = 1; i < kTrackerCount; ++i) {
        if (this->*kShown[i] != 0) hit = (this->*kTrackers[i]).HitTest(p);
    }
    return hit;
}
