#pragma once

// Reading a file the user named, as a schedule is read: only a regular file
// (a FIFO or a device would block the reader or never end), opened without
// waiting, up to a size stated in the refusal, in pieces so that memory
// stays near the file's own size. Standard C++ and POSIX only.

#include <cstddef>
#include <string>

namespace zelvaro {

// The largest schedule opened: far beyond any building's equipment list.
constexpr std::size_t MaxScheduleBytes = 64u << 20;

// Reads the regular file at `path` into `bytes`. Returns an empty string,
// or why not (Japanese, without the path: the caller names it).
std::string read_regular_file(const std::string &path, std::string &bytes,
                              std::size_t limit = MaxScheduleBytes);

// Reads the open descriptor to its end into `bytes`, a pipe too. Returns 0,
// EFBIG when more than `limit` bytes come, or the errno of the failed read.
int read_to_end(int fd, std::string &bytes, std::size_t limit = MaxScheduleBytes);

// "64 MB": the limit as the refusals state it.
std::string size_limit_text(std::size_t limit = MaxScheduleBytes);

} // namespace zelvaro
