#include "acquire/CTwainUtils.h"

#include <cmath>
#include <utility>

#include "acquire/ScratchBmp.h"
#include "platform/ScanCodes.h"
#include "platform/UserStore.h"

namespace {

struct CodeText {
    std::int32_t code;
    const char* text;
};

// Table 1: the library codes. -57 is not here: its text is that of the condition code.
constexpr CodeText kLibraryCodes[] = {
    {0, "No error"},
    {-1, "Range error"},
    {-2, "Digitizer board not detected"},
    {-3, "Disk full, file not written"},
    {-4, "Filename not found"},
    {-5, "Variable out of range"},
    {-6, "Unreadable TIFF format"},
    {-8, "TIFF bits per sample not supported"},
    {-9, "Unreadable compression scheme"},
    {-10, "Cannot create file"},
    {-11, "Unknown file format"},
    {-12, "Image is compressed DIB"},
    {-14, "Insufficient memory for function"},
    {-16, "Unreadable PCX format"},
    {-17, "Unreadable GIF format"},
    {-18, "Print error"},
    {-19, "Scanner error"},
    {-25, "Unreadable TGA format"},
    {-26, "Bits per pixel not supported"},
    {-27, "Unreadable BMP format"},
    {-33, "No data from device"},
    {-34, "Function timed out"},
    {-40, "Could not lock memory (invalid handle or memory discarded)"},
    {-41, "Print function already executing"},
    {-42, "Invalid image buffer address"},
    {-43, "Unreadable JPEG format"},
    {-44, "Image is too complex for operation"},
    {-45, "Paper could not be unloaded"},
    {-46, "ADF lid was opened"},
    {-47, "ADF bin is empty"},
    {-48, "ADF is not connected"},
    {-49, "ADF is connected but not ready"},
    {-50, "Function not available due to missing module"},
    {-51, "Page not found"},
    {-52, "Pointer does not point to readable or writable memory"},
    {-53, "LZW compression/decompression not enabled"},
    {-54, "Could not create TWAIN parent window"},
    {-55, "Could not open TWAIN Source Manager"},
    {-56, "Could not open TWAIN Data Source"},
    {-58, "None of the elements in two lists were equal"},
    {-59, "Data type mismatch"},
    {-60, "User canceled scan"},
    {-61, "TWAIN function is busy"},
    {-62, "File contains invalid data"},
    {-63, "Unreadable PNG format"},
    {-64, "PNG compressor error"},
    {-65, "No ACK from device"},
    {-66, "TWAIN ADF is empty"},
    {-67, "Stop scanning images"},
    {-68, "Handle not valid"},
    {-69, "TIFF file is in Motorola byte order"},
    {-70, "Thumbnail size out of range"},
    {-71, "GIF frame not found"},
    {-72, "Insufficient digitizer memory for selected mode"},
    {-73, "Image format does not support width or length > 65535"},
};

// Table 2: the condition codes.
constexpr CodeText kConditionCodes[] = {
    {0, "Operation successful"},
    {1, "Failure due to unknown causes"},
    {2, "Not enough memory to perform operation"},
    {3, "No Data Source"},
    {4, "Source already in use"},
    {5, "Source or Source Manager error already reported to user"},
    {6, "Unknown capability requested"},
    {9, "Unrecognized DataGroup / Data ArgType / Msg combination"},
    {10, "Parameter out of range"},
    {11, "Message received out of sequence"},
    {12, "Unknown destination App/Src in DSM_Entry"},
    {-54, "Could not create parent window"},
    {-55, "TWAIN Source Manager not found"},
};

const char* Lookup(const CodeText* begin, const CodeText* end, std::int32_t code) {
    for (const CodeText* row = begin; row != end; ++row) {
        if (row->code == code) return row->text;
    }
    return nullptr;
}

constexpr char kScanSettingsKey[] = "Software\\Tessary\\Lumivane\\ScanSettings";
constexpr const char* kScanSettingsValues[] = {"Scan Rect Left",   "Scan Rect Top",      "Scan Rect Right",
                                               "Scan Rect Bottom", "Scan X Resolution", "Scan Y Resolution"};

}  // namespace

const char* LibraryCodeText(std::int32_t code) {
    return Lookup(std::begin(kLibraryCodes), std::end(kLibraryCodes), code);
}

const char* ConditionCodeText(std::int32_t code) {
    return Lookup(std::begin(kConditionCodes), std::end(kConditionCodes), code);
}

CTwainUtils::CTwainUtils(std::shared_ptr<IScannerSystem> system, std::string storePath)
    : m_system(std::move(system)), m_storePath(std::move(storePath)) {}

CTwainUtils::~CTwainUtils() = default;

std::string CTwainUtils::GetErrorText(std::int32_t code) {
    m_nLastCode = code;
    m_bExtended = false;
    if (code == scan::kTwainFailure) return GetConditionText();
    if (const char* text = LibraryCodeText(code)) return text;
    return "<Undefined error number " + std::to_string(code) + ">";
}

std::string CTwainUtils::GetConditionText() {
    m_bExtended = true;
    m_nCondition = m_nPendingCondition;
    if (const char* text = ConditionCodeText(m_nCondition)) return text;
    return "<Undefined extended error number " + std::to_string(m_nCondition) + ">";
}

void CTwainUtils::Throw(const ScanCode& failed) {
    m_nPendingCondition = failed.condition;
    std::string text = GetErrorText(failed.code);
    throw CExcept(std::move(text), failed.code, failed.condition);
}

std::vector<std::string> CTwainUtils::GetSourceNames() {
    std::vector<std::string> names;
    Check(m_system->ListSources(names));
    return names;
}

bool CTwainUtils::GetPhysicalSize(IScannerDevice& device, double& width, double& height) {
    std::int32_t w = 0;
    std::int32_t h = 0;
    const ScanCode got = device.GetPhysicalSize(w, h);
    if (got.ok()) {
        width = w / 1000.0;
        height = h / 1000.0;
        return true;
    }
    m_nPendingCondition = got.condition;
    std::string text = GetErrorText(got.code);
    // A source that cannot tell its size is scanned with the page operation: no error.
    if (m_bExtended && m_nCondition == scan::kConditionUnknownCap) return false;
    throw CExcept(std::move(text), got.code, got.condition);
}

void CTwainUtils::SetScanArea(double left, double top, double right, double bottom) {
    const auto thousandths = [](double value) { return static_cast<std::int32_t>(std::floor(value * 1000 + 0.5)); };
    m_nLeft = thousandths(left);
    m_nTop = thousandths(top);
    m_nRight = thousandths(right);
    m_nBottom = thousandths(bottom);
    m_bAreaKnown = true;
}

void CTwainUtils::ResetScanSettings() {
    m_bAreaKnown = false;
    if (m_storePath.empty()) return;
    UserStore store(m_storePath);
    if (!store.CreateKey(kScanSettingsKey)) return;
    for (const char* value : kScanSettingsValues) static_cast<void>(store.DeleteValue(kScanSettingsKey, value));
    static_cast<void>(store.Save());
}

std::shared_ptr<IScannerDevice> CTwainUtils::Select(const std::string& source) {
    std::shared_ptr<IScannerDevice> device;
    Check(m_system->Open(source, device));
    return device;
}

bool CTwainUtils::AcquireFrom(const std::shared_ptr<IScannerDevice>& device, BMP_File& page, ScanControl& control,
                              Resolution* resolution) {
    Check(device->SetColorMode());
    BMP_File scanned;
    Resolution scannedAt;
    try {
        double width = 0;
        double height = 0;
        const bool known = GetPhysicalSize(*device, width, height);
        if (!m_bAreaKnown && known) SetScanArea(0, 0, width, height);
        // With an area the page is that rectangle exactly as stored; without, what the source gives by itself.
        if (m_bAreaKnown) Check(device->SetScanArea(Area()));
        Check(ScanPage(device, scanned, control, &scannedAt));
    } catch (const CExcept&) {
        if (m_nLastCode == scan::kUserCanceled) return true;
        throw;
    }
    if (scanned.Width() <= 0 || scanned.Height() <= 0) {
        throw CExcept("Could not get image because scan area width(height) too small !");
    }
    page = std::move(scanned);
    if (resolution != nullptr) *resolution = scannedAt;
    return false;
}

bool CTwainUtils::AcquireImage(const std::string& source, BMP_File& page,
                               const std::shared_ptr<ScanControl>& control, Resolution* resolution) {
    const std::shared_ptr<ScanControl> used =
        control ? control : std::make_shared<ScanControl>(m_noProgressTimeout);
    const std::shared_ptr<IScannerDevice> device = Select(source);
    const bool cancelled = AcquireFrom(device, page, *used, resolution);
    device->Cancel();  // the page is complete: end it
    return cancelled;
}

bool CTwainUtils::AcquireToFile(const std::string& source, const std::string& path,
                                const std::shared_ptr<ScanControl>& control, Resolution* resolution) {
    BMP_File page;
    if (AcquireImage(source, page, control, resolution)) return true;
    if (const Status written = WriteScratchBmp(page, path); !written) {
        throw CExcept(GetErrorText(-10) + "\n" + written.message(), -10);
    }
    return false;
}
