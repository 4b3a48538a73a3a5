// The C library's conversions, which the WebAssembly build uses, against
// <charconv>'s of the native build: the same text and the same doubles.
#include "engine/float_text.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>

namespace {

using namespace zelvaro::float_text;

TEST(FloatText, c_library_writes_the_same_fifteen_digits) {
  std::mt19937_64 rng(20070716);
  long compared = 0, different = 0;
  const auto check = [&](double v) {
    if (!std::isfinite(v) || v == 0)
      return;
    char a[ScientificRoom], b[ScientificRoom];
    const std::string ours(a, scientific15_c(a, v));
    const std::string exact(b, std::to_chars(b, b + sizeof b, v, std::chars_format::scientific, 14).ptr);
    ++compared;
    if (ours != exact && ++different <= 10)
      ADD_FAILURE() << std::hexfloat << v << ": " << ours << " instead of " << exact;
  };
  for (int i = 0; i < 1'000'000; ++i) {
    double v;
    const std::uint64_t bits = rng();
    std::memcpy(&v, &bits, sizeof v);
    check(v); // any bit pattern, subnormals included
    // decimals of 16 digits, ties of the 15th among them
    check(std::ldexp(static_cast<double>(rng() >> 11), static_cast<int>(rng() % 200) - 150));
    check(std::stod(std::to_string(rng() % 9000000000000000ULL + 1000000000000000ULL) + "e" +
                    std::to_string(static_cast<int>(rng() % 80) - 40)));
  }
  for (double v : {9.9999999999999995, 0.1234567890123455, 1e-310, 4.9e-324, 1.7976931348623157e308})
    check(v);
  std::printf("scientific15: %ld numbers compared, %ld different\n", compared, different);
  EXPECT_EQ(different, 0);
}

TEST(FloatText, c_library_reads_the_same_doubles) {
  std::mt19937_64 rng(20070716);
  const auto below = [&](std::uint64_t n) { return static_cast<std::size_t>(rng() % n); };
  long compared = 0, different = 0;
  const auto check = [&](const std::string &text) {
    const auto ours = plain_decimal_c(text), exact = plain_decimal(text);
    ++compared;
    const bool same =
        ours.has_value() == exact.has_value() && (!ours || std::memcmp(&*ours, &*exact, sizeof(double)) == 0);
    if (!same && ++different <= 10)
      ADD_FAILURE() << "'" << text << "'";
  };
  for (int i = 0; i < 1'000'000; ++i) {
    // up to 40 digits with the point anywhere, leading and trailing zeros
    std::string d = std::string(below(3) == 0 ? below(30) : 0, '0');
    for (std::size_t n = 1 + below(40); n > 0; --n)
      d += static_cast<char>('0' + below(10));
    if (below(2) == 0)
      d.insert(below(d.size() + 1), ".");
    check(d);
    // the exact decimal of a double, and the midpoint next to it
    const double v = std::ldexp(static_cast<double>(rng() >> 11), static_cast<int>(below(200)) - 150);
    char buf[400];
    const std::string fixed(buf, std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 30).ptr);
    check(fixed);
    check(fixed + "5");
  }
  // overflow, underflow to zero and to subnormals
  for (const std::string &t :
       {std::string(309, '9'), std::string(308, '1'), "0." + std::string(400, '0') + "1",
        "0." + std::string(320, '0') + "25", std::string("."), std::string("1.2.3")})
    check(t);
  std::printf("plain_decimal: %ld texts compared, %ld different\n", compared, different);
  EXPECT_EQ(different, 0);
}

} // namespace
