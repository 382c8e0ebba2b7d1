#pragma once
// The feeder batch of `lumivane-cli scan --batch`: pages are scanned from one open source until its feeder is empty
// (an empty feeder ends the batch normally), and each page goes through the corrections and on to a sink while the
// next page is being read: correcting and writing overlap the reading.
//
// The sink receives every corrected page in order, numbered from 1, on the batch's worker thread; a sink that fails
// marks that page failed and the batch goes on. A page the scanner fails ends the batch (it is counted as failed,
// the pages before it stay delivered). The source should already be set to its feeder when it has one. No Qt.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "base/Status.h"
#include "imaging/BMP_File.h"
#include "platform/Resolution.h"
#include "platform/ScanPage.h"
#include "platform/Scanner.h"

class CTwainUtils;

struct ScanBatchResult {
    int scanned = 0;  // pages read from the source
    int written = 0;  // pages the sink took
    int failed = 0;   // pages that failed (scanner or sink)
    bool cancelled = false;
};

// Turns a scanned page into the corrected page (the profile's full-size run); fails with the cause.
using PageCorrector = std::function<Status(BMP_File&& scanned, BMP_File& corrected)>;
// Receives a corrected page; `number` counts from 1, `resolution` is the one the source scanned the page at
// (unknown when it does not tell).
using PageSink = std::function<Status(int number, const BMP_File& corrected, Resolution resolution)>;
// Hears of failures (one line each, page named) and of the progress of the page being read.
struct ScanBatchReport {
    std::function<void(const Status&)> failure;
    std::function<void(int number, const ScanProgress&)> progress;
};

// Cancels a running batch from any thread: the page being read ends as cancelled, the pages read before it still go
// through the corrections to the sink, and no further page is started. A batch run after Cancel reads no page.
class ScanBatchCancel {
public:
    void Cancel();
    bool Cancelled();

    // RunScanBatch's: the control of the page being read (nullptr between pages). A control given after Cancel is
    // cancelled at once.
    void Watch(ScanControl* control);

private:
    std::mutex m_mutex;
    bool m_cancelled = false;
    ScanControl* m_control = nullptr;
};

// feeder: whether the source reads from a feeder; without one the batch is the one page on the glass.
ScanBatchResult RunScanBatch(CTwainUtils& twain, const std::shared_ptr<IScannerDevice>& device, bool feeder,
                             const PageCorrector& correct, const PageSink& sink, const ScanBatchReport& report,
                             ScanBatchCancel* cancel = nullptr);
