#include "ui/single_instance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace zelvaro::ui {

namespace {

void note(const QString &why) {
  std::fprintf(stderr, "zelvaro: %s（二重起動の確認をせずに起動します）\n", why.toLocal8Bit().constData());
}

void say(const QString &text) {
  std::fprintf(stderr, "zelvaro: %s\n", text.toLocal8Bit().constData());
}

// A lock is only trusted in a real folder of this user that no one else may
// write into: anyone could plant or remove a lock in a shared folder.
QString untrusted_folder(const QString &folder) {
  struct stat st {};
  if (folder.isEmpty() || !QDir::isAbsolutePath(folder) ||
      ::lstat(QFile::encodeName(folder).constData(), &st) != 0)
    return QStringLiteral("ロックの置き場所がありません: ") + folder;
  if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() || (st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
    return QStringLiteral("ロックの置き場所が自分専用のフォルダではありません: ") + folder;
  return {};
}

// One request per connection, one line: "raise", or "open " and a path.
// PATH_MAX is 4096 bytes; a longer line is no request of ours.
constexpr qint64 MaxRequest = 4096 + 16;
// Files handed over and not yet opened; more are answered "busy".
constexpr std::size_t MaxQueued = 16;

// Connects to the running copy. It listens from the moment it holds the
// lock; a copy just starting gets a moment to open its socket.
bool connect_to_running(QLocalSocket &socket, const QString &socketPath) {
  for (int attempt = 0; attempt < 10; ++attempt) {
    socket.connectToServer(socketPath);
    if (socket.waitForConnected(100))
      return true;
    ::usleep(30'000);
  }
  return false;
}

// How long a start waits for the running copy's answer: a copy that does
// not answer by then is taken for hung (or on another host) and this one
// starts anyway.
constexpr int AnswerWithinMs = 5000;

// Sends one request; the running copy's answer line, or empty when none
// came in time.
QByteArray ask_running(const QString &socketPath, const QByteArray &request) {
  QLocalSocket socket;
  if (!connect_to_running(socket, socketPath))
    return {};
  socket.write(request);
  QElapsedTimer clock;
  clock.start();
  while (!socket.canReadLine() && clock.elapsed() < AnswerWithinMs &&
         socket.waitForReadyRead(static_cast<int>(AnswerWithinMs - clock.elapsed()))) {
  }
  return socket.canReadLine() ? socket.readLine() : QByteArray();
}

// The path of an "open" request, or none when the line is not one: valid
// UTF-8, absolute, without control characters.
std::optional<QString> requested_path(const QByteArray &line) {
  if (!line.startsWith("open "))
    return std::nullopt;
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  const QString path = utf8.decode(line.sliced(5));
  if (utf8.hasError() || !QDir::isAbsolutePath(path) || std::any_of(path.cbegin(), path.cend(), [](QChar c) {
        return c.unicode() < 0x20 || c.unicode() == 0x7f;
      }))
    return std::nullopt;
  return path;
}

} // namespace

QString SingleInstance::defaultFolder() {
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (QDir::isAbsolutePath(runtime))
    return runtime;
  // Else a private folder in the user's cache: never the temporary folder
  // (TMPDIR differs between starts) nor the current one.
  const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
  if (!QDir::isAbsolutePath(cache) || !QDir().mkpath(cache))
    return {};
  const QString folder = QDir(cache).filePath(QStringLiteral("zelvaro"));
  ::mkdir(QFile::encodeName(folder).constData(), 0700);
  return folder;
}

SingleInstance::SingleInstance(const QString &folder, const QString &file) {
  if (const QString why = untrusted_folder(folder); !why.isEmpty()) {
    note(why);
    return;
  }
  const QDir dir(folder);
  const QString name = QStringLiteral("zelvaro-%1").arg(::getuid());
  lock_ = std::make_unique<QLockFile>(dir.filePath(name + QStringLiteral(".lock")));
  // A stale lock of a dead process is removed by tryLock itself; a live
  // copy's lock is never considered stale however old it is.
  lock_->setStaleLockTime(0);
  if (!lock_->tryLock(0) && lock_->error() == QLockFile::LockFailedError) {
    qint64 pid = 0;
    QString host, app;
    // An empty or garbled lock names no running copy. A copy that is writing
    // its lock holds a native lock on it, so that removing it fails then.
    if (!lock_->getLockInfo(&pid, &host, &app)) {
      if (lock_->removeStaleLockFile()) {
        lock_->tryLock(0);
      } else {
        ::usleep(50'000); // a starting copy is writing its lock
        if (!lock_->getLockInfo(&pid, &host, &app)) {
          note(QStringLiteral("読めないロックファイルがあります: ") + lock_->fileName());
          return;
        }
      }
    }
  }
  const QString socketPath = dir.filePath(name + QStringLiteral(".socket"));
  switch (lock_->error()) {
  case QLockFile::NoError:
    listen(socketPath);
    return;
  case QLockFile::LockFailedError:
    askRunning(socketPath, file);
    return;
  default:
    note(QStringLiteral("ロックファイルを作れません: ") + lock_->fileName());
    return;
  }
}

SingleInstance::~SingleInstance() = default;

void SingleInstance::askRunning(const QString &socketPath, const QString &file) {
  const QByteArray request = file.isEmpty() ? QByteArray("raise\n") : "open " + file.toUtf8() + '\n';
  if (file.contains(QLatin1Char('\n')) || request.size() > MaxRequest) {
    anotherCopy_ = true;
    handedOver_ = false;
    failure_ = QStringLiteral("この名前のファイルは起動中の Zelvaro に渡せません: ") + file;
    say(failure_);
    return;
  }
  const QByteArray answer = ask_running(socketPath, request);
  if (answer == "ok\n") {
    anotherCopy_ = true;
    return;
  }
  if (answer == "busy\n") {
    anotherCopy_ = true;
    handedOver_ = false;
    failure_ =
        QStringLiteral("起動中の Zelvaro は開くファイルをすでに多く受け取っています。しばらくしてから開いて"
                       "ください: ") +
        file;
    say(failure_);
    return;
  }
  // No answer in time: a copy on another host (the lock can only name it)
  // or a hung one. This copy starts and opens the file itself.
  qint64 pid = 0;
  QString host, app;
  lock_->getLockInfo(&pid, &host, &app);
  notice_ = QStringLiteral("起動中の Zelvaro（%1 のプロセス %2）が %3 秒以内に応答しないため、"
                           "もう一つ起動しました。\nロックファイル: %4")
                .arg(host.isEmpty() ? QStringLiteral("?") : host)
                .arg(pid)
                .arg(AnswerWithinMs / 1000)
                .arg(lock_->fileName());
  say(notice_);
}

void SingleInstance::listen(const QString &socketPath) {
  // A socket file left by a crash is in the way of a new one.
  QLocalServer::removeServer(socketPath);
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(socketPath)) {
    std::fprintf(stderr, "zelvaro: 二度目の起動の知らせを受けられません: %s\n",
                 server_->errorString().toLocal8Bit().constData());
    return;
  }
  QObject::connect(server_.get(), &QLocalServer::newConnection, server_.get(), [this] {
    while (QLocalSocket *s = server_->nextPendingConnection())
      serve(s);
  });
}

void SingleInstance::serve(QLocalSocket *s) {
  QObject::connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
  // A peer that says nothing does not hold a connection for ever.
  QTimer::singleShot(3000, s, [s] { s->abort(); });
  QObject::connect(s, &QLocalSocket::readyRead, s, [this, s] {
    if (!s->canReadLine()) {
      if (s->bytesAvailable() > MaxRequest)
        s->abort();
      return;
    }
    const QByteArray line = s->readLine(MaxRequest + 1);
    // One request, then nothing: anything else is garbled and ignored.
    if (!line.endsWith('\n') || s->bytesAvailable() > 0) {
      s->abort();
      return;
    }
    const QByteArray request = line.chopped(1);
    if (request == "raise") {
      if (raise_)
        raise_();
      s->write("ok\n"); // the refused copy knows this one is alive
      s->flush();
      s->disconnectFromServer();
      return;
    }
    const std::optional<QString> path = requested_path(request);
    if (!path) {
      s->abort();
      return;
    }
    // The answer comes before the file is opened: a question the user is
    // asked then does not keep the refused copy waiting. Requests wait their
    // turn; a flood beyond the queue is turned away, never stacked.
    const bool full = queue_.size() >= MaxQueued;
    if (!full)
      queue_.push_back(*path);
    s->write(full ? "busy\n" : "ok\n");
    s->flush();
    s->disconnectFromServer();
    // Opening may ask about unsaved changes: not inside this socket's signal.
    if (!full)
      QMetaObject::invokeMethod(
          server_.get(), [this] { openNext(); }, Qt::QueuedConnection);
  });
}

void SingleInstance::openNext() {
  if (opening_ || queue_.empty() || !open_)
    return;
  // One request at a time, and never inside a dialog the user has open
  // (the question of an earlier request, a file dialog): it waits until the
  // box is closed.
  if (QGuiApplication::modalWindow()) {
    if (!waiting_) {
      waiting_ = true;
      QTimer::singleShot(100, server_.get(), [this] {
        waiting_ = false;
        openNext();
      });
    }
    return;
  }
  opening_ = true;
  const QString file = queue_.front();
  queue_.pop_front();
  open_(file);
  opening_ = false;
  if (!queue_.empty())
    QMetaObject::invokeMethod(
        server_.get(), [this] { openNext(); }, Qt::QueuedConnection);
}

void SingleInstance::setOpen(std::function<void(const QString &)> open) {
  open_ = std::move(open);
  openNext(); // the files handed over before there was a window
}

void bring_forward(QWidget &window) {
  window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
  window.show();
  window.raise();
  window.activateWindow();
  // Qt asks X for the focus with the time of the last event it saw, older
  // than the focus change the user made since; X ignores such a request
  // when no window manager activates the window. Ask at the current time.
  auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (QGuiApplication::platformName() == QLatin1String("xcb") && x11 && x11->connection()) {
    xcb_set_input_focus(x11->connection(), XCB_INPUT_FOCUS_PARENT, static_cast<xcb_window_t>(window.winId()),
                        XCB_CURRENT_TIME);
    xcb_flush(x11->connection());
  }
}

} // namespace zelvaro::ui
