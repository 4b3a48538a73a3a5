#pragma once

#include "engine/input_slots.h"

#include <string_view>

namespace zelvaro {

// Where capture reads the field texts from: the window, the command line and
// the tests each implement it. The returned text stays valid until the next
// call.
class FieldReader {
public:
  virtual ~FieldReader() = default;
  virtual std::string_view text(InputSlot slot) const = 0;
};

} // namespace zelvaro
