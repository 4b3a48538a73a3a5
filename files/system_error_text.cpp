#include "files/system_error_text.h"

#include <cerrno>

namespace zelvaro {

std::string system_error_text(int errnum) {
  switch (errnum) {
  case ENOSPC:
    return "ディスクに空きがありません。";
  case EDQUOT:
    return "ディスクの使用量の上限を超えました。";
  case EFBIG:
    return "ファイルが大きすぎます。";
  case EBADF:
    return "閉じられています（開かれていません）。";
  case EPIPE:
    return "読み手がいなくなりました（パイプが閉じられました）。";
  case EIO:
    return "入出力エラーが起きました（装置の故障や切断のおそれがあります）。";
  case EACCES:
  case EPERM:
    return "アクセスが許可されていません。";
  case EROFS:
    return "読み取り専用の場所です。";
  case ENOENT:
    return "ありません。";
  case ENOTDIR:
    return "途中にフォルダでないものがあります。";
  case EISDIR:
    return "フォルダです。ファイルを指定してください。";
  case EEXIST:
    return "同じ名前のものがすでにあります。";
  case ENAMETOOLONG:
    return "名前が長すぎます。";
  case EMFILE:
  case ENFILE:
    return "開いているファイルが多すぎます。";
  case ENOMEM:
    return "メモリが足りません。";
  case ELOOP:
    return "シンボリックリンクです（たどりません）。";
  case ECONNRESET:
  case ENXIO:
  case ENODEV:
    return "接続先がなくなりました。";
  case EINVAL:
    return "この出力先には書けません。";
  default:
    return "システムのエラーです（エラー番号 " + std::to_string(errnum) + "）。";
  }
}

} // namespace zelvaro
