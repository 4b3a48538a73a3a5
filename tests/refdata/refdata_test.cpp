// Bond tables by shape group and the selection lists.
#include "refdata/bond_tables.h"
#include "refdata/selection_lists.h"

#include <gtest/gtest.h>

#include <vector>

namespace zelvaro {
namespace {

std::vector<double> entries(const SeismicCalcState &s) {
  std::vector<double> v;
  for (int d : {8, 10, 12, 16, 20, 24})
    v.push_back(s.BondTable[d]);
  return v;
}

using Row = std::vector<double>;

TEST(BondTables, each_anchor_kind_loads_its_row_for_the_shape_group) {
  struct Case {
    Anchor anchor;
    Row standard, ceiling;
  } cases[] = {
      {Anchor::HawkCut, {300, 380, 670, 920, 1200, 1200}, {200, 250, 450, 610, 800, 800}},
      {Anchor::LTip, {650, 810, 970, 1200, 1200, 1200}, {430, 540, 640, 800, 800, 800}},
      {Anchor::JTip, {900, 1200, 1200, 1200, 1200, 1200}, {600, 800, 800, 800, 800, 800}},
      {Anchor::BoltEmbedded, {900, 1200, 1200, 1200, 1200, 1200}, {600, 800, 800, 800, 800, 800}},
      {Anchor::Chemical, {0, 760, 920, 1200, 1200, 0}, {0, 500, 610, 800, 800, 0}},
      {Anchor::RebarHooked, {4912, 4912, 4912, 4912, 4912, 4912}, {4912, 4912, 4912, 4912, 4912, 4912}},
      {Anchor::RebarWelded, {0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}},
  };
  for (const Case &c : cases) {
    for (Shape shape :
         {Shape::None, Shape::Floor, Shape::Circular, Shape::Wall, Shape::Ceiling, Shape::Braced}) {
      SeismicCalcState s;
      s.ShapeKind = shape;
      load_bond_table(s, c.anchor);
      EXPECT_EQ(entries(s), is_ceiling_group(shape) ? c.ceiling : c.standard)
          << "anchor " << static_cast<int>(c.anchor) << " shape " << static_cast<int>(shape);
      EXPECT_EQ(s.BondTable[30], 0);
    }
  }
}

std::vector<std::string_view> items(std::span<const std::string_view> s) {
  return {s.begin(), s.end()};
}

TEST(SelectionLists, diameters_depend_on_the_anchor_kind) {
  using V = std::vector<std::string_view>;
  const V standard{"8", "10", "12", "16", "20", "24"};
  for (Anchor a : {Anchor::None, Anchor::HawkCut, Anchor::LTip, Anchor::JTip, Anchor::BoltEmbedded})
    EXPECT_EQ(items(diameter_items(a)), standard);
  EXPECT_EQ(items(diameter_items(Anchor::Chemical)), (V{"10", "12", "16", "20"}));
  // No allowable value exists for a 30 mm hooked rebar.
  EXPECT_EQ(items(diameter_items(Anchor::RebarHooked)), (V{"10", "12", "16", "20", "24"}));
  EXPECT_EQ(items(diameter_items(Anchor::RebarWelded)), (V{"10", "12", "16", "20", "24", "30"}));
}

TEST(SelectionLists, coefficient_and_motor_lists) {
  using V = std::vector<std::string_view>;
  EXPECT_EQ(items(seismic_coefficient_items()), (V{"0.4", "0.6", "1.0", "2.0"}));
  EXPECT_EQ(items(regional_coefficient_items()), (V{"0.7", "0.8", "0.9", "1.0", "1.1"}));
  EXPECT_EQ(motor_power_items().size(), 15u);
  EXPECT_EQ(motor_power_items().front(), "0.2");
  EXPECT_EQ(motor_power_items().back(), "45");
}

} // namespace
} // namespace zelvaro
