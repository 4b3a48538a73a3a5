#pragma once

// The project: an equipment schedule as the window (and the page) hold it
// while the engineer works on it. It keeps
//  - the items: each row's cells exactly as typed, or, for a row the reader
//    refuses, its bytes and its line in the file (written back unchanged);
//  - each item's typed result, as the batch judges that row;
//  - the current item (the one the form holds), the unsaved mark, and the
//    undo history of list edits.
// An edit recalculates only the rows it touched; its undo step keeps the
// rows it replaced, never a copy of the schedule, and the history is bounded.
// Nothing here knows a widget: views read the items and hear of changes.

#include "schedule/item_result.h"
#include "schedule/schedule_document.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelvaro::batch {

struct ProjectItem {
  ScheduleRow row;
  ItemResult result;
  std::uint64_t key = 0; // the item's identity through edits and their undo
};

// What an edit did to the list: `removed` items at `at` replaced by
// `inserted` ones (equal counts: those rows changed in place).
struct ListChange {
  std::size_t at = 0, removed = 0, inserted = 0;
};

class Project {
public:
  Project();

  // Replaces the project with a schedule's bytes; an empty string, or why it
  // cannot be used (then the project is unchanged).
  std::string open(std::string_view bytes, Encoding encoding = Encoding::Auto);
  void clear(); // a new, empty project

  // The bytes to save (UTF-8 with a BOM, CR LF): the columns of a new
  // project's names added when missing. After they were written, saved()
  // takes them as the project's file: the unsaved mark goes, rows take their
  // new lines, refused rows are judged again from the bytes written (when
  // the file reads otherwise than the rows written, as a refused row's open
  // quote can make it, the project becomes what the file holds, without undo).
  std::string save_text() const;
  void saved(std::string_view text);
  bool modified() const { return state_ != saved_state_; }

  const std::vector<std::string> &columns() const { return columns_; }
  std::size_t size() const { return items_.size(); }
  const ProjectItem &item(std::size_t i) const { return items_[i]; }
  std::string_view cell(std::size_t i, std::string_view column) const;
  RowInputs inputs(std::size_t i) const;
  // The schedule as it stands (for exports).
  ScheduleDocument document() const;
  // The rows `rows` as a schedule of their own (what Copy puts on the clipboard).
  ScheduleDocument part(const std::vector<std::size_t> &rows) const;

  // The project's names: the first row's `project` and `checker` cells.
  std::string project_name() const;
  std::string checker_name() const;

  // The item the form holds, if it is one of the list's.
  std::optional<std::size_t> current() const;
  void set_current(std::optional<std::size_t> row);
  // 「P-1 冷温水ポンプ（3/12）」, or 「リスト外」.
  std::string current_caption() const;

  // Edits, each one step of undo. They return the rows to select after them.
  std::size_t add(const RowInputs &in, std::string_view id, std::string_view equipment);
  // The inputs of the form into an item (計算); false when nothing changed.
  bool set_inputs(std::size_t row, const RowInputs &in);
  // Whether the item already holds these inputs (set_inputs would change nothing).
  bool same_inputs(std::size_t row, const RowInputs &in) const;
  std::vector<std::size_t> duplicate(const std::vector<std::size_t> &rows);
  void remove(const std::vector<std::size_t> &rows);
  std::vector<std::size_t> move(const std::vector<std::size_t> &rows, int by);
  std::vector<std::size_t> insert(std::size_t at, const ScheduleDocument &part); // 貼り付け
  // The names on every row that has cells; false when nothing changed.
  bool set_names(std::string_view project, std::string_view checker);

  bool can_undo() const { return done_ > 0; }
  bool can_redo() const { return done_ < history_.size(); }
  std::string undo_label() const;
  std::string redo_label() const;
  void undo();
  void redo();
  // Steps kept, and about how many bytes they hold.
  std::size_t history_steps() const { return history_.size(); }
  std::size_t history_bytes() const { return history_bytes_; }
  static constexpr std::size_t MaxSteps = 1000;
  static constexpr std::size_t MaxHistoryBytes = 64u << 20;

  // Heard after each change of the list (views repaint those rows).
  std::function<void(const ListChange &)> changed;
  // Heard when the current item left the list (an undo or a delete took it).
  std::function<void()> current_lost;
  // Heard when an undo or redo changed the current item's cells (the form
  // shows them again).
  std::function<void()> current_restored;

  // How the batch judges one row of this project's columns.
  ItemResult judge(const ScheduleRow &row) const;

private:
  struct Splice {
    std::size_t at = 0;
    std::vector<ProjectItem> removed, inserted;
  };
  struct Step {
    std::string label;
    std::vector<std::string> columns_before, columns_after; // both empty when unchanged
    std::vector<Splice> splices;
    std::uint64_t before = 0, state = 0; // the states it leads from and to
    std::size_t bytes = 0;
  };

  ProjectItem made(ScheduleRow row);
  // Item `r`'s row with the form's inputs written into it (adding columns).
  ScheduleRow edited(std::size_t r, const RowInputs &in, std::vector<std::string> &columns) const;
  void push(Step step);
  void apply(const Splice &s, bool forward);
  void check_current();
  std::optional<ScheduleRow> current_row() const;
  void tell_restored(const std::optional<ScheduleRow> &held);
  // Columns added to `columns` (this project's, grown): a refused row with
  // as many cells as the header now has would be read as a row of cells on
  // the next open; unnamed columns, which the batch ignores, keep it refused.
  void widen(std::vector<std::string> &columns) const;
  // `columns` (widened) become the project's, recorded in `step` when they differ.
  void take_columns(std::vector<std::string> columns, Step &step);
  std::vector<std::string> saved_columns() const; // with the names' columns
  void notify(); // tells the views of the changes applied, then whether the current item left

  std::vector<std::string> columns_;
  std::vector<ProjectItem> items_;
  std::deque<Step> history_;
  std::size_t done_ = 0; // steps of history_ applied
  std::size_t history_bytes_ = 0;
  std::uint64_t next_key_ = 1, next_state_ = 1;
  std::uint64_t state_ = 0, saved_state_ = 0;
  std::optional<std::uint64_t> current_;
  mutable std::size_t current_hint_ = 0;
  std::vector<ListChange> pending_;
};

// The results of running a whole schedule through the batch, in row order.
std::vector<ItemResult> judge_schedule(std::string_view bytes, Encoding encoding = Encoding::Auto);

} // namespace zelvaro::batch
