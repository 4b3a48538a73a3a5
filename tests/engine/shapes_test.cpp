// What sets the circular, wall, ceiling and braced shapes apart from the
// floor-mounted one (their worked examples are in calculate_test.cpp, their
// numeric edges in numeric_edges_test.cpp).
#include "engine/checks.h"
#include "engine/input_slots.h"
#include "engine/shape_procedure.h"
#include "tests/support/case_runner.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace zelvaro::test {
namespace {

TEST(Wall, L1G_changes_only_the_echo_and_the_larger_pull_out_is_checked) {
  const Fields wall{{"n1", "3"}, {"n2", "3"}, {"L2", "50"}, {"L2G", "20"}, {"L3G", "10"}};
  Fields low = wall, high = wall;
  low.emplace_back("L1G", "10");
  high.emplace_back("L1G", "90");
  const CaseRun a = run_example(Shape::Wall, low), b = run_example(Shape::Wall, high);
  ASSERT_TRUE(a.reported() && b.reported());
  EXPECT_NE(a.lines()[2], b.lines()[2]);
  const auto la = a.lines(), lb = b.lines();
  EXPECT_EQ(std::vector(la.begin() + 4, la.end()), std::vector(lb.begin() + 4, lb.end()));
  // Rb2 = 294 N, above Rb1 = 130.7 N, goes to the bond check as 30 kg.
  EXPECT_EQ(a.lines().back(), "⇒引抜力 Rb=30(kg)はｺﾝｸﾘｰﾄとﾎﾞﾙﾄ密着力=670(kg)より小さく,安全");
}

CaseRun ceiling(const Fields &extra) {
  return run_example(Shape::Ceiling, extra);
}

TEST(Ceiling, motor_moment_lengthens_the_lever_arm_as_the_formula_states) {
  const CaseRun motor = ceiling({{"P", "0.75"}, {"N", "1500"}});
  ASSERT_TRUE(motor.reported());
  EXPECT_DOUBLE_EQ(motor.state.MR, 4.775);
  EXPECT_DOUBLE_EQ(motor.state.Rb, 4122.125); // not 614.8875: MR is added to L - LG
  // The ceiling group has lower allowable values: 450 kg for M12.
  EXPECT_NE(motor.lines().back().find("密着力=450(kg)"), std::string::npos);
  EXPECT_EQ(motor.lines()[2], "            LG=50(cm)  HG=50(cm)  L=100(cm)");
  EXPECT_EQ(motor.lines()[3], "            P=750(W)  N=1500(RPM)  a=0(μm)");
}

CaseRun braced(const Fields &extra) {
  return run_example(Shape::Braced, extra);
}

TEST(Braced, LG_changes_no_result) {
  const CaseRun a = braced({{"LG", "10"}});
  const CaseRun b = braced({{"LG", "80"}});
  EXPECT_EQ(a.state.Rb, b.state.Rb);
  EXPECT_EQ(a.state.tau_b, b.state.tau_b);
}

TEST(AllShapes, weld_sizing_replaces_the_bond_line_for_every_shape) {
  for (Shape shape : {Shape::Floor, Shape::Circular, Shape::Wall, Shape::Ceiling, Shape::Braced}) {
    SCOPED_TRACE(static_cast<int>(shape));
    const CaseRun r =
        run(shape, Anchor::RebarWelded, Material::SS, worked_example(shape).field_texts({{"M", "30"}}));
    ASSERT_TRUE(r.reported());
    const auto lines = r.lines();
    EXPECT_EQ(lines[lines.size() - 2].rfind("⇒必要溶接量 LL=", 0), 0u);
    EXPECT_EQ(lines.back().rfind("⇒基礎ﾎﾞﾙﾄ～溶接φ13鉄筋本数⇒", 0), 0u);
    EXPECT_FALSE(r.outcome.bond); // no bond check for the welded anchor
  }
}

// The label beside each input, by shape: the window shows it, capture names
// the field by it, and the label box keeps its own index. With no shape chosen
// the floor-mounted labels show, but for the floor's own nt, which shows the
// wall's n2 as the window did before nt could be given.
TEST(AllShapes, every_input_is_labelled_with_its_own_quantity) {
  const struct {
    InputSlot slot;
    int text4;
    std::array<const char *, 5> texts; // floor, circular, wall, ceiling, braced; one text when all agree
    const char *none = nullptr;        // with no shape chosen, when not the floor's
  } rows[] = {
      {InputSlot::Text1_0, 0, {"機器重量W(kg)="}},
      {InputSlot::Text1_1,
       4,
       {"ｱﾝｶ総数n(本)=", "ｱﾝｶ総数n(本)=", "上下片側ｱﾝｶ数n1(本)=", "ｱﾝｶ総数n(本)=", "ｱﾝｶ付き筋交い数n(本)="}},
      {InputSlot::Text1_2, 5, {"LG(cm)=", "LG(cm)=", "L1G(cm)=", "LG(cm)=", "LG(cm)="}},
      {InputSlot::Text1_3, 3, {"HG(cm)=", "HG(cm)=", "L2(cm)=", "HG(cm)=", "HG(cm)="}},
      {InputSlot::Text1_4, 12, {"L2G(cm)="}},
      {InputSlot::Text1_5, 1, {"回転数N(rpm)="}},
      {InputSlot::Text1_6, 6, {"振動値a(μm)="}},
      {InputSlot::Text1_7, 7, {"L(cm)=", "D(cm)=", "L1(cm)=", "L(cm)=", "H(cm)="}},
      {InputSlot::Text1_8,
       11,
       {"引張側ｱﾝｶ数nt(本)=", "横片側ｱﾝｶ数n2(本)=", "横片側ｱﾝｶ数n2(本)=", "引張側ｱﾝｶ数nt(本)=",
        "横片側ｱﾝｶ数n2(本)="},
       "横片側ｱﾝｶ数n2(本)="},
      {InputSlot::Text1_9, 10, {"L3G(cm)="}},
      {InputSlot::Text1_10, 14, {"付加力F(kg)="}},
      {InputSlot::Combo1, 8, {"ﾎﾞﾙﾄ径M="}},
      {InputSlot::Combo2, 9, {"設計水平震度KH="}},
      {InputSlot::Combo3, 2, {"動力P(kw)="}},
      {InputSlot::Combo4, 13, {"地域係数="}},
  };
  for (const auto &row : rows) {
    const int slot = static_cast<int>(row.slot);
    EXPECT_EQ(input_row(row.slot).label, row.text4) << slot;
    for (int k = 0; k <= 5; ++k) {
      const char *text =
          k == 0 && row.none ? row.none : row.texts[static_cast<std::size_t>(k > 0 ? k - 1 : 0)];
      EXPECT_EQ(label_text(static_cast<Shape>(k), row.slot), text ? text : row.texts[0]) << slot << ' ' << k;
    }
  }
}

} // namespace
} // namespace zelvaro::test
