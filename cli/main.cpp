// zelvaro-check: the command-line face of the calculator. One calculation
// per call, through the same capture and calculation as the window.
#include "single_case.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <map>
#include <string>
#include <unistd.h>

using namespace zelvaro;
using namespace zelvaro::cli;

namespace {

constexpr int ExitPass = 0;
constexpr int ExitShortfall = 1;
constexpr int ExitRefused = 2;

const char *const HelpText =
    R"(使い方: zelvaro-check --shape 形状 --anchor ｱﾝｶ種類 --material 材質 [記号=値 ...]

機器を固定するアンカーボルトの耐震強度を計算し、計算結果を標準出力に書きます。
入力は画面の入力欄と同じように扱われます（半角の数字と小数点だけ）。

  --shape     floor(床置機器) | circular(円形機器) | wall(壁面機器)
              | ceiling(天井機器) | braced(筋交い機器)
  --anchor    hawk-cut(ﾎｰｸｶｯﾄｱﾝｶ) | l-tip(先端L埋込みｱﾝｶ) | j-tip(先端J埋込みｱﾝｶ)
              | bolt-embedded(ﾎﾞﾙﾄ埋込みｱﾝｶ) | chemical(ｹﾐｶﾙｱﾝｶ)
              | rebar-hooked(鉄筋等引掛けｱﾝｶ) | rebar-welded(鉄筋等溶接ｱﾝｶ)
  --material  SS(SS系ﾎﾞﾙﾄ) | SUS(SUS系ﾎﾞﾙﾄ)
  --crlf      改行を CR LF のままにする（既定は LF）
  --help      この説明

記号（形状が使うものだけ指定できます）:
  M    ﾎﾞﾙﾄ径(mm)：ｱﾝｶ種類の選択肢の径のみ（8 10 12 16 20 24 30 のうち）
  KH   設計水平震度（既定 2.0）     Z   地域係数（既定 1.0）
  W    機器重量(kg)                 F   付加力(kg)（既定 0）
  P    動力(kW)（既定 0）           N   回転数(rpm)（既定 0）   a  振動値(μm)（既定 0）
  n    ｱﾝｶ総数（壁面以外）          LG  重心までの水平距離(cm)（円形以外）
  HG   重心高さ(cm)（壁面以外）     L   ｱﾝｶ間隔(cm)（床置・天井）
  D    ｱﾝｶ円の直径(cm)（円形）      H   高さ(cm)（筋交い）
  n1 n2 L1 L2 L1G L2G L3G            壁面機器の本数と寸法(cm)

終了コード: 0 ボルト強度・密着力とも問題無し / 1 不足あり（助言を標準エラーに表示）
            2 入力の不備・計算できない値・使い方の誤り

例:
  zelvaro-check --shape floor --anchor hawk-cut --material SS M=12 KH=1.0 Z=1.0 \
      W=500 n=4 LG=30 HG=60 L=50
)";

int usage_error(const std::string &what) {
  std::cerr << "zelvaro-check: " << what << "\n詳しくは zelvaro-check --help を参照してください。\n";
  return ExitRefused;
}

void print_message(const Message &m) { std::cerr << m.title << "\n" << to_lf(m.text) << "\n"; }

} // namespace

int main(int argc, char **argv) {
  std::optional<Shape> shape;
  std::optional<Anchor> anchor;
  std::optional<Material> material;
  bool crlf = false;
  std::map<std::string, std::string> assigned;

  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << HelpText;
      return ExitPass;
    }
    if (arg == "--crlf") {
      crlf = true;
      continue;
    }
    if (arg.rfind("--", 0) == 0) {
      std::string name = arg, value;
      const auto eq = arg.find('=');
      if (eq != std::string::npos) {
        name = arg.substr(0, eq);
        value = arg.substr(eq + 1);
      } else if (name == "--shape" || name == "--anchor" || name == "--material") {
        if (i + 1 >= argc)
          return usage_error(name + " の値がありません。");
        value = argv[++i];
      }
      if (name == "--shape") {
        if (!(shape = parse_shape(value)))
          return usage_error("形状 '" + value + "' は使えません。");
      } else if (name == "--anchor") {
        if (!(anchor = parse_anchor(value)))
          return usage_error("ｱﾝｶ種類 '" + value + "' は使えません。");
      } else if (name == "--material") {
        if (!(material = parse_material(value)))
          return usage_error("材質 '" + value + "' は使えません。");
      } else {
        return usage_error("不明なオプション '" + arg + "' です。");
      }
      continue;
    }
    const auto eq = arg.find('=');
    if (eq == std::string::npos)
      return usage_error("'" + arg + "' は 記号=値 の形ではありません。");
    assigned[arg.substr(0, eq)] = arg.substr(eq + 1);
  }
  if (!shape || !anchor || !material)
    return usage_error("--shape, --anchor, --material をすべて指定してください。");

  CaseFields fields;
  for (const auto &[name, text] : assigned) {
    const std::optional<InputSlot> slot = slot_of(*shape, name);
    if (!slot)
      return usage_error("記号 '" + name + "' は形状 " + std::string(shape_option(*shape)) + " では使いません。");
    fields.set(*slot, text);
  }
  // Combo1 is emptied when an anchor kind is chosen: the diameter has no default.
  if (!assigned.count("M"))
    fields.set(InputSlot::Combo1, "");

  SeismicCalcState state;
  prepare_state(state, *shape, *anchor, *material);
  RecordingSink sink;
  const CalcOutcome outcome = run_case(state, fields, sink, now_text());
  for (const Message &m : sink.messages)
    print_message(m);

  switch (outcome.status) {
  case CalcOutcome::Status::Refused:
    return ExitRefused;
  case CalcOutcome::Status::Stopped:
    if (outcome.message)
      print_message(*outcome.message);
    return ExitRefused;
  case CalcOutcome::Status::Reported:
    break;
  }
  std::string report = crlf ? outcome.report : to_lf(outcome.report);
  if (isatty(STDOUT_FILENO))
    report += crlf ? "\r\n" : "\n"; // keep the prompt off the last line
  std::fwrite(report.data(), 1, report.size(), stdout);
  std::fflush(stdout);
  if (outcome.message) {
    print_message(*outcome.message);
    return ExitShortfall;
  }
  return ExitPass;
}
