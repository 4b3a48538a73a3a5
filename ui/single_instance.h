#pragma once

#include <QLockFile>

#include <memory>

namespace zelvaro::ui {

// Holds the lock that keeps a second copy of the program from running. A
// lock left behind by a copy that crashed is recognised (its process is
// gone) and taken over.
class SingleInstance {
public:
  explicit SingleInstance(const QString &lockPath = defaultLockPath());
  bool acquired() const { return acquired_; }
  static QString defaultLockPath();

private:
  std::unique_ptr<QLockFile> lock_;
  bool acquired_ = false;
};

} // namespace zelvaro::ui
