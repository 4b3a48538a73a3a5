#include "schedule/schedule_document.h"

#include "capture/single_case.h"
#include "engine/shape_procedure.h"
#include "schedule/batch.h"
#include "schedule/csv_reader.h"
#include "schedule/fd_streams.h"
#include "schedule/result_sinks.h"

#include <algorithm>
#include <istream>

namespace zelvaro::batch {

namespace {

// Where each physical line of `bytes` starts, counted as the reader counts
// them (CR LF, LF or a lone CR ends a line), and the end of the bytes.
std::vector<std::size_t> line_starts(std::string_view bytes) {
  std::vector<std::size_t> starts{0};
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\r' && bytes[i] != '\n')
      continue;
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
      ++i;
    starts.push_back(i + 1);
  }
  if (starts.back() != bytes.size())
    starts.push_back(bytes.size());
  return starts;
}

// A refused row of a CP932 file in the UTF-8 the project is saved in: its
// characters converted, every byte that is no CP932 left as it was (and
// refused again for it).
std::string kept_as_utf8(std::string_view raw, Cp932Decoder &decoder) {
  std::string out;
  while (!raw.empty()) {
    const std::size_t bad = decoder.decode(raw, out);
    if (bad == std::string_view::npos)
      break;
    out += raw[bad];
    raw.remove_prefix(bad + 1);
  }
  return out;
}

std::size_t line_breaks(std::string_view text) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')))
      ++n;
  return n;
}

bool blank(const ScheduleRow &row) {
  return row.raw.empty() && row.cells.blank();
}

} // namespace

void RowCells::push_back(std::string_view text) {
  bytes_.append(text);
  ends_.push_back(static_cast<std::uint32_t>(bytes_.size()));
}

void RowCells::resize(std::size_t n) {
  if (n < ends_.size()) {
    bytes_.resize(n == 0 ? 0 : ends_[n - 1]);
    ends_.resize(n);
  }
  ends_.resize(n, static_cast<std::uint32_t>(bytes_.size()));
}

void RowCells::set(std::size_t i, std::string_view text) {
  const std::size_t from = i == 0 ? 0 : ends_[i - 1], size = ends_[i] - from;
  bytes_.replace(from, size, text);
  const auto grown = static_cast<std::uint32_t>(text.size() - size); // modulo 2^32, as the offsets
  for (std::size_t k = i; k < ends_.size(); ++k)
    ends_[k] += grown;
}

std::optional<std::size_t> ScheduleDocument::column(std::string_view name) const {
  const auto c = std::find(columns.begin(), columns.end(), name);
  return c == columns.end() ? std::nullopt : std::optional(static_cast<std::size_t>(c - columns.begin()));
}

std::size_t ScheduleDocument::add_column(std::string_view name) {
  if (const auto c = column(name))
    return *c;
  columns.emplace_back(name);
  return columns.size() - 1;
}

std::string_view cell_of(const std::vector<std::string> &columns, const ScheduleRow &row,
                         std::string_view name) {
  const auto c = static_cast<std::size_t>(std::find(columns.begin(), columns.end(), name) - columns.begin());
  return c < row.cells.size() && c < columns.size() ? row.cells[c] : std::string_view();
}

std::string_view ScheduleDocument::cell(const ScheduleRow &row, std::string_view name) const {
  return cell_of(columns, row, name);
}

void set_cell(std::vector<std::string> &columns, ScheduleRow &row, std::string_view name,
              std::string_view text) {
  auto c = static_cast<std::size_t>(std::find(columns.begin(), columns.end(), name) - columns.begin());
  if (c == columns.size())
    columns.emplace_back(name);
  if (row.cells.size() < columns.size())
    row.cells.resize(columns.size());
  row.cells.set(c, text);
  row.raw.clear();
}

void ScheduleDocument::set(ScheduleRow &row, std::string_view name, std::string_view text) {
  set_cell(columns, row, name, text);
}

void set_inputs(std::vector<std::string> &columns, ScheduleRow &row, const RowInputs &in) {
  set_cell(columns, row, "shape", cases::shape_option(in.shape));
  set_cell(columns, row, "anchor", cases::spelling_of(cases::AnchorSpellings, in.anchor));
  set_cell(columns, row, "material", cases::spelling_of(cases::MaterialSpellings, in.material));
  if (in.shape == Shape::None)
    return;
  for (std::string_view name : cases::field_names())
    if (const auto slot = cases::slot_of(in.shape, name)) {
      const std::string &text = in.texts[static_cast<std::size_t>(*slot)];
      // A blank optional field (nt) adds no column to a file that has none.
      if (text.empty() && std::find(columns.begin(), columns.end(), name) == columns.end() &&
          field_binding(*shape_procedure(in.shape), *slot)->optional)
        continue;
      set_cell(columns, row, name, text);
    }
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
  return row_inputs(doc.columns, row);
}

RowInputs row_inputs(const std::vector<std::string> &columns, const ScheduleRow &row) {
  const auto cell = [&](std::string_view name) { return cell_of(columns, row, name); };
  const auto has = [&](std::string_view name) {
    return std::find(columns.begin(), columns.end(), name) != columns.end();
  };
  RowInputs in;
  const auto &defaults = cases::default_field_texts();
  for (std::size_t i = 0; i < in.texts.size(); ++i)
    in.texts[i] = defaults[i];
  in.shape = cases::shape_named(cell("shape")).value_or(Shape::None);
  in.anchor = cases::anchor_named(cell("anchor")).value_or(Anchor::None);
  in.material = cases::material_named(cell("material")).value_or(Material::None);
  if (in.shape == Shape::None)
    return in;
  for (std::string_view name : cases::field_names()) {
    const auto slot = cases::slot_of(in.shape, name);
    if (slot && has(name))
      in.texts[static_cast<std::size_t>(*slot)] = cell(name);
  }
  if (!has("M"))
    in.texts[static_cast<std::size_t>(InputSlot::Combo1)].clear(); // the diameter has no default
  return in;
}

std::string read_schedule(std::string_view bytes, ScheduleDocument &doc, Encoding encoding) {
  doc = ScheduleDocument{};
  // A workbook is a zip; UTF-16 starts with its byte order mark. Neither is
  // a CSV the batch reads, and their bytes would only show as garbage.
  if (bytes.starts_with("PK\x03\x04") || bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF"))
    return "CSV ではありません。\n" + std::string(SaveAsCsvAdvice);
  ViewInputBuf bytes_in(bytes);
  std::istream in(&bytes_in);
  CsvReader reader(in, encoding);
  CsvRecord header;
  if (!reader.next(header))
    return "見出し行がありません（ファイルが空です）。";
  // The batch decides whether the header is usable, with its own words.
  if (const std::optional<HeaderError> error = header_error(header))
    return header_error_text(*error);
  doc.columns = std::move(header.fields);
  reader.expect_fields(doc.columns.size());
  CsvRecordView record;

  // Every record's first line, blank ones included: a refused row's bytes
  // run from its first line to the next record's.
  std::vector<std::size_t> record_lines, kept;
  while (reader.next(record)) {
    record_lines.push_back(record.line);
    ScheduleRow row;
    row.cells.assign(record.fields);
    row.line = record.line;
    if (record.error) {
      kept.push_back(doc.rows.size());
      row.raw = " "; // set below
    } else if (blank(row)) {
      continue;
    }
    doc.rows.push_back(std::move(row));
  }
  if (!kept.empty()) {
    const std::vector<std::size_t> starts = line_starts(bytes);
    std::optional<Cp932Decoder> cp932;
    if (reader.encoding() == Encoding::Cp932)
      cp932.emplace();
    for (std::size_t k : kept) {
      ScheduleRow &row = doc.rows[k];
      const auto next = std::upper_bound(record_lines.begin(), record_lines.end(), row.line);
      const std::size_t from = starts[std::min(row.line - 1, starts.size() - 1)];
      const std::size_t to = next == record_lines.end() ? bytes.size() : starts[*next - 1];
      const std::string_view raw = bytes.substr(from, to - from);
      row.raw = cp932 ? kept_as_utf8(raw, *cp932) : std::string(raw);
      if (!row.raw.ends_with('\n') && !row.raw.ends_with('\r'))
        row.raw += "\r\n"; // the file's last line: a row, wherever it goes, ends with its line break
    }
  }
  return {};
}

void append_row(std::string &out, const std::vector<std::string> &columns, const ScheduleRow &row) {
  if (!row.raw.empty()) {
    out += row.raw;
    return;
  }
  for (std::size_t i = 0; i < columns.size() || i < row.cells.size(); ++i) {
    if (i > 0)
      out += ',';
    if (i < row.cells.size())
      append_cell(out, row.cells[i]);
  }
  out += "\r\n";
}

std::string schedule_text(const ScheduleDocument &doc, std::vector<std::size_t> *lines) {
  std::string out(kUtf8Bom);
  append_row(out, doc.columns, ScheduleRow{RowCells(doc.columns), {}, 0});
  std::size_t line = 1 + line_breaks(out);
  if (lines)
    lines->clear();
  for (const ScheduleRow &row : doc.rows) {
    const std::size_t at = out.size();
    append_row(out, doc.columns, row);
    if (lines) {
      lines->push_back(line);
      line += line_breaks(std::string_view(out).substr(at));
    }
  }
  return out;
}

} // namespace zelvaro::batch
