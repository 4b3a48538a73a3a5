#pragma once

#include <string>

namespace zelvaro {

// Why a read or a write failed, in Japanese, for the error numbers a user
// meets (a full disk, a closed output, a read-only folder...); any other
// number is named by its value. Messages never carry the system's English.
std::string system_error_text(int errnum);

} // namespace zelvaro
