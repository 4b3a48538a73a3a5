#include "schedule/csv_reader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstring>
#include <stdexcept>

namespace zelvaro::batch {

namespace {

using ByteSet = std::array<bool, 256>;

constexpr ByteSet byte_set(std::string_view bytes) {
  ByteSet set{};
  for (char c : bytes)
    set[static_cast<unsigned char>(c)] = true;
  return set;
}

// Bytes that end a run of plain data in an unquoted and in a quoted field.
constexpr ByteSet kUnquotedStop = byte_set(",\"\r\n");
constexpr ByteSet kQuotedStop = byte_set("\"\r\n");
// The quick look at a record also stops at a NUL byte, which the full reading
// refuses.
constexpr ByteSet kPlainStop = byte_set(std::string_view(",\"\r\n\0", 5));

bool stops(const ByteSet &set, char c) {
  return set[static_cast<unsigned char>(c)];
}

std::string hex_byte(char c) {
  constexpr char digits[] = "0123456789ABCDEF";
  const auto b = static_cast<unsigned char>(c);
  return {'0', 'x', digits[b >> 4], digits[b & 0xF]};
}

} // namespace

std::string to_string(const CsvError &e) {
  using Kind = CsvError::Kind;
  std::string text;
  if (e.field > 0)
    text = "field " + std::to_string(e.field);
  switch (e.kind) {
  case Kind::None:
    break;
  case Kind::QuoteInUnquotedText:
    text += " has a quote inside unquoted text (quote the whole field and double the quotes inside it)";
    break;
  case Kind::QuoteOpenAtLineEnd:
    text += " has a quote not closed on its line (read alone after a quote left open above)";
    break;
  case Kind::TextAfterQuote:
    text += " has text after its closing quote";
    break;
  case Kind::QuoteOpenAtInputEnd:
    text +=
        ": the quote opened on line " + std::to_string(e.line) + " is not closed before the end of the input";
    break;
  case Kind::TooManyFields:
    text += "has more than " + std::to_string(e.count) + " fields";
    break;
  case Kind::TooLong:
    text += "is longer than " + std::to_string(e.count) + " bytes";
    break;
  case Kind::WrongFieldCount:
    text += "has " + std::to_string(e.count) + " fields instead of " + std::to_string(e.expected);
    break;
  case Kind::NulByte:
  case Kind::ByteOrderMark:
    text += e.kind == Kind::NulByte ? " has a NUL byte" : " has a byte-order mark";
    text += " at offset " + std::to_string(e.offset);
    break;
  case Kind::InvalidUtf8:
  case Kind::InvalidCp932:
    text += std::string(" is not valid ") + (e.kind == Kind::InvalidCp932 ? "CP932" : "UTF-8") + " (byte " +
            hex_byte(static_cast<char>(e.byte)) + " at offset " + std::to_string(e.offset) + ")";
    if (e.kind == Kind::InvalidUtf8)
      text += "; if the file was saved as Shift_JIS, read it with --encoding cp932";
    break;
  case Kind::Utf8BomReadAsCp932:
    text += "the input starts with a UTF-8 byte-order mark but is being read as CP932";
    break;
  }
  return text;
}

CsvReader::CsvReader(std::istream &in, Encoding encoding, CsvReaderOptions options)
    : in_(in), encoding_(encoding), options_(options) {
  options_.buffer_bytes = std::max<std::size_t>(options_.buffer_bytes, 1);
  buffer_.resize(options_.buffer_bytes + 1);
  buffer_[0] = '\n'; // after the (no) data read so far
  if (encoding_ == Encoding::Cp932)
    cp932_ = std::make_unique<Cp932Decoder>(); // fail now rather than at the first Japanese row
}

CsvReader::~CsvReader() = default;

// Reads more of the stream after end_, first dropping the bytes already parsed
// (but keeping those a rewind may return to). Returns false at end of input.
bool CsvReader::fill() {
  if (eof_)
    return false;
  const std::size_t keep = resync_ ? std::min(resync_pos_, pos_) : pos_;
  // Bytes kept for a rewind are moved only once as many are dropped, so a
  // record of a megabyte read in small pieces is not moved for each piece.
  if (keep > 0 && keep >= end_ - keep) {
    std::memmove(buffer_.data(), buffer_.data() + keep, end_ - keep);
    base_ += keep;
    pos_ -= keep;
    end_ -= keep;
    if (resync_)
      resync_pos_ -= keep;
  }
  // One byte more than is read, for the line break that follows the data.
  if (buffer_.size() - end_ < options_.buffer_bytes + 1)
    buffer_.resize(end_ + options_.buffer_bytes + 1);
  const std::size_t room = std::min(buffer_.size() - end_ - 1, options_.buffer_bytes);
  in_.read(buffer_.data() + end_, static_cast<std::streamsize>(room));
  if (in_.bad())
    throw std::runtime_error("reading the input failed");
  const auto got = static_cast<std::size_t>(in_.gcount());
  if (got > 0)
    in_.clear(); // a stream may give what it has (a pipe): short is not the end
  end_ += got;
  buffer_[end_] = '\n';
  if (got == 0)
    eof_ = true;
  return got > 0;
}

void CsvReader::ensure_lookahead(std::size_t bytes) {
  while (end_ - pos_ < bytes && fill()) {
  }
}

void CsvReader::start() {
  started_ = true;
  ensure_lookahead(kUtf8Bom.size());
  if (!std::string_view(buffer_.data() + pos_, end_ - pos_).starts_with(kUtf8Bom))
    return;
  pos_ += kUtf8Bom.size();
  if (encoding_ == Encoding::Cp932)
    pending_error_.kind = CsvError::Kind::Utf8BomReadAsCp932;
  else
    encoding_ = Encoding::Utf8;
}

void CsvReader::set_error(CsvRecord &record, const CsvError &error) {
  if (!record.error)
    record.error = error;
}

void CsvReader::rewind() {
  scanned_end_ = std::max(scanned_end_, base_ + pos_);
  pos_ = resync_pos_;
  line_ = resync_line_;
  skip_lf_ = resync_skip_lf_;
  resync_ = false;
}

bool CsvReader::skip_empty_lines() {
  if (!started_)
    start();
  // A CR LF is one line break.
  for (;;) {
    if (pos_ == end_ && !fill())
      return false;
    const char c = buffer_[pos_];
    if (skip_lf_) {
      skip_lf_ = false;
      if (c == '\n') {
        ++pos_;
        continue;
      }
    }
    if (c != '\n' && c != '\r')
      return true;
    ++pos_;
    ++line_;
    skip_lf_ = c == '\r';
  }
}

bool CsvReader::next(CsvRecord &record) {
  if (!skip_empty_lines())
    return false;
  read_record(record);
  return true;
}

bool CsvReader::next(CsvRecordView &record) {
  if (!skip_empty_lines())
    return false;
  FieldMask non_ascii = 0;
  const bool first = static_cast<bool>(pending_error_);
  const bool plain = !first && scan_plain(record.fields, non_ascii);
  if (plain && (expected_fields_ == 0 || record.fields.size() == expected_fields_) &&
      decodes_as_is(record.fields, non_ascii)) {
    record.line = line_;
    record.error = {};
    consume_plain(record.fields);
    return true;
  }
  read_record(own_, first || plain);
  record.line = own_.line;
  record.error = own_.error;
  record.fields.assign(own_.fields.begin(), own_.fields.end());
  return true;
}

void CsvReader::read_record(CsvRecord &record, bool may_be_plain) {
  record.line = line_;
  record.error = pending_error_;
  pending_error_ = {};
  resync_ = false;
  overflow_ = false;
  std::size_t count = 0;
  FieldMask non_ascii = AllFields;
  Parse result = Parse::Done;
  if (may_be_plain && scan_plain(plain_fields_, non_ascii)) {
    count = plain_fields_.size();
    if (record.fields.size() < count)
      record.fields.resize(count);
    for (std::size_t i = 0; i < count; ++i)
      record.fields[i].assign(plain_fields_[i]);
    consume_plain(plain_fields_);
  } else {
    result = parse(record, count);
  }
  record.fields.resize(count);
  if (non_ascii != 0)
    decode_fields(record, non_ascii);
  refuse_stray_bytes(record);
  if (result == Parse::Done) {
    if (expected_fields_ != 0 && count != expected_fields_ && !record.error)
      set_error(record,
                {.kind = CsvError::Kind::WrongFieldCount, .count = count, .expected = expected_fields_});
    if (resync_ && record.error)
      rewind();
  }
  resync_ = false;
}

bool CsvReader::scan_plain(std::vector<std::string_view> &fields, FieldMask &non_ascii) const {
  fields.clear();
  const char *const e = buffer_.data() + end_;
  FieldMask mask = 0;
  const char *const start = buffer_.data() + pos_;
  for (const char *p = start;;) {
    const char *q = p;
    unsigned char bits = 0;             // the field's bytes or'ed together
    for (; !stops(kPlainStop, *q); ++q) // the data is always followed by a line break
      bits |= static_cast<unsigned char>(*q);
    if (q == e || *q == '"' || *q == '\0' || fields.size() == options_.max_fields)
      return false; // parse() reads the record
    if (bits >= 0x80)
      mask |= field_bit(fields.size());
    fields.emplace_back(p, static_cast<std::size_t>(q - p));
    if (*q != ',') {
      if (static_cast<std::size_t>(q - start) > options_.max_record_bytes)
        return false;
      non_ascii = mask;
      return true;
    }
    p = q + 1;
  }
}

void CsvReader::consume_plain(const std::vector<std::string_view> &fields) {
  const char *const line_break = fields.back().data() + fields.back().size();
  skip_lf_ = *line_break == '\r';
  pos_ = static_cast<std::size_t>(line_break + 1 - buffer_.data());
  ++line_;
}

bool CsvReader::decodes_as_is(const std::vector<std::string_view> &fields, FieldMask non_ascii) const {
  if (non_ascii == 0)
    return true;
  if (encoding_ != Encoding::Utf8)
    return false; // not decided yet, or CP932
  const auto valid = [&fields](std::size_t i) {
    return find_invalid_utf8(fields[i]) == std::string::npos && fields[i].find(kUtf8Bom) == std::string::npos;
  };
  for (FieldMask m = non_ascii & ~field_bit(63); m != 0; m &= m - 1)
    if (!valid(static_cast<std::size_t>(std::countr_zero(m))))
      return false;
  if (non_ascii & field_bit(63))
    for (std::size_t i = 63; i < fields.size(); ++i)
      if (!valid(i))
        return false;
  return true;
}

CsvReader::Parse CsvReader::parse(CsvRecord &record, std::size_t &count) {
  enum class State { FieldStart, Unquoted, Quoted, QuotedAfterCr, QuoteSeen };
  auto &fields = record.fields;
  std::size_t field = 0;
  auto open_field = [&] {
    if (field == fields.size())
      fields.emplace_back();
    else
      fields[field].clear();
  };
  auto next_field = [&] {
    if (overflow_)
      return; // the record is refused anyway: don't let a flood of commas use memory
    if (field + 1 == options_.max_fields) {
      set_error(record, {.kind = CsvError::Kind::TooManyFields, .count = options_.max_fields});
      overflow_ = true;
      return;
    }
    ++field;
    open_field();
  };
  auto append = [&](const char *data, std::size_t size) {
    if (!overflow_)
      fields[field].append(data, size);
  };
  // Only the first error of a record is kept.
  auto fail = [&](CsvError::Kind kind) { set_error(record, {.kind = kind, .field = field + 1}); };
  auto finish = [&](Parse result) {
    count = field + 1;
    return result;
  };
  auto line_break_in_quotes = [&](char c) {
    ++line_;
    if (!resync_) {
      resync_ = true;
      resync_pos_ = pos_;
      resync_line_ = line_;
      resync_skip_lf_ = c == '\r';
    }
  };

  open_field();
  // Stream offsets: where the record starts, and its last byte within the
  // limit. The runs below stop one byte past that, so the limit is checked
  // exactly, wherever the reads from the stream end.
  const std::size_t record_start = base_ + pos_;
  const std::size_t last_allowed = record_start + options_.max_record_bytes;
  const bool one_line = record_start < scanned_end_;
  bool too_long = false;
  std::size_t quote_line = line_;
  State state = State::FieldStart;
  for (;;) {
    if (!too_long && base_ + pos_ > last_allowed) {
      too_long = true;
      set_error(record, {.kind = CsvError::Kind::TooLong, .count = options_.max_record_bytes});
      if (resync_) {
        rewind();
        return finish(Parse::Rewound);
      }
      overflow_ = true;
    }
    if (pos_ == end_ && !fill())
      break;
    const char *const data = buffer_.data();
    const char *const p = data + pos_;
    const char *const e = too_long ? data + end_ : data + std::min(end_, last_allowed + 1 - base_);
    switch (state) {
    case State::FieldStart:
      if (*p == '"') {
        ++pos_;
        state = State::Quoted;
        quote_line = line_;
        continue;
      }
      state = State::Unquoted;
      [[fallthrough]];
    case State::Unquoted: {
      const char *q = p;
      while (q != e && !stops(kUnquotedStop, *q))
        ++q;
      append(p, static_cast<std::size_t>(q - p));
      pos_ = static_cast<std::size_t>(q - data);
      if (q == e)
        continue;
      ++pos_;
      if (*q == ',') {
        next_field();
        state = State::FieldStart;
        continue;
      }
      if (*q == '"') {
        fail(CsvError::Kind::QuoteInUnquotedText);
        if (resync_) { // bad already: no need to read on over the lines it swallowed
          rewind();
          return finish(Parse::Rewound);
        }
        append(q, 1);
        continue;
      }
      ++line_;
      skip_lf_ = *q == '\r';
      return finish(Parse::Done);
    }
    case State::Quoted: {
      const char *q = p;
      while (q != e && !stops(kQuotedStop, *q))
        ++q;
      append(p, static_cast<std::size_t>(q - p));
      pos_ = static_cast<std::size_t>(q - data);
      if (q == e)
        continue;
      ++pos_;
      if (*q == '"') {
        state = State::QuoteSeen;
        continue;
      }
      if (one_line || record.error) { // bad anyway: ends at its first line
        fail(CsvError::Kind::QuoteOpenAtLineEnd);
        ++line_;
        skip_lf_ = *q == '\r';
        return finish(Parse::Done);
      }
      append(q, 1);
      line_break_in_quotes(*q);
      if (*q == '\r')
        state = State::QuotedAfterCr;
      continue;
    }
    case State::QuotedAfterCr:
      state = State::Quoted;
      if (*p == '\n') {
        append(p, 1);
        ++pos_;
      }
      continue;
    case State::QuoteSeen:
      ++pos_;
      switch (*p) {
      case '"':
        append(p, 1);
        state = State::Quoted;
        continue;
      case ',':
        next_field();
        state = State::FieldStart;
        continue;
      case '\n':
      case '\r':
        ++line_;
        skip_lf_ = *p == '\r';
        return finish(Parse::Done);
      default:
        fail(CsvError::Kind::TextAfterQuote);
        if (resync_) {
          rewind();
          return finish(Parse::Rewound);
        }
        append(p, 1);
        state = State::Unquoted;
        continue;
      }
    }
  }
  // End of input.
  if (state == State::Quoted || state == State::QuotedAfterCr) {
    set_error(record, {.kind = CsvError::Kind::QuoteOpenAtInputEnd, .field = field + 1, .line = quote_line});
    if (resync_) {
      rewind();
      return finish(Parse::Rewound);
    }
  }
  return finish(Parse::Done);
}

void CsvReader::decide_encoding(const CsvRecord &record) {
  std::string sample;
  for (const std::string &field : record.fields)
    if (!is_ascii(field)) {
      sample += field;
      sample += '\n';
    }
  ensure_lookahead(options_.sniff_bytes);
  const std::size_t available = end_ - pos_;
  const std::size_t ahead = std::min(available, options_.sniff_bytes);
  sample.append(buffer_.data() + pos_, ahead);
  const bool whole_input = eof_ && ahead == available;
  encoding_ = detect_encoding(sample, whole_input) == Encoding::Cp932 ? Encoding::Cp932 : Encoding::Utf8;
}

void CsvReader::refuse_stray_bytes(CsvRecord &record) {
  constexpr std::string_view Replacement = "\uFFFD";
  for (std::size_t i = 0; i < record.fields.size(); ++i) {
    std::string &field = record.fields[i];
    if (std::none_of(field.begin(), field.end(), [](char c) { return c == '\0' || c == '\xEF'; }))
      continue; // one look at each byte, mostly of short fields
    const std::size_t nul = field.find('\0');
    // A CP932 file has no byte-order mark; its bytes EF BB BF are text there.
    const std::size_t bom = encoding_ == Encoding::Cp932 ? std::string::npos : field.find(kUtf8Bom);
    if (nul == std::string::npos && bom == std::string::npos)
      continue;
    set_error(record, {.kind = nul < bom ? CsvError::Kind::NulByte : CsvError::Kind::ByteOrderMark,
                       .field = i + 1,
                       .offset = std::min(nul, bom)});
    scratch_.clear();
    for (std::size_t at = 0; at < field.size();) {
      if (field[at] == '\0') {
        scratch_ += Replacement;
        ++at;
      } else if (encoding_ != Encoding::Cp932 && std::string_view(field).substr(at).starts_with(kUtf8Bom)) {
        scratch_ += Replacement;
        at += kUtf8Bom.size();
      } else {
        scratch_ += field[at++];
      }
    }
    field.swap(scratch_);
  }
}

void CsvReader::decode_fields(CsvRecord &record, FieldMask non_ascii) {
  const std::size_t end = non_ascii & field_bit(63)
                              ? record.fields.size()
                              : std::min<std::size_t>(record.fields.size(), 64 - std::countl_zero(non_ascii));
  for (std::size_t i = 0; i < end; ++i) {
    std::string &field = record.fields[i];
    if ((non_ascii & field_bit(i)) == 0 || is_ascii(field))
      continue;
    if (encoding_ == Encoding::Auto)
      decide_encoding(record);
    if (encoding_ == Encoding::Utf8 && find_invalid_utf8(field) == std::string::npos)
      continue;
    scratch_.clear();
    std::size_t bad;
    if (encoding_ == Encoding::Cp932) {
      if (!cp932_)
        cp932_ = std::make_unique<Cp932Decoder>();
      bad = cp932_->decode_lossy(field, scratch_);
    } else {
      bad = append_utf8_lossy(field, scratch_);
    }
    if (bad != std::string::npos)
      set_error(record, {.kind = encoding_ == Encoding::Cp932 ? CsvError::Kind::InvalidCp932
                                                              : CsvError::Kind::InvalidUtf8,
                         .field = i + 1,
                         .offset = bad,
                         .byte = static_cast<unsigned char>(field[bad])});
    field.swap(scratch_);
  }
}

} // namespace zelvaro::batch
