#include "schedule/schedule_writer.h"

#include "files/atomic_file.h"

namespace zelvaro::batch {

std::string write_file_atomically(const std::string &path, std::string_view bytes, bool replace_read_only) {
  const std::string why = save_file(path, bytes, replace_read_only);
  return why.empty() ? why : "'" + path + "' を保存できません: " + why + "元のファイルはそのままです。";
}

} // namespace zelvaro::batch
