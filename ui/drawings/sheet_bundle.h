#pragma once

// Every sheet of a project in one PDF: a cover page (工事名, date, checker,
// each item with its verdict and the page of its sheet), then the sheet of
// every calculated item in list order. One writer draws all pages, so each
// font is embedded once for the whole file.

#include "ui/drawings/calc_sheet.h"

#include <QByteArray>
#include <QIODevice>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zelvaro::sheet {

struct BundleItem {
  std::string id, equipment;
  std::string verdict;            // as the list shows it (○ 適合, × 不足, 入力不備)
  std::string message;            // a refusal's reason; empty otherwise
  std::optional<SheetData> sheet; // none for a refused item: it gets no page
};

struct BundleCover {
  std::string project, checker, date;
};

// Items listed on each cover page.
inline constexpr int CoverRowsPerPage = 40;

// The page on which each item's sheet starts (1-based), 0 for none.
std::vector<int> bundle_pages(const std::vector<BundleItem> &items);

// The whole PDF; `progress(done, total)` is called before each sheet and
// ends the work when it returns false. Empty when cancelled or not drawn.
QByteArray bundle_pdf(const BundleCover &cover, const std::vector<BundleItem> &items,
                      const std::function<bool(int, int)> &progress = {});
// The same written to `out` page by page, so that the PDF need not be held
// in memory; false when cancelled or not drawn (`out` then holds a part).
bool bundle_pdf(QIODevice &out, const BundleCover &cover, const std::vector<BundleItem> &items,
                const std::function<bool(int, int)> &progress = {});

} // namespace zelvaro::sheet
