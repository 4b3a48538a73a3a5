// zelvaro: the calculator's window.
#include "ui/app_setup.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/main_menu.h"
#include "ui/message_boxes.h"
#include "ui/single_instance.h"

#include <QApplication>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char *const HelpText =
    "使い方: zelvaro [機器表.csv]\n"
    "\n"
    "アンカーボルトの耐震計算のウィンドウを開きます。機器表（CSV）を渡すと、それを開きます\n"
    "（ウィンドウが既に開いていれば、そのウィンドウで開きます）。\n"
    "\n"
    "  --help     この説明を表示して終了します\n"
    "  --version  バージョンを表示して終了します\n"
    "\n"
    "コマンドラインでの計算は zelvaro-check です（zelvaro-check --help, man zelvaro-check）。\n";

// --help and --version print and end without a window, and without a display.
bool print_and_end(int argc, char *argv[], int &status) {
  for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    const char *text = nullptr;
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
      text = HelpText;
    else if (std::strcmp(argv[i], "--version") == 0)
      text = "zelvaro " ZELVARO_VERSION "\n";
    if (text) {
      const bool written =
          std::fputs(text, stdout) >= 0 && std::fflush(stdout) == 0 && std::fclose(stdout) == 0;
      if (!written)
        std::fputs("zelvaro: 標準出力に書き込めません。\n", stderr);
      status = written ? 0 : 2;
      return true;
    }
  }
  return false;
}

} // namespace

int main(int argc, char *argv[]) {
  if (int status = 0; print_and_end(argc, argv, status))
    return status;
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

  // `zelvaro FILE.csv` opens the schedule (from the desktop's file manager too).
  const QStringList args = app.arguments();
  const QString file = args.size() > 1 ? QFileInfo(args.at(1)).absoluteFilePath() : QString();

  // A second running copy ends at once, without a window: the running one
  // comes forward instead, and opens the file if one was given. What it
  // could not do is said (on standard error already, and in a box on a
  // real screen).
  const auto tell = [](QWidget *parent, const QString &text) {
    const QString platform = QGuiApplication::platformName();
    if (platform != QLatin1String("offscreen") && platform != QLatin1String("minimal"))
      zelvaro::ui::show_modal_message(
          parent, zelvaro::Message{"Zelvaro", text.toStdString(), zelvaro::MessageIcon::Critical});
  };
  zelvaro::ui::SingleInstance instance(zelvaro::ui::SingleInstance::defaultFolder(), file);
  if (instance.anotherCopyRuns()) {
    if (!instance.handedOver())
      tell(nullptr, instance.failure());
    return instance.handedOver() ? 0 : 1;
  }

  {
    zelvaro::ui::Form2 splash;
    zelvaro::ui::show_splash_then_close(splash);
  }
  zelvaro::ui::MainWindow window;
  window.show();
  if (!instance.notice().isEmpty())
    tell(&window, instance.notice());
  instance.setRaise([&window] { zelvaro::ui::bring_forward(window); });
  if (!file.isEmpty())
    window.openFile(file);
  // As ファイル > 開く: the question about unsaved changes over the window the
  // user sees, then the file's window in front. A file handed over during
  // the splash is opened now, after this copy's own: it came later.
  instance.setOpen([&window](const QString &path) {
    zelvaro::ui::bring_forward(window);
    window.openFile(path);
    zelvaro::ui::bring_forward(window);
  });
  return app.exec();
}
