#pragma once
// Scanning one page from the chosen source, listing the sources, the texts of every failure, and the scan area kept
// from the first scan until the scanner source changes. One object serves the whole program; the scanner system
// behind it (SANE, or a stand-in in tests) is given.
//
// The scan area is in thousandths of the source's unit (the unit its physical size comes in). It is unknown at
// start; the first scan of a source that tells its physical size makes it the whole bed, and it stays so for every
// later scan until ResetScanSettings, which also deletes the six "ScanSettings" values from the per-user store.
//
// Failures are thrown as CExcept carrying the text of tables 1 and 2 (GetErrorText, GetConditionText). A cancelled
// scan is no failure: AcquireToFile returns true. Every scan has a no-progress timeout (30 s unless set): a page that
// brings no data for that long ends with "Function timed out".
//
// The operations are not meant for two threads at once; the scan command runs them on its worker thread while the
// window waits. No Qt.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "acquire/CExcept.h"
#include "imaging/BMP_File.h"
#include "platform/ScanPage.h"
#include "platform/Scanner.h"

class CTwainUtils {
public:
    // storePath: the per-user store whose "ScanSettings" values ResetScanSettings deletes (empty: none).
    CTwainUtils(std::shared_ptr<IScannerSystem> system, std::string storePath);
    virtual ~CTwainUtils();

    CTwainUtils(const CTwainUtils&) = delete;
    CTwainUtils& operator=(const CTwainUtils&) = delete;

    // The sources in the system's order; none installed gives an empty list.
    std::vector<std::string> GetSourceNames();

    // Scans one page from `source` and writes it to `path` as a BMP file (a scratch file: see ScratchBmp.h). Returns true when the scan was cancelled
    // (nothing written). control: cancel and progress from other threads (a fresh control when none is given).
    // The resolution the source scanned at goes into `*resolution` when given (a BMP file does not keep it).
    bool AcquireToFile(const std::string& source, const std::string& path,
                       const std::shared_ptr<ScanControl>& control = {}, Resolution* resolution = nullptr);
    // The same without the file: the page into `page`, and the resolution the source scanned it at into
    // `*resolution` when given (unknown when the source does not tell).
    bool AcquireImage(const std::string& source, BMP_File& page, const std::shared_ptr<ScanControl>& control = {},
                      Resolution* resolution = nullptr);

    // A source kept open for several pages (a feeder): Select opens it, AcquireFrom scans its next page in colour
    // with the area rule (true: cancelled). The source's page is ended when the returned object goes.
    std::shared_ptr<IScannerDevice> Select(const std::string& source);
    bool AcquireFrom(const std::shared_ptr<IScannerDevice>& device, BMP_File& page, ScanControl& control,
                     Resolution* resolution = nullptr);

    // The texts of table 1 and table 2; GetConditionText takes the last condition code recorded.
    std::string GetErrorText(std::int32_t code);
    std::string GetConditionText();

    // The bed in the source's unit; false (no error) when the source cannot tell (condition code 6).
    bool GetPhysicalSize(IScannerDevice& device, double& width, double& height);
    void SetScanArea(double left, double top, double right, double bottom);
    void ResetScanSettings();

    bool AreaKnown() const { return m_bAreaKnown; }
    ScanArea Area() const { return {m_nLeft, m_nTop, m_nRight, m_nBottom}; }

    void SetNoProgressTimeout(std::chrono::milliseconds timeout) { m_noProgressTimeout = timeout; }
    std::chrono::milliseconds NoProgressTimeout() const { return m_noProgressTimeout; }

    // The last-error record.
    std::int32_t LastCode() const { return m_nLastCode; }
    bool LastExtended() const { return m_bExtended; }
    std::int32_t LastCondition() const { return m_nCondition; }

private:
    // Throws CExcept with the text of a failed code (recording the condition code first).
    [[noreturn]] void Throw(const ScanCode& failed);
    void Check(const ScanCode& result) {
        if (!result.ok()) Throw(result);
    }

    std::shared_ptr<IScannerSystem> m_system;
    std::string m_storePath;
    std::chrono::milliseconds m_noProgressTimeout{std::chrono::seconds(30)};
    bool m_bAreaKnown = false;
    std::int32_t m_nLeft = 0;
    std::int32_t m_nTop = 0;
    std::int32_t m_nRight = 0;
    std::int32_t m_nBottom = 0;
    // The last-error record: the last code turned into text, whether that text came from a condition code, and the
    // condition code the layer last reported.
    std::int32_t m_nLastCode = 0;
    bool m_bExtended = false;
    std::int32_t m_nCondition = 0;
    std::int32_t m_nPendingCondition = 0;  // the condition code of the failure being reported
};

// The texts of the two tables, without the record (for lumivane-cli and tests).
const char* LibraryCodeText(std::int32_t code);    // nullptr for -57 and codes outside table 1
const char* ConditionCodeText(std::int32_t code);  // nullptr outside table 2
