#include "imaging/dialogs/CAdjustHSBDlg.h"

CAdjustHSBDlg::CAdjustHSBDlg(CLumivaneState& state, QWidget* parent)
    : CSliderTripleDlg(state,
                       {tr("Hue, Saturation and Brightness"),
                        {{{tr("&Hue"), &ProcessingSettings::m_nHue, 10101, 10104},
                          {tr("&Saturation"), &ProcessingSettings::m_nSaturation, 10103, 10105},
                          {tr("&Brightness"), &ProcessingSettings::m_nBrightness, 1012, 10106}}},
                        false,
                        tr("OK"),
                        236,
                        69},
                       parent) {}
