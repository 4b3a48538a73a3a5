// Wall equipment: n1 anchors on the upper and on the lower side, n2 on each
// lateral side. Two pull-out candidates, the larger one is checked; the shear
// is the vector sum of the vertical and the horizontal load.
#include "engine/checked_math.h"
#include "engine/report_text.h"

namespace zelvaro {

namespace {

constexpr FieldBinding Fields[] = {
    {InputSlot::Text1_1, &SeismicCalcState::n1},  {InputSlot::Text1_2, &SeismicCalcState::L1G},
    {InputSlot::Text1_3, &SeismicCalcState::L2},  {InputSlot::Text1_4, &SeismicCalcState::L2G},
    {InputSlot::Text1_7, &SeismicCalcState::L1},  {InputSlot::Text1_8, &SeismicCalcState::n2},
    {InputSlot::Text1_9, &SeismicCalcState::L3G},
};

// The two corner anchors of each lateral column are counted in the rows.
// Nothing rounds or checks the count.
void derive_inputs(SeismicCalcState &s) {
  const Num n1{s.n1}, n2{s.n2};
  s.n = formula("ｱﾝｶ総数n", [&] { return (n2 - 2) * 2 + n1 * 2; });
}

void echo(const SeismicCalcState &s, std::string &out) {
  put(out, "初期ﾃﾞｰﾀ　W=", s.W, "(kg)");
  put(out, "  n1=", s.n1, "(本)");
  put(out, "  n2=", s.n2, "(本)  n=n1*2+(n2-2)*2=");
  put(out, "", s.n, "(本)");
  put(out, "  ﾎﾞﾙﾄ径M=", s.M, "");
  put(out, "  水平震度=", s.KH, "");
  put_line(out, "  地域係数=", s.Z, "");
  put(out, "　L1=", s.L1, "(cm)");
  put(out, "  L2=", s.L2, "(cm)");
  put(out, "　L1G=", s.L1G, "(cm)");
  put(out, "  L2G=", s.L2G, "(cm)");
  put(out, "  L3G=", s.L3G, "(cm)");
  put(out, "  P=", s.P, "(W)");
  put(out, "  N=", s.N, "(RPM)");
  put_line(out, "  a=", s.a, "(μm)");
  put(out, "　引張基準強度=", s.ft, "(MPa)");
  put(out, "   専断基準強度=", s.fs, "(MPa)");
  put_line(out, "   付加外力F=", s.F, "(kg)");
}

void convert(SeismicCalcState &s) {
  s.L1 = formula("L1", [&] { return Num{s.L1} / 100; });
  s.L2 = formula("L2", [&] { return Num{s.L2} / 100; });
  s.L1G = formula("L1G", [&] { return Num{s.L1G} / 100; });
  s.L2G = formula("L2G", [&] { return Num{s.L2G} / 100; });
  s.L3G = formula("L3G", [&] { return Num{s.L3G} / 100; });
}

void pull_out(SeismicCalcState &s) {
  const Num W{s.W}, FV{s.FV}, FD{s.FD}, FH{s.FH}, MR{s.MR};
  const Num L1{s.L1}, L2{s.L2}, L2G{s.L2G}, L3G{s.L3G}, n1{s.n1}, n2{s.n2};
  s.Rb1 = formula("引抜力Rb1", [&] {
    return (W + FV + FD) * L3G / L2 / n1 + (FH + FD) * L3G / L1 / n2 + MR / L1 / n2 + MR / L2 / n1;
  });
  s.Rb2 = formula("引抜力Rb2", [&] { return ((L2 - L2G) * (FH + FD) + (W + FV + FD) * L3G + MR) / L2 / n1; });
  s.Rb = s.Rb1 > s.Rb2 ? s.Rb1 : s.Rb2;
}

void shear(SeismicCalcState &s) {
  const Num W{s.W}, FV{s.FV}, FD{s.FD}, FH{s.FH}, n{s.n}, A{s.A};
  s.tau_b = formula("専断応力τb",
                    [&] { return power(power(W + FV + FD, 2) + power(FH + FD, 2), 0.5) / n / A / 1000000; });
}

void pull_out_lines(const SeismicCalcState &s, std::string &out) {
  put_line(out, "引抜力１　Rb1=(FH+FD)･L3G/(L1･n2)+(W+FV+FD)･L3G/(L2･n1)+MR/L1/n2+MR/L2/n1= ", s.Rb1, " (N)");
  put_line(out, "引抜力２　Rb2 =((FH+FD)･(L2-L2G)+(W+FV+FD)･L3G+MR)/(L2･n1)=", s.Rb2, "(N)");
  put_line(out, "∴引抜力　Rb = ", s.Rb, "(N)");
}

void shear_line(const SeismicCalcState &s, std::string &out) {
  put_line(out, "専断応力　τb=((FH+FD)^2+(W+FV+FD)^2)^0.5/(n*A) = ", s.tau_b, "(MPa)");
}

} // namespace

const ShapeProcedure WallEquipment{
    Shape::Wall,   "壁面機器",
    Fields,        {"L1(cm)=", "L2(cm)=", "L1G(cm)=", "上下片側ｱﾝｶ数n1(本)=", LateralBoltsLabel},
    derive_inputs, echo,
    convert,       pull_out,
    shear,         pull_out_lines,
    shear_line,
};

} // namespace zelvaro
