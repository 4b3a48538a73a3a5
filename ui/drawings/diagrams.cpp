#include "ui/drawings/diagrams.h"

#include <QFont>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace zelvaro {

namespace {

// Colours shared by all diagrams.
const QColor kOutline(0x1c, 0x1c, 0x1c);
const QColor kBodyFill(0xe6, 0xec, 0xf2);
const QColor kFrameFill(0xb8, 0xc2, 0xcc);
const QColor kHatch(0x8a, 0x8a, 0x8a);
const QColor kDimension(0x12, 0x46, 0x96);
const QColor kExtension(0x86, 0xa4, 0xcc);
const QColor kGravity(0xd8, 0x14, 0x14);
const QColor kGravityText(0xb0, 0x10, 0x10);
const QColor kBolt(0x30, 0x30, 0x30);

enum class Into { Down, Up };

// Pixel-grid drawing helpers. Coordinates are pixel columns/rows; a 1 px line at
// column x covers exactly that column, so the pictures stay crisp.
class Sketch {
public:
  // `scale` draws the same picture at a multiple of its pixel size, for print.
  explicit Sketch(QImage &image, double scale = 1) : p_(&image) {
    p_.setRenderHint(QPainter::Antialiasing, true);
    p_.setRenderHint(QPainter::TextAntialiasing, scale > 1);
    p_.scale(scale, scale);
  }

  QPainter &painter() { return p_; }

  void line(int x1, int y1, int x2, int y2, const QColor &c) {
    p_.setPen(QPen(c, 1.0, Qt::SolidLine, Qt::FlatCap));
    if (x1 == x2 || y1 == y2) {
      // Axis-aligned: fill the covered pixels directly.
      p_.fillRect(
          QRect(QPoint(std::min(x1, x2), std::min(y1, y2)), QPoint(std::max(x1, x2), std::max(y1, y2))), c);
    } else {
      p_.drawLine(QPointF(x1 + 0.5, y1 + 0.5), QPointF(x2 + 0.5, y2 + 0.5));
    }
  }

  // Dashed axis-aligned line (centre lines, extension lines through a body).
  void dashed(int x1, int y1, int x2, int y2, const QColor &c, int on = 2, int off = 1) {
    const int n = std::max(std::abs(x2 - x1), std::abs(y2 - y1));
    const int dx = (x2 > x1) - (x2 < x1);
    const int dy = (y2 > y1) - (y2 < y1);
    for (int i = 0; i <= n; ++i)
      if (i % (on + off) < on)
        p_.fillRect(QRect(x1 + i * dx, y1 + i * dy, 1, 1), c);
  }

  // Rectangle given by inclusive pixel corners, outlined and filled.
  void box(int x1, int y1, int x2, int y2, const QColor &fill, const QColor &outline = kOutline) {
    p_.fillRect(QRect(QPoint(x1, y1), QPoint(x2, y2)), outline);
    if (x2 - x1 >= 2 && y2 - y1 >= 2)
      p_.fillRect(QRect(QPoint(x1 + 1, y1 + 1), QPoint(x2 - 1, y2 - 1)), fill);
  }

  // Concrete in section: 45 degree hatching inside the inclusive rectangle. The
  // pattern is tied to the image grid so adjoining slabs continue each other.
  void hatch(int x1, int y1, int x2, int y2) {
    p_.fillRect(QRect(QPoint(x1, y1), QPoint(x2, y2)), Qt::white);
    for (int y = y1; y <= y2; ++y)
      for (int x = x1; x <= x2; ++x)
        if ((x + y) % 4 == 0)
          p_.fillRect(QRect(x, y, 1, 1), kHatch);
  }

  // An anchor bolt: a nut with the bolt end standing proud of the fixing plate at
  // plate face `face`, and a shank running into the concrete past `slab` by `embed`.
  void anchor(int x, int face, int slab, Into into, int embed = 6) {
    if (into == Into::Down) {
      const int end = slab + embed;
      p_.fillRect(QRect(x - 1, slab + 1, 3, end - slab), Qt::white);
      line(x, face - 3, x, end, kBolt);
      line(x - 1, end, x + 1, end, kBolt);
      p_.fillRect(QRect(x - 2, face - 2, 5, 2), kBolt);
    } else {
      const int end = slab - embed;
      p_.fillRect(QRect(x - 1, end, 3, slab - end), Qt::white);
      line(x, end, x, face + 3, kBolt);
      line(x - 1, end, x + 1, end, kBolt);
      p_.fillRect(QRect(x - 2, face + 1, 5, 2), kBolt);
    }
  }

  // The same bolt on row y, fixing a plate (front face at column `face`) to a wall on
  // the left whose face is column `wall`.
  void anchorIntoWall(int y, int face, int wall, int embed = 6) {
    const int end = wall - embed;
    p_.fillRect(QRect(end, y - 1, wall - end, 3), Qt::white);
    line(end, y, face + 3, y, kBolt);
    line(end, y - 1, end, y + 1, kBolt);
    p_.fillRect(QRect(face + 1, y - 2, 2, 5), kBolt);
  }

  // An anchor seen end-on (front view of a wall unit): a small hex nut.
  void anchorEndOn(int x, int y) {
    QPolygonF hex;
    for (int i = 0; i < 6; ++i) {
      const double a = std::numbers::pi / 3.0 * i;
      hex << QPointF(x + 0.5 + 2.6 * std::cos(a), y + 0.5 + 2.6 * std::sin(a));
    }
    p_.setPen(Qt::NoPen);
    p_.setBrush(kBolt);
    p_.drawPolygon(hex);
    p_.fillRect(QRect(x, y, 1, 1), QColor(0xd8, 0xd8, 0xd8));
  }

  // Filled arrow head whose tip sits on pixel (x, y), pointing in direction (dx, dy).
  void arrowHead(int x, int y, int dx, int dy) {
    const QPointF tip(x + 0.5 - 0.5 * dx, y + 0.5 - 0.5 * dy);
    const QPointF back(tip.x() + 4.0 * -dx, tip.y() + 4.0 * -dy);
    const QPointF side(1.7 * dy, 1.7 * dx);
    p_.setPen(Qt::NoPen);
    p_.setBrush(kDimension);
    p_.drawPolygon(QPolygonF{tip, back + side, back - side});
  }

  // Dimension line between columns x1 < x2 on row y, arrows pointing at the ends.
  void dimH(int x1, int x2, int y) {
    line(x1 + 1, y, x2 - 1, y, kDimension);
    arrowHead(x1, y, -1, 0);
    arrowHead(x2, y, 1, 0);
  }

  // Dimension line between rows y1 < y2 in column x.
  void dimV(int x, int y1, int y2) {
    line(x, y1 + 1, x, y2 - 1, kDimension);
    arrowHead(x, y1, 0, -1);
    arrowHead(x, y2, 0, 1);
  }

  void extension(int x1, int y1, int x2, int y2) { line(x1, y1, x2, y2, kExtension); }

  // Text centred on (cx, cy); with `knockout` the background under it is cleared,
  // so a label can sit on top of its dimension line.
  void text(const QString &s, double cx, double cy, int pixelSize, const QColor &c, bool knockout) {
    QFont f(QStringLiteral("ＭＳ Ｐゴシック"));
    f.setPixelSize(pixelSize);
    f.setStyleStrategy(p_.transform().m11() > 1 ? QFont::PreferAntialias : QFont::NoAntialias);
    f.setHintingPreference(QFont::PreferFullHinting);
    const QFontMetrics fm(f);
    const QRect tight = fm.tightBoundingRect(s);
    const int bx = static_cast<int>(std::lround(cx - tight.x() - (tight.width() - 1) / 2.0));
    const int by = static_cast<int>(std::lround(cy - tight.y() - (tight.height() - 1) / 2.0));
    if (knockout)
      p_.fillRect(tight.translated(bx, by).adjusted(-1, -1, 1, 1), Qt::white);
    p_.setFont(f);
    p_.setPen(c);
    p_.drawText(QPoint(bx, by), s);
  }

  void label(const QString &s, double cx, double cy, bool knockout = true) {
    text(s, cx, cy, 8, kDimension, knockout);
  }

  void gravityDot(int x, int y) {
    p_.setPen(Qt::NoPen);
    p_.setBrush(kGravity);
    p_.drawEllipse(QPointF(x + 0.5, y + 0.5), 2.4, 2.4);
  }

  // Centre of gravity: a red dot, and the word 重心 centred on (tx, ty). The kanji
  // get a larger size than the letters: below 12 px they turn into blots.
  void gravity(int x, int y, double tx, double ty) {
    gravityDot(x, y);
    text(QStringLiteral("重心"), tx, ty, 12, kGravityText, false);
  }

private:
  QPainter p_;
};

QImage blank(int w, int h, double scale) {
  QImage img(qRound(w * scale), qRound(h * scale), QImage::Format_RGB32);
  img.fill(Qt::white);
  return img;
}

// 1: box-shaped machine on a concrete base.
QImage floorMounted(double k) {
  QImage img = blank(119, 70, k);
  Sketch s(img, k);
  const int slabTop = 49, frameTop = 44;
  const int anchorL = 19, anchorR = 79;
  const int gx = 50, gy = 28;

  s.hatch(6, slabTop, 92, 58);
  s.line(6, slabTop, 92, slabTop, kOutline);
  s.line(6, slabTop, 6, 58, kOutline);
  s.line(92, slabTop, 92, 58, kOutline);
  s.line(6, 58, 92, 58, kOutline);

  s.box(22, 12, 76, frameTop - 1, kBodyFill);
  for (int y = 18; y <= 34; y += 4) // louvres
    s.line(58, y, 71, y, kFrameFill.darker(130));
  s.box(15, frameTop, 83, slabTop - 1, kFrameFill);
  s.anchor(anchorL, frameTop, slabTop, Into::Down);
  s.anchor(anchorR, frameTop, slabTop, Into::Down);

  // HG on the right.
  s.dashed(gx + 3, gy, 103, gy, kExtension);
  s.extension(93, slabTop, 103, slabTop);
  s.dimV(100, gy, slabTop);
  s.label(QStringLiteral("HG"), 110, (gy + slabTop) / 2.0, false);
  // LG above.
  s.dashed(gx, gy - 3, gx, 3, kExtension);
  s.extension(anchorR, 40, anchorR, 3);
  s.dimH(gx, anchorR, 5);
  s.label(QStringLiteral("LG"), (gx + anchorR) / 2.0, 5);
  // L below.
  s.extension(anchorL, 59, anchorL, 66);
  s.extension(anchorR, 59, anchorR, 66);
  s.dimH(anchorL, anchorR, 64);
  s.label(QStringLiteral("L"), (anchorL + anchorR) / 2.0, 64);

  s.gravity(gx, gy, gx - 15, gy);
  return img;
}

// 2: upright cylinder on a circular base, anchors on a circle.
QImage circular(double k) {
  QImage img = blank(107, 76, k);
  Sketch s(img, k);
  QPainter &p = s.painter();
  const double cx = 46.5;
  const double rx = 18.0, topY = 10.5, botY = 49.5, ry = 4.0;
  const double baseY = 52.5, baseRx = 29.0, baseRy = 7.0, baseT = 2.0;
  const double boltRx = 24.0, boltRy = 5.5;
  const int floorTop = 62;
  const int gx = 46, gy = 31;

  s.hatch(4, floorTop, 88, 67);
  s.line(4, floorTop, 88, floorTop, kOutline);

  // Base plate: an elliptic disc with a visible rim.
  QPainterPath rim;
  rim.moveTo(cx - baseRx, baseY);
  rim.lineTo(cx - baseRx, baseY + baseT);
  rim.arcTo(QRectF(cx - baseRx, baseY + baseT - baseRy, 2 * baseRx, 2 * baseRy), 180, 180);
  rim.lineTo(cx + baseRx, baseY);
  rim.arcTo(QRectF(cx - baseRx, baseY - baseRy, 2 * baseRx, 2 * baseRy), 0, -180);
  p.setPen(QPen(kOutline, 1.0));
  p.setBrush(kFrameFill);
  p.drawPath(rim);
  p.setBrush(kFrameFill.lighter(112));
  p.drawEllipse(QPointF(cx, baseY), baseRx, baseRy);

  // Cylinder with cylindrical shading.
  QLinearGradient shade(cx - rx, 0, cx + rx, 0);
  shade.setColorAt(0.0, QColor(0xb4, 0xc0, 0xcc));
  shade.setColorAt(0.35, QColor(0xf4, 0xf7, 0xfa));
  shade.setColorAt(1.0, QColor(0xa4, 0xb0, 0xbc));
  QPainterPath body;
  body.moveTo(cx - rx, topY);
  body.lineTo(cx - rx, botY);
  body.arcTo(QRectF(cx - rx, botY - ry, 2 * rx, 2 * ry), 180, 180);
  body.lineTo(cx + rx, topY);
  body.arcTo(QRectF(cx - rx, topY - ry, 2 * rx, 2 * ry), 0, -180);
  p.setBrush(shade);
  p.drawPath(body);
  p.setBrush(QColor(0xe2, 0xe8, 0xee));
  p.drawEllipse(QPointF(cx, topY), rx, ry);

  // Visible anchors on the anchor circle (the far ones hide behind the cylinder).
  int leftX = 0, rightX = 0;
  for (int deg : {180, 135, 45, 0}) {
    const double a = deg * std::numbers::pi / 180.0;
    const int ax = static_cast<int>(std::floor(cx + boltRx * std::cos(a)));
    const int ay = static_cast<int>(std::floor(baseY + boltRy * std::sin(a)));
    p.fillRect(QRect(ax - 2, ay - 1, 5, 2), kBolt);
    s.line(ax, ay - 3, ax, ay - 2, kBolt);
    if (deg == 180)
      leftX = ax;
    if (deg == 0)
      rightX = ax;
  }

  // HG on the right, measured from the floor.
  s.dashed(gx + 3, gy, 93, gy, kExtension);
  s.extension(89, floorTop, 93, floorTop);
  s.dimV(91, gy, floorTop);
  s.label(QStringLiteral("HG"), 100, (gy + floorTop) / 2.0, false);
  // D below: the anchor circle.
  s.dashed(leftX, 56, leftX, 73, kExtension);
  s.dashed(rightX, 56, rightX, 73, kExtension);
  s.dimH(leftX, rightX, 71);
  s.label(QStringLiteral("D"), (leftX + rightX) / 2.0, 71);

  s.gravity(gx, gy, gx, gy - 9);
  return img;
}

// 3: unit on a wall, front view with six anchors and side view against the wall.
QImage wall(double k) {
  QImage img = blank(134, 77, k);
  Sketch s(img, k);
  const int left = 20, right = 70, plateTop = 3, plateBot = 55;
  const int ax[3] = {24, 45, 66};
  const int ayTop = 5, ayBot = 53;
  const int gx = 54, gy = 26;

  // Front view: back plate with the anchor lugs, the cabinet in front of it.
  s.box(left, plateTop, right, plateBot, kFrameFill);
  s.box(left + 2, plateTop + 5, right - 2, plateBot - 5, kBodyFill);
  for (int x : ax) {
    s.anchorEndOn(x, ayTop);
    s.anchorEndOn(x, ayBot);
  }

  // L2 on the left.
  s.extension(4, ayTop, left - 4, ayTop);
  s.extension(4, ayBot, left - 4, ayBot);
  s.dimV(10, ayTop, ayBot);
  s.label(QStringLiteral("L2"), 10, (ayTop + ayBot) / 2.0);
  // L2G on the right, from the bottom anchors up to the centre of gravity.
  s.dashed(gx + 3, gy, 84, gy, kExtension);
  s.extension(ax[2] + 4, ayBot, 84, ayBot);
  s.dimV(81, gy, ayBot);
  s.label(QStringLiteral("L2G"), 81, (gy + ayBot) / 2.0);
  // L1G and L1 below, from the bottom-left anchor.
  s.extension(ax[0], ayBot + 4, ax[0], 74);
  s.dashed(gx, gy + 3, gx, 64, kExtension);
  s.extension(ax[2], ayBot + 4, ax[2], 74);
  s.dimH(ax[0], gx, 62);
  s.label(QStringLiteral("L1G"), (ax[0] + gx) / 2.0, 62);
  s.dimH(ax[0], ax[2], 72);
  s.label(QStringLiteral("L1"), (ax[0] + ax[2]) / 2.0, 72);
  s.gravity(gx, gy, gx - 16, gy);

  // Side view: wall section on the left, the unit standing off it.
  const int wallFace = 106, sgx = 118;
  s.hatch(99, 0, wallFace, 76);
  s.line(wallFace, 0, wallFace, 76, kOutline);
  s.box(wallFace + 1, plateTop, wallFace + 2, plateBot, kFrameFill, kOutline);
  s.box(wallFace + 3, plateTop + 5, 127, plateBot - 5, kBodyFill);
  s.anchorIntoWall(ayTop, wallFace + 2, wallFace);
  s.anchorIntoWall(ayBot, wallFace + 2, wallFace);
  s.line(sgx - 3, gy, sgx + 3, gy, kExtension);
  s.dashed(sgx, gy + 3, sgx, 64, kExtension);
  s.extension(wallFace, plateBot + 1, wallFace, 64);
  s.dimH(wallFace, sgx, 62);
  s.label(QStringLiteral("L3G"), (wallFace + sgx) / 2.0 + 1, 71, false);
  s.gravityDot(sgx, gy);
  return img;
}

// 4: unit hanging from a ceiling slab.
QImage ceiling(double k) {
  QImage img = blank(127, 81, k);
  Sketch s(img, k);
  const int slabBot = 9, plateBot = 13;
  const int anchorL = 15, anchorR = 89;
  const int gx = 48, gy = 33;

  s.hatch(4, 0, 100, slabBot);
  s.line(4, slabBot, 100, slabBot, kOutline);
  s.box(11, slabBot + 1, 93, plateBot, kFrameFill);
  s.box(19, plateBot + 1, 85, 54, kBodyFill);
  for (int x = 58; x <= 78; x += 4) // outlet grille on the underside
    s.line(x, 50, x + 2, 52, kFrameFill.darker(130));
  s.anchor(anchorL, plateBot, slabBot, Into::Up);
  s.anchor(anchorR, plateBot, slabBot, Into::Up);

  // HG on the right, from the ceiling (anchor) face down to the centre of gravity.
  s.extension(101, slabBot, 108, slabBot);
  s.dashed(gx + 3, gy, 108, gy, kExtension);
  s.dimV(105, slabBot, gy);
  s.label(QStringLiteral("HG"), 115, (slabBot + gy) / 2.0, false);
  // LG and L below.
  s.extension(anchorL, plateBot + 4, anchorL, 77);
  s.dashed(gx, gy + 3, gx, 66, kExtension);
  s.extension(anchorR, plateBot + 4, anchorR, 77);
  s.dimH(anchorL, gx, 64);
  s.label(QStringLiteral("LG"), (anchorL + gx) / 2.0, 64);
  s.dimH(anchorL, anchorR, 75);
  s.label(QStringLiteral("L"), (anchorL + anchorR) / 2.0, 75);

  s.gravity(gx, gy, gx - 15, gy);
  return img;
}

// 5: floor-standing unit held at the top by a brace to the ceiling.
QImage braced(double k) {
  QImage img = blank(127, 78, k);
  Sketch s(img, k);
  QPainter &p = s.painter();
  const int ceilBot = 6, floorTop = 60, frameTop = 56;
  const int anchorL = 21, anchorR = 69;
  const int top = 22, braceX = 60, ceilAnchor = 98;
  const int gx = 44, gy = 38;

  s.hatch(40, 0, 124, ceilBot);
  s.line(40, ceilBot, 124, ceilBot, kOutline);
  s.hatch(2, floorTop, 92, 67);
  s.line(2, floorTop, 92, floorTop, kOutline);

  s.box(26, top, 64, frameTop - 1, kBodyFill);
  s.box(18, frameTop, 72, floorTop - 1, kFrameFill);
  s.anchor(anchorL, frameTop, floorTop, Into::Down);
  s.anchor(anchorR, frameTop, floorTop, Into::Down);

  // Brace: an angle member from a clip on the top of the unit to a ceiling plate.
  s.box(braceX - 3, top - 3, braceX + 3, top - 1, kFrameFill);
  s.box(ceilAnchor - 5, ceilBot + 1, ceilAnchor + 5, ceilBot + 3, kFrameFill);
  p.setPen(QPen(kOutline, 1.0));
  p.setBrush(kFrameFill);
  const QPointF a(braceX + 0.5, top - 2.0), b(ceilAnchor + 0.5, ceilBot + 2.5);
  const QPointF n(-(b.y() - a.y()), b.x() - a.x());
  const QPointF u = n / std::hypot(n.x(), n.y()) * 1.5;
  p.drawPolygon(QPolygonF{a + u, b + u, b - u, a - u});
  s.anchor(ceilAnchor, ceilBot + 3, ceilBot, Into::Up);
  p.fillRect(QRect(braceX - 1, top - 6, 3, 2), kBolt); // clip bolt

  // H on the left: floor to the brace fixing.
  s.extension(4, top, 24, top);
  s.dimV(9, top, floorTop);
  s.label(QStringLiteral("H"), 9, (top + floorTop) / 2.0);
  // HG on the right.
  s.dashed(gx + 3, gy, 84, gy, kExtension);
  s.dimV(81, gy, floorTop);
  s.label(QStringLiteral("HG"), 90, (gy + floorTop) / 2.0 - 2, false);
  // LG below, from the anchor on the brace side.
  s.extension(anchorR, 68, anchorR, 75);
  s.dashed(gx, gy + 3, gx, 59, kExtension);
  s.extension(gx, 68, gx, 75);
  s.dimH(gx, anchorR, 73);
  s.label(QStringLiteral("LG"), (gx + anchorR) / 2.0, 73);

  s.gravity(gx, gy, gx, gy - 9);
  return img;
}

} // namespace

QImage draw_shape_diagram(int shapeKind, double scale) {
  scale = std::max(1.0, scale);
  switch (shapeKind) {
  case 1:
    return floorMounted(scale);
  case 2:
    return circular(scale);
  case 3:
    return wall(scale);
  case 4:
    return ceiling(scale);
  case 5:
    return braced(scale);
  default:
    return {};
  }
}

} // namespace zelvaro
