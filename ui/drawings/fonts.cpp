#include "ui/drawings/fonts.h"

#include <QFont>
#include <QStringList>

namespace zelvaro::ui {

void map_window_fonts() {
  QFont::insertSubstitutions(GothicFamily, {"IPAGothic", "Noto Sans Mono CJK JP"});
  QFont::insertSubstitutions(PGothicFamily, {"IPAPGothic", "Noto Sans CJK JP"});
}

} // namespace zelvaro::ui
