#include "ui/drawings/sheet_bundle.h"

#include "ui/drawings/fonts.h"

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

// One cover page: items `first` to `first + count`; `sheet_page` is the page
// of the last sheet numbered so far, and counts on.
void paint_cover(QPainter &p, const QRectF &page, const BundleCover &cover,
                 const std::vector<BundleItem> &items, int &sheet_page, int last, int first, int count) {
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
    const int at = it.sheet ? ++sheet_page : 0;
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

struct BundleWriter::Pdf {
  explicit Pdf(QIODevice &to) : out(to), writer(&out) {}
  DatedPdf out;
  QPdfWriter writer;
  QPainter painter;
  QRectF page;
};

BundleWriter::BundleWriter(QIODevice &out, const BundleCover &cover, const std::vector<BundleItem> &items)
    : pdf_(std::make_unique<Pdf>(out)) {
  QPdfWriter &writer = pdf_->writer;
  writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15),
                                   QPageLayout::Millimeter));
  writer.setResolution(300);
  writer.setCreator(QString::fromUtf8(InitialCaptionText));
  writer.setTitle(QStringLiteral("アンカーボルト耐震計算書"));
  QPainter &p = pdf_->painter;
  if (!p.begin(&writer))
    return;
  ok_ = true;
  pdf_->page = QRectF(QPointF(0, 0), writer.pageLayout().paintRectPixels(writer.resolution()).size());
  const int covers = cover_pages(items.size());
  next_page_ = covers;
  last_page_ = covers + static_cast<int>(std::count_if(items.begin(), items.end(),
                                                       [](const BundleItem &it) { return it.sheet; }));
  int sheet_page = covers;
  for (int c = 0; c < covers; ++c) {
    if (c > 0)
      writer.newPage();
    const int first = c * CoverRowsPerPage;
    paint_cover(p, pdf_->page, cover, items, sheet_page, last_page_, first,
                std::min(CoverRowsPerPage, static_cast<int>(items.size()) - first));
  }
}

BundleWriter::~BundleWriter() {
  if (pdf_->painter.isActive())
    pdf_->painter.end();
}

bool BundleWriter::add(SheetData sheet) {
  if (!ok_ || next_page_ >= last_page_)
    return ok_ = false;
  if (!pdf_->writer.newPage())
    return ok_ = false;
  sheet.page = ++next_page_;
  sheet.pages = last_page_;
  paint_sheet(pdf_->painter, pdf_->page, sheet);
  return true;
}

bool BundleWriter::finish() {
  if (!ok_ || next_page_ != last_page_)
    return false;
  const bool ended = pdf_->painter.end();
  return pdf_->out.finish() && ended;
}

} // namespace zelvaro::sheet
