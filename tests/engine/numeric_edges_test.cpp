// Numeric edges of every shape: each divisor at zero, 0/0, values that
// overflow (typed or reached in a formula), the smallest positive values,
// negative values, odd and fractional counts. Each case must give its report
// or the "計算できません" message without a report: never an infinity, a NaN
// or an empty number in the text.
#include "capture/data_in.h"
#include "engine/shape_procedure.h"
#include "tests/support/case_runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

namespace zelvaro::test {
namespace {

const std::string RbFloor = "引抜力　Rb=((FH+FD)･HG-(W-FV-FD)･LG+MR)/(L･nt) = ";
const std::string RbCircular = "引抜力　Rb=4･(FH+FD)･HG/(n･D)-(W-FV-FD)/n+4･MR/n/D= ";
const std::string Rb1Wall = "引抜力１　Rb1=(FH+FD)･L3G/(L1･n2)+(W+FV+FD)･L3G/(L2･n1)+MR/L1/n2+MR/L2/n1= ";
const std::string Rb2Wall = "引抜力２　Rb2 =((FH+FD)･(L2-L2G)+(W+FV+FD)･L3G+MR)/(L2･n1)=";
const std::string RbWall = "∴引抜力　Rb = ";
const std::string RbCeiling = "引抜力　Rb=((FH+FD)･HG+(W+FV+FD)･((L-LG)+MR))/(L･nt) = ";
const std::string RbBraced = "引抜力　Rb=(FH+FD)･HG/(n*H)= ";
const std::string SigmaB = "引張応力　σb=Rb/A = ";
const std::string TauB = "専断応力　τb=(FH+FD)/(n･A) = ";
const std::string TauBWall = "専断応力　τb=((FH+FD)^2+(W+FV+FD)^2)^0.5/(n*A) = ";
const std::string TauBBraced = "専断応力　τb=(FH+FD)*(H-HG)/(n*H*A) = ";
const std::string TauC = "専断強度　(0.25･σb^2+τb^2)^0.5 = ";

const std::string Huge = "1" + std::string(400, '0');        // a pasted 1 followed by 400 zeros
const std::string E308 = "1" + std::string(308, '0');        // finite, but not once multiplied
const std::string Tiny = "0." + std::string(323, '0') + "5"; // the smallest subnormal, 4.94E-324

// The plain decimal text of a double (exact, as a user could paste it).
std::string plain(double v) {
  char buf[1200];
  std::snprintf(buf, sizeof buf, "%.1100f", v);
  std::string s = buf;
  s.erase(s.find_last_not_of('0') + 1);
  return s;
}

enum class Expect {
  Report,   // a report holding `lines`
  Stop,     // the calculation stops: "計算できません" naming `lines[0]`
  TooLarge, // capture refuses a number too large to compute with: "計算できません"
};

struct Edge {
  Shape shape;
  const char *name;
  Fields changes;
  Expect expect;
  std::vector<std::string> lines; // report lines, or the text the message must hold
};

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

// The outcome a case must have, and nothing else.
void expect_outcome(const CaseRun &r, Shape shape, Expect expect, const std::vector<std::string> &lines) {
  switch (expect) {
  case Expect::Report: {
    ASSERT_TRUE(r.reported()) << (r.outcome.message ? r.outcome.message->text : "refused");
    const std::string text = lower(r.outcome.report);
    EXPECT_EQ(text.find("inf"), std::string::npos) << r.outcome.report;
    EXPECT_EQ(text.find("nan"), std::string::npos) << r.outcome.report;
    EXPECT_EQ(r.lines().size(), worked_example(shape).report.size() + 1) << r.outcome.report;
    for (const std::string &line : lines)
      EXPECT_TRUE(r.has_line(line)) << "missing: " << line << "\n" << r.outcome.report;
    EXPECT_TRUE(r.outcome.refusal.empty());
    break;
  }
  case Expect::Stop:
    ASSERT_TRUE(r.stopped());
    EXPECT_TRUE(r.outcome.report.empty());
    EXPECT_TRUE(r.outcome.refusal.empty());
    EXPECT_EQ(r.outcome.message->title, "計算できません");
    EXPECT_NE(r.outcome.message->text.find("入力された値では計算できません。"), std::string::npos);
    EXPECT_NE(r.outcome.message->text.find(lines.at(0)), std::string::npos) << r.outcome.message->text;
    break;
  case Expect::TooLarge:
    ASSERT_TRUE(r.refused());
    EXPECT_TRUE(r.outcome.report.empty());
    ASSERT_EQ(r.outcome.refusal.size(), 1u);
    EXPECT_EQ(r.outcome.refusal[0].title, "計算できません");
    EXPECT_NE(r.outcome.refusal[0].text.find(lines.at(0)), std::string::npos) << r.outcome.refusal[0].text;
    break;
  }
}

std::string divides_by_zero(const char *quantity) {
  return std::string(quantity) + "の計算で0による割り算";
}
std::string overflows(const char *quantity) {
  return std::string(quantity) + "の計算で値が大きすぎ";
}
const std::string TypedTooLarge = "の値が大きすぎ、扱える範囲を超えます";

// clang-format off
const std::vector<Edge> TypedEdges{
    // --- floor-mounted: Rb divides by nt L, tau_b by n A; MR by N unless N is 0
    {Shape::Floor, "n zero", {{"n", "0"}}, Expect::Stop, {divides_by_zero("引抜力Rb")}},
    {Shape::Floor, "L zero", {{"L", "0"}}, Expect::Stop, {divides_by_zero("引抜力Rb")}},
    {Shape::Floor, "0/0", {{"W", "0"}, {"n", "0"}, {"LG", "0"}, {"HG", "0"}, {"L", "0"}}, Expect::Stop,
     {divides_by_zero("引抜力Rb")}},
    {Shape::Floor, "motor speed zero: no moment", {{"P", "1.5"}, {"N", "0"}}, Expect::Report,
     {"ﾓｰﾒﾝﾄ　MR=9.55･P/N=0(N･m)", RbFloor + "2205 (N)"}},
    {Shape::Floor, "W pasted with 400 zeros", {{"W", Huge}}, Expect::TooLarge, {"「機器重量W(kg)」" + TypedTooLarge}},
    {Shape::Floor, "W overflows in newtons", {{"W", E308}}, Expect::Stop, {overflows("機器重量W")}},
    {Shape::Floor, "P fits in kW, not in watts", {{"P", "1" + std::string(306, '0')}, {"N", "1500"}}, Expect::TooLarge,
     {"「動力P(kw)」" + TypedTooLarge}},
    {Shape::Floor, "HG overflows the moment", {{"HG", E308}}, Expect::Stop, {overflows("引抜力Rb")}},
    {Shape::Floor, "n as large as a double goes", {{"n", E308}}, Expect::Report,
     {"初期ﾃﾞｰﾀ　W=500(kg)  n=1E+308(本)  ﾎﾞﾙﾄ径M=12  水平震度=1  地域係数=1  LG=30(cm)  HG=60(cm)  L=50(cm)",
      RbFloor + "8.82E-305 (N)"}},
    {Shape::Floor, "smallest weight", {{"W", Tiny}}, Expect::Report,
     {"設計水平地震力FH=4.94065645841247E-323(N)", RbFloor + "2.47032822920623E-323 (N)", SigmaB + "0(MPa)",
      "⇒引抜力 Rb=4.94065645841247E-324(kg)はｺﾝｸﾘｰﾄとﾎﾞﾙﾄ密着力=670(kg)より小さく,安全"}},
    {Shape::Floor, "L underflows to zero", {{"L", "0." + std::string(330, '0') + "1"}}, Expect::Stop,
     {divides_by_zero("引抜力Rb")}},
    {Shape::Floor, "smallest n halves to zero", {{"n", Tiny}}, Expect::Stop, {divides_by_zero("引抜力Rb")}},
    {Shape::Floor, "smallest normal n", {{"n", plain(DBL_MIN)}}, Expect::Stop, {overflows("引抜力Rb")}},
    {Shape::Floor, "zero weight", {{"W", "0"}}, Expect::Report,
     {"設計水平地震力FH=0(N)", RbFloor + "0 (N)", TauC + "0(MPa)"}},
    {Shape::Floor, "heavy low machine: negative pull-out", {{"LG", "300"}, {"HG", "1"}}, Expect::Report,
     {RbFloor + "-7301 (N)", "⇒引抜力 Rb=-745(kg)はｺﾝｸﾘｰﾄとﾎﾞﾙﾄ密着力=670(kg)より小さく,安全"}},
    {Shape::Floor, "n odd", {{"n", "3"}}, Expect::Report, {RbFloor + "2940 (N)"}},
    {Shape::Floor, "n fractional", {{"n", "2.5"}}, Expect::Report, {RbFloor + "3528 (N)"}},

    // --- circular: Rb divides by n D, n and D
    {Shape::Circular, "n zero", {{"n", "0"}}, Expect::Stop, {divides_by_zero("引抜力Rb")}},
    {Shape::Circular, "D zero", {{"D", "0"}}, Expect::Stop, {divides_by_zero("引抜力Rb")}},
    {Shape::Circular, "0/0", {{"W", "0"}, {"n", "0"}, {"HG", "0"}, {"D", "0"}}, Expect::Stop,
     {divides_by_zero("引抜力Rb")}},
    {Shape::Circular, "HG overflows the moment", {{"HG", E308}}, Expect::Stop, {overflows("引抜力Rb")}},
    {Shape::Circular, "smallest n", {{"n", Tiny}}, Expect::Stop, {overflows("引抜力Rb")}},
    {Shape::Circular, "bolt circle of 1E-300 cm: Rb is finite, its square is not",
     {{"D", "0." + std::string(290, '0') + "1"}}, Expect::Stop, {overflows("引張強度σc")}},
    {Shape::Circular, "smallest weight", {{"W", Tiny}}, Expect::Report, {"設計水平地震力FH=4.94065645841247E-323(N)"}},
    {Shape::Circular, "heavy low machine: negative pull-out", {{"W", "5000"}, {"HG", "1"}}, Expect::Report,
     {RbCircular + "-5512.5 (N)"}},
    {Shape::Circular, "n odd", {{"n", "3"}}, Expect::Report, {RbCircular + "4083.33333333333 (N)"}},
    {Shape::Circular, "n fractional", {{"n", "2.5"}}, Expect::Report, {RbCircular + "4900 (N)"}},

    // --- wall: Rb1 divides by L1, L2, n1 and n2; tau_b by the derived n
    {Shape::Wall, "n1 zero", {{"n1", "0"}}, Expect::Stop, {divides_by_zero("引抜力Rb1")}},
    {Shape::Wall, "n2 zero", {{"n2", "0"}}, Expect::Stop, {divides_by_zero("引抜力Rb1")}},
    {Shape::Wall, "L1 zero", {{"L1", "0"}}, Expect::Stop, {divides_by_zero("引抜力Rb1")}},
    {Shape::Wall, "L2 zero", {{"L2", "0"}}, Expect::Stop, {divides_by_zero("引抜力Rb1")}},
    {Shape::Wall, "derived n zero", {{"n1", "1"}, {"n2", "1"}}, Expect::Stop, {divides_by_zero("専断応力τb")}},
    {Shape::Wall, "0/0", {{"W", "0"}, {"L3G", "0"}, {"L2", "0"}}, Expect::Stop, {divides_by_zero("引抜力Rb1")}},
    {Shape::Wall, "L3G overflows the moment", {{"L3G", E308}}, Expect::Stop, {overflows("引抜力Rb1")}},
    {Shape::Wall, "smallest n1", {{"n1", Tiny}}, Expect::Stop, {overflows("引抜力Rb1")}},
    {Shape::Wall, "smallest weight", {{"W", Tiny}}, Expect::Report, {"設計水平地震力FH=4.94065645841247E-323(N)"}},
    {Shape::Wall, "derived n negative: negative shear", {{"n1", "0.5"}, {"n2", "1"}}, Expect::Report,
     {"初期ﾃﾞｰﾀ　W=100(kg)  n1=0.5(本)  n2=1(本)  n=n1*2+(n2-2)*2=-1(本)  ﾎﾞﾙﾄ径M=12  水平震度=1  地域係数=1",
      RbWall + "1960(N)", TauBWall + "-20.8282654389053(MPa)", TauC + "23.818032761705(MPa)"}},
    {Shape::Wall, "n1 and n2 odd", {{"n1", "3"}, {"n2", "3"}}, Expect::Report,
     {Rb1Wall + "408.333333333333 (N)", Rb2Wall + "245(N)", TauBWall + "2.60353317986317(MPa)"}},
    {Shape::Wall, "n1 fractional", {{"n1", "2.5"}}, Expect::Report, {Rb1Wall + "539 (N)", Rb2Wall + "294(N)"}},

    // --- ceiling: Rb divides by nt L
    {Shape::Ceiling, "n zero", {{"n", "0"}}, Expect::Stop, {divides_by_zero("引抜力Rb")}},
    {Shape::Ceiling, "L zero", {{"L", "0"}}, Expect::Stop, {divides_by_zero("引抜力Rb")}},
    {Shape::Ceiling, "0/0", {{"W", "0"}, {"n", "0"}, {"L", "0"}, {"LG", "0"}, {"HG", "0"}}, Expect::Stop,
     {divides_by_zero("引抜力Rb")}},
    {Shape::Ceiling, "HG overflows the moment", {{"HG", E308}}, Expect::Stop, {overflows("引抜力Rb")}},
    {Shape::Ceiling, "smallest n halves to zero", {{"n", Tiny}}, Expect::Stop, {divides_by_zero("引抜力Rb")}},
    {Shape::Ceiling, "smallest weight", {{"W", Tiny}}, Expect::Report, {"設計水平地震力FH=4.94065645841247E-323(N)"}},
    {Shape::Ceiling, "LG beyond L: negative lever arm", {{"LG", "300"}, {"HG", "0"}}, Expect::Report,
     {RbCeiling + "-1470 (N)"}},
    {Shape::Ceiling, "n odd", {{"n", "3"}}, Expect::Report, {RbCeiling + "816.666666666667 (N)"}},
    {Shape::Ceiling, "n fractional", {{"n", "2.5"}}, Expect::Report, {RbCeiling + "980 (N)"}},

    // --- braced: Rb divides by n H, tau_b by n H A
    {Shape::Braced, "n zero", {{"n", "0"}}, Expect::Stop, {divides_by_zero("引抜力Rb")}},
    {Shape::Braced, "H zero", {{"H", "0"}}, Expect::Stop, {divides_by_zero("引抜力Rb")}},
    {Shape::Braced, "0/0", {{"W", "0"}, {"HG", "0"}, {"n", "0"}, {"H", "0"}}, Expect::Stop,
     {divides_by_zero("引抜力Rb")}},
    {Shape::Braced, "HG overflows the moment", {{"HG", E308}}, Expect::Stop, {overflows("引抜力Rb")}},
    {Shape::Braced, "smallest n overflows the pull-out", {{"n", Tiny}}, Expect::Stop, {overflows("引抜力Rb")}},
    {Shape::Braced, "smallest weight", {{"W", Tiny}}, Expect::Report, {"設計水平地震力FH=4.94065645841247E-323(N)"}},
    {Shape::Braced, "HG above H: negative shear", {{"HG", "150"}}, Expect::Report,
     {RbBraced + "735 (N)", TauBBraced + "-2.88836073149799(MPa)", TauC + "5.20706635972633(MPa)"}},
    {Shape::Braced, "n odd", {{"n", "3"}}, Expect::Report, {RbBraced + "163.333333333333 (N)"}},
    {Shape::Braced, "n fractional", {{"n", "2.5"}}, Expect::Report, {RbBraced + "196 (N)"}},
};
// clang-format on

TEST(NumericEdges, typed_values_give_their_report_or_the_numeric_error) {
  for (const Edge &edge : TypedEdges) {
    SCOPED_TRACE(std::string(cases::shape_option(edge.shape)) + ": " + edge.name);
    expect_outcome(run_example(edge.shape, edge.changes), edge.shape, edge.expect, edge.lines);
  }
}

// Values a user cannot type (the key filter and capture refuse a "-", and
// capture refuses what does not read as a finite number), set in the state
// as capture leaves it.
struct Direct {
  Shape shape;
  const char *name;
  Fields typed; // changes to the example's texts
  double SeismicCalcState::*member;
  double value;
  Expect expect;
  std::vector<std::string> lines;
};

// clang-format off
const std::vector<Direct> DirectEdges{
    {Shape::Floor, "negative weight", {}, &SeismicCalcState::W, -500, Expect::Report,
     {"初期ﾃﾞｰﾀ　W=-500(kg)  n=4(本)  ﾎﾞﾙﾄ径M=12  水平震度=1  地域係数=1  LG=30(cm)  HG=60(cm)  L=50(cm)",
      "設計水平地震力FH=-4900(N)", RbFloor + "-2205 (N)", SigmaB + "-25.9952465834819(MPa)",
      TauB + "-14.4418036574899(MPa)", TauC + "19.4294596969524(MPa)",
      "⇒引抜力 Rb=-225(kg)はｺﾝｸﾘｰﾄとﾎﾞﾙﾄ密着力=670(kg)より小さく,安全"}},
    {Shape::Floor, "negative zero weight prints as 0", {}, &SeismicCalcState::W, -0.0, Expect::Report,
     {"設計水平地震力FH=0(N)", "設計鉛直地震力FV=0(N)", RbFloor + "0 (N)"}},
    {Shape::Floor, "negative motor speed", {{"P", "1.5"}, {"a", "10"}}, &SeismicCalcState::N, -1500, Expect::Report,
     {"ﾓｰﾒﾝﾄ　MR=9.55･P/N=-9.55(N･m)"}},
    {Shape::Floor, "negative diameter", {}, &SeismicCalcState::M, -12, Expect::Stop,
     {"ﾎﾞﾙﾄ径Mの計算が数値として成り立ちません"}},
    {Shape::Floor, "diameter beyond the bond table", {}, &SeismicCalcState::M, 101, Expect::Stop,
     {"ﾎﾞﾙﾄ径Mの計算が数値として成り立ちません"}},
    {Shape::Floor, "NaN weight", {}, &SeismicCalcState::W, std::numeric_limits<double>::quiet_NaN(), Expect::Stop,
     {"機器重量Wの計算が数値として成り立ちません"}},
    {Shape::Floor, "infinite span", {}, &SeismicCalcState::L, std::numeric_limits<double>::infinity(), Expect::Stop,
     {overflows("L")}},
    {Shape::Circular, "negative bolt circle", {}, &SeismicCalcState::D, -80, Expect::Report,
     {RbCircular + "-4287.5 (N)"}},
    {Shape::Wall, "negative L3G", {}, &SeismicCalcState::L3G, -50, Expect::Report,
     {Rb1Wall + "-612.5 (N)", Rb2Wall + "-367.5(N)", RbWall + "-367.5(N)"}},
    {Shape::Ceiling, "negative weight", {}, &SeismicCalcState::W, -100, Expect::Report,
     {RbCeiling + "-612.5 (N)"}},
    {Shape::Braced, "negative count", {}, &SeismicCalcState::n, -2, Expect::Report,
     {RbBraced + "-245 (N)", TauBBraced + "-2.88836073149799(MPa)"}},
};
// clang-format on

TEST(NumericEdges, negative_inputs_set_in_the_state_give_their_report_or_the_numeric_error) {
  for (const Direct &edge : DirectEdges) {
    SCOPED_TRACE(std::string(cases::shape_option(edge.shape)) + ": " + edge.name);
    const cases::CaseFields fields =
        fields_of(edge.shape, worked_example(edge.shape).field_texts(), edge.typed);
    CaseRun r;
    cases::prepare_state(r.state, edge.shape, Anchor::HawkCut, Material::SS);
    const auto capture = [&](SeismicCalcState &s, MessageSink &sink) {
      data_in(s, fields, sink);
      ASSERT_NE(s.CalcCode, CalcCodeNone);
      s.*edge.member = edge.value;
      const ShapeProcedure &proc = *shape_procedure(edge.shape);
      if (proc.derive_inputs)
        proc.derive_inputs(s);
      s.EchoBlock.clear();
      proc.echo(s, s.EchoBlock);
    };
    r.outcome = Calculate(r.state, capture, FixedNow);
    expect_outcome(r, edge.shape, edge.expect, edge.lines);
  }
}

} // namespace
} // namespace zelvaro::test
