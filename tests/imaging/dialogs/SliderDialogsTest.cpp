// The brightness, contrast and hue/saturation/brightness dialogs against a shared state: what opening shows, how
// every kind of slider movement writes the settings and runs the chain at once, the lock, and what OK and every way
// of cancelling leave in the settings and in the processed picture.

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <array>
#include <functional>
#include <memory>

#include "imaging/dialogs/CAdjustBrightnessDlg.h"
#include "imaging/dialogs/CAdjustContrastDlg.h"
#include "imaging/dialogs/CAdjustHSBDlg.h"
#include "tests/imaging/dialogs/EffectDialogTestSupport.h"

namespace {

using effecttest::PressKey;
using testsupport::SamePixels;
using PS = ProcessingSettings;
using Triple = std::array<std::int32_t, 3>;

struct DialogCase {
    const char* name;
    std::function<std::unique_ptr<CSliderTripleDlg>(EffectBinding)> open;
    std::int32_t PS::*onSwitch;  // the main window's check box of the correction
    effecttest::SettingsTriple settings;
    bool hasLock;
};

void PrintTo(const DialogCase& dialogCase, std::ostream* out) {
    *out << dialogCase.name;
}

template <typename Dialog>
std::unique_ptr<CSliderTripleDlg> Open(EffectBinding binding) {
    return std::make_unique<Dialog>(std::move(binding));
}

const DialogCase kBrightness{"Brightness",
                             Open<CAdjustBrightnessDlg>,
                             &PS::m_bBrightness,
                             {&PS::m_nBrightR, &PS::m_nBrightG, &PS::m_nBrightB},
                             true};
const DialogCase kContrast{"Contrast",
                           Open<CAdjustContrastDlg>,
                           &PS::m_bContrast,
                           {&PS::m_nContrastR, &PS::m_nContrastG, &PS::m_nContrastB},
                           true};
const DialogCase kHsb{"HueSaturationBrightness",
                      Open<CAdjustHSBDlg>,
                      &PS::m_bHSB,
                      {&PS::m_nHue, &PS::m_nSaturation, &PS::m_nBrightness},
                      false};

class SliderDialogTest : public effecttest::StateWithPicture, public ::testing::WithParamInterface<DialogCase> {
protected:
    void SetValues(Triple values) {
        for (std::size_t i = 0; i < 3; ++i) m_state.m_settings.*GetParam().settings[i] = values[i];
    }
    Triple Values() const {
        Triple values{};
        for (std::size_t i = 0; i < 3; ++i) values[i] = m_state.m_settings.*GetParam().settings[i];
        return values;
    }
    // Sets the values and the correction's switch and runs the chain, as the window would have before opening.
    void Prepare(Triple values, bool switchedOn) {
        SetValues(values);
        m_state.m_settings.*GetParam().onSwitch = switchedOn ? 1 : 0;
        m_state.ProcessImage(true);
        m_spy.runs = 0;
    }
    std::unique_ptr<CSliderTripleDlg> OpenDialog() {
        return GetParam().open(effecttest::Bind(m_state, GetParam().settings));
    }

    static Triple Positions(const CSliderTripleDlg& dialog) {
        return {dialog.Slider(0)->value(), dialog.Slider(1)->value(), dialog.Slider(2)->value()};
    }
    static std::array<QString, 3> Labels(const CSliderTripleDlg& dialog) {
        return {dialog.ValueLabel(0)->text(), dialog.ValueLabel(1)->text(), dialog.ValueLabel(2)->text()};
    }
    static std::array<QString, 3> LabelsFor(Triple positions) {
        return {QStringLiteral("%1%").arg(positions[0]), QStringLiteral("%1%").arg(positions[1]),
                QStringLiteral("%1%").arg(positions[2])};
    }
    // Turns the lock off on a dialog that has one, so that each slider moves alone.
    static void Unlock(CSliderTripleDlg& dialog) {
        if (dialog.LockBox() != nullptr) dialog.LockBox()->click();
        ASSERT_FALSE(dialog.IsLocked());
    }
};

std::string CaseName(const ::testing::TestParamInfo<DialogCase>& info) {
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(AllSliderDialogs, SliderDialogTest, ::testing::Values(kBrightness, kContrast, kHsb), CaseName);

TEST_P(SliderDialogTest, OpeningShowsTheValuesWithTheLockOnAndWritesNothing) {
    Prepare({30, 50, 70}, true);
    auto dialog = OpenDialog();
    EXPECT_EQ(Positions(*dialog), (Triple{30, 50, 70}));  // not made equal at opening, lock or not
    EXPECT_EQ(Labels(*dialog), (std::array<QString, 3>{"30%", "50%", "70%"}));
    EXPECT_EQ(dialog->IsLocked(), GetParam().hasLock);
    EXPECT_EQ(dialog->LockBox() != nullptr, GetParam().hasLock);
    if (dialog->LockBox() != nullptr) {
        EXPECT_TRUE(dialog->LockBox()->isChecked());
    }
    EXPECT_EQ(Values(), (Triple{30, 50, 70}));
    EXPECT_EQ(m_spy.runs, 0);
}

TEST_P(SliderDialogTest, ValuesOutsideTheRangeShowAtTheEndsAndCancelPutsThemBackExactly) {
    // Only a hand-edited profile brings such values; the dialog must not lose them when nothing was chosen.
    Prepare({150, -5, 100}, true);
    auto dialog = OpenDialog();
    EXPECT_EQ(Positions(*dialog), (Triple{100, 0, 100}));
    EXPECT_EQ(Labels(*dialog), (std::array<QString, 3>{"100%", "0%", "100%"}));
    EXPECT_EQ(m_spy.runs, 0);
    dialog->reject();
    EXPECT_EQ(Values(), (Triple{150, -5, 100}));
}

// The ways a slider moves. A drag must reach the settings while the thumb is still held, so the preview follows it.
struct Movement {
    const char* name;
    std::function<void(QSlider&)> move;
};

const Movement kMovements[] = {
    {"setValue", [](QSlider& s) { s.setValue(s.value() == 80 ? 20 : 80); }},
    {"drag step",
     [](QSlider& s) {
         s.setSliderDown(true);
         s.setSliderPosition(s.value() + 7);
     }},
    {"page step", [](QSlider& s) { s.triggerAction(QAbstractSlider::SliderPageStepAdd); }},
    {"arrow key", [](QSlider& s) { PressKey(s, Qt::Key_Right); }},
};

TEST_P(SliderDialogTest, EveryMovementOfOneSliderWritesItsSettingAndRunsTheChainOnce) {
    for (const Movement& movement : kMovements) {
        for (int row = 0; row < 3; ++row) {
            SCOPED_TRACE(testing::Message() << movement.name << ", row " << row);
            Prepare({30, 50, 70}, true);
            auto dialog = OpenDialog();
            Unlock(*dialog);
            QSlider& slider = *dialog->Slider(row);
            const int before = slider.value();
            movement.move(slider);
            ASSERT_NE(slider.value(), before);

            Triple expected{30, 50, 70};
            expected[static_cast<std::size_t>(row)] = slider.value();
            EXPECT_EQ(Positions(*dialog), expected);
            EXPECT_EQ(Labels(*dialog), LabelsFor(expected));
            EXPECT_EQ(Values(), expected);
            EXPECT_EQ(m_spy.runs, 1);
            slider.setSliderDown(false);
        }
    }
}

TEST_P(SliderDialogTest, CancellingRestoresTheSettingsAndTheProcessedPicture) {
    struct Way {
        const char* name;
        std::function<void(CSliderTripleDlg&)> cancel;
    };
    const Way ways[] = {
        {"Cancel button", [](CSliderTripleDlg& d) { d.CancelButton()->click(); }},
        {"Esc", [](CSliderTripleDlg& d) { PressKey(d, Qt::Key_Escape); }},
        {"close box", [](CSliderTripleDlg& d) { d.close(); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        Prepare({30, 50, 70}, true);
        const BMP_File before = Processed();
        auto dialog = OpenDialog();
        dialog->show();
        dialog->Slider(0)->setValue(100);
        dialog->Slider(2)->setValue(0);
        ASSERT_FALSE(SamePixels(before, m_state.ProcessedImage())) << "the movements should change the picture";
        const int runsBefore = m_spy.runs;

        way.cancel(*dialog);
        EXPECT_EQ(dialog->result(), QDialog::Rejected);
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(Values(), (Triple{30, 50, 70}));
        EXPECT_EQ(m_spy.runs, runsBefore + 1);
        EXPECT_TRUE(SamePixels(before, m_state.ProcessedImage()));
    }
}

TEST_P(SliderDialogTest, OkKeepsTheWrittenValuesAndThePreview) {
    struct Way {
        const char* name;
        std::function<void(CSliderTripleDlg&)> confirm;
    };
    const Way ways[] = {
        {"OK button", [](CSliderTripleDlg& d) { d.OkButton()->click(); }},
        {"Enter", [](CSliderTripleDlg& d) { PressKey(d, Qt::Key_Return); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        Prepare({30, 50, 70}, true);
        auto dialog = OpenDialog();
        dialog->show();
        Unlock(*dialog);
        dialog->Slider(1)->setValue(90);
        const BMP_File moved = Processed();
        const int runsBefore = m_spy.runs;

        way.confirm(*dialog);
        EXPECT_EQ(dialog->result(), QDialog::Accepted);
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(Values(), (Triple{30, 90, 70}));
        EXPECT_EQ(m_spy.runs, runsBefore);
        EXPECT_TRUE(SamePixels(moved, m_state.ProcessedImage()));
    }
}

TEST_P(SliderDialogTest, WithTheCorrectionSwitchedOffTheSettingsChangeButThePictureDoesNot) {
    Prepare({50, 50, 50}, false);
    const BMP_File before = Processed();
    auto dialog = OpenDialog();
    dialog->Slider(0)->setValue(95);
    dialog->Slider(1)->setValue(5);
    EXPECT_NE(Values(), (Triple{50, 50, 50}));
    EXPECT_EQ(m_spy.runs, 2);
    EXPECT_TRUE(SamePixels(before, m_state.ProcessedImage()));
}

// The lock of the brightness and contrast dialogs.
class LockTest : public SliderDialogTest {};

INSTANTIATE_TEST_SUITE_P(LockedDialogs, LockTest, ::testing::Values(kBrightness, kContrast), CaseName);

TEST_P(LockTest, AMoveWithTheLockOnTakesTheOtherTwoAlongInOneRun) {
    for (int row = 0; row < 3; ++row) {
        SCOPED_TRACE(testing::Message() << "row " << row);
        Prepare({30, 50, 70}, true);
        auto dialog = OpenDialog();
        dialog->Slider(row)->setValue(60);
        EXPECT_EQ(Positions(*dialog), (Triple{60, 60, 60}));
        EXPECT_EQ(Labels(*dialog), LabelsFor({60, 60, 60}));
        EXPECT_EQ(Values(), (Triple{60, 60, 60}));
        EXPECT_EQ(m_spy.runs, 1);
    }
}

TEST_P(LockTest, SwitchingTheLockOffDoesNothingMoreAndOnEqualisesToRed) {
    Prepare({20, 50, 70}, true);
    auto dialog = OpenDialog();
    const BMP_File before = Processed();

    dialog->LockBox()->click();
    EXPECT_FALSE(dialog->IsLocked());
    EXPECT_EQ(Positions(*dialog), (Triple{20, 50, 70}));
    EXPECT_EQ(Values(), (Triple{20, 50, 70}));
    EXPECT_EQ(m_spy.runs, 0);

    dialog->LockBox()->click();
    EXPECT_TRUE(dialog->IsLocked());
    EXPECT_EQ(Positions(*dialog), (Triple{20, 20, 20}));
    EXPECT_EQ(Labels(*dialog), LabelsFor({20, 20, 20}));
    EXPECT_EQ(Values(), (Triple{20, 20, 20}));
    EXPECT_EQ(m_spy.runs, 1);
    EXPECT_FALSE(SamePixels(before, m_state.ProcessedImage()));
}

TEST_P(LockTest, WithTheLockOffOnlyTheMovedSliderChangesUntilTheLockReturns) {
    Prepare({20, 50, 70}, true);
    auto dialog = OpenDialog();
    dialog->LockBox()->click();
    dialog->Slider(2)->setValue(60);
    EXPECT_EQ(Values(), (Triple{20, 50, 60}));
    dialog->LockBox()->click();
    dialog->Slider(1)->setValue(40);
    EXPECT_EQ(Values(), (Triple{40, 40, 40}));
    EXPECT_EQ(m_spy.runs, 3);
    dialog->reject();
    EXPECT_EQ(Values(), (Triple{20, 50, 70}));
}

}  // namespace
