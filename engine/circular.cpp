// Circular equipment: n bolts on a bolt circle of diameter D. Every term uses
// the total bolt count n.
#include "engine/checked_math.h"
#include "engine/report_text.h"

namespace zelvaro {

namespace {

constexpr FieldBinding Fields[] = {
    {InputSlot::Text1_1, &SeismicCalcState::n},
    {InputSlot::Text1_3, &SeismicCalcState::HG},
    {InputSlot::Text1_7, &SeismicCalcState::D},
};

void echo(const SeismicCalcState &s, std::string &out) {
  put(out, "初期ﾃﾞｰﾀ　W=", s.W, "(kg)");
  put(out, "  n=", s.n, "(本)");
  put(out, "  ﾎﾞﾙﾄ径M=", s.M, "");
  put(out, "  水平震度=", s.KH, "");
  put(out, "  地域係数=", s.Z, "");
  put(out, " 　HG=", s.HG, "(cm)");
  put_line(out, "  D=", s.D, "(cm)");
  put(out, "　  P=", s.P, "(W)");
  put(out, "  N=", s.N, "(RPM)");
  put(out, "  a=", s.a, "(μm)");
  put(out, "  引張基準強度=", s.ft, "(MPa)");
  put(out, "   専断基準強度=", s.fs, "(MPa)");
  put_line(out, "   付加外力F=", s.F, "(kg)");
}

void convert(SeismicCalcState &s) {
  s.D = formula("D", [&] { return Num{s.D} / 100; });
}

void pull_out(SeismicCalcState &s) {
  const Num FH{s.FH}, FD{s.FD}, HG{s.HG}, W{s.W}, FV{s.FV}, MR{s.MR}, n{s.n}, D{s.D};
  s.Rb = formula("引抜力Rb",
                 [&] { return ((FH + FD) * 4 * HG) / (n * D) - ((W - FV) - FD) / n + ((MR * 4) / n) / D; });
}

void pull_out_lines(const SeismicCalcState &s, std::string &out) {
  // This formula text has no blank before its equals sign.
  put_line(out, "引抜力　Rb=4･(FH+FD)･HG/(n･D)-(W-FV-FD)/n+4･MR/n/D= ", s.Rb, " (N)");
}

} // namespace

const ShapeProcedure CircularEquipment{
    Shape::Circular,
    "円形機器",
    Fields,
    {"D(cm)=", "HG(cm)=", "LG(cm)=", "ｱﾝｶ総数n(本)=", LateralBoltsLabel},
    nullptr,
    echo,
    convert,
    pull_out,
    shear_of_horizontal_load,
    pull_out_lines,
    shear_line_of_horizontal_load,
};

} // namespace zelvaro
