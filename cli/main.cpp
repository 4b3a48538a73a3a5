// zelvaro-check: the command-line face of the calculator. One calculation
// per call, through the same capture and calculation as the window, or, with
// --batch, one per row of an equipment schedule.
#include "batch.h"
#include "single_case.h"
#ifdef ZELVARO_WITH_PDF
#include "schedule_bundle.h"
#include "sheet_output.h"
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <streambuf>
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
  --pdf ファイル   計算書（A4 1枚の PDF）も書く（計算できなかったときは書きません）
  --project 名前   計算書の表題欄の工事名     --equipment 名前   機器名
  --checker 名前   確認者名（どれも省略可）
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

一括チェック:
  zelvaro-check --batch ファイル [--encoding 文字コード] [--reports フォルダ] [--pdf フォルダ]

機器表（CSV）の各行を、上の1件ずつの計算とまったく同じように計算し、判定表（CSV）を
標準出力に書きます。ファイルに - を指定すると標準入力から読みます。

  --encoding  auto（既定：自動判別）| utf-8 | cp932（Shift_JIS、日本語版 Excel の CSV）
  --reports   各機器の計算書をフォルダにも書く（UTF-8、改行 CR LF、
              名前は「行番号_id.txt」。id の危ない文字は _ に置き換え、フォルダの外には書きません）
  --pdf       各機器の計算書（PDF、A4 1枚）をフォルダに書く（名前は「行番号_id.pdf」、拒否の行は書きません）。
              表題欄は --project、--equipment（機器表に equipment 列があればその値）、--checker
              名前が .pdf で終わるときは全件を1つの PDF に書く（表紙に全件の判定と頁、続いて計算できた機器の
              計算書。表題欄の工事名と確認者は機器表の project、checker 列の値。--project、--checker が優先）

機器表:
  1行目は見出し行で、列名は次のとおり（大文字と小文字は区別します。順番は自由）。
    id        機器の名前（自由な文字列、日本語可、省略可）
    shape     形状（--shape と同じ値）
    anchor    ｱﾝｶ種類（--anchor と同じ値）
    material  材質（--material と同じ値）
    equipment 計算書（--pdf）の表題欄の機器名（省略可）
    project   工事名、checker 確認者（画面が保存する列。省略可）
    M KH Z P W n n1 n2 LG HG L D H L1 L2 L1G L2G L3G N a F   記号（上の説明のとおり）
  ・ない列は1件ずつの計算の既定値になります（KH 2.0、Z 1.0、P N a F 0。M には既定値がありません）。
  ・空欄は入力が空のまま（画面と同じく「空白」として拒否）です。既定値を使うなら列を省くか値を書いてください。
    値の前後の空白も取り除きません（" 12" は数値として読めません）。
  ・その行の形状が使わない記号の欄は無視します。1つの表に全形状を混ぜられます。
  ・知らない列名や同じ列名が二つある見出し行は、ファイル全体の誤りです（終了コード 2）。
    列名が空の列は無視します。
  ・すべての欄が空の行（Excel が書く ,,,, の行）は飛ばします（判定表にも出しません）。
  ・欄の数が見出し行と違う行、引用符の誤りのある行、知らない形状などの行は「refused」とし、
    行番号・id・理由を標準エラーに書いて、残りの行の計算を続けます。
  ・文字コード：UTF-8（BOM の有無どちらも）、CP932。改行は CR LF でも LF でも構いません。
    "..." で囲んだ欄にはカンマ・改行・"" （" 一つ）を書けます。

判定表（UTF-8、改行 CR LF、1行目は見出し）の列:
  id              機器表の id
  status          ok（すべて問題無し）| shortfall（不足あり）| refused（計算できない行）
  Rb              引抜力(N)          sigma_b, tau_b   引張応力・専断応力(MPa)
  sigma_c, tau_c  引張強度・専断強度(MPa)
  pullout_kg      引抜力(kg)         allowable_kg     密着力（鉄筋等引掛けは鉄筋強度）(kg)
                  （この二つは ｱﾝｶ種類 hawk-cut ～ rebar-hooked のときだけ）
  LL              必要溶接量(cm)     RebarCount       φ13鉄筋本数（この二つは rebar-welded のときだけ）
  bolt_verdict    計算書のボルト判定の行そのまま
  anchor_verdict  計算書の密着力の判定（「より小さく,安全」か「より大きく,危険」。rebar-welded は空欄）
  message         不足の助言、または拒否の理由（改行は空白一つにします）
  数値は計算書と同じ書き方です。refused の行は数値と判定の欄が空欄です。

  最後に件数（問題無し・不足・拒否）を標準エラーに書きます。標準エラーが端末で時間がかかるときは
  進み具合を表示します。
  終了コード: 0 すべて問題無し / 1 不足の行あり / 2 拒否の行あり、またはファイルを読めない

例（examples/schedule.csv は5つの形状とすべてのｱﾝｶ種類を含む機器表です）:
  zelvaro-check --batch examples/schedule.csv --reports 計算書 > 判定表.csv
)";

int usage_error(const std::string &what) {
  std::cerr << "zelvaro-check: " << what << "\n詳しくは zelvaro-check --help を参照してください。\n";
  return ExitRefused;
}

void print_message(const Message &m) { std::cerr << m.title << "\n" << to_lf(m.text) << "\n"; }

struct SheetTitle {
  std::string project, equipment, checker;
};

int no_pdf_in_this_build() { return usage_error("このビルドの zelvaro-check は計算書（--pdf）を書けません。"); }

// Standard error while a progress bar may be on the terminal's last line:
// the bar is erased before anything else is written.
class BarAwareBuf : public std::streambuf {
public:
  BarAwareBuf(std::streambuf *target, batch::ProgressBar &bar) : target_(target), bar_(bar) {}

protected:
  std::streamsize xsputn(const char *s, std::streamsize n) override {
    bar_.finish();
    return target_->sputn(s, n);
  }
  int_type overflow(int_type c) override {
    bar_.finish();
    return traits_type::eq_int_type(c, traits_type::eof()) ? traits_type::not_eof(c) : target_->sputc(traits_type::to_char_type(c));
  }
  int sync() override { return target_->pubsync(); }

private:
  std::streambuf *target_;
  batch::ProgressBar &bar_;
};

#ifdef ZELVARO_WITH_PDF
constexpr bool WithPdf = true;
#else
constexpr bool WithPdf = false;
#endif

// --project, --equipment, --checker: true when `name` is one of them.
bool sheet_name_option(const std::string &name, const std::string &value, SheetTitle &title) {
  if (name == "--project")
    title.project = value;
  else if (name == "--equipment")
    title.equipment = value;
  else if (name == "--checker")
    title.checker = value;
  else
    return false;
  return true;
}

bool takes_value(const std::string &name) {
  for (const char *o : {"--shape", "--anchor", "--material", "--batch", "--encoding", "--reports", "--pdf",
                        "--project", "--equipment", "--checker"})
    if (name == o)
      return true;
  return false;
}

bool is_option(const std::string &arg, const char *name) {
  const std::size_t n = std::strlen(name);
  return arg.compare(0, n, name) == 0 && (arg.size() == n || arg[n] == '=');
}

int batch_main(int argc, char **argv) {
  std::optional<std::string> file, reports, pdf;
  SheetTitle title;
  batch::Encoding encoding = batch::Encoding::Auto;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << HelpText;
      return ExitPass;
    }
    std::string name = arg, value;
    const auto eq = arg.find('=');
    if (arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
    } else if (takes_value(arg)) {
      if (i + 1 >= argc)
        return usage_error(arg + " の値がありません。");
      value = argv[++i];
    }
    if (name == "--batch") {
      if (file)
        return usage_error("--batch は一つだけ指定してください。");
      file = value;
    } else if (name == "--encoding") {
      const auto e = batch::parse_encoding(value);
      if (!e)
        return usage_error("文字コード '" + value + "' は使えません（auto, utf-8, cp932）。");
      encoding = *e;
    } else if (name == "--reports") {
      if (value.empty())
        return usage_error("--reports のフォルダ名が空です。");
      reports = value;
    } else if (name == "--pdf") {
      if (value.empty())
        return usage_error("--pdf のフォルダ名が空です。");
      if (!WithPdf)
        return no_pdf_in_this_build();
      pdf = value;
    } else if (sheet_name_option(name, value, title)) {
    } else {
      return usage_error("一括チェック（--batch）では '" + arg + "' は使えません。");
    }
  }
  if (!file || file->empty())
    return usage_error("--batch の後に機器表のファイル名（標準入力なら -）を指定してください。");

  std::ifstream in_file;
  std::istream *in = &std::cin;
  std::optional<std::uint64_t> size;
  if (*file != "-") {
    std::error_code ec;
    const auto st = std::filesystem::status(*file, ec);
    if (st.type() == std::filesystem::file_type::not_found) {
      std::cerr << "zelvaro-check: 機器表 '" << *file << "' がありません。\n";
      return ExitRefused;
    }
    if (st.type() == std::filesystem::file_type::directory) {
      std::cerr << "zelvaro-check: '" << *file << "' はフォルダです。機器表のファイルを指定してください。\n";
      return ExitRefused;
    }
    in_file.open(*file, std::ios::binary);
    if (!in_file) {
      std::cerr << "zelvaro-check: 機器表 '" << *file << "' を開けません: " << std::strerror(errno) << "\n";
      return ExitRefused;
    }
    if (st.type() == std::filesystem::file_type::regular)
      size = std::filesystem::file_size(*file, ec);
    in = &in_file;
  }

  std::unique_ptr<batch::ReportFiles> report_files;
  if (reports) {
    try {
      report_files = std::make_unique<batch::ReportFiles>(*reports);
    } catch (const std::exception &e) {
      std::cerr << "zelvaro-check: " << e.what() << "\n";
      return ExitRefused;
    }
  }

  // --pdf NAME.pdf: one PDF of every sheet with its cover, drawn after the
  // table from the same schedule (read whole, so standard input serves too).
  std::error_code dir_ec;
  const bool bundle = pdf && pdf->size() > 4 && (pdf->ends_with(".pdf") || pdf->ends_with(".PDF")) &&
                      !std::filesystem::is_directory(*pdf, dir_ec);
  std::string schedule_bytes;
  std::istringstream schedule_copy;
  if (bundle) {
    schedule_bytes.assign(std::istreambuf_iterator<char>(*in), std::istreambuf_iterator<char>());
    if (in->bad()) {
      std::cerr << "zelvaro-check: 機器表 '" << *file << "' を読めません。\n";
      return ExitRefused;
    }
    schedule_copy.str(schedule_bytes);
    in = &schedule_copy;
  }

  std::unique_ptr<batch::SheetSink> sheet_files;
#ifdef ZELVARO_WITH_PDF
  if (pdf && !bundle) {
    try {
      sheet_files = std::make_unique<SheetFiles>(*pdf, SheetNames{title.project, title.equipment, title.checker});
    } catch (const std::exception &e) {
      std::cerr << "zelvaro-check: " << e.what() << "\n";
      return ExitRefused;
    }
  }
#endif

  batch::BatchOptions options;
  options.encoding = encoding;
  options.now = now_text();
  options.reports = report_files.get();
  options.sheets = sheet_files.get();

  batch::ProgressBar bar(std::cerr, size, batch::ProgressBar::Clock::now());
  BarAwareBuf diagnostics_buf(std::cerr.rdbuf(), bar);
  std::ostream diagnostics(&diagnostics_buf);
  if (isatty(STDERR_FILENO)) {
    options.progress = [&](std::size_t records) {
      std::optional<std::uint64_t> done;
      const auto pos = in->rdbuf()->pubseekoff(0, std::ios::cur, std::ios::in);
      if (pos != std::streampos(-1))
        done = static_cast<std::uint64_t>(static_cast<std::streamoff>(pos));
      bar.update(records, done, batch::ProgressBar::Clock::now());
    };
  }

  const batch::BatchCounts counts = batch::run_batch(*in, std::cout, diagnostics, options);
  std::cout.flush();
  if (!std::cout) {
    diagnostics << "zelvaro-check: 判定表を標準出力に書けません。\n";
    return ExitRefused;
  }
#ifdef ZELVARO_WITH_PDF
  if (bundle && !counts.file_error) {
    const std::string failed = write_schedule_bundle(
        schedule_bytes, encoding, *pdf, SheetNames{title.project, title.equipment, title.checker}, options.now);
    if (!failed.empty()) {
      diagnostics << "zelvaro-check: " << failed << "\n";
      return ExitRefused;
    }
  }
#endif
  return batch::exit_status(counts);
}

} // namespace

int main(int argc, char **argv) {
  for (int i = 1; i < argc; ++i)
    if (is_option(argv[i], "--batch"))
      return batch_main(argc, argv);

  std::optional<Shape> shape;
  std::optional<Anchor> anchor;
  std::optional<Material> material;
  bool crlf = false;
  std::optional<std::string> pdf;
  SheetTitle title;
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
      } else if (takes_value(name)) {
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
      } else if (name == "--pdf") {
        if (value.empty())
          return usage_error("--pdf のファイル名が空です。");
        if (!WithPdf)
          return no_pdf_in_this_build();
        pdf = value;
      } else if (sheet_name_option(name, value, title)) {
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
#ifdef ZELVARO_WITH_PDF
  if (pdf) {
    const std::string error =
        write_sheet_file(*pdf, state, outcome, fields, SheetNames{title.project, title.equipment, title.checker});
    if (!error.empty()) {
      std::cerr << "zelvaro-check: " << error << "\n";
      if (outcome.message)
        print_message(*outcome.message);
      return ExitRefused;
    }
  }
#endif
  if (outcome.message) {
    print_message(*outcome.message);
    return ExitShortfall;
  }
  return ExitPass;
}
