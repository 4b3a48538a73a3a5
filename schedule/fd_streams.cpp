#include "schedule/fd_streams.h"

#include "files/atomic_file.h"
#include "schedule/batch.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <string_view>
#include <system_error>
#include <unistd.h>

namespace zelvaro::batch {

namespace {
volatile std::sig_atomic_t stop_number = 0;

extern "C" void on_stop_signal(int number) {
  if (stop_number == 0) {
    stop_number = number;
    return;
  }
  // A second one ends the program as the signal does, without the
  // temporary files of the saves under way.
  remove_temporary_files();
  std::signal(number, SIG_DFL);
  std::raise(number);
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
  action.sa_flags = 0; // no SA_RESTART: a waiting read returns
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

const volatile std::sig_atomic_t *stop_signal() {
  return &stop_number;
}

std::streamsize TerminalTextBuf::xsputn(const char *s, std::streamsize n) {
  pending_.append(s, static_cast<std::size_t>(n));
  if (std::string_view(s, static_cast<std::size_t>(n)).find('\n') != std::string_view::npos &&
      !forward(false))
    return 0;
  return n;
}

TerminalTextBuf::int_type TerminalTextBuf::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof()))
    return traits_type::not_eof(c);
  const char ch = traits_type::to_char_type(c);
  return xsputn(&ch, 1) == 1 ? c : traits_type::eof();
}

int TerminalTextBuf::sync() {
  return forward(true) ? target_.pubsync() : -1;
}

bool TerminalTextBuf::forward(bool all) {
  const std::size_t end = all ? pending_.size() : pending_.rfind('\n') + 1;
  if (end == 0 || end > pending_.size())
    return true;
  escaped_.clear();
  const std::string_view held(pending_.data(), end);
  for (std::size_t from = 0; from < held.size();) {
    std::size_t to = held.find('\n', from);
    to = to == std::string_view::npos ? held.size() : to + 1;
    std::string_view line = held.substr(from, to - from);
    std::size_t body = line.size();
    if (line.ends_with("\r\n"))
      body -= 2;
    else if (line.ends_with('\n'))
      body -= 1;
    append_terminal_text(escaped_, line.substr(0, body));
    escaped_.append(line.substr(body));
    from = to;
  }
  pending_.erase(0, end);
  return target_.sputn(escaped_.data(), static_cast<std::streamsize>(escaped_.size())) ==
         static_cast<std::streamsize>(escaped_.size());
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
