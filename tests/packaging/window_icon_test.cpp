// The window wears the icon that the menu shows: the one installed under
// share/icons, built into the program as a resource.
#include "ui/app_setup.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <gtest/gtest.h>

TEST(WindowIcon, is_the_installed_program_icon) {
  int argc = 1;
  char name[] = "window_icon_test";
  char *argv[] = {name, nullptr};
  QApplication app(argc, argv);
  zelvaro::ui::setup_application(app);

  const QIcon icon = QApplication::windowIcon();
  ASSERT_FALSE(icon.isNull()) << "the icon resource was not linked into the program";
  const QImage installed(QStringLiteral(ZELVARO_ICON_PNG));
  ASSERT_FALSE(installed.isNull());
  const QImage shown =
      icon.pixmap(installed.size()).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
  const QImage expected = installed.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  EXPECT_TRUE(shown == expected) << "pixels differ from " ZELVARO_ICON_PNG;
  // Title bars and task bars ask for small sizes.
  EXPECT_EQ(icon.pixmap(16, 16).size(), QSize(16, 16));
}
