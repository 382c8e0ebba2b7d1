#pragma once
// The named options and the profile lines each one must equal, for panes of the default size 288 × 193 with every
// light tracker hidden. The rectangles: 25% of 288 is pane pixel 72, the crop tracker edge 5 further in, and the
// relative value (72 + 5 + 0.5) ÷ (286 − 5).

#include <string>
#include <vector>

struct NamedOptionRow {
    std::vector<std::string> arguments;
    std::string lines;
    bool switchesOff = false;  // the option switches a stage off: it shows on a profile that switched it on
};

inline const std::vector<NamedOptionRow>& NamedOptionRows() {
    static const std::vector<NamedOptionRow> rows = {
        {{"--blur", "7"}, "m_bBlur=1\nm_nBlurSize=7\n"},
        {{"--brightness", "60"}, "m_bBrightness =1\nm_nBrightR=60\nm_nBrightG=60\nm_nBrightB=60\n"},
        {{"--brightness=0,50,100"}, "m_bBrightness =1\nm_nBrightR=0\nm_nBrightG=50\nm_nBrightB=100\n"},
        {{"--contrast", "30,50,90"}, "m_bContrast=1\nm_nContrastR=30\nm_nContrastG=50\nm_nContrastB=90\n"},
        {{"--hsb", "20,70,55"}, "m_bHSB =1\nm_nHue=20\nm_nSaturation=70\nm_nBrightness=55\n"},
        {{"--invert", "rb"}, "m_bInvertR=1\nm_bInvertG=0\nm_bInvertB=1\n"},
        {{"--invert", "G"}, "m_bInvertR=0\nm_bInvertG=1\nm_bInvertB=0\n"},
        {{"--grey"}, "m_bGrayScale=1\n"},
        {{"--gray"}, "m_bGrayScale=1\n"},
        {{"--sharpen"}, "m_bSharpen=1\n"},
        {{"--emboss"}, "m_bEmboss=1\n"},
        {{"--resize", "90x40"}, "m_bResize=1\nm_nSizeX=90\nm_nSizeY=40\n"},
        {{"--crop", "25%,25%,75%,75%"},
         "m_bCrop=1\nm_cBmpWndOriginal.m_bCrop=1\nm_cBmpWndOriginal.CroprcT=0.287634\n"
         "m_cBmpWndOriginal.CroprcL=0.275801\nm_cBmpWndOriginal.CroprcB=0.755376\n"
         "m_cBmpWndOriginal.CroprcR=0.752669\n"},
        {{"--light", "2:0.1,0.2,0.6,0.9:#FF8000"},
         "m_bLight2=1\nm_cBmpWndDestination.LightrcT2=0.212366\nm_cBmpWndDestination.LightrcL2=0.104982\n"
         "m_cBmpWndDestination.LightrcB2=0.938172\nm_cBmpWndDestination.LightrcR2=0.617438\n"
         "Light2R=255\nLight2G=128\nLight2B=0\n"},
        {{"--light=1:0,0,50%,50%"},
         "m_bLight1=1\nm_cBmpWndDestination.LightrcT1=0.002688\nm_cBmpWndDestination.LightrcL1=0.001779\n"
         "m_cBmpWndDestination.LightrcB1=0.524194\nm_cBmpWndDestination.LightrcR1=0.514235\n"},
        {{"--no-blur"}, "m_bBlur=0\n", true},
        {{"--no-brightness"}, "m_bBrightness =0\n", true},
        {{"--no-contrast"}, "m_bContrast=0\n", true},
        {{"--no-hsb"}, "m_bHSB =0\n", true},
        {{"--no-invert"}, "m_bInvertR=0\nm_bInvertG=0\nm_bInvertB=0\n", true},
        {{"--no-grey"}, "m_bGrayScale=0\n", true},
        {{"--no-gray"}, "m_bGrayScale=0\n", true},
        {{"--no-sharpen"}, "m_bSharpen=0\n", true},
        {{"--no-emboss"}, "m_bEmboss=0\n", true},
        {{"--no-resize"}, "m_bResize=0\n", true},
        {{"--no-crop"}, "m_bCrop=0\nm_cBmpWndOriginal.m_bCrop=0\n", true},
        {{"--no-light", "1"}, "m_bLight1=0\n", true},
    };
    return rows;
}
