#pragma once
// What the effect dialog tests share: a QApplication for the whole run (made before the first test, so listing the
// tests needs no display), a view that counts the chain's runs, and a state with a random picture acquired.

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QWidget>
#include <array>
#include <memory>
#include <random>

#include "app/CLumivaneState.h"
#include "imaging/dialogs/CSliderTripleDlg.h"
#include "tests/support/TestSupport.h"

namespace effecttest {

// Counts the runs of the chain that reached the processed pane.
class ChainSpy : public IStateView {
public:
    bool ProcessedImageChanged(const BMP_File&) override {
        ++runs;
        return true;
    }
    int runs = 0;
};

// A state with a 37 × 23 random picture acquired (the preview run done) and the spy counting from zero.
class StateWithPicture : public ::testing::Test {
protected:
    StateWithPicture() {
        m_state.SetView(&m_spy);
        std::mt19937 random(20240613);
        BMP_File picture = testsupport::RandomImage(random, 37, 23);
        EXPECT_TRUE(m_state.ShowAcquiredImage(std::move(picture)));
        m_spy.runs = 0;
    }

    // The processed picture as it is now.
    BMP_File Processed() const { return testsupport::Copy(m_state.ProcessedImage()); }

    CLumivaneState m_state;
    ChainSpy m_spy;
};

using SettingsTriple = std::array<std::int32_t ProcessingSettings::*, 3>;

// Binds a slider dialog to three settings of state's record and its preview run, as the window does.
inline EffectBinding Bind(CLumivaneState& state, SettingsTriple settings) {
    return EffectBinding{
        {&(state.m_settings.*settings[0]), &(state.m_settings.*settings[1]), &(state.m_settings.*settings[2])},
        [&state] { state.ProcessImage(true); }};
}

// Sends a key press to a widget as the keyboard would.
void PressKey(QWidget& widget, Qt::Key key);

}  // namespace effecttest
