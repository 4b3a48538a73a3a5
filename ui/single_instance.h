#pragma once

#include <QLockFile>
#include <QString>

#include <deque>
#include <functional>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QWidget;

namespace zelvaro::ui {

// Keeps a second copy of the program from running for the same user and
// display session. The lock and a local socket sit side by side in a folder
// that only the user can write to: the runtime folder, else a private folder
// in the user's cache. A refused copy asks the running one to come
// forward. A lock left behind by a crash (dead process, empty or garbled
// file) is taken over; a lock that cannot be made at all never stops the
// program: it starts anyway and says so on standard error.
//
// A refused copy given a file hands it over instead ("open PATH" on the
// socket) and waits for the running copy's "ok": a file must never be lost
// silently. The running copy treats what arrives as untrusted: one line,
// bounded, valid UTF-8, one absolute path; anything else is ignored. Files
// are opened one after another, each once the previous is done and no
// dialog is open; at most 16 wait, and a copy handing over more is told
// "busy".
class SingleInstance {
public:
  // `file` (absolute) is handed to the running copy, if one runs.
  explicit SingleInstance(const QString &folder = defaultFolder(), const QString &file = QString());
  ~SingleInstance();

  // True when another copy runs and answered: it has raised its window, or
  // taken the file. A copy that does not answer within 5 s (hung, or on
  // another host) does not count: this one starts, with a notice.
  bool anotherCopyRuns() const { return anotherCopy_; }
  // False when the running copy did not take the file; failure() says why
  // (said on standard error too).
  bool handedOver() const { return handedOver_; }
  QString failure() const { return failure_; }
  // What a start despite a running copy must tell the user; empty otherwise.
  QString notice() const { return notice_; }

  // Called in the running copy when a refused copy asks it to come forward,
  // or to open a file (from the event loop, after the refused copy has its answer).
  void setRaise(std::function<void()> raise) { raise_ = std::move(raise); }
  // A file handed over before (during the splash) is opened at once.
  void setOpen(std::function<void(const QString &path)> open);

  static QString defaultFolder();

private:
  void listen(const QString &socketPath);
  void askRunning(const QString &socketPath, const QString &file);
  void serve(QLocalSocket *socket);
  void openNext();

  std::unique_ptr<QLockFile> lock_;
  std::unique_ptr<QLocalServer> server_;
  std::function<void()> raise_;
  std::function<void(const QString &)> open_;
  std::deque<QString> queue_; // handed over, not yet opened
  bool opening_ = false;
  bool waiting_ = false; // for a dialog to close
  bool anotherCopy_ = false;
  bool handedOver_ = true;
  QString failure_, notice_;
};

// Shows, raises and activates the window, as when a refused copy asks.
void bring_forward(QWidget &window);

} // namespace zelvaro::ui
