#pragma once

// The calculation sheet: one A4 page per item, drawn from the same report as
// the result box, for attaching to construction documents. Shared by the
// window (save as PDF, print) and zelvaro-check --pdf. Needs a
// QGuiApplication (fonts), not a display.

#include "message.h"
#include "seismic_calc_state.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <string>

class QPainter;
class QRectF;

namespace zelvaro::sheet {

struct SheetData {
  std::string report;            // exactly as the result box holds it (CR LF)
  std::optional<Message> advice; // judge_msg's box, when a check failed
  Shape shape = Shape::None;
  Anchor anchor = Anchor::None;
  Material material = Material::None;
  std::string diameter, kh, z; // as entered
  std::string caption = InitialCaptionText;
  std::string project, equipment, checker; // optional names for the title block
};

// The sheet's data after a calculation that wrote `report`.
SheetData sheet_data(const SeismicCalcState &s, const std::string &report, const std::optional<Message> &advice,
                     std::string diameter, std::string kh, std::string z);

// The date and time of the calculation, from the report's header line.
std::string calculated_at(const std::string &report);

// Draws the sheet into `page` (device coordinates of the painter's device).
void paint_sheet(QPainter &p, const QRectF &page, const SheetData &d);

// The sheet as a one-page A4 PDF with the fonts embedded; empty if it
// could not be drawn.
QByteArray sheet_pdf(const SheetData &d);

// Writes a one-page A4 PDF with the fonts embedded. Returns an empty string,
// or a message saying why the file could not be written.
QString write_sheet_pdf(const SheetData &d, const QString &path);

} // namespace zelvaro::sheet
