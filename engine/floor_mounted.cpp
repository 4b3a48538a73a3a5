// Floor-mounted equipment: bolts in two rows a span L apart; the overturning
// moment of the horizontal forces about the bolt row against the restoring
// moment of the weight.
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
  put(out, "初期ﾃﾞｰﾀ　W=", s.W, "(kg)");
  put(out, "  n=", s.n, "(本)");
  echo_tension_bolts(s, out);
  put(out, "  ﾎﾞﾙﾄ径M=", s.M, "");
  put(out, "  水平震度=", s.KH, "");
  put(out, "  地域係数=", s.Z, "");
  put(out, "  LG=", s.LG, "(cm)");
  put(out, "  HG=", s.HG, "(cm)");
  put_line(out, "  L=", s.L, "(cm)");
  put(out, "      P=", s.P, "(W)");
  put(out, "  N=", s.N, "(RPM)");
  put(out, "  a=", s.a, "(μm)");
  put(out, "  引張基準強度=", s.ft, "(MPa)");
  put(out, "   専断基準強度=", s.fs, "(MPa)");
  put_line(out, "   付加力F=", s.F, "(kg)");
}

void convert(SeismicCalcState &s) {
  s.LG = formula("LG", [&] { return Num{s.LG} / 100; });
  s.L = formula("L", [&] { return Num{s.L} / 100; });
}

void pull_out(SeismicCalcState &s) {
  const Num FH{s.FH}, FD{s.FD}, HG{s.HG}, W{s.W}, FV{s.FV}, LG{s.LG}, MR{s.MR}, nt{s.nt}, L{s.L};
  s.Rb = formula("引抜力Rb", [&] { return ((FH + FD) * HG - ((W - FV) - FD) * LG + MR) / (nt * L); });
}

void pull_out_lines(const SeismicCalcState &s, std::string &out) {
  put_line(out, "引抜力　Rb=((FH+FD)･HG-(W-FV-FD)･LG+MR)/(L･nt) = ", s.Rb, " (N)");
}

} // namespace

const ShapeProcedure FloorMounted{
    Shape::Floor,
    "床置機器",
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
