// The worked examples of every shape, and on the floor-mounted shape the
// driver, the common forces, the motor terms and the checks.
#include "engine/checks.h"
#include "refdata/bond_tables.h"
#include "refdata/materials.h"
#include "tests/support/case_runner.h"
#include "tests/support/state_members.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <string>

namespace zelvaro::test {
namespace {

TEST(WorkedExamples, every_shape_reports_the_reference_lines_with_CR_LF_between_them) {
  for (const WorkedExample &e : worked_examples()) {
    SCOPED_TRACE(std::string(e.shape_word));
    const CaseRun r = run_example(e.shape);
    ASSERT_TRUE(r.reported());
    const auto lines = r.lines();
    EXPECT_EQ(lines.front(), FixedHeader);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()),
              std::vector<std::string>(e.report.begin(), e.report.end()));
    EXPECT_FALSE(r.outcome.report.ends_with("\r\n"));
    for (std::size_t i = 0; i < r.outcome.report.size(); ++i) {
      if (r.outcome.report[i] == '\n') {
        ASSERT_EQ(r.outcome.report[i - 1], '\r');
      }
    }
    EXPECT_FALSE(r.outcome.message); // every check passed: no advice box
  }
}

TEST(CommonForces, external_force_adds_to_FH_and_half_of_it_to_FV) {
  const CaseRun without = run_example(Shape::Floor, {{"M", "8"}, {"W", "100"}, {"n", "3"}});
  ASSERT_TRUE(without.reported());
  EXPECT_TRUE(without.has_line("設計水平地震力FH=980(N)"));
  EXPECT_TRUE(without.has_line("設計鉛直地震力FV=490(N)"));
  EXPECT_TRUE(without.has_line("ﾎﾞﾙﾄ断面積A=3.76992E-05(m2)"));
  EXPECT_EQ(without.state.nt, 1.5); // odd n gives a fractional count of bolts in tension

  const CaseRun with = run_example(Shape::Floor, {{"M", "8"}, {"W", "100"}, {"n", "3"}, {"F", "10"}});
  EXPECT_TRUE(with.has_line("設計水平地震力FH=1078(N)"));
  EXPECT_TRUE(with.has_line("設計鉛直地震力FV=539(N)"));
  EXPECT_EQ(with.state.F, 10); // F itself stays in kilograms
}

TEST(MotorTerms, moment_and_rotation_force_of_a_running_motor) {
  const CaseRun r = run_example(Shape::Floor, {{"W", "100"}, {"P", "1.5"}, {"N", "1500"}, {"a", "10"}});
  ASSERT_TRUE(r.reported());
  EXPECT_TRUE(r.has_line("ﾓｰﾒﾝﾄ　MR=9.55･P/N=9.55(N･m)"));
  EXPECT_TRUE(r.has_line("回転力　FD=1/(2*9.8)･a･(2･3.1412･N/60)^2･W=12.3339218(N)"));
  // MR raises Rb by MR / (nt L) on top of the force terms.
  EXPECT_TRUE(r.has_line("引抜力　Rb=((FH+FD)･HG-(W-FV-FD)･LG+MR)/(L･nt) = 461.65052962 (N)"));
}

TEST(Calculate, same_inputs_twice_give_the_same_report) {
  const WorkedExample &e = worked_example(Shape::Floor);
  const cases::CaseFields fields = fields_of(e.shape, e.field_texts());
  SeismicCalcState s;
  cases::prepare_state(s, e.shape, e.anchor, e.material);
  const CalcOutcome first = calculate(s, fields);
  const CalcOutcome second = calculate(s, fields);
  ASSERT_TRUE(first.status == CalcOutcome::Status::Reported);
  EXPECT_EQ(first.report, second.report); // W is captured again before it is multiplied by 9.8
}

// Every member of two states, doubles bit for bit.
void expect_same_state(const SeismicCalcState &a, const SeismicCalcState &b) {
  for (std::size_t i = 0; i < std::size(NumericMembers); ++i)
    EXPECT_EQ(std::bit_cast<std::uint64_t>(a.*NumericMembers[i]),
              std::bit_cast<std::uint64_t>(b.*NumericMembers[i]))
        << "number " << i;
  for (std::size_t i = 0; i < a.BondTable.size(); ++i)
    EXPECT_EQ(std::bit_cast<std::uint64_t>(a.BondTable[i]), std::bit_cast<std::uint64_t>(b.BondTable[i]))
        << "BondTable " << i;
  for (std::size_t i = 0; i < std::size(TextMembers); ++i)
    EXPECT_EQ(a.*TextMembers[i], b.*TextMembers[i]) << "text " << i;
  EXPECT_EQ(a.CalcCode, b.CalcCode);
  EXPECT_EQ(a.ShapeKind, b.ShapeKind);
  EXPECT_EQ(a.AnchorKind, b.AnchorKind);
  EXPECT_EQ(a.BoltMaterial, b.BoltMaterial);
}

TEST(PrepareState, leaves_a_used_state_exactly_as_a_new_one_with_the_choices_made) {
  // A state that a full calculation with reports has filled.
  const CaseRun used = run_example(Shape::Floor, {{"P", "3.7"}, {"N", "1450"}, {"a", "20"}});
  ASSERT_TRUE(used.reported());
  for (int shape = 0; shape <= 6; ++shape)
    for (int anchor = 0; anchor <= 8; ++anchor)
      for (int material = 0; material <= 3; ++material) { // one code past each list too
        SCOPED_TRACE(std::to_string(shape) + " " + std::to_string(anchor) + " " + std::to_string(material));
        const auto sh = static_cast<Shape>(shape);
        const auto an = static_cast<Anchor>(anchor);
        const auto ma = static_cast<Material>(material);
        SeismicCalcState expected;
        expected.ShapeKind = sh;
        expected.AnchorKind = an;
        load_bond_table(expected, an);
        choose_material(expected, ma);
        SeismicCalcState s = used.state;
        cases::prepare_state(s, sh, an, ma);
        expect_same_state(s, expected);
        cases::prepare_state(s, sh, an, ma); // and again on a prepared one
        expect_same_state(s, expected);
      }
}

TEST(Calculate, an_outcome_used_again_is_overwritten_whole) {
  // Advice, a refusal, a numeric stop and a clean pass, with and without the
  // report text, one after the other into the same outcome.
  const Fields changes[] = {
      {{"W", "50000"}}, {{"L", ""}}, {{"n", "0"}}, {}, {{"W", "50000"}}, {{"M", "7"}}, {{"W", "50000"}}, {},
  };
  CalcOutcome reused;
  std::vector<bool> seen(4);
  for (ReportText text : {ReportText::Full, ReportText::Verdicts})
    for (const auto &change : changes) {
      const cases::CaseFields fields =
          fields_of(Shape::Floor, worked_example(Shape::Floor).field_texts(), change);
      SeismicCalcState a, b;
      cases::prepare_state(a, Shape::Floor, Anchor::HawkCut, Material::SS);
      cases::prepare_state(b, Shape::Floor, Anchor::HawkCut, Material::SS);
      const CalcOutcome fresh = calculate(a, fields, text);
      calculate(b, fields, text, &reused);
      EXPECT_EQ(reused.status, fresh.status);
      EXPECT_EQ(reused.report, fresh.report);
      EXPECT_EQ(reused.message, fresh.message);
      EXPECT_EQ(reused.bond, fresh.bond);
      EXPECT_EQ(reused.refusal, fresh.refusal);
      seen[static_cast<std::size_t>(fresh.status) +
           (fresh.message && fresh.status == CalcOutcome::Status::Reported)] = true;
    }
  EXPECT_EQ(seen, std::vector<bool>(4, true)); // refused, stopped, reported, reported with advice
}

// --- checks ------------------------------------------------------------------

TEST(Verdict, boundaries_of_the_reference_strengths) {
  struct Row {
    double sigma_c, tau_c;
    bool pass;
  } rows[] = {
      {176.5, 101.8, true},                      // equal to both passes
      {std::nextafter(176.5, 1000.0), 0, false}, // the smallest step above fails
      {0, std::nextafter(101.8, 1000.0), false}, // shear alone fails
  };
  for (const Row &row : rows) {
    SeismicCalcState s;
    choose_material(s, Material::SS);
    s.sigma_c = row.sigma_c;
    s.tau_c = row.tau_c;
    verdict(s);
    EXPECT_EQ(s.VerdictLine, row.pass ? VerdictPass : VerdictFail) << row.sigma_c << " " << row.tau_c;
  }
}

// The anchor check as Calculate makes it: its figures, then its block.
void anchor_check(SeismicCalcState &s, int d) {
  write_anchor_block(s, bond_figures(s, d));
}

TEST(AnchorCheck, pull_out_equal_to_the_allowable_value_is_dangerous) {
  SeismicCalcState s;
  s.AnchorKind = Anchor::HawkCut;
  s.Rb = 2205;
  s.BondTable[12] = 2205 / 9.8;
  anchor_check(s, 12);
  EXPECT_EQ(s.AnchorBlock, "⇒引抜力 Rb=225(kg)はｺﾝｸﾘｰﾄとﾎﾞﾙﾄ密着力=225(kg)より大きく,危険");

  s.BondTable[12] = std::nextafter(2205 / 9.8, 1e9);
  anchor_check(s, 12);
  EXPECT_NE(s.AnchorBlock.find("より小さく,安全"), std::string::npos);
}

TEST(AnchorCheck, rebar_hooked_anchor_uses_the_rebar_label) {
  SeismicCalcState s;
  s.AnchorKind = Anchor::RebarHooked;
  s.Rb = 98000;
  s.BondTable[16] = 4912;
  anchor_check(s, 16);
  EXPECT_EQ(s.AnchorBlock, "⇒引抜力 Rb=10000(kg)はφ13鉄筋強度=4912(kg)より大きく,危険");
  // The bond message box is the one for the concrete bond.
  const auto advice = judge_msg(s.AnchorBlock);
  ASSERT_TRUE(advice);
  EXPECT_EQ(advice->text.rfind("「ボルトとコンクリートの密着性、連結性が不足」", 0), 0u);
}

TEST(AnchorCheck, zero_table_entry_makes_any_uplift_dangerous_but_no_uplift_safe) {
  SeismicCalcState s;
  s.AnchorKind = Anchor::JTip;
  s.Rb = 0;
  anchor_check(s, 30);
  EXPECT_NE(s.AnchorBlock.find("=0(kg)より大きく,危険"), std::string::npos);
  s.Rb = -1;
  anchor_check(s, 30);
  EXPECT_NE(s.AnchorBlock.find("より小さく,安全"), std::string::npos);
}

TEST(AnchorCheck, welded_anchor_sizes_the_weld_and_the_bars_unrounded) {
  SeismicCalcState s;
  s.AnchorKind = Anchor::RebarWelded;
  s.Rb = 2205;
  anchor_check(s, 12);
  EXPECT_NEAR(s.LL, 0.9523, 1e-4);
  EXPECT_NEAR(s.RebarCount, 0.0458, 1e-4);
  EXPECT_EQ(s.AnchorBlock, "⇒必要溶接量 LL=Rb/(0.5･0.0065･10^6･71.246)･100 = 0.952280181991324(cm)\r\n"
                           "⇒基礎ﾎﾞﾙﾄ～溶接φ13鉄筋本数⇒引抜力 / 筋強度48146(N)= 0.0457981971503344（本）");
  EXPECT_EQ(s.AnchorBlock.find("危険"), std::string::npos);
}

TEST(JudgeMsg, one_advice_box_for_each_combination_of_shortfalls) {
  const std::string pass = std::string(VerdictPass), fail = std::string(VerdictFail);
  const std::string safe = "⇒引抜力 Rb=1(kg)はｺﾝｸﾘｰﾄとﾎﾞﾙﾄ密着力=2(kg)より小さく,安全";
  const std::string danger = "⇒引抜力 Rb=3(kg)はｺﾝｸﾘｰﾄとﾎﾞﾙﾄ密着力=2(kg)より大きく,危険";
  EXPECT_FALSE(judge_msg(pass + "\r\n" + safe));

  const auto bond = judge_msg(pass + "\r\n" + danger);
  ASSERT_TRUE(bond);
  EXPECT_EQ(bond->title, "耐震強度不足");
  EXPECT_EQ(bond->icon, MessageIcon::None);
  EXPECT_EQ(bond->text,
            "「ボルトとコンクリートの密着性、連結性が不足」しています。違うアンカー方式で施工しなおすか、\r\n"
            "ボルト本数を増やしたり、ボルト材質、直径を大きくする必要があります。");

  const auto bolt = judge_msg(fail + "\r\n" + safe);
  ASSERT_TRUE(bolt);
  EXPECT_EQ(
      bolt->text,
      "「ボルト自体の強度」が不足しています。ボルト本数を増やすか、ボルト材質、直径を大きくしてください。");

  const auto both = judge_msg(fail + "\r\n" + danger);
  ASSERT_TRUE(both);
  EXPECT_EQ(
      both->text,
      "「ボルト自体の強度」と「ボルトとコンクリートの密着性、連結性も不足」しています。\r\n"
      "ボルト本数を増やすか、ボルト材質、直径を大きくし、更に違うアンカー方式で施工しなおす必要があります。");
}

} // namespace
} // namespace zelvaro::test
