#pragma once

// What the batch says in words: the lines it writes to the diagnostics
// stream (standard error), the errors of the report folders and the
// messages of refused rows. Each is a template in which %1, %2, ... stand
// for the values its comment names, so that a translation may put them in
// its own order. The defaults are the window's Japanese; zelvaro-check
// gives the texts of the user's language. The verdict table is not told in
// these: its cells keep the defaults whatever the language, so that one
// schedule gives one table.

#include "files/system_error_text.h"

#include <initializer_list>
#include <string>
#include <string_view>

namespace zelvaro::batch {

struct BatchTexts {
  // %1 line
  std::string row = "%1行目: ";
  // %1 line, %2 id
  std::string row_with_id = "%1行目（id %2）: ";
  // %1 items, %2 passed, %3 short, %4 refused
  std::string counts = "件数 %1、問題無し %2、不足 %3、拒否 %4";
  // %1 rows whose files could not be written (after counts)
  std::string counts_write_failures = "、書き込み失敗 %1";
  // %1 rows read
  std::string progress_rows = "%1 行";
  // %1 the signal (sigint or sigterm), %2 line
  std::string stopped =
      "%1 を受けたので中止しました。判定表は %2行目までの行で終わります（書いた計算書はすべて完全です）。";
  std::string sigint = "SIGINT（Ctrl+C）";
  std::string sigterm = "SIGTERM";
  std::string no_header = "見出し行がありません（入力が空です）。";
  // %1 line, %2 why
  std::string header_unreadable = "見出し行（%1行目）を読めません: %2";
  // %1 name, %2 and %3 its columns
  std::string header_twice = "見出し行の列名 '%1' が二度あります（%2列目と%3列目）。";
  // %1 name, %2 column, %3 the names there are
  std::string header_unknown =
      "見出し行の列名 '%1'（%2列目）は使えません。使える列名（大文字と小文字は区別します）: %3";
  std::string no_rows = "見出し行の後に計算する行がありません。";
  // %1 column
  std::string column = "%1列目: ";
  // %1 column, %2 its name
  std::string column_named = "%1列目（%2）: ";
  std::string quote_in_unquoted =
      "\" で囲まれていない値の中に \" があります（値全体を \" で囲み、中の \" は二つ重ねてください）。";
  std::string quote_open_at_line_end = "\" が行の終わりまでに閉じられていません（上の行で閉じられていない \" "
                                       "があったため、この行は一行だけで読みました）。";
  // %1 the most columns
  std::string too_many_fields = "列が多すぎます（%1 列を超えています）。";
  // %1 byte offset from 1
  std::string nul_byte = "使えないバイト 0x00（NUL）があります（%1バイト目）。";
  // %1 byte offset from 1
  std::string byte_order_mark = "ファイルの途中に BOM（EF BB BF）があります（%1バイト目）。";
  std::string text_after_quote = "閉じる \" の後に文字があります。";
  // %1 line the quote opened on
  std::string quote_open_at_end = "%1行目で開いた \" がファイルの終わりまで閉じられていません。";
  // %1 cells, %2 columns of the header
  std::string wrong_field_count = "項目の数が %1 で、見出し行の %2 と合いません。";
  // %1 the most bytes
  std::string too_long = "行が長すぎます（%1 バイトを超えています）。";
  // %1 the byte (hex), %2 byte offset from 1
  std::string invalid_utf8 = "UTF-8 として読めないバイト 0x%1 があります（%2バイト目）。Shift_JIS "
                             "で保存したファイルなら --encoding cp932 を指定してください。";
  // %1 the byte (hex), %2 byte offset from 1
  std::string invalid_cp932 = "CP932 として読めないバイト 0x%1 があります（%2バイト目）。";
  std::string bom_read_as_cp932 =
      "ファイルは UTF-8 の BOM で始まっていますが、CP932 として読んでいます。--encoding を確かめてください。";
  std::string shape_word = "形状";
  std::string anchor_word = "ｱﾝｶ種類";
  std::string material_word = "材質";
  // %1 the column's name
  std::string no_column = "%1 列がありません。見出し行に %1 列を加えてください。";
  // %1 what (shape_word ...), %2 the column, %3 the values there are
  std::string empty_selection = "%1（%2）が空欄です。%3 のいずれかを書いてください。";
  // %1 what, %2 the column, %3 the cell, %4 the values there are
  std::string unknown_selection = "%1（%2）'%3' は使えません。%4 のいずれかを書いてください。";
  // %1 bytes of the id, %2 the most
  std::string id_too_long = "id が長すぎます（%1 バイト。%2 バイトまでにしてください）。";
  // %1 failures in a row, %2 line
  std::string write_failures_stop = "計算書の書き込みが %1 件続けて失敗したので、%2行目で中止します。";
  // %1 line read last, %2 why
  std::string read_failed_at = "機器表を読めません（%1行目まで読んだところで）: %2";
  // %1 why
  std::string read_failed = "機器表を読めません: %1";
  // %1 line, %2 why
  std::string table_write_failed = "判定表を書けません（%1行目で中止します）: %2";
  std::string write_failed = "書き込みに失敗しました。";
  // %1 why
  std::string cannot_continue = "処理を続けられません: %1";
  // %1 folder, %2 why
  std::string folder_open = "計算書のフォルダ '%1' を開けません: %2";
  // %1 folder, %2 why
  std::string folder_write = "計算書のフォルダ '%1' に書けません: %2";
  // %1 folder
  std::string folder_busy = "計算書のフォルダ '%1' は別の zelvaro-check --batch "
                            "が使用中です。終わってから実行するか、別のフォルダを指定してください。";
  // %1 folder, %2 why
  std::string folder_read = "計算書のフォルダ '%1' を読めません: %2";
  // %1 folder, %2 why
  std::string folder_clear = "計算書のフォルダ '%1' の前の計算書を消せません: %2";
  // %1 folder, %2 a file in it
  std::string folder_not_empty = "計算書のフォルダ '%1' は空ではありません（'%2' "
                                 "など）。前の結果が今回の結果に見えないよう、空のフォルダを指定するか、前の"
                                 "計算書を消して書き直すなら --replace を指定してください。";
  // %1 line
  std::string report_name = "計算書ファイル名を作れません（%1行目）";
  // %1 file, %2 why
  std::string report_write = "計算書ファイル '%1' を書けません: %2";
  // %1 folder, %2 why
  std::string folder_sync = "計算書のフォルダ '%1' をディスクに書き込めません: %2";
  // %1 line
  std::string sheet_failed = "計算書（PDF）を作れません（%1行目）";
  std::string no_cp932 = "この C ライブラリには CP932 の変換がありません。";

  // Why a read or a write failed, from the error number.
  std::string (*system_error)(int) = system_error_text;

  bool operator==(const BatchTexts &) const = default;
};

// The defaults, made once.
const BatchTexts &default_texts();

// `text` with %1, %2, ... (up to %9) replaced by `args`, appended to `out`.
// A % not followed by the number of an argument is kept.
void append_filled(std::string &out, std::string_view text, std::initializer_list<std::string_view> args);
std::string filled(std::string_view text, std::initializer_list<std::string_view> args);

} // namespace zelvaro::batch
