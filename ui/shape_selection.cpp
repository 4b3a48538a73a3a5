// Band one: choosing the installation shape relabels band five, greys the
// inputs the shape does not use (typed values stay in them, but for the
// optional nt, which starts blank under its own label), and reloads the
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
      const QString label = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
      // The floor's and ceiling's optional nt is no other shape's count (the
      // wall's n2): it starts blank, that is n / 2, when its label takes over.
      const FieldBinding *b = field_binding(*proc, row.slot);
      if (b && b->optional && labelOf(row.slot)->text() != label)
        Text1(static_cast<int>(row.slot))->clear();
      labelOf(row.slot)->setText(label);
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
