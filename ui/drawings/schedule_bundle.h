#pragma once

// Every sheet of a schedule in one PDF, for the window's 全件を PDF に保存
// and `zelvaro-check --batch FILE --pdf OUT.pdf`. Two passes: the items'
// typed results make the cover (and number the pages), then each calculated
// item is calculated again, exactly as the batch calculates it, just before
// its page is drawn.

#include "schedule/list_rows.h"
#include "schedule/project.h"
#include "ui/drawings/sheet_bundle.h"
#include "ui/drawings/sheet_output.h"

#include <QIODevice>

#include <functional>
#include <string>
#include <vector>

namespace zelvaro::sheet {

using batch::verdict_label; // as the lists show it

// The cover's rows of a project's items, from their typed results; the
// 機器名 follows title_names: the row's cell, else `names`.
std::vector<BundleItem> bundle_items(const batch::Project &project, const SheetNames &names = {});

// The bundle of a project's items written to `out`. `progress(items done,
// items in all)` is asked before each item; false stops the drawing.
// False when stopped or not drawn (`out` then holds a part).
bool write_project_bundle(QIODevice &out, const batch::Project &project, const BundleCover &cover,
                          const std::string &now, const std::function<bool(int, int)> &progress = {});

// Writes a PDF drawn by `draw` (true when drawn whole) to `path` atomically,
// through a temporary file: nothing is held whole in memory, and a stop or a
// failure leaves the name as it was. An empty string when saved; `drawn`
// false (and an empty string) when draw() did not finish; else why the file
// could not be saved: 「'PATH' を保存できません: why」.
std::string save_drawn_pdf(const std::string &path, bool replace_read_only,
                           const std::function<bool(QIODevice &)> &draw, bool &drawn);

// Reads a schedule and writes its bundle to `path` atomically. `progress`
// (items done, items in all) is asked between items; false stops the
// drawing and nothing is written. Returns an empty string, or why not.
std::string write_schedule_bundle(std::string_view schedule, batch::Encoding encoding,
                                  const std::string &path, const SheetNames &names, const std::string &now,
                                  const std::function<bool(int, int)> &progress = {});

} // namespace zelvaro::sheet
