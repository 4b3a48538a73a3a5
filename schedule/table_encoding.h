// The character encoding the verdict table is written in (--output-encoding).
//
// The table is built as UTF-8; this last step turns it into what the reader
// of the table needs. Japanese Excel opens a CSV file as CP932 unless it
// starts with a UTF-8 byte-order mark, hence the default utf-8-bom.
#pragma once

#include "schedule/batch_texts.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

namespace zelvaro::batch {

enum class TableEncoding { Utf8, Utf8Bom, Cp932 };

// "utf-8" (or "utf8"), "utf-8-bom" (or "utf8-bom"), "cp932" (or "shift_jis",
// "sjis"), in any letter case.
std::optional<TableEncoding> parse_table_encoding(std::string_view name);

// A character CP932 cannot hold, written as '?' instead.
struct Unrepresentable {
  std::size_t line;   // line of the table (the header is line 1)
  std::string column; // the column's name from the header
  std::string id;     // the row's id cell
  char32_t character; // kInvalidUtf8 for a byte that is not UTF-8
  std::string text;   // the character as the table holds it (UTF-8); empty for such a byte
};

// A stream buffer that takes the table as UTF-8 CSV and writes it, row by
// row, to `target` in `encoding`. Each character CP932 cannot hold becomes
// '?' and is told to `report`: a cell is never changed silently. Throws
// std::runtime_error (said in `texts`) when the system cannot convert.
class EncodedTableBuf : public std::streambuf {
public:
  EncodedTableBuf(std::streambuf &target, TableEncoding encoding,
                  std::function<void(const Unrepresentable &)> report,
                  const BatchTexts &texts = default_texts());
  ~EncodedTableBuf() override;
  EncodedTableBuf(const EncodedTableBuf &) = delete;
  EncodedTableBuf &operator=(const EncodedTableBuf &) = delete;

  // How many characters were written as '?'.
  std::size_t replaced() const { return replaced_; }
  // False once the target refused a write.
  bool good() const { return good_; }

protected:
  std::streamsize xsputn(const char *s, std::streamsize n) override;
  int_type overflow(int_type c) override;
  int sync() override;

private:
  void write_complete_rows(bool all);
  void write_row(std::string_view row);
  void put(std::string_view bytes);

  std::streambuf &target_;
  TableEncoding encoding_;
  std::function<void(const Unrepresentable &)> report_;
  void *cd_ = nullptr;   // iconv_t, UTF-8 to CP932
  void *back_ = nullptr; // iconv_t, CP932 to UTF-8, to see that a character comes back as itself
  std::string pending_;  // CP932: UTF-8 not written yet; complete rows end at scanned_
  std::size_t scanned_ = 0;
  bool in_quotes_ = false;
  bool started_ = false;
  bool good_ = true;
  std::size_t line_ = 1; // table line the next row starts on
  std::vector<std::string> columns_;
  std::string encoded_, round_trip_;
  std::size_t replaced_ = 0;
};

} // namespace zelvaro::batch
