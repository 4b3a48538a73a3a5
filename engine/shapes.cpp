#include "engine/checked_math.h"
#include "engine/report_text.h"
#include "engine/shape_procedure.h"

namespace zelvaro {

namespace {

// The fields every shape reads.
constexpr FieldBinding Common[] = {
    {InputSlot::Text1_0, &SeismicCalcState::W},      {InputSlot::Text1_5, &SeismicCalcState::N},
    {InputSlot::Text1_6, &SeismicCalcState::a},      {InputSlot::Text1_10, &SeismicCalcState::F},
    {InputSlot::Combo1, &SeismicCalcState::M},       {InputSlot::Combo2, &SeismicCalcState::KH},
    {InputSlot::Combo3, &SeismicCalcState::P, 1000}, {InputSlot::Combo4, &SeismicCalcState::Z},
};

} // namespace

// Shared by the floor-mounted, circular and ceiling shapes: all n bolts share
// the horizontal load.
void shear_of_horizontal_load(SeismicCalcState &s) {
  const Num FH{s.FH}, FD{s.FD}, A{s.A}, n{s.n};
  s.tau_b = formula("専断応力τb", [&] { return (FH + FD) / (A * n) / 1000000; });
}

void shear_line_of_horizontal_load(const SeismicCalcState &s, std::string &out) {
  put_line(out, "専断応力　τb=(FH+FD)/(n･A) = ", s.tau_b, "(MPa)");
}

// Shared by the ceiling and braced shapes.
void echo_four_lines(const SeismicCalcState &s, std::string &out, std::string_view span_label, double span) {
  put(out, "初期ﾃﾞｰﾀ　W=", s.W, "(kg)");
  put(out, "  n=", s.n, "(本)");
  echo_tension_bolts(s, out);
  put(out, "  ﾎﾞﾙﾄ径M=", s.M, "");
  put(out, "  水平震度=", s.KH, "");
  put_line(out, "  地域係数=", s.Z, "");
  put(out, "            LG=", s.LG, "(cm)");
  put(out, "  HG=", s.HG, "(cm)");
  put_line(out, span_label, span, "(cm)");
  put(out, "            P=", s.P, "(W)");
  put(out, "  N=", s.N, "(RPM)");
  put_line(out, "  a=", s.a, "(μm)");
  put(out, "            引張基準強度=", s.ft, "(MPa)");
  put(out, "   専断基準強度=", s.fs, "(MPa)");
  put_line(out, "   付加外力F=", s.F, "(kg)");
}

const ShapeProcedure *shape_procedure(Shape s) {
  switch (s) {
  case Shape::Floor:
    return &FloorMounted;
  case Shape::Circular:
    return &CircularEquipment;
  case Shape::Wall:
    return &WallEquipment;
  case Shape::Ceiling:
    return &CeilingEquipment;
  case Shape::Braced:
    return &BracedEquipment;
  default:
    return nullptr;
  }
}

const FieldBinding *field_binding(const ShapeProcedure &proc, InputSlot slot) {
  for (const FieldBinding &b : Common)
    if (b.slot == slot)
      return &b;
  for (const FieldBinding &b : proc.fields)
    if (b.slot == slot)
      return &b;
  return nullptr;
}

std::string_view label_text(Shape s, InputSlot slot) {
  const InputRow &row = input_row(slot);
  const ShapeProcedure *proc = shape_procedure(s);
  if (row.relabel < 0 || (!proc && !row.text.empty()))
    return row.text;
  return (proc ? proc : &FloorMounted)->labels[static_cast<std::size_t>(row.relabel)];
}

bool on_at_start(InputSlot slot) {
  const InputRow &row = input_row(slot);
  if (row.switched_by != InputSwitch::Shape)
    return true;
  const FieldBinding *b = field_binding(FloorMounted, slot);
  return b && !b->optional;
}

void echo_tension_bolts(const SeismicCalcState &s, std::string &out) {
  if (s.nt_given > 0)
    put(out, "  nt=", s.nt_given, "(本)");
}

} // namespace zelvaro
