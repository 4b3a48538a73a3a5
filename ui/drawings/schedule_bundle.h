#pragma once

// Every sheet of a schedule in one PDF, for the window's 全件を PDF に保存
// and `zelvaro-check --batch FILE --pdf OUT.pdf`.

#include "schedule/list_rows.h"
#include "schedule/schedule_document.h"
#include "ui/drawings/sheet_bundle.h"
#include "ui/drawings/sheet_output.h"

#include <functional>
#include <string>
#include <vector>

namespace zelvaro::sheet {

using batch::verdict_label; // as the lists show it

// The items of the bundle in list order: each calculated row with its sheet,
// calculated again exactly as the batch calculates it; a refused row with
// its message and no sheet. Each sheet's title block (and the cover's
// 機器名) follows title_names: the row's cells, else `names`.
std::vector<sheet::BundleItem> bundle_items(const batch::ScheduleDocument &doc,
                                            const std::vector<batch::RowVerdict> &verdicts,
                                            const std::string &now, const SheetNames &names);

// Reads a schedule and writes its bundle to `path` atomically. `progress`
// (sheets drawn, sheets in all) is asked between sheets; false stops the
// drawing and nothing is written. Returns an empty string, or why not.
std::string write_schedule_bundle(std::string_view schedule, batch::Encoding encoding,
                                  const std::string &path, const SheetNames &names, const std::string &now,
                                  const std::function<bool(int, int)> &progress = {});

} // namespace zelvaro::sheet
