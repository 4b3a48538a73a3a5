#pragma once

// The optional names of a calculation sheet's title block, as the window
// asks for them and the command line takes them (--project, --equipment,
// --checker); a schedule's equipment column names the equipment of its row.

#include <string>

namespace zelvaro {

struct SheetNames {
  std::string project, equipment, checker;
};

} // namespace zelvaro
