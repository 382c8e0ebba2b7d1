#pragma once
// Text for the JSON the commands print for scripts.

#include <string>

// text as a JSON string literal, quotes included; control characters escaped.
std::string JsonString(const std::string& text);
