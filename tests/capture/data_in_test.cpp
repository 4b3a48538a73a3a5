// Capture: refusals, the blank check per shape, plain decimal numbers, the
// diameter list and the echo (the key filter is tested in the window).
#include "capture/data_in.h"
#include "engine/float_text.h"
#include "engine/number_text.h"
#include "engine/shape_procedure.h"
#include "tests/support/case_runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>

namespace zelvaro::test {
namespace {

// What data_in tells the user, as Calculate records it.
struct RecordingSink : MessageSink {
  void show(const Message &m) override { messages.push_back(m); }
  std::vector<Message> messages;
};

struct Capture {
  SeismicCalcState state;
  cases::CaseFields fields;
  RecordingSink sink;

  explicit Capture(Shape shape, Anchor anchor = Anchor::HawkCut, Material material = Material::SS) {
    cases::prepare_state(state, shape, anchor, material);
    fields.set(InputSlot::Combo1, "12");
    for (int i = 0; i <= 9; ++i)
      if (i != 5 && i != 6 && (i != 8 || shape == Shape::Wall)) // the floor's and ceiling's nt stays blank
        fields.set(text1_slot(i), "40");
  }
  bool accept() {
    sink.messages.clear();
    data_in(state, fields, sink);
    return state.CalcCode != 0;
  }
  const Message &only_message() const {
    EXPECT_EQ(sink.messages.size(), 1u);
    static const Message none{};
    return sink.messages.empty() ? none : sink.messages.front();
  }
};

const Message BlankMessage{"ERROR", "空白が有りますので、埋めてください｡", MessageIcon::Question};

TEST(DataIn, nothing_chosen_is_refused_with_the_blank_message_and_keeps_the_shape) {
  Capture c(Shape::Floor, Anchor::None, Material::SS);
  EXPECT_FALSE(c.accept());
  EXPECT_EQ(c.only_message(), BlankMessage);
  // The shape stays chosen, as the window still shows it.
  EXPECT_EQ(c.state.ShapeKind, Shape::Floor);

  Capture none(Shape::None, Anchor::None, Material::None);
  EXPECT_FALSE(none.accept());
  EXPECT_EQ(none.only_message(), BlankMessage);

  Capture no_material(Shape::Wall, Anchor::Chemical, Material::None);
  EXPECT_FALSE(no_material.accept());
  EXPECT_EQ(no_material.state.ShapeKind, Shape::Wall);
}

TEST(DataIn, only_the_fields_a_shape_reads_are_checked_for_blanks) {
  struct Row {
    Shape shape;
    int empty_text1;
    bool refused;
  } rows[] = {
      {Shape::Floor, 4, false},   {Shape::Floor, 8, false},  {Shape::Floor, 9, false},
      {Shape::Floor, 2, true},    {Shape::Floor, 7, true},   {Shape::Circular, 2, false},
      {Shape::Circular, 3, true}, {Shape::Wall, 4, true},    {Shape::Wall, 8, true},
      {Shape::Wall, 9, true},     {Shape::Wall, 2, true},    {Shape::Ceiling, 9, false},
      {Shape::Braced, 2, true},   {Shape::Braced, 4, false}, {Shape::Floor, 0, true},
      {Shape::Floor, 5, true},    {Shape::Floor, 6, true},   {Shape::Wall, 10, true}, // F is checked too
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(std::to_string(static_cast<int>(row.shape)) + " Text1(" + std::to_string(row.empty_text1) +
                 ")");
    Capture c(row.shape);
    c.fields.set(text1_slot(row.empty_text1), "");
    EXPECT_EQ(c.accept(), !row.refused);
    if (row.refused) {
      EXPECT_EQ(c.only_message(), BlankMessage);
    }
  }
  for (InputSlot combo : {InputSlot::Combo1, InputSlot::Combo2, InputSlot::Combo3, InputSlot::Combo4}) {
    Capture c(Shape::Ceiling);
    c.fields.set(combo, "");
    EXPECT_FALSE(c.accept());
    EXPECT_EQ(c.only_message(), BlankMessage);
  }
}

TEST(DataIn, only_plain_decimal_numbers_are_read) {
  for (const char *good : {"12", "12.5", ".5", "5.", "007", "0"}) {
    Capture c(Shape::Floor);
    c.fields.set(InputSlot::Text1_0, good);
    EXPECT_TRUE(c.accept()) << good;
  }
  for (const char *bad :
       {".", "-1", "+1", "1e3", " 1", "1 ", "１２", "1,0", "abc", "1.2.3", "0x10", "inf", "nan"}) {
    Capture c(Shape::Floor);
    c.fields.set(InputSlot::Text1_0, bad);
    EXPECT_FALSE(c.accept()) << bad;
    EXPECT_EQ(c.only_message().title, "ERROR");
    EXPECT_NE(c.only_message().text.find("「機器重量W(kg)」"), std::string::npos) << c.only_message().text;
  }
}

TEST(DataIn, unreadable_field_is_named_by_the_label_of_the_chosen_shape) {
  struct Row {
    Shape shape;
    InputSlot slot;
    const char *label;
  } rows[] = {
      {Shape::Wall, InputSlot::Text1_1, "「上下片側ｱﾝｶ数n1(本)」"},
      {Shape::Braced, InputSlot::Text1_1, "「ｱﾝｶ付き筋交い数n(本)」"},
      {Shape::Circular, InputSlot::Text1_7, "「D(cm)」"},
      {Shape::Floor, InputSlot::Text1_10, "「付加力F(kg)」"},
      {Shape::Floor, InputSlot::Combo2, "「設計水平震度KH」"},
      {Shape::Floor, InputSlot::Combo3, "「動力P(kw)」"},
  };
  for (const Row &row : rows) {
    Capture c(row.shape);
    c.fields.set(row.slot, "1-2");
    EXPECT_FALSE(c.accept());
    EXPECT_NE(c.only_message().text.find(row.label), std::string::npos) << c.only_message().text;
  }
}

// The quick exact path of plain_decimal_value for short numbers must give the
// double of the library's correctly rounded conversion, bit for bit, or the
// same refusal.
void expect_same_value(const std::string &text) {
  const std::optional<double> quick = plain_decimal_value(text), reference = float_text::plain_decimal(text);
  ASSERT_EQ(quick.has_value(), reference.has_value()) << "'" << text << "'";
  if (quick) {
    ASSERT_EQ(std::bit_cast<std::uint64_t>(*quick), std::bit_cast<std::uint64_t>(*reference))
        << "'" << text << "'";
  }
}

TEST(PlainDecimalValue, is_the_correctly_rounded_double_of_millions_of_texts) {
  std::mt19937_64 rng(20070716);
  const auto below = [&](std::uint64_t n) { return static_cast<std::size_t>(rng() % n); };
  const auto digits = [&](std::size_t count) {
    std::string d;
    for (std::size_t i = 0; i < count; ++i)
      d += static_cast<char>('0' + below(10));
    return d;
  };
  const auto with_point = [&](std::string d, std::size_t at) {
    return d.insert(std::min(at, d.size()), ".");
  };

  // Digits of every length around the limits of the quick path (19 digits,
  // 2^53, 22 decimals), with leading and trailing zeros, the point anywhere.
  for (int i = 0; i < 3'000'000; ++i) {
    std::string d = std::string(below(4) == 0 ? below(5) : 0, '0') + digits(1 + below(24));
    if (below(4) == 0)
      d += std::string(below(6), '0');
    expect_same_value(below(5) == 0 ? d : with_point(d, below(d.size() + 1)));
  }
  // Whole numbers next to 2^53 = 9007199254740992, scaled by 10^-f.
  for (std::uint64_t w = (std::uint64_t{1} << 53) - 2000; w <= (std::uint64_t{1} << 53) + 2000; ++w) {
    const std::string d = std::to_string(w);
    for (std::size_t f = 0; f <= d.size(); ++f)
      expect_same_value(with_point(d, d.size() - f));
    expect_same_value("0." + std::string(6, '0') + d); // 22 and 23 decimals
    expect_same_value("0." + std::string(5, '0') + d);
  }
  // Values of every magnitude, written the shortest way, and halfway cases.
  for (int i = 0; i < 500'000; ++i) {
    const double v = std::ldexp(static_cast<double>(rng() >> 11), static_cast<int>(below(140)) - 120);
    char buf[400];
    const auto end = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed).ptr;
    expect_same_value(std::string(buf, end));
    const std::string half = std::to_string(rng() % 100000000) + "." + digits(below(12)) + "5";
    expect_same_value(half);
  }
  // Texts that are not plain decimals are refused (or read) exactly as before.
  constexpr std::string_view Alphabet = "0123456789..e-+x ";
  for (int i = 0; i < 500'000; ++i) {
    std::string t;
    for (std::size_t n = below(9); n > 0; --n)
      t += Alphabet[below(Alphabet.size())];
    expect_same_value(t);
  }
  for (const char *edge : {"", ".", "0", "00.000", "0.", ".0", "9007199254740993", "1.0000000000000000000000",
                           "0.0000000000000000000001", "0.00000000000000000000001", "99999999999999999999"})
    expect_same_value(edge);
}

// A given nt must be a layout that can be built; blank means n / 2, and a
// later capture of another shape forgets it.
TEST(DataIn, floor_and_ceiling_take_a_whole_nt_up_to_half_the_bolts) {
  struct Row {
    Shape shape;
    const char *n, *nt;
    bool accepted;
    double nt_given;
  } rows[] = {
      {Shape::Floor, "8", "", true, 0},      {Shape::Floor, "8", "2", true, 2},
      {Shape::Floor, "8", "4", true, 4},     {Shape::Ceiling, "3", "1", true, 1},
      {Shape::Ceiling, "8", "2.0", true, 2}, {Shape::Floor, "8", "5", false, 0},
      {Shape::Floor, "8", "0", false, 0},    {Shape::Floor, "8", "1.5", false, 0},
      {Shape::Ceiling, "1", "1", false, 0},  {Shape::Floor, "0", "1", false, 0},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(std::string("n=") + row.n + " nt=" + row.nt);
    Capture c(row.shape);
    c.fields.set(InputSlot::Text1_1, row.n);
    c.fields.set(InputSlot::Text1_8, row.nt);
    EXPECT_EQ(c.accept(), row.accepted);
    EXPECT_EQ(c.state.nt_given, row.nt_given);
    if (!row.accepted) {
      EXPECT_EQ(c.only_message().title, "ERROR");
      EXPECT_TRUE(c.only_message().text.starts_with("「引張側ｱﾝｶ数nt(本)」には1以上"))
          << c.only_message().text;
    }
  }
  Capture c(Shape::Floor);
  c.fields.set(InputSlot::Text1_8, "3");
  ASSERT_TRUE(c.accept());
  c.state.ShapeKind = Shape::Braced;
  ASSERT_TRUE(c.accept());
  EXPECT_EQ(c.state.nt_given, 0);
}

TEST(DataIn, diameter_must_be_one_the_anchor_kind_offers) {
  struct Row {
    Anchor anchor;
    const char *M;
    bool accepted;
  } rows[] = {
      {Anchor::HawkCut, "8", true},      {Anchor::HawkCut, "30", false},
      {Anchor::HawkCut, "9", false},     {Anchor::HawkCut, "08", false},
      {Anchor::Chemical, "8", false},    {Anchor::Chemical, "24", false},
      {Anchor::Chemical, "20", true},    {Anchor::RebarHooked, "30", false},
      {Anchor::RebarHooked, "24", true}, {Anchor::RebarWelded, "30", true},
      {Anchor::RebarWelded, "8", false},
  };
  for (const Row &row : rows) {
    Capture c(Shape::Floor, row.anchor);
    c.fields.set(InputSlot::Combo1, row.M);
    EXPECT_EQ(c.accept(), row.accepted) << static_cast<int>(row.anchor) << " M=" << row.M;
    if (!row.accepted) {
      EXPECT_EQ(c.only_message(),
                (Message{"入力できません", "ボルトは選択以外の径は強度基準が無いため､入力できません",
                         MessageIcon::None}));
    }
  }
}

TEST(DataIn, echo_shows_stored_values_in_entered_units) {
  for (const WorkedExample &e : worked_examples()) {
    SCOPED_TRACE(std::string(e.shape_word));
    Capture c(e.shape);
    c.fields = fields_of(e.shape, e.field_texts());
    ASSERT_TRUE(c.accept());
    std::string echo; // the report's lines up to its first empty one
    for (auto line = e.report.begin(); line != e.report.end() && !line->empty(); ++line)
      echo += std::string(*line) + "\r\n";
    EXPECT_EQ(c.state.EchoBlock, echo);
  }

  Capture c(Shape::Floor);
  c.fields = fields_of(Shape::Floor, worked_example(Shape::Floor).field_texts({{"P", "0.75"}}));
  ASSERT_TRUE(c.accept());
  EXPECT_EQ(c.state.P, 750);
  EXPECT_NE(c.state.EchoBlock.find("P=750(W)"), std::string::npos);
}

} // namespace
} // namespace zelvaro::test
