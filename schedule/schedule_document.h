#pragma once

// An equipment schedule held whole, as the window keeps a project: the
// header's column names and every row's cells exactly as written (numbers
// are the texts the user typed, never converted values). A row that the CSV
// reader refuses keeps its bytes as the file had them (CP932 text in UTF-8,
// bytes no encoding reads left as they are) and is written back unchanged,
// so the batch refuses it again for the same reason.
//
// Reading takes everything the batch reads (UTF-8 with or without a BOM,
// CP932); writing gives UTF-8 with a BOM and CR LF, what Japanese Excel opens
// without garbling. Verdicts come from the batch itself, so the window's list
// and `zelvaro-check --batch` can never disagree.

#include "engine/input_slots.h"
#include "engine/seismic_calc_state.h"
#include "schedule/item_result.h"
#include "schedule/text_encoding.h"

#include <array>

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelvaro::batch {

// A row's cells held as one string of their bytes and where each cell
// ends: a schedule's 25 short cells a row cost their bytes and 25 offsets,
// not 25 strings (800 bytes a row, for 78 bytes of file).
class RowCells {
public:
  RowCells() = default;
  explicit RowCells(const std::vector<std::string> &cells) { assign(cells); }
  explicit RowCells(const std::vector<std::string_view> &cells) { assign(cells); }
  template <class Texts> void assign(const Texts &cells) {
    bytes_.clear();
    ends_.clear();
    for (std::string_view c : cells)
      push_back(c);
  }

  std::size_t size() const { return ends_.size(); }
  std::string_view operator[](std::size_t i) const {
    const std::size_t from = i == 0 ? 0 : ends_[i - 1];
    return std::string_view(bytes_).substr(from, ends_[i] - from);
  }
  // The cells in turn, as views.
  class const_iterator {
  public:
    using iterator_category = std::input_iterator_tag;
    using value_type = std::string_view;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = std::string_view;
    const_iterator(const RowCells &cells, std::size_t at) : cells_(&cells), at_(at) {}
    std::string_view operator*() const { return (*cells_)[at_]; }
    const_iterator &operator++() {
      ++at_;
      return *this;
    }
    const_iterator operator++(int) { return {*cells_, at_++}; }
    bool operator==(const const_iterator &other) const { return at_ == other.at_; }

  private:
    const RowCells *cells_;
    std::size_t at_;
  };
  const_iterator begin() const { return {*this, 0}; }
  const_iterator end() const { return {*this, size()}; }

  // Whether every cell is empty (a row of none too).
  bool blank() const { return bytes_.empty(); }
  // The bytes the cells take, what holds them aside.
  std::size_t bytes() const { return bytes_.size() + ends_.size() * sizeof(std::uint32_t); }

  void push_back(std::string_view text);
  // Empty cells added at the end, or the last ones dropped.
  void resize(std::size_t n);
  void set(std::size_t i, std::string_view text);
  bool operator==(const RowCells &) const = default;

private:
  std::string bytes_;               // the cells' bytes, one after another
  std::vector<std::uint32_t> ends_; // where each cell ends in bytes_
};

struct ScheduleRow {
  RowCells cells;       // by column; as read, unquoted (a refused row's as the reader read them)
  std::string raw;      // the refused row's bytes, its line breaks included; empty otherwise
  std::size_t line = 0; // where the row starts in the file read (0: not read from a file)
  bool operator==(const ScheduleRow &) const = default;
};

struct ScheduleDocument {
  std::vector<std::string> columns;
  std::vector<ScheduleRow> rows;

  std::optional<std::size_t> column(std::string_view name) const;
  // The column's index, appended (empty in every row) when missing.
  std::size_t add_column(std::string_view name);
  std::string_view cell(const ScheduleRow &row, std::string_view name) const;
  // Sets a cell, adding the column when needed; the row loses its raw text.
  void set(ScheduleRow &row, std::string_view name, std::string_view text);
  bool operator==(const ScheduleDocument &) const = default;
};

// The columns the window writes, in the order of a new project.
const std::vector<std::string_view> &project_columns();

// Reads a schedule. Returns an empty string, or why it cannot be used (a
// header the batch refuses, bytes that are no schedule at all). Rows of only
// empty cells are left out, as the batch skips them.
std::string read_schedule(std::string_view bytes, ScheduleDocument &doc, Encoding encoding = Encoding::Auto);

// What a user who opened an Excel workbook or Excel's 「Unicode テキスト」
// (UTF-16) is told to do instead: read_schedule refuses both with it.
inline constexpr std::string_view SaveAsCsvAdvice =
    "Excel で『CSV UTF-8（コンマ区切り）』または『CSV（コンマ区切り）』で保存してから開いてください";

// The schedule as the window saves it: UTF-8 with a BOM, CR LF, quoted only
// where a cell needs it. `lines`, when given, receives the line each row
// starts on in the text.
std::string schedule_text(const ScheduleDocument &doc, std::vector<std::size_t> *lines = nullptr);
// One row as schedule_text writes it, with its line break.
void append_row(std::string &out, const std::vector<std::string> &columns, const ScheduleRow &row);

// The inputs of one item as the window holds them: the three selections
// (None for a cell that names none) and every field's text by slot, exactly
// as written; fields without a column take the batch's defaults.
struct RowInputs {
  Shape shape = Shape::None;
  Anchor anchor = Anchor::None;
  Material material = Material::None;
  std::array<std::string, InputSlotCount> texts;
};
RowInputs row_inputs(const ScheduleDocument &doc, const ScheduleRow &row);
RowInputs row_inputs(const std::vector<std::string> &columns, const ScheduleRow &row);
// The cell of column `name`, empty when the row or the header has none.
std::string_view cell_of(const std::vector<std::string> &columns, const ScheduleRow &row,
                         std::string_view name);
// Sets the row's cells of the fields its shape reads, and the three
// selections, from the form's inputs; adds the columns it needs.
void set_inputs(std::vector<std::string> &columns, ScheduleRow &row, const RowInputs &in);
void set_cell(std::vector<std::string> &columns, ScheduleRow &row, std::string_view name,
              std::string_view text);

} // namespace zelvaro::batch
