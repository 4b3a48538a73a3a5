#pragma once

#include "engine/seismic_calc_state.h"

#include <span>
#include <string_view>

namespace zelvaro {

// Items of the combo-box lists, top to bottom.

// Bolt diameters (mm) offered by Combo1 for the anchor kind in force when the
// list is opened.
std::span<const std::string_view> diameter_items(Anchor kind);
std::span<const std::string_view> seismic_coefficient_items();  // Combo2, KH
std::span<const std::string_view> motor_power_items();          // Combo3, P in kW
std::span<const std::string_view> regional_coefficient_items(); // Combo4, Z

// Texts the window starts with.
inline constexpr std::string_view DefaultDiameterText = "8";
inline constexpr std::string_view DefaultSeismicCoefficientText = "2.0";
inline constexpr std::string_view DefaultRegionalCoefficientText = "1.0";
inline constexpr std::string_view MotorOffText = "0"; // motor fields and F while switched off

struct AnchorInfo {
  Anchor kind;
  std::string_view caption; // caption of the option button
};
// The seven anchor kinds in the order of their codes.
std::span<const AnchorInfo> anchor_kinds();

} // namespace zelvaro
