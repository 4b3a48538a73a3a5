#pragma once

// Every sheet of a project in one PDF: a cover page (工事名, date, checker,
// each item with its verdict and the page of its sheet), then the sheet of
// every calculated item in list order. One writer draws all pages, so each
// font is embedded once for the whole file. The cover is drawn from the
// items' verdicts alone; each sheet is handed over just before its page and
// dropped after it, so a bundle holds the cover's table and one sheet.

#include "ui/drawings/calc_sheet.h"

#include <QIODevice>

#include <memory>
#include <string>
#include <vector>

namespace zelvaro::sheet {

// One row of the cover.
struct BundleItem {
  std::string id, equipment;
  std::string verdict; // as the list shows it (○ 適合, × 不足, 入力不備)
  std::string message; // a refusal's reason; empty otherwise
  bool sheet = false;  // calculated: its sheet follows the cover (a refused item gets no page)
};

struct BundleCover {
  std::string project, checker, date;
};

// Items listed on each cover page.
inline constexpr int CoverRowsPerPage = 40;

// The bundle written to `out` page by page, never held whole: the cover
// when made, then each sheet as it is added.
class BundleWriter {
public:
  BundleWriter(QIODevice &out, const BundleCover &cover, const std::vector<BundleItem> &items);
  ~BundleWriter();
  BundleWriter(const BundleWriter &) = delete;
  BundleWriter &operator=(const BundleWriter &) = delete;

  // Draws the sheet of the next item that has one, numbered 「n / N」 as the
  // cover said; false when it could not be drawn or the cover announced no
  // more sheets.
  bool add(SheetData sheet);
  // Ends the PDF: true when every sheet the cover announced was drawn and
  // the whole file passed on to `out`. Without it (a stop), `out` holds a part.
  bool finish();

private:
  struct Pdf;
  std::unique_ptr<Pdf> pdf_;
  int next_page_ = 0, last_page_ = 0;
  bool ok_ = false;
};

} // namespace zelvaro::sheet
