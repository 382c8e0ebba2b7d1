// CTracker without a window: hit test geometry, the drag of every handle, and AdjustRect's band and minimum size.

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "panes/CTracker.h"
#include "tests/panes/RectPrinting.h"

namespace {

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr int kStyle28 = CTracker::kHatchedBorder | CTracker::kResizeInside | CTracker::kResizeOutside;

// A tracker as a 200 × 150 pane sets it up, without an owner.
CTracker PaneTracker(Rect rect, std::int32_t maxWidth = 190, std::int32_t maxHeight = 140) {
    CTracker tracker;
    tracker.m_rect = rect;
    tracker.m_nStyle = kStyle28;
    tracker.m_nMaxWidth = maxWidth;
    tracker.m_nMaxHeight = maxHeight;
    return tracker;
}

template <typename Row>
std::string RowName(const ::testing::TestParamInfo<Row>& info) {
    return info.param.name;
}

// Failure messages name a table row instead of dumping its bytes.
template <typename Row>
requires requires(const Row& row) {
    row.name;
}
void PrintTo(const Row& row, std::ostream* os) {
    *os << row.name;
}

// The rectangle (50, 40, 150, 120): last column 149, last row 119, edge middles x 99 and y 79; handles cover ±2.
struct HitRow {
    const char* name;
    int style;
    Point p;
    TrackerHit hit;
};

class TrackerHitTest : public ::testing::TestWithParam<HitRow> {};

TEST_P(TrackerHitTest, GivesTheCodeOfThePoint) {
    CTracker tracker = PaneTracker({50, 40, 150, 120});
    tracker.m_nStyle = GetParam().style;
    EXPECT_EQ(tracker.HitTest(GetParam().p), GetParam().hit);
    // A rectangle stored inside out is hit as its ordered form.
    tracker.m_rect = {150, 120, 50, 40};
    EXPECT_EQ(tracker.HitTest(GetParam().p), GetParam().hit);
}

INSTANTIATE_TEST_SUITE_P(
    Style28AndOthers, TrackerHitTest,
    ::testing::Values(HitRow{"top_left_corner", kStyle28, {50, 40}, hitTopLeft},
                      HitRow{"top_left_outer_pixel", kStyle28, {48, 38}, hitTopLeft},
                      HitRow{"top_left_inner_pixel", kStyle28, {52, 42}, hitTopLeft},
                      HitRow{"just_past_top_left_handle", kStyle28, {53, 43}, hitMiddle},
                      HitRow{"top_right_corner", kStyle28, {149, 40}, hitTopRight},
                      HitRow{"top_right_outer_pixel", kStyle28, {151, 38}, hitTopRight},
                      HitRow{"bottom_right_corner", kStyle28, {149, 119}, hitBottomRight},
                      HitRow{"bottom_right_outer_pixel", kStyle28, {151, 121}, hitBottomRight},
                      HitRow{"bottom_left_corner", kStyle28, {50, 119}, hitBottomLeft},
                      HitRow{"top_edge_middle", kStyle28, {99, 40}, hitTop},
                      HitRow{"top_edge_handle_end", kStyle28, {101, 38}, hitTop},
                      HitRow{"top_edge_beside_handle", kStyle28, {102, 40}, hitMiddle},
                      HitRow{"right_edge_middle", kStyle28, {149, 79}, hitRight},
                      HitRow{"bottom_edge_middle", kStyle28, {99, 119}, hitBottom},
                      HitRow{"left_edge_middle", kStyle28, {50, 79}, hitLeft},
                      HitRow{"left_edge_handle_outer_pixel", kStyle28, {48, 77}, hitLeft},
                      HitRow{"inside", kStyle28, {100, 80}, hitMiddle},
                      HitRow{"hatched_band_above", kStyle28, {70, 38}, hitMiddle},
                      HitRow{"hatched_band_right", kStyle28, {151, 60}, hitMiddle},
                      HitRow{"above_the_band", kStyle28, {70, 37}, hitNothing},
                      HitRow{"right_of_the_band", kStyle28, {152, 60}, hitNothing},
                      HitRow{"far_away", kStyle28, {0, 0}, hitNothing},
                      HitRow{"no_handles_corner_is_inside", CTracker::kHatchedBorder, {50, 40}, hitMiddle},
                      HitRow{"no_handles_band_is_inside", CTracker::kHatchedBorder, {48, 38}, hitMiddle},
                      HitRow{"no_band_handle_still_hit", CTracker::kResizeOutside, {48, 38}, hitTopLeft},
                      HitRow{"no_band_band_is_outside", CTracker::kResizeOutside, {70, 38}, hitNothing},
                      HitRow{"plain_style_only_the_rectangle", 0, {49, 40}, hitNothing}),
    RowName<HitRow>);

// Drawing and hit testing agree: every handle is a 5 × 5 square inside BorderRect, its pixels hit it when handles do
// not overlap, and any rectangle, extreme ones included, is safe to measure.
TEST(TrackerGeometry, HandlesAndBorderAgreeWithTheHitTest) {
    const Rect rects[] = {{50, 40, 150, 120},
                          {10, 10, 18, 18},
                          {30, 30, 30, 30},
                          {kMin, kMin, kMax, kMax},
                          {kMax - 1, kMax - 1, kMax, kMax}};
    for (const Rect& rect : rects) {
        SCOPED_TRACE(::testing::PrintToString(rect));
        const CTracker tracker = PaneTracker(rect);
        const Rect border = tracker.BorderRect();
        for (const TrackerHit handle : kTrackerHandles) {
            const Rect square = tracker.HandleRect(handle);
            EXPECT_GE(square.left, border.left);
            EXPECT_GE(square.top, border.top);
            EXPECT_LE(square.right, border.right);
            EXPECT_LE(square.bottom, border.bottom);
            if (rect.Width() > 20) {
                EXPECT_EQ(tracker.HitTest({square.left, square.top}), handle);
            }
            if (rect.left > kMin + 10 && rect.right < kMax - 10) {  // saturated at the 32-bit limits otherwise
                EXPECT_EQ(square.Width(), 5);
                EXPECT_EQ(square.Height(), 5);
            }
        }
        EXPECT_EQ(tracker.HandleRect(hitMiddle), Rect{});
    }
    const CTracker large = PaneTracker({50, 40, 150, 120});
    EXPECT_EQ(large.BorderRect(), (Rect{48, 38, 152, 122}));
    for (const TrackerHit handle : kTrackerHandles) {
        const Rect square = large.HandleRect(handle);
        for (std::int32_t y = square.top; y < square.bottom; ++y) {
            for (std::int32_t x = square.left; x < square.right; ++x) EXPECT_EQ(large.HitTest({x, y}), handle);
        }
    }
    EXPECT_EQ(PaneTracker({kMin, kMin, kMax, kMax}).HitTest({kMin, kMin}), hitTopLeft);
    EXPECT_EQ(PaneTracker({kMin, kMin, kMax, kMax}).HitTest({0, 0}), hitMiddle);
}

// Drags of the rectangle (50, 40, 150, 120) in a 200 × 150 pane (maximum 190 × 140, band 5 .. 195 and 5 .. 145).
struct DragRow {
    const char* name;
    Rect start;
    TrackerHit hit;
    Point press;
    std::vector<Point> moves;
    Rect expected;
    bool changed;
};

class TrackerDrag : public ::testing::TestWithParam<DragRow> {};

TEST_P(TrackerDrag, FollowsThePointerWithinTheBand) {
    const DragRow& row = GetParam();
    CTracker tracker = PaneTracker(row.start);
    tracker.BeginDrag(row.hit, row.press);
    EXPECT_TRUE(tracker.IsDragging());
    for (const Point& p : row.moves) tracker.DragTo(p);
    EXPECT_EQ(tracker.m_rect, row.expected);
    if (!row.moves.empty()) {
        EXPECT_EQ(tracker.m_rcLastAdjusted, row.expected);
    }
    EXPECT_EQ(tracker.EndDrag(), row.changed);
    EXPECT_FALSE(tracker.IsDragging());
    EXPECT_FALSE(tracker.EndDrag());
}

const Rect kStart{50, 40, 150, 120};

INSTANTIATE_TEST_SUITE_P(
    EveryHandle, TrackerDrag,
    ::testing::Values(
        DragRow{"move_inside", kStart, hitMiddle, {100, 80}, {{110, 70}}, {60, 30, 160, 110}, true},
        DragRow{
            "move_past_right_edge_keeps_width", kStart, hitMiddle, {100, 80}, {{300, 80}}, {95, 40, 195, 120}, true},
        DragRow{"move_past_top_left_keeps_size", kStart, hitMiddle, {100, 80}, {{0, 0}}, {5, 5, 105, 85}, true},
        DragRow{"right_edge_far_out_is_cut", kStart, hitRight, {149, 79}, {{400, 79}}, {5, 40, 195, 120}, true},
        DragRow{
            "left_edge_past_right_stops_at_minimum", kStart, hitLeft, {50, 79}, {{300, 79}}, {142, 40, 150, 120}, true},
        DragRow{
            "top_left_past_opposite_corner", kStart, hitTopLeft, {50, 40}, {{200, 200}}, {142, 112, 150, 120}, true},
        DragRow{
            "bottom_right_past_opposite_corner", kStart, hitBottomRight, {149, 119}, {{0, 0}}, {50, 40, 58, 48}, true},
        DragRow{"top_right_corner", kStart, hitTopRight, {149, 40}, {{159, 50}}, {50, 50, 160, 120}, true},
        DragRow{"bottom_left_corner", kStart, hitBottomLeft, {50, 119}, {{40, 129}}, {40, 40, 150, 130}, true},
        DragRow{"top_edge_ignores_horizontal_movement", kStart, hitTop, {99, 40}, {{10, 20}}, {50, 20, 150, 120}, true},
        DragRow{"bottom_edge_past_bottom_is_cut", kStart, hitBottom, {99, 119}, {{0, 200}}, {50, 5, 150, 145}, true},
        DragRow{"offsets_count_from_the_press",
                kStart,
                hitMiddle,
                {100, 80},
                {{120, 80}, {130, 80}},
                {80, 40, 180, 120},
                true},
        DragRow{"no_movement", kStart, hitMiddle, {100, 80}, {}, kStart, false},
        DragRow{"out_and_back_again", kStart, hitMiddle, {100, 80}, {{300, 300}, {100, 80}}, kStart, false},
        DragRow{"inside_out_start_is_put_in_order",
                {150, 120, 50, 40},
                hitMiddle,
                {100, 80},
                {{110, 80}},
                {60, 40, 160, 120},
                true},
        DragRow{"extreme_start_does_not_overflow",
                {kMin, kMin, kMax, kMax},
                hitMiddle,
                {0, 0},
                {{kMax, kMax}},
                {5, 5, 195, 145},
                true}),
    RowName<DragRow>);

TEST(TrackerDrag, InvalidHitStartsNothing) {
    CTracker tracker = PaneTracker(kStart);
    tracker.BeginDrag(hitNothing, {100, 80});
    EXPECT_FALSE(tracker.IsDragging());
    tracker.DragTo({0, 0});
    tracker.BeginDrag(static_cast<TrackerHit>(9), {100, 80});
    tracker.DragTo({0, 0});
    EXPECT_EQ(tracker.m_rect, kStart);
}

struct AdjustRow {
    const char* name;
    std::int32_t maxWidth;
    std::int32_t maxHeight;
    Size minimum;
    TrackerHit handle;
    Rect in;
    Rect out;
};

class TrackerAdjust : public ::testing::TestWithParam<AdjustRow> {};

TEST_P(TrackerAdjust, KeepsTheRectangleInTheBand) {
    const AdjustRow& row = GetParam();
    CTracker tracker = PaneTracker({}, row.maxWidth, row.maxHeight);
    tracker.m_sizeMin = row.minimum;
    Rect rect = row.in;
    tracker.AdjustRect(row.handle, rect);
    EXPECT_EQ(rect, row.out);
    EXPECT_EQ(tracker.m_rcLastAdjusted, row.out);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, TrackerAdjust,
    ::testing::Values(
        AdjustRow{"inside_the_band_unchanged", 190, 140, {8, 8}, hitMiddle, {50, 40, 150, 120}, {50, 40, 150, 120}},
        AdjustRow{"wider_than_maximum_is_cut", 190, 140, {8, 8}, hitMiddle, {0, 10, 300, 50}, {5, 10, 195, 50}},
        AdjustRow{"taller_than_maximum_is_cut", 190, 140, {8, 8}, hitMiddle, {10, 0, 50, 400}, {10, 5, 50, 145}},
        AdjustRow{"pushed_right_keeps_size", 190, 140, {8, 8}, hitMiddle, {-20, 10, 80, 50}, {5, 10, 105, 50}},
        AdjustRow{"pushed_down_keeps_size", 190, 140, {8, 8}, hitMiddle, {10, -20, 50, 30}, {10, 5, 50, 55}},
        AdjustRow{
            "pushed_up_and_left_keeps_size", 190, 140, {8, 8}, hitMiddle, {150, 120, 210, 160}, {135, 105, 195, 145}},
        AdjustRow{"text_box_over_small_image", 90, 90, {40, 20}, hitMiddle, {5, 5, 300, 200}, {5, 5, 95, 95}},
        AdjustRow{"tiny_pane_minimum_wins_on_the_right", 3, 3, {8, 8}, hitMiddle, {5, 5, 20, 20}, {5, 5, 13, 13}},
        AdjustRow{"tiny_pane_minimum_wins_on_the_left", 3, 3, {8, 8}, hitTopLeft, {5, 5, 20, 20}, {0, 0, 8, 8}},
        AdjustRow{"negative_maximum_never_inside_out", -5, -5, {8, 8}, hitMiddle, {5, 5, 10, 10}, {5, 5, 13, 13}},
        AdjustRow{"inside_out_input_comes_out_in_order",
                  190,
                  140,
                  {8, 8},
                  hitMiddle,
                  {150, 120, 50, 40},
                  {150, 120, 158, 128}},
        AdjustRow{"extreme_input_saturates", 190, 140, {8, 8}, hitMiddle, {kMin, kMin, kMax, kMax}, {5, 5, 195, 145}}),
    RowName<AdjustRow>);

}  // namespace
