#pragma once

// The calculation sheet: one A4 page per item, drawn from the same report as
// the result box, for attaching to construction documents. Shared by the
// window (save as PDF, print) and zelvaro-check --pdf. Needs a
// QGuiApplication (fonts), not a display.

#include "capture/sheet_names.h"
#include "engine/calculate.h"
#include "engine/message.h"
#include "engine/seismic_calc_state.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <string>
#include <vector>

class QPainter;
class QRectF;

namespace zelvaro::sheet {

// One check of the sheet's verdicts: its name, the report's line that says
// the outcome, and whether it passed.
struct SheetVerdict {
  std::string check, outcome;
  bool ok = false;
};

struct SheetData {
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
  SheetNames names; // optional names for the title block
};

// The sheet's data after a calculation of `s` that reported.
SheetData sheet_data(const SeismicCalcState &s, const CalcOutcome &outcome, std::string diameter,
                     std::string kh, std::string z);

// Draws the sheet into `page` (device coordinates of the painter's device).
void paint_sheet(QPainter &p, const QRectF &page, const SheetData &d);

// The sheet as a one-page A4 PDF with the fonts embedded; empty if it
// could not be drawn.
QByteArray sheet_pdf(const SheetData &d);

// A PDF of QPdfWriter dated, in its information dictionary, by
// SOURCE_DATE_EPOCH when that is set (QPdfWriter writes the clock's time):
// the same sheet gives the same bytes. The date keeps its length, so the
// cross-reference table stays right.
void date_pdf(QByteArray &pdf);

// Writes a one-page A4 PDF with the fonts embedded. Returns an empty string,
// or a message saying why the file could not be written.
QString write_sheet_pdf(const SheetData &d, const QString &path);

} // namespace zelvaro::sheet
