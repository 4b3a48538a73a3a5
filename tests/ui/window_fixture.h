#pragma once

// What the window tests share: a window whose message boxes are recorded
// instead of shown, and the moves a user makes.

#include "capture/single_case.h"
#include "tests/support/worked_examples.h"
#include "ui/app_setup.h"
#include "ui/form1.h"
#include "ui/widgets.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <memory>
#include <vector>

namespace zelvaro::ui::test {

struct Window {
  std::unique_ptr<Form1> form = std::make_unique<Form1>();
  std::vector<Message> boxes;

  Window() {
    form->setMessageBox([this](QWidget *, const Message &m) { boxes.push_back(m); });
    form->show();
    QVERIFY2(QTest::qWaitForWindowExposed(form.get()), "window not shown");
  }

  QPushButton *button(const char *name) const { return form->findChild<QPushButton *>(name); }
  void click(QAbstractButton *b) const {
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(4, b->height() / 2));
  }
  void calculate() const { QTest::mouseClick(button("Command2"), Qt::LeftButton); }

  // Opens the list with F4 and picks `item` with the arrow keys and Return.
  bool pick(int combo, const QString &item) const {
    ListCombo *c = form->Combo(combo);
    c->setFocus();
    QTest::keyClick(c, Qt::Key_F4);
    if (!QTest::qWaitFor([&] { return c->view()->isVisible(); }))
      return false;
    const int index = c->findText(item);
    if (index < 0) {
      c->hidePopup();
      return false;
    }
    const QModelIndex at = c->view()->currentIndex();
    for (int i = at.isValid() ? at.row() : -1; i < index; ++i)
      QTest::keyClick(c->view(), Qt::Key_Down);
    QTest::keyClick(c->view(), Qt::Key_Return);
    return c->currentText() == item;
  }

  // Types into an input as a user would: every key passes the key filter.
  void type(QWidget *w, const QString &text) const {
    w->setFocus();
    QTest::keyClicks(w, text);
  }
  void fill(int text1, const QString &text) const {
    form->Text1(text1)->selectAll();
    QTest::keyClick(form->Text1(text1), Qt::Key_Backspace);
    type(form->Text1(text1), text);
  }

  // A worked example, `extra` over its texts, entered as a user would: the
  // selections clicked, the lists picked from, the boxes typed into.
  void enter(const zelvaro::test::WorkedExample &e, const zelvaro::test::Fields &extra = {}) const {
    click(form->shapeButton(e.shape));
    click(form->anchorButton(e.anchor));
    click(form->materialButton(e.material));
    for (const auto &[name, text] : e.field_texts(extra)) {
      const int slot = static_cast<int>(*cases::slot_of(e.shape, name));
      const int first_combo = static_cast<int>(InputSlot::Combo1);
      if (slot >= first_combo)
        QVERIFY2(pick(slot - first_combo + 1, QString::fromStdString(text)), name.c_str());
      else
        fill(slot, QString::fromStdString(text));
    }
  }
};

} // namespace zelvaro::ui::test

// main() of a window test: the offscreen platform unless another is set, and
// the application set up as the program sets it up.
#define ZELVARO_WINDOW_TEST_MAIN(TestClass)                                                                  \
  int main(int argc, char *argv[]) {                                                                         \
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))                                                      \
      qputenv("QT_QPA_PLATFORM", "offscreen");                                                               \
    QApplication app(argc, argv);                                                                            \
    zelvaro::ui::setup_application(app);                                                                     \
    TestClass test;                                                                                          \
    return QTest::qExec(&test, argc, argv);                                                                  \
  }
