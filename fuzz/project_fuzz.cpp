// The project (schedule/project.h) opened from random schedules, edited,
// saved and opened again.
//
// Input: 1 byte (bits 0-3 the number n of edits, bit 7 the file read as
// UTF-8, else told from its bytes), then n edit bytes, then the rows of a
// schedule (written under the example schedule's header, so that most
// inputs get past it).
//   edit byte: bits 0-2 the edit (set inputs, remove, move up, move down,
//              duplicate, undo, redo, add), bits 3-7 the row (mod the count)
//
// Invariants:
//  - every item's result is the batch's for that row, once opened and again
//    after every save: the window never shows another verdict than
//    zelvaro-check --batch gives for the same file;
//  - a row the reader refuses is kept as the very bytes of the file, from
//    its line on (the file's last line with a line break added), when the
//    file is UTF-8 (a CP932 file's characters become UTF-8);
//  - the saved text, opened again, holds the same items (none merged with
//    another, none split), refused rows byte for byte, and the same results;
//  - undo of every edit gives back the rows as opened.
#include "fuzz/fuzz_check.h"
#include "schedule/project.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zelvaro::fuzz {
namespace {

using batch::ItemResult;
using batch::Project;

// The example schedule's: without the columns saving adds.
constexpr std::string_view Header =
    "id,shape,anchor,material,M,KH,Z,W,n,n1,n2,LG,HG,L,D,H,L1,L2,L1G,L2G,L3G,P,N,a,F\r\n";

bool same(const ItemResult &a, const ItemResult &b) {
  return a.status == b.status && a.message == b.message && a.suggestions == b.suggestions && a.id == b.id &&
         a.Rb_N == b.Rb_N && a.pullout_kg == b.pullout_kg && a.bond_ok == b.bond_ok && a.bolt_ok == b.bolt_ok;
}

std::string described(const Project &p, std::size_t i, const ItemResult &batch) {
  const ItemResult &r = p.item(i).result;
  return "row " + std::to_string(i) + " line " + std::to_string(p.item(i).row.line) +
         "\nproject: " + std::string(batch::status_word(r.status)) + " " + r.message +
         "\nbatch:   " + std::string(batch::status_word(batch.status)) + " " + batch.message;
}

// The project's results are the batch's for `text`, row for row.
void require_batch_results(const Project &p, std::string_view text, batch::Encoding encoding) {
  const std::vector<ItemResult> results = batch::judge_schedule(text, encoding);
  std::size_t k = 0;
  for (std::size_t i = 0; i < p.size(); ++i) {
    if (p.item(i).result.message == "空の行です。")
      continue; // a row of empty cells: the batch skips it, and so does the next open
    FUZZ_REQUIRE(k < results.size(), text);
    FUZZ_REQUIRE(same(p.item(i).result, results[k]), described(p, i, results[k]) + "\n" + std::string(text));
    ++k;
  }
  FUZZ_REQUIRE(k == results.size(), text);
}

std::vector<std::vector<std::string>> rows_of(const Project &p) {
  std::vector<std::vector<std::string>> rows;
  for (std::size_t i = 0; i < p.size(); ++i) {
    const batch::ScheduleRow &row = p.item(i).row;
    rows.emplace_back(row.cells.begin(), row.cells.end());
    rows.back().push_back(row.raw);
  }
  return rows;
}

} // namespace
} // namespace zelvaro::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace zelvaro;
  using namespace zelvaro::fuzz;
  if (size < 1)
    return 0;
  const std::size_t edits = std::min<std::size_t>(data[0] % 16, size - 1);
  const batch::Encoding encoding = data[0] & 0x80 ? batch::Encoding::Utf8 : batch::Encoding::Auto;
  const std::uint8_t *edit = data + 1;
  std::string text(Header);
  text.append(reinterpret_cast<const char *>(data + 1 + edits), size - 1 - edits);

  Project p;
  if (!p.open(text, encoding).empty())
    return 0;
  require_batch_results(p, text, encoding);
  for (std::size_t i = 0; i < p.size(); ++i) {
    const batch::ScheduleRow &row = p.item(i).row;
    if (row.raw.empty() || encoding != batch::Encoding::Utf8)
      continue;
    // The kept bytes are the file's, from the row's line on.
    std::size_t at = 0;
    for (std::size_t line = 1; line < row.line; ++line) {
      at = text.find_first_of("\r\n", at);
      FUZZ_REQUIRE(at != std::string::npos, text);
      at += text.compare(at, 2, "\r\n") == 0 ? 2 : 1;
    }
    // The file's last line gets the line break every row ends with.
    const std::string_view raw = at + row.raw.size() == text.size() + 2 && row.raw.ends_with("\r\n")
                                     ? std::string_view(row.raw).substr(0, row.raw.size() - 2)
                                     : std::string_view(row.raw);
    FUZZ_REQUIRE(text.compare(at, raw.size(), raw) == 0, row.raw + "\n---\n" + text);
  }

  const auto opened = rows_of(p);
  for (std::size_t e = 0; e < edits; ++e) {
    const unsigned kind = edit[e] & 7u;
    const std::size_t row = p.size() == 0 ? 0 : (edit[e] >> 3) % p.size();
    if (p.size() == 0 && kind < 5)
      continue;
    switch (kind) {
    case 0: { // 計算 with the next row's inputs
      batch::RowInputs in = p.inputs((row + 1) % p.size());
      p.set_inputs(row, in);
      break;
    }
    case 1:
      p.remove({row});
      break;
    case 2:
      p.move({row}, -1);
      break;
    case 3:
      p.move({row}, +1);
      break;
    case 4:
      p.duplicate({row});
      break;
    case 5:
      if (p.can_undo())
        p.undo();
      break;
    case 6:
      if (p.can_redo())
        p.redo();
      break;
    default:
      p.add(p.size() ? p.inputs(row) : batch::RowInputs{}, "N-1", "追加");
      break;
    }
  }

  const std::string saved = p.save_text();
  const std::size_t steps = p.history_steps();
  p.saved(saved);
  const bool reread = p.history_steps() != steps; // the file read otherwise than written: taken as read
  require_batch_results(p, saved, batch::Encoding::Auto);

  // Opened again: the same items, refused rows byte for byte.
  Project q;
  FUZZ_REQUIRE(q.open(saved).empty(), saved);
  std::size_t k = 0;
  for (std::size_t i = 0; i < p.size(); ++i) {
    if (p.item(i).result.message == "空の行です。")
      continue;
    FUZZ_REQUIRE(k < q.size(), saved);
    FUZZ_REQUIRE(p.item(i).row.raw == q.item(k).row.raw,
                 "[" + p.item(i).row.raw + "]\n[" + q.item(k).row.raw + "]\n" + saved);
    FUZZ_REQUIRE(same(p.item(i).result, q.item(k).result), described(p, i, q.item(k).result) + "\n" + saved);
    ++k;
  }
  FUZZ_REQUIRE(k == q.size(), saved);

  // Every edit undone, the rows are the ones opened.
  while (p.can_undo())
    p.undo();
  FUZZ_REQUIRE(reread || rows_of(p) == opened, saved);
  return 0;
}
