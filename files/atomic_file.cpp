#include "files/atomic_file.h"

#include "files/read_file.h"
#include "files/system_error_text.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

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
constexpr const char *NotRegular = "通常のファイルではありません（置き換えません）。";

} // namespace

namespace {

// Creates the temporary file for `name` in `dir_fd`, with the mode (and,
// where allowed, the owner) of the file it will replace: a private sheet
// stays private. Returns the descriptor, or -1 with errno set.
int open_temporary(int dir_fd, const std::string &name, std::string &temp) {
  struct stat old {};
  const bool replacing =
      ::fstatat(dir_fd, name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(old.st_mode);
  int fd = -1;
  for (int attempt = 0; fd < 0; ++attempt) {
    // A name of the system's full length leaves no room for the suffix.
    temp = name.size() + 8 <= NAME_MAX ? "." + name + "." + random_suffix() : ".zelvaro." + random_suffix();
    fd = ::openat(dir_fd, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0 && (errno != EEXIST || attempt == 100))
      return -1;
  }
  if (replacing && ::fchmod(fd, old.st_mode & 07777) != 0) {
    const int error = errno;
    ::close(fd);
    ::unlinkat(dir_fd, temp.c_str(), 0);
    errno = error;
    return -1;
  }
  // Only root may give the file back to another owner; for anyone else it is theirs anyway.
  if (replacing && (old.st_uid != ::geteuid() || old.st_gid != ::getegid()))
    (void)!::fchown(fd, old.st_uid, old.st_gid);
  return fd;
}

// Flushes (with `sync`), closes and renames the temporary file over `name`;
// removes it on any failure. `error` is a failure already met. 0 or errno.
int finish(int dir_fd, const std::string &temp, const std::string &name, int fd, int error, bool sync) {
  if (error == 0 && sync && ::fsync(fd) != 0)
    error = errno;
  if (::close(fd) != 0 && error == 0)
    error = errno;
  // A name already there, even a link, is replaced, never written through.
  if (error == 0 && ::renameat(dir_fd, temp.c_str(), dir_fd, name.c_str()) != 0)
    error = errno;
  if (error != 0)
    ::unlinkat(dir_fd, temp.c_str(), 0);
  return error;
}

// The temporary files being written by AtomicFiles, for a signal that ends
// the program: a slot holds its folder and name while `used`.
struct Pending {
  volatile std::sig_atomic_t used = 0;
  int dir_fd = -1;
  char name[NAME_MAX + 1] = {};
};
std::array<Pending, 8> pending;

int remember_temporary(int dir_fd, const std::string &name) {
  for (std::size_t i = 0; i < pending.size(); ++i)
    if (!pending[i].used && name.size() <= NAME_MAX) {
      pending[i].dir_fd = dir_fd;
      name.copy(pending[i].name, name.size());
      pending[i].name[name.size()] = '\0';
      pending[i].used = 1;
      return static_cast<int>(i);
    }
  return -1;
}

void forget_temporary(int slot) {
  if (slot >= 0)
    pending[static_cast<std::size_t>(slot)].used = 0;
}

} // namespace

void remove_temporary_files() noexcept {
  for (Pending &p : pending)
    if (p.used)
      ::unlinkat(p.dir_fd, p.name, 0);
}

int write_file_atomically(int dir_fd, const std::string &name, std::string_view bytes, bool sync) {
  std::string temp;
  const int fd = open_temporary(dir_fd, name, temp);
  if (fd < 0)
    return errno;
  return finish(dir_fd, temp, name, fd, write_all(fd, bytes) ? 0 : errno, sync);
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
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
    return S_ISDIR(st.st_mode) ? system_error_text(EISDIR) : NotRegular;
  const std::size_t slash = target.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
  if (::access(dir.c_str(), W_OK | X_OK) != 0)
    return "フォルダ '" + dir + "': " + system_error_text(errno);
  return {};
}

AtomicFile::AtomicFile(const std::string &path, bool replace_read_only, bool write_into_device) {
  // Saved through a link into its target: the link stays, the shared file changes.
  std::string target;
  if (const int error = save_target(path, target)) {
    errno_ = error;
    error_ = system_error_text(error);
    return;
  }
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    if (S_ISDIR(st.st_mode) || !write_into_device) {
      errno_ = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
      error_ = S_ISDIR(st.st_mode) ? system_error_text(EISDIR) : NotRegular;
      return;
    }
    fd_ = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    const int flags = fd_ < 0 ? -1 : ::fcntl(fd_, F_GETFL);
    if (flags < 0 || ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) != 0) {
      errno_ = errno;
      error_ = system_error_text(errno_);
      if (fd_ >= 0)
        ::close(std::exchange(fd_, -1));
      return;
    }
    device_ = true;
    return;
  }
  if (!replace_read_only && is_read_only(target)) {
    error_ = ReadOnlyRefused;
    return;
  }
  const std::size_t slash = target.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
  name_ = slash == std::string::npos ? target : target.substr(slash + 1);
  if (name_.empty()) {
    errno_ = EISDIR;
    error_ = "ファイル名がありません。";
    return;
  }
  dir_fd_ = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir_fd_ < 0) {
    errno_ = errno;
    error_ = "フォルダ '" + dir + "' を開けません: " + system_error_text(errno_);
    return;
  }
  fd_ = open_temporary(dir_fd_, name_, temp_);
  if (fd_ < 0) {
    errno_ = errno;
    error_ = system_error_text(errno_);
    return;
  }
  slot_ = remember_temporary(dir_fd_, temp_);
}

AtomicFile::~AtomicFile() {
  forget_temporary(slot_);
  if (fd_ >= 0) {
    ::close(fd_);
    if (!device_)
      ::unlinkat(dir_fd_, temp_.c_str(), 0);
  }
  if (dir_fd_ >= 0)
    ::close(dir_fd_);
}

int AtomicFile::commit_error(int failed) {
  if (fd_ < 0)
    return errno_;
  if (device_) {
    const int closed = ::close(std::exchange(fd_, -1)) == 0 ? 0 : errno;
    return failed ? failed : closed;
  }
  int error = finish(dir_fd_, temp_, name_, std::exchange(fd_, -1), failed, true);
  forget_temporary(std::exchange(slot_, -1));
  if (error == 0 && ::fsync(dir_fd_) != 0 && errno != EINVAL) // the rename itself
    error = errno;
  return error;
}

std::string AtomicFile::commit(int failed) {
  if (fd_ < 0)
    return error_;
  const int error = commit_error(failed);
  return error == 0 ? std::string() : system_error_text(error);
}

std::string save_file(const std::string &path, std::string_view bytes, bool replace_read_only) {
  AtomicFile file(path, replace_read_only);
  if (file.fd() < 0)
    return file.error();
  return file.commit(write_all(file.fd(), bytes) ? 0 : errno);
}

std::string save_file_said(const std::string &path, std::string_view bytes, bool replace_read_only) {
  const std::string why = save_file(path, bytes, replace_read_only);
  return why.empty() ? why : "'" + path + "' を保存できません: " + why + "元のファイルはそのままです。";
}

std::string read_file(const std::string &path, std::string &bytes) {
  const std::string why = read_regular_file(path, bytes);
  return why.empty() ? why : "'" + path + "' を開けません: " + why;
}

} // namespace zelvaro
