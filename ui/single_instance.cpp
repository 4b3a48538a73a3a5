#include "single_instance.h"

#include <QDir>

#include <unistd.h>

namespace zelvaro::ui {

QString SingleInstance::defaultLockPath() {
  return QDir(QDir::tempPath()).filePath(QStringLiteral("zelvaro-%1.lock").arg(getuid()));
}

SingleInstance::SingleInstance(const QString &lockPath) : lock_(std::make_unique<QLockFile>(lockPath)) {
  // A stale lock of a dead process is removed by tryLock itself; a live
  // copy's lock is never considered stale however old it is.
  lock_->setStaleLockTime(0);
  acquired_ = lock_->tryLock(0);
}

} // namespace zelvaro::ui
