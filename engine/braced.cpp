// Braced equipment: only the horizontal load enters, with the centre of
// gravity height HG and the brace height H as lever arms. LG is captured and
// echoed but enters no formula.
#include "engine/checked_math.h"
#include "engine/report_text.h"

namespace zelvaro {

namespace {

constexpr FieldBinding Fields[] = {
    {InputSlot::Text1_1, &SeismicCalcState::n},
    {InputSlot::Text1_2, &SeismicCalcState::LG},
    {InputSlot::Text1_3, &SeismicCalcState::HG},
    {InputSlot::Text1_7, &SeismicCalcState::H},
};

void echo(const SeismicCalcState &s, std::string &out) {
  echo_four_lines(s, out, "  H=", s.H);
}

void convert(SeismicCalcState &s) {
  s.H = formula("H", [&] { return Num{s.H} / 100; });
  s.LG = formula("LG", [&] { return Num{s.LG} / 100; });
}

void pull_out(SeismicCalcState &s) {
  const Num FH{s.FH}, FD{s.FD}, HG{s.HG}, n{s.n}, H{s.H};
  // The brace reaction at height H is shared by the n braces with anchors,
  // as the shear below is.
  s.Rb = formula("引抜力Rb", [&] { return (FH + FD) * HG / (n * H); });
}

void shear(SeismicCalcState &s) {
  const Num FH{s.FH}, FD{s.FD}, HG{s.HG}, n{s.n}, H{s.H}, A{s.A};
  s.tau_b = formula("専断応力τb", [&] { return (H - HG) * (FH + FD) / n / H / A / 1000000; });
}

void pull_out_lines(const SeismicCalcState &s, std::string &out) {
  put_line(out, "引抜力　Rb=(FH+FD)･HG/(n*H)= ", s.Rb, " (N)");
}

void shear_line(const SeismicCalcState &s, std::string &out) {
  put_line(out, "専断応力　τb=(FH+FD)*(H-HG)/(n*H*A) = ", s.tau_b, "(MPa)");
}

} // namespace

const ShapeProcedure BracedEquipment{
    Shape::Braced, "筋交い機器",
    Fields,        {"H(cm)=", "HG(cm)=", "LG(cm)=", "ｱﾝｶ付き筋交い数n(本)=", LateralBoltsLabel},
    nullptr,       echo,
    convert,       pull_out,
    shear,         pull_out_lines,
    shear_line,
};

} // namespace zelvaro
