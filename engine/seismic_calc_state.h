// Zelvaro calculation core.
//
// Data flow of one calculation:
//   field texts -> data_in (capture/) -> SeismicCalcState -> shape procedure
//   -> checks (combined values, anchor, verdict) -> report -> judge_msg
//
// The state record below is the one place where selections, captured inputs,
// derived quantities and report blocks live. The engine converts captured
// members in place to metres and newtons, so every calculation must start with
// a fresh capture.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace zelvaro {

// Installation shape of the equipment (0 while nothing is chosen).
enum class Shape : std::int16_t { None = 0, Floor = 1, Circular = 2, Wall = 3, Ceiling = 4, Braced = 5 };

// Way the bolt is fixed to the structure (0 while nothing is chosen).
enum class Anchor : std::int16_t {
  None = 0,
  HawkCut = 1,
  LTip = 2,
  JTip = 3,
  BoltEmbedded = 4,
  Chemical = 5,
  RebarHooked = 6,
  RebarWelded = 7,
};

// Bolt material (0 while nothing is chosen).
enum class Material : std::int16_t { None = 0, SS = 1, SUS = 2 };

// Hand-over from capture to the engine: 0 = not ready, otherwise 10 + shape.
inline constexpr std::int16_t CalcCodeNone = 0;
inline constexpr std::int16_t calc_code_for(Shape s) {
  return static_cast<std::int16_t>(10 + static_cast<int>(s));
}

inline constexpr int BondTableSize = 101; // indexed by bolt diameter in whole millimetres

inline constexpr double InitialRebarStrength = 48146.0; // one phi-13 bar, N
inline constexpr double InitialWeldStrength = 71.246;   // MPa
inline constexpr const char *InitialErrorMessage = "空白が有りますので、埋めてください｡";
inline constexpr const char *InitialCaptionText = "Zelvaro1.070716";

// Members keep the engineering symbols of the report and their declared order.
// Counts are doubles and are never rounded.
struct SeismicCalcState {
  double Rb = 0;                                 // pull-out force on one bolt, N
  double MR = 0;                                 // motor moment, N*m
  double sigma_b = 0;                            // tensile stress, MPa
  double FD = 0;                                 // rotation force, N
  double KH = 0;                                 // design horizontal seismic coefficient
  double W = 0;                                  // weight: kg as captured, N after Calculate
  double F = 0;                                  // additional external force, kg
  double FH = 0;                                 // design horizontal seismic force, N
  double FV = 0;                                 // design vertical seismic force, N
  double n = 0;                                  // total number of anchor bolts
  double nt = 0;                                 // bolts taking tension: nt_given, or n / 2
  double nt_given = 0;                           // floor, ceiling: nt as entered, 0 when left blank
  double H = 0;                                  // braced: height, cm then m
  double HG = 0;                                 // height of the centre of gravity, cm then m
  double L = 0;                                  // bolt span, cm then m
  double LG = 0;                                 // bolt to centre of gravity, cm then m
  double M = 0;                                  // bolt diameter, mm then m
  double tau_b = 0;                              // shear stress, MPa
  double sigma_c = 0;                            // combined tensile value, MPa
  double tau_c = 0;                              // combined shear value, MPa
  std::array<double, BondTableSize> BondTable{}; // allowable bond strength, kg
  double P = 0;                                  // motor power, W (capture multiplies the kW value by 1000)
  double N = 0;                                  // rotation speed, rpm
  double A = 0;                                  // bolt section area, m2
  double a = 0;                                  // vibration amplitude, um then m
  double ft = 0;                                 // tensile reference strength, MPa
  double fs = 0;                                 // shear reference strength, MPa
  double D = 0;                                  // circular: bolt circle diameter, cm then m
  double L1 = 0;                                 // wall lengths, cm then m
  double L2 = 0;
  double L1G = 0;
  double L2G = 0;
  double L3G = 0;
  double Z = 0;   // regional coefficient
  double n1 = 0;  // wall: anchors on one upper or lower side
  double n2 = 0;  // wall: anchors on one lateral side
  double Rb1 = 0; // wall: pull-out candidates, N
  double Rb2 = 0;
  double RebarCount = 0; // rebar-welded: required phi-13 bars, not rounded
  double RebarStrength = InitialRebarStrength;
  double LL = 0; // rebar-welded: required weld length, cm
  double WeldStrength = InitialWeldStrength;
  std::int16_t CalcCode = CalcCodeNone;
  std::string ErrorMessage = InitialErrorMessage;
  std::string ReportHeader;
  std::string EchoBlock;
  std::string ForceBlock;
  std::string StressBlock;
  std::string VerdictLine;
  std::string MotorBlock;
  std::string RebarLine;
  std::string AnchorBlock;
  Shape ShapeKind = Shape::None;
  Anchor AnchorKind = Anchor::None;
  Material BoltMaterial = Material::None;
  std::string CaptionText = InitialCaptionText;
};

// Shape group of the bond tables: the ceiling and braced shapes have lower
// allowable values than every other shape (no shape chosen included).
inline constexpr bool is_ceiling_group(Shape s) {
  return s == Shape::Ceiling || s == Shape::Braced;
}

} // namespace zelvaro
