#include "files/atomic_file.h"

#include "files/system_error_text.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
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

constexpr const char *ReadOnlyRefused = "読み取り専用のファイルです（置き換えません）。";

} // namespace

int write_file_atomically(int dir_fd, const std::string &name, std::string_view bytes, bool sync) {
  // The file replaced keeps its mode (a private sheet stays private) and,
  // where allowed, its owner; a new one gets the usual mode.
  struct stat old {};
  const bool replacing =
      ::fstatat(dir_fd, name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(old.st_mode);
  std::string temp;
  int fd = -1;
  for (int attempt = 0; fd < 0; ++attempt) {
    // A name of the system's full length leaves no room for the suffix.
    temp = name.size() + 8 <= NAME_MAX ? "." + name + "." + random_suffix() : ".zelvaro." + random_suffix();
    fd = ::openat(dir_fd, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0 && (errno != EEXIST || attempt == 100))
      return errno;
  }
  bool ok = !replacing || ::fchmod(fd, old.st_mode & 07777) == 0;
  // Only root may give the file back to another owner; for anyone else it is theirs anyway.
  if (ok && replacing && (old.st_uid != ::geteuid() || old.st_gid != ::getegid()))
    (void)!::fchown(fd, old.st_uid, old.st_gid);
  ok = ok && write_all(fd, bytes) && (!sync || ::fsync(fd) == 0);
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

int save_target(const std::string &path, std::string &target) {
  target = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
      return 0; // a file, or a name still free
    std::string link(PATH_MAX, '\0');
    const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
    if (n < 0)
      return errno;
    link.resize(static_cast<std::size_t>(n));
    const std::size_t slash = target.rfind('/');
    if (!link.starts_with('/') && slash != std::string::npos)
      link = target.substr(0, slash + 1) + link; // relative to the link's folder
    target = link;
  }
  return ELOOP;
}

bool is_read_only(const std::string &path) {
  std::string target;
  struct stat st {};
  if (save_target(path, target) != 0 || ::stat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
    return false;
  // Root may write anything: the mode still says what the owner meant.
  return (st.st_mode & 0222) == 0 || (::access(target.c_str(), W_OK) != 0 && errno == EACCES);
}

std::string check_save_target(const std::string &path, bool replace_read_only) {
  std::string target;
  if (const int error = save_target(path, target))
    return system_error_text(error);
  if (!replace_read_only && is_read_only(target))
    return ReadOnlyRefused;
  const std::size_t slash = target.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
  if (::access(dir.c_str(), W_OK | X_OK) != 0)
    return "フォルダ '" + dir + "': " + system_error_text(errno);
  return {};
}

std::string save_file(const std::string &path, std::string_view bytes, bool replace_read_only) {
  // Saved through a link into its target: the link stays, the shared file changes.
  std::string target;
  if (const int error = save_target(path, target))
    return system_error_text(error);
  if (!replace_read_only && is_read_only(target))
    return ReadOnlyRefused;
  const std::size_t slash = target.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
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

} // namespace zelvaro
