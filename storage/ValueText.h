#pragma once
// The byte rules of settings file text, the same whatever the user's locale (a GUI program runs under the user's
// LC_NUMERIC, where "%f" may write a comma and strtod may stop at a point):
// - integers are written as "%d" and read as atoi reads them: leading white space skipped, an optional sign, the
//   digits up to the first other byte, no digits giving 0; beyond the signed 32-bit range the value saturates at its
//   ends;
// - reals are written as "%f" of the float widened to double (fixed notation, six decimals, "." as decimal point) and
//   read as atof reads them in the "C" locale, then narrowed to float. The result is always a finite float: text
//   beyond the float range (infinities included) saturates at ±FLT_MAX and "nan" reads as no number, 0;
// - keys and section names are compared without regard to ASCII letter case only; other bytes must match exactly.

#include <cstdint>
#include <string>
#include <string_view>

namespace valuetext {

std::int32_t ParseInteger(std::string_view text);
float ParseReal(std::string_view text);

void AppendInteger(std::string& out, std::int32_t value);
void AppendReal(std::string& out, float value);

bool AsciiEqualNoCase(std::string_view a, std::string_view b);

}  // namespace valuetext
