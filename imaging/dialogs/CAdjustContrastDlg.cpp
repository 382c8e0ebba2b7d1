#include "imaging/dialogs/CAdjustContrastDlg.h"

#include <utility>

CAdjustContrastDlg::CAdjustContrastDlg(EffectBinding binding, QWidget* parent)
    : CSliderTripleDlg(std::move(binding),
                       {tr("Contrast"),
                        {{{tr("&Red"), 1010, 1013}, {tr("&Green"), 1011, 1015}, {tr("&Blue"), 1012, 1014}}},
                        true,
                        tr("&Apply"),
                        229,
                        95},
                       parent) {}
