#include "capture/info_text.h"

#include <array>

namespace zelvaro {

namespace {
// The explanations, in display order.
constexpr std::array<const char *, 9> Sentences{
    "本ｿﾌﾄは実地震に対し耐震性の信頼性を確認するもので、確実な安全性は保障できませんので、御了承ください。",
    "計算結果では躯体と機械設備類を接合する「基礎ボルト強度」と躯体と基礎ボルトの「密着性」を判定します。",
    "使用法は①～⑤の各データを選択、入力し計算ボタンを押すことで計算結果が⑥のテキストに表示されます。",
    "設計水平震度は「1.0」、地域係数も「1.0」が一般的です。",
    "安全を見れば、設計水平震度は「2.0」を取ることを勧めます。",
    "基準は営繕建築設備耐震設計･施工指針1997年版（以下指針）により求めています。",
    "ﾎﾞﾙﾄ断面積は呼径面積*0.75(JIS_B1051断面積の概算係数)です。基準強度SS,"
    "SUSは指針のP174より求めていきます。",
    "鉄筋溶接ｱﾝｶとはどうしても躯対鉄筋に溶接で基礎ﾎﾞﾙﾄを接合しなければならない場合,"
    "その必要溶接長さを示します。",
    "その溶接は余裕は50%，溶接喉厚は鉄筋径φ13の半分6.5mm，溶接基準強度71."
    "246MPaは指針Ｐ180の2100ｋｇｆよりP182計算とで算出しています。",
};
} // namespace

std::string info_text() {
  // Nine sentences each with its line break, then four pieces that are a line
  // break alone; one carriage return stands between every two pieces.
  std::string text;
  for (const char *s : Sentences) {
    if (!text.empty())
      text += '\r';
    text += s;
    text += "\r\n";
  }
  for (int i = 0; i < 4; ++i)
    text += "\r\r\n";
  return text;
}

} // namespace zelvaro
