#pragma once
// The library codes and condition codes the scanner layer reports (their texts are CTwainUtils's). Only the codes
// the layer itself produces are named here. No Qt.

#include <cstdint>

namespace scan {

inline constexpr std::int32_t kNoError = 0;
inline constexpr std::int32_t kNoMemory = -14;          // "Insufficient memory for function"
inline constexpr std::int32_t kScannerError = -19;      // "Scanner error"
inline constexpr std::int32_t kBitsNotSupported = -26;  // "Bits per pixel not supported"
inline constexpr std::int32_t kNoData = -33;            // "No data from device"
inline constexpr std::int32_t kTimedOut = -34;          // "Function timed out"
inline constexpr std::int32_t kPaperJam = -45;          // "Paper could not be unloaded"
inline constexpr std::int32_t kLidOpen = -46;           // "ADF lid was opened"
inline constexpr std::int32_t kNoSourceManager = -55;   // "Could not open TWAIN Source Manager"
inline constexpr std::int32_t kNoDataSource = -56;      // "Could not open TWAIN Data Source"
inline constexpr std::int32_t kTwainFailure = -57;      // the text of the condition code
inline constexpr std::int32_t kUserCanceled = -60;      // "User canceled scan"
inline constexpr std::int32_t kInvalidData = -62;       // "File contains invalid data"
inline constexpr std::int32_t kFeederEmpty = -66;       // "TWAIN ADF is empty"

// Condition codes that come with kTwainFailure.
inline constexpr std::int32_t kConditionFailure = 1;     // "Failure due to unknown causes"
inline constexpr std::int32_t kConditionLowMemory = 2;   // "Not enough memory to perform operation"
inline constexpr std::int32_t kConditionBusy = 4;        // "Source already in use"
inline constexpr std::int32_t kConditionUnknownCap = 6;  // "Unknown capability requested"
inline constexpr std::int32_t kConditionBadValue = 10;   // "Parameter out of range"

}  // namespace scan
