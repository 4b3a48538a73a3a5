#include "files/read_file.h"

#include "files/system_error_text.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zelvaro {

namespace {

std::string not_a_file(mode_t mode) {
  if (S_ISDIR(mode))
    return system_error_text(EISDIR);
  const char *what = S_ISFIFO(mode)   ? "FIFO（名前付きパイプ）"
                     : S_ISCHR(mode)  ? "装置（キャラクタデバイス）"
                     : S_ISBLK(mode)  ? "装置（ブロックデバイス）"
                     : S_ISSOCK(mode) ? "ソケット"
                                      : "特殊なファイル";
  return std::string(what) + "です。機器表のファイル（CSV）を指定してください。";
}

std::string too_large(std::size_t limit) {
  return "ファイルが大きすぎます（機器表として開けるのは " + size_limit_text(limit) + " までです）。";
}

} // namespace

std::string size_limit_text(std::size_t limit) {
  return std::to_string(limit >> 20) + " MB";
}

int read_to_end(int fd, std::string &bytes, std::size_t limit) {
  bytes.clear();
  constexpr std::size_t Piece = 1u << 20;
  for (;;) {
    const std::size_t at = bytes.size();
    // At the limit one more byte, read aside, tells "exactly the limit"
    // from "more"; the buffer never grows past the limit.
    char more;
    if (at == limit) {
      const ssize_t n = ::read(fd, &more, 1);
      if (n < 0 && errno == EINTR)
        continue;
      if (n < 0)
        return errno;
      if (n == 0)
        return 0;
      bytes.clear();
      bytes.shrink_to_fit();
      return EFBIG;
    }
    // Room grows by doubling only when the space reserved is full (a file
    // reserves its size and a byte): memory stays near what was read.
    if (bytes.capacity() == at)
      bytes.reserve(std::min(std::max(2 * at, Piece), limit));
    const std::size_t want = std::min({bytes.capacity() - at, Piece, limit - at});
    bytes.resize(at + want);
    const ssize_t n = ::read(fd, bytes.data() + at, want);
    const int error = n < 0 ? errno : 0;
    bytes.resize(at + static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
    if (error == EINTR)
      continue;
    if (error != 0)
      return error;
    if (n == 0)
      return 0;
  }
}

std::string read_regular_file(const std::string &path, std::string &bytes, std::size_t limit) {
  bytes.clear();
  // Refused before opening: opening some devices already does something.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0)
    return system_error_text(errno);
  if (!S_ISREG(st.st_mode))
    return not_a_file(st.st_mode);
  // Without waiting, should a FIFO have taken the name since.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0)
    return system_error_text(errno);
  std::string error;
  if (::fstat(fd, &st) != 0)
    error = system_error_text(errno);
  else if (!S_ISREG(st.st_mode))
    error = not_a_file(st.st_mode);
  else if (static_cast<std::uint64_t>(st.st_size) > limit)
    error = too_large(limit);
  else {
    bytes.reserve(std::min(static_cast<std::size_t>(st.st_size) + 1, limit)); // the end seen without growing
    if (const int failed = read_to_end(fd, bytes, limit))
      error = failed == EFBIG ? too_large(limit) : system_error_text(failed);
  }
  ::close(fd);
  if (!error.empty()) {
    bytes.clear();
    bytes.shrink_to_fit();
  }
  return error;
}

} // namespace zelvaro
