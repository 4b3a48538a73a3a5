#include "engine/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

struct Case {
  double value;
  const char *text;
};

class NumberText : public ::testing::TestWithParam<Case> {};

TEST_P(NumberText, writes_general_form_with_fifteen_digits) {
  EXPECT_EQ(zelvaro::number_text(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, NumberText,
    ::testing::Values(
        // integers and plain decimals, no trailing zeros or separators
        Case{0, "0"}, Case{-0.0, "0"}, Case{2205, "2205"}, Case{0.1, "0.1"}, Case{-0.5, "-0.5"},
        Case{176.5, "176.5"}, Case{1e6, "1000000"}, Case{12.3339218, "12.3339218"},
        // 15 significant digits, the last one rounded to the nearest
        Case{1.0 / 3, "0.333333333333333"}, Case{2.0 / 3, "0.666666666666667"},
        Case{25.99524658348186, "25.9952465834819"}, Case{0.1 + 0.2, "0.3"},
        Case{123456789.123456789, "123456789.123457"},
        // exponent switch points: below 1e-4 and from 1e15
        Case{0.0001, "0.0001"}, Case{0.00012345, "0.00012345"}, Case{0.00001, "1E-05"},
        Case{3.76992e-05, "3.76992E-05"}, Case{-8.48232e-05, "-8.48232E-05"},
        Case{123456789012345, "123456789012345"}, Case{99999999999999.9, "99999999999999.9"},
        Case{1e15, "1E+15"}, Case{1234567890123456, "1.23456789012346E+15"},
        // rounding to 15 digits can move the exponent across a switch point
        Case{999999999999999.9, "1E+15"}, Case{0.0000999999999999999999, "0.0001"},
        Case{9.999999999999999e-5, "0.0001"},
        // extremes keep at least two exponent digits
        Case{1.5e300, "1.5E+300"}, Case{std::numeric_limits<double>::max(), "1.79769313486232E+308"},
        Case{std::numeric_limits<double>::denorm_min(), "4.94065645841247E-324"}, Case{-1e-5, "-1E-05"},
        Case{1e100, "1E+100"}));

// The general form built from the C library's exactly rounded "%.14e"
// digits: the conversion must agree with it for every finite double.
std::string from_printf(double v) {
  if (v == 0)
    return "0";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.14e", v);
  std::string s = buf, sign;
  if (s[0] == '-') {
    sign = "-";
    s.erase(0, 1);
  }
  const auto e = s.find('e');
  std::string digits = s.substr(0, 1) + s.substr(2, e - 2);
  const int exponent = std::stoi(s.substr(e + 1));
  while (digits.size() > 1 && digits.back() == '0')
    digits.pop_back();
  if (exponent < -4 || exponent >= 15) {
    std::string out = sign + digits.substr(0, 1);
    if (digits.size() > 1)
      out += "." + digits.substr(1);
    char exp[16];
    std::snprintf(exp, sizeof exp, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
    return out + exp;
  }
  if (exponent < 0)
    return sign + "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
  const auto whole = static_cast<std::size_t>(exponent + 1);
  if (digits.size() <= whole)
    return sign + digits + std::string(whole - digits.size(), '0');
  return sign + digits.substr(0, whole) + "." + digits.substr(whole);
}

TEST(NumberTextExactness, agrees_with_exactly_rounded_digits_everywhere) {
  std::mt19937_64 rng(20070716);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<double> values = {
      // shortest forms of 16 digits ending in 5: exactly on a 15-digit midpoint
      0.1234567890123455,
      1.000000000000005,
      9.999999999999995,
      2.675000000000005e-3,
      // rounding that carries through every digit
      9.9999999999999995,
      0.99999999999999995,
      999999999999999.5,
      9.999999999999999e22,
      // subnormal and smallest normal numbers
      std::numeric_limits<double>::min(),
      std::numeric_limits<double>::min() * 0.5,
      1e-310,
      2.5e-320,
      // the largest whole numbers written as they are, and the first that are not
      999999999999999,
      1e15 - 0.5,
      1e15,
      1e15 + 1,
      9007199254740993.0,
  };
  for (int i = 0; i < 200000; ++i) {
    // any bit pattern
    double v;
    const std::uint64_t bits = rng();
    std::memcpy(&v, &bits, sizeof v);
    if (std::isfinite(v))
      values.push_back(v);
    // the kind of values the formulas produce: quotients and products of short decimals
    const double a = std::round(unit(rng) * 100000) / 100, b = 1 + std::round(unit(rng) * 1000) / 10;
    values.push_back(a / b);
    values.push_back(a * b / 9.8);
    // whole numbers of every length, up to and past 15 digits
    values.push_back(-static_cast<double>(rng() >> (rng() % 64)));
    // 16-digit decimals, a tenth of them ending in 5
    values.push_back(std::stod(std::to_string(rng() % 9000000000000000ULL + 1000000000000000ULL) + "e" +
                               std::to_string(static_cast<int>(rng() % 40) - 20)));
    // 1 to 15 significant digits, zeros among them, around every place of the point
    std::string digits = std::to_string(1 + rng() % 9);
    for (std::size_t k = rng() % 15; k > 0; --k)
      digits += static_cast<char>('0' + (rng() % 3 == 0 ? 0 : rng() % 10));
    values.push_back(std::stod(digits + "e" + std::to_string(static_cast<int>(rng() % 40) - 25)));
  }
  int mismatches = 0;
  for (double v : values) {
    const std::string expected = from_printf(v), actual = zelvaro::number_text(v);
    if (expected != actual && ++mismatches <= 10)
      ADD_FAILURE() << std::hexfloat << v << ": expected " << expected << ", got " << actual;
  }
  EXPECT_EQ(mismatches, 0);
}

} // namespace
