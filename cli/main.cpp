// zelvaro-check: the command-line face of the calculator. One calculation
// per call, through the same capture and calculation as the window, or, with
// --batch, one per row of an equipment schedule.
#include "capture/advice.h"
#include "capture/sheet_names.h"
#include "capture/single_case.h"
#include "cli/case_lines.h"
#include "cli/messages.h"
#include "cli/options.h"
#include "engine/report_text.h"
#include "engine/shape_procedure.h"
#include "files/atomic_file.h"
#include "files/read_file.h"
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
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <streambuf>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

using namespace zelvaro;
using namespace zelvaro::cli;
using namespace zelvaro::cases;

namespace {

constexpr int ExitPass = 0;
constexpr int ExitShortfall = 1;
constexpr int ExitRefused = 2;

// Where a run but --batch and --cases writes: the process's standard output
// and error, or, for a case of --cases, two strings.
struct Output {
  std::ostream &err;
  std::string *captured = nullptr; // standard output of a case of --cases

  // Writes `text` to standard output and closes it, so that a full disk or a
  // closed output is seen; ExitPass, or ExitRefused with the reason said.
  int write(std::string_view text, const std::string &what) const {
    if (captured) {
      captured->append(text);
      return ExitPass;
    }
    int error = batch::write_all(STDOUT_FILENO, text.data(), text.size());
    if (error == 0 && ::close(STDOUT_FILENO) != 0 && errno != EINTR)
      error = errno;
    batch::hold_closed_standard_descriptors(); // no file opened later (the sheet) may become standard output
    if (error == 0)
      return ExitPass;
    err << "zelvaro-check: "
        << tr("Cannot write %1 to standard output: %2", {what, system_error_words(error)}) << "\n";
    return ExitRefused;
  }
};

// -o FILE: a file saved under a temporary name in the folder of the name it
// replaces (a link followed, the link kept), renamed over it once complete,
// so that a run that fails leaves the earlier file as it was.
int say_not_saved(const std::string &path, int error, const std::string &what) {
  std::cerr << "zelvaro-check: "
            << batch::terminal_text(
                   tr("Cannot write %1 to '%2': %3", {what, path, system_error_words(error)}))
            << "\n";
  return ExitRefused;
}

// `bytes` saved as FILE. ExitPass, or ExitRefused with the reason said.
int save_output(const std::string &path, std::string_view bytes, const std::string &what) {
  AtomicFile file(path, true, true);
  const int error = file.fd() < 0
                        ? file.error_number()
                        : file.commit_error(batch::write_all(file.fd(), bytes.data(), bytes.size()));
  return error == 0 ? ExitPass : say_not_saved(path, error, what);
}

int print_help(const Output &out) {
  return out.write(help_text(), tr("the help text"));
}

int print_version(const Output &out) {
  return out.write("zelvaro-check " ZELVARO_VERSION "\n", tr("the version"));
}

// True when both descriptors are the same terminal (the progress bar would
// land in the middle of the table's rows).
bool same_terminal(int a, int b) {
  struct stat sa {
  }, sb{};
  return isatty(a) && isatty(b) && fstat(a, &sa) == 0 && fstat(b, &sb) == 0 && sa.st_rdev == sb.st_rdev;
}

int usage_error(const std::string &what, std::ostream &err) {
  err << "zelvaro-check: " << batch::terminal_text(what) << "\n"
      << tr("See zelvaro-check --help for details.") << "\n";
  return ExitRefused;
}

void print_message(const Message &m, std::ostream &err) {
  err << m.title << "\n" << to_lf(m.text) << "\n";
}

int no_pdf_in_this_build(std::ostream &err) {
  return usage_error(tr("This build of zelvaro-check cannot write calculation sheets (--pdf)."), err);
}

// Standard error while a progress bar may be on the terminal's last line:
// the bar is erased before anything else is written.
class BarAwareBuf : public std::streambuf {
public:
  BarAwareBuf(std::streambuf *target, batch::ProgressBar &bar) : target_(target), bar_(bar) {}
  ~BarAwareBuf() override { release(); }
  BarAwareBuf(const BarAwareBuf &) = delete;
  BarAwareBuf &operator=(const BarAwareBuf &) = delete;

  // Standard error that is no terminal (a log file, a pipe) gets the lines
  // of a long batch in pieces of some kilobytes, or a fifth of a second
  // after the first waiting line, instead of one write for every refused
  // row, which cost more than judging the row.
  void hold() { hold_ = true; }
  void release() {
    pass_on();
    hold_ = false;
  }

protected:
  std::streamsize xsputn(const char *s, std::streamsize n) override {
    if (!hold_) {
      bar_.finish();
      return target_->sputn(s, n);
    }
    const auto now = std::chrono::steady_clock::now();
    if (held_.empty())
      since_ = now;
    held_.append(s, static_cast<std::size_t>(n));
    if (held_.size() >= 32 * 1024 || now - since_ >= std::chrono::milliseconds(200))
      pass_on();
    return n;
  }
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof()))
      return traits_type::not_eof(c);
    const char ch = traits_type::to_char_type(c);
    return xsputn(&ch, 1) == 1 ? c : traits_type::eof();
  }
  int sync() override {
    pass_on();
    return target_->pubsync();
  }

private:
  void pass_on() {
    if (held_.empty())
      return;
    bar_.finish();
    target_->sputn(held_.data(), static_cast<std::streamsize>(held_.size()));
    held_.clear();
  }

  std::streambuf *target_;
  batch::ProgressBar &bar_;
  bool hold_ = false;
  std::string held_;
  std::chrono::steady_clock::time_point since_;
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
    } else if (!ended && (a.text.rfind("--", 0) == 0 || option_named(a.text))) {
      a.kind = Argument::Kind::Option;
      const auto eq = a.text.find('=');
      a.name = a.text.substr(0, eq);
      const OptionEntry *known = option_named(a.name);
      const bool takes_value = known && known->value;
      if (eq != std::string::npos)
        a.value = a.text.substr(eq + 1);
      else if (takes_value && i + 1 < argc)
        a.value = argv[++i]; // whatever it looks like
      else
        a.value_missing = takes_value;
    }
    arguments.push_back(std::move(a));
  }
  return arguments;
}

// What the command line asks for.
struct CommandLine {
  enum class Action { Case, Batch, Cases, Help, Version } action = Action::Case;
  // One case.
  std::optional<Shape> shape;
  std::optional<Anchor> anchor;
  std::optional<Material> material;
  bool crlf = false;
  bool json = false;                           // --format json, one case or the batch
  std::map<std::string, std::string> assigned; // NAME=VALUE
  // --batch.
  std::optional<std::string> file, reports;
  batch::Encoding encoding = batch::Encoding::Auto;
  batch::TableEncoding output_encoding = batch::TableEncoding::Utf8Bom;
  bool replace = false;
  // --cases.
  std::optional<std::string> cases;
  // Both.
  std::optional<std::string> pdf, output;
  SheetNames title;
};

// Reads the arguments into `cl`, in order: the first wrong one is the one
// reported. --help and --version end the reading. False, after saying why,
// when the command line is wrong.
bool read_command_line(int argc, char **argv, CommandLine &cl, std::ostream &err) {
  const std::vector<Argument> arguments = split_arguments(argc, argv);
  const auto given = [&arguments](std::string_view option) {
    return std::any_of(arguments.begin(), arguments.end(), [option](const Argument &a) {
      return a.kind == Argument::Kind::Option && a.name == option;
    });
  };
  const bool batch = given("--batch"), cases = given("--cases");
  if (batch)
    cl.action = CommandLine::Action::Batch;
  if (cases)
    cl.action = CommandLine::Action::Cases;
  const auto wrong = [&err](const std::string &what) {
    usage_error(what, err);
    return false;
  };
  std::set<Opt> given_once;
  for (std::size_t k = 0; k < arguments.size(); ++k) {
    const Argument &a = arguments[k];
    if (a.kind == Argument::Kind::End) {
      if (batch && k + 1 < arguments.size()) // the batch reads no operands
        return wrong(tr("'%1' cannot follow --.", {arguments[k + 1].text}));
      continue;
    }
    if (a.kind == Argument::Kind::Operand) {
      if (cases)
        return wrong(tr("'%1' cannot be used with --cases.", {a.text}));
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
    const OptionEntry *known = option_named(a.name);
    if (!known)
      return wrong(cases   ? tr("'%1' cannot be used with --cases.", {a.text})
                   : batch ? tr("'%1' cannot be used with --batch.", {a.text})
                           : tr("Unknown option '%1'.", {a.text}));
    if (a.value_missing)
      return wrong(tr("%1 needs a value.", {a.name}));
    if (!known->value && a.value)
      return wrong(tr("%1 takes no value.", {a.name}));
    if (known->id == Opt::Help) {
      cl.action = CommandLine::Action::Help;
      return true;
    }
    if (known->id == Opt::Version) {
      cl.action = CommandLine::Action::Version;
      return true;
    }
    if (cases && known->use != Use::Cases) // every option of a case is on its line
      return wrong(tr("'%1' cannot be used with --cases.", {a.text}));
    if (batch && known->use == Use::Case)
      return wrong(tr("'%1' cannot be used with --batch.", {a.text}));
    if (!batch && known->use == Use::Batch)
      return wrong(tr("%1 is an option of --batch.", {a.name}));
    // Each option once, as each field: a second value would silently win.
    if (known->value && !given_once.insert(known->id).second)
      return wrong(tr("Give %1 only once.", {known->name}));
    const std::string value = a.value.value_or("");
    switch (known->id) {
    case Opt::Crlf:
      cl.crlf = true;
      break;
    case Opt::Format:
      if (value != "json" && value != "text")
        return wrong(tr("Unknown format '%1' (text, json).", {value}));
      cl.json = value == "json";
      break;
    case Opt::Shape:
      if (!(cl.shape = spelled(ShapeSpellings, value)))
        return wrong(tr("Unknown shape '%1'.", {value}));
      break;
    case Opt::Anchor:
      if (!(cl.anchor = spelled(AnchorSpellings, value)))
        return wrong(tr("Unknown anchor kind '%1'.", {value}));
      break;
    case Opt::Material:
      if (!(cl.material = spelled(MaterialSpellings, value)))
        return wrong(tr("Unknown material '%1'.", {value}));
      break;
    case Opt::Replace:
      cl.replace = true;
      break;
    case Opt::Batch:
      cl.file = value;
      break;
    case Opt::Cases:
      cl.cases = value;
      break;
    case Opt::Encoding:
      if (const auto e = batch::parse_encoding(value))
        cl.encoding = *e;
      else
        return wrong(tr("Unknown encoding '%1' (auto, utf-8, cp932).", {value}));
      break;
    case Opt::OutputEncoding:
      if (const auto e = batch::parse_table_encoding(value))
        cl.output_encoding = *e;
      else
        return wrong(tr("Unknown table encoding '%1' (utf-8, utf-8-bom, cp932).", {value}));
      break;
    case Opt::Reports:
      if (value.empty())
        return wrong(tr("The folder name of --reports is empty."));
      cl.reports = value;
      break;
    case Opt::Output:
      if (value.empty())
        return wrong(tr("The file name of %1 is empty.", {a.name}));
      cl.output = value;
      break;
    case Opt::Pdf:
      if (value.empty())
        return wrong(batch ? tr("The folder name of --pdf is empty.")
                           : tr("The file name of --pdf is empty."));
      if (!WithPdf) {
        no_pdf_in_this_build(err);
        return false;
      }
      cl.pdf = value;
      break;
    case Opt::Project:
      cl.title.project = value;
      break;
    case Opt::Equipment:
      cl.title.equipment = value;
      break;
    case Opt::Checker:
      cl.title.checker = value;
      break;
    case Opt::Help:
    case Opt::Version:
      break;
    }
  }
  if (cases && (!cl.cases || cl.cases->empty()))
    return wrong(tr("Give the file name of the cases after --cases (- for standard input)."));
  if (cases)
    return true;
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
  // -o FILE: the table goes to a temporary file as it is written (memory
  // stays flat), renamed over FILE once the run is through.
  std::optional<AtomicFile> output_file;
  std::optional<batch::FdOutputBuf> output_buf;
  if (cl.output) {
    output_file.emplace(*cl.output, true, true);
    if (output_file->fd() < 0)
      return say_not_saved(*cl.output, output_file->error_number(), tr("the verdict table"));
    output_buf.emplace(output_file->fd());
  }
  std::streambuf &out_buf = output_buf ? static_cast<std::streambuf &>(*output_buf) : stdout_buf;

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
  std::optional<batch::ViewInputBuf> schedule_view; // read in place, not copied
  std::optional<std::istream> schedule_in;
  if (bundle) {
    // Where the PDF goes is checked before any sheet is drawn: a folder
    // that cannot be written is said at once, not after every row.
    if (const std::string why = check_save_target(*pdf); !why.empty()) {
      std::cerr << "zelvaro-check: " << tr("Cannot save the PDF '%1': %2", {*pdf, why}) << "\n";
      return ExitRefused;
    }
    // Up to a bound, so that an endless input (/dev/zero) is refused with
    // bounded memory.
    if (const int failed = read_to_end(in_fd, schedule_bytes)) {
      std::cerr << "zelvaro-check: "
                << (failed == EFBIG
                        ? tr("The schedule '%1' is larger than %2: one PDF of every sheet is not made of it.",
                             {*file, size_limit_text()})
                        : tr("Cannot read the schedule '%1'.", {*file}))
                << "\n";
      return ExitRefused;
    }
    schedule_view.emplace(schedule_bytes);
    in = &schedule_in.emplace(&*schedule_view);
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
  if (!cl.json) {
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
  }
  // JSON Lines are UTF-8 whatever --output-encoding says.
  std::streambuf &encoded = table_buf ? static_cast<std::streambuf &>(*table_buf) : out_buf;
  // On a terminal, the schedule's cells cannot drive it.
  std::optional<batch::TerminalTextBuf> terminal_buf;
  if (!cl.output && isatty(STDOUT_FILENO))
    terminal_buf.emplace(encoded);
  std::ostream table(terminal_buf ? static_cast<std::streambuf *>(&*terminal_buf) : &encoded);
  std::unique_ptr<batch::ResultSink> sink;
  if (cl.json)
    sink = std::make_unique<batch::JsonLines>(table);
  else
    sink = std::make_unique<batch::CsvTable>(table);
  if (!isatty(STDERR_FILENO))
    diagnostics_buf.hold();
  const batch::BatchCounts counts = batch::run_batch(*in, *sink, diagnostics, options);
  diagnostics_buf.release();
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
    // Stopped between sheets by SIGINT or SIGTERM, as the table is.
    int drawn = 0, sheets = 0;
    const std::string failed = sheet::write_schedule_bundle(
        schedule_bytes, encoding, *pdf, SheetNames{title.project, title.equipment, title.checker},
        options.now, [&](int done, int total) {
          drawn = done;
          sheets = total;
          return *options.stop == 0;
        });
    if (const int signal = *options.stop) {
      diagnostics
          << "zelvaro-check: "
          << tr("Stopped on %1 while drawing the one PDF, after %2 of %3 items; '%4' was not written.",
                {signal == SIGINT ? texts.sigint : texts.sigterm, std::to_string(drawn),
                 std::to_string(sheets), *pdf})
          << "\n";
      return 128 + signal;
    }
    if (!failed.empty()) {
      diagnostics << "zelvaro-check: " << failed << "\n";
      output_kept();
      return ExitRefused;
    }
  }
#endif
  if (cl.output) {
    table.flush();
    if (const int error = output_file->commit_error(table ? 0 : errno ? errno : EIO))
      return say_not_saved(*cl.output, error, tr("the verdict table"));
  }
  // A cell that had to change is an input the table does not hold as given.
  if (table_buf && table_buf->replaced() > 0)
    return ExitRefused;
  return batch::exit_status(counts);
}

// One case: the report to standard output, the refusal or the advice to
// standard error.
int case_main(const CommandLine &cl, const Output &out) {
  const std::optional<Shape> &shape = cl.shape;
  const std::optional<Anchor> &anchor = cl.anchor;
  const std::optional<Material> &material = cl.material;
  const bool crlf = cl.crlf;
  [[maybe_unused]] const std::optional<std::string> &pdf = cl.pdf; // only where sheets are written
  [[maybe_unused]] const SheetNames &title = cl.title;
  const std::map<std::string, std::string> &assigned = cl.assigned;
  std::ostream &err = out.err;

  CaseFields fields;
  for (const auto &[name, text] : assigned) {
    const std::optional<InputSlot> slot = slot_of(*shape, name);
    if (!slot)
      return usage_error(tr("The shape %2 does not read '%1'.", {name, shape_option(*shape)}), err);
    fields.set(*slot, text);
  }
  // Combo1 is emptied when an anchor kind is chosen: the diameter has no default.
  if (!assigned.count("M"))
    fields.set(InputSlot::Combo1, "");

  SeismicCalcState state;
  prepare_state(state, *shape, *anchor, *material);
  const CalcOutcome outcome = run_case(state, fields, now_text());
  for (const Message &m : outcome.refusal)
    print_message(m, err);
  const std::vector<std::string> changes = outcome.status == CalcOutcome::Status::Reported && outcome.message
                                               ? suggestions(state, fields, outcome)
                                               : std::vector<std::string>();
  const auto write = [&](std::string_view text) {
    return cl.output ? save_output(*cl.output, text, tr("the report")) : out.write(text, tr("the report"));
  };
  if (cl.json) { // the result as the batch's JSON Lines give a row, refused or not
    batch::ItemResult r;
    batch::take_outcome(r, state, outcome);
    r.suggestions = changes;
    r.inputs = {{"shape", std::string(spelling_of(ShapeSpellings, *shape))},
                {"anchor", std::string(spelling_of(AnchorSpellings, *anchor))},
                {"material", std::string(spelling_of(MaterialSpellings, *material))}};
    r.inputs.insert(r.inputs.end(), assigned.begin(), assigned.end());
    std::string text;
    batch::append_json(text, r);
    text += '\n';
    if (write(text) != ExitPass)
      return ExitRefused;
  }

  switch (outcome.status) {
  case CalcOutcome::Status::Refused:
    return ExitRefused;
  case CalcOutcome::Status::Stopped:
    if (outcome.message)
      print_message(*outcome.message, err);
    return ExitRefused;
  case CalcOutcome::Status::Reported:
    break;
  }
  std::string report = crlf ? outcome.report : to_lf(outcome.report);
  report += crlf ? "\r\n" : "\n"; // a text file's last line ends too
  if (!cl.json && write(report) != ExitPass)
    return ExitRefused;
#ifdef ZELVARO_WITH_PDF
  if (pdf) {
    const std::unique_ptr<QGuiApplication> drawing = start_offscreen_drawing();
    const std::string error = sheet::write_sheet_file(*pdf, state, outcome, fields, title);
    if (!error.empty()) {
      err << "zelvaro-check: " << error << "\n";
      if (outcome.message)
        print_message(*outcome.message, err);
      return ExitRefused;
    }
  }
#endif
  if (outcome.message) {
    print_message(*outcome.message, err);
    for (const std::string &line : changes)
      err << line << "\n";
    return ExitShortfall;
  }
  return ExitPass;
}

int cases_main(const CommandLine &cl);

// A whole run of the command line, writing to `out`.
int run_command(int argc, char **argv, const Output &out) {
  CommandLine cl;
  if (!read_command_line(argc, argv, cl, out.err))
    return ExitRefused;
  switch (cl.action) {
  case CommandLine::Action::Help:
    return print_help(out);
  case CommandLine::Action::Version:
    return print_version(out);
  case CommandLine::Action::Batch:
    return batch_main(cl);
  case CommandLine::Action::Cases:
    return cases_main(cl);
  case CommandLine::Action::Case:
    break;
  }
  return case_main(cl, out);
}

// One line of --cases, run as zelvaro-check with its arguments would run,
// into `stdout_text` and `err`. Options that write files are refused: the
// answers are the only output of --cases.
int run_listed_case(const std::vector<std::string> &arguments, std::string &stdout_text, std::ostream &err) {
  std::vector<char *> argv{const_cast<char *>("zelvaro-check")};
  for (const std::string &a : arguments)
    argv.push_back(const_cast<char *>(a.c_str()));
  argv.push_back(nullptr);
  const int argc = static_cast<int>(argv.size() - 1);
  for (const Argument &a : split_arguments(argc, argv.data()))
    if (const OptionEntry *o = a.kind == Argument::Kind::Option ? option_named(a.name) : nullptr;
        o && (o->id == Opt::Pdf || o->id == Opt::Reports || o->id == Opt::Output || o->id == Opt::Batch ||
              o->id == Opt::Cases))
      return usage_error(tr("'%1' cannot be used in a case of --cases: it writes files.", {a.name}), err);
  return run_command(argc, argv.data(), Output{err, &stdout_text});
}

// --cases: one answer line per line read, written as soon as it is known.
int cases_main(const CommandLine &cl) {
  const std::string &file = *cl.cases;
  int in_fd = STDIN_FILENO;
  if (file != "-") {
    in_fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (in_fd < 0) {
      std::cerr << "zelvaro-check: "
                << tr("Cannot open the cases '%1': %2", {file, system_error_words(errno)}) << "\n";
      return ExitRefused;
    }
  }
  batch::FdInputBuf in_buf(in_fd);
  std::istream in(&in_buf);
  in.exceptions(std::ios::badbit); // a read error must not pass for the end
  std::string line, stdout_text, answer;
  std::ostringstream err;
  try {
    for (std::size_t number = 1; std::getline(in, line); ++number) {
      stdout_text.clear();
      err.str({});
      const ArgumentLine parsed = parse_argument_line(line);
      const int status = parsed.error_at
                             ? usage_error(tr("Line %1 is not a JSON array of strings (byte %2).",
                                              {std::to_string(number), std::to_string(parsed.error_at)}),
                                           err)
                             : run_listed_case(parsed.arguments, stdout_text, err);
      answer = "{\"stdout\":";
      append_json_string(answer, stdout_text);
      answer += ",\"stderr\":";
      append_json_string(answer, err.str());
      answer += ",\"status\":" + std::to_string(status) + "}\n";
      if (const int error = batch::write_all(STDOUT_FILENO, answer.data(), answer.size())) {
        std::cerr << "zelvaro-check: "
                  << tr("Cannot write %1 to standard output: %2",
                        {tr("the answers"), system_error_words(error)})
                  << "\n";
        return ExitRefused;
      }
    }
  } catch (const std::system_error &e) {
    std::cerr << "zelvaro-check: "
              << tr("Cannot read the cases '%1': %2", {file, system_error_words(e.code().value())}) << "\n";
    return ExitRefused;
  }
  return Output{std::cerr}.write({}, tr("the answers")); // closed, so that a late failure is seen
}

} // namespace

int main(int argc, char **argv) {
  batch::hold_closed_standard_descriptors();
  init_messages();
  return run_command(argc, argv, Output{std::cerr});
}
