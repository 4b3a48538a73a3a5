#include "ui/splash_picture.h"

#include <QColor>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace zelvaro {

namespace {

constexpr double kPi = std::numbers::pi;

struct V3 {
  double x = 0, y = 0, z = 0;
};
V3 operator+(V3 a, V3 b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
V3 operator-(V3 a, V3 b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
V3 operator*(V3 a, double k) {
  return {a.x * k, a.y * k, a.z * k};
}
double dot(V3 a, V3 b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
V3 cross(V3 a, V3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
V3 unit(V3 a) {
  return a * (1.0 / std::sqrt(dot(a, a)));
}

// Convex hull (Andrew's monotone chain) of projected outline points.
QPolygonF hull(std::vector<QPointF> pts) {
  std::sort(pts.begin(), pts.end(), [](const QPointF &a, const QPointF &b) {
    return a.x() < b.x() || (a.x() == b.x() && a.y() < b.y());
  });
  auto turn = [](QPointF o, QPointF a, QPointF b) {
    return (a.x() - o.x()) * (b.y() - o.y()) - (a.y() - o.y()) * (b.x() - o.x());
  };
  std::vector<QPointF> h(2 * pts.size());
  size_t k = 0;
  for (size_t i = 0; i < pts.size(); ++i) {
    while (k >= 2 && turn(h[k - 2], h[k - 1], pts[i]) <= 0)
      --k;
    h[k++] = pts[i];
  }
  for (size_t i = pts.size() - 1, t = k + 1; i-- > 0;) {
    while (k >= t && turn(h[k - 2], h[k - 1], pts[i]) <= 0)
      --k;
    h[k++] = pts[i];
  }
  h.resize(k > 0 ? k - 1 : 0);
  return QPolygonF(QList<QPointF>(h.begin(), h.end()));
}

// Orthographic camera looking down on a table top (world y is up), with one key
// light and a soft sky term; zinc-plated steel reflects both.
class Scene {
public:
  Scene(double yawDeg, double elevationDeg, QPointF origin) : origin_(origin) {
    const double yaw = yawDeg * kPi / 180.0, el = elevationDeg * kPi / 180.0;
    cy_ = std::cos(yaw);
    sy_ = std::sin(yaw);
    ce_ = std::cos(el);
    se_ = std::sin(el);
  }

  // World direction to view space: x right, y up, z towards the viewer.
  V3 view(V3 d) const {
    const double x = cy_ * d.x - sy_ * d.z;
    const double z = sy_ * d.x + cy_ * d.z;
    return {x, ce_ * d.y - se_ * z, se_ * d.y + ce_ * z};
  }

  QPointF project(V3 p) const {
    const V3 v = view(p);
    return {origin_.x() + v.x, origin_.y() - v.y};
  }

  bool facing(V3 worldNormal) const { return view(worldNormal).z > 1e-6; }

  QColor shade(V3 worldNormal, double tone = 1.0) const {
    const V3 n = unit(view(worldNormal));
    const V3 light = unit(V3{-0.55, 0.75, 0.55});
    const V3 half = unit(light + V3{0, 0, 1});
    const double diffuse = std::max(0.0, dot(n, light));
    const double sky = 0.5 + 0.5 * n.y;
    const double nh = std::max(0.0, dot(n, half));
    const double highlight = 0.85 * std::pow(nh, 40.0) + 0.15 * std::pow(nh, 5.0);
    const double base = (0.2 + 0.55 * diffuse + 0.26 * sky) * tone;
    auto ch = [&](double tint) { return std::clamp(base * tint + highlight, 0.0, 1.0); };
    return QColor::fromRgbF(ch(0.92), ch(0.955), ch(1.0));
  }

private:
  QPointF origin_;
  double cy_ = 1, sy_ = 0, ce_ = 1, se_ = 0;
};

// A round or polygonal cross-section swept along an axis.
struct Section {
  V3 centre;
  V3 axis; // unit, along the part
  V3 e1, e2;
};

Section section(V3 centre, V3 axis) {
  const V3 up{0, 1, 0};
  V3 e1 = cross(up, axis);
  if (dot(e1, e1) < 1e-9)
    e1 = V3{1, 0, 0};
  e1 = unit(e1);
  return {centre, axis, e1, unit(cross(axis, e1))};
}

V3 around(const Section &s, double t, double r, double angle) {
  return s.centre + s.axis * t + (s.e1 * std::cos(angle) + s.e2 * std::sin(angle)) * r;
}

QPolygonF ring(const Scene &sc, const Section &s, double t, double r, int n = 96) {
  QPolygonF poly;
  for (int i = 0; i < n; ++i)
    poly << sc.project(around(s, t, r, 2 * kPi * i / n));
  return poly;
}

// Cylinder from t0 to t1 along the section axis, shaded across its width.
void cylinder(QPainter &p, const Scene &sc, const Section &s, double t0, double t1, double r, double tone) {
  std::vector<QPointF> pts;
  for (int i = 0; i < 96; ++i) {
    pts.push_back(sc.project(around(s, t0, r, 2 * kPi * i / 96)));
    pts.push_back(sc.project(around(s, t1, r, 2 * kPi * i / 96)));
  }
  const QPointF a0 = sc.project(s.centre + s.axis * t0);
  const QPointF a1 = sc.project(s.centre + s.axis * t1);
  QPointF along = a1 - a0;
  along /= std::hypot(along.x(), along.y());
  const QPointF perp(-along.y(), along.x());
  QLinearGradient g(a0 - perp * r, a0 + perp * r);
  std::vector<std::pair<double, QColor>> stops;
  for (int i = 0; i < 180; ++i) {
    const double ang = 2 * kPi * i / 180;
    const V3 n = s.e1 * std::cos(ang) + s.e2 * std::sin(ang);
    if (!sc.facing(n))
      continue;
    const QPointF off = sc.project(around(s, t0, r, ang)) - a0;
    const double v = off.x() * perp.x() + off.y() * perp.y();
    stops.emplace_back(std::clamp((v + r) / (2 * r), 0.0, 1.0), sc.shade(n, tone));
  }
  std::sort(stops.begin(), stops.end(), [](auto &a, auto &b) { return a.first < b.first; });
  for (auto &[pos, c] : stops)
    g.setColorAt(pos, c);
  p.setPen(QPen(QColor(30, 34, 40, 110), 0.8));
  p.setBrush(g);
  p.drawPolygon(hull(pts));
}

// Thread crests and roots over [t0, t1]: helical lines on the visible half.
void threads(QPainter &p, const Scene &sc, const Section &s, double t0, double t1, double r, double pitch) {
  for (double t = t0; t <= t1 - pitch * 0.5; t += pitch) {
    for (int pass = 0; pass < 2; ++pass) {
      QPainterPath path;
      bool open = false;
      for (int i = 0; i <= 72; ++i) {
        const double ang = 2 * kPi * i / 72;
        const double tt = t + pitch * (ang / (2 * kPi)) + (pass ? pitch * 0.5 : 0.0);
        const V3 n = s.e1 * std::cos(ang) + s.e2 * std::sin(ang);
        if (!sc.facing(n) || tt > t1 || tt < t0) {
          open = false;
          continue;
        }
        const QPointF q = sc.project(around(s, tt, r, ang));
        if (open)
          path.lineTo(q);
        else
          path.moveTo(q);
        open = true;
      }
      p.setBrush(Qt::NoBrush);
      p.setPen(pass ? QPen(QColor(255, 255, 255, 120), 1.1) : QPen(QColor(20, 26, 34, 120), 1.2));
      p.drawPath(path);
    }
  }
}

// Hex prism (bolt head or nut) lying on a flat, from t0 to t1 along the axis.
// The visible end gets the chamfer circle typical of cold-formed heads and nuts.
void hexPrism(QPainter &p, const Scene &sc, const Section &s, double t0, double t1, double acrossFlats,
              double tone) {
  const double inner = acrossFlats / 2, outer = inner / std::cos(kPi / 6);
  auto corner = [&](double t, int k) { return around(s, t, outer, kPi / 6 + k * kPi / 3); };
  const QPen edge(QColor(30, 34, 40, 150), 0.9);
  for (int k = 0; k < 6; ++k) {
    const double mid = kPi / 6 + (k + 0.5) * kPi / 3;
    const V3 n = s.e1 * std::cos(mid) + s.e2 * std::sin(mid);
    if (!sc.facing(n))
      continue;
    const QPolygonF face{sc.project(corner(t0, k)), sc.project(corner(t0, k + 1)),
                         sc.project(corner(t1, k + 1)), sc.project(corner(t1, k))};
    const QColor c = sc.shade(n, tone);
    QLinearGradient g(face[0], face[3]);
    g.setColorAt(0.0, c.lighter(112));
    g.setColorAt(0.55, c);
    g.setColorAt(1.0, c.darker(112));
    p.setPen(edge);
    p.setBrush(g);
    p.drawPolygon(face);
  }
  for (double t : {t0, t1}) {
    const V3 n = s.axis * (t == t0 ? -1.0 : 1.0);
    if (!sc.facing(n))
      continue;
    QPolygonF end;
    for (int k = 0; k < 6; ++k)
      end << sc.project(corner(t, k));
    // Chamfer: a cone between the hexagon and the bearing circle.
    const V3 cone = unit(n + s.e2 * 0.6);
    QLinearGradient gc(sc.project(around(s, t, outer, kPi / 2)), sc.project(around(s, t, outer, -kPi / 2)));
    gc.setColorAt(0.0, sc.shade(cone, tone * 1.05));
    gc.setColorAt(1.0, sc.shade(unit(n - s.e2 * 0.6), tone * 0.9));
    p.setPen(edge);
    p.setBrush(gc);
    p.drawPolygon(end);
    const QColor flat = sc.shade(n, tone);
    const QPolygonF disc = ring(sc, s, t, inner * 0.93);
    const QRectF box = disc.boundingRect();
    QLinearGradient gf(box.topLeft(), box.bottomRight());
    gf.setColorAt(0.0, flat.lighter(118));
    gf.setColorAt(0.5, flat);
    gf.setColorAt(1.0, flat.darker(118));
    p.setPen(QPen(QColor(30, 34, 40, 80), 0.8));
    p.setBrush(gf);
    p.drawPolygon(disc);
  }
}

// Soft contact shadow: the footprint polygons blurred on their own layer.
QImage softShadow(QSize size, const std::vector<QPolygonF> &footprints, int radius) {
  QImage layer(size, QImage::Format_ARGB32_Premultiplied);
  layer.fill(Qt::transparent);
  {
    QPainter sp(&layer);
    sp.setRenderHint(QPainter::Antialiasing);
    sp.setPen(Qt::NoPen);
    sp.setBrush(QColor(24, 30, 40, 255));
    for (const QPolygonF &f : footprints)
      sp.drawPolygon(f);
  }
  // Three box-blur passes along each direction approximate a Gaussian.
  const int w = size.width(), h = size.height();
  std::vector<int> a(static_cast<size_t>(w) * h), b(a.size());
  for (int y = 0; y < h; ++y) {
    const QRgb *line = reinterpret_cast<const QRgb *>(layer.constScanLine(y));
    for (int x = 0; x < w; ++x)
      a[static_cast<size_t>(y) * w + x] = qAlpha(line[x]);
  }
  auto pass = [&](bool horizontal) {
    const int outerN = horizontal ? h : w, innerN = horizontal ? w : h;
    for (int o = 0; o < outerN; ++o) {
      auto at = [&](int i) -> size_t {
        i = std::clamp(i, 0, innerN - 1);
        return horizontal ? static_cast<size_t>(o) * w + i : static_cast<size_t>(i) * w + o;
      };
      int sum = 0;
      for (int i = -radius; i <= radius; ++i)
        sum += a[at(i)];
      for (int i = 0; i < innerN; ++i) {
        b[at(i)] = sum / (2 * radius + 1);
        sum += a[at(i + radius + 1)] - a[at(i - radius)];
      }
    }
    std::swap(a, b);
  };
  for (int i = 0; i < 3; ++i) {
    pass(true);
    pass(false);
  }
  QImage out(size, QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < h; ++y) {
    QRgb *line = reinterpret_cast<QRgb *>(out.scanLine(y));
    for (int x = 0; x < w; ++x) {
      const int al = a[static_cast<size_t>(y) * w + x];
      line[x] = qPremultiply(qRgba(24, 30, 40, al));
    }
  }
  return out;
}

// Footprint of a solid on the table, pushed away from the light.
QPolygonF footprint(const Scene &sc, const std::vector<V3> &pts) {
  std::vector<QPointF> flat;
  for (V3 q : pts)
    flat.push_back(sc.project(V3{q.x + q.y * 0.45, 0.0, q.z - q.y * 0.25}));
  return hull(flat);
}

} // namespace

QImage draw_splash_picture(double pixelRatio) {
  constexpr int W = 480, H = 360;
  pixelRatio = std::max(1.0, pixelRatio);
  QImage img(qRound(W * pixelRatio), qRound(H * pixelRatio), QImage::Format_RGB32);
  img.setDevicePixelRatio(pixelRatio); // the painter draws in the picture's own 480 x 360
  const QRect area(0, 0, W, H);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);

  // Plain light backdrop, a touch brighter behind the parts.
  QLinearGradient bg(0, 0, 0, H);
  bg.setColorAt(0.0, QColor(0xf6, 0xf7, 0xf9));
  bg.setColorAt(1.0, QColor(0xe6, 0xea, 0xef));
  p.fillRect(area, bg);
  QRadialGradient glow(QPointF(230, 170), 260);
  glow.setColorAt(0.0, QColor(255, 255, 255, 150));
  glow.setColorAt(1.0, QColor(255, 255, 255, 0));
  p.fillRect(area, glow);

  const Scene sc(-34.0, 30.0, QPointF(252, 198));

  // Bolt (M-size proportions) lying on a flat of its head, nut near the end.
  const double d = 50, r = d / 2, af = 1.55 * d;
  const double headH = 0.68 * d, length = 310, threadStart = 125, nutAt = 228, nutH = 0.85 * d;
  const Section bolt = section(V3{-160, af / 2, -14}, V3{1, 0, 0});

  // Flat washer lying on the table in front.
  const double wOuter = 2.2 * r, wInner = 1.1 * r, wThick = 0.16 * d;
  const Section washer{V3{-85, 0, 112}, V3{0, 1, 0}, V3{1, 0, 0}, V3{0, 0, 1}};

  std::vector<V3> boltPts, nutPts, washerPts;
  for (int i = 0; i < 24; ++i) {
    const double ang = 2 * kPi * i / 24;
    for (double t : {-headH, 0.0})
      boltPts.push_back(around(bolt, t, af / 2 / std::cos(kPi / 6), ang));
    for (double t : {0.0, length})
      boltPts.push_back(around(bolt, t, r, ang));
    for (double t : {nutAt, nutAt + nutH})
      nutPts.push_back(around(bolt, t, af / 2 / std::cos(kPi / 6), ang));
    for (double t : {0.0, wThick})
      washerPts.push_back(around(washer, t, wOuter, ang));
  }
  const QImage shadow =
      softShadow(area.size(), {footprint(sc, boltPts), footprint(sc, nutPts), footprint(sc, washerPts)}, 5);
  p.setOpacity(0.33);
  p.drawImage(0, 0, shadow);
  p.setOpacity(1.0);

  // Far to near: threaded end beyond the nut, the nut, the shank, the head.
  cylinder(p, sc, bolt, nutAt + nutH, length, r, 1.0);
  threads(p, sc, bolt, nutAt + nutH, length - 2, r, 4.2);
  hexPrism(p, sc, bolt, nutAt, nutAt + nutH, af, 0.97);
  cylinder(p, sc, bolt, 0, nutAt, r, 1.0);
  threads(p, sc, bolt, threadStart, nutAt, r, 4.2);
  hexPrism(p, sc, bolt, -headH, 0, af, 1.0);

  // Washer: rim, top face, then the far wall of the hole and the table through it.
  cylinder(p, sc, washer, 0, wThick, wOuter, 1.0);
  const QPolygonF outerTop = ring(sc, washer, wThick, wOuter);
  const QPolygonF innerTop = ring(sc, washer, wThick, wInner);
  const QPolygonF innerBottom = ring(sc, washer, 0, wInner);
  QPainterPath face;
  face.addPolygon(outerTop);
  face.closeSubpath();
  face.addPolygon(innerTop);
  face.closeSubpath();
  face.setFillRule(Qt::OddEvenFill);
  const QRectF wb = outerTop.boundingRect();
  const QColor top = sc.shade(V3{0, 1, 0});
  QLinearGradient wg(wb.topLeft(), wb.bottomRight());
  wg.setColorAt(0.0, top.lighter(125));
  wg.setColorAt(0.45, top);
  wg.setColorAt(0.6, top.lighter(135));
  wg.setColorAt(1.0, top.darker(118));
  p.setPen(QPen(QColor(30, 34, 40, 110), 0.8));
  p.setBrush(wg);
  p.drawPath(face);
  QPainterPath hole;
  hole.addPolygon(innerTop);
  hole.closeSubpath();
  p.save();
  p.setClipPath(hole);
  p.fillRect(wb, QColor(0xc9, 0xce, 0xd5));
  QPainterPath wallPath;
  wallPath.addPolygon(innerTop);
  wallPath.closeSubpath();
  QPainterPath through;
  through.addPolygon(innerBottom);
  through.closeSubpath();
  const QRectF ib = innerTop.boundingRect();
  QLinearGradient wall(ib.topLeft(), ib.topRight());
  wall.setColorAt(0.0, QColor(0x5a, 0x62, 0x6d));
  wall.setColorAt(0.5, QColor(0x8c, 0x95, 0xa1));
  wall.setColorAt(1.0, QColor(0x4c, 0x53, 0x5d));
  p.setPen(Qt::NoPen);
  p.setBrush(wall);
  p.drawPath(wallPath.subtracted(through));
  p.restore();
  p.setPen(QPen(QColor(30, 34, 40, 110), 0.8));
  p.setBrush(Qt::NoBrush);
  p.drawPolygon(innerTop);

  p.end();
  return img;
}

} // namespace zelvaro
