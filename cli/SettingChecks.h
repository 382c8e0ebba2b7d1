#pragma once
// Settings that are taken but will not do what was most likely meant: a value that is not a number for a numeric
// setting (a profile line reads "12abc" as 12 and "abc" as 0) and a resize the chain skips. Each check gives the text
// of a warning, or nothing; a warning does not stop the run.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CIniPartition;
struct ProcessingSettings;

// For a "KEY=VALUE" line whose key names an integer or real setting of settings: a warning when VALUE (blanks around
// it allowed) is not a number of that kind, naming the line and the value the setting takes instead.
std::optional<std::string> NumberWarning(CIniPartition& settings, std::string_view line);

// The --set lines with their keys as the profile spells them: each "KEY=VALUE" has KEY matched against the settings
// of a fresh state as MatchSettingKey matches it (any letter case, blanks around it ignored), since a misspelt key
// would otherwise be ignored silently. A line whose key names no setting, or several, gives false with *error
// "--set: ..." naming the closest keys; a value that is no number for a numeric setting adds a "--set ..." warning.
bool CanonicalSetLines(std::vector<std::string>& lines, std::string* error, std::vector<std::string>& warnings);

// A warning when resize is on with a size the chain skips: a size of 0, or a size beyond the picture limit.
std::optional<std::string> SkippedResizeWarning(const ProcessingSettings& settings);
