#include "ui/app_setup.h"

#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QStyleFactory>
#include <QTranslator>

namespace zelvaro::ui {

void setup_application(QApplication &app) {
  app.setStyle(QStyleFactory::create("Fusion"));
  // The edit boxes discard the shortcut characters by design: their context
  // menus must not promise Ctrl+C, Ctrl+V, Ctrl+A.
  QCoreApplication::setAttribute(Qt::AA_DontShowShortcutsInContextMenus);
  app.setWindowIcon(QIcon(QStringLiteral(":/icons/zelvaro-256.png")));
  map_window_fonts();

  // Every visible text is Japanese, Qt's own menus and buttons included.
  auto *qt = new QTranslator(&app);
  if (qt->load(QLocale(QLocale::Japanese), "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    app.installTranslator(qt);
  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
}

} // namespace zelvaro::ui
