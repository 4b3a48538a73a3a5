#pragma once

// Every member of SeismicCalcState by kind, for comparing two states whole.
// Adding a member to the state without adding it here fails to compile.

#include "engine/seismic_calc_state.h"

#include <cstddef>
#include <iterator>
#include <string>

namespace zelvaro::test {

using S = SeismicCalcState;

// clang-format off
inline constexpr double S::*NumericMembers[] = {
    &S::Rb, &S::MR, &S::sigma_b, &S::FD, &S::KH, &S::W, &S::F, &S::FH, &S::FV, &S::n, &S::nt, &S::nt_given, &S::H, &S::HG,
    &S::L, &S::LG, &S::M, &S::tau_b, &S::sigma_c, &S::tau_c, &S::P, &S::N, &S::A, &S::a, &S::ft, &S::fs, &S::D,
    &S::L1, &S::L2, &S::L1G, &S::L2G, &S::L3G, &S::Z, &S::n1, &S::n2, &S::Rb1, &S::Rb2, &S::RebarCount,
    &S::RebarStrength, &S::LL, &S::WeldStrength,
};
inline constexpr std::string S::*TextMembers[] = {
    &S::ErrorMessage, &S::ReportHeader, &S::EchoBlock, &S::ForceBlock, &S::StressBlock, &S::VerdictLine,
    &S::MotorBlock, &S::RebarLine, &S::AnchorBlock, &S::CaptionText,
};
// clang-format on
// And BondTable, CalcCode, ShapeKind, AnchorKind, BoltMaterial.
inline constexpr std::size_t OtherMemberCount = 5;

namespace detail {
// Converts to any member type, so that S{AnyMember{}, ...} compiles with as
// many of them as S has members and no more.
struct AnyMember {
  template <class T> constexpr operator T() const;
};
template <class T, class... Given> constexpr std::size_t member_count() {
  if constexpr (requires { T{Given{}..., AnyMember{}}; })
    return member_count<T, Given..., AnyMember>();
  else
    return sizeof...(Given);
}
} // namespace detail

static_assert(detail::member_count<S>() ==
                  std::size(NumericMembers) + std::size(TextMembers) + OtherMemberCount,
              "a member of SeismicCalcState is missing from the lists above");

} // namespace zelvaro::test
