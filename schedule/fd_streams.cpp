#include "schedule/fd_streams.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace zelvaro::batch {

namespace {
volatile std::sig_atomic_t stop_number = 0;

extern "C" void on_stop_signal(int number) {
  stop_number = number;
}
} // namespace

std::streamsize FdInputBuf::read_some(char *s, std::streamsize n) {
  for (;;) {
    const ssize_t got = ::read(fd_, s, static_cast<std::size_t>(n));
    if (got >= 0)
      return got;
    if (errno != EINTR)
      throw std::system_error(errno, std::generic_category());
    if (stop_number != 0)
      throw ReadInterrupted{};
  }
}

FdInputBuf::int_type FdInputBuf::underflow() {
  if (gptr() < egptr())
    return traits_type::to_int_type(*gptr());
  const std::streamsize n = read_some(buffer_, sizeof buffer_);
  if (n == 0)
    return traits_type::eof();
  setg(buffer_, buffer_, buffer_ + n);
  return traits_type::to_int_type(*gptr());
}

std::streamsize FdInputBuf::xsgetn(char *s, std::streamsize n) {
  if (n <= 0)
    return 0;
  if (gptr() < egptr()) {
    const std::streamsize held = std::min<std::streamsize>(n, egptr() - gptr());
    std::copy(gptr(), gptr() + held, s);
    gbump(static_cast<int>(held));
    return held;
  }
  return read_some(s, n);
}

FdInputBuf::pos_type FdInputBuf::seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode) {
  if (off != 0 || dir != std::ios_base::cur)
    return pos_type(off_type(-1));
  const off_t at = ::lseek(fd_, 0, SEEK_CUR);
  return at < 0 ? pos_type(off_type(-1)) : pos_type(off_type(at - (egptr() - gptr())));
}

int write_all(int fd, const char *bytes, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, bytes, size);
    if (n < 0) {
      if (errno == EINTR)
        continue;
      return errno;
    }
    bytes += n;
    size -= static_cast<std::size_t>(n);
  }
  return 0;
}

std::streamsize FdOutputBuf::xsputn(const char *s, std::streamsize n) {
  const int error = write_all(fd_, s, static_cast<std::size_t>(n));
  if (error == 0)
    return n;
  errno = error;
  return 0;
}

FdOutputBuf::int_type FdOutputBuf::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof()))
    return traits_type::not_eof(c);
  const char byte = traits_type::to_char_type(c);
  return xsputn(&byte, 1) == 1 ? c : traits_type::eof();
}

void catch_stop_signals() {
  struct sigaction action = {};
  action.sa_handler = on_stop_signal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND; // no SA_RESTART: a waiting read returns
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

const volatile std::sig_atomic_t *stop_signal() {
  return &stop_number;
}

void hold_closed_standard_descriptors() {
  for (int fd = 0; fd <= 2; ++fd)
    if (::fcntl(fd, F_GETFD) < 0 && errno == EBADF) {
      // open() takes the lowest free number, which is this one.
      const int held = ::open("/dev/null", (fd == 0 ? O_WRONLY : O_RDONLY) | O_CLOEXEC);
      if (held >= 0 && held != fd)
        ::close(held);
    }
}

} // namespace zelvaro::batch
