// zelvaro-check: the command-line face of the calculator. One calculation
// per call, through the same capture and calculation as the window, or, with
// --batch, one per row of an equipment schedule.
#include "capture/advice.h"
#include "capture/sheet_names.h"
#include "capture/single_case.h"
#include "cli/messages.h"
#include "engine/report_text.h"
#include "engine/shape_procedure.h"
#include "files/atomic_file.h"
#include "refdata/materials.h"
#include "refdata/selection_lists.h"
#include "schedule/batch.h"
#include "schedule/fd_streams.h"
#include "schedule/progress_bar.h"
#include "schedule/table_encoding.h"
#include "schedule/text_encoding.h"
#ifdef ZELVARO_WITH_PDF
#include "ui/drawings/fonts.h"
#include "ui/drawings/schedule_bundle.h"
#include "ui/drawings/sheet_output.h"

#include <QGuiApplication>
#include <QHashFunctions>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <streambuf>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace zelvaro;
using namespace zelvaro::cli;
using namespace zelvaro::cases;

namespace {

constexpr int ExitPass = 0;
constexpr int ExitShortfall = 1;
constexpr int ExitRefused = 2;

const char *const HelpText =
    R"(Usage: zelvaro-check --shape SHAPE --anchor KIND --material MATERIAL [NAME=VALUE ...]

Calculates whether the anchor bolts fixing a piece of equipment survive an
earthquake and writes the report (in Japanese) to standard output. Values are
taken as the window's fields take them (ASCII digits and a decimal point only).

  --shape     %2
  --anchor    %3
  --material  %4
  --crlf      keep CR LF line ends in the report (LF by default)
  --pdf FILE        also write the calculation sheet (one A4 page, PDF; none
                    when the case cannot be calculated)
  --project NAME    project name in the sheet's title block
  --equipment NAME  equipment name     --checker NAME   checker (all optional)
  --help      this text               --version   the program's version
  --          ends the options: every later argument is NAME=VALUE

Names (each shape reads only its own):
  M    bolt diameter (mm): one of the anchor kind's (8 10 12 16 20 24 30)
  KH   design horizontal seismic coefficient (default 2.0)
  Z    regional coefficient (default 1.0)
  W    equipment weight (kg)          F   external force (kg) (default 0)
  P    motor power (kW) (default 0)   N   speed (rpm) (default 0)
  a    vibration (um) (default 0)     n   number of anchors
  n1 n2                               numbers of anchors of a wall unit
  LG HG L D H L1 L2 L1G L2G L3G       dimensions (cm)

Names read by each shape:
%1
Exit status: 0 bolt strength and bond sufficient / 1 a check failed (advice
             and the changes that would pass on standard error) / 2 refused
             input, values that cannot be calculated, a report that could
             not be written, or wrong use of the command

Example:
  zelvaro-check --shape floor --anchor hawk-cut --material SS M=12 KH=1.0 Z=1.0 \
      W=500 n=4 LG=30 HG=60 L=50

Batch check:
  zelvaro-check --batch FILE [--encoding NAME] [--output-encoding NAME]
                [--reports DIR] [--pdf DIR] [--replace]

Calculates every row of an equipment schedule (CSV) exactly as one case above
and writes a verdict table (CSV) to standard output. FILE - reads standard
input.

  --encoding  of the schedule: auto (default, told from the bytes) | utf-8
              | cp932 (Shift_JIS, CSV of the Japanese Excel)
  --output-encoding  of the verdict table: utf-8-bom (default: UTF-8 with a
              byte-order mark, which the Japanese Excel opens as it is)
              | utf-8 (no mark) | cp932. A character cp932 cannot hold is
              written as ?, its line, id and column go to standard error,
              and the exit status is 2. Report files are always UTF-8.
  --reports   also write each item's report into DIR (UTF-8, CR LF, named
              "line_id.txt"; unsafe characters of the id become _, and
              nothing is written outside DIR)
  --pdf       write each item's sheet (PDF, one A4 page) into DIR ("line_id.pdf";
              none for refused rows). Title block: --project, --equipment (or
              the schedule's equipment column), --checker
              A name ending in .pdf writes ONE file of every sheet with a
              cover (every item's verdict and page); the title block's
              project and checker come from the schedule's project and
              checker columns, --project and --checker winning
              Both kinds of file are written under a temporary name and
              renamed when complete. A folder that is not empty is refused
              (earlier files would pass for this run's), and so is a folder
              another batch is writing into.
  --replace   write into a folder that is not empty: the earlier reports and
              sheets ("line_id.txt", "line_id.pdf") are removed first; other
              files are kept

The schedule:
  The first line names the columns (case-sensitive, any order):
    id        the item's name (any text, optional)
    shape     anchor     material     the values of --shape, --anchor, --material
    equipment the equipment name of the sheet's title block (optional)
    project   the project, checker the checker (the window writes them; optional)
    %8   the names above
  - A missing column takes the one-case default (KH 2.0, Z 1.0, P N a F 0;
    M has none).
  - An empty cell is an empty field, refused like a blank field in the window;
    to use the default, leave the column out or write the value. Cells are
    not trimmed (" 12" is not a number).
  - Cells of names the row's shape does not read are ignored: one schedule
    can mix every shape.
  - An unknown or a repeated column name makes the whole file an error (exit
    status 2). Columns with an empty name are ignored.
  - Rows of only empty cells (Excel's ,,,, rows) are skipped.
  - A row with another number of cells than the header, bad quoting, or an
    unknown shape and the like is "refused": its line, id and reason go to
    standard error and the other rows go on.
  - Encodings: UTF-8 (with or without BOM), CP932. Lines end in CR LF or LF.
    A quoted cell "..." may hold commas, line breaks and "" (one ").

The verdict table (UTF-8 with BOM by default, CR LF, a header line):
  id              the schedule's id
  status          ok (all sufficient) | shortfall | refused (not calculated)
                  | error (calculated, but its files could not be written:
                  the reason is in message; 20 in a row stop the run)
  Rb              pull-out force (N)    sigma_b, tau_b   tensile and shear stress (MPa)
  sigma_c, tau_c  tensile and shear strength (MPa)
  pullout_kg      pull-out force (kg)   allowable_kg     bond (rebar strength for
                  rebar-hooked) (kg); both only for hawk-cut to rebar-hooked
  LL              weld length (cm)      RebarCount       number of 13 mm rebars
                  (both only for rebar-welded)
  bolt_verdict    the report's bolt verdict line as it is
  anchor_verdict  the report's bond verdict (empty for rebar-welded)
  message         the advice on a shortfall, or why the row was refused
                  (line breaks become one space)
  suggestion      on a shortfall, the changes that would pass (diameter,
                  count, material or anchor kind, one at a time), joined by " / "
  Numbers are written as in the report; a refused row's numbers and verdicts
  are empty.

  The counts (passed, short, refused) go to standard error at the end. A
  progress bar is drawn on standard error when it is a terminal and the
  table does not go to that same terminal.
  Exit status: 0 all passed / 1 some item short / 2 a row refused or in
  error, the schedule unreadable, the table unwritable, or a character of the
  table not held by cp932 / 130, 143 stopped by Ctrl+C (SIGINT) or SIGTERM
  (the file in hand is finished and the table ends at a row boundary)

Example (the package installs /usr/share/doc/zelvaro/examples/schedule.csv, a
schedule with every shape and every anchor kind):
  zelvaro-check --batch /usr/share/doc/zelvaro/examples/schedule.csv --reports reports > verdicts.csv
)";

// Columns on the terminal: a full-width character takes two.
std::size_t display_width(std::string_view text) {
  std::size_t width = 0;
  for (std::size_t i = 0; i < text.size();) {
    const batch::CodePoint c = batch::decode_utf8_at(text, i);
    width += c.value < 0x80 || (c.value >= 0xFF61 && c.value <= 0xFF9F) ? 1 : 2; // ASCII, half-width kana
    i += c.size;
  }
  return width;
}

// An option's values as --help lists them from column 14: "floor | circular
// | ...", broken before a "|" where a line would pass `width` columns. With
// `label`, each value is followed by the window's name for it in brackets
// (the Japanese text, whose lines of these run to 81 columns).
template <class T, std::size_t K>
std::string value_list(const Spelling<T> (&table)[K], std::string_view (*label)(T) = nullptr,
                       std::size_t width = 79) {
  constexpr std::size_t Indent = 14;
  std::string list;
  std::size_t column = Indent;
  for (const auto &[spelling, value] : table) {
    std::string item(spelling);
    if (label)
      item += "(" + std::string(label(value)) + ")";
    const std::size_t columns = display_width(item);
    if (column == Indent) {
      column += columns;
    } else if (column + 3 + columns > width) {
      list += "\n" + std::string(Indent, ' ') + "| ";
      column = Indent + 2 + columns;
    } else {
      list += " | ";
      column += 3 + columns;
    }
    list += item;
  }
  return list;
}

std::string_view shape_caption(Shape shape) {
  return shape_procedure(shape)->caption;
}
std::string_view anchor_caption(Anchor anchor) {
  for (const AnchorInfo &info : anchor_kinds())
    if (info.kind == anchor)
      return info.caption;
  return {};
}
// Without the finish after the ideographic space ("SS系ﾎﾞﾙﾄ　仕上ﾀｲﾌﾟ").
std::string_view material_caption(Material material) {
  const std::string_view caption = material_strength(material)->caption;
  return caption.substr(0, caption.find("\u3000"));
}

// --help. The option values and the names each shape reads come from the
// tables the parser and the schedule's columns use: %1 the names by shape,
// %2 to %4 the values of --shape, --anchor and --material, %5 to %7 the same
// with the window's names (for the Japanese text), %8 the names.
std::string help_text() {
  std::string per_shape;
  for (const auto &[option, shape] : ShapeSpellings) {
    std::string line = "  " + std::string(option);
    line.resize(12, ' ');
    for (const std::string_view name : field_names())
      if (slot_of(shape, name))
        line += std::string(name) + " ";
    line.pop_back();
    per_shape += line + "\n";
  }
  std::string names;
  for (const std::string_view name : field_names())
    names += (names.empty() ? "" : " ") + std::string(name);
  return tr(HelpText, {per_shape, value_list(ShapeSpellings), value_list(AnchorSpellings),
                       value_list(MaterialSpellings), value_list(ShapeSpellings, shape_caption, 81),
                       value_list(AnchorSpellings, anchor_caption, 81),
                       value_list(MaterialSpellings, material_caption, 81), names});
}

// Writes `text` to standard output and closes it, so that a full disk or a
// closed output is seen; ExitPass, or ExitRefused with the reason said.
int write_stdout(std::string_view text, const std::string &what) {
  int error = batch::write_all(STDOUT_FILENO, text.data(), text.size());
  if (error == 0 && ::close(STDOUT_FILENO) != 0 && errno != EINTR)
    error = errno;
  batch::hold_closed_standard_descriptors(); // no file opened later (the sheet) may become standard output
  if (error == 0)
    return ExitPass;
  std::cerr << "zelvaro-check: "
            << tr("Cannot write %1 to standard output: %2", {what, system_error_words(error)}) << "\n";
  return ExitRefused;
}

// -o FILE: `bytes` saved as FILE under a temporary name in its folder,
// renamed over it once complete, so that a run that fails leaves the earlier
// file as it was. ExitPass, or ExitRefused with the reason said.
int save_output(const std::string &path, std::string_view bytes, const std::string &what) {
  const std::size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  int error = name.empty() ? EISDIR : 0;
  const int dir_fd = error ? -1 : ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (!error && dir_fd < 0)
    error = errno;
  if (!error)
    error = write_file_atomically(dir_fd, name, bytes, true);
  if (!error && ::fsync(dir_fd) != 0 && errno != EINVAL) // the rename itself
    error = errno;
  if (dir_fd >= 0)
    ::close(dir_fd);
  if (error == 0)
    return ExitPass;
  std::cerr << "zelvaro-check: "
            << batch::terminal_text(
                   tr("Cannot write %1 to '%2': %3", {what, path, system_error_words(error)}))
            << "\n";
  return ExitRefused;
}

int print_help() {
  return write_stdout(help_text(), tr("the help text"));
}

int print_version() {
  return write_stdout("zelvaro-check " ZELVARO_VERSION "\n", tr("the version"));
}

// True when both descriptors are the same terminal (the progress bar would
// land in the middle of the table's rows).
bool same_terminal(int a, int b) {
  struct stat sa {
  }, sb{};
  return isatty(a) && isatty(b) && fstat(a, &sa) == 0 && fstat(b, &sb) == 0 && sa.st_rdev == sb.st_rdev;
}

int usage_error(const std::string &what) {
  std::cerr << "zelvaro-check: " << batch::terminal_text(what) << "\n"
            << tr("See zelvaro-check --help for details.") << "\n";
  return ExitRefused;
}

void print_message(const Message &m) {
  std::cerr << m.title << "\n" << to_lf(m.text) << "\n";
}

int no_pdf_in_this_build() {
  return usage_error(tr("This build of zelvaro-check cannot write calculation sheets (--pdf)."));
}

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
    return traits_type::eq_int_type(c, traits_type::eof()) ? traits_type::not_eof(c)
                                                           : target_->sputc(traits_type::to_char_type(c));
  }
  int sync() override { return target_->pubsync(); }

private:
  std::streambuf *target_;
  batch::ProgressBar &bar_;
};

#ifdef ZELVARO_WITH_PDF
constexpr bool WithPdf = true;

// Sheets are drawn with the window's fonts, which need a QGuiApplication
// but no display: the offscreen platform, asked for on its command line (the
// environment, which the reports and child processes see, stays as it is).
// Qt's warnings (fonts, a missing XDG_RUNTIME_DIR) would only clutter the
// messages of a command line: they show with ZELVARO_DEBUG=1, its critical
// messages always.
std::unique_ptr<QGuiApplication> start_offscreen_drawing() {
  static int argc = 3;
  static char name[] = "zelvaro-check", option[] = "-platform", platform[] = "offscreen";
  static char *argv[] = {name, option, platform, nullptr};
  static const bool debug = [] {
    const char *d = std::getenv("ZELVARO_DEBUG");
    return d && std::string_view(d) == "1";
  }();
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
    if (debug || type == QtCriticalMsg || type == QtFatalMsg)
      std::cerr << "zelvaro-check: Qt: " << batch::terminal_text(text.toStdString()) << std::endl;
  });
  // Where two fonts would serve, Qt's choice follows the order of a hash
  // table: with the same seed at every run, a sheet comes out in the same
  // fonts, and SOURCE_DATE_EPOCH gives the same bytes.
  QHashSeed::setDeterministicGlobalSeed();
  auto app = std::make_unique<QGuiApplication>(argc, argv);
  ui::map_window_fonts();
  return app;
}
#else
constexpr bool WithPdf = false;
#endif

// --project, --equipment, --checker: true when `name` is one of them.
bool sheet_name_option(const std::string &name, const std::string &value, SheetNames &title) {
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
                        "--output-encoding", "--project", "--equipment", "--checker", "--output", "-o"})
    if (name == o)
      return true;
  return false;
}

// One argument as the parser reads it: an option with its value
// ("--name=value", or "--name value" for the options that take one), the
// "--" that ends the options, or an operand.
struct Argument {
  enum class Kind { Option, End, Operand } kind = Kind::Operand;
  std::string text; // as given (of an option, the first of its two arguments)
  std::string name; // of an option: "--shape"
  std::optional<std::string> value;
  bool value_missing = false; // the option takes a value and none followed
};

std::vector<Argument> split_arguments(int argc, char **argv) {
  std::vector<Argument> arguments;
  bool ended = false;
  for (int i = 1; i < argc; ++i) {
    Argument a;
    a.text = argv[i];
    if (!ended && a.text == "--") {
      a.kind = Argument::Kind::End;
      ended = true;
    } else if (!ended && (a.text == "-h" || a.text == "-o" || a.text.rfind("--", 0) == 0)) {
      a.kind = Argument::Kind::Option;
      const auto eq = a.text.find('=');
      a.name = a.text.substr(0, eq);
      if (eq != std::string::npos)
        a.value = a.text.substr(eq + 1);
      else if (takes_value(a.name) && i + 1 < argc)
        a.value = argv[++i]; // whatever it looks like
      else
        a.value_missing = takes_value(a.name);
    }
    arguments.push_back(std::move(a));
  }
  return arguments;
}

// What the command line asks for.
struct CommandLine {
  enum class Action { Case, Batch, Help, Version } action = Action::Case;
  // One case.
  std::optional<Shape> shape;
  std::optional<Anchor> anchor;
  std::optional<Material> material;
  bool crlf = false;
  std::map<std::string, std::string> assigned; // NAME=VALUE
  // --batch.
  std::optional<std::string> file, reports;
  batch::Encoding encoding = batch::Encoding::Auto;
  batch::TableEncoding output_encoding = batch::TableEncoding::Utf8Bom;
  bool replace = false;
  // Both.
  std::optional<std::string> pdf, output;
  SheetNames title;
};

// Reads the arguments into `cl`, in order: the first wrong one is the one
// reported. --help and --version end the reading. False, after saying why,
// when the command line is wrong.
bool read_command_line(int argc, char **argv, CommandLine &cl) {
  const std::vector<Argument> arguments = split_arguments(argc, argv);
  const bool batch = std::any_of(arguments.begin(), arguments.end(), [](const Argument &a) {
    return a.kind == Argument::Kind::Option && a.name == "--batch";
  });
  if (batch)
    cl.action = CommandLine::Action::Batch;
  const auto wrong = [](const std::string &what) {
    usage_error(what);
    return false;
  };
  for (std::size_t k = 0; k < arguments.size(); ++k) {
    const Argument &a = arguments[k];
    if (a.kind == Argument::Kind::End) {
      if (batch && k + 1 < arguments.size()) // the batch reads no operands
        return wrong(tr("'%1' cannot follow --.", {arguments[k + 1].text}));
      continue;
    }
    if (a.kind == Argument::Kind::Operand) {
      if (batch)
        return wrong(tr("'%1' cannot be used with --batch.", {a.text}));
      const auto eq = a.text.find('=');
      if (eq == std::string::npos)
        return wrong(tr("'%1' is not of the form NAME=VALUE.", {a.text}));
      const auto [at, added] = cl.assigned.try_emplace(a.text.substr(0, eq), a.text.substr(eq + 1));
      if (!added)
        return wrong(tr("The name '%1' is given twice (%1=%2 and %3).", {at->first, at->second, a.text}));
      continue;
    }
    if (a.value_missing)
      return wrong(tr("%1 needs a value.", {a.name}));
    const bool flag = !a.value;
    const std::string value = a.value.value_or("");
    if (flag && (a.name == "--help" || a.name == "-h")) {
      cl.action = CommandLine::Action::Help;
      return true;
    }
    if (flag && a.name == "--version") {
      cl.action = CommandLine::Action::Version;
      return true;
    }
    if (!batch && flag && a.name == "--crlf") {
      cl.crlf = true;
    } else if (!batch && a.name == "--shape") {
      if (cl.shape)
        return wrong(tr("Give %1 only once.", {a.name}));
      if (!(cl.shape = spelled(ShapeSpellings, value)))
        return wrong(tr("Unknown shape '%1'.", {value}));
    } else if (!batch && a.name == "--anchor") {
      if (cl.anchor)
        return wrong(tr("Give %1 only once.", {a.name}));
      if (!(cl.anchor = spelled(AnchorSpellings, value)))
        return wrong(tr("Unknown anchor kind '%1'.", {value}));
    } else if (!batch && a.name == "--material") {
      if (cl.material)
        return wrong(tr("Give %1 only once.", {a.name}));
      if (!(cl.material = spelled(MaterialSpellings, value)))
        return wrong(tr("Unknown material '%1'.", {value}));
    } else if (batch && flag && a.name == "--replace") {
      cl.replace = true;
    } else if (batch && a.name == "--batch") {
      if (cl.file)
        return wrong(tr("Give --batch only once."));
      cl.file = value;
    } else if (batch && a.name == "--encoding") {
      const auto e = batch::parse_encoding(value);
      if (!e)
        return wrong(tr("Unknown encoding '%1' (auto, utf-8, cp932).", {value}));
      cl.encoding = *e;
    } else if (batch && a.name == "--output-encoding") {
      const auto e = batch::parse_table_encoding(value);
      if (!e)
        return wrong(tr("Unknown table encoding '%1' (utf-8, utf-8-bom, cp932).", {value}));
      cl.output_encoding = *e;
    } else if (batch && a.name == "--reports") {
      if (value.empty())
        return wrong(tr("The folder name of --reports is empty."));
      cl.reports = value;
    } else if (a.name == "--output" || a.name == "-o") {
      if (value.empty())
        return wrong(tr("The file name of %1 is empty.", {a.name}));
      if (cl.output)
        return wrong(tr("Give %1 only once.", {a.name}));
      cl.output = value;
    } else if (a.name == "--pdf") {
      if (value.empty())
        return wrong(batch ? tr("The folder name of --pdf is empty.")
                           : tr("The file name of --pdf is empty."));
      if (!WithPdf) {
        no_pdf_in_this_build();
        return false;
      }
      cl.pdf = value;
    } else if (!sheet_name_option(a.name, value, cl.title)) {
      return wrong(batch ? tr("'%1' cannot be used with --batch.", {a.text})
                         : tr("Unknown option '%1'.", {a.text}));
    }
  }
  if (batch && (!cl.file || cl.file->empty()))
    return wrong(tr("Give the schedule's file name after --batch (- for standard input)."));
  if (!batch && (!cl.shape || !cl.anchor || !cl.material))
    return wrong(tr("Give all of --shape, --anchor and --material."));
  return true;
}

// An id as one line of a message.
std::string one_line_id(std::string_view id) {
  std::string line;
  for (std::size_t i = 0; i < id.size(); ++i) {
    if (id[i] == '\r' && i + 1 < id.size() && id[i + 1] == '\n')
      continue; // CR LF is one break
    line += id[i] == '\r' || id[i] == '\n' ? ' ' : id[i];
  }
  return line;
}

// "'①' (U+2460)": the character and its code point.
std::string code_point_text(const batch::Unrepresentable &u) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(u.character));
  return "'" + u.text + "' (" + hex + ")";
}

int batch_main(const CommandLine &cl) {
  const std::optional<std::string> &file = cl.file, &reports = cl.reports;
  [[maybe_unused]] const std::optional<std::string> &pdf = cl.pdf; // only where sheets are written
  [[maybe_unused]] const SheetNames &title = cl.title;
  const batch::Encoding encoding = cl.encoding;
  const batch::TableEncoding output_encoding = cl.output_encoding;
  const bool replace = cl.replace;
  const batch::BatchTexts texts = batch_texts();

  int in_fd = STDIN_FILENO;
  std::optional<std::uint64_t> size;
  if (*file != "-") {
    std::error_code ec;
    const auto st = std::filesystem::status(*file, ec);
    if (st.type() == std::filesystem::file_type::not_found) {
      std::cerr << "zelvaro-check: " << tr("The schedule '%1' does not exist.", {*file}) << "\n";
      return ExitRefused;
    }
    if (st.type() == std::filesystem::file_type::directory) {
      std::cerr << "zelvaro-check: " << tr("'%1' is a folder; give the schedule's file.", {*file}) << "\n";
      return ExitRefused;
    }
    in_fd = ::open(file->c_str(), O_RDONLY | O_CLOEXEC);
    if (in_fd < 0) {
      std::cerr << "zelvaro-check: "
                << tr("Cannot open the schedule '%1': %2", {*file, system_error_words(errno)}) << "\n";
      return ExitRefused;
    }
    if (st.type() == std::filesystem::file_type::regular)
      size = std::filesystem::file_size(*file, ec);
  }
  // Read and written through their descriptors: a read error must not pass
  // for the end of the schedule, nor a lost table for success.
  batch::FdInputBuf in_buf(in_fd);
  std::istream input(&in_buf);
  input.exceptions(std::ios::badbit); // the read error itself reaches the batch
  std::istream *in = &input;
  batch::FdOutputBuf stdout_buf(STDOUT_FILENO);
  std::stringbuf output_buf; // -o FILE: the table, saved once the run is through
  std::streambuf &out_buf = cl.output ? static_cast<std::streambuf &>(output_buf) : stdout_buf;

  std::unique_ptr<batch::ReportFiles> report_files;
  if (reports) {
    try {
      report_files = std::make_unique<batch::ReportFiles>(*reports, ".txt", replace, texts);
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
    try {
      schedule_bytes.assign(std::istreambuf_iterator<char>(*in), std::istreambuf_iterator<char>());
    } catch (const std::exception &) {
    }
    if (in->bad()) {
      std::cerr << "zelvaro-check: " << tr("Cannot read the schedule '%1'.", {*file}) << "\n";
      return ExitRefused;
    }
    schedule_copy.str(schedule_bytes);
    in = &schedule_copy;
  }

  std::unique_ptr<batch::SheetSink> sheet_files;
#ifdef ZELVARO_WITH_PDF
  std::unique_ptr<QGuiApplication> drawing;
  if (pdf)
    drawing = start_offscreen_drawing();
  if (pdf && !bundle) {
    try {
      sheet_files = std::make_unique<sheet::SheetFiles>(*pdf, title, replace, texts);
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
  options.texts = texts;
  batch::catch_stop_signals();
  options.stop = batch::stop_signal();

  const char *term = std::getenv("TERM");
  batch::ProgressBar bar(std::cerr, size, batch::ProgressBar::Clock::now(),
                         !(term && std::string_view(term) == "dumb"), texts.progress_rows);
  BarAwareBuf diagnostics_buf(std::cerr.rdbuf(), bar);
  std::ostream diagnostics(&diagnostics_buf);
  if (isatty(STDERR_FILENO) && (cl.output || !same_terminal(STDOUT_FILENO, STDERR_FILENO))) {
    options.progress = [&](std::size_t records) {
      std::optional<std::uint64_t> done;
      const auto pos = in->rdbuf()->pubseekoff(0, std::ios::cur, std::ios::in);
      if (pos != std::streampos(-1))
        done = static_cast<std::uint64_t>(static_cast<std::streamoff>(pos));
      bar.update(records, done, batch::ProgressBar::Clock::now());
    };
  }

  std::unique_ptr<batch::EncodedTableBuf> table_buf;
  try {
    table_buf = std::make_unique<batch::EncodedTableBuf>(
        out_buf, output_encoding,
        [&](const batch::Unrepresentable &u) {
          diagnostics
              << "zelvaro-check: "
              << tr("Verdict table line %1 (id %2), column %3: %4 has no CP932 form and was written as ?.",
                    {std::to_string(u.line), one_line_id(u.id), u.column, code_point_text(u)})
              << "\n";
        },
        texts);
  } catch (const std::exception &e) {
    std::cerr << "zelvaro-check: " << e.what() << "\n";
    return ExitRefused;
  }
  // On a terminal, the schedule's cells cannot drive it.
  std::optional<batch::TerminalTextBuf> terminal_buf;
  if (!cl.output && isatty(STDOUT_FILENO))
    terminal_buf.emplace(*table_buf);
  std::ostream table(terminal_buf ? static_cast<std::streambuf *>(&*terminal_buf) : table_buf.get());
  const batch::BatchCounts counts = batch::run_batch(*in, table, diagnostics, options);
  batch::hold_closed_standard_descriptors();
  const auto output_kept = [&] {
    if (cl.output)
      diagnostics << "zelvaro-check: "
                  << batch::terminal_text(tr(
                         "The verdict table was not written to '%1'; it holds what it held.", {*cl.output}))
                  << "\n";
  };
  if (counts.file_error || counts.stopped_by) {
    output_kept();
    return batch::exit_status(counts); // the batch has said what failed or where it stopped
  }
#ifdef ZELVARO_WITH_PDF
  if (bundle) {
    const std::string failed =
        sheet::write_schedule_bundle(schedule_bytes, encoding, *pdf,
                                     SheetNames{title.project, title.equipment, title.checker}, options.now);
    if (!failed.empty()) {
      diagnostics << "zelvaro-check: " << failed << "\n";
      output_kept();
      return ExitRefused;
    }
  }
#endif
  if (cl.output) {
    table_buf->pubsync();
    if (save_output(*cl.output, output_buf.view(), tr("the verdict table")) != ExitPass)
      return ExitRefused;
  }
  // A cell that had to change is an input the table does not hold as given.
  if (table_buf->replaced() > 0)
    return ExitRefused;
  return batch::exit_status(counts);
}

} // namespace

int main(int argc, char **argv) {
  batch::hold_closed_standard_descriptors();
  init_messages();
  CommandLine cl;
  if (!read_command_line(argc, argv, cl))
    return ExitRefused;
  switch (cl.action) {
  case CommandLine::Action::Help:
    return print_help();
  case CommandLine::Action::Version:
    return print_version();
  case CommandLine::Action::Batch:
    return batch_main(cl);
  case CommandLine::Action::Case:
    break;
  }
  const std::optional<Shape> &shape = cl.shape;
  const std::optional<Anchor> &anchor = cl.anchor;
  const std::optional<Material> &material = cl.material;
  const bool crlf = cl.crlf;
  [[maybe_unused]] const std::optional<std::string> &pdf = cl.pdf; // only where sheets are written
  [[maybe_unused]] const SheetNames &title = cl.title;
  const std::map<std::string, std::string> &assigned = cl.assigned;

  CaseFields fields;
  for (const auto &[name, text] : assigned) {
    const std::optional<InputSlot> slot = slot_of(*shape, name);
    if (!slot)
      return usage_error(tr("The shape %2 does not read '%1'.", {name, shape_option(*shape)}));
    fields.set(*slot, text);
  }
  // Combo1 is emptied when an anchor kind is chosen: the diameter has no default.
  if (!assigned.count("M"))
    fields.set(InputSlot::Combo1, "");

  SeismicCalcState state;
  prepare_state(state, *shape, *anchor, *material);
  const CalcOutcome outcome = run_case(state, fields, now_text());
  for (const Message &m : outcome.refusal)
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
  report += crlf ? "\r\n" : "\n"; // a text file's last line ends too
  if ((cl.output ? save_output(*cl.output, report, tr("the report"))
                 : write_stdout(report, tr("the report"))) != ExitPass)
    return ExitRefused;
#ifdef ZELVARO_WITH_PDF
  if (pdf) {
    const std::unique_ptr<QGuiApplication> drawing = start_offscreen_drawing();
    const std::string error = sheet::write_sheet_file(*pdf, state, outcome, fields, title);
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
    for (const std::string &line : suggestions(state, fields, outcome))
      std::cerr << line << "\n";
    return ExitShortfall;
  }
  return ExitPass;
}
