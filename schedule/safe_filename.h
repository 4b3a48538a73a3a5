// File names for the per-item files of a batch: the text reports of
// `zelvaro-check --batch --reports DIR` and the sheets of `--pdf DIR`. The ids
// come from the schedule and may hold anything; the names made from them must
// never lead outside DIR.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zelvaro::batch {

inline constexpr std::size_t kMaxFileNameBytes = 200;

// Name of the report for the schedule row on input line `line` with item id
// `id`, e.g. (42, "ポンプP-1", ".txt") -> "000042_ポンプP-1.txt". The line is
// zero-padded to at least 6 digits so that names sort by line, and makes
// names unique. In the id, the characters of the Unicode categories Cf
// (format: bidi controls, zero-width characters), Cc, Zs, Zl and Zp, and
// <>:"/\|?* become '_' (runs of them one '_'); leading and trailing dots and
// underscores go; bytes that are not UTF-8 count as control characters. An id
// left empty gives "000042.txt". The id is cut (between characters) to keep
// the name within kMaxFileNameBytes. The result is always a single, valid
// UTF-8 path component that passes is_safe_file_name().
// `extension` is empty or up to 15 ASCII letters and digits, with or without a
// leading dot; anything else throws std::invalid_argument.
std::string report_file_name(std::size_t line, std::string_view id, std::string_view extension);

// True if `name` is usable as is as one file name on POSIX and Windows: not
// empty, at most kMaxFileNameBytes, valid UTF-8, no character of the
// categories Cf, Cc, Zs, Zl, Zp but the plain space, no <>:"/\|?*, not starting with '.', '-' or a space, not
// ending with '.' or a space, not a Windows device name (CON, NUL, COM1, ...).
bool is_safe_file_name(std::string_view name);

} // namespace zelvaro::batch
