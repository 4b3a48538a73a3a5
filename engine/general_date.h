#pragma once

#include <string>

namespace zelvaro {

// Broken-down local date and time, read from the clock by the face.
struct LocalDateTime {
  int year, month, day, hour, minute, second;
};

// The general date form of the report header as a Japanese desktop writes
// it: the short date, a space and the long time ("2007/07/16 10:23:45");
// only the date at exactly midnight.
std::string general_date_text(const LocalDateTime &t);

} // namespace zelvaro
