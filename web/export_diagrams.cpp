// Writes the five shape diagrams for the web page, drawn by the window's own
// code: PictureK.png as the window shows them, SheetK.png four times larger
// for the printed sheet. scripts/build-web runs it before building the page.
#include "ui/drawings/diagrams.h"
#include "ui/drawings/fonts.h"

#include <QDir>
#include <QGuiApplication>
#include <QSaveFile>

#include <cstdio>

namespace {

bool write_png(const QImage &image, const QString &path) {
  QSaveFile file(path); // replaced whole or not at all
  return !image.isNull() && file.open(QIODevice::WriteOnly) && image.save(&file, "PNG") && file.commit();
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: zelvaro-diagrams FOLDER\n");
    return 2;
  }
  // Drawing needs fonts, not a display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
    qputenv("XDG_RUNTIME_DIR", QByteArray("/tmp"));
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
  QGuiApplication app(argc, argv);
  zelvaro::ui::map_window_fonts();

  const QString folder = QString::fromLocal8Bit(argv[1]);
  if (!QDir().mkpath(folder)) {
    std::fprintf(stderr, "zelvaro-diagrams: cannot create %s\n", argv[1]);
    return 1;
  }
  for (int k = 1; k <= 5; ++k) {
    const QString window = QDir(folder).filePath(QStringLiteral("Picture%1.png").arg(k));
    const QString sheet = QDir(folder).filePath(QStringLiteral("Sheet%1.png").arg(k));
    for (const auto &[path, scale] : {std::pair{window, 1}, std::pair{sheet, 4}}) {
      if (!write_png(zelvaro::draw_shape_diagram(k, scale), path)) {
        std::fprintf(stderr, "zelvaro-diagrams: cannot write %s\n", qPrintable(path));
        return 1;
      }
    }
  }
  return 0;
}
