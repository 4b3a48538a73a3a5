// Band one: choosing the installation shape relabels band five, greys the
// inputs the shape does not use (typed values stay in them), and reloads the
// chosen anchor's bond values for the new shape's group.
#include "engine/shape_procedure.h"
#include "refdata/bond_tables.h"
#include "ui/form1.h"
#include "ui/widgets.h"

#include <QRadioButton>

namespace zelvaro::ui {

void Form1::chooseShape(Shape s) {
  const ShapeProcedure *proc = shape_procedure(s);
  if (!proc)
    return;
  state_.ShapeKind = s;
  shapeButton(s)->setChecked(true);
  for (const InputRow &row : input_rows()) {
    if (row.relabel >= 0) {
      const std::string_view text = label_text(s, row.slot);
      labelOf(row.slot)->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    }
    // A pair is on when the shape reads its input.
    if (row.switched_by == InputSwitch::Shape)
      enableRow(row, field_binding(*proc, row.slot) != nullptr);
  }
  // The ceiling and braced shapes have lower allowable bond values: the
  // values in force must always belong to the shape that is chosen.
  load_bond_table(state_, state_.AnchorKind);
}

} // namespace zelvaro::ui
