// shared_pow against glibc's pow without fused multiply-add, bit for bit,
// over the powers the formulas take (squares, square roots) and any other
// exponent up to 4. Run with GLIBC_TUNABLES=glibc.cpu.hwcaps=-FMA, which
// makes glibc pick that variant on CPUs that have FMA.
#include "engine/pow/shared_pow.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace {

std::uint64_t bits(double v) {
  std::uint64_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

// glibc's pow, called through a pointer so that no compiler evaluates it or
// rewrites a constant exponent.
double (*volatile library_pow)(double, double) = [](double x, double y) { return std::pow(x, y); };

struct Tally {
  long compared = 0, different = 0;
  void check(double x, double y) {
    ++compared;
    const double ours = zelvaro::shared_pow(x, y), theirs = library_pow(x, y);
    const bool same = std::isnan(ours) ? std::isnan(theirs) : bits(ours) == bits(theirs);
    if (!same && ++different <= 10)
      ADD_FAILURE() << std::hexfloat << "pow(" << x << ", " << y << "): " << ours << " here, " << theirs
                    << " in glibc (is GLIBC_TUNABLES=glibc.cpu.hwcaps=-FMA set?)";
  }
};

TEST(SharedPow, is_glibcs_pow_without_fma_bit_for_bit) {
  std::mt19937_64 rng(20070716);
  std::uniform_real_distribution<double> decades(-12, 16), unit(0, 1);
  // Magnitudes the formulas meet: stresses, forces and their squares, from
  // 1e-12 to 1e16, with either sign for the squares.
  const auto magnitude = [&] { return std::pow(10.0, decades(rng)); };
  const auto any_finite = [&] {
    for (;;) {
      double v;
      const std::uint64_t b = rng();
      std::memcpy(&v, &b, sizeof v);
      if (std::isfinite(v))
        return v;
    }
  };
  Tally t;
  for (int i = 0; i < 2'000'000; ++i) {
    const double x = magnitude();
    t.check(i % 2 ? x : -x, 2);
    t.check(x, 0.5);
    t.check(x, 4 * unit(rng));
    t.check(unit(rng) * 1000, 4 * unit(rng));
  }
  for (int i = 0; i < 500'000; ++i) {
    const double x = any_finite();
    t.check(x, 2);
    t.check(std::fabs(x), 0.5);
    t.check(std::fabs(x), 4 * unit(rng));
  }
  constexpr double Inf = std::numeric_limits<double>::infinity();
  for (double x : {0.0, -0.0, 1.0, -1.0, 4.9e-324, 2.2250738585072014e-308, 1.7976931348623157e308, Inf, -Inf,
                   std::numeric_limits<double>::quiet_NaN()})
    for (double y : {2.0, 0.5, 0.0, 1.0, 3.0, 4.0})
      t.check(x, y);
  std::printf("shared_pow: %ld powers compared with glibc, %ld different\n", t.compared, t.different);
  EXPECT_EQ(t.different, 0);
}

} // namespace
