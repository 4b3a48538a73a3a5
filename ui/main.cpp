// zelvaro: the calculator's window.
#include "ui/app_setup.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/main_menu.h"
#include "ui/single_instance.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[]) {
  // Without a display Qt would abort; say so in one line instead.
  const auto unset = [](const char *name) { return !std::getenv(name) || !*std::getenv(name); };
  if (unset("DISPLAY") && unset("WAYLAND_DISPLAY") && unset("QT_QPA_PLATFORM")) {
    std::fputs(
        "zelvaro: 画面（DISPLAY）がないためウィンドウを開けません。コマンドライン版は zelvaro-check です。\n",
        stderr);
    return 1;
  }
  QApplication app(argc, argv);
  app.setApplicationName(QStringLiteral("zelvaro"));
  zelvaro::ui::setup_application(app);

  // A second running copy ends at once, without a window: the running one
  // comes forward instead.
  zelvaro::ui::SingleInstance instance;
  if (instance.anotherCopyRuns())
    return 0;

  {
    zelvaro::ui::Form2 splash;
    zelvaro::ui::show_splash_then_close(splash);
  }
  zelvaro::ui::MainWindow window;
  window.show();
  instance.setRaise([&window] { zelvaro::ui::bring_forward(window); });
  // `zelvaro FILE.csv` opens the schedule (from the desktop's file manager too).
  const QStringList args = app.arguments();
  if (args.size() > 1)
    window.openFile(args.at(1));
  return app.exec();
}
