// Band one: choosing the installation shape relabels band five, greys the
// inputs the shape does not use (typed values stay in them), and reloads the
// chosen anchor's bond values for the new shape's group.
#include "refdata/bond_tables.h"
#include "ui/form1.h"
#include "engine/shape_procedure.h"
#include "ui/widgets.h"

#include <QRadioButton>

namespace zelvaro::ui {

void Form1::chooseShape(Shape s) {
  const ShapeProcedure *proc = shape_procedure(s);
  if (!proc)
    return;
  state_.ShapeKind = s;
  shapeButton(s)->setChecked(true);
  for (int label : {7, 3, 5, 4}) {
    const std::string_view text = label_text(s, label);
    Text4(label)->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  }
  // A pair is on when the shape reads its input.
  const std::pair<int, int> pairs[] = {{5, 2}, {12, 4}, {10, 9}, {11, 8}};
  for (const auto &[label, input] : pairs) {
    const bool on = field_binding(*proc, text1_slot(input)) != nullptr;
    Text4(label)->setEnabled(on);
    Text1(input)->setEnabled(on);
  }
  // The ceiling and braced shapes have lower allowable bond values: the
  // values in force must always belong to the shape that is chosen.
  load_bond_table(state_, state_.AnchorKind);
}

} // namespace zelvaro::ui
