#pragma once

#include <QWidget>

#include <chrono>

class QLabel;

namespace zelvaro::ui {

// Form2: the splash window shown while the main window loads. Closing it
// holds it on screen for just over one second, measured on a monotonic clock.
class Form2 : public QWidget {
  Q_OBJECT
public:
  explicit Form2(QWidget *parent = nullptr);

  // How long closing holds the window; tests shorten it.
  std::chrono::milliseconds hold{1000};
  // How long the last close held it.
  std::chrono::nanoseconds held{0};

protected:
  void closeEvent(QCloseEvent *e) override;

private:
  QLabel *label1_ = nullptr;
};

// Shows the splash, paints it at once, then closes it (which waits).
void show_splash_then_close(Form2 &splash);

} // namespace zelvaro::ui
