#pragma once

#include "engine/number_text.h"
#include "engine/shape_procedure.h"

#include <string>
#include <string_view>

namespace zelvaro {

// Appends text, a number and a unit, with or without the closing line break.
inline void put(std::string &out, std::string_view before, double value, std::string_view after) {
  out += before;
  append_number(out, value);
  out += after;
}
inline void put_line(std::string &out, std::string_view before, double value, std::string_view after) {
  put(out, before, value, after);
  out += CRLF;
}

} // namespace zelvaro
