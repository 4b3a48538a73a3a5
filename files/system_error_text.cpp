#include "files/system_error_text.h"

#include <cerrno>

namespace zelvaro {

namespace {
// Several numbers may share their words.
constexpr SystemErrorWords Words[] = {
    {ENOSPC, "There is no space left on the disk.", "ディスクに空きがありません。"},
    {EDQUOT, "The disk quota is exceeded.", "ディスクの使用量の上限を超えました。"},
    {EFBIG, "The file is too large.", "ファイルが大きすぎます。"},
    {EBADF, "It is closed (not open).", "閉じられています（開かれていません）。"},
    {EPIPE, "The reader has gone (the pipe was closed).",
     "読み手がいなくなりました（パイプが閉じられました）。"},
    {EIO, "An input/output error (the device may be failing or disconnected).",
     "入出力エラーが起きました（装置の故障や切断のおそれがあります）。"},
    {EACCES, "Access is not permitted.", "アクセスが許可されていません。"},
    {EPERM, "Access is not permitted.", "アクセスが許可されていません。"},
    {EROFS, "The place is read-only.", "読み取り専用の場所です。"},
    {ENOENT, "It does not exist.", "ありません。"},
    {ENOTDIR, "Something on the way is not a folder.", "途中にフォルダでないものがあります。"},
    {EISDIR, "It is a folder; give a file.", "フォルダです。ファイルを指定してください。"},
    {EEXIST, "Something of the same name exists already.", "同じ名前のものがすでにあります。"},
    {ENAMETOOLONG, "The name is too long.", "名前が長すぎます。"},
    {EMFILE, "Too many files are open.", "開いているファイルが多すぎます。"},
    {ENFILE, "Too many files are open.", "開いているファイルが多すぎます。"},
    {ENOMEM, "Out of memory.", "メモリが足りません。"},
    {ELOOP, "It is a symbolic link (not followed).", "シンボリックリンクです（たどりません）。"},
    {ECONNRESET, "The other end has gone.", "接続先がなくなりました。"},
    {ENXIO, "The other end has gone.", "接続先がなくなりました。"},
    {ENODEV, "The other end has gone.", "接続先がなくなりました。"},
    {EINVAL, "This output cannot be written to.", "この出力先には書けません。"},
};
} // namespace

const SystemErrorWords *system_error_words_of(int errnum) {
  for (const SystemErrorWords &w : Words)
    if (w.errnum == errnum)
      return &w;
  return nullptr;
}

std::string system_error_text(int errnum) {
  if (const SystemErrorWords *w = system_error_words_of(errnum))
    return w->japanese;
  return "システムのエラーです（エラー番号 " + std::to_string(errnum) + "）。";
}

} // namespace zelvaro
