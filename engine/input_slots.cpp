#include "engine/input_slots.h"

#include <array>

namespace zelvaro {

namespace {

using enum InputSwitch;

constexpr std::array<InputRow, InputSlotCount> Rows{{
    {InputSlot::Text1_0, 0, Never, "機器重量W(kg)="},
    {InputSlot::Text1_1, 4, Never, {}, 3}, // n, the wall's n1
    {InputSlot::Text1_2, 5, Shape, {}, 2}, // LG, the wall's L1G
    {InputSlot::Text1_3, 3, Never, {}, 1}, // HG, the wall's L2
    {InputSlot::Text1_4, 12, Shape, "L2G(cm)="},
    {InputSlot::Text1_5, 1, Motor, "回転数N(rpm)="},
    {InputSlot::Text1_6, 6, Motor, "振動値a(μm)="},
    {InputSlot::Text1_7, 7, Never, {}, 0},                 // L, D, the wall's L1, H
    {InputSlot::Text1_8, 11, Shape, LateralBoltsLabel, 4}, // the wall's n2, floor and ceiling nt
    {InputSlot::Text1_9, 10, Shape, "L3G(cm)="},
    {InputSlot::Text1_10, 14, ExternalForce, "付加力F(kg)="},
    {InputSlot::Combo1, 8, Never, "ﾎﾞﾙﾄ径M="},
    {InputSlot::Combo2, 9, Never, "設計水平震度KH="},
    {InputSlot::Combo3, 2, Motor, "動力P(kw)="},
    {InputSlot::Combo4, 13, Never, "地域係数="},
}};

constexpr bool in_slot_order() {
  for (std::size_t i = 0; i < Rows.size(); ++i)
    if (Rows[i].slot != static_cast<InputSlot>(i))
      return false;
  return true;
}
static_assert(in_slot_order(), "input_row() looks rows up by slot");

} // namespace

std::span<const InputRow> input_rows() {
  return Rows;
}

const InputRow &input_row(InputSlot slot) {
  return Rows[static_cast<std::size_t>(slot)];
}

} // namespace zelvaro
