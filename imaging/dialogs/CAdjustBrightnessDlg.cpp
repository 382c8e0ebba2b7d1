#include "imaging/dialogs/CAdjustBrightnessDlg.h"

CAdjustBrightnessDlg::CAdjustBrightnessDlg(CLumivaneState& state, QWidget* parent)
    : CSliderTripleDlg(state,
                       {tr("Brightness"),
                        {{{tr("&Red"), &ProcessingSettings::m_nBrightR, 1010, 1013},
                          {tr("&Green"), &ProcessingSettings::m_nBrightG, 1011, 1015},
                          {tr("&Blue"), &ProcessingSettings::m_nBrightB, 1012, 1014}}},
                        true,
                        tr("&Apply"),
                        229,
                        87},
                       parent) {}
