// Capture and the whole calculation from arbitrary selection codes and field
// texts, as the window and zelvaro-check run them.
//
// Input: a text. The first line holds the shape, anchor and material codes
// as decimal numbers (any 16-bit value, so codes the window never sets are
// tried too); every further line is NAME=TEXT with a field name of
// zelvaro-check (M KH Z P W n nt n1 n2 LG HG L D H L1 L2 L1G L2G L3G N a F).
// Fields not named keep the window's start texts; other lines are ignored.
//
// Invariants:
//  - the outcome is a report, a refusal with a message shown, or a numeric
//    stop with the "計算できません" message, and nothing else;
//  - a report has the lines and labels of the worked example of its shape
//    (only the numbers differ), ends with the verdicts, and holds no "inf",
//    "nan" or empty number;
//  - the same inputs give the same outcome a second time on the same state,
//    and (for selections the window can make) on a state that has just
//    calculated another case;
//  - calculating only the verdicts (as the batch does, into an outcome that
//    held another case) gives the same outcome without the report, and the
//    same numbers and verdicts;
//  - a refusal or a stop carries no report, so the window keeps the previous
//    one; and it leaves the state fit to calculate the previous case again;
//  - capture reads a plain decimal text as the C library does.
#include "capture/data_in.h"
#include "capture/single_case.h"
#include "engine/checks.h"
#include "engine/shape_procedure.h"
#include "fuzz/fuzz_check.h"
#include "refdata/bond_tables.h"
#include "refdata/materials.h"
#include "tests/support/state_members.h"
#include "tests/support/worked_examples.h"

#include <cerrno>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zelvaro::fuzz {
namespace {

constexpr std::string_view Now = "2007/07/16 10:23:45";
constexpr std::string_view Header = "～～～～～2007/07/16 10:23:45～～～～～\r\n";

struct Input {
  Shape shape = Shape::None;
  Anchor anchor = Anchor::None;
  Material material = Material::None;
  cases::CaseFields fields;
  std::vector<std::string> texts; // every text given, for the capture check
};

std::int16_t code(std::string_view word) {
  int v = 0;
  std::from_chars(word.data(), word.data() + word.size(), v);
  return static_cast<std::int16_t>(v);
}

Input parse(std::string_view in) {
  Input input;
  input.fields.set(InputSlot::Combo1, ""); // the diameter box starts empty
  std::size_t line_no = 0;
  while (!in.empty()) {
    const std::size_t eol = in.find('\n');
    const std::string_view line = in.substr(0, eol);
    in = eol == std::string_view::npos ? std::string_view{} : in.substr(eol + 1);
    if (line_no++ == 0) {
      std::int16_t codes[3] = {0, 0, 0};
      std::size_t k = 0, start = 0;
      while (k < 3 && start <= line.size()) {
        const std::size_t space = line.find(' ', start);
        codes[k++] = code(
            line.substr(start, space == std::string_view::npos ? std::string_view::npos : space - start));
        if (space == std::string_view::npos)
          break;
        start = space + 1;
      }
      input.shape = static_cast<Shape>(codes[0]);
      input.anchor = static_cast<Anchor>(codes[1]);
      input.material = static_cast<Material>(codes[2]);
      continue;
    }
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos)
      continue;
    const std::string_view text = line.substr(eq + 1);
    input.texts.emplace_back(text);
    if (const auto slot = cases::slot_of(input.shape, line.substr(0, eq)))
      input.fields.set(*slot, text);
  }
  return input;
}

struct Run {
  CalcOutcome outcome;
  std::vector<Message> shown;
};

Run calculate(SeismicCalcState &s, const FieldReader &fields) {
  Run r;
  r.outcome = cases::run_case(s, fields, Now);
  r.shown = r.outcome.refusal;
  return r;
}

// The batch's way: only the verdicts, into an outcome that held another
// case's report and advice.
Run calculate_verdicts(SeismicCalcState &s, const FieldReader &fields, CalcOutcome &reused) {
  cases::run_case(s, fields, Now, ReportText::Verdicts, reused);
  Run r;
  r.outcome = reused;
  r.shown = reused.refusal;
  return r;
}

// Every number in the state, and the verdicts.
bool same_numbers(const SeismicCalcState &a, const SeismicCalcState &b) {
  for (double SeismicCalcState::*m : test::NumericMembers)
    if (std::memcmp(&(a.*m), &(b.*m), sizeof(double)) != 0)
      return false;
  return a.VerdictLine == b.VerdictLine;
}

bool same(const Run &a, const Run &b) {
  return a.outcome.status == b.outcome.status && a.outcome.report == b.outcome.report &&
         a.outcome.message == b.outcome.message && a.outcome.bond == b.outcome.bond && a.shown == b.shown;
}

std::string describe(const Run &r) {
  std::string d = "status " + std::to_string(static_cast<int>(r.outcome.status)) + "\n" + r.outcome.report;
  if (r.outcome.message)
    d += "\nmessage: " + r.outcome.message->title + " / " + r.outcome.message->text;
  for (const Message &m : r.shown)
    d += "\nshown: " + m.title + " / " + m.text;
  return d;
}

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// The report with every number written as '#': what must not change when
// only the values change.
std::string skeleton(std::string_view text) {
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    const bool sign = text[i] == '-' && i + 1 < text.size() && is_digit(text[i + 1]);
    if (!sign && !is_digit(text[i])) {
      out += text[i++];
      continue;
    }
    i += sign ? 1 : 0;
    while (i < text.size() && is_digit(text[i]))
      ++i;
    if (i + 1 < text.size() && text[i] == '.' && is_digit(text[i + 1]))
      for (++i; i < text.size() && is_digit(text[i]);)
        ++i;
    if (i + 2 < text.size() && text[i] == 'E' && (text[i + 1] == '+' || text[i + 1] == '-') &&
        is_digit(text[i + 2]))
      for (i += 2; i < text.size() && is_digit(text[i]);)
        ++i;
    out += '#';
  }
  return out;
}

std::vector<std::string_view> split_lines(std::string_view text) {
  std::vector<std::string_view> lines;
  for (;;) {
    const std::size_t eol = text.find("\r\n");
    lines.push_back(text.substr(0, eol));
    if (eol == std::string_view::npos)
      return lines;
    text.remove_prefix(eol + 2);
  }
}

bool contains_ignoring_case(std::string_view text, std::string_view word) {
  for (std::size_t i = 0; i + word.size() <= text.size(); ++i) {
    std::size_t k = 0;
    while (k < word.size() && (text[i + k] | 0x20) == word[k])
      ++k;
    if (k == word.size())
      return true;
  }
  return false;
}

// A number printed as nothing leaves its label followed directly by a unit,
// by the next label or by the end of the line.
bool has_empty_number(std::string_view report) {
  static constexpr std::string_view AfterEmpty[] = {
      "(kg)", "(N)",   "(MPa)",  "(m2)", "(cm)", "(本)", "(W)", "(RPM)",
      "(μm)", "(N･m)", "（本）", " (N)", "　",   "\r",   "･",
  };
  for (std::size_t i = report.find('='); i != std::string_view::npos; i = report.find('=', i + 1)) {
    std::string_view rest = report.substr(i + 1);
    if (rest.starts_with("  "))
      return true;
    if (rest.starts_with(' '))
      rest.remove_prefix(1);
    if (rest.empty())
      return true;
    for (std::string_view next : AfterEmpty)
      if (rest.starts_with(next))
        return true;
  }
  return report.find("･)") != std::string_view::npos; // the weld strength in the LL formula
}

cases::CaseFields example_fields(Shape shape) {
  cases::CaseFields fields;
  for (const auto &[name, text] : test::worked_example(shape).field_texts())
    fields.set(*cases::slot_of(shape, name), text);
  return fields;
}

// The report of a shape's worked example with the given anchor and material.
const std::string &reference_report(Shape shape, Anchor anchor, Material material) {
  static std::map<std::tuple<Shape, Anchor, Material>, std::string> cache;
  auto [it, added] = cache.try_emplace({shape, anchor, material});
  if (added) {
    SeismicCalcState s;
    cases::prepare_state(s, shape, anchor, material);
    const Run r = calculate(s, example_fields(shape));
    FUZZ_REQUIRE(r.outcome.status == CalcOutcome::Status::Reported, describe(r));
    it->second = r.outcome.report;
  }
  return it->second;
}

void check_report(const Input &in, const std::string &report) {
  FUZZ_REQUIRE(report.starts_with(Header), report);
  FUZZ_REQUIRE(!contains_ignoring_case(report, "inf"), report);
  FUZZ_REQUIRE(!contains_ignoring_case(report, "nan"), report);
  FUZZ_REQUIRE(!has_empty_number(report), report);
  for (std::size_t i = report.find('\n'); i != std::string::npos; i = report.find('\n', i + 1))
    FUZZ_REQUIRE(i > 0 && report[i - 1] == '\r', report);

  // The same lines as the worked example; only the verdict lines ("⇒") may
  // read otherwise, and only as the verdicts do.
  const auto lines = split_lines(report);
  const auto expected = split_lines(reference_report(in.shape, in.anchor, in.material));
  FUZZ_REQUIRE(lines.size() == expected.size(), report);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (expected[i].starts_with("⇒")) {
      FUZZ_REQUIRE(lines[i].starts_with("⇒"), report);
      continue;
    }
    // A given nt (floor, ceiling) adds its piece to the echo's first line.
    std::string got = skeleton(lines[i]);
    if (const std::size_t nt = got.find("  nt=#(本)"); i == 1 && nt != std::string::npos)
      got.erase(nt, std::string_view("  nt=#(本)").size());
    FUZZ_REQUIRE(got == skeleton(expected[i]), std::string(lines[i]) + "\n" + std::string(expected[i]));
  }
  const bool verdict =
      report.find(VerdictPass) != std::string::npos || report.find(VerdictFail) != std::string::npos;
  FUZZ_REQUIRE(verdict, report);
  if (in.anchor != Anchor::RebarWelded)
    FUZZ_REQUIRE(report.ends_with(BondSafe) || report.ends_with(BondDanger), report);
  else
    FUZZ_REQUIRE(report.ends_with("（本）"), report);
}

void check_outcome(const Input &in, const Run &r) {
  switch (r.outcome.status) {
  case CalcOutcome::Status::Reported:
    check_report(in, r.outcome.report);
    FUZZ_REQUIRE(r.shown.empty(), describe(r));
    FUZZ_REQUIRE(!r.outcome.message || r.outcome.message->title == "耐震強度不足", describe(r));
    break;
  case CalcOutcome::Status::Refused:
    FUZZ_REQUIRE(r.outcome.report.empty(), describe(r));
    FUZZ_REQUIRE(r.shown.size() == 1, describe(r));
    break;
  case CalcOutcome::Status::Stopped:
    FUZZ_REQUIRE(r.outcome.report.empty(), describe(r));
    FUZZ_REQUIRE(r.shown.empty(), describe(r));
    FUZZ_REQUIRE(r.outcome.message && r.outcome.message->title == "計算できません", describe(r));
    break;
  default:
    FUZZ_REQUIRE(false, describe(r));
  }
}

// A plain decimal text reads as strtod reads it: the same double, nothing
// when it overflows, and 0 or the same subnormal when it underflows.
void check_capture_reading(const std::string &text) {
  if (!is_plain_decimal(text))
    return;
  const std::optional<double> v = plain_decimal_value(text);
  errno = 0;
  char *end = nullptr;
  const double c = std::strtod(text.c_str(), &end);
  FUZZ_REQUIRE(end == text.c_str() + text.size(), text);
  if (std::isinf(c)) {
    FUZZ_REQUIRE(!v, text);
    return;
  }
  FUZZ_REQUIRE(v.has_value(), text);
  if (c < DBL_MIN)
    FUZZ_REQUIRE(*v == c || *v == 0, text);
  else
    FUZZ_REQUIRE(*v == c, text);
}

// The selections the window's option buttons can make.
bool selectable(const Input &in) {
  return shape_procedure(in.shape) != nullptr && in.anchor >= Anchor::HawkCut &&
         in.anchor <= Anchor::RebarWelded && material_strength(in.material) != nullptr;
}

// What the window does when the user picks a shape, an anchor kind and a
// material on a state that has been used before.
void choose(SeismicCalcState &s, Shape shape, Anchor anchor, Material material) {
  s.ShapeKind = shape;
  load_bond_table(s, s.AnchorKind);
  s.AnchorKind = anchor;
  load_bond_table(s, anchor);
  choose_material(s, material);
}

} // namespace
} // namespace zelvaro::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace zelvaro;
  using namespace zelvaro::fuzz;
  const Input in = parse(std::string_view(reinterpret_cast<const char *>(data), size));
  for (const std::string &text : in.texts)
    check_capture_reading(text);

  // A fresh window.
  SeismicCalcState fresh;
  cases::prepare_state(fresh, in.shape, in.anchor, in.material);
  const Run first = calculate(fresh, in.fields);
  check_outcome(in, first);

  // 計算 pressed again.
  const Run again = calculate(fresh, in.fields);
  FUZZ_REQUIRE(same(first, again), describe(first) + "\n=== second time ===\n" + describe(again));

  // Only the verdicts (the batch), into an outcome last used for the example:
  // the same outcome without the report, the same numbers and verdicts.
  CalcOutcome reused;
  {
    SeismicCalcState s;
    cases::prepare_state(s, Shape::Floor, Anchor::HawkCut, Material::SS);
    cases::run_case(s, example_fields(Shape::Floor), Now, ReportText::Full, reused);
    reused.message = Message{"耐震強度不足", "advice of another case", MessageIcon::None};
  }
  SeismicCalcState batch;
  cases::prepare_state(batch, in.shape, in.anchor, in.material);
  const Run verdicts = calculate_verdicts(batch, in.fields, reused);
  Run expected = first;
  expected.outcome.report.clear();
  FUZZ_REQUIRE(same(expected, verdicts), describe(first) + "\n=== verdicts only ===\n" + describe(verdicts));
  if (first.outcome.status == CalcOutcome::Status::Reported)
    FUZZ_REQUIRE(same_numbers(fresh, batch), describe(first));

  if (!selectable(in))
    return 0;

  // A window that has just shown the floor example's report.
  SeismicCalcState used;
  cases::prepare_state(used, Shape::Floor, Anchor::HawkCut, Material::SS);
  const Run example = calculate(used, example_fields(Shape::Floor));
  FUZZ_REQUIRE(example.outcome.status == CalcOutcome::Status::Reported, describe(example));
  choose(used, in.shape, in.anchor, in.material);
  const Run after_example = calculate(used, in.fields);
  FUZZ_REQUIRE(same(first, after_example),
               describe(first) + "\n=== after another case ===\n" + describe(after_example));

  if (first.outcome.status != CalcOutcome::Status::Reported) {
    // The window keeps the example's report; and the state still calculates
    // the example exactly as before.
    choose(used, Shape::Floor, Anchor::HawkCut, Material::SS);
    const Run example_again = calculate(used, example_fields(Shape::Floor));
    FUZZ_REQUIRE(same(example, example_again),
                 describe(example) + "\n=== after the refusal ===\n" + describe(example_again));
  }
  return 0;
}
