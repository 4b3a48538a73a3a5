#pragma once

// Arithmetic that stops the calculation instead of producing infinities or
// NaN. Doubles do not trap, so every operation of a formula is checked: a
// divisor of exactly zero (0/0 included), an infinite result (overflow) or a
// NaN (invalid operation) throws NumericFault, which the Calculate driver
// turns into the "cannot calculate with these values" message. Underflow to
// zero is not a fault by itself; dividing by that zero later is.
//
// Formulas bind the state members to Num locals first, so that no operation
// of a formula can slip through as plain, unchecked double arithmetic.

#include <cmath>
#include <string_view>

namespace zelvaro {

enum class NumericFaultKind { DivisionByZero, Overflow, Invalid };

struct NumericFault {
  NumericFaultKind kind;
  std::string_view quantity{}; // the quantity being computed, filled in by formula()
};

struct Num {
  double v;
};

inline Num checked(double r) {
  if (std::isnan(r))
    throw NumericFault{NumericFaultKind::Invalid};
  if (std::isinf(r))
    throw NumericFault{NumericFaultKind::Overflow};
  return Num{r};
}

inline Num operator+(Num a, Num b) {
  return checked(a.v + b.v);
}
inline Num operator-(Num a, Num b) {
  return checked(a.v - b.v);
}
inline Num operator*(Num a, Num b) {
  return checked(a.v * b.v);
}
inline Num operator/(Num a, Num b) {
  if (b.v == 0)
    throw NumericFault{NumericFaultKind::DivisionByZero};
  return checked(a.v / b.v);
}
inline Num operator+(Num a, double b) {
  return a + Num{b};
}
inline Num operator-(Num a, double b) {
  return a - Num{b};
}
inline Num operator*(Num a, double b) {
  return a * Num{b};
}
inline Num operator/(Num a, double b) {
  return a / Num{b};
}
inline Num operator+(double a, Num b) {
  return Num{a} + b;
}
inline Num operator-(double a, Num b) {
  return Num{a} - b;
}
inline Num operator*(double a, Num b) {
  return Num{a} * b;
}
inline Num operator/(double a, Num b) {
  return Num{a} / b;
}

// The general power operation of the formulas (x^2, (...)^0.5): pow, also
// for squares, and the program's own (shared_pow), so that the reports are
// the same on every CPU and in the browser. x^2 as x * x differs from pow in
// the last digit now and then; general_power is kept out of line so that no
// compiler rewrites a power with a constant exponent.
double general_power(double x, double e);
inline Num power(Num x, double e) {
  return checked(general_power(x.v, e));
}

// Evaluates one formula and names the quantity in a fault.
template <class F> double formula(std::string_view quantity, F &&f) {
  try {
    return f().v;
  } catch (NumericFault &fault) {
    if (fault.quantity.empty())
      fault.quantity = quantity;
    throw;
  }
}

} // namespace zelvaro
