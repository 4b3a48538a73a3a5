#pragma once

// What a calculation sheet shows, built once from a calculation and its typed
// result: the title block, the selections, the report's lines, the verdict
// rows with pass or fail, the advice and the suggestions. The desktop sheet,
// the PDF files and the page's printed sheet only render it.

#include "capture/field_reader.h"
#include "capture/sheet_names.h"
#include "engine/calculate.h"
#include "engine/message.h"
#include "engine/seismic_calc_state.h"
#include "schedule/item_result.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zelvaro::sheet {

// One check of the sheet's verdicts: its name, the report's line that says
// the outcome, and whether it passed.
struct SheetVerdict {
  std::string check, outcome;
  bool ok = false;
};

struct SheetModel {
  std::string report;        // exactly as the result box holds it (CR LF)
  std::string calculated_at; // the date and time of the report's header
  std::vector<SheetVerdict> verdicts;
  std::optional<Message> advice;        // judge_msg's box, when a check failed
  std::vector<std::string> suggestions; // with the advice: the changes that would pass
  Shape shape = Shape::None;
  Anchor anchor = Anchor::None;
  Material material = Material::None;
  std::string diameter, kh, z; // as entered
  std::string caption = InitialCaptionText;
  SheetNames names;   // 工事名, 機器名, 確認者 of the title block
  std::string number; // 番号: the item's id in its schedule
  int page = 0;       // 「page / pages」 in a bundle; 0: a sheet on its own
  int pages = 0;
};

// The sheet after a calculation of `s` that reported; `diameter`, `kh`,
// `z` as entered. The verdict rows take the engine's own verdicts.
SheetModel sheet_model(const SeismicCalcState &s, const CalcOutcome &outcome, std::string diameter,
                       std::string kh, std::string z);
// The same for an item of a schedule: its fields, and its typed result for
// the number and the suggestions.
SheetModel sheet_model(const SeismicCalcState &s, const CalcOutcome &outcome, const FieldReader &fields,
                       const batch::ItemResult &result);

// The selections block: each row's heading and value (設備形状 床置機器, ...,
// ボルト径 M12), in the window's own captions.
std::vector<std::pair<std::string, std::string>> sheet_selections(const SheetModel &d);

// The names a sheet's title block shows: each the row's own cell (its
// equipment, project, checker column), else the one given by option or
// dialog. The one rule of every sheet, file or bundle, and of the cover.
SheetNames title_names(const SheetNames &row, const SheetNames &given);

// The page number as the sheet and the cover print it: 「3 / 12」.
std::string page_text(int page, int pages);

} // namespace zelvaro::sheet
