#include "schedule/safe_filename.h"
#include "schedule/text_encoding.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <string>

namespace zelvaro::batch {
namespace {

using namespace std::string_literals;

TEST(ReportFileName, keeps_readable_ids_and_defuses_hostile_ones) {
  const struct {
    std::size_t line;
    std::string id;
    std::string_view extension;
    std::string expected;
  } cases[] = {
      {42, "ポンプP-1", ".txt", "000042_ポンプP-1.txt"},
      {42, "ポンプP-1", "pdf", "000042_ポンプP-1.pdf"},
      {7, "P-1", "", "000007_P-1"},
      {1234567, "P", ".txt", "1234567_P.txt"},
      {std::numeric_limits<std::size_t>::max(), "P", ".txt", "18446744073709551615_P.txt"},
      {1, "../x", ".txt", "000001_x.txt"},
      {2, "/", ".txt", "000002.txt"},
      {3, "..", ".txt", "000003.txt"},
      {4, "", ".txt", "000004.txt"},
      {5, "...", "", "000005"},
      {6, "a\nb\tc\x7f", ".txt", "000006_a_b_c.txt"},
      {7, "a\0b"s, ".txt", "000007_a_b.txt"},
      {8, "a<b>c:d\"e/f\\g|h?i*j", ".txt", "000008_a_b_c_d_e_f_g_h_i_j.txt"},
      {9, "\\\\server\\share", ".txt", "000009_server_share.txt"},
      {10, "C:\\Windows\\..", ".txt", "000010_C_Windows.txt"},
      {11, " FCU  1 ", ".txt", "000011_FCU_1.txt"},
      {12, "送風機\u3000No.2", ".txt", "000012_送風機_No.2.txt"},
      {13, "P-1.", "", "000013_P-1"},
      {14, "P-1 . ", "", "000014_P-1"},
      {15, "CON", ".txt", "000015_CON.txt"},
      {16, "-rf", ".txt", "000016_-rf.txt"},
      {17,
       "a\xFF\xFE"
       "b\xE3\x83",
       ".txt", "000017_a_b.txt"},                                   // not UTF-8
      {18, "evil\u202Etxt.exe", ".txt", "000018_evil_txt.exe.txt"}, // right-to-left override
      {19, "a\u200Bb\uFEFF", ".txt", "000019_a_b.txt"},             // invisible characters
      {20, "～①ｱ＼／", ".txt", "000020_～①ｱ＼／.txt"},              // full-width look-alikes are harmless
      // every format character, by category: Arabic letter mark, isolates,
      // Mongolian vowel separator, word joiner, a language tag
      {21, "P\u061C1\u2066\u2069\u180E2\u2060\U000E0001.pdf", ".txt", "000021_P_1_2_.pdf.txt"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.id));
    const std::string name = report_file_name(c.line, c.id, c.extension);
    EXPECT_EQ(name, c.expected);
    EXPECT_TRUE(is_safe_file_name(name));
  }
  for (const char *hidden : {"a\u061Cb.txt", "a\u200Db.txt", "a\u2067b.txt", "a\U000E0041b.txt"})
    EXPECT_FALSE(is_safe_file_name(hidden)) << hidden;
}

TEST(ReportFileName, cuts_long_ids_between_characters) {
  // 501 bytes of Japanese after 0..2 ASCII bytes, so that the cut falls on
  // every position within a three-byte character.
  std::string pumps;
  for (int i = 0; i < 167; ++i)
    pumps += "ポ";
  for (std::string lead : {"", "a", "ab"})
    for (std::size_t line : {42u, 1234567u})
      for (std::string_view extension : {".pdf", ""}) {
        SCOPED_TRACE(lead + " " + std::to_string(line) + " " + std::string(extension));
        const std::string name = report_file_name(line, lead + pumps, extension);
        EXPECT_LE(name.size(), kMaxFileNameBytes);
        EXPECT_GE(name.size(), kMaxFileNameBytes - 2); // no more cut than one character
        EXPECT_EQ(find_invalid_utf8(name), std::string::npos);
        EXPECT_TRUE(name.starts_with(std::to_string(line).size() < 6 ? "000042_" + lead + "ポ"
                                                                     : "1234567_" + lead + "ポ"));
        EXPECT_TRUE(name.ends_with(std::string(extension) + (extension.empty() ? "ポ" : "")));
      }
}

TEST(ReportFileName, refuses_extensions_that_are_not_plain_letters_and_digits) {
  for (std::string_view extension : {"../x", ".t/x", ".tx t", "a.b", ".0123456789abcdef", ".\xE3\x81\x82"}) {
    SCOPED_TRACE(std::string(extension));
    EXPECT_THROW(report_file_name(1, "P-1", extension), std::invalid_argument);
  }
}

TEST(IsSafeFileName, accepts_only_single_harmless_components) {
  const struct {
    std::string name;
    bool safe;
  } cases[] = {
      {"000001_P-1.txt", true},
      {"ポンプ.pdf", true},
      {"CONSOLE", true},
      {"000001_CON.txt", true},
      {"", false},
      {".", false},
      {"..", false},
      {".hidden", false},
      {"-rf", false},
      {" a", false},
      {"a.", false},
      {"a ", false},
      {"a/b", false},
      {"a\\b", false},
      {"a:b", false},
      {"a*", false},
      {"a\nb", false},
      {"a\0b"s, false},
      {"a\x7f", false},
      {"\xC2\x85", false}, // C1 control
      {"\xFF", false},
      {"CON", false},
      {"con.txt", false},
      {"Nul .txt", false},
      {"COM1", false},
      {"lpt9.log", false},
      {std::string(200, 'a'), true},
      {std::string(201, 'a'), false},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.name));
    EXPECT_EQ(is_safe_file_name(c.name), c.safe);
  }
}

TEST(ReportFileName, random_hostile_ids_give_safe_names) {
  const std::string pieces[] = {"/",     "\\",     "..",     ".",      "\0"s,  "\n",       "\r",
                                ":",     "*",      "?",      "\"",     "<",    ">",        "|",
                                " ",     "\u3000", "ポンプ", "\u202E", "\xFF", "\xE3\x83", "~",
                                "$HOME", "-",      "CON",    "a",      "P-1",  "%2e%2e%2f"};
  std::mt19937 random(20240607);
  for (std::size_t line = 1; line <= 2000; ++line) {
    std::string id;
    const std::size_t length = random() % 80;
    for (std::size_t i = 0; i < length; ++i) {
      if (random() % 4 == 0)
        id += static_cast<char>(random() % 256);
      else
        id += pieces[random() % std::size(pieces)];
    }
    const std::string name = report_file_name(line, id, ".txt");
    ASSERT_TRUE(is_safe_file_name(name)) << testing::PrintToString(id);
    ASSERT_EQ(find_invalid_utf8(name), std::string::npos) << testing::PrintToString(id);
  }
}

} // namespace
} // namespace zelvaro::batch
