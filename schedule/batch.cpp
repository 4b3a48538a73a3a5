#include "schedule/batch.h"

#include "capture/advice.h"
#include "capture/single_case.h"
#include "schedule/csv_reader.h"
#include "schedule/safe_filename.h"

#include "files/atomic_file.h"
#include "schedule/fd_streams.h"
#include "schedule/result_sinks.h"

#include "capture/data_in.h"
#include "engine/checks.h"
#include "engine/number_text.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <istream>
#include <ostream>
#include <stdexcept>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace zelvaro::batch {

namespace {

using cases::CaseFieldViews;
using namespace std::string_view_literals;

// What a column of the schedule holds.
enum class ColumnKind { Ignored, Id, Shape, Anchor, Material, Equipment, Field };

struct Column {
  std::string name;
  ColumnKind kind = ColumnKind::Ignored;
};

struct Layout {
  std::vector<Column> columns;
  std::vector<std::string> names; // for the reader's diagnoses
  std::optional<std::size_t> id, shape, anchor, material, diameter, equipment, project, checker;
  // For each shape (index = Shape): the columns of the fields it reads, and
  // the slot each goes into.
  std::array<std::vector<std::pair<std::size_t, InputSlot>>, 6> reads;
};

// Reads the header row; returns why it cannot be used, or nothing.
std::optional<HeaderError> read_header(const CsvRecord &header, Layout &layout) {
  HeaderError error;
  error.line = header.line;
  if (header.error) {
    error.reader = header.error;
    error.fields = header.fields;
    return error;
  }
  layout.names = header.fields;
  for (std::size_t i = 0; i < header.fields.size(); ++i) {
    const std::string &name = header.fields[i];
    Column c;
    c.name = name;
    if (name.empty()) {
      layout.columns.push_back(std::move(c));
      continue;
    }
    error.name = name;
    error.column = i + 1;
    for (std::size_t j = 0; j < i; ++j)
      if (header.fields[j] == name) {
        error.kind = HeaderError::Kind::NameTwice;
        error.first = j + 1;
        return error;
      }
    std::optional<std::size_t> *role = nullptr;
    if (name == "id") {
      c.kind = ColumnKind::Id;
      role = &layout.id;
    } else if (name == "shape") {
      c.kind = ColumnKind::Shape;
      role = &layout.shape;
    } else if (name == "anchor") {
      c.kind = ColumnKind::Anchor;
      role = &layout.anchor;
    } else if (name == "material") {
      c.kind = ColumnKind::Material;
      role = &layout.material;
    } else if (name == "equipment") {
      c.kind = ColumnKind::Equipment;
      role = &layout.equipment;
    } else if (name == "project") { // the project's names, as the window writes them
      role = &layout.project;
    } else if (name == "checker") {
      role = &layout.checker;
    } else {
      bool known = false;
      for (std::string_view f : cases::field_names())
        known = known || f == name;
      if (!known) {
        error.kind = HeaderError::Kind::UnknownName;
        return error;
      }
      c.kind = ColumnKind::Field;
      for (const auto &[spelling, shape] : cases::ShapeSpellings)
        if (const auto slot = cases::slot_of(shape, name))
          layout.reads[static_cast<std::size_t>(shape)].emplace_back(i, *slot);
      if (name == "M")
        role = &layout.diameter;
    }
    if (role)
      *role = i;
    layout.columns.push_back(std::move(c));
  }
  return std::nullopt;
}

// Longer ids are refused, and shown cut to this length.
constexpr std::size_t MaxIdBytes = 1000;

std::string_view shown_id(std::string_view id) {
  if (id.size() <= MaxIdBytes)
    return id;
  std::size_t cut = MaxIdBytes; // not inside a UTF-8 character
  while (cut > 0 && (static_cast<unsigned char>(id[cut]) & 0xC0) == 0x80)
    --cut;
  return id.substr(0, cut);
}

std::string one_line(std::string_view text) {
  std::string out;
  append_one_line(out, text);
  return out;
}

// Why a row's selection cannot be used, or nothing. `what` is the member of
// BatchTexts that names the selection.
template <class T, std::size_t K>
std::optional<std::string>
selection(const CsvRecordView &row, std::optional<std::size_t> column, std::string_view name,
          std::string BatchTexts::*what, const cases::Spelling<T> (&spellings)[K],
          std::optional<T> (*named)(std::string_view), T &out, const BatchTexts &texts) {
  if (!column)
    return filled(texts.no_column, {name});
  const std::string_view cell = row.fields[*column];
  if (cell.empty())
    return filled(texts.empty_selection, {texts.*what, name, cases::spelling_list(spellings, " ")});
  const std::optional<T> v = named(cell);
  if (!v)
    return filled(texts.unknown_selection, {texts.*what, name, cell, cases::spelling_list(spellings, " ")});
  out = *v;
  return std::nullopt;
}

// "N行目（id X）: " for the terminal, the id shown escaped and cut.
void echo_row_line(std::string &echo, std::size_t line, std::string_view id, const BatchTexts &texts);

} // namespace

void append_terminal_text(std::string &out, std::string_view text) {
  constexpr char digits[] = "0123456789abcdef";
  // Eight bytes at a time: whether any is below 0x20, is 0x7F, 0xC2 or 0xE2.
  constexpr std::uint64_t ones = 0x0101010101010101, highs = 0x8080808080808080;
  const auto has_zero = [](std::uint64_t w) { return ((w - ones) & ~w & highs) != 0; };
  // The bidi controls and the line and paragraph separators (E2 80 A8 to
  // E2 81 A9) would reorder or break what the terminal shows of a line.
  const auto bidi = [](char32_t v) {
    return (v >= 0x202A && v <= 0x202E) || (v >= 0x2066 && v <= 0x2069) || v == 0x2028 || v == 0x2029;
  };
  std::size_t done = 0; // bytes of `text` already in `out`
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (i + 8 <= text.size() && i % 8 == 0) {
      std::uint64_t w;
      std::memcpy(&w, text.data() + i, 8);
      if (((w - 0x20 * ones) & ~w & highs) == 0 && !has_zero(w ^ (0x7F * ones)) &&
          !has_zero(w ^ (0xC2 * ones)) && !has_zero(w ^ (0xE2 * ones))) {
        i += 7;
        continue;
      }
    }
    const auto c = static_cast<unsigned char>(text[i]);
    // U+0080 to U+009F (C2 80 to C2 9F) are the 8-bit forms of ESC sequences (CSI, OSC).
    const CodePoint wide = c == 0xC2 || c == 0xE2 ? decode_utf8_at(text, i) : CodePoint{};
    const bool escaped =
        c < 0x20 || c == 0x7F || (c == 0xC2 && wide.value <= 0x9F) || (c == 0xE2 && bidi(wide.value));
    if (!escaped)
      continue;
    out.append(text, done, i - done);
    if (c >= 0x80) {
      const auto code = static_cast<unsigned>(wide.value);
      out += "\\u";
      for (int shift = 12; shift >= 0; shift -= 4)
        out += digits[(code >> shift) & 0xF];
      i += wide.size - 1;
    } else {
      out += "\\x";
      out += digits[c >> 4];
      out += digits[c & 0xF];
    }
    done = i + 1;
  }
  out.append(text, done);
}

std::string terminal_text(std::string_view text) {
  std::string out;
  append_terminal_text(out, text);
  return out;
}

namespace {
void echo_row_line(std::string &echo, std::size_t line, std::string_view id, const BatchTexts &texts) {
  char number[24];
  const char *end = std::to_chars(number, number + sizeof number, line).ptr;
  const std::string_view line_text(number, static_cast<std::size_t>(end - number));
  echo.clear();
  if (id.empty()) {
    append_filled(echo, texts.row, {line_text});
    return;
  }
  std::string shown;
  if (std::any_of(id.begin(), id.end(), [](char c) { return c == '\r' || c == '\n'; }))
    append_terminal_text(shown, one_line(shown_id(id)));
  else
    append_terminal_text(shown, shown_id(id));
  if (id.size() > MaxIdBytes)
    shown += "…"sv;
  append_filled(echo, texts.row_with_id, {line_text, shown});
}
} // namespace

std::string reader_error_text(const CsvError &error, const std::vector<std::string> &columns,
                              const BatchTexts &texts) {
  using Kind = CsvError::Kind;
  std::string text;
  if (error.field > 0) { // say which column that is
    const std::string field = std::to_string(error.field);
    if (error.field <= columns.size() && !columns[error.field - 1].empty())
      append_filled(text, texts.column_named, {field, columns[error.field - 1]});
    else
      append_filled(text, texts.column, {field});
  }
  const std::string count = std::to_string(error.count), byte = std::to_string(error.offset + 1);
  switch (error.kind) {
  case Kind::None:
    break;
  case Kind::QuoteInUnquotedText:
    text += texts.quote_in_unquoted;
    break;
  case Kind::QuoteOpenAtLineEnd:
    text += texts.quote_open_at_line_end;
    break;
  case Kind::TooManyFields:
    append_filled(text, texts.too_many_fields, {count});
    break;
  case Kind::NulByte:
    append_filled(text, texts.nul_byte, {byte});
    break;
  case Kind::ByteOrderMark:
    append_filled(text, texts.byte_order_mark, {byte});
    break;
  case Kind::TextAfterQuote:
    text += texts.text_after_quote;
    break;
  case Kind::QuoteOpenAtInputEnd:
    append_filled(text, texts.quote_open_at_end, {std::to_string(error.line)});
    break;
  case Kind::WrongFieldCount:
    append_filled(text, texts.wrong_field_count, {count, std::to_string(error.expected)});
    break;
  case Kind::TooLong:
    append_filled(text, texts.too_long, {count});
    break;
  case Kind::InvalidUtf8:
  case Kind::InvalidCp932: {
    constexpr char digits[] = "0123456789ABCDEF";
    const char hex[] = {digits[error.byte >> 4], digits[error.byte & 0xF]};
    append_filled(text, error.kind == Kind::InvalidCp932 ? texts.invalid_cp932 : texts.invalid_utf8,
                  {std::string_view(hex, 2), byte});
    break;
  }
  case Kind::Utf8BomReadAsCp932:
    text += texts.bom_read_as_cp932;
    break;
  }
  return text;
}

std::optional<HeaderError> header_error(const CsvRecord &header) {
  Layout layout;
  return read_header(header, layout);
}

std::string header_error_text(const HeaderError &error, const BatchTexts &texts) {
  switch (error.kind) {
  case HeaderError::Kind::Unreadable:
    return filled(texts.header_unreadable,
                  {std::to_string(error.line), reader_error_text(error.reader, error.fields, texts)});
  case HeaderError::Kind::NameTwice:
    return filled(texts.header_twice,
                  {error.name, std::to_string(error.first), std::to_string(error.column)});
  case HeaderError::Kind::UnknownName: {
    std::string all = "id shape anchor material equipment project checker";
    for (std::string_view f : cases::field_names()) {
      all += ' ';
      all += f;
    }
    return filled(texts.header_unknown, {error.name, std::to_string(error.column), all});
  }
  }
  return {};
}

bool is_report_file_name(std::string_view name, std::string_view extension) {
  if (!name.ends_with(extension))
    return false;
  name.remove_suffix(extension.size());
  std::size_t digits = 0;
  while (digits < name.size() && name[digits] >= '0' && name[digits] <= '9')
    ++digits;
  return digits >= 6 && (digits == name.size() || (name[digits] == '_' && digits + 1 < name.size()));
}

namespace {
// The folders this process has locked, so that --reports and --pdf may name
// the same folder.
std::vector<std::pair<dev_t, ino_t>> &locked_folders() {
  static std::vector<std::pair<dev_t, ino_t>> folders;
  return folders;
}
} // namespace

ReportFiles::ReportFiles(const std::filesystem::path &dir, std::string extension, bool replace,
                         const BatchTexts &texts)
    : dir_(dir), extension_(std::move(extension)), texts_(texts) {
  const std::string folder = dir.string();
  const auto failed = [&](const std::string &text, int error) {
    return std::runtime_error(filled(text, {folder, texts_.system_error(error)}));
  };
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  dir_fd_ = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir_fd_ < 0)
    throw failed(texts_.folder_open, errno);
  try {
    struct stat st;
    if (::fstat(dir_fd_, &st) != 0)
      throw failed(texts_.folder_open, errno);
    const std::pair key{st.st_dev, st.st_ino};
    auto &locked = locked_folders();
    if (std::find(locked.begin(), locked.end(), key) == locked.end()) {
      // The lock file is removed when a run ends: a lock taken on a file
      // that lost its name meanwhile is taken again on the new one.
      for (bool held = false; !held;) {
        lock_fd_ = ::openat(dir_fd_, LockFileName, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (lock_fd_ < 0)
          throw failed(texts_.folder_write, errno);
        if (::flock(lock_fd_, LOCK_EX | LOCK_NB) != 0)
          throw std::runtime_error(filled(texts_.folder_busy, {folder}));
        struct stat mine, named;
        held = ::fstat(lock_fd_, &mine) == 0 &&
               ::fstatat(dir_fd_, LockFileName, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
               mine.st_ino == named.st_ino;
        if (!held) {
          ::close(lock_fd_);
          lock_fd_ = -1;
        }
      }
      locked.push_back(key);
    }
    // Only what is in the folder now: a dup, as closedir() closes its descriptor.
    DIR *listing = ::fdopendir(::dup(dir_fd_));
    if (!listing)
      throw failed(texts_.folder_read, errno);
    std::string other;
    int error = 0;
    while (const dirent *entry = ::readdir(listing)) {
      const std::string_view name = entry->d_name;
      if (name == "." || name == ".." || name == LockFileName)
        continue;
      const auto own = [this](std::string_view n) { return is_report_file_name(n, extension_); };
      if (replace && (own(name) || is_temporary_of(name, own)) && entry->d_type != DT_DIR) {
        if (::unlinkat(dir_fd_, entry->d_name, 0) != 0 && errno != ENOENT && error == 0)
          error = errno;
      } else if (other.empty()) {
        other = name;
      }
    }
    ::closedir(listing);
    if (error != 0)
      throw failed(texts_.folder_clear, error);
    if (!replace && !other.empty())
      throw std::runtime_error(filled(texts_.folder_not_empty, {folder, other}));
  } catch (...) {
    release();
    throw;
  }
}

ReportFiles::~ReportFiles() {
  release();
}

void ReportFiles::unlock() {
  if (lock_fd_ < 0)
    return;
  ::unlinkat(dir_fd_, LockFileName, 0); // while still held: see the constructor
  struct stat st;
  if (::fstat(dir_fd_, &st) == 0)
    std::erase(locked_folders(), std::pair{st.st_dev, st.st_ino});
  ::close(lock_fd_);
  lock_fd_ = -1;
}

void ReportFiles::release() {
  unlock();
  if (dir_fd_ >= 0)
    ::close(dir_fd_);
  dir_fd_ = -1;
}

void ReportFiles::write(std::size_t line, std::string_view id, std::string_view report) {
  const std::string name = report_file_name(line, id, extension_);
  if (!is_safe_file_name(name)) // report_file_name promises this; never write otherwise
    throw std::runtime_error(filled(texts_.report_name, {std::to_string(line)}));
  if (const int error = write_file_atomically(dir_fd_, name, report, false))
    throw std::runtime_error(
        filled(texts_.report_write, {(dir_ / name).string(), texts_.system_error(error)}));
}

void ReportFiles::finish() {
#ifdef __EMSCRIPTEN__
  // The WebAssembly build has no syncfs: the folder's own entry is synced,
  // which node passes on to the system.
  const int error = ::fsync(dir_fd_) == 0 ? 0 : errno;
#else
  const int error = ::syncfs(dir_fd_) == 0 ? 0 : errno;
#endif
  unlock();
  if (error != 0)
    throw std::runtime_error(filled(texts_.folder_sync, {dir_.string(), texts_.system_error(error)}));
}

BatchCounts run_batch(std::istream &in, std::ostream &table, std::ostream &diagnostics,
                      const BatchOptions &options) {
  CsvTable csv(table);
  return run_batch(in, csv, diagnostics, options);
}

namespace {

// Turns each record of a schedule into its typed result: the row's refusal
// (the reader's diagnosis, an id too long, a selection it cannot use) or
// the single case's calculation. Keeps the working state of a run.
class RowJudge {
public:
  RowJudge(const Layout &layout, const BatchOptions &options, bool want_inputs)
      : layout_(layout), options_(options), texts_(options.texts), same_texts_(texts_ == default_texts()),
        want_inputs_(want_inputs) {}

  // Judges `record` into `result`; a calculated row's state, outcome and
  // fields stay in the members below until the next call.
  void judge(const CsvRecordView &record, ItemResult &result) {
    id = layout_.id && *layout_.id < record.fields.size() ? record.fields[*layout_.id] : std::string_view();
    result.line = record.line;
    result.id.assign(shown_id(id));
    result.message.clear();
    result.suggestions.clear();
    if (want_inputs_) {
      result.inputs.clear();
      for (std::size_t i = 0; i < layout_.columns.size() && i < record.fields.size(); ++i)
        if (!layout_.columns[i].name.empty() && layout_.columns[i].kind != ColumnKind::Id)
          result.inputs.emplace_back(layout_.columns[i].name, record.fields[i]);
    }
    said_ = nullptr;
    refusal_said_.reset();
    result.status = ItemStatus::Refused; // unless calculated below
    if (record.error) {
      // A damaged or hostile file repeats one diagnosis line after line: translate it once.
      if (record.error != reader_error_) {
        reader_error_ = record.error;
        reader_refusal_ = reader_error_text(record.error, layout_.names, default_texts());
        reader_refusal_said_ =
            same_texts_ ? reader_refusal_ : reader_error_text(record.error, layout_.names, texts_);
      }
      result.message = reader_refusal_;
      said_ = &reader_refusal_said_;
    } else if (std::optional<std::string> why = refusal(record, default_texts())) {
      if (!same_texts_)
        refusal_said_ = refusal(record, texts_);
      result.message = std::move(*why);
      said_ = refusal_said_ ? &*refusal_said_ : &result.message;
    } else {
      // The same steps as zelvaro-check for one case.
      fields.reset();
      for (const auto &[column, slot] : layout_.reads[static_cast<std::size_t>(shape_)])
        fields.set(slot, record.fields[column]);
      if (!layout_.diameter)
        fields.set(InputSlot::Combo1, ""); // the diameter has no default
      cases::prepare_state(state, shape_, anchor_, material_);
      cases::run_case(state, fields, options_.now,
                      options_.reports || options_.sheets ? ReportText::Full : ReportText::Verdicts, outcome);
      take_outcome(result, state, outcome);
      said_ = &result.message;
      if (result.calculated() && outcome.message)
        result.suggestions = advice_.suggestions(state, fields, outcome);
    }
    if (!result.calculated())
      clear_figures(result);
  }

  // A refused row's reason in the diagnostics' words, escaped for the terminal.
  const std::string &refusal_echo() {
    if (*said_ != echo_text_) { // else the same refusal as the last one: its echo is ready
      echo_text_ = *said_;
      echo_.clear();
      append_terminal_text(echo_, echo_text_);
    }
    return echo_;
  }

  std::string_view id; // of the record judged last
  SeismicCalcState state;
  CaseFieldViews fields; // of the record judged last
  CalcOutcome outcome;

private:
  // The row's own refusal in the given words, or nothing (shape_, anchor_,
  // material_ then hold its selections).
  std::optional<std::string> refusal(const CsvRecordView &record, const BatchTexts &words) {
    if (id.size() > MaxIdBytes)
      return filled(words.id_too_long, {std::to_string(id.size()), std::to_string(MaxIdBytes)});
    std::optional<std::string> why = selection(record, layout_.shape, "shape", &BatchTexts::shape_word,
                                               cases::ShapeSpellings, cases::shape_named, shape_, words);
    if (!why)
      why = selection(record, layout_.anchor, "anchor", &BatchTexts::anchor_word, cases::AnchorSpellings,
                      cases::anchor_named, anchor_, words);
    if (!why)
      why = selection(record, layout_.material, "material", &BatchTexts::material_word,
                      cases::MaterialSpellings, cases::material_named, material_, words);
    return why;
  }

  const Layout &layout_;
  const BatchOptions &options_;
  // A refusal is said twice: in the table's words (the defaults) and in the
  // diagnostics' words; the same two when the texts are the defaults.
  const BatchTexts &texts_;
  const bool same_texts_;
  const bool want_inputs_;
  Shape shape_{};
  Anchor anchor_{};
  Material material_{};
  cases::AdviceSearch advice_;
  CsvError reader_error_;
  std::string reader_refusal_, reader_refusal_said_;
  std::optional<std::string> refusal_said_;
  const std::string *said_ = nullptr;
  std::string echo_text_, echo_; // the last refusal said, and its echo
};

// The files of a calculated row (--reports, --pdf DIR); nothing, or why
// they could not be written.
std::optional<std::string> write_files(const BatchOptions &options, const Layout &layout,
                                       const CsvRecordView &record, const RowJudge &row,
                                       const ItemResult &result) {
  try {
    if (options.reports)
      options.reports->write(record.line, row.id, row.outcome.report);
    if (options.sheets) {
      const auto cell = [&](std::optional<std::size_t> column) {
        return std::string(column && *column < record.fields.size() ? record.fields[*column]
                                                                    : std::string_view());
      };
      options.sheets->write(result,
                            SheetNames{cell(layout.project), cell(layout.equipment), cell(layout.checker)},
                            row.state, row.outcome, row.fields);
    }
  } catch (const std::runtime_error &e) {
    return e.what();
  }
  return std::nullopt;
}

// The closing lines: where a signal stopped the run, and the counts.
void say_summary(std::ostream &diagnostics, BatchCounts &counts, const BatchOptions &options,
                 std::size_t line_reached) {
  const BatchTexts &texts = options.texts;
  if (options.stop && *options.stop != 0) { // even one caught after the last row: the user asked to stop
    counts.stopped_by = *options.stop;
    diagnostics << "zelvaro-check: "
                << filled(texts.stopped, {counts.stopped_by == SIGINT ? texts.sigint : texts.sigterm,
                                          std::to_string(line_reached)})
                << "\n";
  }
  std::string summary = "zelvaro-check: ";
  append_filled(summary, texts.counts,
                {std::to_string(counts.items), std::to_string(counts.passed),
                 std::to_string(counts.shortfalls), std::to_string(counts.refused)});
  if (counts.write_errors > 0)
    append_filled(summary, texts.counts_write_failures, {std::to_string(counts.write_errors)});
  diagnostics << summary << "\n";
}

} // namespace

BatchCounts run_batch(std::istream &in, ResultSink &results, std::ostream &diagnostics,
                      const BatchOptions &options) {
  BatchCounts counts;
  const BatchTexts &texts = options.texts;
  const auto file_error = [&](const std::string &text) {
    diagnostics << "zelvaro-check: " << terminal_text(text) << "\n";
    counts.file_error = true;
  };
  std::size_t line_reached = 0;   // the line of the last row read
  std::size_t write_failures = 0; // in a row
  bool stopped = false;

  try {
    CsvReader reader(in, options.encoding);
    CsvRecord header;
    if (!reader.next(header)) {
      file_error(texts.no_header);
      return counts;
    }
    line_reached = header.line;
    Layout layout;
    if (const auto bad = read_header(header, layout)) {
      file_error(header_error_text(*bad, texts));
      return counts;
    }
    reader.expect_fields(layout.columns.size());

    try {
      results.begin();
      RowJudge row(layout, options, results.wants_inputs());
      CsvRecordView record;
      ItemResult result; // reused: its texts keep their storage
      std::string echo;  // a line for the terminal
      std::size_t records = 0;
      const auto say = [&](std::string_view text) {
        echo_row_line(echo, record.line, row.id, texts);
        echo += text;
        echo += '\n';
        diagnostics.write(echo.data(), static_cast<std::streamsize>(echo.size()));
      };
      try {
        while (!stopped && reader.next(record)) {
          line_reached = record.line;
          if (options.progress && ++records % options.progress_every == 0)
            options.progress(records);
          bool blank = !record.error;
          for (std::size_t i = 0; blank && i < record.fields.size(); ++i)
            blank = record.fields[i].empty();
          if (blank)
            continue;

          ++counts.items;
          row.judge(record, result);
          if (!result.calculated()) {
            ++counts.refused;
            results.write(result);
            say(row.refusal_echo());
            stopped = options.stop && *options.stop != 0;
            continue;
          }
          // The files first: the row says whether they were written.
          const std::optional<std::string> write_error = write_files(options, layout, record, row, result);
          if (write_error) {
            ++counts.write_errors;
            result.status = ItemStatus::Error;
            result.message.insert(0, *write_error + (row.outcome.message ? " " : ""));
          } else {
            write_failures = 0;
            ++(result.status == ItemStatus::Shortfall ? counts.shortfalls : counts.passed);
          }
          results.write(result);
          if (write_error) {
            say(terminal_text(*write_error));
            if (++write_failures >= options.max_write_failures) {
              file_error(filled(texts.write_failures_stop,
                                {std::to_string(write_failures), std::to_string(record.line)}));
              break;
            }
          }
          stopped = options.stop && *options.stop != 0;
        }
      } catch (const batch::ReadInterrupted &) {
        stopped = true;
      } catch (const std::system_error &e) {
        file_error(filled(texts.read_failed_at,
                          {std::to_string(line_reached), texts.system_error(e.code().value())}));
      }
      if (counts.items == 0 && !counts.file_error && !stopped)
        diagnostics << "zelvaro-check: " << texts.no_rows << "\n";
      results.finish();
    } catch (const ResultWriteFailed &e) {
      file_error(
          filled(texts.table_write_failed,
                 {std::to_string(line_reached), e.error ? texts.system_error(e.error) : texts.write_failed}));
    }
  } catch (const std::system_error &e) {
    file_error(filled(texts.read_failed, {texts.system_error(e.code().value())}));
  } catch (const batch::ReadInterrupted &) {
    stopped = true;
  } catch (const std::exception &e) {
    file_error(filled(texts.cannot_continue, {e.what()}));
  }

  const auto finish = [&](auto *sink) {
    try {
      if (sink)
        sink->finish();
    } catch (const std::runtime_error &e) {
      file_error(e.what());
    }
  };
  finish(options.reports);
  finish(options.sheets);
  say_summary(diagnostics, counts, options, line_reached);
  return counts;
}

int exit_status(const BatchCounts &counts) {
  if (counts.stopped_by != 0)
    return 128 + counts.stopped_by;
  if (counts.file_error || counts.refused > 0 || counts.write_errors > 0)
    return 2;
  return counts.shortfalls > 0 ? 1 : 0;
}

} // namespace zelvaro::batch
