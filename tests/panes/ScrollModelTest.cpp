// The scrolling view's arithmetic and the add-text dialog's geometry, without a window: bars and size box for a view
// size, ranges truncated toward zero, the step table, fractions kept across resizes, where the text box may stand and
// how large the dialog may be.

#include <gtest/gtest.h>

#include "panes/AddTextGeometry.h"
#include "panes/CScrollModel.h"
#include "tests/panes/RectPrinting.h"

namespace {

constexpr std::int32_t kBar = 16;  // scroll bar thickness used throughout

// A view of a 1000 × 800 picture: content 1020 × 820.
CScrollModel PictureView(Size outer) {
    CScrollModel model;
    model.Init(Size{1020, 820});
    model.Resize(outer, kBar, kBar, false);
    return model;
}

struct LayoutRow {
    const char* name;
    Size outer;
    bool maximised;
    bool horizontalBar, verticalBar, sizeBox;
    std::int32_t rawX, rawY;
};

TEST(ScrollModel, ShowsTheBarsAndTheSizeBoxTheViewNeeds) {
    const LayoutRow rows[] = {
        // Larger than the content: both ranges negative (truncated toward zero), no bars, the size box.
        {"larger than the content", {1041, 835}, false, false, false, true, -2, -3},
        {"exactly the content", {1020, 820}, false, false, false, true, 0, 0},
        {"maximised shows no size box", {1041, 835}, true, false, false, false, -2, -3},
        // 7 pixels short of the width is less than one unit of 8: still no bar.
        {"short of one horizontal unit", {1027, 900}, false, false, false, true, 0, -20},
        // Narrower: the horizontal bar takes 16 pixels of height, which then calls for the vertical bar too.
        {"a bar that calls for the other", {600, 830}, false, true, true, false, 54, 1},
        {"smaller both ways", {500, 400}, false, true, true, false, 67, 109},
    };
    for (const LayoutRow& row : rows) {
        CScrollModel model;
        model.Init(Size{1020, 820});
        const ScrollLayout layout = model.Resize(row.outer, kBar, kBar, row.maximised);
        EXPECT_EQ(layout.horizontalBar, row.horizontalBar) << row.name;
        EXPECT_EQ(layout.verticalBar, row.verticalBar) << row.name;
        EXPECT_EQ(layout.sizeBox, row.sizeBox) << row.name;
        EXPECT_EQ(model.Horizontal().rawRange, row.rawX) << row.name;
        EXPECT_EQ(model.Vertical().rawRange, row.rawY) << row.name;
        EXPECT_EQ(model.Horizontal().maximum, std::max(row.rawX, 0)) << row.name;
        EXPECT_EQ(layout.client.width, row.outer.width - (row.verticalBar ? kBar : 0)) << row.name;
        EXPECT_EQ(layout.client.height, row.outer.height - (row.horizontalBar ? kBar : 0)) << row.name;
    }
}

struct StepRow {
    const char* name;
    ScrollAxisId axis;
    std::int32_t start;
    ScrollRequest request;
    std::int32_t thumb;
    std::int32_t step;
};

TEST(ScrollModel, StepsAsTheTableGivesThemClampedToTheRange) {
    // 500 × 400 outside: client 484 × 384, horizontal maximum 67, vertical maximum 109.
    const StepRow rows[] = {
        {"line right", ScrollAxisId::Horizontal, 10, ScrollRequest::LineForward, 0, 1},
        {"line left", ScrollAxisId::Horizontal, 10, ScrollRequest::LineBack, 0, -1},
        {"line left at the start", ScrollAxisId::Horizontal, 0, ScrollRequest::LineBack, 0, 0},
        {"page right", ScrollAxisId::Horizontal, 10, ScrollRequest::PageForward, 0, 8},
        {"page right near the end", ScrollAxisId::Horizontal, 63, ScrollRequest::PageForward, 0, 4},
        {"page left", ScrollAxisId::Horizontal, 10, ScrollRequest::PageBack, 0, -8},
        {"page down jumps to the end", ScrollAxisId::Vertical, 0, ScrollRequest::PageForward, 0, 109},
        {"page up jumps to the start", ScrollAxisId::Vertical, 109, ScrollRequest::PageBack, 0, -109},
        {"page up from the middle", ScrollAxisId::Vertical, 50, ScrollRequest::PageBack, 0, -50},
        {"thumb", ScrollAxisId::Vertical, 50, ScrollRequest::Thumb, 20, -30},
        {"thumb beyond the end", ScrollAxisId::Vertical, 50, ScrollRequest::Thumb, 500, 59},
        {"to the start", ScrollAxisId::Horizontal, 30, ScrollRequest::ToStart, 0, -30},
        {"to the end", ScrollAxisId::Horizontal, 30, ScrollRequest::ToEnd, 0, 37},
        {"thumb released", ScrollAxisId::Vertical, 30, ScrollRequest::Other, 99, 0},
    };
    for (const StepRow& row : rows) {
        CScrollModel model = PictureView(Size{500, 400});
        model.Scroll(row.axis, ScrollRequest::Thumb, row.start);
        EXPECT_EQ(model.Scroll(row.axis, row.request, row.thumb), row.step) << row.name;
        const ScrollAxis& axis = row.axis == ScrollAxisId::Horizontal ? model.Horizontal() : model.Vertical();
        EXPECT_EQ(axis.position, row.start + row.step) << row.name;
        EXPECT_FLOAT_EQ(axis.fraction, static_cast<float>(axis.position) / static_cast<float>(axis.maximum))
            << row.name;
    }
}

TEST(ScrollModel, VerticalPageOfARangeOfOneStepsByOne) {
    CScrollModel model;
    model.Init(Size{100, 104});
    model.Resize(Size{200, 100}, kBar, kBar, false);  // raw vertical range (104 − 100) ÷ 4 = 1
    ASSERT_EQ(model.Vertical().rawRange, 1);
    EXPECT_EQ(model.Scroll(ScrollAxisId::Vertical, ScrollRequest::PageForward), 1);
    EXPECT_EQ(model.Scroll(ScrollAxisId::Vertical, ScrollRequest::PageBack), -1);
}

TEST(ScrollModel, KeepsItsRelativePlaceAcrossResizes) {
    CScrollModel model = PictureView(Size{500, 400});
    model.Scroll(ScrollAxisId::Horizontal, ScrollRequest::ToEnd);
    EXPECT_EQ(model.Offset().x, 67 * 8);

    // Shrinking while at the far right keeps the view at the far right: fraction 1 gives the new maximum.
    model.Resize(Size{300, 400}, kBar, kBar, false);
    EXPECT_EQ(model.Horizontal().maximum, (1020 - 284) / 8);
    EXPECT_EQ(model.Horizontal().position, model.Horizontal().maximum);

    // Half way down stays half way (truncated) at another height.
    model.Scroll(ScrollAxisId::Vertical, ScrollRequest::Thumb, 55);  // of 109
    model.Resize(Size{300, 600}, kBar, kBar, false);
    EXPECT_EQ(model.Vertical().maximum, (820 - 584) / 4);
    EXPECT_EQ(model.Vertical().position, static_cast<std::int32_t>(55.0f / 109.0f * 59.0f));

    // A view that shows everything forgets the fraction: growing and shrinking again starts at the origin.
    model.Resize(Size{2000, 2000}, kBar, kBar, false);
    EXPECT_EQ(model.Offset().x, 0);
    EXPECT_EQ(model.Horizontal().fraction, 0.0f);
    model.Resize(Size{300, 400}, kBar, kBar, false);
    EXPECT_EQ(model.Offset().x, 0);
    EXPECT_EQ(model.Offset().y, 0);
}

TEST(ScrollModel, ARequestWithNothingToScrollChangesNothing) {
    // The mouse wheel can ask while no bar is shown; the fraction must not become a division by zero.
    CScrollModel model = PictureView(Size{2000, 2000});
    for (ScrollRequest request : {ScrollRequest::LineForward, ScrollRequest::PageForward, ScrollRequest::ToEnd}) {
        EXPECT_EQ(model.Scroll(ScrollAxisId::Vertical, request), 0);
        EXPECT_EQ(model.Vertical().fraction, 0.0f);
    }
}

// ---- Add-text geometry ------------------------------------------------------------------------------------------

struct VisibleRow {
    const char* name;
    std::int32_t horizontalPosition;  // in units of 8
    Rect before;
    Rect after;
};

TEST(AddTextGeometry, KeepsTheTextBoxInThePartOfThePictureTheViewShows) {
    // A 1000 × 800 picture in a view 425 × 300 outside: vw = 400, vh = 275.
    const VisibleRow rows[] = {
        {"inside stays", 0, {5, 5, 300, 200}, {5, 5, 300, 200}},
        {"wider than the view is cut to it at the scroll offset", 3, {0, 5, 500, 200}, {24, 5, 424, 200}},
        {"left of the offset moves 5 beyond it, keeping its width", 10, {40, 5, 140, 200}, {85, 5, 185, 200}},
        {"right of the visible part moves back in", 10, {450, 5, 550, 200}, {380, 5, 480, 200}},
        {"taller than the view", 0, {5, 5, 100, 400}, {5, 0, 100, 275}},
    };
    for (const VisibleRow& row : rows) {
        CScrollModel model = PictureView(Size{425, 300});
        model.Scroll(ScrollAxisId::Horizontal, ScrollRequest::Thumb, row.horizontalPosition);
        Rect rect = row.before;
        EXPECT_EQ(KeepTextBoxVisible(rect, Size{425, 300}, model), !(row.before == row.after)) << row.name;
        EXPECT_EQ(rect, row.after) << row.name;
    }
}

TEST(AddTextGeometry, AtTheOriginTheBoxMovesFlushWithTheVisiblePart) {
    // With a fraction of 0 there is no 5-pixel inset: only the view's scrolled-away part adds one.
    CScrollModel model = PictureView(Size{425, 300});
    model.Scroll(ScrollAxisId::Vertical, ScrollRequest::Thumb, 25);  // vy = 100
    Rect rect{5, 50, 300, 150};
    EXPECT_TRUE(KeepTextBoxVisible(rect, Size{425, 300}, model));
    EXPECT_EQ(rect, (Rect{5, 105, 300, 205}));
    model.Scroll(ScrollAxisId::Vertical, ScrollRequest::ToStart);
    rect = Rect{5, -40, 300, 60};
    EXPECT_TRUE(KeepTextBoxVisible(rect, Size{425, 300}, model));
    EXPECT_EQ(rect, (Rect{5, 0, 300, 100}));
}

struct SizeRow {
    const char* name;
    Size outer;
    Size preview;
    Size wanted;
};

TEST(AddTextGeometry, TheDialogIsNoLargerThanThePictureNeedsNorSmallerThan400By300) {
    const SizeRow rows[] = {
        {"beyond width + 10 becomes width + 30", {1200, 700}, {1000, 800}, {1030, 700}},
        {"exactly width + 10 stays", {1010, 700}, {1000, 800}, {1010, 700}},
        {"between + 10 and + 30 grows to + 30", {1020, 700}, {1000, 800}, {1030, 700}},
        {"beyond height + 55 becomes height + 105", {900, 1000}, {1000, 800}, {900, 905}},
        {"a small picture keeps the minimum", {600, 500}, {100, 100}, {400, 300}},
        {"no picture keeps the minimum", {600, 500}, {0, 0}, {400, 300}},
        {"never below the minimum", {200, 100}, {1000, 800}, {400, 300}},
    };
    for (const SizeRow& row : rows) EXPECT_EQ(AddTextDialogSize(row.outer, row.preview), row.wanted) << row.name;
}

TEST(AddTextGeometry, TheViewLiesInsideTheDialog) {
    EXPECT_EQ(AddTextViewRect(Rect{100, 50, 600, 450}), (Rect{105, 80, 595, 400}));
    EXPECT_EQ(AddTextViewRect(Rect{0, 0, 8, 60}), (Rect{5, 30, 5, 30})) << "never a negative size";
}

}  // namespace
