// Checks on the drawn shape diagrams and the splash picture. Runs on the offscreen
// platform; the pictures are drawn by the program itself, so these tests guard their
// size, format and the parts the input form relies on.
#include "ui/drawings/diagrams.h"
#include "ui/splash_picture.h"

#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QSet>
#include <QSize>
#include <QtTest>

#include <algorithm>

namespace {

struct PixelCounts {
  int white = 0;
  int dark = 0; // outlines, bolts, letters
  int red = 0;  // centre-of-gravity dot and its label
  int blue = 0; // dimension lines and letters
  int total = 0;
};

PixelCounts countPixels(const QImage &img) {
  PixelCounts c;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      const QColor px = img.pixelColor(x, y);
      const int r = px.red(), g = px.green(), b = px.blue();
      ++c.total;
      if (r == 255 && g == 255 && b == 255)
        ++c.white;
      if (qGray(px.rgb()) < 90)
        ++c.dark;
      if (r > 150 && g < 80 && b < 80)
        ++c.red;
      if (b > 120 && r < 60 && b - r > 80)
        ++c.blue;
    }
  return c;
}

} // namespace

class DiagramsTest : public QObject {
  Q_OBJECT

private slots:
  void initTestCase() {
    QFont::insertSubstitutions(QStringLiteral("ＭＳ Ｐゴシック"), {"IPAPGothic", "Noto Sans CJK JP"});
    QFont::insertSubstitutions(QStringLiteral("ＭＳ ゴシック"), {"IPAGothic", "Noto Sans Mono CJK JP"});
  }

  void every_diagram_has_its_size_and_content_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QSize>("size");
    QTest::newRow("floor") << 1 << QSize(119, 70);
    QTest::newRow("circular") << 2 << QSize(107, 76);
    QTest::newRow("wall") << 3 << QSize(134, 77);
    QTest::newRow("ceiling") << 4 << QSize(127, 81);
    QTest::newRow("braced") << 5 << QSize(127, 78);
  }

  void every_diagram_has_its_size_and_content() {
    QFETCH(int, kind);
    QFETCH(QSize, size);
    const QImage img = zelvaro::draw_shape_diagram(kind);
    QVERIFY(!img.isNull());
    QCOMPARE(img.size(), size);
    QVERIFY(img.format() == QImage::Format_RGB32 || img.format() == QImage::Format_RGB888);

    const PixelCounts c = countPixels(img);
    // Mostly white paper, with a drawing on it.
    QVERIFY2(c.white > c.total * 2 / 5, qPrintable(QString::number(c.white)));
    QVERIFY2(c.dark > 150, qPrintable(QString::number(c.dark)));
    // The centre-of-gravity dot and 重心 in red, dimensions in blue.
    QVERIFY2(c.red >= 20, qPrintable(QString::number(c.red)));
    QVERIFY2(c.blue > 100, qPrintable(QString::number(c.blue)));
  }

  void diagrams_differ_from_each_other() {
    for (int a = 1; a <= 5; ++a)
      for (int b = a + 1; b <= 5; ++b) {
        const QImage ia = zelvaro::draw_shape_diagram(a);
        const QImage ib = zelvaro::draw_shape_diagram(b);
        // Compare on the area both share, so a size change alone does not count.
        const int w = std::min(ia.width(), ib.width()), h = std::min(ia.height(), ib.height());
        int differing = 0;
        for (int y = 0; y < h; ++y)
          for (int x = 0; x < w; ++x)
            differing += ia.pixel(x, y) != ib.pixel(x, y);
        QVERIFY2(differing > w * h / 10, qPrintable(QStringLiteral("%1 vs %2").arg(a).arg(b)));
      }
  }

  // The pictures set their own pixel-sized fonts, so the application font (which
  // follows the desktop settings and DPI) must not change a single pixel.
  void diagrams_ignore_the_application_font() {
    QList<QImage> before;
    for (int kind = 1; kind <= 5; ++kind)
      before << zelvaro::draw_shape_diagram(kind);
    const QFont saved = QGuiApplication::font();
    QFont big(QStringLiteral("DejaVu Serif"));
    big.setPointSize(20);
    QGuiApplication::setFont(big);
    for (int kind = 1; kind <= 5; ++kind)
      QCOMPARE(zelvaro::draw_shape_diagram(kind), before[kind - 1]);
    QGuiApplication::setFont(saved);
  }

  void splash_picture_leaves_the_label_corner_plain() {
    const QImage img = zelvaro::draw_splash_picture();
    QCOMPARE(img.size(), QSize(480, 360));
    QVERIFY(img.format() == QImage::Format_RGB32 || img.format() == QImage::Format_RGB888);

    int lo = 255, hi = 0;
    for (int y = 336; y <= 353; ++y)
      for (int x = 408; x <= 473; ++x) {
        const int g = qGray(img.pixel(x, y));
        lo = std::min(lo, g);
        hi = std::max(hi, g);
      }
    QVERIFY2(lo > 200, qPrintable(QString::number(lo)));
    QVERIFY2(hi - lo < 12, qPrintable(QStringLiteral("%1..%2").arg(lo).arg(hi)));

    // The rest of the border is the same light backdrop: nothing runs off the edge.
    for (int x = 0; x < img.width(); x += 4) {
      QVERIFY2(qGray(img.pixel(x, 0)) > 215, qPrintable(QStringLiteral("top x=%1").arg(x)));
      QVERIFY2(qGray(img.pixel(x, img.height() - 1)) > 200, qPrintable(QStringLiteral("bottom x=%1").arg(x)));
    }
    for (int y = 0; y < img.height(); y += 4) {
      QVERIFY2(qGray(img.pixel(0, y)) > 200, qPrintable(QStringLiteral("left y=%1").arg(y)));
      QVERIFY2(qGray(img.pixel(img.width() - 1, y)) > 200, qPrintable(QStringLiteral("right y=%1").arg(y)));
    }
  }

  void splash_picture_is_a_shaded_drawing() {
    const QImage img = zelvaro::draw_splash_picture();
    QSet<QRgb> colours;
    int dark = 0;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) {
        colours.insert(img.pixel(x, y));
        dark += qGray(img.pixel(x, y)) < 110;
      }
    // Gradients give many tones; the parts have dark sides and edges.
    QVERIFY2(colours.size() > 2000, qPrintable(QString::number(colours.size())));
    QVERIFY2(dark > 500, qPrintable(QString::number(dark)));
    QCOMPARE(img, zelvaro::draw_splash_picture());
  }
};

QTEST_MAIN(DiagramsTest)
#include "diagrams_test.moc"
