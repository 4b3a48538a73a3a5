// The number-to-text conversion of every report, on arbitrary doubles.
//
// Input: the first 8 bytes are the double (little-endian, zero-padded); the
// rest, up to 16 bytes, is text already in the output buffer.
//
// Invariants, for every finite value:
//  - round trip: the text parses back (strtod) to the value rounded to 15
//    significant digits;
//  - the form: an optional "-", then either plain decimals ("0" for zero,
//    no leading zeros, a leading "0." below 1, no trailing zeros after the
//    point) when the rounded value's decimal exponent is -4 to 14, or
//    d[.ddd]E+xx / E-xx otherwise; at most 15 significant digits;
//  - zero of either sign prints as "0", and the sign of every other value
//    is kept;
//  - append_number appends exactly number_text's text, and write_number
//    writes it within NumberRoom characters.
#include "engine/number_text.h"
#include "fuzz/fuzz_check.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace {

bool digit(char c) {
  return c >= '0' && c <= '9';
}

void check_form(double v, const std::string &t) {
  std::string_view s = t;
  FUZZ_REQUIRE(!s.empty(), t);
  if (v == 0) {
    FUZZ_REQUIRE(t == "0", t);
    return;
  }
  FUZZ_REQUIRE(s.front() != '-' || v < 0, t);
  FUZZ_REQUIRE(s.front() == '-' || v > 0, t);
  if (s.front() == '-')
    s.remove_prefix(1);

  // The decimal exponent of the value rounded to 15 digits, from the C library.
  char sci[64];
  std::snprintf(sci, sizeof sci, "%.14e", std::fabs(v));
  const int exponent = std::atoi(std::strchr(sci, 'e') + 1);
  const bool exponent_form = exponent < -4 || exponent >= 15;

  std::size_t e = s.find('E');
  FUZZ_REQUIRE((e != std::string_view::npos) == exponent_form, t);
  std::string_view mantissa = s.substr(0, e);
  int significant = 0;
  if (exponent_form) {
    // d[.ddd]E+xx: one digit 1-9 before the point, two or three exponent digits.
    FUZZ_REQUIRE(mantissa.size() >= 1 && mantissa[0] >= '1' && mantissa[0] <= '9', t);
    const std::string_view ex = s.substr(e + 1);
    FUZZ_REQUIRE(ex.size() == 3 || ex.size() == 4, t);
    FUZZ_REQUIRE(ex[0] == (exponent < 0 ? '-' : '+'), t);
    for (char c : ex.substr(1))
      FUZZ_REQUIRE(digit(c), t);
    FUZZ_REQUIRE(std::atoi(std::string(ex.substr(1)).c_str()) == std::abs(exponent), t);
    FUZZ_REQUIRE(mantissa.size() == 1 || (mantissa.size() >= 3 && mantissa[1] == '.'), t);
  } else {
    // Plain: no leading zero except the one of "0.", the point only when a
    // fraction follows.
    FUZZ_REQUIRE(!mantissa.empty() && digit(mantissa[0]), t);
    FUZZ_REQUIRE(mantissa[0] != '0' || (exponent < 0 && mantissa.starts_with("0.")), t);
    FUZZ_REQUIRE(exponent >= 0 || mantissa.starts_with("0."), t);
  }
  const std::size_t point = mantissa.find('.');
  if (point != std::string_view::npos) {
    FUZZ_REQUIRE(point + 1 < mantissa.size(), t);
    FUZZ_REQUIRE(mantissa.back() != '0', t);
    FUZZ_REQUIRE(mantissa.find('.', point + 1) == std::string_view::npos, t);
  }
  bool leading = true;
  for (char c : mantissa) {
    if (c == '.')
      continue;
    FUZZ_REQUIRE(digit(c), t);
    if (leading && c == '0')
      continue;
    leading = false;
    ++significant;
  }
  FUZZ_REQUIRE(significant >= 1 && significant <= 15, t);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  unsigned char bytes[8] = {};
  std::memcpy(bytes, data, size < 8 ? size : 8);
  double v;
  std::memcpy(&v, bytes, sizeof v);
  const std::size_t rest = size > 8 ? std::min<std::size_t>(size - 8, 16) : 0;
  const std::string prefix(reinterpret_cast<const char *>(data) + (size < 8 ? size : 8), rest);

  const std::string t = zelvaro::number_text(v);
  std::string appended = prefix;
  zelvaro::append_number(appended, v);
  FUZZ_REQUIRE(appended == prefix + t, appended);
  // write_number stays inside its NumberRoom (AddressSanitizer sees a byte
  // past it) and writes the same text.
  const auto room = std::make_unique<char[]>(zelvaro::NumberRoom);
  const char *end_of_text = zelvaro::write_number(room.get(), v);
  FUZZ_REQUIRE(end_of_text > room.get() && end_of_text <= room.get() + zelvaro::NumberRoom, t);
  FUZZ_REQUIRE(std::string_view(room.get(), static_cast<std::size_t>(end_of_text - room.get())) == t, t);
  if (!std::isfinite(v))
    return 0; // the engine stops before a non-finite value reaches any text

  check_form(v, t);

  char rounded_text[64];
  std::snprintf(rounded_text, sizeof rounded_text, "%.14e", v);
  const double rounded = std::strtod(rounded_text, nullptr);
  char *end = nullptr;
  const double back = std::strtod(t.c_str(), &end);
  FUZZ_REQUIRE(end == t.c_str() + t.size(), t);
  FUZZ_REQUIRE(back == rounded, t + " should read back as " + rounded_text);
  return 0;
}
