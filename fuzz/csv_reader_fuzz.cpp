// The batch mode's CSV reader on arbitrary bytes.
//
// Input: 4 option bytes, then the CSV text.
//   byte 0  encoding: Auto, UTF-8, CP932 (mod 3)
//   byte 1  bytes read from the stream at a time: 1 + byte % 64
//   byte 2  0: the usual record limit (1 MiB); else a limit of 8 + byte bytes
//   byte 3  bits 0-2: fields expected (0 any, 7 as many as the first
//           record has); bit 3: a 16-byte look-ahead for the encoding
//
// Invariants:
//  - no crash, no sanitizer finding, no endless loop;
//  - every row accounted for: the first record starts on the first line
//    that is not empty; a well-formed record spans its own line plus one line
//    for every line break inside its quoted fields, a bad record one line
//    (reading resumes on the next); each next record starts on the first
//    line after that which is not empty; no line after the last record
//    holds anything; line numbers rise;
//  - every field is well-formed UTF-8;
//  - the records do not depend on how many bytes are read at a time, nor on
//    whether they are read as views (the batch's way) or as copies;
//  - text without quotes: the records are the lines that are not empty,
//    split at the commas (compared exactly when it is all ASCII);
//  - when every record is well-formed, writing them out again as CSV (every
//    field quoted) and reading that gives the same fields.
#include "fuzz/fuzz_check.h"
#include "schedule/csv_reader.h"
#include "schedule/text_encoding.h"

#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace zelvaro::fuzz {
namespace {

using batch::CsvReader;
using batch::CsvReaderOptions;
using batch::CsvRecord;
using batch::Encoding;

struct Setup {
  Encoding encoding = Encoding::Auto;
  CsvReaderOptions options;
  unsigned expect = 0;
  bool usual_limits = true;
};

std::vector<CsvRecord> read_all(std::string_view text, const Setup &setup) {
  std::istringstream in(std::string(text), std::ios::binary);
  CsvReader reader(in, setup.encoding, setup.options);
  if (setup.expect != 0 && setup.expect != 7)
    reader.expect_fields(setup.expect);
  std::vector<CsvRecord> records;
  CsvRecord record;
  while (reader.next(record)) {
    records.push_back(record);
    if (records.size() == 1 && setup.expect == 7)
      reader.expect_fields(record.fields.size());
    // Each record starts on a line of its own.
    FUZZ_REQUIRE(records.size() <= text.size() + 1, text);
  }
  return records;
}

// The same through the reader's views (the batch's way), each record copied
// before the next one is read.
std::vector<CsvRecord> read_all_as_views(std::string_view text, const Setup &setup) {
  std::istringstream in(std::string(text), std::ios::binary);
  CsvReader reader(in, setup.encoding, setup.options);
  if (setup.expect != 0 && setup.expect != 7)
    reader.expect_fields(setup.expect);
  std::vector<CsvRecord> records;
  batch::CsvRecordView view;
  while (reader.next(view)) {
    CsvRecord &copy = records.emplace_back();
    copy.line = view.line;
    copy.fields.assign(view.fields.begin(), view.fields.end());
    copy.error = view.error;
    if (records.size() == 1 && setup.expect == 7)
      reader.expect_fields(view.fields.size());
    FUZZ_REQUIRE(records.size() <= text.size() + 1, text);
  }
  return records;
}

std::string describe(const std::vector<CsvRecord> &records) {
  std::string d;
  for (const CsvRecord &r : records) {
    d += "line " + std::to_string(r.line) + " [" + to_string(r.error) + "]";
    for (const std::string &f : r.fields)
      d += " |" + f;
    d += "\n";
  }
  return d;
}

bool same(const std::vector<CsvRecord> &a, const std::vector<CsvRecord> &b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i].line != b[i].line || a[i].fields != b[i].fields || a[i].error != b[i].error)
      return false;
  return true;
}

// Physical lines; CR LF, LF and a lone CR each end one.
std::vector<std::string_view> physical_lines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n')
      continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
      ++i;
    start = i + 1;
  }
  lines.push_back(text.substr(start));
  return lines;
}

std::size_t line_breaks(const std::vector<std::string> &fields) {
  std::size_t n = 0;
  for (const std::string &f : fields)
    n += physical_lines(f).size() - 1;
  return n;
}

void check_accounting(std::string_view text, const std::vector<CsvRecord> &records) {
  const auto lines = physical_lines(text);
  const auto first_filled = [&](std::size_t from) { // 1-based; lines.size() + 1 when none
    while (from <= lines.size() && lines[from - 1].empty())
      ++from;
    return from;
  };
  std::size_t next = 1;
  for (const CsvRecord &r : records) {
    FUZZ_REQUIRE(r.line == first_filled(next), describe(records));
    FUZZ_REQUIRE(r.line <= lines.size(), describe(records));
    next = r.line + 1 + (!r.error ? line_breaks(r.fields) : 0);
    for (const std::string &f : r.fields)
      FUZZ_REQUIRE(batch::find_invalid_utf8(f) == std::string::npos, f);
  }
  FUZZ_REQUIRE(first_filled(next) > lines.size(), describe(records));
}

void check_without_quotes(std::string_view text, const std::vector<CsvRecord> &records) {
  std::vector<std::string_view> rows;
  for (std::string_view line : physical_lines(text))
    if (!line.empty())
      rows.push_back(line);
  FUZZ_REQUIRE(rows.size() == records.size(), describe(records));
  const bool ascii = batch::is_ascii(text);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    std::vector<std::string> fields;
    std::string_view row = rows[i];
    for (;;) {
      const std::size_t comma = row.find(',');
      fields.emplace_back(row.substr(0, comma));
      if (comma == std::string_view::npos)
        break;
      row.remove_prefix(comma + 1);
    }
    FUZZ_REQUIRE(fields.size() == records[i].fields.size(), describe(records));
    if (ascii && !records[i].error) // a refused byte (NUL) is shown replaced
      FUZZ_REQUIRE(fields == records[i].fields, describe(records));
  }
}

void check_written_again(const std::vector<CsvRecord> &records) {
  std::string csv;
  for (const CsvRecord &r : records) {
    for (std::size_t i = 0; i < r.fields.size(); ++i) {
      csv += i ? ",\"" : "\"";
      for (char c : r.fields[i]) {
        if (c == '"')
          csv += '"';
        csv += c;
      }
      csv += '"';
    }
    csv += "\r\n";
  }
  Setup utf8;
  utf8.encoding = Encoding::Utf8;
  const auto again = read_all(csv, utf8);
  FUZZ_REQUIRE(again.size() == records.size(), csv + "\n" + describe(again));
  for (std::size_t i = 0; i < again.size(); ++i) {
    FUZZ_REQUIRE(!again[i].error, csv + "\n" + describe(again));
    FUZZ_REQUIRE(again[i].fields == records[i].fields, csv + "\n" + describe(again));
  }
}

} // namespace
} // namespace zelvaro::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace zelvaro::fuzz;
  if (size < 4)
    return -1; // not kept in the corpus
  Setup setup;
  setup.encoding = static_cast<Encoding>(data[0] % 3);
  setup.options.buffer_bytes = 1 + data[1] % 64;
  if (data[2] != 0) {
    setup.options.max_record_bytes = 8 + data[2];
    setup.usual_limits = false;
  }
  setup.expect = data[3] & 7;
  if (data[3] & 8) {
    setup.options.sniff_bytes = 16;
    setup.usual_limits = false;
  }
  const std::string_view text(reinterpret_cast<const char *>(data) + 4, size - 4);

  const auto records = read_all(text, setup);
  const auto as_views = read_all_as_views(text, setup);
  FUZZ_REQUIRE(same(records, as_views), describe(records) + "=== as views ===\n" + describe(as_views));
  const std::string_view body = text.starts_with(zelvaro::batch::kUtf8Bom) ? text.substr(3) : text;
  check_accounting(body, records);

  if (setup.usual_limits) {
    Setup big = setup;
    big.options.buffer_bytes = 64 * 1024;
    const auto in_one_read = read_all(text, big);
    FUZZ_REQUIRE(same(records, in_one_read),
                 describe(records) + "=== read at once ===\n" + describe(in_one_read));
  }
  if (body.find('"') == std::string_view::npos && setup.usual_limits)
    check_without_quotes(body, records);

  bool all_good = !records.empty();
  for (const auto &r : records)
    all_good = all_good && !r.error;
  if (all_good)
    check_written_again(records);
  return 0;
}
