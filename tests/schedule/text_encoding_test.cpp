#include "schedule/text_encoding.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace zelvaro::batch {
namespace {

constexpr auto npos = std::string_view::npos;

TEST(ParseEncoding, accepts_the_documented_names_in_any_case_only) {
  const struct {
    std::optional<Encoding> expected;
    std::vector<std::string_view> names;
  } cases[] = {
      {Encoding::Utf8, {"utf-8", "UTF-8", "utf8", "Utf8"}},
      {Encoding::Cp932, {"cp932", "CP932", "shift_jis", "Shift_JIS", "sjis", "SJIS"}},
      {Encoding::Auto, {"auto", "AUTO"}},
      {std::nullopt, {"", "utf-16", "latin1", "utf-8 ", "cp93", "sjis2"}},
  };
  for (const auto &c : cases)
    for (std::string_view name : c.names)
      EXPECT_EQ(parse_encoding(name), c.expected) << name;
}

TEST(FindInvalidUtf8, finds_the_first_malformed_sequence) {
  const struct {
    std::string_view bytes;
    bool allow_truncated_end;
    std::size_t expected;
  } cases[] = {
      {"", false, npos},
      {"P-1,12.5", false, npos},
      {"ポンプ", false, npos},
      {"\xF0\x9F\x94\xA9", false, npos}, // four-byte character
      {"a\x80", false, 1},               // lone continuation byte
      {"\xC0\xAF", false, 0},            // overlong '/'
      {"\xE0\x80\xAF", false, 0},        // overlong '/'
      {"\xED\xA0\x80", false, 0},        // surrogate
      {"\xF4\x90\x80\x80", false, 0},    // above U+10FFFF
      {"\xF5\x80\x80\x80", false, 0},    // no such lead byte
      {"ab\xE3\x83", false, 2},          // cut short at the end
      {"ab\xE3\x83", true, npos},        // ... which may be fine for a prefix
      {"ab\xE3\x83x", true, 2},          // but not in the middle
      {"ok\x83\x7c\x83\x93", false, 2},  // CP932 "ポン"
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::string(c.bytes)));
    EXPECT_EQ(find_invalid_utf8(c.bytes, c.allow_truncated_end), c.expected);
  }
}

TEST(AppendUtf8Lossy, replaces_each_bad_byte_and_reports_the_first) {
  std::string out = "x";
  EXPECT_EQ(append_utf8_lossy("a\xFF"
                              "b\xE3\x83",
                              out),
            1u);
  EXPECT_EQ(out, "xa\uFFFDb\uFFFD\uFFFD");
}

TEST(DetectEncoding, tells_utf8_from_cp932) {
  const struct {
    std::string_view prefix;
    bool whole_input;
    Encoding expected;
  } cases[] = {
      {"\xEF\xBB\xBFid,shape\r\n", true, Encoding::Utf8},
      {"\xEF\xBB\xBF\x83\x7c", true, Encoding::Utf8},    // the mark wins
      {"\xEF\xBB", false, Encoding::Auto},               // may still become a mark
      {"id,shape,M\nP-1,A,100\n", true, Encoding::Auto}, // ASCII: can't tell
      {"", true, Encoding::Auto},
      {"id\nポンプP-1\n", true, Encoding::Utf8},
      {"id\n\x83\x7c\x83\x93\x83\x76P-1\n", true, Encoding::Cp932}, // "ポンプP-1"
      {"id\n\xCE\xDF\xDD\xCC\xDF\n", true, Encoding::Cp932},        // half-width "ﾎﾟﾝﾌﾟ"
      {"id\n\x91\x97\x95\x97\x8b\x40\n", true, Encoding::Cp932},    // "送風機"
      {"id\nポンプ\xE3\x83", false, Encoding::Utf8},                // prefix ends inside a character
      {"id\n\x83\x7c\x83", false, Encoding::Cp932},                 // same in CP932
      {"id\n\x80\xFF\n", true, Encoding::Utf8},                     // neither: report, don't guess
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::string(c.prefix)));
    EXPECT_EQ(detect_encoding(c.prefix, c.whole_input), c.expected);
  }
}

TEST(Cp932Decoder, converts_with_microsofts_table) {
  const struct {
    std::string_view cp932;
    std::string_view utf8;
  } cases[] = {
      {"", ""},
      {"P-1,100", "P-1,100"},
      {"\x83\x7c\x83\x93\x83\x76", "ポンプ"},
      {"\x91\x97\x95\x97\x8b\x40", "送風機"},
      {"\xCE\xDF\xDD\xCC\xDF", "ﾎﾟﾝﾌﾟ"}, // half-width katakana
      {"\x87\x40", "①"},                 // NEC special characters
      {"\xFB\xFC", "髙"},                // IBM extension
      {"\x81\x60", "\uFF5E"},            // wave dash as Windows maps it
      {"\x5C\x7E", "\\~"},               // backslash and tilde, not yen and overline
  };
  Cp932Decoder decoder;
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::string(c.cp932)));
    std::string out = "prefix:";
    EXPECT_EQ(decoder.decode(c.cp932, out), npos);
    EXPECT_EQ(out, "prefix:" + std::string(c.utf8));
  }
}

TEST(Cp932Decoder, reports_the_first_invalid_byte) {
  const struct {
    std::string_view cp932;
    std::size_t bad;
    std::string_view converted_before;
  } cases[] = {
      {"ab\x80", 2, "ab"},           // undefined single byte
      {"\x83\x7c\xA0", 2, "ポ"},     // undefined single byte
      {"\x83\x7c\xFD", 2, "ポ"},     // undefined single byte
      {"\x83\x7c\x81\x20", 2, "ポ"}, // lead byte with a bad trail byte
      {"\x83\x7c\x83", 2, "ポ"},     // lead byte at the very end
      {"\x85\x40", 0, ""},           // unassigned pair
  };
  Cp932Decoder decoder;
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::string(c.cp932)));
    std::string out;
    EXPECT_EQ(decoder.decode(c.cp932, out), c.bad);
    EXPECT_EQ(out, c.converted_before);
  }
  // After an error the decoder starts afresh.
  std::string out;
  EXPECT_EQ(decoder.decode("\x83\x76", out), npos);
  EXPECT_EQ(out, "プ");
}

TEST(Cp932Decoder, lossy_decoding_replaces_bad_bytes_and_goes_on) {
  Cp932Decoder decoder;
  std::string out;
  EXPECT_EQ(decoder.decode_lossy("a\x80"
                                 "b\x83\x7c\x81\x20"
                                 "c",
                                 out),
            1u);
  EXPECT_EQ(out, "a\uFFFDbポ\uFFFD c");
}

} // namespace
} // namespace zelvaro::batch
