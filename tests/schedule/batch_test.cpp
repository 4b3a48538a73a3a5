// The batch mode in-process: schedules in, verdict tables, diagnostics,
// counts and report files out.
#include "capture/advice.h"
#include "engine/checks.h"
#include "engine/shape_procedure.h"
#include "refdata/materials.h"
#include "refdata/selection_lists.h"
#include "schedule/batch.h"
#include "schedule/progress_bar.h"

#include "engine/number_text.h"
#include "engine/report_text.h"
#include "schedule/csv_reader.h"
#include "tests/support/case_runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace zelvaro::batch {
namespace {

namespace fs = std::filesystem;
using test::FixedNow;

struct BatchRun {
  BatchCounts counts;
  std::string table, diagnostics;
  std::vector<CsvRecord> rows; // the table read back, header first

  const std::vector<std::string> &row(std::size_t i) const { return rows.at(i + 1).fields; }
  std::string cell(std::size_t i, std::string_view column) const {
    const auto &header = rows.at(0).fields;
    for (std::size_t c = 0; c < header.size(); ++c)
      if (header[c] == column)
        return row(i).at(c);
    ADD_FAILURE() << "no column " << column;
    return {};
  }
};

BatchRun run(const std::string &schedule, BatchOptions options = {}) {
  if (options.now.empty())
    options.now = FixedNow;
  std::istringstream in(schedule, std::ios::binary);
  std::ostringstream table, diagnostics;
  BatchRun r;
  r.counts = run_batch(in, table, diagnostics, options);
  r.table = table.str();
  r.diagnostics = diagnostics.str();
  std::istringstream back(r.table, std::ios::binary);
  CsvReader reader(back, Encoding::Utf8);
  CsvRecord record;
  while (reader.next(record)) {
    EXPECT_FALSE(record.error) << to_string(record.error) << " on line " << record.line << " of the table";
    EXPECT_EQ(record.fields.size(), 16u) << "line " << record.line << " of the table";
    r.rows.push_back(record);
  }
  return r;
}

// The floor example as a schedule: M,KH,Z,W,n,LG,HG,L, and its row after the id.
const std::string Header = test::worked_example(Shape::Floor).schedule_header();
const std::string FloorRow = test::worked_example(Shape::Floor).schedule_cells();

bool contains(const std::string &text, std::string_view part) {
  return text.find(part) != std::string::npos;
}

std::string csv_quoted(const std::string &cell) {
  std::string out = "\"";
  for (char c : cell)
    out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

// Each row against the same case run directly through the single-case steps:
// the worked examples, with other anchor kinds, materials and loads.
TEST(Batch, every_shape_and_anchor_kind_matches_the_single_case) {
  const struct {
    Shape shape;
    Anchor anchor;
    Material material;
    const char *selections;
    test::Fields extra;
  } cases[] = {
      {Shape::Floor, Anchor::HawkCut, Material::SS, "floor,hawk-cut,SS", {}},
      {Shape::Floor,
       Anchor::HawkCut,
       Material::SS,
       "floor,hawk-cut,SS",
       {{"KH", "2.0"}, {"P", "3.7"}, {"N", "1450"}, {"a", "20"}}},
      {Shape::Circular,
       Anchor::RebarWelded,
       Material::SUS,
       "circular,rebar-welded,SUS",
       {{"M", "20"}, {"Z", "0.9"}, {"W", "5000"}}},
      {Shape::Wall, Anchor::JTip, Material::SS, "wall,j-tip,SS", {{"M", "10"}, {"KH", "2.0"}}},
      {Shape::Ceiling, Anchor::Chemical, Material::SS, "ceiling,chemical,SS", {{"M", "10"}, {"W", "2000"}}},
      {Shape::Braced,
       Anchor::RebarHooked,
       Material::SUS,
       "braced,rebar-hooked,SUS",
       {{"M", "16"}, {"W", "400"}, {"F", "10"}}},
      {Shape::Floor, Anchor::LTip, Material::SS, "floor,l-tip,SS", {{"M", "8"}, {"W", "50000"}}},
      {Shape::Wall,
       Anchor::BoltEmbedded,
       Material::SUS,
       "wall,bolt-embedded,SUS",
       {{"M", "24"}, {"W", "9000"}}},
  };
  // Every column; a row leaves the ones its shape does not read empty.
  std::string schedule = "id,shape,anchor,material";
  for (std::string_view name : cases::field_names())
    schedule += "," + std::string(name);
  schedule += "\r\n";
  std::vector<test::Fields> pairs;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    test::Fields extra{{"P", "0"}, {"N", "0"}, {"a", "0"}, {"F", "0"}};
    extra.insert(extra.end(), cases[i].extra.begin(), cases[i].extra.end());
    pairs.push_back(test::worked_example(cases[i].shape).field_texts(extra));
    schedule += "item" + std::to_string(i) + "," + cases[i].selections;
    for (std::string_view name : cases::field_names()) {
      const auto it =
          std::find_if(pairs[i].begin(), pairs[i].end(), [&](const auto &p) { return p.first == name; });
      schedule += "," + (it == pairs[i].end() ? "" : it->second);
    }
    schedule += "\r\n";
  }
  const BatchRun r = run(schedule);
  ASSERT_EQ(r.rows.size(), std::size(cases) + 1);
  EXPECT_TRUE(r.table.starts_with(std::string(TableHeader) + "\r\n"));
  // The same run as typed results.
  struct Collect : ResultSink {
    std::vector<ItemResult> results;
    void write(const ItemResult &result) override { results.push_back(result); }
  } typed;
  std::istringstream again(schedule);
  std::ostringstream quiet;
  BatchOptions options;
  options.now = FixedNow;
  run_batch(again, typed, quiet, options);
  ASSERT_EQ(typed.results.size(), std::size(cases));

  std::size_t shortfalls = 0;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE("item" + std::to_string(i));
    const auto &c = cases[i];
    const test::CaseRun one = test::run(c.shape, c.anchor, c.material, pairs[i]);
    ASSERT_TRUE(one.reported());
    const SeismicCalcState &s = one.state;
    EXPECT_EQ(r.cell(i, "status"), one.outcome.message ? "shortfall" : "ok");
    shortfalls += one.outcome.message ? 1 : 0;
    const ItemResult &t = typed.results[i];
    EXPECT_EQ(t.line, i + 2);
    EXPECT_EQ(status_word(t.status), r.cell(i, "status"));
    EXPECT_EQ(std::tuple(t.Rb_N, t.sigma_b_MPa, t.tau_b_MPa, t.sigma_c_MPa, t.tau_c_MPa, t.ft_MPa, t.fs_MPa),
              std::tuple(s.Rb, s.sigma_b, s.tau_b, s.sigma_c, s.tau_c, s.ft, s.fs));
    EXPECT_EQ(t.bolt_ok, s.VerdictLine == VerdictPass);
    EXPECT_EQ(t.bond_checked, c.anchor != Anchor::RebarWelded);
    if (t.bond_checked) {
      EXPECT_EQ(std::tuple(t.pullout_kg, t.allowable_kg),
                std::tuple(one.outcome.bond->pullout_kg, one.outcome.bond->allowable_kg));
      EXPECT_EQ(t.bond_ok, s.AnchorBlock.ends_with(BondSafe));
    } else {
      EXPECT_EQ(std::tuple(t.LL_cm, t.RebarCount), std::tuple(s.LL, s.RebarCount));
    }
    EXPECT_EQ(t.message, r.cell(i, "message"));
    EXPECT_EQ(cases::joined(t.suggestions, " / "), r.cell(i, "suggestion"));
    for (const auto &[column, member] : {std::pair{"Rb", &SeismicCalcState::Rb},
                                         {"sigma_b", &SeismicCalcState::sigma_b},
                                         {"tau_b", &SeismicCalcState::tau_b},
                                         {"sigma_c", &SeismicCalcState::sigma_c},
                                         {"tau_c", &SeismicCalcState::tau_c}})
      EXPECT_EQ(r.cell(i, column), number_text(s.*member)) << column;
    EXPECT_TRUE(one.has_line(r.cell(i, "bolt_verdict")));
    if (c.anchor == Anchor::RebarWelded) {
      EXPECT_EQ(r.cell(i, "pullout_kg") + r.cell(i, "allowable_kg") + r.cell(i, "anchor_verdict"), "");
      EXPECT_TRUE(contains(one.outcome.report, " = " + r.cell(i, "LL") + "(cm)"));
      EXPECT_TRUE(contains(one.outcome.report, "= " + r.cell(i, "RebarCount") + "（本）"));
    } else {
      EXPECT_EQ(r.cell(i, "LL") + r.cell(i, "RebarCount"), "");
      // The bond line as the report prints it, rebuilt from the cells.
      const std::string label = c.anchor == Anchor::RebarHooked ? "はφ13鉄筋強度=" : "はｺﾝｸﾘｰﾄとﾎﾞﾙﾄ密着力=";
      EXPECT_TRUE(one.has_line("⇒引抜力 Rb=" + r.cell(i, "pullout_kg") + "(kg)" + label +
                               r.cell(i, "allowable_kg") + "(kg)" + r.cell(i, "anchor_verdict")))
          << one.outcome.report;
    }
    std::string advice = one.outcome.message ? one.outcome.message->text : "";
    for (std::size_t p; (p = advice.find("\r\n")) != std::string::npos;)
      advice.replace(p, 2, " ");
    EXPECT_EQ(r.cell(i, "message"), advice);
    EXPECT_EQ(r.cell(i, "suggestion").empty(), !one.outcome.message);
  }
  EXPECT_GT(shortfalls, 0u);
  EXPECT_EQ(r.counts.shortfalls, shortfalls);
  EXPECT_EQ(exit_status(r.counts), 1);
  EXPECT_EQ(r.diagnostics, "zelvaro-check: 件数 8、問題無し " + std::to_string(8 - shortfalls) + "、不足 " +
                               std::to_string(shortfalls) + "、拒否 0\n");
}

TEST(Batch, refused_rows_are_reported_and_the_others_go_on) {
  const std::string schedule =
      Header +               // line 1
      "good-1," + FloorRow + // line 2
      "blank-M,floor,hawk-cut,SS,,1.0,1.0,500,4,30,60,50\r\n" +
      "spaced, floor,hawk-cut,SS,12,1.0,1.0,500,4,30,60,50\r\n" +
      "\"two\r\nlines\rand\nmore\",roof,hawk-cut,SS,12,1.0,1.0,500,4,30,60,50\r\n" + // lines 5-8
      "short,floor,hawk-cut,SS,12\r\n" +                                             // line 9
      "no-bolts,floor,hawk-cut,SS,12,1.0,1.0,500,0,30,60,50\r\n" +
      "not-a-number,floor,hawk-cut,SS,12,1.0,1.0, 500,4,30,60,50\r\n" +
      "odd-diameter,floor,chemical,SS,8,1.0,1.0,500,4,30,60,50\r\n" + "good-2," + FloorRow; // line 13
  const BatchRun r = run(schedule);
  ASSERT_EQ(r.rows.size(), 10u);
  struct Expected {
    std::string id, status, message_part, line;
  } expected[] = {
      {"good-1", "ok", "", ""},
      {"blank-M", "refused", "空白が有りますので、埋めてください｡", "3行目（id blank-M）"},
      {"spaced", "refused", "形状（shape）' floor' は使えません。", "4行目（id spaced）"},
      {"two\r\nlines\rand\nmore", "refused", "形状（shape）'roof' は使えません。",
       "5行目（id two lines and more）"},
      {"short", "refused", "項目の数が 5 で、見出し行の 12 と合いません。", "9行目（id short）"},
      {"no-bolts", "refused", "入力された値では計算できません。 ", "10行目（id no-bolts）"},
      {"not-a-number", "refused", "「機器重量W(kg)」の値を数値として読み取れません。 半角の数字",
       "11行目（id not-a-number）"},
      {"odd-diameter", "refused", "ボルトは選択以外の径は強度基準が無いため､入力できません",
       "12行目（id odd-diameter）"},
      {"good-2", "ok", "", ""},
  };
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    SCOPED_TRACE(expected[i].id);
    EXPECT_EQ(r.cell(i, "id"), expected[i].id);
    EXPECT_EQ(r.cell(i, "status"), expected[i].status);
    if (expected[i].status == "refused") {
      EXPECT_TRUE(contains(r.cell(i, "message"), expected[i].message_part)) << r.cell(i, "message");
      EXPECT_EQ(r.cell(i, "message").find('\n'), std::string::npos);
      for (std::size_t c = 2; c < 13; ++c)
        EXPECT_EQ(r.row(i)[c], "") << "column " << c;
      EXPECT_TRUE(contains(r.diagnostics, expected[i].line + ": " + r.cell(i, "message") + "\n"))
          << r.diagnostics;
    } else {
      EXPECT_EQ(r.cell(i, "Rb"), "2205");
    }
  }
  EXPECT_EQ(r.counts.items, 9u);
  EXPECT_EQ(r.counts.passed, 2u);
  EXPECT_EQ(r.counts.refused, 7u);
  EXPECT_EQ(exit_status(r.counts), 2);
  EXPECT_TRUE(r.diagnostics.ends_with("zelvaro-check: 件数 9、問題無し 2、不足 0、拒否 7\n"));
}

TEST(Batch, ids_with_breaks_commas_and_quotes_come_back_whole_and_on_one_line_in_the_diagnostics) {
  // The table cell holds the id as it was; the diagnostics give each row one
  // line (how a break becomes a space: refused_rows_are_reported...).
  const std::string specials[] = {"\r", "\n", "\r\n", ",", "\""};
  std::mt19937 random(1070716);
  std::vector<std::string> ids;
  std::string schedule = Header;
  for (int i = 0; i < 400; ++i) {
    // Short ids and long ones, with all kinds of special characters or just one.
    const std::string one = specials[random() % std::size(specials)];
    const std::string pieces[] = {"P", "-1", "ポ",
                                  i % 4 < 2 ? one : specials[random() % std::size(specials)]};
    std::string id = "x";
    for (std::size_t n = random() % (i % 2 ? 12 : 60); n > 0; --n)
      id += pieces[random() % std::size(pieces)];
    ids.push_back(id);
    schedule += csv_quoted(id) + ",roof,hawk-cut,SS,12,1.0,1.0,500,4,30,60,50\r\n"; // refused: no such shape
  }
  const BatchRun r = run(schedule);
  ASSERT_EQ(r.rows.size(), ids.size() + 1);
  std::istringstream diagnostics(r.diagnostics);
  std::string line;
  for (std::size_t i = 0; i < ids.size(); ++i) {
    SCOPED_TRACE(testing::PrintToString(ids[i]));
    EXPECT_EQ(r.cell(i, "id"), ids[i]);
    ASSERT_TRUE(std::getline(diagnostics, line));
    ASSERT_TRUE(contains(line, "）: 形状（shape）'roof' は使えません。")) << line;
    const std::size_t from = line.find("（id ") + std::string_view("（id ").size();
    std::string shown = line.substr(from, line.rfind("）: 形状") - from), plain = ids[i];
    std::erase(shown, ' ');
    std::erase_if(plain, [](char c) { return c == '\r' || c == '\n'; });
    EXPECT_EQ(shown, plain);
  }
}

// What an engineer types in a spreadsheet: the window's own captions, taken
// from the tables the window's option buttons show.
TEST(Batch, selections_may_be_the_windows_captions) {
  const std::string_view material = material_strength(Material::SUS)->caption;
  std::string schedule = Header;
  const std::string fields =
      FloorRow.substr(FloorRow.find(',', FloorRow.find(',', FloorRow.find(',') + 1) + 1));
  for (const auto &[shape, anchor, metal] :
       {std::tuple<std::string_view, std::string_view, std::string_view>{"floor", "rebar-hooked", "SUS"},
        {shape_procedure(Shape::Floor)->caption, anchor_kinds()[5].caption, material},
        {"floor", "rebar-hooked", material.substr(0, material.find("\u3000"))}})
    schedule += "P-1," + std::string(shape) + "," + std::string(anchor) + "," +
                csv_quoted(std::string(metal)) + fields;
  const BatchRun r = run(schedule);
  ASSERT_EQ(r.rows.size(), 4u);
  EXPECT_EQ(r.cell(0, "status"), "ok");
  for (std::size_t i = 1; i < 3; ++i)
    EXPECT_EQ(std::vector(r.row(i).begin(), r.row(i).end() - 1),
              std::vector(r.row(0).begin(), r.row(0).end() - 1));
}

TEST(Batch, columns_may_be_missing_reordered_or_unread_by_the_shape) {
  struct Case {
    std::string name, schedule, status, message_part;
  } cases[] = {
      // KH and Z missing: the defaults 2.0 and 1.0, as in the single case
      {"defaults", "W,L,HG,LG,n,M,material,anchor,shape,id\n500,50,60,30,4,12,SS,hawk-cut,floor,x\n", "ok",
       ""},
      // the circular shape reads D, not L: L is ignored, D is read
      {"unread cells",
       "id,shape,anchor,material,M,W,n,HG,L,D,n1\nx,circular,l-tip,SUS,16,1200,6,90,abc,120,\n", "shortfall",
       "ボルトとコンクリートの密着性"},
      // M has no default
      {"no diameter column", "id,shape,anchor,material,W,n,LG,HG,L\nx,floor,hawk-cut,SS,500,4,30,60,50\n",
       "refused", "空白が有りますので"},
      // an empty cell is an empty field even where a default exists
      {"empty KH", "id,shape,anchor,material,M,KH,W,n,LG,HG,L\nx,floor,hawk-cut,SS,12,,500,4,30,60,50\n",
       "refused", "空白が有りますので"},
      {"no shape column", "id,anchor,material,M,W,n,LG,HG,L\nx,hawk-cut,SS,12,500,4,30,60,50\n", "refused",
       "shape 列がありません。"},
      {"empty anchor", "id,shape,anchor,material,M,W,n,LG,HG,L\nx,floor,,SS,12,500,4,30,60,50\n", "refused",
       "ｱﾝｶ種類（anchor）が空欄です。"},
      {"unknown material", "id,shape,anchor,material,M,W,n,LG,HG,L\nx,floor,hawk-cut,ss,12,500,4,30,60,50\n",
       "refused", "材質（material）'ss' は使えません。SS SUS のいずれか"},
      {"no id column", "shape,anchor,material,M,W,n,LG,HG,L\nfloor,hawk-cut,SS,12,500,4,30,60,50\n", "ok",
       ""},
      // nt: blank is n/2, a given one must be whole and at most n/2
      {"blank nt", "id,shape,anchor,material,M,W,n,nt,LG,HG,L\nx,floor,hawk-cut,SS,12,500,4,,30,60,50\n",
       "ok", ""},
      {"nt over n/2", "id,shape,anchor,material,M,W,n,nt,LG,HG,L\nx,ceiling,hawk-cut,SS,12,50,4,3,30,60,50\n",
       "refused", "「引張側ｱﾝｶ数nt(本)」には1以上"},
      {"unnamed column ignored",
       "id,,shape,anchor,material,M,W,n,LG,HG,L\nx,note,floor,hawk-cut,SS,12,500,4,30,60,50\n", "ok", ""},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const BatchRun r = run(c.schedule);
    ASSERT_EQ(r.rows.size(), 2u);
    EXPECT_EQ(r.cell(0, "status"), c.status);
    EXPECT_TRUE(contains(r.cell(0, "message"), c.message_part)) << r.cell(0, "message");
  }
}

TEST(Batch, reads_quotes_bom_line_endings_and_cp932) {
  // ポンプ in CP932
  const std::string pump_cp932 = "\x83\x7C\x83\x93\x83\x76";
  struct Case {
    std::string name, schedule, id;
    Encoding encoding = Encoding::Auto;
  } cases[] = {
      {"quoted comma and quotes", Header + "\"P-1, \"\"main\"\"\"," + FloorRow, "P-1, \"main\""},
      {"quoted line break", Header + "\"P-1\nspare\"," + FloorRow, "P-1\nspare"},
      {"UTF-8 with BOM, LF", "\xEF\xBB\xBF" + to_lf(Header) + "ポンプ," + to_lf(FloorRow), "ポンプ"},
      {"UTF-8 without BOM", Header + "ポンプ," + FloorRow, "ポンプ"},
      {"CP932 detected", Header + pump_cp932 + "," + FloorRow, "ポンプ"},
      {"CP932 forced", Header + pump_cp932 + "," + FloorRow, "ポンプ", Encoding::Cp932},
      {"quoted selections and numbers", Header + "x,\"floor\",hawk-cut,SS,\"12\",1.0,1.0,500,4,30,60,50",
       "x"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    BatchOptions options;
    options.encoding = c.encoding;
    const BatchRun r = run(c.schedule, options);
    ASSERT_EQ(r.rows.size(), 2u) << r.diagnostics;
    EXPECT_EQ(r.cell(0, "id"), c.id);
    EXPECT_EQ(r.cell(0, "status"), "ok") << r.cell(0, "message");
    EXPECT_EQ(r.cell(0, "Rb"), "2205");
  }
}

TEST(Batch, malformed_rows_are_refused_with_the_readers_diagnosis_in_japanese) {
  struct Case {
    std::string name, row, message_part;
    Encoding encoding = Encoding::Auto;
  } cases[] = {
      {"quote inside unquoted text", "P\"1," + FloorRow,
       "1列目（id）: \" で囲まれていない値の中に \" があります"},
      {"text after closing quote", "\"P\"1," + FloorRow, "1列目（id）: 閉じる \" の後に文字があります。"},
      {"too many cells", "x," + FloorRow.substr(0, FloorRow.size() - 2) + ",9\r\n",
       "項目の数が 13 で、見出し行の 12"},
      {"bad UTF-8", "\xE3\x81," + FloorRow,
       "1列目（id）: UTF-8 として読めないバイト 0xE3 があります（1バイト目）。", Encoding::Utf8},
      {"unclosed quote", "\"x," + FloorRow,
       "1列目（id）: 2行目で開いた \" がファイルの終わりまで閉じられていません。"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    BatchOptions options;
    options.encoding = c.encoding;
    const BatchRun r = run(Header + c.row, options);
    ASSERT_GE(r.rows.size(), 2u);
    EXPECT_EQ(r.cell(0, "status"), "refused");
    EXPECT_TRUE(contains(r.cell(0, "message"), c.message_part)) << r.cell(0, "message");
    EXPECT_EQ(exit_status(r.counts), 2);
  }
  // The diagnoses no row above gives, word for word.
  using K = CsvError::Kind;
  const std::vector<std::string> names{"id", ""};
  const std::pair<CsvError, std::string> texts[] = {
      {{.kind = K::QuoteOpenAtLineEnd, .field = 2},
       "2列目: \" が行の終わりまでに閉じられていません（上の行で閉じられていない \" があったため、"
       "この行は一行だけで読みました）。"},
      {{.kind = K::TooLong, .count = 1048576}, "行が長すぎます（1048576 バイトを超えています）。"},
      {{.kind = K::NulByte, .field = 1, .offset = 3},
       "1列目（id）: 使えないバイト 0x00（NUL）があります（4バイト目）。"},
      {{.kind = K::ByteOrderMark, .field = 3},
       "3列目: ファイルの途中に BOM（EF BB BF）があります（1バイト目）。"},
      {{.kind = K::InvalidCp932, .field = 1, .offset = 1, .byte = 0x81},
       "1列目（id）: CP932 として読めないバイト 0x81 があります（2バイト目）。"},
      {{.kind = K::Utf8BomReadAsCp932},
       "ファイルは UTF-8 の BOM で始まっていますが、CP932 として読んでいます。--encoding "
       "を確かめてください。"},
  };
  for (const auto &[error, text] : texts)
    EXPECT_EQ(reader_error_text(error, names), text);
}

TEST(Batch, unusable_files_give_no_table_and_exit_status_2) {
  struct Case {
    std::string name, schedule, message_part;
  } cases[] = {
      {"empty input", "", "見出し行がありません"},
      {"only empty lines", "\r\n\r\n", "見出し行がありません"},
      {"unknown column", "id,shape,anchor,material,Kh\r\nx,floor,hawk-cut,SS,1\r\n",
       "列名 'Kh'（5列目）は使えません。"},
      {"duplicated column", "id,shape,W,anchor,W\r\n", "列名 'W' が二度あります（3列目と5列目）"},
      {"malformed header", "id,\"shape\"x\r\nx,floor\r\n", "見出し行（1行目）を読めません"},
      {"a million columns", std::string(1'000'000, ',') + "\r\n", "列が多すぎます（1000 列を超えています）"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const BatchRun r = run(c.schedule);
    EXPECT_TRUE(r.counts.file_error);
    EXPECT_EQ(r.table, "");
    EXPECT_TRUE(contains(r.diagnostics, c.message_part)) << r.diagnostics;
    EXPECT_EQ(exit_status(r.counts), 2);
  }
}

TEST(Batch, empty_rows_are_skipped_and_only_the_header_is_an_empty_table) {
  const BatchRun r = run(Header + ",,,,,,,,,,,\r\n" + "x," + FloorRow + ",,,,,,,,,,,\r\n");
  ASSERT_EQ(r.rows.size(), 2u);
  EXPECT_EQ(r.counts.items, 1u);
  const BatchRun none = run(Header);
  EXPECT_EQ(none.table, std::string(TableHeader) + "\r\n");
  EXPECT_EQ(none.counts.items, 0u);
  EXPECT_EQ(exit_status(none.counts), 0);
  EXPECT_TRUE(contains(none.diagnostics, "見出し行の後に計算する行がありません。")) << none.diagnostics;
}

TEST(Batch, text_cells_that_spreadsheets_take_for_formulas_get_a_quote_but_numbers_do_not) {
  const std::string ids[] = {"=cmd|' /C calc'!A0",
                             "=HYPERLINK(\"http://x\",\"y\")",
                             "+1",
                             "-1",
                             "@SUM(A1)",
                             "\tx",
                             "\rx",
                             "P-1",
                             "a=b"};
  std::string schedule = Header;
  for (const std::string &id : ids)
    schedule += csv_quoted(id) + ",floor,hawk-cut,SS,12,1.0,1.0,500,4,30,10,50\r\n"; // Rb < 0
  schedule += "x,-1,hawk-cut,SS,12,1.0,1.0,500,4,30,10,50\r\n"; // refused, quoting the cell
  const BatchRun r = run(schedule);
  ASSERT_EQ(r.rows.size(), std::size(ids) + 2);
  for (std::size_t i = 0; i < std::size(ids); ++i) {
    SCOPED_TRACE(testing::PrintToString(ids[i]));
    EXPECT_EQ(r.cell(i, "id"), (i < 7 ? "'" : "") + ids[i]);
    EXPECT_TRUE(r.cell(i, "Rb").starts_with("-")) << r.cell(i, "Rb");
  }
  EXPECT_EQ(r.cell(std::size(ids), "status"), "refused");
  EXPECT_FALSE(r.cell(std::size(ids), "message").starts_with("'"));
}

TEST(Batch, control_characters_reach_the_terminal_escaped) {
  // ... and the bidi controls and separators, which would reorder the line.
  const BatchRun r =
      run(Header + "\"P\x1b]0;owned\x07\r\nx\xC2\x9B\",roof\x1b[2J\u202E\u2066\u2028," + FloorRow.substr(6));
  EXPECT_EQ(r.diagnostics.find_first_of("\x1b\x07\r"), std::string::npos) << r.diagnostics;
  EXPECT_TRUE(contains(
      r.diagnostics, "（id P\\x1b]0;owned\\x07 x\\u009b）: 形状（shape）'roof\\x1b[2J\\u202e\\u2066\\u2028'"))
      << r.diagnostics;
  const BatchRun header = run("id,\x1b[2J\r\n");
  EXPECT_TRUE(contains(header.diagnostics, "列名 '\\x1b[2J'")) << header.diagnostics;
}

TEST(Batch, nul_bytes_mid_file_byte_order_marks_and_overlong_ids_refuse_their_row_only) {
  const std::string long_id(1001, 'x');
  const BatchRun r = run(Header + std::string("P\0-1,", 6) + FloorRow + "\xEF\xBB\xBFP-2," + FloorRow +
                         long_id + "," + FloorRow + "P-4," + FloorRow);
  ASSERT_EQ(r.rows.size(), 5u);
  const std::string messages[] = {"1列目（id）: 使えないバイト 0x00（NUL）があります（2バイト目）。",
                                  "1列目（id）: ファイルの途中に BOM（EF BB BF）があります（1バイト目）。",
                                  "id が長すぎます（1001 バイト。1000 バイトまでにしてください）。"};
  for (std::size_t i = 0; i < std::size(messages); ++i) {
    EXPECT_EQ(r.cell(i, "status"), "refused");
    EXPECT_EQ(r.cell(i, "message"), messages[i]);
  }
  EXPECT_EQ(r.cell(2, "id"), long_id.substr(0, 1000));
  EXPECT_EQ(r.cell(3, "status"), "ok");
}

TEST(Batch, progress_is_reported_every_few_records) {
  std::string schedule = Header;
  for (int i = 0; i < 10; ++i)
    schedule += "x," + FloorRow;
  std::vector<std::size_t> calls;
  BatchOptions options;
  options.progress_every = 4;
  options.progress = [&](std::size_t records) { calls.push_back(records); };
  run(schedule, options);
  EXPECT_EQ(calls, (std::vector<std::size_t>{4, 8}));
}

TEST(ProgressBar, stays_quiet_at_first_then_draws_at_most_ten_times_a_second_and_erases_itself) {
  using namespace std::chrono_literals;
  const auto t0 = ProgressBar::Clock::time_point{} + 1h;
  std::ostringstream out;
  ProgressBar bar(out, 1000, t0);
  bar.update(10, 10, t0 + 300ms);
  EXPECT_EQ(out.str(), "");
  bar.update(500, 250, t0 + 600ms);
  EXPECT_EQ(out.str(), "\r[#######.......................] 25%  500 行");
  bar.update(600, 300, t0 + 650ms); // too soon
  bar.update(700, 1000, t0 + 800ms);
  EXPECT_TRUE(out.str().ends_with("\r[##############################] 100%  700 行"));
  bar.finish();
  EXPECT_TRUE(out.str().ends_with("\r\x1b[K"));

  std::ostringstream unknown_size;
  ProgressBar count_only(unknown_size, std::nullopt, t0);
  count_only.update(4096, std::nullopt, t0 + 1s);
  EXPECT_EQ(unknown_size.str(), "\r4096 行");
  std::ostringstream never;
  ProgressBar quick(never, 10, t0);
  quick.finish();
  EXPECT_EQ(never.str(), "");
}

// A sink that fails every `fail_every`-th write, as a full disk or a broken
// folder would.
class FailingReports : public ReportSink {
public:
  explicit FailingReports(std::size_t fail_every) : every_(fail_every) {}
  void write(std::size_t line, std::string_view, std::string_view) override {
    if (++calls_ % every_ == 0)
      throw std::runtime_error("計算書ファイルを書けません: ディスクに空きがありません。（" +
                               std::to_string(line) + "行目）");
  }

private:
  std::size_t every_, calls_ = 0;
};

TEST(BatchWrites, a_failed_write_marks_its_row_and_the_batch_goes_on_until_20_in_a_row) {
  std::string schedule = Header;
  for (int i = 0; i < 30; ++i)
    schedule += "p" + std::to_string(i) + "," + FloorRow;
  for (const auto &[every, rows, errors] : {std::tuple{3u, 30u, 10u}, std::tuple{1u, 20u, 20u}}) {
    FailingReports reports(every);
    BatchOptions options;
    options.reports = &reports;
    const BatchRun r = run(schedule, options);
    EXPECT_EQ(r.rows.size() - 1, rows);
    EXPECT_EQ(r.counts.write_errors, errors);
    EXPECT_EQ(r.counts.passed, rows - errors);
    EXPECT_EQ(exit_status(r.counts), 2);
    EXPECT_EQ(r.cell(every - 1, "status"), "error");
    EXPECT_TRUE(contains(r.cell(every - 1, "message"), "ディスクに空きがありません")) << r.table;
    EXPECT_EQ(r.cell(every - 1, "Rb"), "2205"); // calculated all the same
    EXPECT_EQ(contains(r.diagnostics, "20 件続けて失敗したので"), every == 1) << r.diagnostics;
  }
}

// --reports: nothing is written through links that were there before (that
// hostile ids give names inside the folder: batch_cli_Equivalence).
class ReportFilesTest : public ::testing::Test {
protected:
  void SetUp() override {
    root_ =
        fs::path(::testing::TempDir()) / ("zelvaro_reports_" + std::to_string(getpid()) + "_" +
                                          ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_ / "outside");
    dir_ = root_ / "reports";
  }
  void TearDown() override { fs::remove_all(root_); }

  static std::string slurp(const fs::path &p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  std::vector<std::string> names(const fs::path &dir) const {
    std::vector<std::string> out;
    for (const auto &e : fs::directory_iterator(dir))
      out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }

  fs::path root_, dir_;
};

TEST_F(ReportFilesTest, links_already_in_the_folder_are_replaced_not_written_through) {
  fs::create_directories(dir_);
  const fs::path target = root_ / "outside" / "keep.txt";
  std::ofstream(target) << "keep";
  fs::create_symlink(target, dir_ / "000002_a.txt");
  fs::create_hard_link(target, dir_ / "000003_b.txt");
  fs::create_directory_symlink(root_ / "outside", dir_ / "000004_c.txt");
  fs::create_directory(dir_ / "000005_d.txt");
  EXPECT_THROW(ReportFiles{dir_}, std::runtime_error); // not empty: its files would pass for this run's
  ReportFiles files(dir_, ".txt", true);
  BatchOptions options;
  options.reports = &files;
  const BatchRun r =
      run(Header + "a," + FloorRow + "b," + FloorRow + "c," + FloorRow + "d," + FloorRow, options);
  EXPECT_EQ(r.counts.passed, 3u);
  EXPECT_EQ(slurp(target), "keep");
  EXPECT_FALSE(fs::is_symlink(dir_ / "000002_a.txt"));
  EXPECT_FALSE(fs::is_symlink(dir_ / "000004_c.txt"));
  EXPECT_EQ(fs::hard_link_count(dir_ / "000003_b.txt"), 1u);
  EXPECT_TRUE(slurp(dir_ / "000002_a.txt").starts_with("～～～～～"));
  EXPECT_EQ(names(root_ / "outside"), (std::vector<std::string>{"keep.txt"}));

  // A folder in the way fails that row only, with a message; nothing else is left.
  EXPECT_EQ(r.counts.write_errors, 1u);
  EXPECT_EQ(r.cell(3, "status"), "error");
  EXPECT_TRUE(contains(r.cell(3, "message"), "000005_d.txt")) << r.diagnostics;
  EXPECT_TRUE(fs::is_directory(dir_ / "000005_d.txt"));
  EXPECT_EQ(names(dir_),
            (std::vector<std::string>{"000002_a.txt", "000003_b.txt", "000004_c.txt", "000005_d.txt"}));
}

TEST_F(ReportFilesTest, a_folder_that_cannot_be_made_is_refused_at_once) {
  std::ofstream(root_ / "file") << "x";
  EXPECT_THROW(ReportFiles(root_ / "file"), std::runtime_error);
  EXPECT_THROW(ReportFiles(root_ / "file" / "sub"), std::runtime_error);
}

} // namespace
} // namespace zelvaro::batch
