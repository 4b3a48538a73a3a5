#include "ui/form2.h"

#include "ui/app_setup.h"
#include "ui/splash_picture.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>

#include <thread>

namespace zelvaro::ui {

Form2::Form2(QWidget *parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("Form2"));
  setFixedSize(480, 360);
  auto *picture = new QLabel(this);
  // Drawn by code: at the screen's own pixel ratio it stays sharp at 150 % and 200 %.
  picture->setPixmap(QPixmap::fromImage(draw_splash_picture(devicePixelRatioF())));
  picture->setGeometry(0, 0, 480, 360);
  label1_ = new QLabel(QStringLiteral("Zelvaro"), this);
  label1_->setObjectName(QStringLiteral("Label1"));
  label1_->setGeometry(6120 / 15, 5040 / 15, 975 / 15, 255 / 15);
  QFont f(QString::fromUtf8(GothicFamily));
  f.setPointSizeF(9.75);
  label1_->setFont(f);
}

void Form2::closeEvent(QCloseEvent *e) {
  // A busy wait on the monotonic clock: a time of day passing midnight
  // cannot prolong it, and the window keeps showing what it painted.
  const auto start = std::chrono::steady_clock::now();
  while (std::chrono::steady_clock::now() - start <= hold)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  held = std::chrono::steady_clock::now() - start;
  e->accept();
}

void show_splash_then_close(Form2 &splash) {
  splash.show();
  splash.raise();
  splash.repaint();
  for (int i = 0; i < 3; ++i)
    QCoreApplication::processEvents();
  splash.close();
}

} // namespace zelvaro::ui
