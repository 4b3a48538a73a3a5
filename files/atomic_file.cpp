#include "files/atomic_file.h"

#include "files/system_error_text.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <unistd.h>

namespace zelvaro {

namespace {

// Six characters that make the temporary name unlikely to be taken already.
std::string random_suffix() {
  static unsigned long long state =
      static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
      (static_cast<unsigned long long>(::getpid()) << 32);
  constexpr char digits[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::string s(6, '0');
  for (char &c : s) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    c = digits[(state >> 33) % 62];
  }
  return s;
}

bool write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR)
        continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

} // namespace

int write_file_atomically(int dir_fd, const std::string &name, std::string_view bytes, bool sync) {
  std::string temp;
  int fd = -1;
  for (int attempt = 0; fd < 0; ++attempt) {
    temp = "." + name + "." + random_suffix();
    fd = ::openat(dir_fd, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0 && (errno != EEXIST || attempt == 100))
      return errno;
  }
  bool ok = write_all(fd, bytes) && (!sync || ::fsync(fd) == 0);
  int error = ok ? 0 : errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  // A name already there, even a link, is replaced, never written through.
  if (ok && ::renameat(dir_fd, temp.c_str(), dir_fd, name.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok)
    ::unlinkat(dir_fd, temp.c_str(), 0);
  return error;
}

std::string save_file(const std::string &path, std::string_view bytes) {
  const std::size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.empty())
    return "ファイル名がありません。";
  const int dir_fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir_fd < 0)
    return "フォルダ '" + dir + "' を開けません: " + system_error_text(errno);
  int error = write_file_atomically(dir_fd, name, bytes, true);
  if (error == 0 && ::fsync(dir_fd) != 0 && errno != EINVAL) // the rename itself
    error = errno;
  ::close(dir_fd);
  return error == 0 ? std::string() : system_error_text(error);
}

std::string save_file_said(const std::string &path, std::string_view bytes) {
  const std::string why = save_file(path, bytes);
  return why.empty() ? why : "'" + path + "' を保存できません: " + why + "元のファイルはそのままです。";
}

std::string read_file(const std::string &path, std::string &bytes) {
  bytes.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  int error = fd < 0 ? errno : 0;
  if (fd >= 0) {
    char block[65536];
    for (;;) {
      const ssize_t n = ::read(fd, block, sizeof block);
      if (n < 0 && errno == EINTR)
        continue;
      if (n <= 0) {
        error = n < 0 ? errno : 0;
        break;
      }
      bytes.append(block, static_cast<std::size_t>(n));
    }
    ::close(fd);
  }
  return error == 0 ? std::string() : "'" + path + "' を開けません: " + system_error_text(error);
}

} // namespace zelvaro
