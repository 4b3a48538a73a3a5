#pragma once

// The calculation sheet: one A4 page per item, drawn from the same report as
// the result box, for attaching to construction documents. Shared by the
// window (save as PDF, print) and zelvaro-check --pdf. Needs a
// QGuiApplication (fonts), not a display.

#include "engine/calculate.h"
#include "engine/message.h"
#include "engine/seismic_calc_state.h"
#include "schedule/sheet_model.h"

#include <QByteArray>
#include <QFont>
#include <QString>

#include <optional>
#include <string>
#include <utility>
#include <vector>

class QPainter;
class QRectF;

namespace zelvaro::sheet {

using SheetData = SheetModel;

// The sheet's data after a calculation of `s` that reported.
inline SheetData sheet_data(const SeismicCalcState &s, const CalcOutcome &outcome, std::string diameter,
                            std::string kh, std::string z) {
  return sheet_model(s, outcome, std::move(diameter), std::move(kh), std::move(z));
}

// Draws `text` in `r`: in `font` when it fits on one line, else smaller
// down to about half its size, else wrapped at that size; never cut.
void draw_fitted(QPainter &p, const QRectF &r, const QString &text, QFont font, int align);

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
// or a message saying why the file could not be written (a read-only file
// is replaced only with `replace_read_only`).
QString write_sheet_pdf(const SheetData &d, const QString &path, bool replace_read_only = false);

} // namespace zelvaro::sheet
