#include "app/CLumivaneState.h"

#include <cstring>
#include <utility>

#include "app/Profile.h"
#include "base/Limits.h"
#include "imaging/ScaleNearest.h"

namespace {

// Panes are at least 3 × 3 outside, so that their client area holds a pixel.
Size SanePaneSize(Size outer) {
    return {outer.width < 3 ? 3 : outer.width, outer.height < 3 ? 3 : outer.height};
}

Size ClientOf(Size outer) {
    return {outer.width - 2, outer.height - 2};
}

}  // namespace

CLumivaneState::CLumivaneState(Size paneOuter)
    : m_originalOuter(SanePaneSize(paneOuter)), m_destinationOuter(SanePaneSize(paneOuter)) {
    // What the main window's constructor does: the record's defaults (in ProcessingSettings), then the profile's
    // declaration.
    DeclareProfile(m_cFileStorage, m_settings, m_cBmpWndOriginal, m_cBmpWndDestination);

    // What its initialisation does: attach the panes, cover them with the crop and light rectangles, white lights.
    Rect* lightRects[3];
    for (int light = 0; light < 3; ++light) lightRects[light] = &(m_settings.*kLights[light].rect);
    m_cBmpWndOriginal.Attach(this, ClientOf(m_originalOuter), lightRects[0], lightRects[1], lightRects[2]);
    m_cBmpWndDestination.Attach(this, ClientOf(m_destinationOuter), lightRects[0], lightRects[1], lightRects[2]);
    const Rect whole{0, 0, m_originalOuter.width, m_originalOuter.height};
    m_settings.m_rcCrop = whole;
    for (Rect* rect : lightRects) *rect = whole;
    for (auto& color : m_settings.m_nLightColor) {
        for (std::int32_t& channel : color) channel = 255;
    }
}

bool CLumivaneState::ShowAcquiredImage(std::int32_t width, std::int32_t height, const Pixel* pixels) {
    if (pixels == nullptr || !FitsPictureLimit(width, height)) return false;
    BMP_File picture;
    if (!picture.Reshape(width, height)) return false;
    std::memcpy(static_cast<void*>(picture.Data()), pixels, picture.PixelCount() * sizeof(Pixel));
    return ShowAcquiredImage(std::move(picture));
}

bool CLumivaneState::ShowAcquiredImage(BMP_File&& picture) {
    if (!FitsPictureLimit(picture.Width(), picture.Height())) return false;
    // The processed copy first: if it cannot be had, both pictures stay as they were.
    if (!m_cProcessedImage.CopyFrom(picture)) return false;
    m_cOriginalImage = std::move(picture);
    if (!m_pView->OriginalImageChanged(m_cOriginalImage)) return true;
    ProcessImage(true);
    return true;
}

Status CLumivaneState::Process(bool preview) {
    if (m_cProcessedImage.IsEmpty()) return Status::Ok();  // nothing acquired yet
    BusyScope busy(*m_pView);
    if (m_settings.m_bResize) m_pView->ExchangeSizeFields(m_settings);
    // A resize beyond the picture limit is skipped by the chain; a full-size run, whose result is saved, says so
    // instead of giving a picture of the wrong size. A size of 0 means no resize.
    const std::uint32_t sizeX = m_settings.m_nSizeX;
    const std::uint32_t sizeY = m_settings.m_nSizeY;
    if (!preview && m_settings.m_bResize && sizeX != 0 && sizeY != 0 && !FitsPictureLimit(sizeX, sizeY)) {
        return Status::Error("a resize to " + std::to_string(static_cast<std::int32_t>(sizeX)) + " × " +
                             std::to_string(static_cast<std::int32_t>(sizeY)) +
                             " pixels is beyond the largest picture accepted (" + std::to_string(kMaxPixels) +
                             " pixels, " + std::to_string(kMaxSide) + " on a side)");
    }
    bool prepared;
    if (preview) {
        prepared = ScaleNearest(m_cOriginalImage, m_cProcessedImage, m_destinationOuter.width,
                                m_destinationOuter.height, m_nThreads);
    } else {
        prepared = m_cProcessedImage.CopyFrom(m_cOriginalImage);
    }
    if (!prepared) {
        return Status::Error("not enough memory to process a picture of " + std::to_string(m_cOriginalImage.Width()) +
                             " × " + std::to_string(m_cOriginalImage.Height()) + " pixels");
    }
    RunChain(m_cProcessedImage, m_cScratch, MakeChainParams());
    m_pView->ProcessedImageChanged(m_cProcessedImage);
    return Status::Ok();
}

Status CLumivaneState::MakeFullSizeRun(FullSizeRun& run) {
    if (m_cOriginalImage.IsEmpty()) return Status::Error("there is no picture yet");
    BMP_File copy;
    if (!copy.CopyFrom(m_cOriginalImage)) {
        return Status::Error("not enough memory to process a picture of " + std::to_string(m_cOriginalImage.Width()) +
                             " × " + std::to_string(m_cOriginalImage.Height()) + " pixels");
    }
    if (m_settings.m_bResize) m_pView->ExchangeSizeFields(m_settings);
    run.picture = std::move(copy);
    run.params = MakeChainParams();
    return Status::Ok();
}

ChainParams CLumivaneState::MakeChainParams() const {
    const ProcessingSettings& s = m_settings;
    ChainParams p;
    p.pane = m_destinationOuter;
    p.crop = s.m_bCrop != 0;
    p.rcCrop = s.m_rcCrop;
    p.resize = s.m_bResize != 0;
    p.sizeX = s.m_nSizeX;
    p.sizeY = s.m_nSizeY;
    p.emboss = s.m_bEmboss != 0;
    p.sharpen = s.m_bSharpen != 0;
    p.color.greyScale = s.m_bGrayScale != 0;
    p.color.invertRed = s.m_bInvertR != 0;
    p.color.invertGreen = s.m_bInvertG != 0;
    p.color.invertBlue = s.m_bInvertB != 0;
    p.color.hsb = s.m_bHSB != 0;
    p.color.hue = s.m_nHue;
    p.color.saturation = s.m_nSaturation;
    p.color.hsbBrightness = s.m_nBrightness;
    p.color.contrast = s.m_bContrast != 0;
    p.color.contrastRed = s.m_nContrastR;
    p.color.contrastGreen = s.m_nContrastG;
    p.color.contrastBlue = s.m_nContrastB;
    p.color.brightness = s.m_bBrightness != 0;
    p.color.brightRed = s.m_nBrightR;
    p.color.brightGreen = s.m_nBrightG;
    p.color.brightBlue = s.m_nBrightB;
    p.blur = s.m_bBlur != 0;
    p.blurSize = s.m_nBlurSize;
    for (int i = 0; i < 3; ++i) {
        p.lights[i].on = s.*kLights[i].on != 0;
        p.lights[i].rect = s.*kLights[i].rect;
        p.lights[i].red = s.m_nLightColor[i][0];
        p.lights[i].green = s.m_nLightColor[i][1];
        p.lights[i].blue = s.m_nLightColor[i][2];
    }
    p.rotate = m_nRotate;
    p.threads = m_nThreads;
    return p;
}

Status CLumivaneState::LoadConfiguration(const std::string& path) {
    Status loaded = m_cFileStorage.ReadFile(path);
    RefreshAfterLoad();  // from the values, changed or not
    return loaded;
}

std::vector<std::string> CLumivaneState::ApplyProfileLines(std::string_view lines) {
    std::vector<std::string> unknown;
    std::string text = "[Settings]\n";
    std::size_t start = 0;
    while (start <= lines.size()) {
        std::size_t end = lines.find('\n', start);
        if (end == std::string_view::npos) end = lines.size();
        std::string line(lines.substr(start, end - start));
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.pop_back();
        if (line.empty()) continue;
        const std::string key = line.substr(0, line.find('='));
        if (m_cFileStorage.Count() == 0 || m_cFileStorage.Partition(0).FindItem(key) == nullptr) {
            unknown.push_back(key);
            continue;
        }
        text += line + "\n";
    }
    m_cFileStorage.LoadFromText(text);
    RefreshAfterLoad();
    return unknown;
}

void CLumivaneState::LoadConfigurationLines(CStrList lines) {
    m_cFileStorage.ReadLines(lines);
    RefreshAfterLoad();
}

void CLumivaneState::RefreshAfterLoad() {
    m_pView->SettingsLoaded(m_settings);
    m_cBmpWndOriginal.RemapTrackers();
    m_cBmpWndDestination.RemapTrackers();
    ProcessImage(true);
    m_cBmpWndDestination.ApplyTrackers();
}

Status CLumivaneState::SaveConfiguration(const std::string& path) {
    return m_cFileStorage.WriteFile(ProfilePathWithExtension(path));
}

std::string ProfilePathWithExtension(const std::string& path) {
    if (path.size() >= 4 && path[path.size() - 4] == '.') return path;
    return path + ".qmx";
}

void CLumivaneState::ToggleSwitch(std::int32_t& theSwitch) {
    theSwitch = theSwitch == 0 ? 1 : 0;
    ProcessImage(true);
}

void CLumivaneState::ToggleCrop() {
    m_settings.m_bCrop = m_settings.m_bCrop == 0 ? 1 : 0;
    m_cBmpWndOriginal.m_bCrop = m_settings.m_bCrop;
    m_pView->RepaintPane(m_cBmpWndOriginal);
    m_cBmpWndOriginal.ApplyTrackers();
    ProcessImage(true);
}

std::int32_t& CLumivaneState::LightSwitch(int light) {
    return m_settings.*kLights[light].on;
}

std::int32_t& CLumivaneState::LightEdit(int light) {
    return m_settings.*kLights[light].edit;
}

bool CLumivaneState::LightEditSwitch(int light) const {
    return light >= 0 && light < 3 && m_settings.*kLights[light].edit != 0;
}

void CLumivaneState::ToggleLight(int light) {
    if (light < 0 || light > 2) return;
    std::int32_t& on = LightSwitch(light);
    on = on == 0 ? 1 : 0;
    m_cBmpWndDestination.EnableLightTrackers();
    // The tracker is shown exactly while the area is edited, whether or not the light is on.
    m_cBmpWndDestination.Shown(light + 1) = LightEdit(light);
    m_pView->RepaintPane(m_cBmpWndDestination);
    ProcessImage(true);
}

void CLumivaneState::ToggleLightEdit(int light) {
    if (light < 0 || light > 2) return;
    std::int32_t& edit = LightEdit(light);
    edit = edit == 0 ? 1 : 0;
    m_cBmpWndDestination.EnableLightTrackers();
    m_cBmpWndDestination.Shown(light + 1) = edit;
    m_pView->RepaintPane(m_cBmpWndDestination);
    if (edit != 0) {
        // At most one light area is edited at a time.
        for (int other = 0; other < 3; ++other) {
            if (other == light) continue;
            LightEdit(other) = 0;
            m_cBmpWndDestination.Shown(other + 1) = 0;
        }
        m_pView->RepaintPane(m_cBmpWndDestination);
    }
}

void CLumivaneState::ChooseLightColor(int light, std::optional<std::array<std::int32_t, 3>> chosen) {
    if (chosen && light >= 0 && light < 3) {
        for (int channel = 0; channel < 3; ++channel) m_settings.m_nLightColor[light][channel] = (*chosen)[channel];
    }
    ProcessImage(true);
}

void CLumivaneState::ChooseBlurSize(std::optional<std::int32_t> chosen) {
    if (chosen) m_settings.m_nBlurSize = *chosen;
    if (m_settings.m_bBlur != 0) ProcessImage(true);
}

void CLumivaneState::SetRotation(std::int32_t quarterTurns) {
    m_nRotate = (quarterTurns % 4 + 4) % 4;
}

void CLumivaneState::RotateLeft() {
    SetRotation(m_nRotate - 1);
    ProcessImage(true);
}

void CLumivaneState::RotateRight() {
    SetRotation(m_nRotate + 1);
    ProcessImage(true);
}

void CLumivaneState::SetPaneOuterSize(CPaneModel& pane, Size outer) {
    outer = SanePaneSize(outer);
    if (&pane == &m_cBmpWndOriginal) {
        m_originalOuter = outer;
    } else if (&pane == &m_cBmpWndDestination) {
        m_destinationOuter = outer;
    }
    pane.SetClientSize(ClientOf(outer));
}

Size CLumivaneState::PaneOuterSize(const CPaneModel& pane) const {
    return &pane == &m_cBmpWndOriginal ? m_originalOuter : m_destinationOuter;
}
