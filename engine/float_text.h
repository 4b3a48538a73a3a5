#pragma once

// The two conversions between doubles and decimal text that must round
// exactly. <charconv> does both where the standard library has floating
// point in it; the WebAssembly build's library has not, and there the C
// library's snprintf and strtod do them, which round exactly too (glibc and
// musl) and use "." in the "C" locale that build never leaves.

#include <cstddef>
#include <optional>
#include <string_view>

namespace zelvaro::float_text {

// Room for scientific15's text.
inline constexpr std::size_t ScientificRoom = 40;

// A finite, non-zero v as "d.dddddddddddddde[+-]xx": 15 significant digits,
// rounded to nearest (a tie to even), at least two exponent digits. Writes
// at out, which has ScientificRoom characters, and returns the end.
char *scientific15(char *out, double v);

// A plain decimal text (ASCII digits, at most one ".", at least one digit)
// read to the nearest double; nothing when it is too large for a double. A
// text below the smallest double reads as 0.
std::optional<double> plain_decimal(std::string_view text);

// The C library's way of both, compiled into every build so that the tests
// hold it to <charconv>'s where both exist.
char *scientific15_c(char *out, double v);
std::optional<double> plain_decimal_c(std::string_view text);

} // namespace zelvaro::float_text
