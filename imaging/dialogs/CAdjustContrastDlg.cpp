#include "imaging/dialogs/CAdjustContrastDlg.h"

CAdjustContrastDlg::CAdjustContrastDlg(CLumivaneState& state, QWidget* parent)
    : CSliderTripleDlg(state,
                       {tr("Contrast"),
                        {{{tr("&Red"), &ProcessingSettings::m_nContrastR, 1010, 1013},
                          {tr("&Green"), &ProcessingSettings::m_nContrastG, 1011, 1015},
                          {tr("&Blue"), &ProcessingSettings::m_nContrastB, 1012, 1014}}},
                        true,
                        tr("&Apply"),
                        229,
                        95},
                       parent) {}
