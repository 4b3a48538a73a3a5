#include "number_text.h"

#include <charconv>
#include <cmath>

namespace zelvaro {

void append_number(std::string &out, double v) {
  if (v == 0 || !std::isfinite(v)) {
    // Zero of either sign is written as 0. Non-finite values never reach a
    // report: the engine stops on them before any text is built.
    out += v == 0 ? "0" : (std::isnan(v) ? "NaN" : (v > 0 ? "Infinity" : "-Infinity"));
    return;
  }
  // Correctly rounded 15 significant digits: d.dddddddddddddde[+-]xx
  char sci[32];
  auto res = std::to_chars(sci, sci + sizeof sci, v, std::chars_format::scientific, 14);
  const char *p = sci;
  const char *end = res.ptr;
  bool negative = false;
  if (*p == '-') {
    negative = true;
    ++p;
  }
  char digits[15];
  int ndigits = 0;
  digits[ndigits++] = *p++;
  ++p; // '.'
  while (*p != 'e')
    digits[ndigits++] = *p++;
  ++p; // 'e'
  int exponent = 0;
  std::from_chars(*p == '+' ? p + 1 : p, end, exponent);
  while (ndigits > 1 && digits[ndigits - 1] == '0')
    --ndigits;

  char buf[48];
  char *o = buf;
  if (negative)
    *o++ = '-';
  if (exponent < -4 || exponent >= 15) {
    *o++ = digits[0];
    if (ndigits > 1) {
      *o++ = '.';
      for (int i = 1; i < ndigits; ++i)
        *o++ = digits[i];
    }
    *o++ = 'E';
    *o++ = exponent < 0 ? '-' : '+';
    int e = exponent < 0 ? -exponent : exponent;
    if (e < 10)
      *o++ = '0';
    o = std::to_chars(o, buf + sizeof buf, e).ptr;
  } else if (exponent < 0) {
    *o++ = '0';
    *o++ = '.';
    for (int i = -1; i > exponent; --i)
      *o++ = '0';
    for (int i = 0; i < ndigits; ++i)
      *o++ = digits[i];
  } else {
    // exponent 0..14: the integer part holds exponent + 1 digits
    for (int i = 0; i <= exponent; ++i)
      *o++ = i < ndigits ? digits[i] : '0';
    if (ndigits > exponent + 1) {
      *o++ = '.';
      for (int i = exponent + 1; i < ndigits; ++i)
        *o++ = digits[i];
    }
  }
  out.append(buf, o);
}

std::string number_text(double v) {
  std::string s;
  append_number(s, v);
  return s;
}

} // namespace zelvaro
