#pragma once
// The text of a resize field as an unsigned 32-bit decimal integer, as the window's data exchange reads it: blanks
// around the number are allowed; a sign (a minus included), any other character, no digit at all, or a value above
// 4294967295 make the text invalid (nothing). No Qt.

#include <cstdint>
#include <optional>
#include <string_view>

std::optional<std::uint32_t> ParseSizeField(std::string_view text);
