#include "imaging/dialogs/CAdjustBrightnessDlg.h"

#include <utility>

CAdjustBrightnessDlg::CAdjustBrightnessDlg(EffectBinding binding, QWidget* parent)
    : CSliderTripleDlg(std::move(binding),
                       {tr("Brightness"),
                        {{{tr("&Red"), 1010, 1013}, {tr("&Green"), 1011, 1015}, {tr("&Blue"), 1012, 1014}}},
                        true,
                        tr("&Apply"),
                        229,
                        87},
                       parent) {}
