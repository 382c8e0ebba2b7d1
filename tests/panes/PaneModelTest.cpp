// CPaneModel without a window: what a pane pushes to its owner, how its rectangles follow the pane's size and
// profiles, which tracker a press grabs and which cursor shows.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "panes/CPaneModel.h"
#include "tests/panes/RectPrinting.h"

namespace {

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
const Rect kUntouched{-1, -2, -3, -4};

// Records what a pane does to the state that owns it: every run with the rectangles as they were at that moment,
// and every repaint.
class FakeOwner : public IPaneOwner {
public:
    struct Run {
        Rect crop;
        std::array<Rect, 3> lights;
        bool preview;
    };

    Rect& CropRectangle() override { return crop; }
    bool LightEditSwitch(int light) const override { return edit[light]; }
    void ProcessImage(bool preview) override { runs.push_back({crop, lights, preview}); }
    void RepaintPane(CPaneModel& pane) override { repaints.push_back(&pane); }

    Rect crop = kUntouched;
    std::array<Rect, 3> lights{kUntouched, kUntouched, kUntouched};
    std::array<bool, 3> edit{false, false, false};
    std::vector<Run> runs;
    std::vector<CPaneModel*> repaints;
};

class PaneTest : public ::testing::Test {
protected:
    void Attach(std::int32_t w, std::int32_t h, bool withOwner = true) {
        pane.Attach(withOwner ? &owner : nullptr, {w, h}, &owner.lights[0], &owner.lights[1], &owner.lights[2]);
    }
    void Show(std::array<int, 4> flags) {
        for (int i = 0; i < 4; ++i) pane.Shown(i) = flags[i];
    }
    bool OwnerUntouched() const {
        return owner.runs.empty() && owner.repaints.empty() && owner.crop == kUntouched &&
               owner.lights == std::array<Rect, 3>{kUntouched, kUntouched, kUntouched};
    }

    FakeOwner owner;
    CPaneModel pane;
};

float Ratio(double a, double b) {
    return static_cast<float>(a / b);
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

TEST_F(PaneTest, AttachSetsEveryTrackerToTheWholePaneAndPushesNothing) {
    Attach(200, 150);
    for (int i = 0; i < 4; ++i) {
        const CTracker& tracker = pane.Tracker(i);
        EXPECT_EQ(tracker.m_rect, (Rect{5, 5, 195, 145})) << i;
        EXPECT_EQ(tracker.m_nStyle, 28);
        EXPECT_EQ(tracker.m_sizeMin, (Size{8, 8}));
        EXPECT_EQ(tracker.m_nHandleSize, 5);
        EXPECT_EQ(tracker.m_nMaxWidth, 190);
        EXPECT_EQ(tracker.m_nMaxHeight, 140);
        EXPECT_EQ(tracker.m_pOwner, &pane);
        const RelativeRect& relative = pane.Relative(i);
        EXPECT_EQ(relative.top, Ratio(5, 145));
        EXPECT_EQ(relative.left, Ratio(5, 195));
        EXPECT_EQ(relative.bottom, 1.0f);
        EXPECT_EQ(relative.right, 1.0f);
    }
    EXPECT_EQ(pane.ClientSize(), (Size{200, 150}));
    EXPECT_TRUE(OwnerUntouched());
}

// Which trackers are shown decides what ApplyTrackers pushes and how often the chain runs, always in the order crop,
// light 1, 2, 3, each push made before its own run.
struct ApplyRow {
    const char* name;
    std::array<int, 4> shown;
};

class PaneApply : public PaneTest, public ::testing::WithParamInterface<ApplyRow> {};

TEST_P(PaneApply, PushesEachShownTrackerThenRunsAndRepaints) {
    Attach(200, 150);
    const std::array<Rect, 4> trackers{Rect{5, 5, 195, 145}, Rect{20, 30, 60, 70}, Rect{40, 40, 48, 48},
                                       Rect{100, 5, 195, 20}};
    for (int i = 0; i < 4; ++i) pane.Tracker(i).m_rect = trackers[i];
    Show(GetParam().shown);
    pane.ApplyTrackers();

    const std::array<Rect, 4> widened{Rect{0, 0, 200, 150}, Rect{15, 25, 65, 75}, Rect{35, 35, 53, 53},
                                      Rect{95, 0, 200, 25}};
    auto pushedAt = [](const FakeOwner::Run& run, int i) { return i == 0 ? run.crop : run.lights[i - 1]; };
    std::size_t run = 0;
    for (int i = 0; i < 4; ++i) {
        if (GetParam().shown[i] == 0) continue;
        ASSERT_LT(run, owner.runs.size());
        EXPECT_EQ(pushedAt(owner.runs[run], i), widened[i]) << "tracker " << i << " pushed before run " << run;
        for (int later = i + 1; later < 4; ++later) EXPECT_EQ(pushedAt(owner.runs[run], later), kUntouched);
        EXPECT_TRUE(owner.runs[run].preview);
        ++run;
    }
    EXPECT_EQ(owner.runs.size(), run);
    EXPECT_EQ(owner.repaints, std::vector<CPaneModel*>(run, &pane));
    FakeOwner::Run now{owner.crop, owner.lights, true};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(pushedAt(now, i), GetParam().shown[i] ? widened[i] : kUntouched);
}

INSTANTIATE_TEST_SUITE_P(ShownFlags, PaneApply,
                         ::testing::Values(ApplyRow{"none", {0, 0, 0, 0}}, ApplyRow{"crop_only", {1, 0, 0, 0}},
                                           ApplyRow{"light2_only", {0, 0, 1, 0}},
                                           ApplyRow{"crop_light1_light3", {1, 1, 0, 1}},
                                           ApplyRow{"all_four", {1, 1, 1, 1}}),
                         RowName<ApplyRow>);

TEST_F(PaneTest, PlainPictureSurfaceReachesNoOwner) {
    Attach(200, 150, /*withOwner=*/false);
    Show({1, 1, 1, 1});
    owner.edit = {true, true, true};
    pane.ApplyTrackers();
    pane.EnableLightTrackers();
    pane.SetClientSize({400, 300});
    CTracker* dragged = pane.PressAt({200, 150});
    ASSERT_EQ(dragged, &pane.m_cRectTracker);
    dragged->DragTo({100, 100});
    pane.ReleaseDrag(*dragged);
    EXPECT_TRUE(OwnerUntouched());
    EXPECT_EQ(pane.m_cLightTracker1.m_rect, (Rect{10, 10, 395, 295}));  // its own rectangles still follow its size
}

// RemapTrackers: single-precision products truncated toward zero, any stored number made safe.
struct RemapRow {
    const char* name;
    Size client;
    RelativeRect relative;  // top, left, bottom, right
    Rect tracker;
    Rect pushed;
};

class PaneRemap : public PaneTest, public ::testing::WithParamInterface<RemapRow> {};

TEST_P(PaneRemap, RebuildsTheTrackerFromItsFractions) {
    const RemapRow& row = GetParam();
    Attach(200, 150);
    pane.m_bCrop = 1;
    pane.m_rcRelCrop = row.relative;
    pane.SetClientSize(row.client);
    EXPECT_EQ(pane.m_cRectTracker.m_rect, row.tracker);
    EXPECT_EQ(pane.m_cRectTracker.m_nMaxWidth, row.client.width - 10);
    EXPECT_EQ(pane.m_cRectTracker.m_nMaxHeight, row.client.height - 10);
    EXPECT_EQ(owner.crop, row.pushed);
    EXPECT_EQ(owner.runs.size(), 1u);
}

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Fractions, PaneRemap,
    ::testing::Values(
        RemapRow{"initial_pane_grown_to_400x300",
                 {400, 300},
                 {Ratio(5, 145), Ratio(5, 195), 1, 1},
                 {10, 10, 395, 295},
                 {5, 5, 400, 300}},
        RemapRow{"initial_pane_same_size",
                 {200, 150},
                 {Ratio(5, 145), Ratio(5, 195), 1, 1},
                 {5, 5, 195, 145},
                 {0, 0, 200, 150}},
        RemapRow{
            "halves_truncate", {400, 300}, {0.5f, 0.5f, 0.75f, 0.999f}, {197, 147, 394, 221}, {192, 142, 399, 226}},
        // 0.01f is 0.0099999998: in double precision × 100 gives 0.99999998 and truncates to 0; the single-precision
        // product rounds to 1.
        RemapRow{"single_precision_products", {105, 105}, {0.01f, 0.01f, 0.02f, 0.03f}, {1, 1, 3, 2}, {-4, -4, 8, 7}},
        RemapRow{
            "negative_truncates_toward_zero", {400, 300}, {-0.5f, -0.5f, 0, 0}, {-197, -147, 0, 0}, {-202, -152, 5, 5}},
        RemapRow{"nan_gives_zero", {400, 300}, {kNaN, kNaN, kNaN, kNaN}, {0, 0, 0, 0}, {-5, -5, 5, 5}},
        RemapRow{"huge_and_infinite_saturate",
                 {400, 300},
                 {1e30f, -1e30f, kInf, -kInf},
                 {kMin, kMax, kMin, kMax},
                 {kMin, kMax - 5, kMin + 5, kMax}},
        // In a 6 × 6 pane W = H = 1: the largest float below 2^31 converts, 2^31 itself saturates.
        RemapRow{"limits_of_the_32_bit_range",
                 {6, 6},
                 {2147483520.0f, -2147483648.0f, 2147483648.0f, -2147483904.0f},
                 {kMin, 2147483520, kMin, kMax},
                 {kMin, 2147483515, kMin + 5, kMax}}),
    RowName<RemapRow>);

TEST_F(PaneTest, RemapHandsOverLightRectanglesUnwidenedAndTheNextDragWidensThem) {
    Attach(200, 150);
    pane.m_bLight2 = 1;
    pane.SetClientSize({400, 300});
    // ApplyTrackers ran first with the widened light 2; then every light target took its tracker unchanged.
    ASSERT_EQ(owner.runs.size(), 1u);
    EXPECT_EQ(owner.runs[0].lights[1], (Rect{5, 5, 400, 300}));
    EXPECT_EQ(owner.runs[0].lights[0], kUntouched);
    for (int light = 0; light < 3; ++light) EXPECT_EQ(owner.lights[light], pane.Tracker(light + 1).m_rect);
    EXPECT_EQ(owner.lights[1], (Rect{10, 10, 395, 295}));
    EXPECT_EQ(owner.crop, kUntouched);

    // Drag light 2's right edge (last column 394, middle row 152) 100 pixels to the left.
    CTracker* dragged = pane.PressAt({394, 152});
    ASSERT_EQ(dragged, &pane.m_cLightTracker2);
    dragged->DragTo({294, 152});
    EXPECT_TRUE(pane.ReleaseDrag(*dragged));
    EXPECT_EQ(pane.m_cLightTracker2.m_rect, (Rect{10, 10, 295, 295}));
    EXPECT_EQ(owner.lights[1], (Rect{5, 5, 300, 300}));
    EXPECT_EQ(pane.m_rcRelLight2.right, Ratio(295, 395));
}

struct EnableRow {
    const char* name;
    std::array<int, 4> before;
    std::array<bool, 3> edit;
    std::array<int, 4> after;
};

class PaneEnable : public PaneTest, public ::testing::WithParamInterface<EnableRow> {};

TEST_P(PaneEnable, ShowsEditedLightsAndAppliesOncePerShownTracker) {
    Attach(200, 150);
    Show(GetParam().before);
    owner.edit = GetParam().edit;
    pane.EnableLightTrackers();
    int shown = 0;
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(pane.Shown(i), GetParam().after[i]) << i;
        shown += GetParam().after[i];
    }
    EXPECT_EQ(owner.runs.size(), static_cast<std::size_t>(shown));
}

INSTANTIATE_TEST_SUITE_P(
    EditSwitches, PaneEnable,
    ::testing::Values(EnableRow{"edit_switch_shows_its_tracker", {0, 0, 0, 0}, {false, true, false}, {0, 0, 1, 0}},
                      EnableRow{"never_hides_a_tracker", {0, 1, 0, 1}, {false, false, false}, {0, 1, 0, 1}},
                      EnableRow{"crop_is_applied_too", {1, 0, 0, 0}, {true, false, false}, {1, 1, 0, 0}},
                      EnableRow{"nothing_shown_runs_nothing", {0, 0, 0, 0}, {false, false, false}, {0, 0, 0, 0}},
                      EnableRow{"every_edit_switch", {0, 0, 0, 0}, {true, true, true}, {0, 1, 1, 1}}),
    RowName<EnableRow>);

// Crop (5, 5, 195, 145), light 1 (50, 40, 150, 120), lights 2 and 3 (60, 50, 100, 90) in a 200 × 150 pane.
struct PointerRow {
    const char* name;
    std::array<int, 4> shown;
    Point p;
    int pressed;        // index of the tracker PressAt grabs, −1 for none
    TrackerHit cursor;  // CursorHit
};

class PanePointer : public PaneTest, public ::testing::WithParamInterface<PointerRow> {};

TEST_P(PanePointer, PressGrabsTheFirstShownTrackerAndTheLastShownLightChoosesTheCursor) {
    Attach(200, 150);
    pane.m_cLightTracker1.m_rect = {50, 40, 150, 120};
    pane.m_cLightTracker2.m_rect = {60, 50, 100, 90};
    pane.m_cLightTracker3.m_rect = {60, 50, 100, 90};
    Show(GetParam().shown);
    EXPECT_EQ(pane.CursorHit(GetParam().p), GetParam().cursor);
    CTracker* pressed = pane.PressAt(GetParam().p);
    EXPECT_EQ(pressed, GetParam().pressed < 0 ? nullptr : &pane.Tracker(GetParam().pressed));
    if (pressed != nullptr) {
        EXPECT_TRUE(pressed->IsDragging());
    }
    EXPECT_TRUE(owner.runs.empty());
}

INSTANTIATE_TEST_SUITE_P(
    ShownTrackers, PanePointer,
    ::testing::Values(PointerRow{"nothing_shown", {0, 0, 0, 0}, {100, 80}, -1, hitNothing},
                      PointerRow{"crop_inside", {1, 0, 0, 0}, {100, 80}, 0, hitMiddle},
                      PointerRow{"crop_corner", {1, 0, 0, 0}, {5, 5}, 0, hitTopLeft},
                      PointerRow{"crop_before_lights", {1, 1, 1, 1}, {80, 70}, 0, hitMiddle},
                      PointerRow{"light_shown_elsewhere_arrow_over_crop", {1, 1, 0, 0}, {10, 10}, 0, hitNothing},
                      PointerRow{"light_edge_over_crop", {1, 1, 0, 0}, {149, 79}, 0, hitRight},
                      PointerRow{"light1_before_light2", {0, 1, 1, 0}, {80, 70}, 1, hitMiddle},
                      PointerRow{"light3_overrides_light1", {0, 1, 0, 1}, {60, 50}, 1, hitTopLeft},
                      PointerRow{"light3_arrow_overrides_light1", {0, 1, 0, 1}, {140, 110}, 1, hitNothing},
                      PointerRow{"hidden_tracker_is_not_grabbed", {0, 0, 0, 1}, {140, 110}, -1, hitNothing},
                      PointerRow{"outside_every_tracker", {1, 1, 1, 1}, {199, 149}, -1, hitNothing}),
    RowName<PointerRow>);

TEST_F(PaneTest, ClickOutsideEveryTrackerRecomputesAllFractionsAndMovesNothing) {
    Attach(200, 150);
    pane.m_bCrop = 1;
    pane.m_cRectTracker.m_rect = {20, 30, 120, 90};  // as a profile stores it
    pane.m_cLightTracker3.m_rect = {40, 10, 80, 50};
    EXPECT_EQ(pane.PressAt({190, 140}), nullptr);
    EXPECT_EQ(pane.m_cRectTracker.m_rect, (Rect{20, 30, 120, 90}));
    const RelativeRect crop = pane.m_rcRelCrop;
    EXPECT_EQ(crop.top, Ratio(30, 145));
    EXPECT_EQ(crop.left, Ratio(20, 195));
    EXPECT_EQ(crop.bottom, Ratio(90, 145));
    EXPECT_EQ(crop.right, Ratio(120, 195));
    EXPECT_EQ(pane.m_rcRelLight3.left, Ratio(40, 195));
    EXPECT_TRUE(OwnerUntouched());
}

TEST_F(PaneTest, DragFollowsTheOwnerOnEveryMovementAndReleaseRecomputesTheFractions) {
    Attach(200, 150);
    pane.m_bCrop = 1;
    pane.m_cRectTracker.m_rect = {50, 40, 150, 120};
    pane.m_cLightTracker1.m_rect = {40, 10, 80, 50};  // hidden, still measured at the release
    CTracker* dragged = pane.PressAt({100, 80});
    ASSERT_EQ(dragged, &pane.m_cRectTracker);
    dragged->DragTo({110, 80});
    dragged->DragTo({300, 80});  // stops at the right edge, width kept
    ASSERT_EQ(owner.runs.size(), 2u);
    EXPECT_EQ(owner.runs[0].crop, (Rect{55, 35, 165, 125}));
    EXPECT_EQ(owner.runs[1].crop, (Rect{90, 35, 200, 125}));
    EXPECT_EQ(owner.repaints.size(), 2u);
    EXPECT_EQ(pane.m_rcRelCrop.left, Ratio(5, 195));  // as Attach measured it, until the release
    EXPECT_TRUE(pane.ReleaseDrag(*dragged));
    EXPECT_EQ(pane.m_cRectTracker.m_rect, (Rect{95, 40, 195, 120}));
    EXPECT_EQ(pane.m_rcRelCrop.left, Ratio(95, 195));
    EXPECT_EQ(pane.m_rcRelCrop.right, 1.0f);
    EXPECT_EQ(pane.m_rcRelLight1.top, Ratio(10, 145));
}

struct SizeRow {
    const char* name;
    Size client;
    bool remapped;
};

class PaneSize : public PaneTest, public ::testing::WithParamInterface<SizeRow> {};

TEST_P(PaneSize, RemapsOnlyForAPaneOfSomeSize) {
    Attach(200, 150);
    pane.m_bCrop = 1;
    pane.SetClientSize(GetParam().client);
    EXPECT_EQ(pane.ClientSize(), (GetParam().remapped ? GetParam().client : Size{200, 150}));
    EXPECT_EQ(owner.runs.size(), GetParam().remapped ? 1u : 0u);
    if (!GetParam().remapped) {
        EXPECT_EQ(pane.m_cRectTracker.m_rect, (Rect{5, 5, 195, 145}));
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, PaneSize,
                         ::testing::Values(SizeRow{"minimised", {0, 0}, false}, SizeRow{"no_width", {0, 100}, false},
                                           SizeRow{"negative", {-3, 50}, false}, SizeRow{"grown", {400, 300}, true},
                                           SizeRow{"one_pixel", {1, 1}, true}),
                         RowName<SizeRow>);

// A pane squeezed below 6 pixels has no usable extent to measure against: its fractions survive, and growing it
// back restores its rectangles.
TEST_F(PaneTest, FractionsSurviveAPaneTooSmallToMeasure) {
    Attach(200, 150);
    pane.m_cLightTracker2.m_rect = {20, 30, 120, 90};
    pane.RecomputeRelativeRects();
    const RelativeRect before = pane.m_rcRelLight2;
    pane.SetClientSize({4, 3});
    EXPECT_EQ(pane.PressAt({1, 1}), nullptr);
    EXPECT_EQ(pane.m_rcRelLight2.left, before.left);
    EXPECT_EQ(pane.m_rcRelLight2.bottom, before.bottom);
    EXPECT_FALSE(std::isnan(pane.m_rcRelCrop.top));
    pane.SetClientSize({200, 150});
    EXPECT_EQ(pane.m_cLightTracker2.m_rect, (Rect{20, 30, 120, 90}));
}

}  // namespace
