#include "engine/float_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#if defined(__cpp_lib_to_chars) && __cpp_lib_to_chars >= 201611L
#define ZELVARO_FLOAT_CHARCONV 1
#else
#define ZELVARO_FLOAT_CHARCONV 0
#endif

namespace zelvaro::float_text {

char *scientific15_c(char *out, double v) {
  const int n = std::snprintf(out, ScientificRoom, "%.14e", v);
  return out + (n > 0 ? n : 0);
}

std::optional<double> plain_decimal_c(std::string_view text) {
  int digits = 0, points = 0;
  for (char c : text) {
    if (c >= '0' && c <= '9')
      ++digits;
    else if (c == '.')
      ++points;
    else
      return std::nullopt; // strtod would also take signs, exponents, "inf" and hex
  }
  if (digits == 0 || points > 1)
    return std::nullopt;
  const std::string terminated(text);
  const double v = std::strtod(terminated.c_str(), nullptr);
  if (std::isinf(v))
    return std::nullopt; // overflow (an underflow is 0 or a subnormal already)
  return v;
}

#if ZELVARO_FLOAT_CHARCONV

char *scientific15(char *out, double v) {
  return std::to_chars(out, out + ScientificRoom, v, std::chars_format::scientific, 14).ptr;
}

std::optional<double> plain_decimal(std::string_view text) {
  double v = 0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v, std::chars_format::fixed);
  if (ec == std::errc::result_out_of_range) {
    // Out of range is either an overflow (a significant digit before the
    // point) or an underflow to zero.
    const std::string_view whole = text.substr(0, text.find('.'));
    if (whole.find_first_not_of('0') != std::string_view::npos)
      return std::nullopt;
    return 0.0;
  }
  if (ec != std::errc() || ptr != text.data() + text.size())
    return std::nullopt;
  return v;
}

#else

char *scientific15(char *out, double v) {
  return scientific15_c(out, v);
}
std::optional<double> plain_decimal(std::string_view text) {
  return plain_decimal_c(text);
}

#endif

} // namespace zelvaro::float_text
