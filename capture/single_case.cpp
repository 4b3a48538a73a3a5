#include "capture/single_case.h"

#include "capture/data_in.h"
#include "engine/general_date.h"
#include "engine/shape_procedure.h"
#include "refdata/bond_tables.h"
#include "refdata/materials.h"
#include "refdata/selection_lists.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <utility>

namespace zelvaro::cases {

namespace {

// The report's symbols and the members they are captured into.
constexpr std::pair<std::string_view, double SeismicCalcState::*> Names[] = {
    {"M", &SeismicCalcState::M},         {"KH", &SeismicCalcState::KH},   {"Z", &SeismicCalcState::Z},
    {"P", &SeismicCalcState::P},         {"W", &SeismicCalcState::W},     {"n", &SeismicCalcState::n},
    {"nt", &SeismicCalcState::nt_given}, {"n1", &SeismicCalcState::n1},   {"n2", &SeismicCalcState::n2},
    {"LG", &SeismicCalcState::LG},       {"HG", &SeismicCalcState::HG},   {"L", &SeismicCalcState::L},
    {"D", &SeismicCalcState::D},         {"H", &SeismicCalcState::H},     {"L1", &SeismicCalcState::L1},
    {"L2", &SeismicCalcState::L2},       {"L1G", &SeismicCalcState::L1G}, {"L2G", &SeismicCalcState::L2G},
    {"L3G", &SeismicCalcState::L3G},     {"N", &SeismicCalcState::N},     {"a", &SeismicCalcState::a},
    {"F", &SeismicCalcState::F},
};

template <class T, std::size_t K>
std::optional<T> lookup(const std::pair<std::string_view, T> (&table)[K], std::string_view v) {
  for (const auto &[name, value] : table)
    if (name == v)
      return value;
  return std::nullopt;
}

} // namespace

std::string_view shape_option(Shape s) {
  for (const auto &[spelling, value] : ShapeSpellings)
    if (value == s)
      return spelling;
  return {};
}

const std::vector<std::string_view> &field_names() {
  static const std::vector<std::string_view> names = [] {
    std::vector<std::string_view> v;
    for (const auto &entry : Names)
      v.push_back(entry.first);
    return v;
  }();
  return names;
}

std::optional<InputSlot> slot_of(Shape shape, std::string_view name) {
  const ShapeProcedure *proc = shape_procedure(shape);
  const auto member = lookup(Names, name);
  if (!proc || !member)
    return std::nullopt;
  for (int i = 0; i < InputSlotCount; ++i) {
    const FieldBinding *b = field_binding(*proc, static_cast<InputSlot>(i));
    if (b && b->member == *member)
      return b->slot;
  }
  return std::nullopt;
}

const std::array<std::string_view, InputSlotCount> &default_field_texts() {
  static const auto texts = [] {
    std::array<std::string_view, InputSlotCount> t{};
    const auto set = [&t](InputSlot slot, std::string_view text) { t[static_cast<int>(slot)] = text; };
    set(InputSlot::Combo2, DefaultSeismicCoefficientText);
    set(InputSlot::Combo4, DefaultRegionalCoefficientText);
    set(InputSlot::Combo3, MotorOffText);
    set(InputSlot::Text1_5, MotorOffText);
    set(InputSlot::Text1_6, MotorOffText);
    set(InputSlot::Text1_10, MotorOffText);
    return t;
  }();
  return texts;
}

CaseFields::CaseFields() {
  reset();
}

void CaseFields::reset() {
  const auto &defaults = default_field_texts();
  for (std::size_t i = 0; i < texts_.size(); ++i)
    texts_[i].assign(defaults[i]);
}

namespace {

void build_state(SeismicCalcState &s, Shape shape, Anchor anchor, Material material) {
  s = SeismicCalcState{};
  s.ShapeKind = shape;
  s.AnchorKind = anchor;
  load_bond_table(s, anchor);
  choose_material(s, material);
}

constexpr int ShapeCodes = 6, AnchorCodes = 8, MaterialCodes = 3; // "none chosen" included

} // namespace

std::optional<Shape> shape_named(std::string_view cell) {
  if (const auto s = spelled(ShapeSpellings, cell))
    return s;
  for (const auto &[spelling, shape] : ShapeSpellings)
    if (shape_procedure(shape)->caption == cell)
      return shape;
  return std::nullopt;
}

std::optional<Anchor> anchor_named(std::string_view cell) {
  if (const auto a = spelled(AnchorSpellings, cell))
    return a;
  for (const AnchorInfo &info : anchor_kinds())
    if (info.caption == cell)
      return info.kind;
  return std::nullopt;
}

std::optional<Material> material_named(std::string_view cell) {
  if (const auto m = spelled(MaterialSpellings, cell))
    return m;
  for (const auto &[spelling, material] : MaterialSpellings) {
    const std::string_view caption = material_strength(material)->caption;
    // The whole caption, or its part before the ideographic space.
    if (caption == cell || caption.substr(0, caption.find("\u3000")) == cell)
      return material;
  }
  return std::nullopt;
}

void prepare_state(SeismicCalcState &s, Shape shape, Anchor anchor, Material material) {
  // Every choice is built once; a case then starts from a copy, which also
  // keeps the storage of the state's texts from one case to the next.
  static const std::vector<SeismicCalcState> prepared = [] {
    std::vector<SeismicCalcState> all(ShapeCodes * AnchorCodes * MaterialCodes);
    for (int sh = 0; sh < ShapeCodes; ++sh)
      for (int an = 0; an < AnchorCodes; ++an)
        for (int ma = 0; ma < MaterialCodes; ++ma)
          build_state(all[static_cast<std::size_t>((sh * AnchorCodes + an) * MaterialCodes + ma)],
                      static_cast<Shape>(sh), static_cast<Anchor>(an), static_cast<Material>(ma));
    return all;
  }();
  const int sh = static_cast<int>(shape), an = static_cast<int>(anchor), ma = static_cast<int>(material);
  if (sh >= 0 && sh < ShapeCodes && an >= 0 && an < AnchorCodes && ma >= 0 && ma < MaterialCodes)
    s = prepared[static_cast<std::size_t>((sh * AnchorCodes + an) * MaterialCodes + ma)];
  else
    build_state(s, shape, anchor, material); // codes no selection offers
}

CalcOutcome run_case(SeismicCalcState &s, const FieldReader &fields, std::string_view now, ReportText text) {
  CalcOutcome out;
  run_case(s, fields, now, text, out);
  return out;
}

void run_case(SeismicCalcState &s, const FieldReader &fields, std::string_view now, ReportText text,
              CalcOutcome &out) {
  // The step captures a single reference, so that std::function holds it in
  // place instead of allocating for every case.
  const struct {
    const FieldReader &fields;
    bool echo;
  } capture{fields, text == ReportText::Full};
  Calculate(
      s,
      [&capture](SeismicCalcState &st, MessageSink &sink) {
        data_in(st, capture.fields, sink, capture.echo);
      },
      now, text, out);
}

std::optional<long long> source_date_epoch() {
  const char *text = std::getenv("SOURCE_DATE_EPOCH");
  if (!text || !*text)
    return std::nullopt;
  long long seconds = 0;
  const char *end = text + std::strlen(text);
  const auto [at, ec] = std::from_chars(text, end, seconds);
  if (ec != std::errc() || at != end || seconds < 0)
    return std::nullopt;
  return seconds;
}

LocalDateTime run_time() {
  const std::optional<long long> fixed = source_date_epoch();
  const std::time_t t = fixed ? static_cast<std::time_t>(*fixed) : std::time(nullptr);
  std::tm tm{};
  if (fixed)
    gmtime_r(&t, &tm);
  else
    localtime_r(&t, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

std::string now_text() {
  return general_date_text(run_time());
}

} // namespace zelvaro::cases
