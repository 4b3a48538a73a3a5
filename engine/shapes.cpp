#include "engine/shape_procedure.h"

namespace zelvaro {

namespace {

constexpr FieldBinding Common[] = {
    {InputSlot::Text1_0, &SeismicCalcState::W},   {InputSlot::Text1_5, &SeismicCalcState::N},
    {InputSlot::Text1_6, &SeismicCalcState::a},   {InputSlot::Text1_10, &SeismicCalcState::F},
    {InputSlot::Combo1, &SeismicCalcState::M},    {InputSlot::Combo2, &SeismicCalcState::KH},
    {InputSlot::Combo3, &SeismicCalcState::P, 1000}, {InputSlot::Combo4, &SeismicCalcState::Z},
};

} // namespace

std::span<const FieldBinding> common_fields() { return Common; }

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

std::string_view label_text(Shape s, int text4_index) {
  const ShapeProcedure *proc = shape_procedure(s);
  if (!proc)
    proc = &FloorMounted;
  switch (text4_index) {
  case 0:
    return "機器重量W(kg)=";
  case 1:
    return "回転数N(rpm)=";
  case 2:
    return "動力P(kw)=";
  case 3:
    return proc->labels[1];
  case 4:
    return proc->labels[3];
  case 5:
    return proc->labels[2];
  case 6:
    return "振動値a(μm)=";
  case 7:
    return proc->labels[0];
  case 8:
    return "ﾎﾞﾙﾄ径M=";
  case 9:
    return "設計水平震度KH=";
  case 10:
    return "L3G(cm)=";
  case 11:
    return "横片側ｱﾝｶ数n2(本)=";
  case 12:
    return "L2G(cm)=";
  case 13:
    return "地域係数=";
  case 14:
    return "付加力F(kg)=";
  default:
    return {};
  }
}

} // namespace zelvaro
