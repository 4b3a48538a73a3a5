#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zelvaro {

// The one conversion of a number to report text: at most 15 significant
// digits (nearest), no trailing zeros, no thousands separators, a leading 0
// below 1, negative zero as 0, and exponent notation (3.76992E-05, 1E+15) when
// the decimal exponent of the rounded value is below -4 or 15 and more.
// Every number of the report, the echo, the batch table and the sheet goes
// through here.
std::string number_text(double v);

// Appends number_text(v) to out without a temporary string.
void append_number(std::string &out, double v);

// Writes number_text(v) at out, which needs room for NumberRoom characters,
// and returns its end.
inline constexpr std::size_t NumberRoom = 32;
char *write_number(char *out, double v);

} // namespace zelvaro
