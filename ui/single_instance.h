#pragma once

#include <QLockFile>
#include <QString>

#include <functional>
#include <memory>

class QLocalServer;
class QWidget;

namespace zelvaro::ui {

// Keeps a second copy of the program from running for the same user and
// display session. The lock and a local socket sit side by side in a folder
// that only the user can write to: the runtime folder, else a private folder
// in the temporary folder. A refused copy asks the running one to come
// forward. A lock left behind by a crash (dead process, empty or garbled
// file) is taken over; a lock that cannot be made at all never stops the
// program: it starts anyway and says so on standard error.
class SingleInstance {
public:
  explicit SingleInstance(const QString &folder = defaultFolder());
  ~SingleInstance();

  // True when another copy runs; it has been asked to raise its window.
  bool anotherCopyRuns() const { return anotherCopy_; }

  // Called in the running copy when a refused copy asks it to come forward.
  void setRaise(std::function<void()> raise) { raise_ = std::move(raise); }

  static QString defaultFolder();

private:
  void listen(const QString &socketPath);

  std::unique_ptr<QLockFile> lock_;
  std::unique_ptr<QLocalServer> server_;
  std::function<void()> raise_;
  bool anotherCopy_ = false;
};

// Shows, raises and activates the window, as when a refused copy asks.
void bring_forward(QWidget &window);

} // namespace zelvaro::ui
