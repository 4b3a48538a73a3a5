#include "engine/number_text.h"

#include "engine/float_text.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>

namespace zelvaro {

namespace {

// The 15 significant digits of a finite, non-zero |v| as a whole number n
// (10^14 <= n < 10^15), and the decimal exponent of the first digit.
struct Fifteen {
  std::uint64_t n;
  int exponent;
};

// The exact way: the correctly rounded "d.dddddddddddddde[+-]xx".
Fifteen exact_fifteen_digits(double v) {
  char sci[float_text::ScientificRoom];
  const char *const end = float_text::scientific15(sci, v);
  Fifteen out{0, 0};
  const char *p = sci;
  for (; *p != 'e'; ++p)
    if (*p != '.')
      out.n = out.n * 10 + static_cast<std::uint64_t>(*p - '0');
  ++p; // 'e'
  std::from_chars(*p == '+' ? p + 1 : p, end, out.exponent);
  return out;
}

using Wide = unsigned __int128;

// The digits are put together as characters in the bytes of integers,
// character i in byte i (bits 8i to 8i + 7), and stored at once.

// The eight decimal digits of n < 10^8, all computed at once in the lanes
// of one word: the halves n / 10^4 and n % 10^4 in two 32-bit lanes, each
// split by 100 into two 16-bit lanes, each of those by 10 into two bytes.
// The divisions by multiplying and shifting are exact in these ranges
// ((x * 10486) >> 20 is x / 100 for x < 43699, (x * 103) >> 10 is x / 10
// for x < 179), and no lane carries into the next.
std::uint64_t eight_digits(std::uint32_t n) {
  std::uint64_t v = n / 10000 | std::uint64_t{n % 10000} << 32;
  const std::uint64_t hundreds = ((v * 10486) >> 20) & 0x0000007F0000007F;
  v = hundreds | (v - hundreds * 100) << 16;
  const std::uint64_t tens = ((v * 103) >> 10) & 0x000F000F000F000F;
  v = tens | (v - tens * 10) << 8;
  return v + 0x3030303030303030; // '0' in every byte
}

// The 15 digits of n (10^14 <= n < 10^15) in bytes 0 to 14; byte 15 is 0.
Wide fifteen_digit_bytes(std::uint64_t n) {
  // Digits 0 to 6 are n / 10^8 written as eight digits: the shift drops the
  // leading 0.
  return (Wide{eight_digits(static_cast<std::uint32_t>(n % 100000000))} << 64 |
          eight_digits(static_cast<std::uint32_t>(n / 100000000))) >>
         8;
}

// How many of the 15 digits are left without the zeros at their end (the
// first digit is never 0): the bytes that are 0 in digits ^ "000...0" from
// the top, byte 15 included.
int significant_digits(Wide digits) {
  constexpr Wide Zeros = (Wide{0x0030303030303030} << 64) | 0x3030303030303030; // '0' in bytes 0 to 14
  const Wide rest = digits ^ Zeros;
  const auto high = static_cast<std::uint64_t>(rest >> 64), low = static_cast<std::uint64_t>(rest);
  const int zero_bits = high != 0 ? std::countl_zero(high) : 64 + std::countl_zero(low);
  return 16 - zero_bits / 8;
}

// Writes the first `count` digits, with a '.' before the digit of index
// `point` when digits come after it, or else the first `point` digits (the
// last of them zeros); returns the end. Stores 16 bytes: out needs room for
// them.
char *put_digits(char *out, Wide digits, int count, int point) {
  Wide text = digits;
  if (count > point) {
    const int at = 8 * point;
    const Wide before = (Wide{1} << at) - 1;
    text = (digits & before) | Wide{'.'} << at | (digits & ~before) << 8;
  }
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(out, &text, sizeof text);
  } else {
    for (std::size_t i = 0; i < sizeof text; ++i)
      out[i] = static_cast<char>(text >> (8 * i));
  }
  return out + (count > point ? count + 1 : point);
}

constexpr int MaxPower = 27; // 5^27 < 2^63
constexpr auto powers_of_five() {
  std::array<std::uint64_t, MaxPower + 1> p{};
  std::uint64_t x = 1;
  for (auto &e : p) {
    e = x;
    x *= 5;
  }
  return p;
}
constexpr auto Pow5 = powers_of_five();
constexpr std::uint64_t Low15 = 100000000000000;   // 10^14
constexpr std::uint64_t High15 = 1000000000000000; // 10^15

// The quick way, exact in integer arithmetic. A normal double is m * 2^q
// with a 53-bit integer m. Its 15 digits for the decimal exponent e are
// x = v * 10^k with k = 14 - e, between 10^14 and 10^15, rounded to the
// nearest integer (a tie to the even one, as the exact way does):
//  - k >= 0: x = m * 5^k * 2^(q + k), the product in 116 bits;
//  - k < 0: x = m * 2^(q - j) / 5^j with j = -k, a 128-bit quotient.
// Returns false where the numbers would not fit (decimal exponents below
// -13 or above 41 and subnormals): the exact way takes those.
bool quick_fifteen_digits(double v, Fifteen &out) {
  std::uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  const int biased = static_cast<int>((bits >> 52) & 0x7FF);
  if (biased == 0)
    return false; // subnormal
  const std::uint64_t m = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
  const int q = biased - 1075;
  // 2^(b-1) <= v < 2^b, and floor((b-1) * log10(2)) is e or e - 1; a wrong
  // guess is put right below.
  const int b = biased - 1022;
  int e = ((b - 1) * 78913) >> 18;
  for (int attempt = 0; attempt < 2; ++attempt) {
    const int k = 14 - e;
    if (k > MaxPower || k < -MaxPower)
      return false;
    std::uint64_t n;
    Wide remainder, half; // x = n + remainder / (2 * half)
    if (k >= 0) {
      const Wide p = Wide{m} * Pow5[static_cast<std::size_t>(k)];
      const int t = q + k;
      if (t >= 0) {
        if (t > 12) // x would be 2^65 or more: the guess of e is off
          return false;
        const Wide x = p << t;
        if (x >= High15) {
          ++e;
          continue;
        }
        n = static_cast<std::uint64_t>(x);
        remainder = 0;
        half = 1;
      } else {
        const int s = -t;
        if (s >= 127)
          return false;
        const Wide x = p >> s;
        if (x >= High15) {
          ++e;
          continue;
        }
        n = static_cast<std::uint64_t>(x);
        remainder = p - (x << s);
        half = Wide{1} << (s - 1);
      }
    } else {
      const int j = -k, t = q - j;
      Wide numerator, denominator;
      if (t >= 0) {
        if (t > 74) // m * 2^t would not fit in 128 bits
          return false;
        numerator = Wide{m} << t;
        denominator = Pow5[static_cast<std::size_t>(j)];
      } else {
        numerator = m;
        denominator = Wide{Pow5[static_cast<std::size_t>(j)]} << -t;
      }
      const Wide x = numerator / denominator;
      if (x >= High15) {
        ++e;
        continue;
      }
      n = static_cast<std::uint64_t>(x);
      remainder = 2 * (numerator - x * denominator);
      half = denominator;
    }
    if (n < Low15) {
      --e;
      continue;
    }
    // Round to nearest, ties to even: up when the dropped part is more than
    // half, or exactly half with n odd (the flags are added, not branched on).
    n += static_cast<std::uint64_t>((remainder > half) | ((remainder == half) & ((n & 1) != 0)));
    if (n == High15) { // 9.99...95 and up became 10.00...0
      n = Low15;
      ++e;
    }
    out.n = n;
    out.exponent = e;
    return true;
  }
  return false;
}

} // namespace

char *write_number(char *out, double v) {
  char *o = out;
  if (v == 0 || !std::isfinite(v)) {
    // Zero of either sign is written as 0. Non-finite values never reach a
    // report: the engine stops on them before any text is built.
    const std::string_view text = v == 0 ? "0" : (std::isnan(v) ? "NaN" : (v > 0 ? "Infinity" : "-Infinity"));
    return std::copy(text.begin(), text.end(), o);
  }
  const bool negative = v < 0;
  const double magnitude = negative ? -v : v;
  if (negative)
    *o++ = '-';
  // Whole numbers of up to 15 digits, such as most inputs, are their own text.
  if (magnitude < 1e15) {
    const auto whole = static_cast<std::uint64_t>(magnitude);
    if (static_cast<double>(whole) == magnitude)
      return std::to_chars(o, out + NumberRoom, whole).ptr;
  }
  Fifteen f;
  if (!quick_fifteen_digits(magnitude, f))
    f = exact_fifteen_digits(magnitude);
  const int exponent = f.exponent;

  const Wide digits = fifteen_digit_bytes(f.n);
  const int count = significant_digits(digits);
  if (exponent < -4 || exponent >= 15) {
    o = put_digits(o, digits, count, 1);
    *o++ = 'E';
    *o++ = exponent < 0 ? '-' : '+';
    int e = exponent < 0 ? -exponent : exponent;
    if (e < 10)
      *o++ = '0';
    return std::to_chars(o, out + NumberRoom, e).ptr;
  }
  if (exponent < 0) {
    *o++ = '0';
    *o++ = '.';
    for (int i = -1; i > exponent; --i)
      *o++ = '0';
    return put_digits(o, digits, count, count);
  }
  // The integer part holds exponent + 1 digits.
  return put_digits(o, digits, count, exponent + 1);
}

void append_number(std::string &out, double v) {
  char buf[NumberRoom];
  out.append(buf, static_cast<std::size_t>(write_number(buf, v) - buf));
}

std::string number_text(double v) {
  std::string s;
  append_number(s, v);
  return s;
}

} // namespace zelvaro
