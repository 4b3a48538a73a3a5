#pragma once

#include <span>
#include <string_view>

namespace zelvaro {

// The input fields of the window, as capture reads them: the text boxes
// Text1(0) to Text1(10) and the four combo boxes.
enum class InputSlot : int {
  Text1_0,
  Text1_1,
  Text1_2,
  Text1_3,
  Text1_4,
  Text1_5,
  Text1_6,
  Text1_7,
  Text1_8,
  Text1_9,
  Text1_10,
  Combo1,
  Combo2,
  Combo3,
  Combo4,
};
inline constexpr int InputSlotCount = 15;

inline constexpr InputSlot text1_slot(int index) {
  return static_cast<InputSlot>(index);
}

// What switches an input and its label on and off.
enum class InputSwitch {
  Never,         // always on
  Shape,         // on when the chosen shape reads the input
  Motor,         // the motor-moment check box
  ExternalForce, // the external-force check box
};

// An input with the label box beside it. This table is the one place that
// pairs them: the window's layout, the shape buttons, the check boxes,
// capture's messages and the web page all read it.
struct InputRow {
  InputSlot slot;
  int label; // index of the Text4 label box; it differs from the Text1 index
  InputSwitch switched_by;
  // The label's text with no shape chosen; empty when it is the
  // floor-mounted shape's. relabel, when not -1, is the index of the text in
  // ShapeProcedure::labels that the shape buttons put there.
  std::string_view text;
  int relabel = -1;
};

// The labels of Text1(8): the wall's n2, and the bolts taking tension that
// the floor and ceiling shapes may be given (blank: n / 2).
inline constexpr std::string_view LateralBoltsLabel = "横片側ｱﾝｶ数n2(本)=";
inline constexpr std::string_view TensionBoltsLabel = "引張側ｱﾝｶ数nt(本)=";

// Every input, in the order of InputSlot.
std::span<const InputRow> input_rows();
const InputRow &input_row(InputSlot slot);

} // namespace zelvaro
