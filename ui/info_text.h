#pragma once

#include <string>

namespace zelvaro::ui {

// Text of the Info box.
std::string info_text();

} // namespace zelvaro::ui
