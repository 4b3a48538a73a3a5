#pragma once

#include "engine/number_text.h"
#include "engine/shape_procedure.h"

#include <string>
#include <string_view>

namespace zelvaro {

// The report's CR LF line breaks as LF, for faces whose lines end so (a
// terminal, a text file, Qt's texts). A lone CR stays.
inline std::string to_lf(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
      continue;
    out += text[i];
  }
  return out;
}

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
