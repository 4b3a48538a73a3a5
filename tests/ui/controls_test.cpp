// Shapes, anchors, materials, check boxes, lists, key filters, dragging and
// copying, as a user meets them in the window.
#include "tests/ui/window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QWheelEvent>

using namespace zelvaro;
using namespace zelvaro::ui;
using zelvaro::ui::test::Window;

namespace {

QStringList labels(const Form1 &f) {
  return {f.Text4(7)->text(), f.Text4(3)->text(), f.Text4(5)->text(), f.Text4(4)->text(),
          f.Text4(11)->text()};
}
QList<bool> pairs_enabled(const Form1 &f) {
  QList<bool> on;
  for (auto [label, input] : {std::pair{5, 2}, {12, 4}, {10, 9}, {11, 8}}) {
    if (f.Text4(label)->isEnabled() != f.Text1(input)->isEnabled())
      qWarning("label %d and input %d differ", label, input);
    on << f.Text1(input)->isEnabled();
  }
  return on;
}

void key(QWidget *w, const QString &text, Qt::Key k = Qt::Key_unknown, Qt::KeyboardModifiers mods = {}) {
  QTest::sendKeyEvent(QTest::Click, w, k, text, mods);
}

const QString Report =
    QStringLiteral("～～～～～2007/07/16 10:23:45～～～～～\n初期ﾃﾞｰﾀ　W=1(kg)\n\n⇒引抜力 Rb=1(kg)");

} // namespace

class ControlsTest : public QObject {
  Q_OBJECT
private slots:
  void shapes_relabel_and_grey_band_five_keeping_typed_values() {
    Window w;
    Form1 &f = *w.form;
    const QString N2 = QStringLiteral("横片側ｱﾝｶ数n2(本)="), Nt = QStringLiteral("引張側ｱﾝｶ数nt(本)=");
    struct Row {
      Shape shape;
      QStringList labels;
      QList<bool> on;
    } rows[] = {
        {Shape::Floor, {"L(cm)=", "HG(cm)=", "LG(cm)=", "ｱﾝｶ総数n(本)=", Nt}, {true, false, false, true}},
        {Shape::Circular,
         {"D(cm)=", "HG(cm)=", "LG(cm)=", "ｱﾝｶ総数n(本)=", N2},
         {false, false, false, false}},
        {Shape::Wall,
         {"L1(cm)=", "L2(cm)=", "L1G(cm)=", "上下片側ｱﾝｶ数n1(本)=", N2},
         {true, true, true, true}},
        {Shape::Ceiling, {"L(cm)=", "HG(cm)=", "LG(cm)=", "ｱﾝｶ総数n(本)=", Nt}, {true, false, false, true}},
        {Shape::Braced,
         {"H(cm)=", "HG(cm)=", "LG(cm)=", "ｱﾝｶ付き筋交い数n(本)=", N2},
         {true, false, false, false}},
    };
    for (const Row &row : rows) {
      w.click(f.shapeButton(row.shape));
      QCOMPARE(f.state().ShapeKind, row.shape);
      QCOMPARE(labels(f), row.labels);
      QCOMPARE(pairs_enabled(f), row.on);
      QCOMPARE(f.Text4(12)->text(), QStringLiteral("L2G(cm)="));
      // These never change with the shape.
      for (int i : {0, 1, 3, 7})
        QVERIFY(f.Text1(i)->isEnabled());
      QVERIFY(!f.Text1(5)->isEnabled()); // the motor inputs follow their check box only
    }
    // Wall values typed, then back to floor-mounted: greyed but still there,
    // but for n2, whose field becomes the floor's nt and starts blank (n/2).
    w.click(f.shapeButton(Shape::Wall));
    w.fill(4, "12");
    w.fill(8, "3");
    w.fill(9, "45.5");
    w.click(f.shapeButton(Shape::Floor));
    QCOMPARE(pairs_enabled(f), (QList<bool>{true, false, false, true}));
    QCOMPARE(f.Text1(4)->text(), QStringLiteral("12"));
    QCOMPARE(f.Text1(8)->text(), QString());
    QCOMPARE(f.Text1(9)->text(), QStringLiteral("45.5"));
    // nt keeps its meaning from floor to ceiling.
    w.fill(8, "2");
    w.click(f.shapeButton(Shape::Ceiling));
    QCOMPARE(f.Text1(8)->text(), QStringLiteral("2"));
  }

  void diagrams_choose_nothing_and_drag_their_bitmap() {
    Window w;
    Form1 &f = *w.form;
    std::vector<std::pair<QWidget *, QMimeData *>> drags;
    const auto saved = DiagramBox::start_drag;
    DiagramBox::start_drag = [&](QWidget *src, QMimeData *data) { drags.emplace_back(src, data); };
    for (int k = 1; k <= 5; ++k)
      QTest::mousePress(f.Picture(k), k == 2 ? Qt::RightButton : Qt::LeftButton, {}, QPoint(10, 10));
    DiagramBox::start_drag = saved;
    QCOMPARE(drags.size(), std::size_t(5)); // at once, without any movement
    QCOMPARE(f.state().ShapeKind, Shape::None);
    for (int k = 1; k <= 5; ++k) {
      QMimeData *data = drags[static_cast<std::size_t>(k - 1)].second;
      QCOMPARE(drags[static_cast<std::size_t>(k - 1)].first, static_cast<QWidget *>(f.Picture(k)));
      QVERIFY(data->hasImage());
      QCOMPARE(qvariant_cast<QImage>(data->imageData()), f.Picture(k)->image());
      QImage png;
      QVERIFY(png.loadFromData(data->data(QStringLiteral("image/png")), "PNG"));
      QCOMPARE(png.size(), f.Picture(k)->image().size());
      delete data;
    }
    QVERIFY(!f.Picture(1)->pixmap().isNull()); // the diagram stays where it is
  }

  void motor_and_force_check_boxes_round_trip() {
    Window w;
    Form1 &f = *w.form;
    w.click(f.Check1());
    for (QWidget *input : std::initializer_list<QWidget *>{f.Combo(3), f.Text1(5), f.Text1(6), f.Text4(1),
                                                           f.Text4(2), f.Text4(6)})
      QVERIFY(input->isEnabled());
    QVERIFY(f.Combo(3)->currentText().isEmpty() && f.Text1(5)->text().isEmpty() &&
            f.Text1(6)->text().isEmpty());
    // Switched on but not filled: the blank-field refusal.
    w.click(f.shapeButton(Shape::Floor));
    w.click(f.anchorButton(Anchor::JTip));
    w.click(f.materialButton(Material::SUS));
    QVERIFY(w.pick(1, "16"));
    for (int i : {0, 1, 2, 3, 7})
      w.fill(i, "10");
    w.calculate();
    QCOMPARE(w.boxes.size(), std::size_t(1));
    QCOMPARE(w.boxes[0].title, std::string("ERROR"));

    w.click(f.Check1());
    for (QWidget *input : std::initializer_list<QWidget *>{f.Combo(3), f.Text1(5), f.Text1(6), f.Text4(1),
                                                           f.Text4(2), f.Text4(6)})
      QVERIFY(!input->isEnabled());
    QCOMPARE(f.Combo(3)->currentText(), QStringLiteral("0"));
    QCOMPARE(f.Text1(5)->text(), QStringLiteral("0"));
    QCOMPARE(f.Text1(6)->text(), QStringLiteral("0"));

    w.click(f.Check2());
    QVERIFY(f.Text1(10)->isEnabled() && f.Text4(14)->isEnabled());
    QVERIFY(f.Text1(10)->text().isEmpty());
    w.type(f.Text1(10), "25");
    QCOMPARE(f.Text1(10)->text(), QStringLiteral("25"));
    w.click(f.Check2());
    QVERIFY(!f.Text1(10)->isEnabled() && !f.Text4(14)->isEnabled());
    QCOMPARE(f.Text1(10)->text(), QStringLiteral("0"));
    w.boxes.clear();
    w.calculate();
    QVERIFY(w.boxes.empty());
    QVERIFY(f.Text2()->toPlainText().contains(QStringLiteral("P=0(W)  N=0(RPM)  a=0(μm)")));
  }

  void lists_are_rebuilt_at_every_opening() {
    Window w;
    Form1 &f = *w.form;
    // Opening a list empties its field; closing it without a pick leaves it empty.
    ListCombo *kh = f.Combo(2);
    kh->showPopup();
    QTRY_VERIFY(kh->view()->isVisible());
    kh->hidePopup();
    QVERIFY(kh->currentText().isEmpty());
    QCOMPARE(kh->count(), 4);
    // Items are not added twice, and a typed value outside the list stays possible.
    QVERIFY(w.pick(2, "1.0"));
    QCOMPARE(kh->count(), 4);
    kh->lineEdit()->selectAll();
    w.type(kh, "1.5");
    QCOMPARE(kh->currentText(), QStringLiteral("1.5"));

    w.click(f.Check1());
    QVERIFY(w.pick(3, "0.75"));
    QCOMPARE(f.Combo(3)->count(), 15);
    QVERIFY(w.pick(4, "1.1"));
    QCOMPARE(f.Combo(4)->count(), 5);

    // A list opened and closed without a pick makes the next Calculate refuse.
    f.Combo(4)->showPopup();
    f.Combo(4)->hidePopup();
    w.click(f.shapeButton(Shape::Circular));
    w.click(f.anchorButton(Anchor::HawkCut));
    w.click(f.materialButton(Material::SS));
    QVERIFY(w.pick(1, "10"));
    for (int i : {0, 1, 3, 5, 6, 7})
      w.fill(i, "10");
    w.calculate();
    QCOMPARE(w.boxes.size(), std::size_t(1));
    QCOMPARE(w.boxes[0].text, std::string("空白が有りますので、埋めてください｡"));
  }

  void diameter_list_follows_the_anchor_kind_and_empties_on_anchor_change() {
    Window w;
    Form1 &f = *w.form;
    ListCombo *d = f.Combo(1);
    auto items = [&] {
      d->showPopup();
      QStringList list;
      for (int i = 0; i < d->count(); ++i)
        list << d->itemText(i);
      d->hidePopup();
      return list;
    };
    QCOMPARE(items(), (QStringList{"8", "10", "12", "16", "20", "24"})); // before any anchor kind
    struct Row {
      Anchor anchor;
      QStringList list;
    } rows[] = {
        {Anchor::HawkCut, {"8", "10", "12", "16", "20", "24"}},
        {Anchor::BoltEmbedded, {"8", "10", "12", "16", "20", "24"}},
        {Anchor::Chemical, {"10", "12", "16", "20"}},
        {Anchor::RebarHooked, {"10", "12", "16", "20", "24"}},
        {Anchor::RebarWelded, {"10", "12", "16", "20", "24", "30"}},
    };
    for (const Row &row : rows) {
      QVERIFY(w.pick(1, "16"));
      w.click(f.anchorButton(row.anchor));
      QVERIFY(d->currentText().isEmpty()); // emptied even where 16 is offered again
      QCOMPARE(d->count(), 0);
      QCOMPARE(items(), row.list);
    }
  }

  void diameter_box_refuses_typing_once_per_key() {
    Window w;
    Form1 &f = *w.form;
    ListCombo *field = f.Combo(1);
    field->setFocus();
    for (const QString &text :
         {QStringLiteral("1"), QStringLiteral("\b"), QStringLiteral("a"), QStringLiteral("\x16")})
      key(field, text);
    QCOMPARE(w.boxes.size(), std::size_t(4));
    for (const Message &m : w.boxes)
      QCOMPARE(m, (Message{"入力できません", "ボルトは選択以外の径は強度基準が無いため､入力できません",
                           MessageIcon::None}));
    QCOMPARE(f.Combo(1)->currentText(), QStringLiteral("8"));
    QTest::keyClick(field, Qt::Key_Left); // no character: no message
    QCOMPARE(w.boxes.size(), std::size_t(4));
  }

  void number_fields_take_digits_and_one_point_only() {
    Window w;
    Form1 &f = *w.form;
    QLineEdit *field = f.Text1(0);
    w.type(field, "12.5");
    QCOMPARE(field->text(), QStringLiteral("12.5"));
    for (const QString &refused :
         {QStringLiteral("."), QStringLiteral("-"), QStringLiteral("a"), QStringLiteral(" "),
          QStringLiteral("１"), QStringLiteral("e"), QStringLiteral("\x03"), QStringLiteral("\x16"),
          QStringLiteral("\x18"), QStringLiteral("\r"), QStringLiteral("+"), QStringLiteral(","),
          QStringLiteral("。")})
      key(field, refused);
    QCOMPARE(field->text(), QStringLiteral("12.5"));
    // Ctrl+V as the test driver sends it: "v" with the Control modifier.
    QGuiApplication::clipboard()->setText(QStringLiteral("999"));
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(field->text(), QStringLiteral("12.5"));
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClick(field, Qt::Key_Backspace);
    QCOMPARE(field->text(), QStringLiteral("12"));
    w.type(field, ".");
    QCOMPARE(field->text(), QStringLiteral("12."));
  }

  // Keys reach an editable combo box itself (the focus widget), not its line
  // edit; the filter must hold there, for keys and input-method commits alike.
  void combo_boxes_filter_keys_delivered_to_the_combo() {
    Window w;
    Form1 &f = *w.form;
    w.click(f.Check1());
    QGuiApplication::clipboard()->setText(QStringLiteral("999"));
    for (int c : {2, 3, 4}) {
      ListCombo *box = f.Combo(c);
      box->lineEdit()->clear();
      w.type(box, "1.0.5a-x ");
      for (const QString &refused : {QStringLiteral("１"), QStringLiteral("\x16"), QStringLiteral("\x03")})
        key(box, refused);
      QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
      QInputMethodEvent commit;
      commit.setCommitString(QStringLiteral("７-"));
      QApplication::sendEvent(box, &commit);
      QCOMPARE(box->currentText(), QStringLiteral("1.05"));
      QTest::keyClick(box, Qt::Key_Backspace);
      QCOMPARE(box->currentText(), QStringLiteral("1.0"));
    }
  }

  // A wheel event goes to the widget under the pointer, focused or not: over a
  // closed combo box it must change nothing.
  void wheel_over_closed_combo_boxes_changes_nothing() {
    Window w;
    Form1 &f = *w.form;
    w.click(f.Check1());
    QVERIFY(w.pick(1, "16"));
    QVERIFY(w.pick(3, "0.75"));
    f.Text1(0)->setFocus();
    const QStringList before{f.Combo(1)->currentText(), f.Combo(2)->currentText(), f.Combo(3)->currentText(),
                             f.Combo(4)->currentText()};
    for (int c = 1; c <= 4; ++c)
      for (int delta : {-120, -120, 120, -120}) {
        ListCombo *box = f.Combo(c);
        const QPointF at(box->width() / 2.0, box->height() / 2.0);
        QWheelEvent e(at, box->mapToGlobal(at), {}, {0, delta}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QApplication::sendEvent(box, &e);
      }
    const QStringList after{f.Combo(1)->currentText(), f.Combo(2)->currentText(), f.Combo(3)->currentText(),
                            f.Combo(4)->currentText()};
    QCOMPARE(after, before);
  }

  void label_and_result_boxes_discard_typing() {
    Window w;
    Form1 &f = *w.form;
    f.Text2()->setPlainText(Report);
    for (QWidget *box : std::initializer_list<QWidget *>{f.Text4(0), f.Text4(7), f.Text2()}) {
      box->setFocus();
      QTest::keyClicks(box, "12ab");
      key(box, QStringLiteral("\x16"));
      key(box, QStringLiteral("\b"), Qt::Key_Backspace);
    }
    QCOMPARE(f.Text4(0)->text(), QStringLiteral("機器重量W(kg)="));
    QCOMPARE(f.Text4(7)->text(), QStringLiteral("L(cm)="));
    QCOMPARE(f.Text2()->toPlainText(), Report);
    // The copy shortcut does nothing in the result box.
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    f.Text2()->selectAll();
    QTest::keyClick(f.Text2(), Qt::Key_C, Qt::ControlModifier);
    key(f.Text2(), QStringLiteral("\x03"), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
  }

  void a_report_shown_again_reads_as_a_fresh_one() {
    // Each report after the one before, selected and scrolled: the box then
    // holds what setPlainText would give, from the top, nothing selected.
    const QString wide = QStringLiteral("～").repeated(400);
    const QString shown[] = {
        QStringLiteral("a\r\nb\r\nc"),
        QStringLiteral("a\r\nB\r\nc"), // one line changed
        QStringLiteral("x\r\nB\r\ny"),
        QStringLiteral("x\r\nB"), // fewer lines
        QStringLiteral("x\r\n\r\n") + wide,
        QStringLiteral("x\r\n\r\nshort"), // blank line kept
        QString(),
        QStringLiteral("after an empty box"),
    };
    Window w;
    ResultBox *box = w.form->Text2();
    QPlainTextEdit fresh;
    for (const QString &text : shown) {
      box->selectAll();
      box->horizontalScrollBar()->setValue(box->horizontalScrollBar()->maximum());
      box->showText(text);
      fresh.setPlainText(text);
      QCOMPARE(box->toPlainText(), fresh.toPlainText());
      QCOMPARE(box->document()->blockCount(), fresh.document()->blockCount());
      QVERIFY(!box->textCursor().hasSelection());
      QCOMPARE(box->textCursor().position(), 0);
      QCOMPARE(box->horizontalScrollBar()->value(), 0);
    }
  }

  void result_box_selects_all_on_release_and_drags_and_copies_the_report() {
    Window w;
    ResultBox *box = w.form->Text2();
    box->setPlainText(Report);
    QWidget *area = box->viewport();
    // A left-button drag across part of the report ends with all of it selected.
    QTest::mousePress(area, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(area, QPoint(60, 5));
    QTest::mouseRelease(area, Qt::LeftButton, {}, QPoint(60, 5));
    QCOMPARE(box->textCursor().selectedText().size(), Report.size());
    QCOMPARE(box->textCursor().selectionStart(), 0);
    // Any button.
    box->moveCursor(QTextCursor::Start);
    QTest::mouseClick(area, Qt::RightButton, {}, QPoint(5, 5));
    QCOMPARE(box->textCursor().selectedText().size(), Report.size());

    // A press on the selection drags the report out as text.
    std::vector<QMimeData *> drags;
    const auto saved = ResultBox::start_drag;
    ResultBox::start_drag = [&](QWidget *, QMimeData *data) { drags.push_back(data); };
    QTest::mousePress(area, Qt::LeftButton, {}, QPoint(10, 5));
    QTest::mouseMove(area, QPoint(80, 30));
    QTest::mouseRelease(area, Qt::LeftButton, {}, QPoint(80, 30));
    ResultBox::start_drag = saved;
    QCOMPARE(drags.size(), std::size_t(1));
    QCOMPARE(drags[0]->text(), Report);
    delete drags[0];
    QCOMPARE(box->toPlainText(), Report); // nothing moved

    // The standard context menu's Copy puts the whole report on the clipboard.
    QGuiApplication::clipboard()->clear();
    box->moveCursor(QTextCursor::Start);
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(20, 20),
                            box->viewport()->mapToGlobal(QPoint(20, 20)));
    QApplication::sendEvent(box->viewport(), &event);
    QMenu *menu = box->openMenu();
    QVERIFY(menu);
    QTRY_VERIFY(menu->isVisible());
    QCOMPARE(box->textCursor().selectedText().size(), Report.size()); // selected when the menu comes up
    QAction *copy = menu->findChild<QAction *>(QStringLiteral("edit-copy"));
    QVERIFY(copy);
    QVERIFY(copy->text().startsWith(QStringLiteral("コピー"))); // Qt's own texts in Japanese
    QVERIFY(copy->isEnabled());
    copy->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), Report);
    menu->close();
  }

  // The shortcut characters do nothing in these boxes, so no menu offers them.
  void context_menus_promise_no_shortcuts() {
    Window w;
    Form1 &f = *w.form;
    f.Text2()->setPlainText(Report);
    for (QWidget *box :
         std::initializer_list<QWidget *>{f.Text2()->viewport(), f.Text1(0), f.Combo(2)->lineEdit()}) {
      QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), box->mapToGlobal(QPoint(5, 5)));
      QApplication::sendEvent(box, &event);
      QMenu *menu = nullptr;
      QTRY_VERIFY((menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())));
      QVERIFY(menu->actions().size() >= 2);
      for (QAction *a : menu->actions())
        QVERIFY2(!a->text().contains('\t') && a->shortcut().isEmpty(), qPrintable(a->text()));
      menu->close();
    }
  }

  // Return and Enter press the focused button, as Space does.
  void enter_presses_the_focused_button() {
    Window w;
    QPushButton *info = w.button("Command1");
    for (Qt::Key k : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
      info->setFocus();
      QTest::keyClick(info, k);
    }
    QCOMPARE(w.boxes.size(), std::size_t(3));
    w.button("Command2")->setFocus();
    QTest::keyClick(w.button("Command2"), Qt::Key_Return);
    QCOMPARE(w.boxes.size(), std::size_t(4)); // Calculate refuses the empty fields
    w.button("Command4")->setFocus();
    QTest::keyClick(w.button("Command4"), Qt::Key_Enter);
    QVERIFY(!w.form->isVisible());
  }

  void bond_values_follow_the_shape_chosen_at_calculate() {
    // Anchor first, then the ceiling shape: the ceiling values are in force.
    {
      Window w;
      Form1 &f = *w.form;
      w.click(f.anchorButton(Anchor::HawkCut));
      QCOMPARE(f.state().BondTable[8], 300.0);
      w.click(f.shapeButton(Shape::Ceiling));
      QCOMPARE(f.state().BondTable[8], 200.0);
      w.click(f.materialButton(Material::SS));
      QVERIFY(w.pick(1, "8"));
      for (int i : {0, 1, 2, 3, 7})
        w.fill(i, "40");
      w.calculate();
      QVERIFY(f.Text2()->toPlainText().contains(QStringLiteral("はｺﾝｸﾘｰﾄとﾎﾞﾙﾄ密着力=200(kg)")));
      // And back to floor-mounted: the standard values again.
      w.click(f.shapeButton(Shape::Floor));
      QCOMPARE(f.state().BondTable[8], 300.0);
    }
    // Shape first, then the anchor.
    {
      Window w;
      Form1 &f = *w.form;
      w.click(f.shapeButton(Shape::Braced));
      w.click(f.anchorButton(Anchor::HawkCut));
      QCOMPARE(f.state().BondTable[8], 200.0);
      w.click(f.anchorButton(Anchor::RebarWelded));
      w.click(f.shapeButton(Shape::Wall)); // the welded anchor has no table: nothing reloaded
      QCOMPARE(f.state().BondTable[8], 200.0);
    }
  }

  void window_accepts_no_drops() {
    Window w;
    for (QWidget *child : w.form->findChildren<QWidget *>()) {
      if (child->acceptDrops())
        QFAIL(qPrintable(child->objectName() + " accepts drops"));
    }
    QVERIFY(!w.form->acceptDrops());
  }
};

ZELVARO_WINDOW_TEST_MAIN(ControlsTest)

#include "controls_test.moc"
