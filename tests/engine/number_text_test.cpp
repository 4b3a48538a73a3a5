#include "number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

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
        Case{std::numeric_limits<double>::denorm_min(), "4.94065645841247E-324"},
        Case{-1e-5, "-1E-05"}, Case{1e100, "1E+100"}));

TEST(NumberTextAppend, appends_without_touching_existing_text) {
  std::string s = "A=";
  zelvaro::append_number(s, 3.76992e-05);
  s += "(m2)";
  EXPECT_EQ(s, "A=3.76992E-05(m2)");
}

} // namespace
