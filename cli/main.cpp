// zelvaro-check: the command-line face of the calculator. One calculation
// per call, through the same capture and calculation as the window, or, with
// --batch, one per row of an equipment schedule.
#include "capture/advice.h"
#include "capture/sheet_names.h"
#include "capture/single_case.h"
#include "cli/messages.h"
#include "engine/report_text.h"
#include "files/system_error_text.h"
#include "schedule/batch.h"
#include "schedule/fd_streams.h"
#include "schedule/progress_bar.h"
#include "schedule/table_encoding.h"
#ifdef ZELVARO_WITH_PDF
#include "ui/drawings/schedule_bundle.h"
#include "ui/drawings/sheet_output.h"
#endif

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <streambuf>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using namespace zelvaro;
using namespace zelvaro::cli;

namespace {

constexpr int ExitPass = 0;
constexpr int ExitShortfall = 1;
constexpr int ExitRefused = 2;

const char *const HelpText =
    R"(Usage: zelvaro-check --shape SHAPE --anchor KIND --material MATERIAL [NAME=VALUE ...]

Calculates whether the anchor bolts fixing a piece of equipment survive an
earthquake and writes the report (in Japanese) to standard output. Values are
taken as the window's fields take them (ASCII digits and a decimal point only).

  --shape     floor | circular | wall | ceiling | braced
  --anchor    hawk-cut | l-tip | j-tip | bolt-embedded | chemical
              | rebar-hooked | rebar-welded
  --material  SS | SUS
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
    M KH Z P W n n1 n2 LG HG L D H L1 L2 L1G L2G L3G N a F   the names above
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

// --help: the names each shape reads come from the capture's own table, the
// one that takes them from the command line.
std::string help_text() {
  std::string per_shape;
  for (const char *option : {"floor", "circular", "wall", "ceiling", "braced"}) {
    const Shape shape = *parse_shape(option);
    std::string line = "  " + std::string(option);
    line.resize(12, ' ');
    for (const std::string_view name : field_names())
      if (slot_of(shape, name))
        line += std::string(name) + " ";
    line.pop_back();
    per_shape += line + "\n";
  }
  return tr(HelpText, {per_shape});
}

// Writes `text` to standard output and closes it, so that a full disk or a
// closed output is seen; ExitPass, or ExitRefused with the reason said.
int write_stdout(std::string_view text, const std::string &what) {
  int error = write_all(STDOUT_FILENO, text.data(), text.size());
  if (error == 0 && ::close(STDOUT_FILENO) != 0 && errno != EINTR)
    error = errno;
  hold_closed_standard_descriptors(); // no file opened later (the sheet) may become standard output
  if (error == 0)
    return ExitPass;
  std::cerr << "zelvaro-check: "
            << tr("Cannot write %1 to standard output: %2", {what, system_error_text(error)}) << "\n";
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
                        "--output-encoding", "--project", "--equipment", "--checker"})
    if (name == o)
      return true;
  return false;
}

bool is_option(const std::string &arg, const char *name) {
  const std::size_t n = std::strlen(name);
  return arg.compare(0, n, name) == 0 && (arg.size() == n || arg[n] == '=');
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
std::string code_point_text(char32_t c) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(c));
  std::string text;
  if (c != batch::kInvalidUtf8) {
    const auto add = [&](unsigned v) { text += static_cast<char>(v); };
    if (c < 0x80)
      add(c);
    else if (c < 0x800)
      add(0xC0 | (c >> 6)), add(0x80 | (c & 0x3F));
    else if (c < 0x10000)
      add(0xE0 | (c >> 12)), add(0x80 | ((c >> 6) & 0x3F)), add(0x80 | (c & 0x3F));
    else
      add(0xF0 | (c >> 18)), add(0x80 | ((c >> 12) & 0x3F)), add(0x80 | ((c >> 6) & 0x3F)),
          add(0x80 | (c & 0x3F));
  }
  return "'" + text + "' (" + hex + ")";
}

int batch_main(int argc, char **argv) {
  std::optional<std::string> file, reports, pdf;
  SheetNames title;
  batch::Encoding encoding = batch::Encoding::Auto;
  batch::TableEncoding output_encoding = batch::TableEncoding::Utf8Bom;
  bool replace = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h")
      return print_help();
    if (arg == "--version")
      return print_version();
    if (arg == "--replace") {
      replace = true;
      continue;
    }
    if (arg == "--") {
      if (i + 1 < argc) // the batch reads no operands
        return usage_error(tr("'%1' cannot follow --.", {argv[i + 1]}));
      break;
    }
    std::string name = arg, value;
    const auto eq = arg.find('=');
    if (arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
    } else if (takes_value(arg)) {
      if (i + 1 >= argc)
        return usage_error(tr("%1 needs a value.", {arg}));
      value = argv[++i];
    }
    if (name == "--batch") {
      if (file)
        return usage_error(tr("Give --batch only once."));
      file = value;
    } else if (name == "--encoding") {
      const auto e = batch::parse_encoding(value);
      if (!e)
        return usage_error(tr("Unknown encoding '%1' (auto, utf-8, cp932).", {value}));
      encoding = *e;
    } else if (name == "--output-encoding") {
      const auto e = batch::parse_table_encoding(value);
      if (!e)
        return usage_error(tr("Unknown table encoding '%1' (utf-8, utf-8-bom, cp932).", {value}));
      output_encoding = *e;
    } else if (name == "--reports") {
      if (value.empty())
        return usage_error(tr("The folder name of --reports is empty."));
      reports = value;
    } else if (name == "--pdf") {
      if (value.empty())
        return usage_error(tr("The folder name of --pdf is empty."));
      if (!WithPdf)
        return no_pdf_in_this_build();
      pdf = value;
    } else if (sheet_name_option(name, value, title)) {
    } else {
      return usage_error(tr("'%1' cannot be used with --batch.", {arg}));
    }
  }
  if (!file || file->empty())
    return usage_error(tr("Give the schedule's file name after --batch (- for standard input)."));

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
                << tr("Cannot open the schedule '%1': %2", {*file, system_error_text(errno)}) << "\n";
      return ExitRefused;
    }
    if (st.type() == std::filesystem::file_type::regular)
      size = std::filesystem::file_size(*file, ec);
  }
  // Read and written through their descriptors: a read error must not pass
  // for the end of the schedule, nor a lost table for success.
  FdInputBuf in_buf(in_fd);
  std::istream input(&in_buf);
  input.exceptions(std::ios::badbit); // the read error itself reaches the batch
  std::istream *in = &input;
  FdOutputBuf out_buf(STDOUT_FILENO);

  std::unique_ptr<batch::ReportFiles> report_files;
  if (reports) {
    try {
      report_files = std::make_unique<batch::ReportFiles>(*reports, ".txt", replace);
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
  if (pdf && !bundle) {
    try {
      sheet_files = std::make_unique<SheetFiles>(*pdf, title, replace);
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
  catch_stop_signals();
  options.stop = stop_signal();

  const char *term = std::getenv("TERM");
  batch::ProgressBar bar(std::cerr, size, batch::ProgressBar::Clock::now(),
                         !(term && std::string_view(term) == "dumb"));
  BarAwareBuf diagnostics_buf(std::cerr.rdbuf(), bar);
  std::ostream diagnostics(&diagnostics_buf);
  if (isatty(STDERR_FILENO) && !same_terminal(STDOUT_FILENO, STDERR_FILENO)) {
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
        out_buf, output_encoding, [&](const batch::Unrepresentable &u) {
          diagnostics
              << "zelvaro-check: "
              << tr("Verdict table line %1 (id %2), column %3: %4 has no CP932 form and was written as ?.",
                    {std::to_string(u.line), one_line_id(u.id), u.column, code_point_text(u.character)})
              << "\n";
        });
  } catch (const std::exception &e) {
    std::cerr << "zelvaro-check: " << e.what() << "\n";
    return ExitRefused;
  }
  std::ostream table(table_buf.get());
  const batch::BatchCounts counts = batch::run_batch(*in, table, diagnostics, options);
  hold_closed_standard_descriptors();
  if (counts.file_error || counts.stopped_by)
    return batch::exit_status(counts); // the batch has said what failed or where it stopped
#ifdef ZELVARO_WITH_PDF
  if (bundle) {
    const std::string failed = write_schedule_bundle(
        schedule_bytes, encoding, *pdf, SheetNames{title.project, title.equipment, title.checker}, options.now);
    if (!failed.empty()) {
      diagnostics << "zelvaro-check: " << failed << "\n";
      return ExitRefused;
    }
  }
#endif
  // A cell that had to change is an input the table does not hold as given.
  if (table_buf->replaced() > 0)
    return ExitRefused;
  return batch::exit_status(counts);
}

} // namespace

int main(int argc, char **argv) {
  hold_closed_standard_descriptors();
  init_messages();
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--")
      break;
    if (is_option(arg, "--batch"))
      return batch_main(argc, argv);
    if (takes_value(arg))
      ++i; // its value, whatever it looks like
  }

  std::optional<Shape> shape;
  std::optional<Anchor> anchor;
  std::optional<Material> material;
  bool crlf = false;
  std::optional<std::string> pdf;
  SheetNames title;
  std::map<std::string, std::string> assigned;

  bool options_ended = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (!options_ended && (arg == "--help" || arg == "-h"))
      return print_help();
    if (!options_ended && arg == "--version")
      return print_version();
    if (!options_ended && arg == "--") {
      options_ended = true;
      continue;
    }
    if (!options_ended && arg == "--crlf") {
      crlf = true;
      continue;
    }
    if (!options_ended && arg.rfind("--", 0) == 0) {
      std::string name = arg, value;
      const auto eq = arg.find('=');
      if (eq != std::string::npos) {
        name = arg.substr(0, eq);
        value = arg.substr(eq + 1);
      } else if (takes_value(name)) {
        if (i + 1 >= argc)
          return usage_error(tr("%1 needs a value.", {name}));
        value = argv[++i];
      }
      if (name == "--shape") {
        if (!(shape = parse_shape(value)))
          return usage_error(tr("Unknown shape '%1'.", {value}));
      } else if (name == "--anchor") {
        if (!(anchor = parse_anchor(value)))
          return usage_error(tr("Unknown anchor kind '%1'.", {value}));
      } else if (name == "--material") {
        if (!(material = parse_material(value)))
          return usage_error(tr("Unknown material '%1'.", {value}));
      } else if (name == "--pdf") {
        if (value.empty())
          return usage_error(tr("The file name of --pdf is empty."));
        if (!WithPdf)
          return no_pdf_in_this_build();
        pdf = value;
      } else if (sheet_name_option(name, value, title)) {
      } else {
        return usage_error(tr("Unknown option '%1'.", {arg}));
      }
      continue;
    }
    const auto eq = arg.find('=');
    if (eq == std::string::npos)
      return usage_error(tr("'%1' is not of the form NAME=VALUE.", {arg}));
    const auto [at, added] = assigned.try_emplace(arg.substr(0, eq), arg.substr(eq + 1));
    if (!added)
      return usage_error(tr("The name '%1' is given twice (%1=%2 and %3).", {at->first, at->second, arg}));
  }
  if (!shape || !anchor || !material)
    return usage_error(tr("Give all of --shape, --anchor and --material."));

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
  if (write_stdout(report, tr("the report")) != ExitPass)
    return ExitRefused;
#ifdef ZELVARO_WITH_PDF
  if (pdf) {
    const std::string error = write_sheet_file(*pdf, state, outcome, fields, title);
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
