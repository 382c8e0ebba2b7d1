// The main window's arithmetic without a window: dialog units, the template, the layout on resize, the minimum size,
// the size fields and where the help pages are found.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/DialogLayout.h"
#include "app/DialogUnits.h"
#include "app/HelpPages.h"
#include "app/SizeField.h"
#include "tests/support/TestSupport.h"

namespace {

std::string Show(const Rect& r) {
    std::ostringstream text;
    text << '(' << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ')';
    return text.str();
}

// ---- Dialog units -----------------------------------------------------------------------------------------------

struct UnitCase {
    const char* name;
    std::int32_t dlu;
    std::int32_t x;  // dlu × 6 / 4, half away from zero
    std::int32_t y;  // dlu × 13 / 8, half away from zero
};

TEST(DialogUnits, MapsEachCoordinateRoundingHalfAwayFromZero) {
    const UnitCase cases[] = {
        {"zero", 0, 0, 0},
        {"one: 1.5 and 1.625 round up", 1, 2, 2},
        {"two: exact x", 2, 3, 3},
        {"three: 4.5 rounds up", 3, 5, 5},
        {"four: 6.5 rounds up in y", 4, 6, 7},
        {"eight: exact y", 8, 12, 13},
        {"minus one: -1.5 rounds away from zero", -1, -2, -2},
        {"minus three", -3, -5, -5},
        {"minus four: -6.5", -4, -6, -7},
        {"template width 435: 652.5", 435, 653, 707},
        {"template height 302: 490.75", 302, 453, 491},
        {"large, no overflow", 1000000000, 1500000000, 1625000000},
    };
    for (const UnitCase& c : cases) {
        EXPECT_EQ(dlg::DluToPixelsX(c.dlu), c.x) << c.name;
        EXPECT_EQ(dlg::DluToPixelsY(c.dlu), c.y) << c.name;
    }
}

struct MappedCase {
    const char* name;
    int id;
    Rect pixels;
};

TEST(DialogUnits, TemplateRectanglesMapToTheirPixelRectangles) {
    const MappedCase cases[] = {
        // 192 × 119 dialog units: 288 × 193 pixels outside, mapped edge by edge.
        {"original pane", dlg::kOriginalPane, {17, 26, 305, 219}},
        {"processed pane", dlg::kProcessedPane, {17, 247, 305, 440}},
        {"scan button", dlg::kScan, {315, 15, 420, 37}},
        {"save button", dlg::kSave, {11, 457, 116, 479}},
        {"width label (8 units high)", dlg::kSizeXLabel, {401, 421, 417, 434}},
        {"rotate right", dlg::kRotateRight, {569, 429, 623, 450}},
    };
    for (const MappedCase& c : cases) {
        const dlg::ControlTemplate* control = dlg::FindControl(c.id);
        ASSERT_NE(control, nullptr) << c.name;
        EXPECT_EQ(dlg::MapDialogRect(control->rect), c.pixels)
            << c.name << ": " << Show(dlg::MapDialogRect(control->rect));
    }
    const Rect client = dlg::MapDialogRect(dlg::kMainTemplateSize);
    EXPECT_EQ(client.Width(), 653);
    EXPECT_EQ(client.Height(), 491);
}

TEST(DialogUnits, TemplateHoldsEveryControlOnceAndTheLayoutMovesThemAll) {
    std::set<int> ids;
    for (const dlg::ControlTemplate& control : dlg::MainTemplate()) {
        EXPECT_TRUE(ids.insert(control.id).second) << "control " << control.id << " twice";
        const Rect r = dlg::MapDialogRect(control.rect);
        EXPECT_GT(r.Width(), 0) << control.id;
        EXPECT_GT(r.Height(), 0) << control.id;
    }
    EXPECT_EQ(ids.size(), 48u);
    std::set<int> laidOut(dlg::kRightColumn.begin(), dlg::kRightColumn.end());
    EXPECT_EQ(laidOut.size(), 44u) << "the right-hand column names a control twice";
    laidOut.insert(dlg::kPaneOrder.begin(), dlg::kPaneOrder.end());
    EXPECT_EQ(laidOut, ids) << "every control is moved by the layout, and no other";
    EXPECT_EQ(dlg::FindControl(4711), nullptr);
}

// ---- Layout -----------------------------------------------------------------------------------------------------

class DialogLayoutTest : public ::testing::Test {
protected:
    DialogLayoutTest() {
        std::vector<dlg::Placement> controls;
        for (const dlg::ControlTemplate& control : dlg::MainTemplate()) {
            controls.push_back({control.id, dlg::MapDialogRect(control.rect)});
        }
        m_layout.Record(kInitial, controls);
    }

    static Rect Initial(int id) { return dlg::MapDialogRect(dlg::FindControl(id)->rect); }

    Rect Placed(const std::vector<dlg::Placement>& placed, int id) const {
        for (const dlg::Placement& p : placed) {
            if (p.id == id) return p.rect;
        }
        ADD_FAILURE() << "control " << id << " not placed";
        return Rect{};
    }

    static constexpr Size kInitial{653, 491};
    dlg::DialogLayout m_layout;
};

TEST_F(DialogLayoutTest, GrowingBy100x60MovesTheColumnAndGrowsThePanes) {
    const auto placed = m_layout.Arrange(Size{kInitial.width + 100, kInitial.height + 60});
    ASSERT_EQ(placed.size(), 48u);
    // The column moves right by 100; Save and Save As also 60 down.
    for (int id : dlg::kRightColumn) {
        const Rect before = Initial(id);
        const std::int32_t down = (id == dlg::kSave || id == dlg::kSaveAs) ? 60 : 0;
        EXPECT_EQ(Placed(placed, id),
                  (Rect{before.left + 100, before.top + down, before.right + 100, before.bottom + down}))
            << "control " << id;
    }
    // Original pane: 100 wider and 30 taller; processed pane: 100 wider, 30 lower and 30 taller.
    EXPECT_EQ(Placed(placed, dlg::kOriginalPane), (Rect{17, 26, 405, 249}));
    EXPECT_EQ(Placed(placed, dlg::kProcessedPane), (Rect{17, 277, 405, 500}));
    EXPECT_EQ(Placed(placed, dlg::kOriginalGroup), (Rect{11, 11, 411, 258}));
    EXPECT_EQ(Placed(placed, dlg::kProcessedGroup), (Rect{11, 261, 411, 507}));
    // The panes come last, the original pane first.
    EXPECT_EQ(placed[44].id, dlg::kOriginalPane);
    EXPECT_EQ(placed[45].id, dlg::kProcessedPane);
}

struct HalfCase {
    const char* name;
    std::int32_t dy;
    std::int32_t half;
};

TEST_F(DialogLayoutTest, HalfTheHeightChangeIsTruncatedTowardZero) {
    const HalfCase cases[] = {
        {"growth of 61", 61, 30}, {"shrink of 61", -61, -30}, {"growth of 60", 60, 30},
        {"growth of 1", 1, 0},    {"shrink of 1", -1, 0},     {"no change", 0, 0},
    };
    for (const HalfCase& c : cases) {
        EXPECT_EQ(dlg::HalfTowardZero(c.dy), c.half) << c.name;
        const auto placed = m_layout.Arrange(Size{kInitial.width, kInitial.height + c.dy});
        const Rect original = Initial(dlg::kOriginalPane);
        const Rect processed = Initial(dlg::kProcessedPane);
        EXPECT_EQ(Placed(placed, dlg::kOriginalPane).bottom, original.bottom + c.half) << c.name;
        EXPECT_EQ(Placed(placed, dlg::kProcessedPane).top, processed.top + c.half) << c.name;
        EXPECT_EQ(Placed(placed, dlg::kProcessedPane).bottom, processed.bottom + c.dy) << c.name;
        EXPECT_EQ(Placed(placed, dlg::kSave).top, Initial(dlg::kSave).top + c.dy) << c.name;
    }
}

TEST_F(DialogLayoutTest, EveryArrangementIsRelativeToTheRecordedPositions) {
    // Whatever sizes came before, the initial size gives the initial rectangles back exactly.
    for (Size size : {Size{753, 551}, Size{700, 520}, Size{1280, 1000}, Size{654, 492}}) {
        (void)m_layout.Arrange(size);
    }
    for (const dlg::Placement& p : m_layout.Arrange(kInitial)) {
        EXPECT_EQ(p.rect, Initial(p.id)) << "control " << p.id;
        EXPECT_EQ(m_layout.Recorded(p.id), Initial(p.id)) << "control " << p.id;
    }
}

TEST(DialogLayout, ControlsMissingFromTheRecordAreLeftOut) {
    dlg::DialogLayout layout;
    const dlg::Placement only[] = {{dlg::kScan, Rect{1, 2, 3, 4}}, {dlg::kProcessedPane, Rect{5, 6, 7, 8}}, {99, {}}};
    layout.Record(Size{100, 100}, only);
    const auto placed = layout.Arrange(Size{110, 120});
    ASSERT_EQ(placed.size(), 2u);
    EXPECT_EQ(placed[0].id, dlg::kScan);
    EXPECT_EQ(placed[0].rect, (Rect{11, 2, 13, 4}));
    EXPECT_EQ(placed[1].rect, (Rect{5, 16, 17, 28}));
    EXPECT_EQ(layout.Recorded(99), Rect{});
}

struct MinimumCase {
    const char* name;
    Size frame;
    Size minimum;
};

TEST(DialogLayout, MinimumSizeTakesTheFrameOffWhenItIsKnown) {
    const MinimumCase cases[] = {
        {"no frame known: the client size itself", {0, 0}, {680, 520}},
        {"borders and a title bar", {10, 37}, {670, 483}},
        {"a negative frame counts as none", {-4, -4}, {680, 520}},
        {"a frame larger than the limit", {700, 600}, {0, 0}},
    };
    for (const MinimumCase& c : cases) EXPECT_EQ(dlg::MinimumClientSize(c.frame), c.minimum) << c.name;
}

// ---- Size fields ------------------------------------------------------------------------------------------------

struct FieldCase {
    const char* text;
    std::optional<std::uint32_t> value;
};

TEST(SizeField, AcceptsOnlyUnsignedDecimalIntegers) {
    const FieldCase cases[] = {
        {"400", 400u},
        {"0", 0u},
        {" 12\t", 12u},
        {"007", 7u},
        {"4294967295", 4294967295u},
        {"4294967296", std::nullopt},
        {"99999999999999999999", std::nullopt},
        {"-1", std::nullopt},
        {"-0", std::nullopt},
        {"+5", std::nullopt},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"12a", std::nullopt},
        {"1 2", std::nullopt},
        {"0x10", std::nullopt},
        {"1.5", std::nullopt},
        {"\xd9\xa3", std::nullopt},  // an Arabic-Indic digit three
    };
    for (const FieldCase& c : cases) EXPECT_EQ(ParseSizeField(c.text), c.value) << '"' << c.text << '"';
}

// ---- Help pages -------------------------------------------------------------------------------------------------

void Touch(const std::filesystem::path& file) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << "<html></html>";
}

TEST(HelpPages, FoundBesideTheProgramThenUnderTheInstallPrefix) {
    testsupport::TempDir dir;
    const std::filesystem::path build = dir.path() / "build" / "app";
    const std::filesystem::path prefix = dir.path() / "usr";
    const std::filesystem::path fixed = dir.path() / "fixed" / "help";

    EXPECT_EQ(FindHelpIndex(HelpFolders(build, fixed)), std::nullopt) << "nothing installed";

    Touch(fixed / "index.html");
    EXPECT_EQ(FindHelpIndex(HelpFolders(build, fixed)), fixed / "index.html") << "the folder fixed at build time";

    Touch(prefix / "share" / "lumivane" / "help" / "index.html");
    EXPECT_EQ(FindHelpIndex(HelpFolders(prefix / "bin", fixed)), prefix / "share" / "lumivane" / "help" / "index.html")
        << "a relocated installation";

    std::filesystem::create_directories(build / "help" / "index.html");  // a folder of that name is no page
    EXPECT_EQ(FindHelpIndex(HelpFolders(build, fixed)), fixed / "index.html");
    std::filesystem::remove(build / "help" / "index.html");
    Touch(build / "help" / "index.html");
    EXPECT_EQ(FindHelpIndex(HelpFolders(build, fixed)), build / "help" / "index.html") << "the build tree first";

    EXPECT_TRUE(HelpFolders({}, {}).empty());
}

}  // namespace
