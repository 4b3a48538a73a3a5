#pragma once

#include "ui/drawings/fonts.h"

class QApplication;

namespace zelvaro::ui {

// Style, icon, fonts and language shared by the program and its window
// tests: Fusion everywhere, the program icon, the window's Japanese gothic
// families mapped to IPA Gothic from Debian's fonts-ipafont-gothic, and Qt's
// own texts in Japanese whatever the locale.
void setup_application(QApplication &app);

} // namespace zelvaro::ui
