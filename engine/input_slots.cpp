#include "engine/input_slots.h"

namespace zelvaro {

int label_index(InputSlot slot) {
  static constexpr std::array<int, InputSlotCount> map{
      0,  // Text1(0)  W
      4,  // Text1(1)  n / n1
      5,  // Text1(2)  LG / L1G
      3,  // Text1(3)  HG / L2
      12, // Text1(4)  L2G
      1,  // Text1(5)  N
      6,  // Text1(6)  a
      7,  // Text1(7)  L / D / L1 / H
      11, // Text1(8)  n2
      10, // Text1(9)  L3G
      14, // Text1(10) F
      8,  // Combo1    M
      9,  // Combo2    KH
      2,  // Combo3    P
      13, // Combo4    Z
  };
  return map[static_cast<int>(slot)];
}

} // namespace zelvaro
