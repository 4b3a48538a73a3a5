#include "number_text.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
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

// The exact way: to_chars' correctly rounded "d.dddddddddddddde[+-]xx".
Fifteen exact_fifteen_digits(double v) {
  char sci[40];
  const auto res = std::to_chars(sci, sci + sizeof sci, v, std::chars_format::scientific, 14);
  Fifteen out{0, 0};
  const char *p = sci;
  for (; *p != 'e'; ++p)
    if (*p != '.')
      out.n = out.n * 10 + static_cast<std::uint64_t>(*p - '0');
  ++p; // 'e'
  std::from_chars(*p == '+' ? p + 1 : p, res.ptr, out.exponent);
  return out;
}

// Writes the 15 digits of n (10^14 <= n < 10^15) from out[0] on, with a '.'
// before the digit of index `point` when point < 15; returns the end. Each
// character is stored once, in its place; the two halves of n are taken
// apart two digits at a time, independently of each other.
char *place_digits(char *out, std::uint64_t n, int point) {
  static constexpr char Pairs[] = "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
                                  "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
                                  "8081828384858687888990919293949596979899";
  const auto put = [out, point](int i, char c) { out[i + (i >= point ? 1 : 0)] = c; };
  // Digits i and i + 1 from the last two of x.
  const auto pair = [&put](int i, std::uint32_t &x) {
    const std::uint32_t r = x % 100 * 2;
    x /= 100;
    put(i, Pairs[r]);
    put(i + 1, Pairs[r + 1]);
  };
  auto low = static_cast<std::uint32_t>(n % 100000000);  // digits 7 to 14
  auto high = static_cast<std::uint32_t>(n / 100000000); // digits 0 to 6
  pair(13, low);
  pair(11, low);
  pair(9, low);
  pair(7, low);
  pair(5, high);
  pair(3, high);
  pair(1, high);
  put(0, static_cast<char>('0' + high));
  if (point >= 15)
    return out + 15;
  out[point] = '.';
  return out + 16;
}

// Drops the zeros at the end of digits that have a '.' before them, and the
// '.' too when nothing is left after it.
char *trim_fraction(char *end) {
  while (end[-1] == '0')
    --end;
  return end[-1] == '.' ? end - 1 : end;
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

using Wide = unsigned __int128;

// The quick way, exact in integer arithmetic. A normal double is m * 2^q
// with a 53-bit integer m. Its 15 digits for the decimal exponent e are
// x = v * 10^k with k = 14 - e, between 10^14 and 10^15, rounded to the
// nearest integer (a tie to the even one, as the exact way does):
//  - k >= 0: x = m * 5^k * 2^(q + k), the product in 116 bits;
//  - k < 0: x = m * 2^(q - j) / 5^j with j = -k, a 128-bit quotient.
// Returns false where the numbers would not fit (decimal exponents below
// -13 or above 41 and subnormals): the exact way takes those.
bool quick_fifteen_digits(double v, Fifteen &out) {
  const auto bits = std::bit_cast<std::uint64_t>(v);
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
    if (remainder > half || (remainder == half && (n & 1)))
      ++n;
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

  if (exponent < -4 || exponent >= 15) {
    o = trim_fraction(place_digits(o, f.n, 1));
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
    return trim_fraction(place_digits(o, f.n, 15)); // the first digit is not 0
  }
  if (exponent < 14) // the integer part holds exponent + 1 digits
    return trim_fraction(place_digits(o, f.n, exponent + 1));
  return place_digits(o, f.n, 15); // 15 whole digits
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
