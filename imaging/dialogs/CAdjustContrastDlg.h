#pragma once
// The contrast settings dialog: sliders for m_nContrastR, m_nContrastG and m_nContrastB with a lock that keeps
// the three together (on when the dialog opens), an "Apply" button (the default) that keeps the values and Cancel.
// See CSliderTripleDlg for how the dialog writes the settings, previews and restores them.

#include "imaging/dialogs/CSliderTripleDlg.h"

class CAdjustContrastDlg : public CSliderTripleDlg {
    Q_OBJECT

public:
    // Opens on the current m_nContrastR, m_nContrastG and m_nContrastB, given in that order by binding; they must
    // outlive the dialog.
    explicit CAdjustContrastDlg(EffectBinding binding, QWidget* parent = nullptr);
};
