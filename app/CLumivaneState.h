#pragma once
// Everything the main window owns that decides a result, without a window: the settings record, the crop and light
// rectangles, the rotation, the original and processed pictures, both panes' rectangle models and the profile
// storage. The window wraps it and lumivane-cli drives it through the same calls, so a profile gives the same pixels
// in both. A front end hears of pictures to show and panes to repaint through IStateView.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/DeviceChoices.h"
#include "app/ProcessingSettings.h"
#include "base/Status.h"
#include "imaging/BMP_File.h"
#include "imaging/Chain.h"
#include "imaging/Rect.h"
#include "panes/CPaneModel.h"
#include "storage/CFileStorage.h"
#include "storage/CStrList.h"

// What the state asks of a front end. The defaults do nothing, which is what the command line needs.
class IStateView {
public:
    virtual ~IStateView() = default;
    // A new original picture is to be shown; false (the view has told the user why) stops ShowAcquiredImage.
    virtual bool OriginalImageChanged(const BMP_File&) { return true; }
    // A new processed picture is to be shown; false leaves the processed pane without a picture.
    virtual bool ProcessedImageChanged(const BMP_File&) { return true; }
    // Invalidate, erase and update a pane now.
    virtual void RepaintPane(CPaneModel&) {}
    // Bring the resize fields into the record before a run with resize on (the window's data exchange).
    virtual void ExchangeSizeFields(ProcessingSettings&) {}
    // A profile was just read into the record: show the switches and sizes in the controls, before the refresh runs
    // the chain (which reads the size fields back).
    virtual void SettingsLoaded(const ProcessingSettings&) {}
    // The wait cursor, around a run of the chain.
    virtual void BeginBusy() {}
    virtual void EndBusy() {}
};

// The wait cursor for the length of a scope: BeginBusy now, EndBusy on every way out.
class BusyScope {
public:
    explicit BusyScope(IStateView& view) : m_view(view) { m_view.BeginBusy(); }
    ~BusyScope() { m_view.EndBusy(); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    IStateView& m_view;
};

// A full-size run of the chain that needs nothing of the state once it is made: a copy of the original and the chain's
// parameters as they were then. Run may go on another thread while the state changes; it gives the same pixels that
// ProcessImage(false) would have given at the time the run was made.
struct FullSizeRun {
    BMP_File picture;  // the original's copy; after Run, the full-size result
    ChainParams params;
    void Run() {
        BMP_File scratch;
        RunChain(picture, scratch, params);
    }
};

class CLumivaneState : public IPaneOwner {
public:
    static constexpr Size kDefaultPaneOuter{288, 193};  // the panes' outer size at start: 192 × 119 dialog units

    // Start-up as the main window's constructor and initialisation leave it, with both panes at paneOuter (their
    // client areas 2 pixels smaller each way): defaults, the profile's declaration, the panes attached, the crop and
    // light rectangles covering the pane, the light colours white.
    explicit CLumivaneState(Size paneOuter = kDefaultPaneOuter);
    ~CLumivaneState() override = default;

    CLumivaneState(const CLumivaneState&) = delete;
    CLumivaneState& operator=(const CLumivaneState&) = delete;

    void SetView(IStateView* view) { m_pView = view != nullptr ? view : &m_noView; }
    IStateView& View() const { return *m_pView; }
    void SetThreads(int threads) { m_nThreads = threads < 1 ? 1 : threads; }

    // The pipeline. ShowAcquiredImage makes a picture the original, shows it and runs the chain in preview mode; it
    // refuses an empty picture (false, both pictures as they were). ProcessImage runs the chain from the original:
    // preview mode on a copy scaled to the processed pane's outer size, full mode at the original's size.
    bool ShowAcquiredImage(std::int32_t width, std::int32_t height, const Pixel* pixels);
    bool ShowAcquiredImage(BMP_File&& picture);
    // Process fails (the cause in the message; there is no file to name) when the working picture could not be made
    // (memory), or, in full mode, when resize is on with a size beyond the picture limit: the processed picture is
    // then not the result and must not be saved. With nothing acquired yet it
    // succeeds at once. ProcessImage is the same for callers that need no answer (the controls, the panes): a preview
    // that cannot be made leaves the processed pane as it was.
    Status Process(bool preview);
    // What a full-size run needs, taken now (the resize fields are read first, as for ProcessImage(false)). Fails when
    // nothing was acquired yet or when the copy cannot be made (memory); run is then unchanged.
    Status MakeFullSizeRun(FullSizeRun& run);
    void ProcessImage(bool preview) override { static_cast<void>(Process(preview)); }

    // Load configuration: the storage's Load, then the refresh a load does (the original pane's trackers re-mapped,
    // then the destination pane's, a preview run, the destination pane's trackers applied). The refresh happens
    // whether or not the file was read; the result is that of the read.
    Status LoadConfiguration(const std::string& path);
    // Applies profile lines given as text ("key=value" lines, no section head needed) as a load would, then the same
    // refresh. Returns the keys that named no setting.
    std::vector<std::string> ApplyProfileLines(std::string_view lines);
    // Load configuration from the lines of a profile already read (lumivane-cli reads the file once for a batch).
    void LoadConfigurationLines(CStrList lines);
    // What follows every load: the controls refreshed (SettingsLoaded), the trackers of the original pane re-mapped,
    // then the destination pane's, a preview run, the destination pane's trackers applied.
    void RefreshAfterLoad();
    // Save configuration: ".qmx" is appended unless the fourth character from the end is a dot.
    Status SaveConfiguration(const std::string& path);

    // Commands of the main window that change the state.
    void ToggleSwitch(std::int32_t& theSwitch);  // flip, then a preview run
    void ToggleCrop();
    void ToggleLight(int light);      // light 0..2
    void ToggleLightEdit(int light);  // light 0..2; at most one light is edited
    // The colour dialog of a light closed: with OK the colour is taken; in every case the chain re-runs.
    void ChooseLightColor(int light, std::optional<std::array<std::int32_t, 3>> chosen);
    // The blur dialog closed: with OK (a chosen size) m_nBlurSize takes it; then, chosen or not, a preview run when
    // m_bBlur is on.
    void ChooseBlurSize(std::optional<std::int32_t> chosen);
    void RotateLeft();
    void RotateRight();

    // Resizes a pane (outer size; the client area is 2 pixels smaller each way) and re-maps its trackers.
    void SetPaneOuterSize(CPaneModel& pane, Size outer);
    Size PaneOuterSize(const CPaneModel& pane) const;

    // The chain's parameters as the record, the rectangles and the rotation give them now.
    ChainParams MakeChainParams() const;

    // IPaneOwner
    Rect& CropRectangle() override { return m_settings.m_rcCrop; }
    bool LightEditSwitch(int light) const override;
    void RepaintPane(CPaneModel& pane) override { m_pView->RepaintPane(pane); }

    // Quarter turns clockwise, 0..3, applied last in the chain. SetRotation takes any count of quarter turns and keeps
    // it modulo 4 (−1 is 3); it runs nothing.
    std::int32_t Rotation() const { return m_nRotate; }
    void SetRotation(std::int32_t quarterTurns);

    // The picture taken in, and the last result of the chain (the preview, or the full-size result right after a
    // full run). Only ShowAcquiredImage and ProcessImage change them, and Add text the original's pixels.
    const BMP_File& OriginalImage() const { return m_cOriginalImage; }
    const BMP_File& ProcessedImage() const { return m_cProcessedImage; }
    // The original's pixels for Add text, which draws into them in place. Their size must not change; the caller then
    // shows the change and runs the chain.
    BMP_File& OriginalPixels() { return m_cOriginalImage; }

    ProcessingSettings m_settings;
    DeviceChoices m_device;
    CPaneModel m_cBmpWndOriginal;
    CPaneModel m_cBmpWndDestination;
    CFileStorage m_cFileStorage;

private:
    std::int32_t& LightSwitch(int light);
    std::int32_t& LightEdit(int light);

    std::int32_t m_nRotate = 0;
    BMP_File m_cOriginalImage;
    BMP_File m_cProcessedImage;
    IStateView m_noView;
    IStateView* m_pView = &m_noView;
    BMP_File m_cScratch;
    Size m_originalOuter;
    Size m_destinationOuter;
    int m_nThreads = 1;
};

// The Save configuration rule for a chosen path: ".qmx" is appended unless the fourth character from the end is ".".
std::string ProfilePathWithExtension(const std::string& path);
