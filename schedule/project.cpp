#include "schedule/project.h"

#include "schedule/batch.h"
#include "schedule/fd_streams.h"
#include "schedule/result_sinks.h"

#include <algorithm>
#include <istream>

namespace zelvaro::batch {

namespace {

class Collect : public ResultSink {
public:
  std::vector<ItemResult> results;
  void write(const ItemResult &r) override { results.push_back(r); }
};

ItemResult blank_result() {
  ItemResult r;
  r.message = "空の行です。";
  return r;
}

std::size_t bytes_of(const ProjectItem &item) {
  std::size_t n =
      sizeof(ProjectItem) + item.row.raw.size() + item.result.message.size() + item.row.cells.bytes();
  for (const std::string &s : item.result.suggestions)
    n += sizeof(std::string) + s.size();
  return n;
}

// The results of a run taken by the rows they belong to, matched by line
// as they come: no result is held but in its item.
class Adopt : public ResultSink {
public:
  explicit Adopt(std::vector<ProjectItem> &items) : at_(items.begin()), end_(items.end()) {}
  void write(const ItemResult &r) override {
    while (at_ != end_ && at_->row.line < r.line)
      ++at_;
    if (at_ != end_ && at_->row.line == r.line)
      (at_++)->result = r;
  }

private:
  std::vector<ProjectItem>::iterator at_, end_;
};

void judge_into(std::string_view bytes, Encoding encoding, ResultSink &sink) {
  ViewInputBuf bytes_in(bytes);
  std::istream in(&bytes_in);
  std::ostream diagnostics(nullptr); // the results say it all
  BatchOptions options;
  options.encoding = encoding;
  run_batch(in, sink, diagnostics, options);
}

} // namespace

std::vector<ItemResult> judge_schedule(std::string_view bytes, Encoding encoding) {
  Collect sink;
  judge_into(bytes, encoding, sink);
  return std::move(sink.results);
}

Project::Project() {
  clear();
}

void Project::clear() {
  columns_.assign(project_columns().begin(), project_columns().end());
  items_.clear();
  history_.clear();
  done_ = 0;
  history_bytes_ = 0;
  state_ = saved_state_ = next_state_++;
  current_.reset();
  pending_.push_back({0, 0, 0});
  notify();
}

std::string Project::open(std::string_view bytes, Encoding encoding) {
  ScheduleDocument doc;
  if (std::string error = read_schedule(bytes, doc, encoding); !error.empty())
    return error;
  const std::size_t before = items_.size();
  clear();
  columns_ = std::move(doc.columns);
  items_.reserve(doc.rows.size());
  for (ScheduleRow &row : doc.rows) {
    ProjectItem item;
    item.row = std::move(row);
    item.result = blank_result();
    item.key = next_key_++;
    items_.push_back(std::move(item));
  }
  Adopt adopt(items_);
  judge_into(bytes, encoding, adopt);
  pending_.push_back({0, before, items_.size()});
  notify();
  return {};
}

void Project::take_columns(std::vector<std::string> columns, Step &step) {
  widen(columns);
  if (columns == columns_)
    return;
  step.columns_before = columns_;
  step.columns_after = columns;
  columns_ = std::move(columns);
}

void Project::widen(std::vector<std::string> &columns) const {
  if (columns.size() == columns_.size())
    return;
  for (bool again = true; again;) {
    again = false;
    for (const ProjectItem &item : items_)
      if (!item.row.raw.empty() && item.row.cells.size() == columns.size()) {
        columns.emplace_back();
        again = true;
        break;
      }
  }
}

std::vector<std::string> Project::saved_columns() const {
  std::vector<std::string> columns = columns_;
  for (std::string_view c : {"equipment", "project", "checker"})
    if (std::find(columns.begin(), columns.end(), c) == columns.end())
      columns.emplace_back(c);
  widen(columns);
  return columns;
}

std::string Project::save_text() const {
  ScheduleDocument doc = document();
  doc.columns = saved_columns();
  return schedule_text(doc);
}

void Project::saved(std::string_view text) {
  columns_ = saved_columns();
  ScheduleDocument doc = document();
  std::vector<std::size_t> lines;
  schedule_text(doc, &lines);
  bool kept = false;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    items_[i].row.line = lines[i];
    items_[i].result.line = lines[i];
    kept = kept || !items_[i].row.raw.empty();
  }
  // A refused row is refused by the file it is in: judged again from the
  // bytes written, with the lines and the header it has there.
  if (kept) {
    const std::vector<ItemResult> results = judge_schedule(text, Encoding::Utf8);
    auto r = results.begin();
    bool same = true;
    for (const ProjectItem &item : items_) {
      const bool empty = item.row.raw.empty() && item.row.cells.blank();
      if (!empty)
        same = same && r != results.end() && (r++)->line == item.row.line;
    }
    if (!same || r != results.end()) {
      // A refused row's open quote took a row written after it apart: the
      // project becomes what the file holds, as the batch reads it.
      const bool held = current_.has_value();
      open(text, Encoding::Utf8);
      if (held && current_lost)
        current_lost();
      return;
    }
    Adopt adopt(items_);
    for (const ItemResult &r : results)
      adopt.write(r);
  }
  saved_state_ = state_;
  pending_.push_back({0, items_.size(), items_.size()});
  notify();
}

std::string_view Project::cell(std::size_t i, std::string_view column) const {
  return cell_of(columns_, items_[i].row, column);
}

RowInputs Project::inputs(std::size_t i) const {
  return row_inputs(columns_, items_[i].row);
}

ScheduleDocument Project::document() const {
  ScheduleDocument doc;
  doc.columns = columns_;
  doc.rows.reserve(items_.size());
  for (const ProjectItem &item : items_)
    doc.rows.push_back(item.row);
  return doc;
}

ScheduleDocument Project::part(const std::vector<std::size_t> &rows) const {
  ScheduleDocument doc;
  doc.columns = columns_;
  for (std::size_t r : rows)
    doc.rows.push_back(items_[r].row);
  return doc;
}

std::string Project::project_name() const {
  return items_.empty() ? std::string() : std::string(cell(0, "project"));
}

std::string Project::checker_name() const {
  return items_.empty() ? std::string() : std::string(cell(0, "checker"));
}

std::optional<std::size_t> Project::current() const {
  if (!current_)
    return std::nullopt;
  if (current_hint_ < items_.size() && items_[current_hint_].key == *current_)
    return current_hint_;
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (items_[i].key == *current_) {
      current_hint_ = i;
      return i;
    }
  return std::nullopt;
}

void Project::set_current(std::optional<std::size_t> row) {
  current_.reset();
  if (row && *row < items_.size()) {
    current_ = items_[*row].key;
    current_hint_ = *row;
  }
}

std::string Project::current_caption() const {
  const std::optional<std::size_t> i = current();
  if (!i)
    return "リスト外";
  std::string text(cell(*i, "id"));
  if (const std::string_view name = cell(*i, "equipment"); !name.empty()) {
    if (!text.empty())
      text += ' ';
    text += name;
  }
  return text + "（" + std::to_string(*i + 1) + "/" + std::to_string(items_.size()) + "）";
}

ItemResult Project::judge(const ScheduleRow &row) const {
  std::string text;
  append_row(text, columns_, ScheduleRow{RowCells(columns_), {}, 0});
  if (!row.raw.empty() && row.line > 1)
    text.append(row.line - 2, '\n'); // empty lines count: the message names the row's own line
  append_row(text, columns_, row);
  std::vector<ItemResult> results = judge_schedule(text, Encoding::Utf8);
  ItemResult r = results.empty() ? blank_result() : std::move(results.front());
  r.line = row.line;
  return r;
}

ProjectItem Project::made(ScheduleRow row) {
  ProjectItem item;
  item.result = judge(row);
  item.row = std::move(row);
  item.key = next_key_++;
  return item;
}

std::size_t Project::add(const RowInputs &in, std::string_view id, std::string_view equipment) {
  Step step;
  step.label = "追加";
  std::vector<std::string> columns = columns_;
  ScheduleRow row;
  set_cell(columns, row, "id", id);
  set_cell(columns, row, "equipment", equipment);
  batch::set_inputs(columns, row, in);
  take_columns(std::move(columns), step);
  step.splices.push_back({items_.size(), {}, {made(std::move(row))}});
  push(std::move(step));
  return items_.size() - 1;
}

ScheduleRow Project::edited(std::size_t r, const RowInputs &in, std::vector<std::string> &columns) const {
  ScheduleRow row = items_[r].row;
  if (!row.raw.empty()) {
    // A refused row becomes a row of cells: the reader's cells, one per
    // column, with the form's inputs.
    row.raw.clear();
    row.cells.resize(columns.size());
  }
  batch::set_inputs(columns, row, in);
  return row;
}

bool Project::set_inputs(std::size_t r, const RowInputs &in) {
  std::vector<std::string> columns = columns_;
  ScheduleRow row = edited(r, in, columns);
  if (row == items_[r].row && columns == columns_)
    return false; // 計算 again on the same inputs changes nothing to save
  Step step;
  step.label = "計算";
  take_columns(std::move(columns), step);
  ProjectItem item;
  item.result = judge(row);
  item.result.line = row.line;
  item.row = std::move(row);
  item.key = items_[r].key; // the same item, changed
  step.splices.push_back({r, {items_[r]}, {std::move(item)}});
  push(std::move(step));
  return true;
}

bool Project::same_inputs(std::size_t r, const RowInputs &in) const {
  std::vector<std::string> a = columns_, b = columns_;
  return edited(r, in, a) == edited(r, inputs(r), b) && a == b;
}

std::vector<std::size_t> Project::duplicate(const std::vector<std::size_t> &rows) {
  if (rows.empty())
    return {};
  Step step;
  step.label = "複製";
  Splice s{rows.back() + 1, {}, {}};
  for (std::size_t r : rows) {
    ProjectItem copy = items_[r];
    copy.key = next_key_++;
    s.inserted.push_back(std::move(copy));
  }
  std::vector<std::size_t> added;
  for (std::size_t k = 0; k < rows.size(); ++k)
    added.push_back(s.at + k);
  step.splices.push_back(std::move(s));
  push(std::move(step));
  return added;
}

void Project::remove(const std::vector<std::size_t> &rows) {
  if (rows.empty())
    return;
  Step step;
  step.label = "削除";
  // From the last, so that each splice's place holds when it is applied.
  for (auto r = rows.rbegin(); r != rows.rend(); ++r)
    step.splices.push_back({*r, {items_[*r]}, {}});
  push(std::move(step));
}

std::vector<std::size_t> Project::move(const std::vector<std::size_t> &rows, int by) {
  if (rows.empty() || (by < 0 && rows.front() == 0) || (by > 0 && rows.back() + 1 >= items_.size()))
    return rows;
  // The span from the first row moved to the last row passed, reordered.
  const std::size_t from = by < 0 ? rows.front() - 1 : rows.front();
  const std::size_t to = by < 0 ? rows.back() + 1 : rows.back() + 2;
  Splice s{
      from,
      {items_.begin() + static_cast<std::ptrdiff_t>(from), items_.begin() + static_cast<std::ptrdiff_t>(to)},
      {}};
  s.inserted = s.removed;
  std::vector<std::size_t> moved;
  if (by < 0)
    for (std::size_t r : rows)
      std::swap(s.inserted[r - from], s.inserted[r - 1 - from]);
  else
    for (auto r = rows.rbegin(); r != rows.rend(); ++r)
      std::swap(s.inserted[*r - from], s.inserted[*r + 1 - from]);
  for (std::size_t r : rows)
    moved.push_back(by < 0 ? r - 1 : r + 1);
  Step step;
  step.label = by < 0 ? "上へ" : "下へ";
  step.splices.push_back(std::move(s));
  push(std::move(step));
  return moved;
}

std::vector<std::size_t> Project::insert(std::size_t at, const ScheduleDocument &part) {
  if (part.rows.empty())
    return {};
  Step step;
  step.label = "貼り付け";
  std::vector<std::string> columns = columns_;
  std::vector<ScheduleRow> rows;
  for (const ScheduleRow &source : part.rows) {
    ScheduleRow row;
    if (!source.raw.empty()) {
      row.raw = source.raw;
      row.cells = source.cells;
    } else {
      for (std::size_t c = 0; c < part.columns.size() && c < source.cells.size(); ++c)
        if (!part.columns[c].empty())
          set_cell(columns, row, part.columns[c], source.cells[c]);
    }
    rows.push_back(std::move(row));
  }
  take_columns(std::move(columns), step);
  Splice s{std::min(at, items_.size()), {}, {}};
  for (ScheduleRow &row : rows)
    s.inserted.push_back(made(std::move(row)));
  std::vector<std::size_t> added;
  for (std::size_t k = 0; k < s.inserted.size(); ++k)
    added.push_back(s.at + k);
  step.splices.push_back(std::move(s));
  push(std::move(step));
  return added;
}

bool Project::set_names(std::string_view project, std::string_view checker) {
  std::vector<std::string> columns = columns_;
  Splice s{0, {}, {}};
  for (std::size_t i = 0; i < items_.size(); ++i) {
    const ProjectItem &item = items_[i];
    if (!item.row.raw.empty() || (cell(i, "project") == project && cell(i, "checker") == checker))
      continue;
    ProjectItem changed = item; // the names are not calculated: the result stands
    set_cell(columns, changed.row, "project", project);
    set_cell(columns, changed.row, "checker", checker);
    if (s.inserted.empty())
      s.at = i;
    // One splice from the first row changed to the last: rows between, unchanged, ride along.
    for (std::size_t k = s.at + s.removed.size(); k < i; ++k) {
      s.removed.push_back(items_[k]);
      s.inserted.push_back(items_[k]);
    }
    s.removed.push_back(item);
    s.inserted.push_back(std::move(changed));
  }
  if (s.inserted.empty())
    return false;
  Step step;
  step.label = "工事名と確認者";
  take_columns(std::move(columns), step);
  step.splices.push_back(std::move(s));
  push(std::move(step));
  return true;
}

void Project::push(Step step) {
  // A new edit drops the steps undone before it.
  while (history_.size() > done_) {
    history_bytes_ -= history_.back().bytes;
    history_.pop_back();
  }
  for (const Splice &s : step.splices) {
    for (const ProjectItem &i : s.removed)
      step.bytes += bytes_of(i);
    for (const ProjectItem &i : s.inserted)
      step.bytes += bytes_of(i);
  }
  step.before = state_;
  step.state = next_state_++;
  for (const Splice &s : step.splices)
    apply(s, true);
  state_ = step.state;
  history_bytes_ += step.bytes;
  history_.push_back(std::move(step));
  ++done_;
  while (history_.size() > 1 && (history_.size() > MaxSteps || history_bytes_ > MaxHistoryBytes)) {
    history_bytes_ -= history_.front().bytes;
    history_.pop_front();
    --done_;
  }
  notify();
}

void Project::apply(const Splice &s, bool forward) {
  const std::vector<ProjectItem> &out = forward ? s.removed : s.inserted;
  const std::vector<ProjectItem> &in = forward ? s.inserted : s.removed;
  const auto at = items_.begin() + static_cast<std::ptrdiff_t>(s.at);
  if (out.size() == in.size()) {
    std::copy(in.begin(), in.end(), at);
  } else {
    items_.erase(at, at + static_cast<std::ptrdiff_t>(out.size()));
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(s.at), in.begin(), in.end());
  }
  pending_.push_back({s.at, out.size(), in.size()});
}

void Project::notify() {
  std::vector<ListChange> changes;
  changes.swap(pending_);
  if (changed)
    for (const ListChange &c : changes)
      changed(c);
  check_current();
}

void Project::undo() {
  if (!can_undo())
    return;
  const Step &step = history_[--done_];
  const std::optional<ScheduleRow> held = current_row();
  if (!step.columns_before.empty())
    columns_ = step.columns_before;
  for (auto s = step.splices.rbegin(); s != step.splices.rend(); ++s)
    apply(*s, false);
  state_ = step.before;
  notify();
  tell_restored(held);
}

void Project::redo() {
  if (!can_redo())
    return;
  const Step &step = history_[done_++];
  const std::optional<ScheduleRow> held = current_row();
  if (!step.columns_after.empty())
    columns_ = step.columns_after;
  for (const Splice &s : step.splices)
    apply(s, true);
  state_ = step.state;
  notify();
  tell_restored(held);
}

std::optional<ScheduleRow> Project::current_row() const {
  const std::optional<std::size_t> i = current();
  return i ? std::optional(items_[*i].row) : std::nullopt;
}

void Project::tell_restored(const std::optional<ScheduleRow> &held) {
  const std::optional<ScheduleRow> now = current_row();
  if (held && now && *held != *now && current_restored)
    current_restored();
}

std::string Project::undo_label() const {
  return can_undo() ? history_[done_ - 1].label : std::string();
}

std::string Project::redo_label() const {
  return can_redo() ? history_[done_].label : std::string();
}

void Project::check_current() {
  if (current_ && !current()) {
    current_.reset();
    if (current_lost)
      current_lost();
  }
}

} // namespace zelvaro::batch
