#pragma once

#include "input_slots.h"
#include "seismic_calc_state.h"

#include <array>
#include <string>

namespace zelvaro::ui {

// The inputs of one item as the window holds them: the three selections and
// every field's text by slot, exactly as typed.
struct ItemInputs {
  Shape shape = Shape::None;
  Anchor anchor = Anchor::None;
  Material material = Material::None;
  std::array<std::string, InputSlotCount> texts;
};

} // namespace zelvaro::ui
