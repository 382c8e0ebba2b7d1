#include "imaging/dialogs/CAdjustHSBDlg.h"

#include <utility>

CAdjustHSBDlg::CAdjustHSBDlg(EffectBinding binding, QWidget* parent)
    : CSliderTripleDlg(
          std::move(binding),
          {tr("Hue, Saturation and Brightness"),
           {{{tr("&Hue"), 10101, 10104}, {tr("&Saturation"), 10103, 10105}, {tr("&Brightness"), 1012, 10106}}},
           false,
           tr("OK"),
           236,
           69},
          parent) {}
