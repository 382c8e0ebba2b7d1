#pragma once
// The common part of the three slider dialogs (brightness, contrast, hue/saturation/brightness): three horizontal
// sliders 0..100, each bound to one setting and shown in a "%d%%" value label, and for brightness and contrast a lock
// check box that keeps the three sliders at one position.
//
// The dialog works on the three settings and the preview run of the EffectBinding it is given; the settings must
// outlive it. It knows nothing else of the window. Construction is the opening: the three values are taken from the
// bound settings, the sliders move to them (a value outside 0..100, which only a hand-edited profile brings, puts its
// slider at the nearer end), the labels show the positions, the lock is on, and the values are remembered. Nothing is
// written and the chain does not run then.
//
// Every change of a slider's position (a drag as it goes, the keyboard, a click on the groove, setValue) writes the
// three positions into the three settings and runs the preview once; with the lock on, the other two sliders
// move to the moved one's position first. Switching the lock on moves green and blue to red's position and does the
// same; switching it off does nothing more. accept() keeps what was written. reject() (the Cancel button, Esc and the
// window's close box) writes the remembered values back, exactly as they were, runs the preview and closes.

#include <QDialog>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>

// What a slider dialog edits: the three settings it writes, row by row, and the preview run that follows every
// write.
struct EffectBinding {
    std::array<std::int32_t*, 3> values;
    std::function<void()> rerunPreview;
};

class QCheckBox;
class QLabel;
class QPushButton;
class QSlider;

class CSliderTripleDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int kRows = 3;
    static constexpr int kMinimum = 0;
    static constexpr int kMaximum = 100;

    // The controls, for the window's wiring and for tests; row 0..2 in the order of the bound settings.
    QSlider* Slider(int row) const { return m_pSliders.at(static_cast<std::size_t>(row)); }
    QLabel* ValueLabel(int row) const { return m_pValueLabels.at(static_cast<std::size_t>(row)); }
    QCheckBox* LockBox() const { return m_pLock; }  // null on a dialog without a lock
    QPushButton* OkButton() const { return m_pOk; }
    QPushButton* CancelButton() const { return m_pCancel; }
    bool IsLocked() const { return m_bLock; }

    void reject() override;

protected:
    // One slider row: its caption and the control ids of the slider and its value label (kept as object names,
    // "slider1010" and "value1013").
    struct SliderRow {
        QString caption;
        int sliderId;
        int labelId;
    };

    struct Layout {
        QString title;
        std::array<SliderRow, kRows> rows;
        bool hasLock;
        QString okText;
        std::int32_t widthDlu;  // the fixed size in dialog units, mapped as the main window maps its controls
        std::int32_t heightDlu;
    };

    CSliderTripleDlg(EffectBinding binding, const Layout& layout, QWidget* parent);

    // The Cancel restore: the remembered values back into the settings, then a preview run.
    virtual void RestoreValues();

private:
    void BuildControls(const Layout& layout);
    void OnSliderChanged(int row);
    void OnLockToggled(bool on);
    // Labels from the positions, positions into the settings, a preview run.
    void ApplyPositions();

    EffectBinding m_binding;
    std::array<std::int32_t, kRows> m_nSaved{};  // the values the dialog opened with
    bool m_bLock = false;

    std::array<QSlider*, kRows> m_pSliders{};
    std::array<QLabel*, kRows> m_pValueLabels{};
    QCheckBox* m_pLock = nullptr;
    QPushButton* m_pOk = nullptr;
    QPushButton* m_pCancel = nullptr;
};
