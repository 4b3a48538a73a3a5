#pragma once

#include "engine/number_text.h"
#include "engine/shape_procedure.h"

#include <algorithm>
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

// Appends text, a number, a unit and, with `line_break`, CR LF.
inline void put_pieces(std::string &out, std::string_view before, double value, std::string_view after,
                       bool line_break) {
#if defined(__wasm__)
  // In WebAssembly each append to a string costs several times more than
  // natively, and reports are built of little else: the pieces are put
  // together on the stack and appended at once (natively that is slower).
  char line[256];
  if (before.size() + NumberRoom + after.size() + CRLF.size() <= sizeof line) {
    char *o = std::copy(before.begin(), before.end(), line);
    o = write_number(o, value);
    o = std::copy(after.begin(), after.end(), o);
    if (line_break)
      o = std::copy(CRLF.begin(), CRLF.end(), o);
    out.append(line, static_cast<std::size_t>(o - line));
    return;
  }
#endif
  out += before;
  append_number(out, value);
  out += after;
  if (line_break)
    out += CRLF;
}

// Appends text, a number and a unit, with or without the closing line break.
inline void put(std::string &out, std::string_view before, double value, std::string_view after) {
  put_pieces(out, before, value, after, false);
}
inline void put_line(std::string &out, std::string_view before, double value, std::string_view after) {
  put_pieces(out, before, value, after, true);
}

} // namespace zelvaro
