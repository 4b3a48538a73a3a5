#include "schedule/csv_reader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

namespace zelvaro::batch {
namespace {

using Fields = std::vector<std::string>;

struct Expected {
  std::size_t line;
  Fields fields;          // not compared when `error` is set and this is empty
  std::string error = {}; // a part of the expected message; empty: no error
};

// A forward-only stream that hands out its bytes a few at a time, like a pipe.
class TrickleBuf : public std::streambuf {
public:
  explicit TrickleBuf(std::string bytes) : bytes_(std::move(bytes)) {}

protected:
  int_type underflow() override {
    if (at_ == bytes_.size())
      return traits_type::eof();
    const std::size_t n = std::min<std::size_t>(3, bytes_.size() - at_);
    setg(bytes_.data() + at_, bytes_.data() + at_, bytes_.data() + at_ + n);
    at_ += n;
    return traits_type::to_int_type(*gptr());
  }

private:
  std::string bytes_;
  std::size_t at_ = 0;
};

std::vector<CsvRecord> read_all(CsvReader &reader) {
  std::vector<CsvRecord> records;
  CsvRecord record; // reused, as the batch does
  while (reader.next(record))
    records.push_back(record);
  return records;
}

std::vector<CsvRecord> read_all(const std::string &bytes, Encoding encoding = Encoding::Auto,
                                CsvReaderOptions options = {}) {
  std::istringstream in(bytes, std::ios::binary);
  CsvReader reader(in, encoding, options);
  return read_all(reader);
}

void expect_records(const std::vector<CsvRecord> &actual, const std::vector<Expected> &expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < actual.size(); ++i) {
    SCOPED_TRACE("record " + std::to_string(i));
    EXPECT_EQ(actual[i].line, expected[i].line);
    if (expected[i].error.empty()) {
      EXPECT_FALSE(actual[i].error) << to_string(actual[i].error);
    } else {
      EXPECT_NE(to_string(actual[i].error).find(expected[i].error), std::string::npos)
          << to_string(actual[i].error);
    }
    if (expected[i].error.empty() || !expected[i].fields.empty()) {
      EXPECT_EQ(actual[i].fields, expected[i].fields);
    }
  }
}

// Small buffers put every byte at a buffer boundary somewhere.
constexpr std::size_t BufferSizes[] = {1, 2, 3, 5, 64 * 1024};

TEST(CsvReader, reads_well_formed_input) {
  const struct {
    const char *name;
    std::string input;
    std::vector<Expected> records;
  } cases[] = {
      {"LF", "a,b\nc,d\n", {{1, {"a", "b"}}, {2, {"c", "d"}}}},
      {"CR LF", "a,b\r\nc,d\r\n", {{1, {"a", "b"}}, {2, {"c", "d"}}}},
      {"lone CR", "a,b\rc,d\r", {{1, {"a", "b"}}, {2, {"c", "d"}}}},
      {"no final line break", "a,b\nc,d", {{1, {"a", "b"}}, {2, {"c", "d"}}}},
      {"empty input", "", {}},
      {"empty fields", ",a,,\n", {{1, {"", "a", "", ""}}}},
      {"commas only", ",,\r\n", {{1, {"", "", ""}}}},
      {"empty lines are skipped but counted", "a\n\n\r\n\rb\n\n", {{1, {"a"}}, {5, {"b"}}}},
      {"quoted comma, doubled quotes, empty quoted",
       "\"a,b\",\"say \"\"hi\"\"\",\"\"\n",
       {{1, {"a,b", "say \"hi\"", ""}}}},
      {"quoted field last, no line break", "a,\"b\"", {{1, {"a", "b"}}}},
      {"LF inside quotes", "\"x\ny\",z\nnext\n", {{1, {"x\ny", "z"}}, {3, {"next"}}}},
      {"CR LF inside quotes", "\"x\r\ny\",z\r\nnext", {{1, {"x\r\ny", "z"}}, {3, {"next"}}}},
      {"lone CR inside quotes", "\"x\ry\"\rnext", {{1, {"x\ry"}}, {3, {"next"}}}},
      {"quoted empty lines inside quotes", "\"\n\n\"\nb", {{1, {"\n\n"}}, {4, {"b"}}}},
      {"UTF-8 Japanese", "id,n\nポンプP-1,1\n", {{1, {"id", "n"}}, {2, {"ポンプP-1", "1"}}}},
      {"byte-order mark", "\xEF\xBB\xBFid,n\r\n1,2\r\n", {{1, {"id", "n"}}, {2, {"1", "2"}}}},
      {"byte-order mark only", "\xEF\xBB\xBF", {}},
  };
  for (const auto &c : cases)
    for (std::size_t buffer : BufferSizes) {
      SCOPED_TRACE(std::string(c.name) + ", buffer " + std::to_string(buffer));
      expect_records(read_all(c.input, Encoding::Auto, {.buffer_bytes = buffer}), c.records);
    }
}

TEST(CsvReader, reports_malformed_records_and_keeps_the_following_ones) {
  const struct {
    const char *name;
    std::string input;
    std::vector<Expected> records;
  } cases[] = {
      {"quote inside an unquoted field",
       "ab\"c,d\nx\n",
       {{1, {"ab\"c", "d"}, "field 1 has a quote inside unquoted text"}, {2, {"x"}}}},
      {"text after a closing quote",
       "a,\"b\"c,d\nx\n",
       {{1, {"a", "bc", "d"}, "field 2 has text after its closing quote"}, {2, {"x"}}}},
      {"unclosed quote on the last line",
       "a\n\"b,c",
       {{1, {"a"}}, {2, {"b,c"}, "field 1: the quote opened on line 2 is not closed"}}},
      {"unclosed quote swallowing the rest: the rows after it are read again",
       "id,n\n\"P-1,1\nP-2,2\r\nP-3,3\rP-4,4",
       {{1, {"id", "n"}},
        {2, {}, "the quote opened on line 2 is not closed"},
        {3, {"P-2", "2"}},
        {4, {"P-3", "3"}},
        {5, {"P-4", "4"}}}},
      {"missing closing quote closed by a later row's quote",
       "\"P-1,1\nP-2,2\n\"P-3\",3\n",
       {{1, {}, "has text after its closing quote"}, {2, {"P-2", "2"}}, {3, {"P-3", "3"}}}},
      {"stray quote in a record with a line break in quotes",
       "\"a\nb\",c\"d\ne\n",
       {{1, {}, "quote inside unquoted text"},
        {2, {"b\"", "c\"d"}, "quote inside unquoted text"},
        {3, {"e"}}}},
  };
  for (const auto &c : cases)
    for (std::size_t buffer : BufferSizes) {
      SCOPED_TRACE(std::string(c.name) + ", buffer " + std::to_string(buffer));
      expect_records(read_all(c.input, Encoding::Auto, {.buffer_bytes = buffer}), c.records);
    }
}

TEST(CsvReader, refuses_rows_with_another_field_count_than_the_header) {
  std::istringstream in("id,shape,M\nP-1,A,1\nP-2,A\nP-3,A,3,\n\"P-4\nx\",A,4\n", std::ios::binary);
  CsvReader reader(in);
  CsvRecord header;
  ASSERT_TRUE(reader.next(header));
  reader.expect_fields(header.fields.size());
  expect_records(read_all(reader), {{2, {"P-1", "A", "1"}},
                                    {3, {"P-2", "A"}, "has 2 fields instead of 3"},
                                    {4, {"P-3", "A", "3", ""}, "has 4 fields instead of 3"},
                                    {5, {"P-4\nx", "A", "4"}}});
}

// Random schedules: plain rows with quoted, malformed and undecodable cells
// among them, or any mix of the bytes that matter.
std::string random_input(std::mt19937 &random, int round) {
  if (round % 2) {
    const std::string pieces[] = {"a", "b", ",", "\"", "\"\"", "\r", "\n", "\r\n", "ポ"};
    std::string input;
    for (std::size_t length = random() % 40; length > 0; --length)
      input += pieces[random() % std::size(pieces)];
    return input;
  }
  const std::string cells[] = {"",
                               "P-1",
                               "12.5",
                               "機器-3",
                               "\x83\x7c",
                               "\xFF",
                               "\"a,b\"",
                               "\"x\"\"y\"",
                               "a\"b",
                               "\"q\"z",
                               "\"open",
                               "ポ,\"ン\"",
                               std::string("N\0", 2),
                               "B\xEF\xBB\xBF"};
  const std::string breaks[] = {"\n", "\r\n", "\r", "\n\n", "\r\n\r\n"};
  std::string input = random() % 8 == 0 ? "\xEF\xBB\xBF" : ""; // a byte-order mark now and then
  for (std::size_t rows = 1 + random() % 8; rows > 0; --rows) {
    for (std::size_t k = random() % 5; k > 0; --k) {
      // mostly plain cells
      input += cells[random() % 3 == 0 ? random() % std::size(cells) : random() % 6];
      input += ',';
    }
    input += cells[random() % 6];
    if (rows > 1 || random() % 2)
      input += breaks[random() % std::size(breaks)];
  }
  return input;
}

TEST(CsvReader, records_and_views_do_not_depend_on_where_the_buffer_ends) {
  // Read byte by byte into records, and again with larger buffers, where a
  // plain row whose whole line is in the buffer is split in one go, into
  // views (which copy nothing for such rows) and records mixed.
  std::mt19937 random(70716);
  for (int round = 0; round < 4000; ++round) {
    const std::string input = random_input(random, round);
    SCOPED_TRACE(testing::PrintToString(input));
    for (Encoding encoding : {Encoding::Auto, Encoding::Utf8, Encoding::Cp932})
      for (std::size_t expected_fields : {0, 3}) {
        std::istringstream in(input, std::ios::binary);
        CsvReader reader(in, encoding, {.buffer_bytes = 1});
        reader.expect_fields(expected_fields);
        const auto records = read_all(reader);
        for (std::size_t buffer : {1, 2, 3, 7, 64 * 1024}) {
          std::istringstream again(input, std::ios::binary);
          CsvReader view_reader(again, encoding, {.buffer_bytes = buffer});
          view_reader.expect_fields(expected_fields);
          CsvRecordView view;
          CsvRecord record;
          for (std::size_t i = 0;; ++i) {
            SCOPED_TRACE("record " + std::to_string(i) + ", buffer " + std::to_string(buffer));
            const bool as_view = (i + round) % 3 != 0;
            const bool got = as_view ? view_reader.next(view) : view_reader.next(record);
            ASSERT_EQ(got, i < records.size());
            if (!got)
              break;
            if (as_view) {
              record.line = view.line;
              record.fields.assign(view.fields.begin(), view.fields.end());
              record.error = view.error;
            }
            ASSERT_EQ(record.line, records[i].line);
            ASSERT_EQ(record.fields, records[i].fields);
            ASSERT_EQ(record.error, records[i].error);
          }
        }
      }
  }
}

const std::string PumpCp932 = "\x83\x7c\x83\x93\x83\x76"; // "ポンプ"

TEST(CsvReader, reads_cp932_forced_or_detected) {
  // "ソ" and "表" end with 0x5C, the backslash in ASCII.
  const std::string input =
      "id,n\r\n" + PumpCp932 + "P-1,1\r\n\"" + PumpCp932 + ",\"\"2\"\"\",2\r\n" + "\x83\x5c\x95\x5c,3\r\n";
  for (Encoding encoding : {Encoding::Cp932, Encoding::Auto}) {
    SCOPED_TRACE(encoding == Encoding::Cp932 ? "cp932" : "auto");
    std::istringstream in(input, std::ios::binary);
    CsvReader reader(in, encoding);
    expect_records(
        read_all(reader),
        {{1, {"id", "n"}}, {2, {"ポンプP-1", "1"}}, {3, {"ポンプ,\"2\"", "2"}}, {4, {"ソ表", "3"}}});
  }
}

TEST(CsvReader, decides_the_encoding_at_the_first_non_ascii_row_even_far_into_the_file) {
  std::string input = "id,n\n";
  std::size_t rows = 0;
  while (input.size() < 3 * kSniffBytes)
    input += "P-" + std::to_string(++rows) + ",1\n";
  input += PumpCp932 + ",2\n";
  std::istringstream in(input, std::ios::binary);
  CsvReader reader(in);
  CsvRecord record;
  for (std::size_t i = 0; i <= rows; ++i)
    ASSERT_TRUE(reader.next(record));
  ASSERT_TRUE(reader.next(record));
  EXPECT_EQ(to_string(record.error), "");
  EXPECT_EQ(record.line, rows + 2);
  EXPECT_EQ(record.fields, (Fields{"ポンプ", "2"}));
  EXPECT_FALSE(reader.next(record));
}

TEST(CsvReader, cp932_character_across_a_buffer_boundary_is_read_whole) {
  // "送風機ポンプ" after a prefix of 0..3 bytes, read with buffers of 1..16
  // bytes: every lead byte ends up at the end of a buffer for some pair.
  const std::string fan_pump = "\x91\x97\x95\x97\x8b\x40" + PumpCp932;
  for (std::string prefix : {"", "a", "ab", "abc"})
    for (std::size_t buffer = 1; buffer <= 16; ++buffer)
      for (Encoding encoding : {Encoding::Cp932, Encoding::Auto}) {
        SCOPED_TRACE("prefix " + prefix + ", buffer " + std::to_string(buffer));
        expect_records(
            read_all("id\n" + prefix + fan_pump + "," + fan_pump, encoding, {.buffer_bytes = buffer}),
            {{1, {"id"}}, {2, {prefix + "送風機ポンプ", "送風機ポンプ"}}});
      }
}

TEST(CsvReader, standard_input_like_stream_loses_no_sniffed_bytes) {
  TrickleBuf buf("\xEF\xBB\xBFid,n\n" + std::string("ポンプ,1\n"));
  std::istream in(&buf);
  CsvReader reader(in, Encoding::Auto, {.buffer_bytes = 4});
  expect_records(read_all(reader), {{1, {"id", "n"}}, {2, {"ポンプ", "1"}}});
}

TEST(CsvReader, bad_bytes_mark_their_row_and_name_the_field) {
  const struct {
    const char *name;
    Encoding encoding;
    std::string input;
    std::vector<Expected> records;
  } cases[] = {
      {"CP932",
       Encoding::Cp932,
       "P-1,1\nP\x80,2\nP-3,\x83\x7c\x81\n",
       {{1, {"P-1", "1"}},
        {2, {"P\uFFFD", "2"}, "field 1 is not valid CP932 (byte 0x80 at offset 1)"},
        {3, {"P-3", "ポ\uFFFD"}, "field 2 is not valid CP932 (byte 0x81 at offset 2)"}}},
      {"UTF-8",
       Encoding::Utf8,
       "ポンプ,1\n" + PumpCp932 + ",2\nP-3,3\n",
       {{1, {"ポンプ", "1"}},
        {2,
         {"\uFFFD|\uFFFD\uFFFD\uFFFDv", "2"},
         "field 1 is not valid UTF-8 (byte 0x83 at offset 0); if the file"},
        {3, {"P-3", "3"}}}},
      {"NUL bytes and a byte-order mark after the start",
       Encoding::Auto,
       std::string("P-1,1\nP\0-2,\0\n", 13) + "P-3,\xEF\xBB\xBF\nP-4,4\n",
       {{1, {"P-1", "1"}},
        {2, {"P\uFFFD-2", "\uFFFD"}, "field 1 has a NUL byte at offset 1"},
        {3, {"P-3", "\uFFFD"}, "field 2 has a byte-order mark at offset 0"},
        {4, {"P-4", "4"}}}},
      {"UTF-8 byte-order mark read as CP932",
       Encoding::Cp932,
       "\xEF\xBB\xBFid\nP-1\n",
       {{1, {"id"}, "starts with a UTF-8 byte-order mark"}, {2, {"P-1"}}}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    expect_records(read_all(c.input, c.encoding), c.records);
  }
}

TEST(CsvReader, overlong_records_are_refused_with_bounded_memory) {
  const CsvReaderOptions options{.buffer_bytes = 4096, .max_record_bytes = 64 * 1024};
  // One 8 MB line: refused, its field cut short, the next line read.
  {
    const auto records = read_all("id\n" + std::string(8 << 20, 'x') + "\nP-2\n", Encoding::Auto, options);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_NE(to_string(records[1].error).find("is longer than 65536 bytes"), std::string::npos);
    EXPECT_LE(records[1].fields[0].size(), options.max_record_bytes + options.buffer_bytes);
    EXPECT_EQ(records[2].fields, Fields{"P-2"});
    EXPECT_EQ(records[2].line, 3u);
  }
  // A line of commas doesn't make millions of fields either.
  {
    const auto records = read_all(std::string(8 << 20, ',') + "\nx\n", Encoding::Auto, options);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_LE(records[0].fields.size(), options.max_record_bytes + options.buffer_bytes + 1);
    EXPECT_EQ(records[1].fields, Fields{"x"});
  }
  // An unclosed quote before many lines: refused once too long, the lines after it kept.
  {
    std::string input = "\"P-1,1\n";
    for (int i = 2; i <= 20000; ++i)
      input += "P-" + std::to_string(i) + ",1\n";
    const auto records = read_all(input, Encoding::Auto, options);
    ASSERT_EQ(records.size(), 20000u);
    EXPECT_NE(to_string(records[0].error).find("is longer than"), std::string::npos);
    for (std::size_t i = 1; i < records.size(); ++i)
      ASSERT_EQ(records[i].fields, (Fields{"P-" + std::to_string(i + 1), "1"}));
  }
}

TEST(CsvReader, record_limits_hold_exactly_wherever_the_reads_end) {
  // 100 bytes are allowed, 101 not, whether the row is plain or quoted; a
  // thousand fields are allowed, 1001 not.
  const std::string bytes =
      std::string(100, 'a') + "\n" + std::string(101, 'a') + "\n\"" + std::string(99, 'b') + "\"\nend\n";
  const std::string fields = std::string(999, ',') + "\n" + std::string(1000, ',') + "\nend\n";
  for (std::size_t buffer : BufferSizes) {
    SCOPED_TRACE("buffer " + std::to_string(buffer));
    const auto by_bytes = read_all(bytes, Encoding::Auto, {.buffer_bytes = buffer, .max_record_bytes = 100});
    ASSERT_EQ(by_bytes.size(), 4u);
    EXPECT_EQ(to_string(by_bytes[0].error), "");
    EXPECT_EQ(to_string(by_bytes[1].error), "is longer than 100 bytes");
    EXPECT_EQ(to_string(by_bytes[2].error), "is longer than 100 bytes");
    EXPECT_EQ(by_bytes[3].fields, Fields{"end"});
    const auto by_fields = read_all(fields, Encoding::Auto, {.buffer_bytes = buffer});
    ASSERT_EQ(by_fields.size(), 3u);
    EXPECT_EQ(to_string(by_fields[0].error), "");
    EXPECT_EQ(to_string(by_fields[1].error), "has more than 1000 fields");
    EXPECT_EQ(by_fields[1].fields.size(), 1000u);
    EXPECT_EQ(by_fields[2].fields, Fields{"end"});
  }
}

TEST(CsvReader, crafted_quotes_are_read_in_linear_time) {
  // Each line of x"," opens a quote that runs on over every line after it;
  // read again from each line, 64 kB of them took seconds.
  std::string crafted, normal;
  while (crafted.size() < 64 * 1024)
    crafted += "x\",\"\n";
  while (normal.size() < crafted.size())
    normal += "P-1,floor,12,500\n";
  const auto read = [](const std::string &text, std::size_t &records) {
    const auto start = std::chrono::steady_clock::now();
    std::istringstream in(text, std::ios::binary);
    CsvReader reader(in);
    CsvRecordView record;
    for (records = 0; reader.next(record); ++records) {
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  std::size_t crafted_records = 0, normal_records = 0;
  const double crafted_seconds = read(crafted, crafted_records),
               normal_seconds = read(normal, normal_records);
  EXPECT_EQ(crafted_records, crafted.size() / 5); // one bad record a line
  EXPECT_LT(crafted_seconds, 10 * normal_seconds + 0.1);
}

} // namespace
} // namespace zelvaro::batch
