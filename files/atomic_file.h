#pragma once

// Saving a file so that its name only ever shows a complete file: the bytes
// go to a temporary name in the same folder (".NAME.XXXXXX", never a name a
// report or sheet gets), which is renamed over NAME once every byte is written
// and the file is closed. On any failure the temporary file is removed and
// NAME is left as it was.

#include <string>
#include <string_view>

namespace zelvaro {

// In the open folder `dir_fd`; `name` is one path component. With `sync`
// the file is flushed to the disk (fsync) before the rename. Returns 0, or
// the errno of the step that failed.
int write_file_atomically(int dir_fd, const std::string &name, std::string_view bytes, bool sync);

// The same for a path (its folder must exist), always with fsync. Returns an
// empty string, or why the file could not be saved (Japanese).
std::string save_file(const std::string &path, std::string_view bytes);
// The same, said whole for a message box: empty, or
// 「'PATH' を保存できません: why。元のファイルはそのままです。」
std::string save_file_said(const std::string &path, std::string_view bytes);

// Reads the whole file at `path` into `bytes`. Returns an empty string, or
// 「'PATH' を開けません: why」 (Japanese, whatever the locale).
std::string read_file(const std::string &path, std::string &bytes);

// Whether `name` is a temporary name made by write_file_atomically for a file
// whose own name satisfies `final_name`.
template <class Pred> bool is_temporary_of(std::string_view name, Pred final_name) {
  constexpr std::size_t Suffix = 7; // ".XXXXXX"
  return name.size() > 1 + Suffix && name[0] == '.' && name[name.size() - Suffix] == '.' &&
         final_name(name.substr(1, name.size() - 1 - Suffix));
}

} // namespace zelvaro
