#pragma once

// One calculation as the command line and the batch run it: the selections
// and the field texts by the report's symbols, through the same capture and
// calculation as the window.

#include "capture/field_reader.h"
#include "engine/calculate.h"
#include "engine/general_date.h"
#include "engine/seismic_calc_state.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelvaro::cases {

// How the command line and the schedules spell the selections, in the
// window's order: the option parser, the schedule's columns and --help all
// read these tables.
template <class T> struct Spelling {
  std::string_view text;
  T value;
};
inline constexpr Spelling<Shape> ShapeSpellings[] = {
    {"floor", Shape::Floor},     {"circular", Shape::Circular}, {"wall", Shape::Wall},
    {"ceiling", Shape::Ceiling}, {"braced", Shape::Braced},
};
inline constexpr Spelling<Anchor> AnchorSpellings[] = {
    {"hawk-cut", Anchor::HawkCut},
    {"l-tip", Anchor::LTip},
    {"j-tip", Anchor::JTip},
    {"bolt-embedded", Anchor::BoltEmbedded},
    {"chemical", Anchor::Chemical},
    {"rebar-hooked", Anchor::RebarHooked},
    {"rebar-welded", Anchor::RebarWelded},
};
inline constexpr Spelling<Material> MaterialSpellings[] = {{"SS", Material::SS}, {"SUS", Material::SUS}};

// The value `text` spells (letter case counts), or nothing.
template <class T, std::size_t K>
constexpr std::optional<T> spelled(const Spelling<T> (&table)[K], std::string_view text) {
  for (const auto &[spelling, value] : table)
    if (spelling == text)
      return value;
  return std::nullopt;
}

// The selection a schedule's cell names: its spelling above ("floor"), or
// the window's own caption of its option button, as an engineer types it in
// a spreadsheet (床置機器, ﾎｰｸｶｯﾄｱﾝｶ, SS系ﾎﾞﾙﾄ　仕上ﾀｲﾌﾟ or SS系ﾎﾞﾙﾄ).
std::optional<Shape> shape_named(std::string_view cell);
std::optional<Anchor> anchor_named(std::string_view cell);
std::optional<Material> material_named(std::string_view cell);

// How `table` spells `value`, or "" (none chosen).
template <class T, std::size_t K>
constexpr std::string_view spelling_of(const Spelling<T> (&table)[K], T value) {
  for (const auto &[spelling, v] : table)
    if (v == value)
      return spelling;
  return {};
}

// Every spelling of `table`, joined by `separator`: "SS SUS".
template <class T, std::size_t K>
std::string spelling_list(const Spelling<T> (&table)[K], std::string_view separator) {
  std::string list;
  for (const auto &[spelling, value] : table) {
    if (!list.empty())
      list += separator;
    list += spelling;
  }
  return list;
}

// "floor" for Shape::Floor; empty for a code no selection offers.
std::string_view shape_option(Shape s);

// The field names: M KH Z P W n nt n1 n2 LG HG L D H L1 L2 L1G L2G L3G N a F.
const std::vector<std::string_view> &field_names();

// The slot that a shape reads a field name from, or nothing when the shape
// does not read it (or the name is unknown).
std::optional<InputSlot> slot_of(Shape shape, std::string_view name);

// The texts of fields that are not set: the window's defaults (KH 2.0, Z
// 1.0, P, N, a and F 0), empty for the others.
const std::array<std::string_view, InputSlotCount> &default_field_texts();

// Field texts of one case. Slots that are not set hold default_field_texts().
class CaseFields : public FieldReader {
public:
  CaseFields();
  void set(InputSlot slot, std::string_view text) { texts_[static_cast<int>(slot)].assign(text); }
  void reset();
  std::string_view text(InputSlot slot) const override { return texts_[static_cast<int>(slot)]; }

private:
  std::array<std::string, InputSlotCount> texts_;
};

// The same over texts kept elsewhere (the batch's current row), which must
// outlive their use: nothing is copied.
class CaseFieldViews : public FieldReader {
public:
  CaseFieldViews() { reset(); }
  void set(InputSlot slot, std::string_view text) { texts_[static_cast<int>(slot)] = text; }
  void reset() { texts_ = default_field_texts(); }
  std::string_view text(InputSlot slot) const override { return texts_[static_cast<int>(slot)]; }

private:
  std::array<std::string_view, InputSlotCount> texts_;
};

// A state as the window leaves it after the user chose shape, anchor kind
// (with its bond table for the shape's group) and material.
void prepare_state(SeismicCalcState &s, Shape shape, Anchor anchor, Material material);

// Runs capture and Calculate on a prepared state; a refusal comes back in
// the outcome.
CalcOutcome run_case(SeismicCalcState &s, const FieldReader &fields, std::string_view now,
                     ReportText text = ReportText::Full);
// The same into `out`, reusing its storage.
void run_case(SeismicCalcState &s, const FieldReader &fields, std::string_view now, ReportText text,
              CalcOutcome &out);

// The moment a run's reports, sheets and cover are dated: the time
// SOURCE_DATE_EPOCH gives (seconds since 1970, read as UTC), when it is set
// to such a number, so that two runs over the same input give the same bytes;
// otherwise the local time now.
LocalDateTime run_time();
// The seconds of SOURCE_DATE_EPOCH, when it is set to a number of them.
std::optional<long long> source_date_epoch();

// run_time() as the report header writes it.
std::string now_text();

} // namespace zelvaro::cases
