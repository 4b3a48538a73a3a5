#pragma once

// Standard input and output (or a schedule file) as streams over their file
// descriptors, so that every failure is seen: a read error is an error, never
// the end of the file (std::cin takes EIO for one), a write error keeps its
// errno, and a stop signal can end a read that waits.

#include <csignal>
#include <streambuf>
#include <string>
#include <string_view>

namespace zelvaro::batch {

// Thrown from a read that a stop signal (see catch_stop_signals) interrupted.
struct ReadInterrupted {};

// Reads `fd`. A failed read throws std::system_error (with its errno), which
// reaches the reader when the istream has exceptions(badbit).
class FdInputBuf : public std::streambuf {
public:
  explicit FdInputBuf(int fd) : fd_(fd) {}

protected:
  int_type underflow() override;
  // Gives what one read returns, not waiting for `n` bytes: rows that came
  // through a pipe are read while the writer is still writing.
  std::streamsize xsgetn(char *s, std::streamsize n) override;
  pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode which) override;

private:
  std::streamsize read_some(char *s, std::streamsize n);
  int fd_;
  char buffer_[64 * 1024];
};

// Bytes held elsewhere read in place (a schedule already in memory), not
// copied as an istringstream would copy them.
class ViewInputBuf : public std::streambuf {
public:
  explicit ViewInputBuf(std::string_view bytes) {
    char *at = const_cast<char *>(bytes.data()); // only ever read
    setg(at, at, at + bytes.size());
  }
};

// Writes to `fd` at once (callers buffer). A failed write leaves errno as the
// system set it and fails the stream.
class FdOutputBuf : public std::streambuf {
public:
  explicit FdOutputBuf(int fd) : fd_(fd) {}

protected:
  std::streamsize xsputn(const char *s, std::streamsize n) override;
  int_type overflow(int_type c) override;

private:
  int fd_;
};

// The verdict table on a terminal: each line's control, bidi and separator
// characters escaped as terminal_text escapes them (UTF-8 text, before any
// encoding), its line break (CR LF or LF) kept, so that a schedule's cells
// cannot drive or reorder the terminal. Lines go on to `target` whole.
class TerminalTextBuf : public std::streambuf {
public:
  explicit TerminalTextBuf(std::streambuf &target) : target_(target) {}
  ~TerminalTextBuf() override { forward(true); }

protected:
  std::streamsize xsputn(const char *s, std::streamsize n) override;
  int_type overflow(int_type c) override;
  int sync() override;

private:
  // Sends the complete lines held (all of it with `all`); false when the
  // target took less.
  bool forward(bool all);
  std::streambuf &target_;
  std::string pending_, escaped_;
};

// Writes all of `bytes` to `fd`; 0 or the errno of the failed write.
int write_all(int fd, const char *bytes, std::size_t size);

// SIGINT and SIGTERM no longer end the program at once: they set the number
// stop_signal() returns, which the batch checks between rows. A second one
// ends the program as usual, after removing the temporary files of the
// saves under way.
void catch_stop_signals();
const volatile std::sig_atomic_t *stop_signal();

// A standard descriptor (0, 1, 2) that was closed is taken by /dev/null
// opened the wrong way round, so that nothing opened later lands on it and
// every read or write of it fails with EBADF ("closed").
void hold_closed_standard_descriptors();

} // namespace zelvaro::batch
