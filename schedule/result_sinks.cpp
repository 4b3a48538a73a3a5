#include "schedule/result_sinks.h"

#include "engine/checks.h"
#include "engine/number_text.h"

#include <algorithm>
#include <cerrno>
#include <ostream>

namespace zelvaro::batch {

namespace {

using namespace std::string_view_literals;

constexpr std::size_t FlushBytes = 64 * 1024;

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

// The verdict cells, one of four fixed texts, ready as cells.
std::string cell_text(std::string_view text) {
  std::string cell;
  append_cell(cell, text);
  return cell;
}
const std::string VerdictPassCell = cell_text(VerdictPass), VerdictFailCell = cell_text(VerdictFail);
const std::string BondSafeCell = cell_text(BondSafe), BondDangerCell = cell_text(BondDanger);

// Number cells, each followed by its comma, put together before they are
// appended.
template <class... Numbers> void append_numbers(std::string &out, Numbers... values) {
  char cells[sizeof...(values) * (NumberRoom + 1)];
  char *end = cells;
  ((end = write_number(end, values), *end++ = ','), ...);
  out.append(cells, static_cast<std::size_t>(end - cells));
}

} // namespace

void append_cell(std::string &out, std::string_view text) {
  if (needs_quotes(text))
    append_quoted(out, text);
  else
    out += text;
}

// A spreadsheet takes a cell beginning with = + - @ (or TAB, CR before them)
// for a formula: such a cell gets a leading ', which a spreadsheet shows as
// text and does not display.
void append_text_cell(std::string &out, std::string_view text) {
  switch (text.empty() ? '\0' : text.front()) {
  case '=':
  case '+':
  case '-':
  case '@':
  case '\t':
  case '\r':
    break;
  default:
    append_cell(out, text);
    return;
  }
  std::string guarded = "'";
  guarded += text;
  append_cell(out, guarded);
}

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

CsvTable::CsvTable(std::ostream &out) : out_(out) {
  buffer_.reserve(FlushBytes + 4096);
}

void CsvTable::begin() {
  buffer_ += TableHeader;
  buffer_ += "\r\n"sv;
  flush(); // a gone output is seen before any work is done
}

void CsvTable::write(const ItemResult &r) {
  std::string &row = buffer_;
  append_text_cell(row, r.id);
  if (!r.calculated()) {
    row += ",refused,,,,,,,,,,,,"sv;
    if (r.message != last_message_) { // else the same refusal as the last one: its cell is ready
      last_message_ = r.message;
      last_cell_.clear();
      append_text_cell(last_cell_, r.message);
    }
    row += last_cell_;
    row += ','; // no suggestion
  } else {
    row += ',';
    row += status_word(r.status);
    row += ',';
    append_numbers(row, r.Rb_N, r.sigma_b_MPa, r.tau_b_MPa, r.sigma_c_MPa, r.tau_c_MPa);
    if (r.bond_checked) {
      append_numbers(row, r.pullout_kg, r.allowable_kg);
      row += ",,";
    } else {
      row += ",,";
      append_numbers(row, r.LL_cm, r.RebarCount);
    }
    row += r.bolt_ok ? VerdictPassCell : VerdictFailCell;
    row += ',';
    if (r.bond_checked)
      row += r.bond_ok ? BondSafeCell : BondDangerCell;
    row += ',';
    append_text_cell(row, r.message);
    row += ',';
    if (!r.suggestions.empty()) {
      std::string joined;
      for (const std::string &s : r.suggestions) {
        if (!joined.empty())
          joined += " / "sv;
        joined += s;
      }
      append_text_cell(row, joined);
    }
  }
  row += "\r\n"sv;
  if (buffer_.size() >= FlushBytes)
    flush();
}

void CsvTable::finish() {
  flush();
}

void CsvTable::flush() {
  if (!buffer_.empty()) {
    errno = 0;
    out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    if (out_)
      out_.flush();
    if (!out_)
      throw ResultWriteFailed{errno};
  }
  buffer_.clear();
}

} // namespace zelvaro::batch
