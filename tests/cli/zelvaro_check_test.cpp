// zelvaro-check run as a user runs it: arguments in, report, messages and
// exit status out.
#include "tests/support/worked_examples.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Result {
  int status;
  std::string out, err;
};

std::string slurp(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

Result check(const std::string &args) {
  const std::string dir = ::testing::TempDir();
  // Test cases run as parallel processes: every run gets its own files.
  static int counter = 0;
  const std::string stem = dir + "/zc_" + std::to_string(getpid()) + "_" + std::to_string(++counter);
  const std::string out = stem + ".out", err = stem + ".err";
  // The messages in Japanese, as under a Japanese locale.
  const std::string cmd = "LC_ALL=C.UTF-8 LANGUAGE=ja " + std::string(ZELVARO_CHECK) + " " + args + " >" +
                          out + " 2>" + err + " </dev/null";
  const int raw = std::system(cmd.c_str());
  Result r{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(out), slurp(err)};
  std::remove(out.c_str());
  std::remove(err.c_str());
  return r;
}

const std::string Floor = "--shape floor --anchor hawk-cut --material SS ";
const std::string Example = zelvaro::test::worked_example(zelvaro::Shape::Floor).command_line();
// The floor example with `changes` over its texts.
std::string floor_with(const zelvaro::test::Fields &changes) {
  return zelvaro::test::worked_example(zelvaro::Shape::Floor).command_line(changes);
}

TEST(ZelvaroCheck, worked_examples_print_the_report_with_lf_and_pass) {
  for (const zelvaro::test::WorkedExample &e : zelvaro::test::worked_examples()) {
    SCOPED_TRACE(e.command_line());
    const Result r = check(e.command_line());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("～～～～～", 0), 0u);
    EXPECT_EQ(r.out.find('\r'), std::string::npos);
    std::string expected; // the result box's text, ended as a text file
    for (std::string_view line : e.report)
      expected += std::string(line) + "\n";
    EXPECT_EQ(r.out.substr(r.out.find('\n') + 1), expected);
    EXPECT_TRUE(r.err.empty());
  }
}

TEST(ZelvaroCheck, crlf_keeps_the_result_box_line_breaks) {
  const Result r = check(Example + " --crlf");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("2205 (N)\r\n"), std::string::npos);
  EXPECT_TRUE(r.out.ends_with(",安全\r\n")); // the last line ends too, as in a text file
}

TEST(ZelvaroCheck, shortfall_exits_1_with_the_advice_on_stderr) {
  const Result r = check(floor_with({{"M", "8"}, {"W", "50000"}}));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("⇒ﾎﾞﾙﾄ強度が足りない。"), std::string::npos);
  EXPECT_NE(r.err.find("耐震強度不足"), std::string::npos);
  EXPECT_NE(r.err.find("「ボルト自体の強度」と「ボルトとコンクリートの密着性、連結性も不足」"),
            std::string::npos);
}

TEST(ZelvaroCheck, refusals_and_numeric_errors_exit_2_with_nothing_on_stdout) {
  struct Row {
    std::string args, message;
  } rows[] = {
      {Floor + "W=500 n=4 LG=30 HG=60 L=50", "空白が有りますので、埋めてください｡"}, // no diameter
      {Floor + "M=12 W=500 n=4 LG=30 HG=60", "空白が有りますので、埋めてください｡"},
      {floor_with({{"F", ""}}), "空白が有りますので、埋めてください｡"},
      {floor_with({{"M", "9"}}), "ボルトは選択以外の径は強度基準が無いため､入力できません"},
      {"--shape wall --anchor rebar-hooked --material SUS M=30 W=1 n1=2 n2=2 L1=1 L2=1 L1G=1 L2G=1 L3G=1",
       "入力できません"},
      {floor_with({{"W", "5e2"}}), "「機器重量W(kg)」"},
      {floor_with({{"n", "0"}}), "入力された値では計算できません。"},
      {"--shape braced --anchor chemical --material SS M=10 W=1 n=2 LG=1 HG=1 H=0", "0による割り算"},
  };
  for (const Row &row : rows) {
    const Result r = check(row.args);
    EXPECT_EQ(r.status, 2) << row.args;
    EXPECT_TRUE(r.out.empty()) << row.args;
    EXPECT_NE(r.err.find(row.message), std::string::npos) << row.args << "\n" << r.err;
  }
}

TEST(ZelvaroCheck, usage_errors_exit_2) {
  for (const std::string &args :
       {Floor + "M=12 D=5", Floor + "M=12 n1=2", Floor + "M=12 W=500 W=600",
        std::string("--shape floor --anchor hawk-cut M=12"),
        std::string("--shape roof --anchor hawk-cut --material SS"),
        std::string("--shape floor --anchor glue --material SS"),
        std::string("--shape floor --anchor hawk-cut --material SS --fast"),
        std::string("--shape floor --anchor hawk-cut --material SS W500"), std::string("--shape")}) {
    const Result r = check(args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_TRUE(r.out.empty()) << args;
    EXPECT_NE(r.err.find("--help"), std::string::npos) << args;
  }
}

TEST(ZelvaroCheck, help_is_japanese_with_an_example) {
  const Result r = check("--help");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("使い方"), std::string::npos);
  EXPECT_NE(r.out.find("zelvaro-check --shape floor --anchor hawk-cut --material SS M=12"),
            std::string::npos);
}

} // namespace
