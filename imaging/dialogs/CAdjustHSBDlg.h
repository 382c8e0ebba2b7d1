#pragma once
// The hue/saturation/brightness settings dialog: sliders for m_nHue, m_nSaturation and m_nBrightness, no lock,
// OK (the default) that keeps the values and Cancel.
// See CSliderTripleDlg for how the dialog writes the settings, previews and restores them.

#include "imaging/dialogs/CSliderTripleDlg.h"

class CAdjustHSBDlg : public CSliderTripleDlg {
    Q_OBJECT

public:
    // Opens on the current m_nHue, m_nSaturation and m_nBrightness, given in that order by binding; they must
    // outlive the dialog.
    explicit CAdjustHSBDlg(EffectBinding binding, QWidget* parent = nullptr);
};
