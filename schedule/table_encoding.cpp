#include "schedule/table_encoding.h"
#include "schedule/text_encoding.h"

#include <cerrno>
#include <iconv.h>
#include <stdexcept>

namespace zelvaro::batch {

namespace {

bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i]))
      return false;
  }
  return true;
}

// The cells of one CSV row, unquoted.
std::vector<std::string> cells_of(std::string_view row) {
  std::vector<std::string> cells(1);
  bool quoted = false;
  for (std::size_t i = 0; i < row.size(); ++i) {
    const char c = row[i];
    if (quoted) {
      if (c != '"')
        cells.back() += c;
      else if (i + 1 < row.size() && row[i + 1] == '"')
        cells.back() += c, ++i;
      else
        quoted = false;
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      cells.emplace_back();
    } else if (c != '\r' && c != '\n') {
      cells.back() += c;
    }
  }
  return cells;
}

// `in` converted whole through `cd` into `out`; false if any of it can't be.
bool convert(void *cd_handle, std::string_view in, std::string &out) {
  auto cd = static_cast<iconv_t>(cd_handle);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  out.resize(in.size() * 3 + 16); // UTF-8 is at most three bytes a CP932 byte
  char *in_ptr = const_cast<char *>(in.data());
  std::size_t in_left = in.size();
  char *out_ptr = out.data();
  std::size_t out_left = out.size();
  const bool ok = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left) != static_cast<std::size_t>(-1);
  out.resize(out.size() - out_left);
  return ok && in_left == 0;
}

} // namespace

std::optional<TableEncoding> parse_table_encoding(std::string_view name) {
  if (same_name(name, "utf-8") || same_name(name, "utf8"))
    return TableEncoding::Utf8;
  if (same_name(name, "utf-8-bom") || same_name(name, "utf8-bom"))
    return TableEncoding::Utf8Bom;
  if (same_name(name, "cp932") || same_name(name, "shift_jis") || same_name(name, "sjis"))
    return TableEncoding::Cp932;
  return std::nullopt;
}

EncodedTableBuf::EncodedTableBuf(std::streambuf &target, TableEncoding encoding,
                                 std::function<void(const Unrepresentable &)> report, const BatchTexts &texts)
    : target_(target), encoding_(encoding), report_(std::move(report)) {
  if (encoding_ == TableEncoding::Cp932) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
      throw std::runtime_error(texts.no_cp932);
    cd_ = cd;
    iconv_t back = iconv_open("UTF-8", "CP932");
    if (back == reinterpret_cast<iconv_t>(-1)) {
      iconv_close(cd);
      throw std::runtime_error(texts.no_cp932);
    }
    back_ = back;
  }
}

EncodedTableBuf::~EncodedTableBuf() {
  sync();
  if (cd_) {
    iconv_close(static_cast<iconv_t>(cd_));
    iconv_close(static_cast<iconv_t>(back_));
  }
}

std::streamsize EncodedTableBuf::xsputn(const char *s, std::streamsize n) {
  if (encoding_ != TableEncoding::Cp932) {
    // UTF-8 is the table's own encoding: only the mark goes first.
    if (!started_ && n > 0 && encoding_ == TableEncoding::Utf8Bom)
      put(kUtf8Bom);
    started_ = started_ || n > 0;
    put(std::string_view(s, static_cast<std::size_t>(n)));
    return n;
  }
  pending_.append(s, static_cast<std::size_t>(n));
  write_complete_rows(false);
  return n;
}

EncodedTableBuf::int_type EncodedTableBuf::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof()))
    return traits_type::not_eof(c);
  const char ch = traits_type::to_char_type(c);
  return xsputn(&ch, 1) == 1 ? c : traits_type::eof();
}

int EncodedTableBuf::sync() {
  write_complete_rows(true);
  return target_.pubsync() == 0 && good_ ? 0 : -1;
}

void EncodedTableBuf::write_complete_rows(bool all) {
  std::size_t row_start = 0;
  for (; scanned_ < pending_.size(); ++scanned_) {
    const char c = pending_[scanned_];
    if (c == '"')
      in_quotes_ = !in_quotes_;
    else if (c == '\n' && !in_quotes_) {
      write_row(std::string_view(pending_).substr(row_start, scanned_ + 1 - row_start));
      row_start = scanned_ + 1;
    }
  }
  if (all && row_start < pending_.size()) {
    write_row(std::string_view(pending_).substr(row_start));
    row_start = pending_.size();
  }
  pending_.erase(0, row_start);
  scanned_ = pending_.size();
}

void EncodedTableBuf::put(std::string_view bytes) {
  if (!bytes.empty() && target_.sputn(bytes.data(), static_cast<std::streamsize>(bytes.size())) !=
                            static_cast<std::streamsize>(bytes.size()))
    good_ = false;
}

// CP932 only: UTF-8 goes straight through xsputn.
void EncodedTableBuf::write_row(std::string_view row) {
  if (!started_)
    columns_ = cells_of(row);
  started_ = true;
  if (convert(cd_, row, encoded_) && convert(back_, encoded_, round_trip_) && round_trip_ == row) {
    put(encoded_);
  } else {
    // Character by character: one CP932 cannot hold, or holds only as
    // another (U+301C comes back as U+FF5E), becomes '?' with a line on
    // standard error.
    encoded_.clear();
    std::string one, back;
    for (std::size_t at = 0; at < row.size();) {
      const CodePoint cp = decode_utf8_at(row, at);
      const std::string_view ch = row.substr(at, cp.size);
      if (cp.value != kInvalidUtf8 && convert(cd_, ch, one) && convert(back_, one, back) && back == ch) {
        encoded_ += one;
      } else {
        const std::vector<std::string> cells = cells_of(row.substr(0, at));
        Unrepresentable u;
        u.line = line_;
        for (std::size_t i = 0; i < at; ++i)
          u.line += row[i] == '\n';
        u.column = cells.size() <= columns_.size() ? columns_[cells.size() - 1] : std::string();
        u.id = cells_of(row).front();
        u.character = cp.value;
        if (cp.value != kInvalidUtf8)
          u.text = ch;
        ++replaced_;
        if (report_)
          report_(u);
        encoded_ += '?';
      }
      at += cp.size;
    }
    put(encoded_);
  }
  for (char c : row)
    line_ += c == '\n';
}

} // namespace zelvaro::batch
