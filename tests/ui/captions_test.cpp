// Every caption of the window shows from its start, for every shape, at the
// scale factor the test runs at (ctest runs it at 1, 1.5 and 2).
#include "tests/ui/window_fixture.h"
#include "ui/drawings/diagrams.h"
#include "ui/form2.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>

using namespace zelvaro;
using namespace zelvaro::ui;
using zelvaro::ui::test::Window;

namespace {

QRect in_window(const QWidget *w, QRect r) {
  return r.translated(w->mapTo(w->window(), QPoint(0, 0)));
}

// The rectangle of an option's circle or a check box's box, and of the
// room for its caption.
QRect part(const QAbstractButton *b, bool indicator) {
  QStyleOptionButton opt;
  opt.initFrom(b);
  const bool radio = qobject_cast<const QRadioButton *>(b);
  const QStyle::SubElement e =
      radio ? (indicator ? QStyle::SE_RadioButtonIndicator : QStyle::SE_RadioButtonContents)
            : (indicator ? QStyle::SE_CheckBoxIndicator : QStyle::SE_CheckBoxContents);
  return b->style()->subElementRect(e, &opt, b);
}

QList<QAbstractButton *> options_and_checks(const Form1 &f) {
  QList<QAbstractButton *> list;
  for (QAbstractButton *b : f.findChildren<QAbstractButton *>())
    if (qobject_cast<QRadioButton *>(b) || qobject_cast<QCheckBox *>(b))
      list << b;
  return list;
}

} // namespace

class CaptionsTest : public QObject {
  Q_OBJECT
private slots:
  void captions_show_their_start_for_every_shape() {
    Window w;
    Form1 &f = *w.form;
    for (Shape s : {Shape::Floor, Shape::Circular, Shape::Wall, Shape::Ceiling, Shape::Braced}) {
      w.click(f.shapeButton(s));
      for (int i = 0; i < 15; ++i) {
        LabelBox *box = f.Text4(i);
        // The character under the box's left edge is the first one.
        QVERIFY2(box->cursorPositionAt(QPoint(1, box->height() / 2)) == 0, qPrintable(box->text()));
        QVERIFY2(box->fontMetrics().horizontalAdvance(box->text()) <= box->width() + 1,
                 qPrintable(box->text()));
      }
    }
    for (QAbstractButton *b : options_and_checks(f)) {
      // Option3, Option4 and Check2 wrap onto two lines; every line fits beside the circle.
      const int wrapped = b->text().contains(QChar(0x3000)) || b->objectName() == "Check2" ? 2 : 1;
      QVERIFY2(b->fontMetrics().horizontalAdvance(b->text()) <= part(b, false).width() * wrapped,
               qPrintable(b->text()));
      QVERIFY2(b->fontMetrics().height() * wrapped <= b->height() + 1, qPrintable(b->text()));
    }
    for (Frame *frame : f.findChildren<Frame *>())
      QVERIFY2(frame->fontMetrics().horizontalAdvance(frame->title()) + 8 <= frame->width(),
               qPrintable(frame->title()));
  }

  void no_circle_sits_on_a_frame_line() {
    Window w;
    for (QAbstractButton *b : options_and_checks(*w.form)) {
      const QRect circle = in_window(b, part(b, true));
      for (Frame *frame : w.form->findChildren<Frame *>()) {
        const QRect line = in_window(frame, frame->lineRect());
        const QRect edges[] = {{line.left(), line.top(), line.width(), 2},
                               {line.left(), line.bottom() - 1, line.width(), 2},
                               {line.left(), line.top(), 2, line.height()},
                               {line.right() - 1, line.top(), 2, line.height()}};
        for (const QRect &edge : edges)
          QVERIFY2(!circle.intersects(edge) || b->autoFillBackground(),
                   qPrintable(b->objectName() + " on " + frame->objectName()));
      }
    }
  }

  void drawings_are_sharp_at_the_screen_pixel_ratio() {
    Window w;
    const double ratio = w.form->devicePixelRatioF();
    QCOMPARE(ratio, qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble());
    for (int k = 1; k <= 5; ++k) {
      DiagramBox *box = w.form->Picture(k);
      box->repaint();
      QCOMPARE(box->pixmap().devicePixelRatio(), ratio);
      QCOMPARE(box->pixmap().width(), qRound(box->image().width() * ratio));
      QCOMPARE(box->image(), draw_shape_diagram(k)); // the bitmap dragged out keeps its size
    }
    Form2 splash;
    int pictures = 0;
    for (const QLabel *label : splash.findChildren<QLabel *>())
      if (!label->pixmap().isNull()) {
        ++pictures;
        QCOMPARE(label->pixmap().devicePixelRatio(), ratio);
        QCOMPARE(label->pixmap().width(), qRound(480 * ratio));
      }
    QCOMPARE(pictures, 1);
  }
};

ZELVARO_WINDOW_TEST_MAIN(CaptionsTest)

#include "captions_test.moc"
