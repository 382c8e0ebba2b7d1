#pragma once
// The brightness settings dialog: sliders for m_nBrightR, m_nBrightG and m_nBrightB with a lock that keeps
// the three together (on when the dialog opens), an "Apply" button (the default) that keeps the values and Cancel.
// See CSliderTripleDlg for how the dialog writes the settings, previews and restores them.

#include "imaging/dialogs/CSliderTripleDlg.h"

class CAdjustBrightnessDlg : public CSliderTripleDlg {
    Q_OBJECT

public:
    // Opens on the current m_nBrightR, m_nBrightG and m_nBrightB, given in that order by binding; they must
    // outlive the dialog.
    explicit CAdjustBrightnessDlg(EffectBinding binding, QWidget* parent = nullptr);
};
