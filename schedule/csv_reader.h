// Streaming reader of comma-separated tables (RFC 4180) for equipment
// schedules, which may have millions of rows: it holds one record at a time,
// so memory stays flat however long the input.
//
// What it accepts:
//  - fields separated by commas, optionally quoted with '"'; inside quotes a
//    doubled quote stands for one quote, and commas and line breaks are data
//    (kept byte for byte);
//  - records ended by CR LF, LF or a lone CR (as Excel for old Macs
//    writes), the last record with or without a line break;
//  - empty lines are skipped (but counted); a line holding only commas is a
//    record of empty fields;
//  - UTF-8 (a leading byte-order mark is skipped) or CP932; see Encoding.
//
// Malformed records are returned with `error` set, and reading goes on:
//  - a quote inside an unquoted field, or text after a closing quote: the
//    characters are kept as data, the record is marked bad;
//  - a quoted field still open at the end of the input: the record is marked
//    bad;
//  - bytes that are not valid in the input's encoding, NUL bytes and (in
//    UTF-8) a byte-order mark after the start (each shown as U+FFFD);
//  - a record longer than `max_record_bytes` or with more than `max_fields`
//    fields (its fields are cut short);
//  - with expect_fields(), a record with another number of fields.
// When a bad record has a quoted field that ran over a line break, the most
// likely cause is a missing closing quote that swallowed the lines after it;
// the record is then reported as starting on its first line, and reading
// resumes on the line after that first break, so the rows that follow are
// not lost. A record already bad when a quote runs into a line break ends
// at that break. The lines up to where a bad record was found bad are then
// read one record a line (a quote still open at a line break marks the record
// bad and ends it): they were scanned once already, and reading them again as
// records of many lines could rescan them once per line, which made a
// crafted file of a few hundred kilobytes take minutes. So reading stays
// linear in the input, whatever it holds.
#pragma once

#include "schedule/text_encoding.h"

#include <cstddef>
#include <cstdint>
#include <istream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zelvaro::batch {

// Why a record is bad: its kind and the figures that go with it. The face
// says it in its own words; to_string says it in English for diagnostics.
struct CsvError {
  enum class Kind : std::uint8_t {
    None,                // a well-formed record
    QuoteInUnquotedText, // `field`
    QuoteOpenAtLineEnd,  // `field`: read alone after a quote left open above
    TextAfterQuote,      // `field`
    QuoteOpenAtInputEnd, // `field`; `line`: where the quote opened
    TooManyFields,       // `count`: the most fields allowed
    TooLong,             // `count`: the most bytes allowed
    WrongFieldCount,     // `count` fields instead of `expected`
    NulByte,             // `field`, at `offset` in it
    ByteOrderMark,       // `field`, at `offset` in it (not at the start of the input)
    InvalidUtf8,         // `field`: `byte` at `offset` in it
    InvalidCp932,        // `field`: `byte` at `offset` in it
    Utf8BomReadAsCp932,  // the input starts with a UTF-8 byte-order mark
  };
  Kind kind = Kind::None;
  std::size_t field = 0; // 1-based; 0 when the error is not about one field
  std::size_t line = 0;
  std::size_t count = 0;
  std::size_t expected = 0;
  std::size_t offset = 0; // bytes into the field, from 0
  unsigned char byte = 0;

  explicit operator bool() const { return kind != Kind::None; }
  bool operator==(const CsvError &) const = default;
};

// The error in English ("field 2 has text after its closing quote"); empty
// for Kind::None.
std::string to_string(const CsvError &error);

struct CsvRecord {
  std::size_t line = 0;            // physical line (1-based) the record starts on
  std::vector<std::string> fields; // always well-formed UTF-8
  CsvError error;                  // Kind::None for a well-formed record
};

// The same with the fields as views, valid until the reader is called
// again (they point into the reader's buffer or its own record).
struct CsvRecordView {
  std::size_t line = 0;
  std::vector<std::string_view> fields;
  CsvError error;
};

struct CsvReaderOptions {
  std::size_t buffer_bytes = 64 * 1024;       // bytes read from the stream at a time
  std::size_t sniff_bytes = kSniffBytes;      // look-ahead used to tell UTF-8 from CP932
  std::size_t max_record_bytes = 1024 * 1024; // longer records are refused
  std::size_t max_fields = 1000;              // records with more fields are refused
};

class CsvReader {
public:
  // `in` should be opened in binary mode; it is read forward only, never
  // rewound, so standard input works. With Encoding::Auto the encoding is
  // decided at the first record holding a non-ASCII byte, from that record and
  // the `sniff_bytes` after it (see detect_encoding); an input that starts with
  // a UTF-8 byte-order mark is UTF-8.
  explicit CsvReader(std::istream &in, Encoding encoding = Encoding::Auto, CsvReaderOptions options = {});
  ~CsvReader();
  CsvReader(const CsvReader &) = delete;
  CsvReader &operator=(const CsvReader &) = delete;

  // Reads the next record into `record`, reusing its buffers. Returns false at
  // the end of the input. Throws std::runtime_error if the stream fails.
  bool next(CsvRecord &record);
  // The same record, without copying the fields of a quote-free row that
  // needs no decoding (nearly every row of a schedule).
  bool next(CsvRecordView &record);

  // The encoding in use: the one given, or the one Auto decided on (Auto
  // until a record told it).
  Encoding encoding() const { return encoding_; }

  // From now on, records without exactly `count` fields are marked bad
  // (0: any number). Typically called with the header's field count.
  void expect_fields(std::size_t count) { expected_fields_ = count; }

private:
  enum class Parse { Done, Rewound };

  void start();
  bool fill();
  void ensure_lookahead(std::size_t bytes);
  // Fields that may hold bytes above 0x7F, one bit each; the last bit
  // stands for every field from the 64th on.
  using FieldMask = std::uint64_t;
  static constexpr FieldMask AllFields = ~FieldMask{0};
  static FieldMask field_bit(std::size_t index) { return FieldMask{1} << (index < 63 ? index : 63); }

  bool skip_empty_lines(); // false at the end of the input
  // `may_be_plain`: false when scan_plain already found the record is not.
  void read_record(CsvRecord &record, bool may_be_plain = true);
  // The common record: no quote in it, and its line break already in the
  // buffer. Sets `fields` to its fields, which point into the buffer, and
  // `non_ascii` to those with a byte above 0x7F, without consuming anything.
  // False for any other record.
  bool scan_plain(std::vector<std::string_view> &fields, FieldMask &non_ascii) const;
  // Moves past the record whose fields scan_plain found.
  void consume_plain(const std::vector<std::string_view> &fields);
  // Whether those fields read the same after decoding.
  bool decodes_as_is(const std::vector<std::string_view> &fields, FieldMask non_ascii) const;
  Parse parse(CsvRecord &record, std::size_t &count);
  // Decodes the fields of `non_ascii` that are not ASCII.
  void decode_fields(CsvRecord &record, FieldMask non_ascii);
  void decide_encoding(const CsvRecord &record);
  // Marks the record bad for a NUL byte or a byte-order mark in a field.
  void refuse_stray_bytes(CsvRecord &record);
  void rewind();
  static void set_error(CsvRecord &record, const CsvError &error);

  std::istream &in_;
  Encoding encoding_;
  CsvReaderOptions options_;
  std::size_t expected_fields_ = 0;
  std::unique_ptr<Cp932Decoder> cp932_;
  std::string scratch_;
  std::vector<std::string_view> plain_fields_; // of a record read by next(CsvRecord &)
  CsvRecord own_;                              // the record behind a CsvRecordView that needed copying

  std::vector<char> buffer_; // the bytes read, always followed by a '\n' at end_
  std::size_t pos_ = 0;      // next byte to parse in buffer_
  std::size_t end_ = 0;      // end of the bytes read into buffer_
  std::size_t base_ = 0;     // stream offset of buffer_[0]
  bool eof_ = false;
  bool started_ = false;
  bool skip_lf_ = false; // the last byte was a CR ending a line
  std::size_t line_ = 1;
  CsvError pending_error_; // for the first record

  // Where to resume after a bad record whose quoted field ran over a line break.
  bool resync_ = false;
  std::size_t resync_pos_ = 0;
  std::size_t resync_line_ = 0;
  bool resync_skip_lf_ = false;
  bool overflow_ = false;
  // Stream offset up to which a bad record of many lines was scanned; records
  // starting before it are read one line each.
  std::size_t scanned_end_ = 0;
};

} // namespace zelvaro::batch
