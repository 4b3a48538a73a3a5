#include "refdata/selection_lists.h"

namespace zelvaro {

namespace {
constexpr std::string_view DiametersStandard[] = {"8", "10", "12", "16", "20", "24"};
constexpr std::string_view DiametersChemical[] = {"10", "12", "16", "20"};
// No table holds a value for a 30 mm hooked rebar, so that anchor does not
// offer it; the welded anchor needs no table and keeps 30 mm.
constexpr std::string_view DiametersRebarHooked[] = {"10", "12", "16", "20", "24"};
constexpr std::string_view DiametersRebarWelded[] = {"10", "12", "16", "20", "24", "30"};
constexpr std::string_view SeismicCoefficients[] = {"0.4", "0.6", "1.0", "2.0"};
constexpr std::string_view MotorPowers[] = {"0.2", "0.4", "0.75", "1.5", "2.2", "3.7", "5.5", "7.5",
                                            "11",  "15",  "18.5", "22",  "30",  "37",  "45"};
constexpr std::string_view RegionalCoefficients[] = {"0.7", "0.8", "0.9", "1.0", "1.1"};

constexpr AnchorInfo Anchors[] = {
    {Anchor::HawkCut, "ﾎｰｸｶｯﾄｱﾝｶ"},         {Anchor::LTip, "先端L埋込みｱﾝｶ"},
    {Anchor::JTip, "先端J埋込みｱﾝｶ"},       {Anchor::BoltEmbedded, "ﾎﾞﾙﾄ埋込みｱﾝｶ"},
    {Anchor::Chemical, "ｹﾐｶﾙｱﾝｶ"},          {Anchor::RebarHooked, "鉄筋等引掛けｱﾝｶ"},
    {Anchor::RebarWelded, "鉄筋等溶接ｱﾝｶ"},
};
} // namespace

std::span<const std::string_view> diameter_items(Anchor kind) {
  switch (kind) {
  case Anchor::RebarHooked:
    return DiametersRebarHooked;
  case Anchor::RebarWelded:
    return DiametersRebarWelded;
  case Anchor::Chemical:
    return DiametersChemical;
  default:
    return DiametersStandard;
  }
}

std::span<const std::string_view> seismic_coefficient_items() {
  return SeismicCoefficients;
}
std::span<const std::string_view> motor_power_items() {
  return MotorPowers;
}
std::span<const std::string_view> regional_coefficient_items() {
  return RegionalCoefficients;
}
std::span<const AnchorInfo> anchor_kinds() {
  return Anchors;
}

} // namespace zelvaro
