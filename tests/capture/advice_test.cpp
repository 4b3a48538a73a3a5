// Suggestions for shortfalls, checked against brute force: each one applied
// passes, and no smaller diameter or count (for floor and ceiling: no
// smaller even total, or with nt given no smaller nt with one more bolt on
// each side), no other material or anchor kind that passes was left out.
#include "capture/advice.h"

#include "refdata/selection_lists.h"
#include "tests/support/case_runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>

namespace zelvaro::cases {
namespace {

constexpr std::string_view Tail = " にすれば基準を満たします。";

struct Case {
  Shape shape;
  Anchor anchor;
  Material material;
  std::map<std::string, std::string> fields;

  // The calculation with one change, as the engineer would type it.
  bool passes(const std::map<std::string, std::string> &change = {}, Anchor a = Anchor::None,
              Material m = Material::None) const {
    SeismicCalcState s;
    CaseFields f;
    fill(f, change);
    prepare_state(s, shape, a == Anchor::None ? anchor : a, m == Material::None ? material : m);
    const CalcOutcome out = run_case(s, f, test::FixedNow);
    return out.status == CalcOutcome::Status::Reported && !out.message;
  }
  void fill(CaseFields &f, const std::map<std::string, std::string> &change = {}) const {
    for (const auto &[name, text] : fields)
      f.set(*slot_of(shape, name), change.count(name) ? change.at(name) : text);
  }
};

Case random_case(std::mt19937_64 &rng) {
  const auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const auto num = [&](int lo, int hi) { return std::to_string(pick(lo, hi)); };
  Case c{
      static_cast<Shape>(pick(1, 5)), static_cast<Anchor>(pick(1, 7)), static_cast<Material>(pick(1, 2)), {}};
  const auto diameters = diameter_items(c.anchor);
  c.fields = {{"M", std::string(diameters[std::size_t(pick(0, int(diameters.size()) - 1))])},
              {"KH", std::string(seismic_coefficient_items()[std::size_t(pick(0, 3))])},
              {"Z", std::string(regional_coefficient_items()[std::size_t(pick(0, 4))])},
              {"W", num(20, 6000)}};
  if (pick(0, 3) == 0)
    c.fields.insert({{"P", "3.7"}, {"N", num(600, 3000)}, {"a", num(5, 50)}});
  switch (c.shape) {
  case Shape::Wall:
    c.fields.insert({{"n1", num(1, 5)},
                     {"n2", num(2, 5)},
                     {"L1", num(30, 200)},
                     {"L2", num(30, 200)},
                     {"L1G", num(10, 100)},
                     {"L2G", num(10, 100)},
                     {"L3G", num(5, 60)}});
    break;
  case Shape::Circular:
    c.fields.insert({{"n", num(2, 16)}, {"HG", num(20, 200)}, {"D", num(50, 300)}});
    break;
  case Shape::Braced:
    c.fields.insert({{"n", num(1, 12)}, {"LG", num(10, 150)}, {"HG", num(20, 200)}, {"H", num(50, 300)}});
    break;
  default: { // floor, ceiling; a third of them with nt given
    const int n = pick(1, 60);
    c.fields.insert(
        {{"n", std::to_string(n)}, {"LG", num(10, 150)}, {"HG", num(20, 200)}, {"L", num(30, 300)}});
    if (n >= 2 && pick(0, 2) == 0)
      c.fields.insert({"nt", num(1, n / 2)});
  }
  }
  return c;
}

std::string between(const std::string &line, std::string_view head, std::string_view tail) {
  if (!line.starts_with(head) || !line.ends_with(tail))
    return {};
  return line.substr(head.size(), line.size() - head.size() - tail.size());
}

TEST(Advice, every_suggestion_passes_and_nothing_smaller_or_other_that_passes_is_left_out) {
  std::mt19937_64 rng(20071607);
  std::map<std::string, int> seen; // kinds of suggestion, and the selections of failing cases
  for (int i = 0; i < 4000; ++i) {
    const Case c = random_case(rng);
    SeismicCalcState s;
    CaseFields f;
    c.fill(f);
    prepare_state(s, c.shape, c.anchor, c.material);
    const CalcOutcome out = run_case(s, f, test::FixedNow);
    const std::vector<std::string> lines = suggestions(s, f, out);
    SCOPED_TRACE(testing::Message() << "case " << i << " shape " << int(c.shape) << " anchor "
                                    << int(c.anchor) << " material " << int(c.material) << ": "
                                    << joined(lines, " / "));
    if (out.status != CalcOutcome::Status::Reported || !out.message) {
      EXPECT_TRUE(lines.empty());
      continue;
    }
    seen["shape " + std::to_string(int(c.shape))]++;
    seen["anchor " + std::to_string(int(c.anchor))]++;
    seen["material " + std::to_string(int(c.material))]++;

    std::string diameter, count, n1, n2, nt, material;
    std::vector<std::string> anchors;
    for (const std::string &line : lines) {
      std::string v;
      if (!(v = between(line, "ボルト径を M", Tail)).empty())
        diameter = v;
      else if (!(v = between(line, "ボルト本数を ", " 本にすれば基準を満たします。")).empty())
        count = v;
      else if (!(v = between(line, "引張側を ", " 本）にすれば基準を満たします。")).empty()) {
        const auto total = v.find(" 本（総数 ");
        ASSERT_NE(total, std::string::npos) << line;
        nt = v.substr(0, total);
        count = v.substr(total + std::string_view(" 本（総数 ").size());
      } else if (!(v = between(line, "上下片側 n1=", Tail)).empty()) {
        const auto dot = v.find("・横片側 n2=");
        ASSERT_NE(dot, std::string::npos) << line;
        n1 = v.substr(0, dot);
        n2 = v.substr(dot + std::string_view("・横片側 n2=").size());
      } else if (!(v = between(line, "ボルト材質を ", Tail)).empty())
        material = v;
      else if (!(v = between(line, "アンカーを ", Tail)).empty())
        anchors.push_back(v);
      else
        EXPECT_EQ(line, NoSingleChange);
    }
    EXPECT_EQ(lines.size() == 1 && lines[0] == NoSingleChange,
              diameter.empty() && count.empty() && n1.empty() && material.empty() && anchors.empty());

    // Diameter: the first larger one in the list that passes.
    const auto items = diameter_items(c.anchor);
    std::string expected_diameter;
    for (auto it = std::find(items.begin(), items.end(), c.fields.at("M")) + 1; it < items.end(); ++it)
      if (c.passes({{"M", std::string(*it)}})) {
        expected_diameter = *it;
        break;
      }
    EXPECT_EQ(diameter, expected_diameter);
    seen["diameter"] += !diameter.empty();

    // Count: the first larger one, up to four times the entered one and 200.
    if (c.shape == Shape::Wall) {
      const int e1 = std::stoi(c.fields.at("n1")), e2 = std::stoi(c.fields.at("n2"));
      std::string expected1, expected2;
      for (int k = 1; e1 + k <= std::min(4 * e1, 200) && e2 + k <= std::min(4 * e2, 200); ++k)
        if (c.passes({{"n1", std::to_string(e1 + k)}, {"n2", std::to_string(e2 + k)}})) {
          expected1 = std::to_string(e1 + k);
          expected2 = std::to_string(e2 + k);
          break;
        }
      EXPECT_EQ(n1, expected1);
      EXPECT_EQ(n2, expected2);
      seen["wall count"] += !n1.empty();
    } else if (c.shape == Shape::Floor || c.shape == Shape::Ceiling) {
      // Only layouts with two rows alike: an even total for nt blank, else
      // nt and the total raised by one on each side.
      const int entered = std::stoi(c.fields.at("n"));
      const int given = c.fields.count("nt") ? std::stoi(c.fields.at("nt")) : 0;
      std::string expected, expected_nt;
      for (int n = entered + 1; n <= std::min(4 * entered, 200); ++n) {
        const int tension = given + (n - entered) / 2;
        if (n % 2 != (given ? entered % 2 : 0))
          continue;
        if (given ? c.passes({{"n", std::to_string(n)}, {"nt", std::to_string(tension)}})
                  : c.passes({{"n", std::to_string(n)}})) {
          expected = std::to_string(n);
          expected_nt = given ? std::to_string(tension) : "";
          break;
        }
      }
      EXPECT_EQ(count, expected);
      EXPECT_EQ(nt, expected_nt);
      seen[given ? "count with nt" : "even count"] += !count.empty();
    } else {
      const int entered = std::stoi(c.fields.at("n"));
      std::string expected;
      for (int n = entered + 1; n <= std::min(4 * entered, 200); ++n)
        if (c.passes({{"n", std::to_string(n)}})) {
          expected = std::to_string(n);
          break;
        }
      EXPECT_EQ(count, expected);
      seen["count"] += !count.empty();
    }

    // Material: the other one, named as in advice, exactly when it passes.
    const Material other = c.material == Material::SS ? Material::SUS : Material::SS;
    EXPECT_EQ(material, c.passes({}, Anchor::None, other) ? (other == Material::SS ? "SS系" : "SUS系") : "");
    seen["material"] += !material.empty();

    // Anchor kinds, in the order of the options, exactly those that pass.
    std::vector<std::string> expected_anchors;
    for (const AnchorInfo &a : anchor_kinds())
      if (a.kind != c.anchor && c.passes({}, a.kind))
        expected_anchors.emplace_back(a.caption);
    EXPECT_EQ(anchors, expected_anchors);
    seen["anchor"] += !anchors.empty();
    seen["rebar-welded suggested"] += std::count(anchors.begin(), anchors.end(), "鉄筋等溶接ｱﾝｶ");
  }
  // Every shape, anchor kind and material had failing cases, and every kind
  // of suggestion was made.
  for (int k = 1; k <= 5; ++k)
    EXPECT_GT(seen["shape " + std::to_string(k)], 20) << k;
  for (int k = 1; k <= 7; ++k)
    EXPECT_GT(seen["anchor " + std::to_string(k)], 20) << k;
  for (const char *kind : {"material 1", "material 2", "diameter", "count", "even count", "count with nt",
                           "wall count", "material", "anchor", "rebar-welded suggested"})
    EXPECT_GT(seen[kind], 5) << kind;
}

} // namespace
} // namespace zelvaro::cases
