#include "ui/drawings/sheet_output.h"

#include "capture/advice.h"
#include "ui/drawings/calc_sheet.h"
#include "ui/drawings/fonts.h"

#include <QGuiApplication>

#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace zelvaro::sheet {

// Drawing needs a QGuiApplication for its fonts, not a display: the
// offscreen platform serves, whatever the environment says. Qt's own
// warnings would only clutter the command line's messages.
void start_drawing() {
  if (QGuiApplication::instance())
    return;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
    qputenv("XDG_RUNTIME_DIR", QByteArray("/tmp"));
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
  static int argc = 1;
  static char name[] = "zelvaro-check";
  static char *argv[] = {name, nullptr};
  static std::unique_ptr<QGuiApplication> app = std::make_unique<QGuiApplication>(argc, argv);
  ui::map_window_fonts();
}

namespace {

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
  start_drawing();
  return write_sheet_pdf(data(s, outcome, fields, names), QString::fromStdString(path)).toStdString();
}

SheetFiles::SheetFiles(const std::filesystem::path &dir, SheetNames names, bool replace,
                       const batch::BatchTexts &texts)
    : files_(dir, ".pdf", replace, texts), names_(std::move(names)), failed_(texts.sheet_failed) {
  start_drawing();
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
