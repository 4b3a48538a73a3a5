#include "schedule/list_rows.h"

#include "capture/single_case.h"
#include "engine/float_text.h"
#include "engine/number_text.h"
#include "engine/shape_procedure.h"
#include "refdata/materials.h"
#include "refdata/selection_lists.h"
#include "schedule/project.h"

#include <cmath>
#include <cstdint>

namespace zelvaro::batch {

namespace {

// A selection's cell in the form's own words, as its option button reads;
// a cell that names no selection as it is.
std::string selection_caption(ListColumn column, std::string_view cell) {
  if (column == ListColumn::Shape)
    if (const auto s = cases::shape_named(cell))
      return std::string(shape_procedure(*s)->caption);
  if (column == ListColumn::Anchor)
    if (const auto a = cases::anchor_named(cell))
      for (const AnchorInfo &info : anchor_kinds())
        if (info.kind == *a)
          return std::string(info.caption);
  if (column == ListColumn::Material)
    if (const auto m = cases::material_named(cell))
      return std::string(material_strength(*m)->caption);
  return std::string(cell);
}

// The value a report's number text stands for: number_text's digits (an
// exponent form shifted into plain digits) read to the nearest double.
double printed_value(double value) {
  std::string text = number_text(value);
  const bool negative = text.starts_with('-');
  if (negative)
    text.erase(0, 1);
  if (const std::size_t e = text.find('E'); e != std::string::npos) {
    const int exponent = std::stoi(text.substr(e + 1));
    std::string digits = text.substr(0, e);
    const std::size_t point = digits.find('.');
    if (point != std::string::npos)
      digits.erase(point, 1);
    const long at = 1 + static_cast<long>(exponent); // the point's place among the digits
    if (at <= 0)
      text = "0." + std::string(static_cast<std::size_t>(-at), '0') + digits;
    else if (static_cast<std::size_t>(at) >= digits.size())
      text = digits + std::string(static_cast<std::size_t>(at) - digits.size(), '0');
    else
      text = digits.insert(static_cast<std::size_t>(at), ".");
  }
  const double v = float_text::plain_decimal(text).value_or(std::fabs(value));
  return negative ? -v : v;
}

// A whole double's decimal digits, exactly.
std::string whole_digits(double a) {
  int exponent = 0;
  const double fraction = std::frexp(a, &exponent);
  auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
  std::string digits = std::to_string(mantissa); // most significant first
  for (int k = exponent - 53; k > 0; --k) {
    int carry = 0;
    for (auto d = digits.rbegin(); d != digits.rend(); ++d) {
      const int twice = (*d - '0') * 2 + carry;
      *d = static_cast<char>('0' + twice % 10);
      carry = twice / 10;
    }
    if (carry)
      digits.insert(digits.begin(), '1');
  }
  return digits;
}

// Whether `code` is one of the code points that trimming takes away: the
// ASCII controls of white space, NEL, and Unicode's space, line and
// paragraph separators.
bool trimmed_space(char32_t code) {
  return (code >= 0x09 && code <= 0x0d) || code == 0x20 || code == 0x85 || code == 0xa0 || code == 0x1680 ||
         (code >= 0x2000 && code <= 0x200a) || code == 0x2028 || code == 0x2029 || code == 0x202f ||
         code == 0x205f || code == 0x3000;
}

// The code point of the well-formed UTF-8 sequence of `n` bytes at `s`.
char32_t code_at(std::string_view s, std::size_t n) {
  const auto b = [&](std::size_t i) { return static_cast<char32_t>(static_cast<unsigned char>(s[i])); };
  if (n == 1)
    return b(0);
  char32_t code = b(0) & (0x7f >> n);
  for (std::size_t i = 1; i < n; ++i)
    code = (code << 6) | (b(i) & 0x3f);
  return code;
}

std::size_t lead_length(unsigned char c) {
  return c < 0x80 ? 1 : c >= 0xf0 ? 4 : c >= 0xe0 ? 3 : c >= 0xc0 ? 2 : 0;
}

std::string_view trimmed(std::string_view s) {
  while (!s.empty()) {
    const std::size_t n = lead_length(static_cast<unsigned char>(s.front()));
    if (n == 0 || n > s.size() || !trimmed_space(code_at(s, n)))
      break;
    s.remove_prefix(n);
  }
  while (!s.empty()) {
    std::size_t n = 1; // back to the sequence's lead byte
    while (n < s.size() && n < 4 && (static_cast<unsigned char>(s[s.size() - n]) & 0xc0) == 0x80)
      ++n;
    const std::string_view last = s.substr(s.size() - n);
    if (lead_length(static_cast<unsigned char>(last.front())) != n || !trimmed_space(code_at(last, n)))
      break;
    s.remove_suffix(n);
  }
  return s;
}

} // namespace

const std::array<std::string_view, ListColumnCount> &list_header() {
  static const std::array<std::string_view, ListColumnCount> names = {
      "番号", "機器名", "形状",   "アンカー",   "材質",    "径",      "W",          "n",
      "nt",   "判定",   "Rb(kg)", "許容値(kg)", "σ/ft(%)", "τ/fs(%)", "メッセージ", "改善案"};
  return names;
}

std::optional<double> list_figure(const ItemResult &r, ListColumn column) {
  const bool bond = r.calculated() && r.bond_checked;
  switch (column) {
  case ListColumn::Rb:
    return bond ? std::optional(r.pullout_kg) : std::nullopt;
  case ListColumn::Allowable:
    return bond ? std::optional(r.allowable_kg) : std::nullopt;
  case ListColumn::SigmaPercent:
    return r.calculated() && r.ft_MPa > 0 ? std::optional(r.sigma_c_MPa / r.ft_MPa * 100) : std::nullopt;
  case ListColumn::TauPercent:
    return r.calculated() && r.fs_MPa > 0 ? std::optional(r.tau_c_MPa / r.fs_MPa * 100) : std::nullopt;
  default:
    return std::nullopt;
  }
}

std::string reading_figure(double value) {
  if (!std::isfinite(value))
    return number_text(value);
  const double v = printed_value(value);
  const double a = std::fabs(v);
  std::string out = v < 0 ? "-" : "";
  if (a >= 0x1p53) // a whole number already
    return out + whole_digits(a) + ".0";
  // a = whole + fraction exactly; the fraction's tenths from its bits.
  auto whole = static_cast<std::uint64_t>(a);
  const double fraction = a - static_cast<double>(whole);
  int tenth = 0;
  if (fraction > 0) {
    int exponent = 0;
    const auto bits = static_cast<std::uint64_t>(std::ldexp(std::frexp(fraction, &exponent), 53));
    const int shift = 53 - exponent; // fraction = bits / 2^shift, exponent <= 0
    if (shift < 63) {
      const std::uint64_t tenfold = bits * 10, unit = std::uint64_t{1} << shift;
      tenth = static_cast<int>(tenfold >> shift);
      if ((tenfold & (unit - 1)) >= unit / 2) // the rest, a half or more: up
        ++tenth;
    }
    if (tenth == 10) {
      ++whole;
      tenth = 0;
    }
  }
  return out + std::to_string(whole) + "." + static_cast<char>('0' + tenth);
}

std::string verdict_label(ItemStatus status) {
  switch (status) {
  case ItemStatus::Ok:
    return "○ 適合";
  case ItemStatus::Shortfall:
    return "× 不足";
  case ItemStatus::Refused:
  case ItemStatus::Error: // only the command line's files fail to be written
    break;
  }
  return "入力不備";
}

std::string shown_message(std::string_view message) {
  static constexpr std::string_view Stop = "。";
  std::string s(message);
  // The sentence that names an option, from the end of the one before it.
  for (std::size_t at; (at = s.find("--encoding")) != std::string::npos;) {
    const std::size_t before = s.rfind(Stop, at);
    const std::size_t from = before == std::string::npos ? 0 : before + Stop.size();
    const std::size_t stop = s.find(Stop, at);
    const std::size_t to = stop == std::string::npos ? s.size() : stop + Stop.size();
    s.erase(from, to - from);
  }
  return std::string(trimmed(s));
}

std::string list_cell(const std::vector<std::string> &columns, const ScheduleRow &row, const ItemResult &r,
                      ListColumn column) {
  const auto cell = [&](std::string_view name) { return std::string(cell_of(columns, row, name)); };
  switch (column) {
  case ListColumn::Id:
    return cell("id");
  case ListColumn::Equipment:
    return cell("equipment");
  case ListColumn::Shape:
    return selection_caption(column, cell_of(columns, row, "shape"));
  case ListColumn::Anchor:
    return selection_caption(column, cell_of(columns, row, "anchor"));
  case ListColumn::Material:
    return selection_caption(column, cell_of(columns, row, "material"));
  case ListColumn::Diameter:
    return cell("M");
  case ListColumn::W:
    return cell("W");
  case ListColumn::n:
    return cell("n");
  case ListColumn::nt:
    return cell("nt");
  case ListColumn::Verdict:
    return verdict_label(r.status);
  case ListColumn::Rb:
  case ListColumn::Allowable:
  case ListColumn::SigmaPercent:
  case ListColumn::TauPercent: {
    const std::optional<double> figure = list_figure(r, column);
    return figure ? reading_figure(*figure) : std::string();
  }
  case ListColumn::Message:
    return shown_message(r.message);
  case ListColumn::Suggestion: {
    std::string lines;
    for (std::size_t i = 0; i < r.suggestions.size(); ++i)
      lines += (i ? "\n" : "") + r.suggestions[i];
    return lines;
  }
  case ListColumn::Count:
    break;
  }
  return {};
}

std::string list_cell(const Project &project, std::size_t item, ListColumn column) {
  const ProjectItem &i = project.item(item);
  return list_cell(project.columns(), i.row, i.result, column);
}

ListRow list_row(const std::vector<std::string> &columns, const ScheduleRow &row, const ItemResult &r) {
  ListRow cells;
  for (std::size_t c = 0; c < ListColumnCount; ++c)
    cells[c] = list_cell(columns, row, r, static_cast<ListColumn>(c));
  return cells;
}

ListRow list_row(const Project &project, std::size_t item) {
  const ProjectItem &i = project.item(item);
  return list_row(project.columns(), i.row, i.result);
}

} // namespace zelvaro::batch
