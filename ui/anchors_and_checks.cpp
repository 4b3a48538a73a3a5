// Bands two and three and the two check boxes.
#include "bond_tables.h"
#include "form1.h"
#include "materials.h"
#include "selection_lists.h"
#include "widgets.h"

#include <QCheckBox>
#include <QRadioButton>

namespace zelvaro::ui {

void Form1::chooseAnchor(Anchor a) {
  QRadioButton *button = anchorButton(a);
  if (!button)
    return;
  button->setChecked(true);
  state_.AnchorKind = a;
  // The diameter must be picked again from the new kind's list.
  Combo(1)->clear();
  Combo(1)->clearEditText();
  load_bond_table(state_, a);
}

void Form1::chooseMaterial(Material m) {
  QRadioButton *button = materialButton(m);
  if (!button)
    return;
  button->setChecked(true);
  choose_material(state_, m);
}

void Form1::Check1_Click(bool checked) {
  const QString text = checked ? QString() : QStringLiteral("0");
  for (QWidget *w : std::initializer_list<QWidget *>{Combo(3), Text1(5), Text1(6), Text4(1), Text4(2), Text4(6)})
    w->setEnabled(checked);
  Combo(3)->setEditText(text);
  Text1(5)->setText(text);
  Text1(6)->setText(text);
}

void Form1::Check2_Click(bool checked) {
  if (checked) {
    Text1(10)->clear();
    Text4(14)->setEnabled(true);
    Text1(10)->setEnabled(true);
  } else {
    Text4(14)->setEnabled(false);
    Text1(10)->setEnabled(false);
    Text1(10)->setText(QStringLiteral("0"));
  }
}

} // namespace zelvaro::ui
