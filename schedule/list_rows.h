#pragma once

// The equipment list's rows as texts: what the window's 機器リスト and the
// page's list show for each item, written once so that the two faces read
// the same words and figures. An item's cells come from its row (shape,
// anchor and material in the form's own words, as its option buttons read)
// and from its typed result (the verdict, figures rounded for reading, the
// message and the changes that would pass). Sorting and colours are each
// face's own.

#include "schedule/item_result.h"
#include "schedule/schedule_document.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelvaro::batch {

class Project;

// The list's columns, in the order shown.
enum class ListColumn {
  Id,
  Equipment,
  Shape,
  Anchor,
  Material,
  Diameter,
  W,
  n,
  nt, // blank: half the bolts take tension
  Verdict,
  Rb,
  Allowable,
  SigmaPercent,
  TauPercent,
  Message,
  Suggestion, // the changes that would pass, one a line
  Count
};
inline constexpr std::size_t ListColumnCount = static_cast<std::size_t>(ListColumn::Count);
using ListRow = std::array<std::string, ListColumnCount>;

// The header's names: 番号, 機器名, … 改善案.
const std::array<std::string_view, ListColumnCount> &list_header();

// One cell of an item: its row under the schedule's `columns`, and its result.
std::string list_cell(const std::vector<std::string> &columns, const ScheduleRow &row, const ItemResult &r,
                      ListColumn column);
std::string list_cell(const Project &project, std::size_t item, ListColumn column);
ListRow list_row(const std::vector<std::string> &columns, const ScheduleRow &row, const ItemResult &r);
ListRow list_row(const Project &project, std::size_t item);

// The value behind a figure's column (Rb, 許容値, σ/ft, τ/fs), when the item
// has one: a refused row has none, nor has an anchor without a bond check
// Rb and 許容値.
std::optional<double> list_figure(const ItemResult &r, ListColumn column);

// A figure rounded to 0.1 for reading, from the digits the report prints, so
// that the two agree (31.249999999999996, printed 31.25, reads 31.3): the
// nearest tenth, a tie away from zero.
std::string reading_figure(double value);

// The verdict as the lists and the cover show it: "○ 適合", "× 不足", "入力不備".
std::string verdict_label(ItemStatus status);

// The batch's message as the window and the page show it: without the
// sentence that names a command-line option (--encoding), trimmed.
std::string shown_message(std::string_view message);

} // namespace zelvaro::batch
