#include "platform/SaneStatus.h"

#include "platform/ScanCodes.h"

namespace {

using namespace scan;

constexpr SaneStatusRow kTable[] = {
    {SANE_STATUS_GOOD, {kNoError, 0}},
    {SANE_STATUS_UNSUPPORTED, {kTwainFailure, kConditionUnknownCap}},
    {SANE_STATUS_CANCELLED, {kUserCanceled, 0}},
    {SANE_STATUS_DEVICE_BUSY, {kTwainFailure, kConditionBusy}},
    {SANE_STATUS_INVAL, {kTwainFailure, kConditionBadValue}},
    // End of data where data was expected (a read or a start that gives nothing).
    {SANE_STATUS_EOF, {kNoData, 0}},
    {SANE_STATUS_JAMMED, {kPaperJam, 0}},
    {SANE_STATUS_NO_DOCS, {kFeederEmpty, 0}},
    {SANE_STATUS_COVER_OPEN, {kLidOpen, 0}},
    {SANE_STATUS_IO_ERROR, {kScannerError, 0}},
    {SANE_STATUS_NO_MEM, {kNoMemory, 0}},
    {SANE_STATUS_ACCESS_DENIED, {kNoDataSource, 0}},
};

}  // namespace

std::span<const SaneStatusRow> SaneStatusTable() {
    return kTable;
}

ScanCode FromSaneStatus(SANE_Status status) {
    for (const SaneStatusRow& row : kTable) {
        if (row.status == status) return row.code;
    }
    return {kScannerError, 0};
}

ScanCode FromSaneOpenStatus(SANE_Status status) {
    switch (status) {
        case SANE_STATUS_GOOD:
        case SANE_STATUS_DEVICE_BUSY:
        case SANE_STATUS_NO_MEM:
        case SANE_STATUS_CANCELLED:
            return FromSaneStatus(status);
        default:
            return {kNoDataSource, 0};
    }
}
