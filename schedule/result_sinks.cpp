#include "schedule/result_sinks.h"

#include "engine/checks.h"
#include "engine/number_text.h"
#include "schedule/text_encoding.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
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

StreamSink::StreamSink(std::ostream &out) : out_(out) {
  buffer_.reserve(FlushBytes + 4096);
}

void StreamSink::end_row() {
  if (buffer_.size() >= FlushBytes)
    flush();
}

void StreamSink::flush() {
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
  row += ',';
  char number[24];
  row.append(number,
             static_cast<std::size_t>(std::to_chars(number, number + sizeof number, r.line).ptr - number));
  row += "\r\n"sv;
  end_row();
}

void append_json_string(std::string &out, std::string_view text) {
  constexpr char digits[] = "0123456789abcdef";
  out += '"';
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) {
      const CodePoint cp = decode_utf8_at(text, i);
      if (cp.value == kInvalidUtf8)
        out += "\ufffd"sv;
      else
        out.append(text, i, cp.size);
      i += cp.size;
      continue;
    }
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
      out += "\\u00"sv;
      out += digits[c >> 4];
      out += digits[c & 0xF];
    } else {
      out += static_cast<char>(c);
    }
    ++i;
  }
  out += '"';
}

void append_json(std::string &out, const ItemResult &r) {
  out += "{\"line\":"sv;
  out += std::to_string(r.line);
  out += ",\"id\":"sv;
  append_json_string(out, r.id);
  out += ",\"inputs\":{"sv;
  for (std::size_t i = 0; i < r.inputs.size(); ++i) {
    if (i > 0)
      out += ',';
    append_json_string(out, r.inputs[i].first);
    out += ':';
    append_json_string(out, r.inputs[i].second);
  }
  out += "},\"status\":\""sv;
  out += status_word(r.status);
  out += '"';
  const auto figure = [&](std::string_view key, bool has, double value) {
    out += ",\""sv;
    out += key;
    out += "\":"sv;
    if (has)
      append_number(out, value);
    else
      out += "null"sv;
  };
  const bool calculated = r.calculated(), bond = calculated && r.bond_checked;
  figure("Rb_N", calculated, r.Rb_N);
  figure("sigma_b_MPa", calculated, r.sigma_b_MPa);
  figure("tau_b_MPa", calculated, r.tau_b_MPa);
  figure("sigma_c_MPa", calculated, r.sigma_c_MPa);
  figure("tau_c_MPa", calculated, r.tau_c_MPa);
  figure("ft_MPa", calculated, r.ft_MPa);
  figure("fs_MPa", calculated, r.fs_MPa);
  figure("pullout_kg", bond, r.pullout_kg);
  figure("allowable_kg", bond, r.allowable_kg);
  figure("LL_cm", calculated && !bond, r.LL_cm);
  figure("RebarCount", calculated && !bond, r.RebarCount);
  out += ",\"bolt_ok\":"sv;
  out += !calculated ? "null"sv : r.bolt_ok ? "true"sv : "false"sv;
  out += ",\"bond_ok\":"sv;
  out += !bond ? "null"sv : r.bond_ok ? "true"sv : "false"sv;
  out += ",\"message\":"sv;
  append_json_string(out, r.message);
  out += ",\"suggestions\":["sv;
  for (std::size_t i = 0; i < r.suggestions.size(); ++i) {
    if (i > 0)
      out += ',';
    append_json_string(out, r.suggestions[i]);
  }
  out += "]}"sv;
}

void JsonLines::write(const ItemResult &r) {
  append_json(buffer_, r);
  buffer_ += '\n';
  end_row();
}

} // namespace zelvaro::batch
