#include "engine/general_date.h"

#include <cstdio>

namespace zelvaro {

std::string general_date_text(const LocalDateTime &t) {
  char buf[64];
  int n = std::snprintf(buf, sizeof buf, "%04d/%02d/%02d", t.year, t.month, t.day);
  if (t.hour != 0 || t.minute != 0 || t.second != 0)
    n += std::snprintf(buf + n, sizeof buf - static_cast<std::size_t>(n), " %d:%02d:%02d", t.hour, t.minute,
                       t.second);
  return std::string(buf, static_cast<std::size_t>(n));
}

} // namespace zelvaro
