#pragma once

// Calculation sheets (PDF) from the command line: the window's sheet, drawn
// without a display. They need a QGuiApplication, which the command line
// starts on the offscreen platform before it asks for a sheet.

#include "capture/field_reader.h"
#include "capture/sheet_names.h"
#include "engine/calculate.h"
#include "engine/seismic_calc_state.h"
#include "schedule/batch.h"

#include <filesystem>
#include <string>

namespace zelvaro::sheet {

// Writes the sheet of a calculation that reported to `path` (a temporary
// name renamed when complete). Returns an empty string, or why the file could
// not be written.
std::string write_sheet_file(const std::string &path, const SeismicCalcState &s, const CalcOutcome &outcome,
                             const FieldReader &fields, const SheetNames &names);

// Sheets of a batch, one per calculated row, in a folder, named like the
// report files (line number and a safe form of the id, ".pdf"). The title
// block's names follow title_names: the row's cells, else the command line's.
class SheetFiles : public batch::SheetSink {
public:
  // `replace` and `texts` as for batch::ReportFiles.
  SheetFiles(const std::filesystem::path &dir, SheetNames names, bool replace = false,
             const batch::BatchTexts &texts = batch::default_texts());
  void write(const batch::ItemResult &result, const SheetNames &row, const SeismicCalcState &s,
             const CalcOutcome &outcome, const FieldReader &fields) override;
  void finish() override { files_.finish(); }

private:
  batch::ReportFiles files_;
  SheetNames names_;
  std::string failed_; // a sheet that cannot be drawn (%1 its line)
};

} // namespace zelvaro::sheet
