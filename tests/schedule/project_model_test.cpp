// The project model: rows the reader refuses kept as their file had them
// and judged as the batch judges them, before and after a save; undo that
// keeps the form's item and its inputs.
#include "capture/single_case.h"
#include "schedule/list_rows.h"
#include "schedule/project.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zelvaro::batch {
namespace {

using namespace std::string_literals;

const std::string Header =
    "id,shape,anchor,material,M,KH,Z,W,n,n1,n2,LG,HG,L,D,H,L1,L2,L1G,L2G,L3G,P,N,a,F\r\n";
const std::string Good =
    "冷温水ポンプ P-1,floor,hawk-cut,SS,12,1.0,1.0,500,4,,,30,60,50,,,,,,,,3.7,1450,20,0\r\n";
const std::string Next = "P-2,floor,hawk-cut,SS,12,1.0,1.0,300,4,,,30,60,50,,,,,,,,3.7,1450,20,0\r\n";

struct Kept {
  const char *name;
  std::string row;    // between Good (UTF-8 text: the file is UTF-8) and Next
  const char *reason; // in the batch's message
};

class KeptRow : public testing::TestWithParam<Kept> {};

// Opened, saved (with the columns saving adds) and opened again, the row
// keeps its bytes and its refusal, the batch's for each file, and neither
// row around it changes.
TEST_P(KeptRow, comes_back_byte_for_byte_refused_as_the_batch_refuses_it) {
  const std::string text = Header + Good + GetParam().row + Next;
  Project p;
  ASSERT_EQ(p.open(text), "");
  ASSERT_EQ(p.size(), 3u);
  const std::vector<ItemResult> batch = judge_schedule(text);
  ASSERT_EQ(batch.size(), 3u);
  EXPECT_EQ(p.item(1).row.raw, GetParam().row);
  EXPECT_EQ(p.item(1).row.line, 3u);
  EXPECT_EQ(p.item(1).result.status, ItemStatus::Refused);
  EXPECT_EQ(p.item(1).result.message, batch[1].message);
  EXPECT_NE(p.item(1).result.message.find(GetParam().reason), std::string::npos) << p.item(1).result.message;

  const std::string saved = p.save_text();
  p.saved(saved);
  EXPECT_NE(saved.find(GetParam().row), std::string::npos);
  const std::vector<ItemResult> again = judge_schedule(saved);
  ASSERT_EQ(again.size(), 3u) << saved; // no row merged with another
  Project q;
  ASSERT_EQ(q.open(saved), "");
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(p.item(i).result.status, again[i].status) << i;
    EXPECT_EQ(p.item(i).result.message, again[i].message) << i;
    EXPECT_EQ(q.item(i).result.message, again[i].message) << i;
    EXPECT_EQ(q.item(i).row.raw, p.item(i).row.raw) << i;
  }
  EXPECT_EQ(again[0].status, ItemStatus::Ok);
  EXPECT_EQ(again[1].status, ItemStatus::Refused);
  EXPECT_EQ(again[2].status, ItemStatus::Ok);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, KeptRow,
    testing::Values(
        Kept{"cp932_id_in_utf8",
             "\x83|\x83\x93\x83v,floor,hawk-cut,SS,12,1.0,1.0,500,4,,,30,60,50,,,,,,,,3.7,1450,20,0\r\n",
             "0x83"},
        Kept{"quote_in_unquoted_text",
             "Q \"X\",floor,hawk-cut,SS,12,1.0,1.0,500,4,,,30,60,50,,,,,,,,3.7,1450,20,0\n", "\""},
        Kept{"quote_left_open", "open,\"floor,hawk-cut\r\n", "\""},
        Kept{"too_few_cells", "short,floor,hawk-cut\r\n", "3"},
        // As many cells as the header has once saving adds its three columns.
        Kept{"three_cells_too_many",
             "P-3,floor,hawk-cut,SS,12,1.0,1.0,500,4,,,30,60,50,,,,,,,,3.7,1450,20,0,a,b,c\r\n", "28"},
        Kept{"nul_byte", "nul,fl\0or,hawk-cut,SS,12,1.0,1.0,500,4,,,30,60,50,,,,,,,,3.7,1450,20,0\r\n"s,
             "NUL"}),
    [](const testing::TestParamInfo<Kept> &info) { return std::string(info.param.name); });

// An Excel workbook or UTF-16 text is refused with what to do in Excel,
// never shown as garbage rows or with command-line advice.
TEST(ProjectOpen, an_excel_workbook_or_utf16_text_says_how_to_save_a_csv) {
  for (const std::string &bytes : {std::string("PK\x03\x04\x14\0\x06\0", 8), std::string("\xFF\xFEi\0d\0", 6),
                                   std::string("\xFE\xFF\0i\0d", 6)}) {
    Project p;
    ASSERT_EQ(p.open(Header + Good), "");
    const std::string error = p.open(bytes);
    EXPECT_NE(error.find("CSV UTF-8"), std::string::npos) << error;
    EXPECT_EQ(error.find("--"), std::string::npos) << error;
    EXPECT_EQ(p.size(), 1u); // the schedule shown stays
  }
}

// A refused row's open quote, saved before a row of two lines, takes that
// row apart as the batch reads the file: the project shows what the file
// holds, never a verdict the batch would not give.
TEST(ProjectSave, shows_the_rows_as_the_batch_reads_the_file_written) {
  Project p;
  ASSERT_EQ(p.open(Header + Good + "open,\"x\r\n" + Next), "");
  ScheduleDocument part;
  ASSERT_EQ(read_schedule(Header + "\"two\r\nlines\"" + Next.substr(3), part), "");
  p.insert(2, part);
  const std::string saved = p.save_text();
  p.saved(saved);
  const std::vector<ItemResult> batch = judge_schedule(saved);
  ASSERT_EQ(p.size(), batch.size());
  for (std::size_t i = 0; i < batch.size(); ++i) {
    EXPECT_EQ(p.item(i).result.status, batch[i].status) << i;
    EXPECT_EQ(p.item(i).result.message, batch[i].message) << i;
  }
  EXPECT_FALSE(p.modified());
}

RowInputs with_w(const Project &p, std::size_t row, const char *w) {
  RowInputs in = p.inputs(row);
  in.texts[static_cast<std::size_t>(*cases::slot_of(in.shape, "W"))] = w;
  return in;
}

TEST(ProjectUndo, keeps_the_item_current_and_takes_away_an_added_one) {
  Project p;
  ASSERT_EQ(p.open(Header + Good + Next), "");
  int lost = 0;
  p.current_lost = [&] { ++lost; };
  p.set_current(1);
  ASSERT_TRUE(p.set_inputs(1, with_w(p, 1, "40000")));
  EXPECT_EQ(p.item(1).result.status, ItemStatus::Shortfall);
  EXPECT_TRUE(p.modified());
  EXPECT_EQ(p.current_caption(), "P-2（2/2）");
  p.undo();
  EXPECT_EQ(p.cell(1, "W"), "300");
  EXPECT_EQ(p.item(1).result.status, ItemStatus::Ok);
  EXPECT_EQ(p.current(), std::optional<std::size_t>(1));
  EXPECT_FALSE(p.modified());
  p.redo();
  EXPECT_EQ(p.cell(1, "W"), "40000");

  const std::size_t added = p.add(p.inputs(0), "N-1", "新しい機器");
  p.set_current(added);
  EXPECT_EQ(p.current_caption(), "N-1 新しい機器（3/3）");
  p.undo();
  EXPECT_EQ(lost, 1);
  EXPECT_FALSE(p.current());
  EXPECT_EQ(p.current_caption(), "リスト外");
  p.redo(); // the item comes back, the form does not hold it again
  EXPECT_FALSE(p.current());
}

TEST(ProjectUndo, history_is_bounded_and_holds_rows_not_schedules) {
  Project p;
  std::string text = Header;
  for (int i = 0; i < 2000; ++i)
    text += Good;
  ASSERT_EQ(p.open(text), "");
  for (std::size_t e = 0; e < Project::MaxSteps + 5; ++e)
    p.set_inputs(e % 2000, with_w(p, e % 2000, e % 2 ? "400" : "450"));
  EXPECT_EQ(p.history_steps(), Project::MaxSteps);
  // Each step holds the row before and after, not 2 000 rows.
  EXPECT_LT(p.history_bytes() / p.history_steps(), 8000u);
}

// The lists' figures: to 0.1 from the digits the report prints, a tie away
// from zero, as the window has always shown them.
TEST(ListFigures, read_to_a_tenth_from_the_printed_digits) {
  const std::pair<double, const char *> cases[] = {
      {31.249999999999996, "31.3"}, // printed 31.25: a tie, up
      {0.15, "0.1"},                // the double below 0.15
      {-0.25, "-0.3"},              // away from zero
      {-0.04, "-0.0"},              // keeps its sign
      {3.7e-5, "0.0"},              // printed with an exponent
      {9.96, "10.0"},               // into the next whole number
      {1e20, "100000000000000000000.0"},
  };
  for (const auto &[value, shown] : cases)
    EXPECT_EQ(reading_figure(value), shown) << value;
}

} // namespace
} // namespace zelvaro::batch
