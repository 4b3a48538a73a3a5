#include "schedule/schedule_writer.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zelvaro::batch {

namespace {

std::string reason(int error) {
  switch (error) {
  case EACCES:
  case EPERM:
    return "書き込みの許可がありません";
  case EROFS:
    return "読み取り専用の場所です";
  case ENOSPC:
  case EDQUOT:
    return "ディスクの空きが足りません";
  case ENOENT:
  case ENOTDIR:
    return "フォルダがありません";
  case EIO:
    return "ディスクの読み書きに失敗しました";
  default:
    return std::strerror(error);
  }
}

} // namespace

std::string write_file_atomically(const std::string &path, std::string_view bytes) {
  const std::size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
  std::string temp = (slash == std::string::npos ? std::string() : dir) + ".zelvaro-save-XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0)
    return "'" + path + "' を保存できません（一時ファイルを作れません: " + reason(errno) +
           "）。元のファイルはそのままです。";
  const auto fail = [&](const char *what, int error) {
    ::close(fd);
    ::unlink(temp.c_str());
    return "'" + path + "' を保存できません（" + what + ": " + reason(error) +
           "）。元のファイルはそのままです。";
  };
  // A file that already exists keeps its permissions; a new one gets the usual ones.
  struct stat old {};
  const mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : (0666 & ~[] {
    const mode_t m = ::umask(0);
    ::umask(m);
    return m;
  }());
  if (::fchmod(fd, mode) != 0)
    return fail("書き込みの準備ができません", errno);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR)
        continue;
      return fail("書き込めません", errno);
    }
    done += static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0)
    return fail("ディスクに書き込めません", errno);
  if (::close(fd) != 0) {
    const int error = errno;
    ::unlink(temp.c_str());
    return "'" + path + "' を保存できません（書き込めません: " + reason(error) +
           "）。元のファイルはそのままです。";
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    const int error = errno;
    ::unlink(temp.c_str());
    return "'" + path + "' を保存できません（名前を置き換えられません: " + reason(error) +
           "）。元のファイルはそのままです。";
  }
  // The rename itself reaches the disk with the folder.
  const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return {};
}

} // namespace zelvaro::batch
