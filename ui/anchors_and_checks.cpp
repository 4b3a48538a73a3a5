// Bands two and three and the two check boxes.
#include "refdata/bond_tables.h"
#include "refdata/materials.h"
#include "refdata/selection_lists.h"
#include "ui/form1.h"
#include "ui/widgets.h"

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
  for (const InputRow &row : input_rows())
    if (row.switched_by == InputSwitch::Motor)
      enableRow(row, checked);
  for (const InputRow &row : input_rows())
    if (row.switched_by == InputSwitch::Motor)
      setInputText(row.slot, text);
}

void Form1::Check2_Click(bool checked) {
  const InputRow &force = input_row(InputSlot::Text1_10);
  if (checked) {
    Text1(10)->clear();
    enableRow(force, true);
  } else {
    enableRow(force, false);
    Text1(10)->setText(QStringLiteral("0"));
  }
}

} // namespace zelvaro::ui
