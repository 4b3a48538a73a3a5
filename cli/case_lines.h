// The lines of zelvaro-check --cases: each input line a JSON array of the
// arguments of one run, each output line a JSON object of what that run
// printed. Command-line arguments and output are bytes, JSON strings are
// Unicode: a byte that is not part of well-formed UTF-8 travels as the lone
// surrogate U+DC80 + byte ("\udcff" for 0xFF), as Python's surrogateescape
// spells it, so that both directions are exact.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zelvaro::cli {

struct ArgumentLine {
  std::vector<std::string> arguments;
  // 0 when the line is a JSON array of strings; else the 1-based byte where
  // it stops being one (a NUL, which no argument can hold, included).
  std::size_t error_at = 0;
};
ArgumentLine parse_argument_line(std::string_view line);

// `bytes` as a JSON string, quotes included.
void append_json_string(std::string &out, std::string_view bytes);

} // namespace zelvaro::cli
