#pragma once
// Every SANE status onto a library code (and, for -57, a condition code), in one table, so that what a backend
// reports reaches the user as one of the layer's texts. Opening a source has its own rule: a status that says the
// device is not there (or cannot be reached) becomes -56 "Could not open TWAIN Data Source". No Qt.

#include <sane/sane.h>

#include <cstdint>
#include <span>

#include "platform/Scanner.h"

struct SaneStatusRow {
    SANE_Status status;
    ScanCode code;
};

// The table: one row for every status of the SANE standard.
std::span<const SaneStatusRow> SaneStatusTable();

// A status of any operation but opening. A status outside the table (a newer backend) is -19 "Scanner error".
ScanCode FromSaneStatus(SANE_Status status);

// A status of sane_open: busy, no memory and cancelled as the table says; every other failure -56.
ScanCode FromSaneOpenStatus(SANE_Status status);
