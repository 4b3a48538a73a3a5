#pragma once

#include <string>

namespace zelvaro {

// Why a read or a write failed, in Japanese, for the error numbers a user
// meets (a full disk, a closed output, a read-only folder...); any other
// number is named by its value. Messages never carry the system's English.
std::string system_error_text(int errnum);

// The words of an error number that has its own: in English, as the
// command line's catalog knows them, and in Japanese. Null for any other.
struct SystemErrorWords {
  int errnum;
  const char *english;
  const char *japanese;
};
const SystemErrorWords *system_error_words_of(int errnum);

} // namespace zelvaro
