// The result box's own context-menu entries: the calculation sheet of the
// report shown, saved as PDF or printed.
#include "ui/form1.h"
#include "ui/widgets.h"

#include <QDialog>
#include <QFileDialog>
#include <QMenu>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

namespace zelvaro::ui {

namespace {

bool ask_names_dialog(QWidget *parent, SheetNames &names) {
  return ask_texts(parent, QStringLiteral("計算書の表題欄"),
                   {{QStringLiteral("工事名（空欄可）"), &names.project},
                    {QStringLiteral("機器（空欄可）"), &names.equipment},
                    {QStringLiteral("確認者（空欄可）"), &names.checker}});
}

QString ask_pdf_path_dialog(QWidget *parent) {
  return QFileDialog::getSaveFileName(parent, QStringLiteral("PDFに保存"), QStringLiteral("計算書.pdf"),
                                      QStringLiteral("PDF (*.pdf)"));
}

void print_dialog(QWidget *parent, const sheet::SheetData &d) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageSize(QPageSize(QPageSize::A4));
  printer.setPageOrientation(QPageLayout::Portrait);
  printer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
  QPrintDialog dialog(&printer, parent);
  if (dialog.exec() != QDialog::Accepted)
    return;
  QPainter p(&printer);
  sheet::paint_sheet(
      p, QRectF(QPointF(0, 0), printer.pageLayout().paintRectPixels(printer.resolution()).size()), d);
}

} // namespace

void Form1::extendResultMenu(QMenu *menu) {
  // Only a report that is shown has a sheet.
  const bool shown = sheet_ && !text2_->toPlainText().isEmpty();
  menu->addSeparator();
  QAction *pdf = menu->addAction(QStringLiteral("PDFに保存..."));
  pdf->setObjectName(QStringLiteral("save-pdf"));
  pdf->setEnabled(shown);
  connect(pdf, &QAction::triggered, this, &Form1::saveSheetPdf);
  QAction *print = menu->addAction(QStringLiteral("印刷..."));
  print->setObjectName(QStringLiteral("print"));
  print->setEnabled(shown);
  connect(print, &QAction::triggered, this, &Form1::printSheet);
}

std::optional<sheet::SheetData> Form1::namedSheet() {
  if (!sheet_)
    return std::nullopt;
  const auto ask = askSheetNames ? askSheetNames : ask_names_dialog;
  if (!ask(this, names_))
    return std::nullopt;
  sheet::SheetData d = *sheet_;
  d.names = names_;
  return d;
}

void Form1::saveSheetPdf() {
  const std::optional<sheet::SheetData> d = namedSheet();
  if (!d)
    return;
  const QString path = (askPdfPath ? askPdfPath : ask_pdf_path_dialog)(this);
  if (path.isEmpty() || !may_replace(this, path, askReplaceReadOnly))
    return;
  const QString error = sheet::write_sheet_pdf(*d, path, true);
  if (!error.isEmpty())
    showMessage(Message{"PDFに保存", error.toStdString(), MessageIcon::Critical});
}

void Form1::printSheet() {
  if (const std::optional<sheet::SheetData> d = namedSheet())
    (printOnPaper ? printOnPaper : print_dialog)(this, *d);
}

} // namespace zelvaro::ui
