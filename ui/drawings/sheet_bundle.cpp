#include "ui/drawings/sheet_bundle.h"

#include "ui/drawings/fonts.h"

#include <QBuffer>
#include <QFont>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>

namespace zelvaro::sheet {

namespace {

QString qs(const std::string &s) {
  return QString::fromStdString(s);
}

int cover_pages(std::size_t items) {
  return std::max(1, static_cast<int>((items + CoverRowsPerPage - 1) / CoverRowsPerPage));
}

void paint_cover(QPainter &p, const QRectF &page, const BundleCover &cover,
                 const std::vector<BundleItem> &items, const std::vector<int> &pages, int last, int first,
                 int count) {
  const double mm = page.width() / 180.0;
  const auto font = [&](const char *family, double height, bool bold = false) {
    QFont f(QString::fromUtf8(family));
    f.setPixelSize(std::max(1, static_cast<int>(height * mm)));
    f.setBold(bold);
    return f;
  };
  p.save();
  p.setPen(QPen(QColor(0x10, 0x10, 0x10), 0.25 * mm));
  double y = page.top();
  const double left = page.left(), w = page.width();
  p.setFont(font(ui::PGothicFamily, 6, true));
  p.drawText(QRectF(left, y, w, 10 * mm), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("アンカーボルト耐震計算書　表紙"));
  y += 12 * mm;
  draw_fitted(p, QRectF(left, y, w, 6 * mm), QStringLiteral("工事名: %1").arg(qs(cover.project)),
              font(ui::PGothicFamily, 3.6), Qt::AlignLeft | Qt::AlignVCenter);
  y += 6 * mm;
  draw_fitted(p, QRectF(left, y, w, 6 * mm),
              QStringLiteral("作成日: %1　　確認者: %2").arg(qs(cover.date), qs(cover.checker)),
              font(ui::PGothicFamily, 3.6), Qt::AlignLeft | Qt::AlignVCenter);
  y += 9 * mm;
  // The table: 番号, 機器名, 判定, 頁 and, for a refused item, its reason.
  const double cols[] = {0, 50, 100, 120, 138, 180};
  const QString heads[] = {QStringLiteral("番号"), QStringLiteral("機器名"), QStringLiteral("判定"),
                           QStringLiteral("頁"), QStringLiteral("備考")};
  const double row = 5.5 * mm;
  p.setFont(font(ui::PGothicFamily, 3.0, true));
  for (int c = 0; c < 5; ++c)
    p.drawText(QRectF(left + cols[c] * mm + mm, y, (cols[c + 1] - cols[c] - 2) * mm, row),
               Qt::AlignLeft | Qt::AlignVCenter, heads[c]);
  y += row;
  p.drawLine(QPointF(left, y), QPointF(left + w, y));
  p.setFont(font(ui::PGothicFamily, 3.0));
  for (int i = first; i < first + count; ++i) {
    const BundleItem &it = items[static_cast<std::size_t>(i)];
    const int at = pages[static_cast<std::size_t>(i)];
    const QString cells[] = {qs(it.id), qs(it.equipment), qs(it.verdict),
                             at ? qs(page_text(at, last)) : QStringLiteral("－"), qs(it.message)};
    for (int c = 0; c < 5; ++c) {
      const QRectF r(left + cols[c] * mm + mm, y, (cols[c + 1] - cols[c] - 2) * mm, row);
      draw_fitted(p, r, cells[c], font(ui::PGothicFamily, 3.0), Qt::AlignLeft | Qt::AlignVCenter);
    }
    y += row;
    p.drawLine(QPointF(left, y), QPointF(left + w, y));
  }
  p.restore();
}

} // namespace

std::vector<int> bundle_pages(const std::vector<BundleItem> &items) {
  std::vector<int> pages(items.size(), 0);
  int page = cover_pages(items.size());
  for (std::size_t i = 0; i < items.size(); ++i)
    if (items[i].sheet)
      pages[i] = ++page;
  return pages;
}

QByteArray bundle_pdf(const BundleCover &cover, const std::vector<BundleItem> &items,
                      const std::function<bool(int, int)> &progress) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  return bundle_pdf(buffer, cover, items, progress) ? bytes : QByteArray();
}

namespace {

// The PDF passed on to `to` as it is written, its information dictionary
// dated by SOURCE_DATE_EPOCH when that is set. QPdfWriter writes the
// dictionary in several small pieces, so the head is held back until the
// date is whole in it (or it has grown past where the dictionary can be).
class DatedPdf : public QIODevice {
public:
  explicit DatedPdf(QIODevice &to) : to_(to) { open(QIODevice::WriteOnly); }

  // Passes on what is still held back; false when `to` refused it.
  bool finish() {
    if (passed_)
      return true;
    passed_ = true;
    date_pdf(head_);
    const bool ok = to_.write(head_) == head_.size();
    head_.clear();
    return ok;
  }

protected:
  qint64 readData(char *, qint64) override { return -1; }
  qint64 writeData(const char *data, qint64 size) override {
    if (passed_)
      return to_.write(data, size);
    head_.append(data, size);
    const qsizetype date = head_.indexOf("/CreationDate (D:");
    if ((date >= 0 && head_.indexOf(')', date) >= 0) || head_.size() >= 4096) {
      if (!finish())
        return -1;
    }
    return size;
  }

private:
  QIODevice &to_;
  QByteArray head_;
  bool passed_ = false;
};

} // namespace

bool bundle_pdf(QIODevice &to, const BundleCover &cover, const std::vector<BundleItem> &items,
                const std::function<bool(int, int)> &progress) {
  DatedPdf out(to);
  QPdfWriter writer(&out);
  writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15),
                                   QPageLayout::Millimeter));
  writer.setResolution(300);
  writer.setCreator(QString::fromUtf8(InitialCaptionText));
  writer.setTitle(QStringLiteral("アンカーボルト耐震計算書"));
  QPainter p;
  if (!p.begin(&writer))
    return false;
  const QRectF page(QPointF(0, 0), writer.pageLayout().paintRectPixels(writer.resolution()).size());
  const std::vector<int> pages = bundle_pages(items);
  const int covers = cover_pages(items.size());
  const int last = // the number of pages
      covers + static_cast<int>(std::count_if(items.begin(), items.end(),
                                              [](const BundleItem &it) { return it.sheet.has_value(); }));
  for (int c = 0; c < covers; ++c) {
    if (c > 0)
      writer.newPage();
    const int first = c * CoverRowsPerPage;
    paint_cover(p, page, cover, items, pages, last, first,
                std::min(CoverRowsPerPage, static_cast<int>(items.size()) - first));
  }
  const int total = static_cast<int>(items.size());
  for (int i = 0; i < total; ++i) {
    if (progress && !progress(i, total)) {
      p.end();
      return false;
    }
    const BundleItem &it = items[static_cast<std::size_t>(i)];
    if (!it.sheet)
      continue;
    writer.newPage();
    SheetData sheet = *it.sheet;
    sheet.page = pages[static_cast<std::size_t>(i)];
    sheet.pages = last;
    paint_sheet(p, page, sheet);
  }
  const bool ended = p.end();
  return out.finish() && ended;
}

} // namespace zelvaro::sheet
