#pragma once
// Forgiving names on the command line. A setting key is matched against the profile's keys ignoring blanks around
// either and ASCII letter case (so "m_bhsb" finds the stored "m_bHSB "), and it must match exactly one key. A word
// that matches nothing (a key, an option, a command) gets the closest candidates as a suggestion.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CIniPartition;

// The stored name (blanks included) of the one item of settings whose name matches key. With none or several,
// nothing, and *error holds one line naming key and the closest keys ("did you mean m_bHSB?").
std::optional<std::string> MatchSettingKey(const CIniPartition& settings, std::string_view key, std::string* error);

// "KEY=VALUE" with KEY matched by MatchSettingKey and replaced by the stored name; VALUE is kept as given. A line
// without "=" is refused, as is a key that matches no setting or several.
std::optional<std::string> CanonicalSettingLine(const CIniPartition& settings, std::string_view line,
                                                std::string* error);

// Up to `count` of the candidates nearest to word, nearest first (among equals, in the candidates' order): those
// that hold word (without regard to case) and those within a few edits of it. Empty when none is near.
std::vector<std::string> ClosestWords(std::string_view word, const std::vector<std::string>& candidates,
                                      std::size_t count = 3);

// " (did you mean a?)", " (did you mean a or b?)", " (did you mean a, b or c?)"; empty for no words.
std::string DidYouMean(const std::vector<std::string>& words);
