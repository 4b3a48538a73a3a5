#pragma once

#include <string>

namespace zelvaro {

// Text of the Info box, the same in the window and on the page.
std::string info_text();

} // namespace zelvaro
