#include "ui/drawings/sheet_output.h"

#include "capture/advice.h"
#include "ui/drawings/calc_sheet.h"

#include <QGuiApplication>

#include <stdexcept>

namespace zelvaro::sheet {

namespace {

// Drawing needs a QGuiApplication for its fonts (not a display): the
// program that writes sheets starts one first.
void need_application() {
  if (!QGuiApplication::instance())
    throw std::logic_error("calculation sheets are drawn without a QGuiApplication");
}

SheetData data(const SeismicCalcState &s, const CalcOutcome &outcome, const FieldReader &fields,
               const SheetNames &names) {
  SheetData d =
      sheet_data(s, outcome, std::string(fields.text(InputSlot::Combo1)),
                 std::string(fields.text(InputSlot::Combo2)), std::string(fields.text(InputSlot::Combo4)));
  d.suggestions = cases::suggestions(s, fields, outcome);
  d.names = names;
  return d;
}

} // namespace

std::string write_sheet_file(const std::string &path, const SeismicCalcState &s, const CalcOutcome &outcome,
                             const FieldReader &fields, const SheetNames &names) {
  need_application();
  return write_sheet_pdf(data(s, outcome, fields, names), QString::fromStdString(path)).toStdString();
}

SheetFiles::SheetFiles(const std::filesystem::path &dir, SheetNames names, bool replace,
                       const batch::BatchTexts &texts)
    : files_(dir, ".pdf", replace, texts), names_(std::move(names)), failed_(texts.sheet_failed) {
  need_application();
}

void SheetFiles::write(const batch::ItemResult &result, const SheetNames &row, const SeismicCalcState &s,
                       const CalcOutcome &outcome, const FieldReader &fields) {
  SheetModel d = sheet_model(s, outcome, fields, result);
  d.names = title_names(row, names_);
  const QByteArray pdf = sheet_pdf(d);
  if (pdf.isEmpty())
    throw std::runtime_error(batch::filled(failed_, {std::to_string(result.line)}));
  files_.write(result.line, result.id,
               std::string_view(pdf.constData(), static_cast<std::size_t>(pdf.size())));
}

} // namespace zelvaro::sheet
