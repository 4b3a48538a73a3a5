#pragma once

// The batch mode of zelvaro-check: an equipment schedule (CSV, one item a
// row) in, a verdict table (CSV) out, each row calculated exactly as
// `zelvaro-check --shape ... NAME=TEXT ...` calculates one case.
//
// The schedule:
//  - a header row of column names, matched exactly (letter case counts):
//    `id` (the item label, any text), `shape`, `anchor`, `material` (the
//    values of the --shape, --anchor and --material options) and the field
//    names of the single case (M KH Z P W n nt n1 n2 LG HG L D H L1 L2 L1G L2G
//    L3G N a F), and `equipment` (the equipment name for the sheets' title
//    block). Any other name, or a name given twice, makes the whole
//    file unusable; columns with an empty name are ignored;
//  - a missing field column takes the single-case default (KH 2.0, Z 1.0,
//    P N a F 0; the diameter M has none); an empty cell is an empty field
//    and is refused as a blank, as in the window; cells are not trimmed;
//  - the cells of fields that a row's shape does not read are ignored, so
//    one table can hold every shape;
//  - rows of only empty cells (what a spreadsheet writes for formatted but
//    empty rows) are skipped without a row in the table;
//  - a row with another number of cells than the header, or malformed
//    quoting, is refused with the reader's diagnosis.
//
// The table (UTF-8, CR LF, RFC 4180 quoting) has the columns of
// TableHeader, one row per item in input order. Numbers are written with the
// report's number_text; line breaks inside messages become one space.
// Memory stays flat: one row is held at a time.

#include "capture/field_reader.h"
#include "capture/sheet_names.h"
#include "engine/calculate.h"
#include "engine/seismic_calc_state.h"
#include "schedule/batch_texts.h"
#include "schedule/csv_reader.h"
#include "schedule/item_result.h"
#include "schedule/result_sinks.h"
#include "schedule/text_encoding.h"

#include <chrono>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelvaro::batch {

// Where the sheet of each calculated item goes (--pdf DIR).
class SheetSink {
public:
  virtual ~SheetSink() = default;
  // The item just calculated: `result` its line, id, verdicts and
  // suggestions, `row` the names of its equipment, project and checker
  // cells (empty without such a column), `s` its selections and results,
  // `outcome` its report and advice, `fields` the texts it was calculated
  // from. Throws std::runtime_error when the sheet cannot be stored.
  virtual void write(const ItemResult &result, const SheetNames &row, const SeismicCalcState &s,
                     const CalcOutcome &outcome, const FieldReader &fields) = 0;
  // After the last row: makes what was written durable; throws like write().
  virtual void finish() {}
};

// Where the full report of each calculated item goes (--reports).
class ReportSink {
public:
  virtual ~ReportSink() = default;
  // `report` is the result box's text (CR LF line breaks) of the item on
  // input line `line` labelled `id`. Throws std::runtime_error when it cannot
  // be stored.
  virtual void write(std::size_t line, std::string_view id, std::string_view report) = 0;
  // After the last row: makes what was written durable; throws like write().
  virtual void finish() {}
};

// Writes each report as DIR/report_file_name(line, id, extension). The folder
// is created if missing. Files are written relative to the folder, by a single
// safe name component, under a temporary name renamed when complete (an
// existing name, even a link, is replaced, never written through), so nothing
// outside the folder is ever written, whatever the id holds, and no file cut
// short bears a report's name. finish() syncs the folder's file system once
// (a sync per file would cost hours on a million reports) and unlocks it.
//
// The folder is locked (LockFileName, flock; the file is removed at the end)
// for the run: a second batch into it is refused at once. A folder holding anything but the lock file is
// refused too, as its files would pass for this run's, unless `replace`:
// then the files of the report naming pattern with this extension (and
// temporary files of an interrupted run) are removed first, other files kept.
class ReportFiles : public ReportSink {
public:
  // Throws std::runtime_error (said in `texts`) when the folder cannot be
  // created, opened or locked, or is not empty without `replace`; write()
  // and finish() say their errors in `texts` too.
  explicit ReportFiles(const std::filesystem::path &dir, std::string extension = ".txt", bool replace = false,
                       const BatchTexts &texts = default_texts());
  ~ReportFiles() override;
  ReportFiles(const ReportFiles &) = delete;
  ReportFiles &operator=(const ReportFiles &) = delete;
  void write(std::size_t line, std::string_view id, std::string_view report) override;
  void finish() override;

private:
  void unlock();
  void release();
  std::filesystem::path dir_;
  std::string extension_;
  BatchTexts texts_;
  int dir_fd_ = -1;
  int lock_fd_ = -1; // -1 when another ReportFiles of this run holds the folder's lock
};

inline constexpr const char *LockFileName = ".zelvaro-check.lock";

// Whether `name` is of the naming pattern of report_file_name with `extension`.
bool is_report_file_name(std::string_view name, std::string_view extension);

struct BatchOptions {
  Encoding encoding = Encoding::Auto;
  std::string now;               // date and time of the report headers (one per run)
  ReportSink *reports = nullptr; // full reports too, when set
  SheetSink *sheets = nullptr;   // calculation sheets too, when set
  // Called every `progress_every` input records with the records read so far.
  std::function<void(std::size_t records)> progress;
  std::size_t progress_every = 4096;
  // When it holds a signal number, the batch ends at the next row boundary.
  const volatile std::sig_atomic_t *stop = nullptr;
  // Consecutive rows whose report or sheet could not be written before the
  // batch gives up (a full disk fails every one of them).
  std::size_t max_write_failures = 20;
  // What the batch says on `diagnostics`; the table's cells keep the defaults.
  BatchTexts texts;
};

struct BatchCounts {
  std::size_t items = 0;
  std::size_t passed = 0;
  std::size_t shortfalls = 0;
  std::size_t refused = 0;
  std::size_t write_errors = 0; // rows calculated whose report or sheet could not be written (status "error")
  bool file_error = false;      // the header or the input could not be read, or the table written
  int stopped_by = 0;           // the signal that ended the batch early, or 0
};

// Runs a schedule: one typed result per item, in input order, to `results`
// and, to `diagnostics`, one line per refused row (line number, id,
// message), any file-level error and the closing summary line. A result
// sink that throws ResultWriteFailed ends the batch with a file error.
BatchCounts run_batch(std::istream &in, ResultSink &results, std::ostream &diagnostics,
                      const BatchOptions &options);
// The same with the verdict table (CsvTable) written to `table`.
BatchCounts run_batch(std::istream &in, std::ostream &table, std::ostream &diagnostics,
                      const BatchOptions &options);

// 0 every item passed, 1 some check failed, 2 a row was refused, a file
// could not be read or written; 128 + the signal's number when SIGINT or
// SIGTERM ended the batch (130, 143).
int exit_status(const BatchCounts &counts);

// `text` safe to show on a terminal: control characters (C0, DEL, C1) are
// written as \x1b or \u009b, so a schedule cannot send escape sequences, and
// the bidi controls and line separators (U+202A to U+202E, U+2066 to U+2069,
// U+2028, U+2029) as \u202e, so it cannot reorder what a line shows.
std::string terminal_text(std::string_view text);
void append_terminal_text(std::string &out, std::string_view text);

// A CsvRecord::error in words, with the column names of the header
// (`columns` may be shorter than the record).
std::string reader_error_text(const CsvError &error, const std::vector<std::string> &columns,
                              const BatchTexts &texts = default_texts());

// Why a schedule's header row cannot be used.
struct HeaderError {
  enum class Kind { Unreadable, NameTwice, UnknownName };
  Kind kind = Kind::Unreadable;
  std::size_t line = 0;            // the header's line
  CsvError reader;                 // Unreadable: the reader's diagnosis
  std::vector<std::string> fields; // Unreadable: the cells read, to name the column
  std::string name;                // NameTwice, UnknownName: the column's name
  std::size_t column = 0;          // NameTwice, UnknownName: the column (from 1)
  std::size_t first = 0;           // NameTwice: the column that gave the name first
};

// Whether the batch can use `header` (the first record of a schedule).
std::optional<HeaderError> header_error(const CsvRecord &header);
std::string header_error_text(const HeaderError &error, const BatchTexts &texts = default_texts());

} // namespace zelvaro::batch
