// Ceiling equipment: the weight, the vertical seismic force and the rotation
// force all add to the pull-out, and the motor moment lengthens the lever arm
// of the weight, as the report formula states. This errs on the safe side.
#include "engine/checked_math.h"
#include "engine/report_text.h"

namespace zelvaro {

namespace {

constexpr FieldBinding Fields[] = {
    {InputSlot::Text1_1, &SeismicCalcState::n},
    {InputSlot::Text1_2, &SeismicCalcState::LG},
    {InputSlot::Text1_3, &SeismicCalcState::HG},
    {InputSlot::Text1_7, &SeismicCalcState::L},
    TensionBoltsField,
};

void echo(const SeismicCalcState &s, std::string &out) {
  echo_four_lines(s, out, "  L=", s.L);
}

void convert(SeismicCalcState &s) {
  s.LG = formula("LG", [&] { return Num{s.LG} / 100; });
  s.L = formula("L", [&] { return Num{s.L} / 100; });
}

void pull_out(SeismicCalcState &s) {
  const Num L{s.L}, LG{s.LG}, MR{s.MR}, W{s.W}, FV{s.FV}, FD{s.FD}, FH{s.FH}, HG{s.HG}, nt{s.nt};
  s.Rb = formula("引抜力Rb", [&] { return ((L - LG + MR) * (W + FV + FD) + (FH + FD) * HG) / (nt * L); });
}

void pull_out_lines(const SeismicCalcState &s, std::string &out) {
  put_line(out, "引抜力　Rb=((FH+FD)･HG+(W+FV+FD)･((L-LG)+MR))/(L･nt) = ", s.Rb, " (N)");
}

} // namespace

const ShapeProcedure CeilingEquipment{
    Shape::Ceiling,
    "天井機器",
    Fields,
    {"L(cm)=", "HG(cm)=", "LG(cm)=", "ｱﾝｶ総数n(本)=", TensionBoltsLabel},
    nullptr,
    echo,
    convert,
    pull_out,
    shear_of_horizontal_load,
    pull_out_lines,
    shear_line_of_horizontal_load,
};

} // namespace zelvaro
