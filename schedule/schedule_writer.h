#pragma once

// Saving a file so that the user's old file survives any failure: the new
// contents go to a temporary file in the same folder, which is flushed to the
// disk and then renamed over the old name.

#include <string>
#include <string_view>

namespace zelvaro::batch {

// Returns an empty string, or a Japanese message naming what failed (no
// permission, disk full, ...); on failure the file at `path` is untouched
// and no temporary file is left behind. As files/atomic_file.h's save_file:
// through a link, keeping the mode, a read-only file only when allowed.
std::string write_file_atomically(const std::string &path, std::string_view bytes,
                                  bool replace_read_only = false);

} // namespace zelvaro::batch
