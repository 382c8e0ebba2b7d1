#pragma once
// The processing settings record: one switch per correction (non-zero means on), the values that tune them (0..100
// with 50 neutral for the effects), the three light colours and the rectangles of the two panes. Members are named
// like their profile keys. Values outside the ranges come only from hand-edited profiles and are taken as they are;
// the stages treat them safely.

#include <cstdint>

#include "imaging/Rect.h"

struct ProcessingSettings {
    std::int32_t m_bBlur = 0;
    std::int32_t m_nBlurSize = 5;  // odd 3..29 from the blur dialog
    std::int32_t m_bBrightness = 0;
    std::int32_t m_nBrightR = 50;
    std::int32_t m_nBrightG = 50;
    std::int32_t m_nBrightB = 50;
    std::int32_t m_bContrast = 0;
    std::int32_t m_nContrastR = 50;
    std::int32_t m_nContrastG = 50;
    std::int32_t m_nContrastB = 50;
    std::int32_t m_bHSB = 0;
    std::int32_t m_nHue = 50;
    std::int32_t m_nSaturation = 50;
    std::int32_t m_nBrightness = 50;
    std::int32_t m_bInvertR = 0;
    std::int32_t m_bInvertG = 0;
    std::int32_t m_bInvertB = 0;
    std::int32_t m_bGrayScale = 0;
    std::int32_t m_bSharpen = 0;
    std::int32_t m_bEmboss = 0;
    std::int32_t m_bCrop = 0;
    std::int32_t m_bLight1 = 0;
    std::int32_t m_bLightEdit1 = 0;
    std::int32_t m_bLight2 = 0;
    std::int32_t m_bLightEdit2 = 0;
    std::int32_t m_bLight3 = 0;
    std::int32_t m_bLightEdit3 = 0;
    std::int32_t m_bResize = 0;
    std::uint32_t m_nSizeX = 400;  // the profile reads and writes these two as signed integers
    std::uint32_t m_nSizeY = 300;

    // Target colour of each light area: [light 0..2][red, green, blue], keys "Light1R" … "Light3B". White from the
    // window's initialisation on.
    std::int32_t m_nLightColor[3][3] = {};

    // Crop rectangle in client pixels of the original pane; light rectangles in client pixels of the processed pane.
    Rect m_rcCrop;
    Rect m_rcLight1;
    Rect m_rcLight2;
    Rect m_rcLight3;
};

// The members of one light area in the record; its colour is m_nLightColor[light].
struct LightMembers {
    std::int32_t ProcessingSettings::*on;    // m_bLight1..3: the light is applied
    std::int32_t ProcessingSettings::*edit;  // m_bLightEdit1..3: its tracker is shown for editing
    Rect ProcessingSettings::*rect;          // m_rcLight1..3
};

// The three lights, 0..2 (named 1..3 in keys and controls): the one place that lists their members.
inline constexpr LightMembers kLights[3] = {
    {&ProcessingSettings::m_bLight1, &ProcessingSettings::m_bLightEdit1, &ProcessingSettings::m_rcLight1},
    {&ProcessingSettings::m_bLight2, &ProcessingSettings::m_bLightEdit2, &ProcessingSettings::m_rcLight2},
    {&ProcessingSettings::m_bLight3, &ProcessingSettings::m_bLightEdit3, &ProcessingSettings::m_rcLight3},
};
