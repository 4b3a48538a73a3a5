// The four lists are built from scratch each time they are opened.
#include "refdata/selection_lists.h"
#include "ui/form1.h"
#include "ui/widgets.h"

namespace zelvaro::ui {

namespace {
QStringList to_list(std::span<const std::string_view> items) {
  QStringList list;
  for (std::string_view s : items)
    list << QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
  return list;
}
} // namespace

void Form1::rebuildList(int combo) {
  switch (combo) {
  case 1:
    Combo(1)->rebuild(to_list(diameter_items(state_.AnchorKind)));
    break;
  case 2:
    Combo(2)->rebuild(to_list(seismic_coefficient_items()));
    break;
  case 3:
    Combo(3)->rebuild(to_list(motor_power_items()));
    break;
  case 4:
    Combo(4)->rebuild(to_list(regional_coefficient_items()));
    break;
  }
}

} // namespace zelvaro::ui
