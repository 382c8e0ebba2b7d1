#pragma once
// The profile: the 87 settings of a .qmx file, their keys, kinds and order, bound to the shared state.

#include <string>

#include "storage/CFileStorage.h"

struct ProcessingSettings;
class CPaneModel;

// The banner written at the top of every profile (never read back).
extern const char* const kProfileBanner;

// Declares the profile in storage: the banner, one partition "Settings" and its 87 items bound to the record and to
// the panes' trackers, flags and relative rectangles.
void DeclareProfile(CFileStorage& storage, ProcessingSettings& settings, CPaneModel& original, CPaneModel& destination);
