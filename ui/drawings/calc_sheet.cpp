#include "ui/drawings/calc_sheet.h"

#include "files/atomic_file.h"

#include "capture/single_case.h"

#include "engine/checks.h"
#include "engine/report_text.h"
#include "engine/shape_procedure.h"
#include "refdata/materials.h"
#include "refdata/selection_lists.h"
#include "ui/drawings/diagrams.h"
#include "ui/drawings/fonts.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

#include <cstdio>
#include <map>
#include <string_view>
#include <unistd.h>

namespace zelvaro::sheet {

namespace {

QString qs(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QStringList report_lines(const std::string &report) {
  return qs(to_lf(report)).split(QChar('\n'));
}

// Millimetres to device units of the painter's device.
struct Units {
  double per_mm;
  double operator()(double mm) const { return mm * per_mm; }
};

QFont font(const char *family, double mm_height, const Units &u, bool bold = false) {
  QFont f(QString::fromUtf8(family));
  f.setPixelSize(std::max(1, static_cast<int>(u(mm_height))));
  f.setBold(bold);
  return f;
}

// One cell of the title block: a small caption above its value.
void cell(QPainter &p, const QRectF &r, const QString &caption, const QString &value, const Units &u) {
  p.drawRect(r);
  p.setFont(font(ui::PGothicFamily, 2.4, u));
  p.drawText(r.adjusted(u(1.5), u(0.8), -u(1.5), 0), Qt::AlignLeft | Qt::AlignTop, caption);
  draw_fitted(p, r.adjusted(u(1.5), u(3.6), -u(1.5), -u(0.6)), value, font(ui::PGothicFamily, 3.6, u),
              Qt::AlignLeft | Qt::AlignBottom);
}

} // namespace

void draw_fitted(QPainter &p, const QRectF &r, const QString &text, QFont font, int align) {
  const int full = font.pixelSize(), least = std::max(1, full / 2);
  for (int size = full;; size = std::max(least, size * 9 / 10)) {
    font.setPixelSize(size);
    if (QFontMetricsF(font, p.device()).horizontalAdvance(text) <= r.width() || size == least)
      break;
  }
  p.setFont(font);
  if (QFontMetricsF(font, p.device()).horizontalAdvance(text) <= r.width()) {
    p.drawText(r, align, text);
    return;
  }
  // Wrapped, smaller still while the lines overflow the cell.
  const int flags = (align & ~Qt::AlignVertical_Mask) | Qt::AlignVCenter | Qt::TextWrapAnywhere;
  while (font.pixelSize() > 1 && p.boundingRect(r, flags, text).height() > r.height()) {
    font.setPixelSize(font.pixelSize() * 9 / 10);
    p.setFont(font);
  }
  p.drawText(r, flags, text);
}

void paint_sheet(QPainter &p, const QRectF &page, const SheetData &d) {
  const Units u{page.width() / 180.0}; // the printable width is 180 mm of A4
  const QColor ink(0x10, 0x10, 0x10), fail(0xc0, 0x10, 0x10), pass(0x10, 0x60, 0x20), rule(0x60, 0x60, 0x60);
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(QPen(ink, u(0.25)));
  double y = page.top();

  // Title block.
  const double left = page.left(), w = page.width();
  p.setFont(font(ui::PGothicFamily, 6, u, true));
  p.drawText(QRectF(left, y, w * 0.7, u(10)), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("アンカーボルト耐震計算書"));
  p.setFont(font(ui::GothicFamily, 3.4, u));
  p.drawText(QRectF(left + w * 0.6, y, w * 0.4, u(10)), Qt::AlignRight | Qt::AlignVCenter, qs(d.caption));
  y += u(11);
  // Widths in mm of the 180: 計算日時, 工事名, 番号, 機器名, 確認者.
  const std::pair<QString, QString> title[] = {{QStringLiteral("計算日時"), qs(d.calculated_at)},
                                               {QStringLiteral("工事名"), qs(d.names.project)},
                                               {QStringLiteral("番号"), qs(d.number)},
                                               {QStringLiteral("機器名"), qs(d.names.equipment)},
                                               {QStringLiteral("確認者"), qs(d.names.checker)}};
  const double widths[] = {34, 48, 28, 44, 26}, ch = u(11);
  double x = left;
  for (std::size_t c = 0; c < std::size(title); ++c) {
    cell(p, QRectF(x, y, u(widths[c]), ch), title[c].first, title[c].second, u);
    x += u(widths[c]);
  }
  y += ch + u(5);
  // The page number at the foot, as the cover lists it.
  const double foot = page.bottom() - (d.page > 0 ? u(6) : 0);
  if (d.page > 0) {
    p.setFont(font(ui::PGothicFamily, 3.2, u));
    p.drawText(QRectF(left, foot, w, page.bottom() - foot), Qt::AlignHCenter | Qt::AlignBottom,
               qs(page_text(d.page, d.pages)));
  }

  // The shape's diagram beside the selections.
  const int k = static_cast<int>(d.shape);
  // One picture per shape for the whole program: a PDF of many sheets then
  // holds each shape's diagram once, not once per page.
  static std::map<int, QImage> diagrams;
  auto cached = diagrams.find(k);
  if (cached == diagrams.end())
    cached = diagrams.emplace(k, draw_shape_diagram(k, 6)).first;
  const QImage &diagram = cached->second;
  double block = u(40);
  if (!diagram.isNull()) {
    const double dw = u(62), dh = dw * diagram.height() / diagram.width();
    p.drawImage(QRectF(left, y, dw, dh), diagram);
    block = std::max(block, dh);
  }
  const double sx = left + u(70), row = u(6);
  double sy = y + u(1);
  for (const auto &[name, value] : sheet_selections(d)) {
    p.setFont(font(ui::PGothicFamily, 3.2, u));
    p.setPen(rule);
    p.drawText(QPointF(sx, sy + u(4)), qs(name));
    p.setPen(ink);
    p.setFont(font(ui::GothicFamily, 3.6, u));
    p.drawText(QPointF(sx + u(38), sy + u(4)), qs(value));
    p.setPen(QPen(QColor(0xc8, 0xc8, 0xc8), u(0.2)));
    p.drawLine(QPointF(sx, sy + row - u(0.5)), QPointF(left + w, sy + row - u(0.5)));
    p.setPen(QPen(ink, u(0.25)));
    sy += row;
  }
  y += std::max(block, sy - y) + u(5);

  // The report, every line exactly as in the result box, in a monospaced
  // gothic sized so that the longest line fits the width.
  p.setFont(font(ui::PGothicFamily, 4, u, true));
  p.drawText(QPointF(left, y + u(4)), QStringLiteral("計算内容"));
  y += u(6);
  p.drawLine(QPointF(left, y), QPointF(left + w, y));
  y += u(2);
  const QStringList lines = report_lines(d.report);
  QFont mono = font(ui::GothicFamily, 3.2, u);
  double widest = 0;
  for (const QString &l : lines)
    widest = std::max(widest, QFontMetricsF(mono, p.device()).horizontalAdvance(l));
  if (widest > w)
    mono.setPixelSize(std::max(1, static_cast<int>(mono.pixelSize() * w / widest)));
  p.setFont(mono);
  const QFontMetricsF fm(mono, p.device());
  const double line_height = fm.height() * 1.25;
  for (const QString &l : lines) {
    y += line_height;
    p.drawText(QPointF(left, y - fm.descent()), l);
  }
  y += u(5);

  // The verdicts, set off: each check with its mark, the advice under them.
  p.setFont(font(ui::PGothicFamily, 4, u, true));
  p.drawText(QPointF(left, y + u(4)), QStringLiteral("判定"));
  y += u(6);
  p.drawLine(QPointF(left, y), QPointF(left + w, y));
  y += u(2);
  const QFont vfont = font(ui::GothicFamily, 3.4, u);
  for (const SheetVerdict &v : d.verdicts) {
    const QRectF box(left, y, w, u(8));
    p.setPen(Qt::NoPen);
    p.setBrush(v.ok ? QColor(0xea, 0xf5, 0xea) : QColor(0xfb, 0xe3, 0xe3));
    p.drawRect(box);
    p.setBrush(Qt::NoBrush);
    p.setPen(v.ok ? pass : fail);
    p.setFont(font(ui::PGothicFamily, 3.6, u, true));
    p.drawText(box.adjusted(u(2), 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
               (v.ok ? QStringLiteral("○ ") : QStringLiteral("× 不足 ")) + qs(v.check));
    p.setFont(vfont);
    p.setPen(ink);
    QString outcome = qs(v.outcome);
    const QFontMetricsF vm(vfont, p.device());
    outcome = vm.elidedText(outcome, Qt::ElideMiddle, w - u(44));
    p.drawText(box.adjusted(u(42), 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, outcome);
    y += u(9);
  }
  if (d.advice) {
    y += u(2);
    p.setPen(fail);
    p.setFont(font(ui::PGothicFamily, 3.6, u, true));
    p.drawText(QPointF(left, y + u(4)), qs(d.advice->title));
    y += u(6);
    p.setPen(ink);
    p.setFont(font(ui::PGothicFamily, 3.4, u));
    const QString text = qs(to_lf(d.advice->text));
    const QRectF area(left, y, w, foot - y);
    const QRectF used = p.boundingRect(area, Qt::TextWordWrap, text);
    p.drawText(area, Qt::TextWordWrap, text);
    y += used.height();
  }
  if (!d.suggestions.empty()) {
    y += u(3);
    p.setPen(ink);
    p.setFont(font(ui::PGothicFamily, 3.6, u, true));
    p.drawText(QPointF(left, y + u(4)), QStringLiteral("改善案"));
    y += u(6);
    p.setFont(font(ui::PGothicFamily, 3.4, u));
    for (const std::string &line : d.suggestions) {
      const QRectF area(left + u(2), y, w - u(2), foot - y);
      const QString text = QStringLiteral("・") + qs(line);
      const QRectF used = p.boundingRect(area, Qt::TextWordWrap, text);
      p.drawText(area, Qt::TextWordWrap, text);
      y += used.height();
    }
  }
  p.restore();
}

namespace {
bool render_pdf(const SheetData &d, QPdfWriter &writer) {
  writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15),
                                   QPageLayout::Millimeter));
  writer.setResolution(300);
  writer.setCreator(qs(d.caption));
  writer.setTitle(QStringLiteral("アンカーボルト耐震計算書"));
  QPainter p;
  if (!p.begin(&writer))
    return false;
  paint_sheet(p, QRectF(QPointF(0, 0), writer.pageLayout().paintRectPixels(writer.resolution()).size()), d);
  return p.end();
}
} // namespace

void date_pdf(QByteArray &pdf) {
  const std::optional<long long> epoch = cases::source_date_epoch();
  if (!epoch)
    return;
  // "/CreationDate (D:YYYYMMDDHHmmSSZ)" or "(D:YYYYMMDDHHmmSS+09'00')".
  static constexpr std::string_view Key = "/CreationDate (D:";
  const qsizetype at = pdf.indexOf(Key.data());
  const qsizetype end = at < 0 ? -1 : pdf.indexOf(')', at);
  if (end < 0)
    return;
  const qsizetype from = at + static_cast<qsizetype>(Key.size());
  const LocalDateTime t = cases::run_time();
  char digits[32];
  std::snprintf(digits, sizeof digits, "%04d%02d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute,
                t.second);
  QByteArray date(digits);
  date += end - from == date.size() + 1 ? "Z" : "+00'00'";
  if (date.size() == end - from)
    pdf.replace(from, date.size(), date);
}

QByteArray sheet_pdf(const SheetData &d) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&buffer);
    if (!render_pdf(d, writer))
      return {};
  }
  date_pdf(bytes);
  return bytes;
}

QString write_sheet_pdf(const SheetData &d, const QString &path, bool replace_read_only) {
  // Drawn in memory first: only a sheet QPdfWriter and QPainter finished
  // reaches the disk, and only a complete file bears the name.
  const QByteArray pdf = sheet_pdf(d);
  const std::string why =
      pdf.isEmpty() ? std::string("計算書を描けません。")
                    : save_file(path.toStdString(),
                                std::string_view(pdf.constData(), static_cast<std::size_t>(pdf.size())),
                                replace_read_only);
  if (why.empty())
    return {};
  return QStringLiteral("PDFファイルを書き込めません: %1\n%2").arg(path, QString::fromStdString(why));
}

} // namespace zelvaro::sheet
