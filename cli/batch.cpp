#include "batch.h"

#include "csv_reader.h"
#include "safe_filename.h"
#include "single_case.h"

#include "checks.h"
#include "data_in.h"
#include "number_text.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <istream>
#include <ostream>
#include <stdexcept>
#include <unistd.h>

namespace zelvaro::batch {

namespace {

using cli::CaseFieldViews;

constexpr std::string_view LineEnd = "\r\n";
constexpr std::size_t FlushBytes = 64 * 1024;

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

// Reads the header row; returns an error text (Japanese) or nothing.
std::optional<std::string> read_header(const CsvRecord &header, Layout &layout) {
  if (!header.error.empty())
    return "見出し行（" + std::to_string(header.line) + "行目）を読めません: " +
           reader_error_text(header.error, header.fields);
  layout.names = header.fields;
  for (std::size_t i = 0; i < header.fields.size(); ++i) {
    const std::string &name = header.fields[i];
    Column c;
    c.name = name;
    if (name.empty()) {
      layout.columns.push_back(std::move(c));
      continue;
    }
    for (std::size_t j = 0; j < i; ++j)
      if (header.fields[j] == name)
        return "見出し行の列名 '" + name + "' が二度あります（" + std::to_string(j + 1) + "列目と" +
               std::to_string(i + 1) + "列目）。";
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
      for (std::string_view f : cli::field_names())
        known = known || f == name;
      if (!known) {
        std::string all = "id shape anchor material equipment project checker";
        for (std::string_view f : cli::field_names()) {
          all += ' ';
          all += f;
        }
        return "見出し行の列名 '" + name + "'（" + std::to_string(i + 1) +
               "列目）は使えません。使える列名（大文字と小文字は区別します）: " + all;
      }
      c.kind = ColumnKind::Field;
      for (int s = 1; s <= 5; ++s)
        if (const auto slot = cli::slot_of(static_cast<Shape>(s), name))
          layout.reads[static_cast<std::size_t>(s)].emplace_back(i, *slot);
      if (name == "M")
        role = &layout.diameter;
    }
    if (role)
      *role = i;
    layout.columns.push_back(std::move(c));
  }
  return std::nullopt;
}

// Whether a cell needs quotes: it holds a comma, a quote or a line break.
bool needs_quotes(std::string_view text) {
  if (text.size() < 64) { // such as ids: one look at each byte
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return c == ',' || c == '"' || c == '\r' || c == '\n'; });
  }
  // such as messages: one library search per character
  for (char c : {',', '"', '\r', '\n'})
    if (text.find(c) != std::string_view::npos)
      return true;
  return false;
}

void append_quoted(std::string &out, std::string_view text) {
  out += '"';
  for (std::size_t quote; (quote = text.find('"')) != std::string_view::npos; text.remove_prefix(quote + 1)) {
    out.append(text.data(), quote + 1);
    out += '"';
  }
  out += text;
  out += '"';
}

void append_cell(std::string &out, std::string_view text) {
  if (needs_quotes(text))
    append_quoted(out, text);
  else
    out += text;
}

// The verdict cells, one of four fixed texts, ready as cells.
std::string cell_text(std::string_view text) {
  std::string cell;
  append_cell(cell, text);
  return cell;
}
const std::string VerdictPassCell = cell_text(VerdictPass), VerdictFailCell = cell_text(VerdictFail);
const std::string BondSafeCell = cell_text(BondSafe), BondDangerCell = cell_text(BondDanger);

// A message on one line: each line break (CR LF, CR or LF) becomes a space.
void append_one_line(std::string &out, std::string_view text) {
  constexpr auto none = std::string_view::npos;
  std::size_t start = 0, cr = text.find('\r'), lf = text.find('\n');
  while (cr != none || lf != none) {
    const std::size_t i = cr < lf ? cr : lf;
    out.append(text.data() + start, i - start);
    out += ' ';
    start = i == cr && lf == cr + 1 ? i + 2 : i + 1;
    if (cr < start)
      cr = text.find('\r', start);
    if (lf < start)
      lf = text.find('\n', start);
  }
  out.append(text.data() + start, text.size() - start);
}

std::string one_line(std::string_view text) {
  std::string out;
  append_one_line(out, text);
  return out;
}

// Why a row's selection cannot be used, or nothing.
template <class T>
std::optional<std::string> selection(const CsvRecordView &row, std::optional<std::size_t> column,
                                     std::string_view name, std::string_view what, std::string_view values,
                                     std::optional<T> (*parse)(std::string_view), T &out) {
  if (!column)
    return std::string(name) + " 列がありません。見出し行に " + std::string(name) + " 列を加えてください。";
  const std::string_view cell = row.fields[*column];
  if (cell.empty())
    return std::string(what) + "（" + std::string(name) + "）が空欄です。" + std::string(values) +
           " のいずれかを書いてください。";
  const std::optional<T> v = parse(cell);
  if (!v)
    return std::string(what) + "（" + std::string(name) + "）'" + std::string(cell) + "' は使えません。" +
           std::string(values) + " のいずれかを書いてください。";
  out = *v;
  return std::nullopt;
}

class TableWriter {
public:
  explicit TableWriter(std::ostream &out) : out_(out) { buffer_.reserve(FlushBytes + 4096); }
  ~TableWriter() { flush(); }
  std::string &row() { return buffer_; }
  void end_row() {
    buffer_ += LineEnd;
    if (buffer_.size() >= FlushBytes)
      flush();
  }
  void flush() {
    if (!buffer_.empty())
      out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    buffer_.clear();
  }

private:
  std::ostream &out_;
  std::string buffer_;
};

// Number cells, each followed by its comma, put together before they are
// appended.
template <class... Numbers> void append_numbers(std::string &out, Numbers... values) {
  char cells[sizeof...(values) * (NumberRoom + 1)];
  char *end = cells;
  ((end = write_number(end, values), *end++ = ','), ...);
  out.append(cells, static_cast<std::size_t>(end - cells));
}

} // namespace

std::string reader_error_text(std::string_view error, const std::vector<std::string> &columns) {
  // The reader names a field "field K" (1-based); say which column that is.
  std::string text;
  std::string_view rest = error;
  constexpr std::string_view FieldWord = "field ";
  if (rest.starts_with(FieldWord)) {
    std::size_t k = 0;
    const char *b = rest.data() + FieldWord.size();
    const auto [p, ec] = std::from_chars(b, rest.data() + rest.size(), k);
    if (ec == std::errc() && k > 0) {
      text = std::to_string(k) + "列目";
      if (k <= columns.size() && !columns[k - 1].empty())
        text += "（" + columns[k - 1] + "）";
      text += ": ";
      rest.remove_prefix(static_cast<std::size_t>(p - rest.data()));
      if (rest.starts_with(":"))
        rest.remove_prefix(1);
      if (rest.starts_with(" "))
        rest.remove_prefix(1);
    }
  }
  unsigned long a = 0, b = 0;
  char byte[8] = {};
  if (rest.starts_with("has a quote inside unquoted text")) {
    text += "\" で囲まれていない値の中に \" があります（値全体を \" で囲み、中の \" は二つ重ねてください）。";
  } else if (rest == "has text after its closing quote") {
    text += "閉じる \" の後に文字があります。";
  } else if (std::sscanf(std::string(rest).c_str(), "the quote opened on line %lu is not closed", &a) == 1) {
    text += std::to_string(a) + "行目で開いた \" がファイルの終わりまで閉じられていません。";
  } else if (std::sscanf(std::string(rest).c_str(), "has %lu fields instead of %lu", &a, &b) == 2) {
    text += "項目の数が " + std::to_string(a) + " で、見出し行の " + std::to_string(b) + " と合いません。";
  } else if (std::sscanf(std::string(rest).c_str(), "is longer than %lu bytes", &a) == 1) {
    text += "行が長すぎます（" + std::to_string(a) + " バイトを超えています）。";
  } else if (std::sscanf(std::string(rest).c_str(), "is not valid UTF-8 (byte %4s at offset %lu)", byte, &a) == 2 ||
             std::sscanf(std::string(rest).c_str(), "is not valid CP932 (byte %4s at offset %lu)", byte, &a) == 2) {
    const bool cp932 = rest.find("CP932") != std::string_view::npos;
    text += std::string(cp932 ? "CP932" : "UTF-8") + " として読めないバイト " + byte + " があります（" +
            std::to_string(a + 1) + "バイト目）。";
    if (!cp932)
      text += "Shift_JIS で保存したファイルなら --encoding cp932 を指定してください。";
  } else if (rest.starts_with("the input starts with a UTF-8 byte-order mark but is being read as CP932")) {
    text += "ファイルは UTF-8 の BOM で始まっていますが、CP932 として読んでいます。--encoding を確かめてください。";
  } else {
    text += "CSV の形式が正しくありません（" + std::string(rest) + "）。";
  }
  return text;
}

ReportFiles::ReportFiles(const std::filesystem::path &dir, std::string extension)
    : dir_(dir), extension_(std::move(extension)) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  dir_fd_ = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir_fd_ < 0)
    throw std::runtime_error("計算書のフォルダ '" + dir.string() + "' を開けません: " + std::strerror(errno));
}

ReportFiles::~ReportFiles() {
  if (dir_fd_ >= 0)
    ::close(dir_fd_);
}

void ReportFiles::write(std::size_t line, std::string_view id, std::string_view report) {
  const std::string name = report_file_name(line, id, extension_);
  const auto fail = [&](const char *what) {
    throw std::runtime_error("計算書ファイル '" + (dir_ / name).string() + "' を" + what + ": " +
                             std::strerror(errno));
  };
  if (!is_safe_file_name(name)) // report_file_name promises this; never write otherwise
    throw std::runtime_error("計算書ファイル名を作れません（" + std::to_string(line) + "行目）");
  // A file of that name is replaced, never written through: an old link to a
  // file elsewhere (symbolic or hard) only loses its name here.
  if (::unlinkat(dir_fd_, name.c_str(), 0) != 0 && errno != ENOENT)
    fail("置き換えられません");
  const int fd = ::openat(dir_fd_, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0)
    fail("作れません");
  std::size_t done = 0;
  while (done < report.size()) {
    const ssize_t n = ::write(fd, report.data() + done, report.size() - done);
    if (n < 0) {
      if (errno == EINTR)
        continue;
      const int saved = errno;
      ::close(fd);
      errno = saved;
      fail("書けません");
    }
    done += static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0)
    fail("書けません");
}

BatchCounts run_batch(std::istream &in, std::ostream &table, std::ostream &diagnostics,
                      const BatchOptions &options) {
  BatchCounts counts;
  const auto file_error = [&](const std::string &text) {
    diagnostics << "zelvaro-check: " << text << "\n";
    counts.file_error = true;
  };

  try {
    CsvReader reader(in, options.encoding);
    CsvRecord header;
    if (!reader.next(header)) {
      file_error("見出し行がありません（入力が空です）。");
      return counts;
    }
    Layout layout;
    if (const auto bad = read_header(header, layout)) {
      file_error(*bad);
      return counts;
    }
    reader.expect_fields(layout.columns.size());

    TableWriter out(table);
    out.row() += TableHeader;
    out.end_row();

    SeismicCalcState state;
    CsvRecordView record;
    CaseFieldViews fields; // of the current record
    cli::RecordingSink sink;
    CalcOutcome outcome;
    std::string message;
    std::size_t records = 0;

    while (reader.next(record)) {
      if (options.progress && ++records % options.progress_every == 0)
        options.progress(records);
      bool blank = record.error.empty();
      for (std::size_t i = 0; blank && i < record.fields.size(); ++i)
        blank = record.fields[i].empty();
      if (blank)
        continue;

      ++counts.items;
      const std::string_view id =
          layout.id && *layout.id < record.fields.size() ? record.fields[*layout.id] : std::string_view();
      message.clear();

      Shape shape{};
      Anchor anchor{};
      Material material{};
      std::optional<std::string> refusal;
      if (!record.error.empty())
        refusal = reader_error_text(record.error, layout.names);
      if (!refusal)
        refusal = selection(record, layout.shape, "shape", "形状", "floor circular wall ceiling braced",
                            cli::parse_shape, shape);
      if (!refusal)
        refusal = selection(record, layout.anchor, "anchor", "ｱﾝｶ種類",
                            "hawk-cut l-tip j-tip bolt-embedded chemical rebar-hooked rebar-welded",
                            cli::parse_anchor, anchor);
      if (!refusal)
        refusal = selection(record, layout.material, "material", "材質", "SS SUS", cli::parse_material, material);

      if (!refusal) {
        // The same steps as zelvaro-check for one case.
        fields.reset();
        for (const auto &[column, slot] : layout.reads[static_cast<std::size_t>(shape)])
          fields.set(slot, record.fields[column]);
        if (!layout.diameter)
          fields.set(InputSlot::Combo1, ""); // the diameter has no default
        cli::prepare_state(state, shape, anchor, material);
        sink.messages.clear();
        cli::run_case(state, fields, sink, options.now,
                      options.reports || options.sheets ? ReportText::Full : ReportText::Verdicts, outcome);
        if (outcome.status == CalcOutcome::Status::Refused) {
          refusal.emplace();
          for (const Message &m : sink.messages) {
            if (!refusal->empty())
              *refusal += ' ';
            append_one_line(*refusal, m.text);
          }
        } else if (outcome.status == CalcOutcome::Status::Stopped) {
          refusal = outcome.message ? one_line(outcome.message->text) : std::string();
        }
      }

      std::string &row = out.row();
      append_cell(row, id);
      if (refusal) {
        ++counts.refused;
        row += ",refused,,,,,,,,,,,,";
        append_cell(row, *refusal);
        out.end_row();
        diagnostics << record.line << "行目";
        if (!id.empty())
          diagnostics << "（id " << one_line(id) << "）";
        diagnostics << ": " << *refusal << "\n";
        continue;
      }

      const bool shortfall = outcome.message.has_value();
      ++(shortfall ? counts.shortfalls : counts.passed);
      row += shortfall ? ",shortfall," : ",ok,";
      append_numbers(row, state.Rb, state.sigma_b, state.tau_b, state.sigma_c, state.tau_c);
      const bool bond = outcome.bond.has_value();
      if (bond) {
        append_numbers(row, outcome.bond->pullout_kg, outcome.bond->allowable_kg);
        row += ",,";
      } else {
        row += ",,";
        append_numbers(row, state.LL, state.RebarCount);
      }
      if (state.VerdictLine == VerdictPass)
        row += VerdictPassCell;
      else if (state.VerdictLine == VerdictFail)
        row += VerdictFailCell;
      else
        append_cell(row, state.VerdictLine);
      row += ',';
      if (bond)
        row += state.AnchorBlock.ends_with(BondSafe) ? BondSafeCell : BondDangerCell;
      row += ',';
      if (outcome.message) {
        message.clear();
        append_one_line(message, outcome.message->text);
        append_cell(row, message);
      }
      out.end_row();
      if (options.reports)
        options.reports->write(record.line, id, outcome.report);
      if (options.sheets) {
        const auto cell = [&](std::optional<std::size_t> column) {
          return column && *column < record.fields.size() ? record.fields[*column] : std::string_view();
        };
        const RowNames names{cell(layout.equipment), cell(layout.project), cell(layout.checker)};
        options.sheets->write(record.line, id, names, state, outcome, fields);
      }
    }
  } catch (const std::exception &e) {
    file_error(std::string("処理を続けられません: ") + e.what());
  }

  diagnostics << "zelvaro-check: 件数 " << counts.items << "、問題無し " << counts.passed << "、不足 "
              << counts.shortfalls << "、拒否 " << counts.refused << "\n";
  return counts;
}

int exit_status(const BatchCounts &counts) {
  if (counts.file_error || counts.refused > 0)
    return 2;
  return counts.shortfalls > 0 ? 1 : 0;
}

ProgressBar::ProgressBar(std::ostream &out, std::optional<std::uint64_t> total_bytes, Clock::time_point start)
    : out_(out), total_(total_bytes), start_(start) {}

void ProgressBar::update(std::size_t records, std::optional<std::uint64_t> bytes_done, Clock::time_point now) {
  using namespace std::chrono_literals;
  if (now - start_ < 500ms || (shown_ && now - last_ < 100ms))
    return;
  std::string line = "\r";
  if (total_ && *total_ > 0 && bytes_done) {
    const std::uint64_t done = std::min(*bytes_done, *total_);
    const int width = 30;
    const int filled = static_cast<int>(done * width / *total_);
    line += '[';
    line.append(static_cast<std::size_t>(filled), '#');
    line.append(static_cast<std::size_t>(width - filled), '.');
    line += "] ";
    line += std::to_string(done * 100 / *total_);
    line += "%  ";
  }
  line += std::to_string(records);
  line += " 行";
  out_ << line << std::flush;
  shown_ = true;
  last_ = now;
}

void ProgressBar::finish() {
  if (shown_)
    out_ << "\r\x1b[K" << std::flush;
  shown_ = false;
}

} // namespace zelvaro::batch
