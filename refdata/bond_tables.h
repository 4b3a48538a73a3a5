#pragma once

#include "engine/seismic_calc_state.h"

namespace zelvaro {

// Allowable bond strengths (kg) of the anchor kinds by bolt diameter. Each
// procedure writes only the diameters its table defines (8, 10, 12, 16, 20,
// 24; the chemical anchor 10 to 20) for the shape group of the current
// ShapeKind; every other entry keeps its value.
void hawk_data_in(SeismicCalcState &s);
void l_data_in(SeismicCalcState &s);
void j_data_in(SeismicCalcState &s);
void b_data_in(SeismicCalcState &s);
void kemi_data_in(SeismicCalcState &s);
void hik_data_in(SeismicCalcState &s); // the hooked rebar does not depend on the shape

// Runs the table procedure of an anchor kind for the current ShapeKind (the
// rebar-welded anchor has none: it is sized by weld length instead). The
// window runs it when an anchor is chosen and again when the shape changes,
// so the values in force always belong to the chosen shape's group.
void load_bond_table(SeismicCalcState &s, Anchor kind);

} // namespace zelvaro
