#pragma once

#include <array>
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

inline constexpr InputSlot text1_slot(int index) { return static_cast<InputSlot>(index); }

// Index of the Text4 label box beside a slot; the indexes differ from the
// Text1 indexes.
int label_index(InputSlot slot);

} // namespace zelvaro
