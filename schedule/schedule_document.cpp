#include "schedule/schedule_document.h"

#include "capture/single_case.h"
#include "schedule/batch.h"
#include "schedule/csv_reader.h"

#include <sstream>

namespace zelvaro::batch {

namespace {

// The input decoded as the reader decoded it, split into physical lines.
std::vector<std::string> decoded_lines(std::string_view bytes, Encoding encoding) {
  if (bytes.starts_with(kUtf8Bom))
    bytes.remove_prefix(kUtf8Bom.size());
  std::string text;
  if (encoding == Encoding::Cp932)
    Cp932Decoder().decode_lossy(bytes, text);
  else
    append_utf8_lossy(bytes, text);
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n')
      continue;
    lines.emplace_back(text, start, i - start);
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
      ++i;
    start = i + 1;
  }
  if (start < text.size())
    lines.emplace_back(text, start);
  return lines;
}

bool blank(const ScheduleRow &row) {
  if (!row.raw.empty())
    return false;
  for (const std::string &c : row.cells)
    if (!c.empty())
      return false;
  return true;
}

// The document as the batch reads it, with the rows that the batch would
// skip (blank ones) left out; `kept` lists the rows written.
std::string batch_input(const ScheduleDocument &doc, std::vector<std::size_t> &kept) {
  ScheduleDocument copy;
  copy.columns = doc.columns;
  for (std::size_t i = 0; i < doc.rows.size(); ++i)
    if (!blank(doc.rows[i])) {
      kept.push_back(i);
      copy.rows.push_back(doc.rows[i]);
    }
  return schedule_text(copy);
}

} // namespace

std::optional<std::size_t> ScheduleDocument::column(std::string_view name) const {
  for (std::size_t i = 0; i < columns.size(); ++i)
    if (columns[i] == name)
      return i;
  return std::nullopt;
}

std::size_t ScheduleDocument::add_column(std::string_view name) {
  if (const auto c = column(name))
    return *c;
  columns.emplace_back(name);
  return columns.size() - 1;
}

std::string_view ScheduleDocument::cell(const ScheduleRow &row, std::string_view name) const {
  const auto c = column(name);
  return c && *c < row.cells.size() ? std::string_view(row.cells[*c]) : std::string_view();
}

void ScheduleDocument::set(ScheduleRow &row, std::string_view name, std::string_view text) {
  const std::size_t c = add_column(name);
  if (row.cells.size() < columns.size())
    row.cells.resize(columns.size());
  row.cells[c].assign(text);
  row.raw.clear();
}

const std::vector<std::string_view> &project_columns() {
  static const std::vector<std::string_view> names = [] {
    std::vector<std::string_view> v = {"id", "equipment", "shape", "anchor", "material"};
    for (std::string_view f : cases::field_names())
      v.push_back(f);
    v.push_back("project");
    v.push_back("checker");
    return v;
  }();
  return names;
}

RowInputs row_inputs(const ScheduleDocument &doc, const ScheduleRow &row) {
  RowInputs in;
  const auto &defaults = cases::default_field_texts();
  for (std::size_t i = 0; i < in.texts.size(); ++i)
    in.texts[i] = defaults[i];
  in.shape = cases::shape_named(doc.cell(row, "shape")).value_or(Shape::None);
  in.anchor = cases::anchor_named(doc.cell(row, "anchor")).value_or(Anchor::None);
  in.material = cases::material_named(doc.cell(row, "material")).value_or(Material::None);
  if (in.shape == Shape::None)
    return in;
  for (std::string_view name : cases::field_names()) {
    const auto slot = cases::slot_of(in.shape, name);
    if (slot && doc.column(name))
      in.texts[static_cast<std::size_t>(*slot)] = doc.cell(row, name);
  }
  if (!doc.column("M"))
    in.texts[static_cast<std::size_t>(InputSlot::Combo1)].clear(); // the diameter has no default
  return in;
}

std::string read_schedule(std::string_view bytes, ScheduleDocument &doc, Encoding encoding) {
  doc = ScheduleDocument{};
  std::istringstream in{std::string(bytes)};
  CsvReader reader(in, encoding);
  CsvRecord record;
  if (!reader.next(record))
    return "見出し行がありません（ファイルが空です）。";
  // The batch decides whether the header is usable, with its own words.
  if (const std::optional<HeaderError> error = header_error(record))
    return header_error_text(*error);
  doc.columns = record.fields;
  reader.expect_fields(doc.columns.size());

  std::vector<std::size_t> bad_lines; // starting lines of malformed rows, with their row
  std::vector<std::size_t> bad_rows, next_lines;
  while (reader.next(record)) {
    if (!next_lines.empty() && next_lines.back() == 0)
      next_lines.back() = record.line;
    ScheduleRow row;
    row.cells = record.fields;
    if (record.error) {
      bad_rows.push_back(doc.rows.size());
      bad_lines.push_back(record.line);
      next_lines.push_back(0);
    } else if (blank(row)) {
      continue;
    }
    doc.rows.push_back(std::move(row));
  }
  if (!bad_rows.empty()) {
    // A malformed row is kept as its lines read: written back unchanged, it
    // is refused again with the same diagnosis.
    const std::vector<std::string> lines = decoded_lines(bytes, reader.encoding());
    for (std::size_t k = 0; k < bad_rows.size(); ++k) {
      std::size_t first = bad_lines[k] - 1, end = next_lines[k] ? next_lines[k] - 1 : lines.size();
      while (end > first + 1 && end <= lines.size() && lines[end - 1].empty())
        --end;
      std::string raw;
      for (std::size_t i = first; i < end && i < lines.size(); ++i) {
        if (i > first)
          raw += "\r\n";
        raw += lines[i];
      }
      doc.rows[bad_rows[k]].raw = raw.empty() ? std::string(",") : raw;
    }
  }
  return {};
}

std::string schedule_text(const ScheduleDocument &doc) {
  std::string out(kUtf8Bom);
  const auto row_text = [&](const std::vector<std::string> &cells) {
    for (std::size_t i = 0; i < doc.columns.size() || i < cells.size(); ++i) {
      if (i > 0)
        out += ',';
      if (i < cells.size())
        append_cell(out, cells[i]);
    }
    out += "\r\n";
  };
  row_text(doc.columns);
  for (const ScheduleRow &row : doc.rows) {
    if (!row.raw.empty()) {
      out += row.raw;
      out += "\r\n";
    } else {
      row_text(row.cells);
    }
  }
  return out;
}

std::string verdict_table(const ScheduleDocument &doc, const std::string &now) {
  std::vector<std::size_t> kept;
  std::istringstream in{batch_input(doc, kept)};
  std::ostringstream table, diagnostics;
  BatchOptions options;
  options.now = now;
  run_batch(in, table, diagnostics, options);
  return std::string(kUtf8Bom) + table.str();
}

std::vector<RowVerdict> evaluate(const ScheduleDocument &doc, const std::string &now) {
  std::vector<RowVerdict> verdicts(doc.rows.size());
  std::vector<std::size_t> kept;
  std::istringstream in{batch_input(doc, kept)};
  std::ostringstream diagnostics;
  // The results in input order: the k-th is the k-th row the batch kept.
  class Collect : public ResultSink {
  public:
    Collect(std::vector<RowVerdict> &verdicts, const std::vector<std::size_t> &kept)
        : verdicts_(verdicts), kept_(kept) {}
    void write(const ItemResult &r) override {
      if (next_ >= kept_.size())
        return;
      RowVerdict &v = verdicts_[kept_[next_++]];
      v.result = r;
      v.status = r.status == ItemStatus::Ok          ? RowVerdict::Status::Passed
                 : r.status == ItemStatus::Shortfall ? RowVerdict::Status::Shortfall
                                                     : RowVerdict::Status::Refused;
      v.message = r.message;
    }

  private:
    std::vector<RowVerdict> &verdicts_;
    const std::vector<std::size_t> &kept_;
    std::size_t next_ = 0;
  } collect(verdicts, kept);
  for (RowVerdict &v : verdicts)
    v.message = "空の行です。";
  BatchOptions options;
  options.now = now;
  const BatchCounts counts = run_batch(in, collect, diagnostics, options);
  if (counts.file_error) {
    std::string text = diagnostics.str();
    text = text.substr(0, text.find('\n'));
    for (RowVerdict &v : verdicts) {
      v = RowVerdict{};
      v.message = text;
    }
  }
  return verdicts;
}

} // namespace zelvaro::batch
