#include "app/Profile.h"

#include <cstdint>

#include "app/ProcessingSettings.h"
#include "panes/CPaneModel.h"

const char* const kProfileBanner =
    "Lumivane correction profile - Tessary\n"
    "https://tessary.example/lumivane";

namespace {

void AddInteger(CIniPartition& partition, const char* key, std::int32_t& variable) {
    CIniItem* item = partition.AddItem();
    item->SetName(key);
    item->Bind(variable);
}

void AddReal(CIniPartition& partition, const char* key, float& variable) {
    CIniItem* item = partition.AddItem();
    item->SetName(key);
    item->Bind(variable);
}

void AddTrackerRect(CIniPartition& partition, const std::string& prefix, Rect& rect) {
    AddInteger(partition, (prefix + ".m_rect.left").c_str(), rect.left);
    AddInteger(partition, (prefix + ".m_rect.top").c_str(), rect.top);
    AddInteger(partition, (prefix + ".m_rect.right").c_str(), rect.right);
    AddInteger(partition, (prefix + ".m_rect.bottom").c_str(), rect.bottom);
}

// m_rcLight1..3 are stored in the order left, right, top, bottom.
void AddLightRect(CIniPartition& partition, const std::string& prefix, Rect& rect) {
    AddInteger(partition, (prefix + ".left").c_str(), rect.left);
    AddInteger(partition, (prefix + ".right").c_str(), rect.right);
    AddInteger(partition, (prefix + ".top").c_str(), rect.top);
    AddInteger(partition, (prefix + ".bottom").c_str(), rect.bottom);
}

// Relative rectangles are stored in the order top, left, bottom, right.
void AddRelative(CIniPartition& partition, const std::string& prefix, const std::string& suffix, RelativeRect& rect) {
    AddReal(partition, (prefix + "T" + suffix).c_str(), rect.top);
    AddReal(partition, (prefix + "L" + suffix).c_str(), rect.left);
    AddReal(partition, (prefix + "B" + suffix).c_str(), rect.bottom);
    AddReal(partition, (prefix + "R" + suffix).c_str(), rect.right);
}

}  // namespace

void DeclareProfile(CFileStorage& storage, ProcessingSettings& s, CPaneModel& original, CPaneModel& destination) {
    storage.SetHeader(kProfileBanner);
    storage.RemoveAll();
    CIniPartition& p = *storage.AddPartition();
    p.SetName("Settings");

    AddInteger(p, "m_bBlur", s.m_bBlur);
    AddInteger(p, "m_nBlurSize", s.m_nBlurSize);
    AddInteger(p, "m_bBrightness ", s.m_bBrightness);  // the blank is part of the key
    AddInteger(p, "m_nBrightR", s.m_nBrightR);
    AddInteger(p, "m_nBrightG", s.m_nBrightG);
    AddInteger(p, "m_nBrightB", s.m_nBrightB);
    AddInteger(p, "m_bContrast", s.m_bContrast);
    AddInteger(p, "m_nContrastR", s.m_nContrastR);
    AddInteger(p, "m_nContrastG", s.m_nContrastG);
    AddInteger(p, "m_nContrastB", s.m_nContrastB);
    AddInteger(p, "m_bHSB ", s.m_bHSB);  // the blank is part of the key
    AddInteger(p, "m_nHue", s.m_nHue);
    AddInteger(p, "m_nSaturation", s.m_nSaturation);
    AddInteger(p, "m_nBrightness", s.m_nBrightness);
    AddInteger(p, "m_bInvertR", s.m_bInvertR);
    AddInteger(p, "m_bInvertG", s.m_bInvertG);
    AddInteger(p, "m_bInvertB", s.m_bInvertB);
    AddInteger(p, "m_bGrayScale", s.m_bGrayScale);
    AddInteger(p, "m_bSharpen", s.m_bSharpen);
    AddInteger(p, "m_bEmboss", s.m_bEmboss);
    AddInteger(p, "m_bCrop", s.m_bCrop);
    AddInteger(p, "m_bLight1", s.m_bLight1);
    AddInteger(p, "m_bLightEdit1", s.m_bLightEdit1);
    AddInteger(p, "m_bLight2", s.m_bLight2);
    AddInteger(p, "m_bLightEdit2", s.m_bLightEdit2);
    AddInteger(p, "m_bLight3", s.m_bLight3);
    AddInteger(p, "m_bLightEdit3", s.m_bLightEdit3);
    AddInteger(p, "m_bResize", s.m_bResize);
    // The sizes are unsigned but read and written as signed integers (signed and unsigned may alias).
    AddInteger(p, "m_nSizeX", reinterpret_cast<std::int32_t&>(s.m_nSizeX));
    AddInteger(p, "m_nSizeY", reinterpret_cast<std::int32_t&>(s.m_nSizeY));
    static const char* const kColorKeys[3][3] = {
        {"Light1R", "Light1G", "Light1B"}, {"Light2R", "Light2G", "Light2B"}, {"Light3R", "Light3G", "Light3B"}};
    for (int light = 0; light < 3; ++light) {
        for (int channel = 0; channel < 3; ++channel) {
            AddInteger(p, kColorKeys[light][channel], s.m_nLightColor[light][channel]);
        }
    }
    AddTrackerRect(p, "m_cBmpWndOriginal.m_cRectTracker", original.m_cRectTracker.m_rect);
    AddTrackerRect(p, "m_cBmpWndDestination.m_cLightTracker1", destination.m_cLightTracker1.m_rect);
    AddTrackerRect(p, "m_cBmpWndDestination.m_cLightTracker2", destination.m_cLightTracker2.m_rect);
    AddTrackerRect(p, "m_cBmpWndDestination.m_cLightTracker3", destination.m_cLightTracker3.m_rect);
    AddLightRect(p, "m_rcLight1", s.m_rcLight1);
    AddLightRect(p, "m_rcLight2", s.m_rcLight2);
    AddLightRect(p, "m_rcLight3", s.m_rcLight3);
    AddInteger(p, "m_cBmpWndOriginal.m_bCrop", original.m_bCrop);
    AddInteger(p, "m_cBmpWndDestination.m_bLight1", destination.m_bLight1);
    AddInteger(p, "m_cBmpWndDestination.m_bLight2", destination.m_bLight2);
    AddInteger(p, "m_cBmpWndDestination.m_bLight3", destination.m_bLight3);
    AddRelative(p, "m_cBmpWndOriginal.Croprc", "", original.m_rcRelCrop);
    AddRelative(p, "m_cBmpWndDestination.Lightrc", "1", destination.m_rcRelLight1);
    AddRelative(p, "m_cBmpWndDestination.Lightrc", "2", destination.m_rcRelLight2);
    AddRelative(p, "m_cBmpWndDestination.Lightrc", "3", destination.m_rcRelLight3);
}
