#pragma once

// Saving a file so that its name only ever shows a complete file: the bytes
// go to a temporary name in the same folder (".NAME.XXXXXX", never a name a
// report or sheet gets), which is renamed over NAME once every byte is written
// and the file is closed. On any failure the temporary file is removed and
// NAME is left as it was. A file replaced keeps its mode. A name too long
// for the suffix gets a short temporary name (".zelvaro.XXXXXX").

#include <string>
#include <string_view>

namespace zelvaro {

// In the open folder `dir_fd`; `name` is one path component. With `sync`
// the file is flushed to the disk (fsync) before the rename. Returns 0, or
// the errno of the step that failed.
int write_file_atomically(int dir_fd, const std::string &name, std::string_view bytes, bool sync);

// The same for a path (its folder must exist), always with fsync. A symbolic
// link is saved through: its target is replaced in the target's folder, and
// the link stays. A read-only file is refused unless `replace_read_only`
// (the window asks the user first). Returns an empty string, or why the
// file could not be saved (Japanese).
std::string save_file(const std::string &path, std::string_view bytes, bool replace_read_only = false);
// The same, said whole for a message box: empty, or
// 「'PATH' を保存できません: why。元のファイルはそのままです。」
std::string save_file_said(const std::string &path, std::string_view bytes, bool replace_read_only = false);

// Reads the schedule file at `path` into `bytes` (read_file.h's
// read_regular_file: a regular file only, bounded). Returns an empty string,
// or 「'PATH' を開けません: why」 (Japanese, whatever the locale).
std::string read_file(const std::string &path, std::string &bytes);

// A file being saved under `path`, written through its descriptor: the
// bytes go to a temporary file beside the name it replaces (a link
// followed, the mode kept, a read-only file refused unless allowed), which
// commit() renames over that name. Destroyed without a commit (a failure,
// a stop), the temporary file is removed and the name keeps its old file.
//
// An existing name that is no regular file (a device such as /dev/null, a
// FIFO, a socket) is never replaced: it is refused, or with
// `write_into_device` opened and written straight (no temporary file; the
// command line's -o /dev/stdout). A FIFO without a reader is refused at once
// instead of waiting for one.
class AtomicFile {
public:
  explicit AtomicFile(const std::string &path, bool replace_read_only = false,
                      bool write_into_device = false);
  ~AtomicFile();
  AtomicFile(const AtomicFile &) = delete;
  AtomicFile &operator=(const AtomicFile &) = delete;

  int fd() const { return fd_; } // -1 when it could not be made: error() says why
  const std::string &error() const { return error_; }
  // The errno behind error(), 0 when the file was refused as read-only.
  int error_number() const { return errno_; }
  // Flushes to the disk and renames; `failed` is the errno of a write that
  // failed already (then nothing is renamed). Returns an empty string, or
  // why the file could not be saved (Japanese).
  std::string commit(int failed = 0);
  // The same, returning 0 or the errno of the step that failed.
  int commit_error(int failed = 0);

private:
  int dir_fd_ = -1, fd_ = -1, errno_ = 0;
  bool device_ = false; // fd_ is the device itself
  int slot_ = -1;       // where remove_temporary_files finds the temporary file
  std::string name_, temp_, error_;
};

// Removes the temporary files of the AtomicFiles alive now. Safe to call
// from a signal handler (a program ended by a signal runs no destructors).
void remove_temporary_files() noexcept;

// Whether `path` (a link followed) is a file its owner made read-only, or
// one this user may not write: saving over it needs the user's word.
bool is_read_only(const std::string &path);

// Whether a save to `path` can be made, asked before long work: the folder
// of the name it replaces (a link followed) exists and may be written, and
// the file is not read-only unless `replace_read_only`. Returns an empty
// string, or why not (Japanese).
std::string check_save_target(const std::string &path, bool replace_read_only = false);

// The name a save to `path` replaces: the final target of a symbolic link
// (relative links read from the link's folder), else `path` itself.
// Returns 0, or the errno (ELOOP for a loop of links).
int save_target(const std::string &path, std::string &target);

// Whether `name` is a temporary name made by write_file_atomically for a file
// whose own name satisfies `final_name`.
template <class Pred> bool is_temporary_of(std::string_view name, Pred final_name) {
  constexpr std::size_t Suffix = 7; // ".XXXXXX"
  return name.size() > 1 + Suffix && name[0] == '.' && name[name.size() - Suffix] == '.' &&
         final_name(name.substr(1, name.size() - 1 - Suffix));
}

} // namespace zelvaro
