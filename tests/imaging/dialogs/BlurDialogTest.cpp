// The blur dialog (which entry a size selects, what OK and Cancel give back), the blur settings command of the main
// window, and the fixed sizes of all four dialogs (dialog units × 6 / 4 and × 13 / 8, rounded half away from zero).

#include <QComboBox>
#include <QLayout>
#include <QPushButton>
#include <climits>
#include <functional>
#include <memory>
#include <vector>

#include "imaging/dialogs/CAdjustBrightnessDlg.h"
#include "imaging/dialogs/CAdjustContrastDlg.h"
#include "imaging/dialogs/CAdjustHSBDlg.h"
#include "imaging/dialogs/CBlurDlg.h"
#include "tests/imaging/dialogs/EffectDialogTestSupport.h"

namespace {

using effecttest::PressKey;
using PS = ProcessingSettings;

const effecttest::SettingsTriple kBrightnessValues{&PS::m_nBrightR, &PS::m_nBrightG, &PS::m_nBrightB};
const effecttest::SettingsTriple kContrastValues{&PS::m_nContrastR, &PS::m_nContrastG, &PS::m_nContrastB};
const effecttest::SettingsTriple kHsbValues{&PS::m_nHue, &PS::m_nSaturation, &PS::m_nBrightness};

struct Opening {
    const char* name;
    std::int32_t size;
    int entry;                 // selected at opening, −1 for none
    std::int32_t sizeAfterOk;  // what OK gives back without a change of selection
};

const Opening kOpenings[] = {
    {"smallest", 3, 0, 3},
    {"default", 5, 1, 5},
    {"largest", 29, 13, 29},
    {"even selects the entry below", 6, 1, 5},
    {"4 selects 3", 4, 0, 3},
    {"30 selects 29", 30, 13, 29},
    {"2 names no entry", 2, -1, 1},
    {"1 names no entry", 1, -1, 1},
    {"0 names no entry", 0, -1, 1},
    {"negative", -7, -1, 1},
    {"31 is past the list", 31, -1, 1},
    {"far past the list", 1000, -1, 1},
    {"lowest integer", INT_MIN, -1, 1},
    {"highest integer", INT_MAX, -1, 1},
};

TEST(BlurDialog, OpeningSelectsTheEntryOfTheSizeAndOkAndCancelGiveTheSizeBack) {
    const QStringList entries{"3", "5", "7", "9", "11", "13", "15", "17", "19", "21", "23", "25", "27", "29"};
    for (const Opening& opening : kOpenings) {
        SCOPED_TRACE(opening.name);
        EXPECT_EQ(CBlurDlg::EntryForSize(opening.size), opening.entry);
        {
            CBlurDlg dialog(opening.size);
            QStringList shown;
            for (int i = 0; i < dialog.SizeList()->count(); ++i) shown << dialog.SizeList()->itemText(i);
            EXPECT_EQ(shown, entries);
            EXPECT_EQ(dialog.SizeList()->currentIndex(), opening.entry);
            EXPECT_EQ(dialog.Size(), opening.size);
            dialog.OkButton()->click();
            EXPECT_EQ(dialog.result(), QDialog::Accepted);
            EXPECT_EQ(dialog.Size(), opening.sizeAfterOk);
        }
        {
            CBlurDlg dialog(opening.size);
            dialog.CancelButton()->click();
            EXPECT_EQ(dialog.result(), QDialog::Rejected);
            EXPECT_EQ(dialog.Size(), opening.size);
        }
    }
}

TEST(BlurDialog, AChosenEntryIsStoredOnOkOrEnterAndForgottenOnCancelOrEsc) {
    struct Way {
        const char* name;
        std::function<void(CBlurDlg&)> close;
        std::int32_t expected;
    };
    const Way ways[] = {
        {"OK", [](CBlurDlg& d) { d.OkButton()->click(); }, 11},
        {"Enter", [](CBlurDlg& d) { PressKey(d, Qt::Key_Return); }, 11},
        {"Cancel", [](CBlurDlg& d) { d.CancelButton()->click(); }, 29},
        {"Esc", [](CBlurDlg& d) { PressKey(d, Qt::Key_Escape); }, 29},
        {"close box", [](CBlurDlg& d) { d.close(); }, 29},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        CBlurDlg dialog(29);
        dialog.show();
        dialog.SizeList()->setCurrentIndex(4);
        way.close(dialog);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.Size(), way.expected);
    }
}

TEST(BlurDialog, ThePreviewGetsEveryChosenSizeAndTheGivenOneBackOnCancel) {
    for (const bool ok : {true, false}) {
        std::vector<std::int32_t> previewed;
        CBlurDlg dialog(7);
        dialog.SetPreview([&previewed](std::int32_t size) { previewed.push_back(size); });
        dialog.show();
        EXPECT_TRUE(previewed.empty()) << "opening previews nothing";
        dialog.SizeList()->setCurrentIndex(0);
        dialog.SizeList()->setCurrentIndex(13);
        (ok ? dialog.OkButton() : dialog.CancelButton())->click();
        const std::vector<std::int32_t> expected =
            ok ? std::vector<std::int32_t>{3, 29} : std::vector<std::int32_t>{3, 29, 7};
        EXPECT_EQ(previewed, expected) << (ok ? "OK" : "Cancel");
        EXPECT_EQ(dialog.Size(), ok ? 29 : 7);
    }
    // Cancel without a change hands nothing back.
    int calls = 0;
    CBlurDlg dialog(7);
    dialog.SetPreview([&calls](std::int32_t) { ++calls; });
    dialog.reject();
    EXPECT_EQ(calls, 0);
}

class BlurCommandTest : public effecttest::StateWithPicture {};

TEST_F(BlurCommandTest, StoresTheSizeOnlyOnOkAndReRunsWheneverBlurIsOn) {
    struct Case {
        const char* name;
        bool blurOn;
        int result;
        std::int32_t expectedSize;
        int expectedRuns;
    };
    const Case cases[] = {
        {"on, OK", true, QDialog::Accepted, 21, 1},
        {"on, Cancel", true, QDialog::Rejected, 5, 1},
        {"off, OK", false, QDialog::Accepted, 21, 0},
        {"off, Cancel", false, QDialog::Rejected, 5, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_state.m_settings.m_nBlurSize = 5;
        m_state.m_settings.m_bBlur = c.blurOn ? 1 : 0;
        m_spy.runs = 0;
        m_state.ChooseBlurSize(c.result == QDialog::Accepted ? std::optional<std::int32_t>(21) : std::nullopt);
        EXPECT_EQ(m_state.m_settings.m_nBlurSize, c.expectedSize);
        EXPECT_EQ(m_spy.runs, c.expectedRuns);
    }
}

TEST(EffectDialogs, EachHasItsTemplateSizeAndItsControlsFitIn) {
    CLumivaneState state;
    struct Case {
        const char* name;
        std::unique_ptr<QDialog> dialog;
        QSize expected;
    };
    Case cases[] = {
        {"brightness", std::make_unique<CAdjustBrightnessDlg>(effecttest::Bind(state, kBrightnessValues)), {344, 141}},
        {"contrast", std::make_unique<CAdjustContrastDlg>(effecttest::Bind(state, kContrastValues)), {344, 154}},
        {"hue/saturation/brightness", std::make_unique<CAdjustHSBDlg>(effecttest::Bind(state, kHsbValues)), {354, 112}},
        {"blur", std::make_unique<CBlurDlg>(5), {183, 80}},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.dialog->show();
        EXPECT_EQ(c.dialog->size(), c.expected);
        EXPECT_EQ(c.dialog->minimumSize(), c.expected);
        EXPECT_EQ(c.dialog->maximumSize(), c.expected);
        const QSize needed = c.dialog->layout()->minimumSize();
        EXPECT_LE(needed.width(), c.expected.width());
        EXPECT_LE(needed.height(), c.expected.height());
        // OK is the default button: Enter confirms.
        auto* ok = c.dialog->findChild<QPushButton*>(QStringLiteral("button1"));
        ASSERT_NE(ok, nullptr);
        EXPECT_TRUE(ok->isDefault());
    }
}

}  // namespace
