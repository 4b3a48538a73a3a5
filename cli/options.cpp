#include "cli/options.h"

#include "capture/single_case.h"
#include "cli/messages.h"
#include "engine/shape_procedure.h"
#include "refdata/materials.h"
#include "refdata/selection_lists.h"
#include "schedule/batch.h"
#include "schedule/text_encoding.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace zelvaro::cli {

using namespace zelvaro::cases;

namespace {

constexpr OptionEntry Options[] = {
    {Opt::Shape, "--shape", "", "SHAPE", Use::Case, "how the equipment is fixed: %1", Complete::Shape},
    {Opt::Anchor, "--anchor", "", "KIND", Use::Case, "the anchor kind: %1", Complete::Anchor},
    {Opt::Material, "--material", "", "MATERIAL", Use::Case, "the bolts' material: %1", Complete::Material},
    {Opt::Crlf, "--crlf", "", nullptr, Use::Case, "keep CR LF line ends in the report (LF by default)",
     Complete::Nothing},
    {Opt::Format, "--format", "", "FORMAT", Use::Both,
     "text (the default: the report, or the verdict table) | json: instead of the report one JSON object, "
     "with "
     "the inputs, status, every figure (its unit in the key: Rb_N, pullout_kg, ...), bolt_ok and bond_ok, "
     "message "
     "and suggestions; with --batch one such object a row (JSON Lines, UTF-8) instead of the verdict table",
     Complete::Format},
    {Opt::Batch, "--batch", "", "FILE", Use::Batch,
     "calculate every row of the equipment schedule FILE (CSV; - "
     "reads standard input) as one case each, and write the verdict "
     "table (CSV)",
     Complete::File},
    {Opt::Cases, "--cases", "", "FILE", Use::Cases,
     "calculate one case per line of FILE (- reads standard input), each line the JSON array of a run's "
     "arguments, and write one JSON answer per line (see below)",
     Complete::File},
    {Opt::Encoding, "--encoding", "", "NAME", Use::Batch,
     "of the schedule: auto (default, told from the bytes) | utf-8 "
     "| cp932 (Shift_JIS, CSV of the Japanese Excel)",
     Complete::Encoding},
    {Opt::OutputEncoding, "--output-encoding", "", "NAME", Use::Batch,
     "of the verdict table: utf-8-bom (default: UTF-8 with a "
     "byte-order mark, which the Japanese Excel opens as it is) | "
     "utf-8 (no mark) | cp932. A character cp932 cannot hold is "
     "written as ?, its line, id and column go to standard error, "
     "and the exit status is 2. Report files are always UTF-8.",
     Complete::TableEncoding},
    {Opt::Reports, "--reports", "", "DIR", Use::Batch,
     "also write each item's report into DIR (UTF-8, CR LF, named "
     "\"line_id.txt\"; unsafe characters of the id become _, and "
     "nothing is written outside DIR)",
     Complete::Folder},
    {Opt::Replace, "--replace", "", nullptr, Use::Batch,
     "write into a folder that is not empty: the earlier reports and "
     "sheets (\"line_id.txt\", \"line_id.pdf\") are removed first; "
     "other files are kept",
     Complete::Nothing},
    {Opt::Pdf, "--pdf", "", "FILE|DIR", Use::Both,
     "one case: also write its calculation sheet (one A4 page, PDF; none when the case cannot be calculated) "
     "to "
     "FILE. A batch: each item's sheet into the folder DIR (\"line_id.pdf\"; none for refused rows), its "
     "title "
     "block with the row's number (id) and the row's project, equipment and checker cells; or, for a name "
     "ending "
     "in .pdf, ONE file of every sheet after a cover with every item's verdict and page \"n / N\". Written "
     "under "
     "a temporary name, renamed when complete. A folder that is not empty is refused (earlier files would "
     "pass "
     "for this run's), and so is one another batch is writing into.",
     Complete::FileOrFolder},
    {Opt::Project, "--project", "", "NAME", Use::Both,
     "the project in the sheet's title block (a batch: for the rows whose project cell is empty)",
     Complete::Nothing},
    {Opt::Equipment, "--equipment", "", "NAME", Use::Both,
     "the equipment in the title block (a batch: for the rows whose equipment cell is empty)",
     Complete::Nothing},
    {Opt::Checker, "--checker", "", "NAME", Use::Both,
     "the checker in the title block (a batch: for the rows whose checker cell is empty)", Complete::Nothing},
    {Opt::Output, "--output", "-o", "FILE", Use::Both,
     "write the report or the verdict table to FILE, not to standard "
     "output: under a temporary name in FILE's folder, renamed once "
     "the run is through, so that a run that fails leaves the "
     "earlier FILE as it was",
     Complete::File},
    {Opt::Help, "--help", "-h", nullptr, Use::Any, "this text", Complete::Nothing},
    {Opt::Version, "--version", "", nullptr, Use::Any, "the program's version", Complete::Nothing},
};

// "--" and what it does, listed after the options.
constexpr const char *EndOfOptions = "ends the options: every later argument is NAME=VALUE";

// What each name of NAME=VALUE (and each column of a schedule) holds.
struct FieldHelp {
  std::string_view name;
  const char *help;
};
constexpr FieldHelp Fields[] = {
    {"M", "bolt diameter (mm): one of the anchor kind's (8 10 12 16 20 24 30)"},
    {"KH", "design horizontal seismic coefficient (default 2.0)"},
    {"Z", "regional coefficient (default 1.0)"},
    {"P", "motor power (kW) (default 0)"},
    {"W", "equipment weight (kg)"},
    {"n", "number of anchors"},
    {"nt", "anchors taking tension (floor, ceiling): a whole number from 1 to n/2 (default n/2)"},
    {"n1", "number of anchors of a wall unit, first row"},
    {"n2", "number of anchors of a wall unit, second row"},
    {"LG", "horizontal distance to the centre of gravity (cm)"},
    {"HG", "height of the centre of gravity (cm)"},
    {"L", "anchor spacing (cm)"},
    {"D", "diameter of the bolt circle (cm)"},
    {"H", "height (cm)"},
    {"L1", "dimension L1 of a wall unit (cm)"},
    {"L2", "dimension L2 of a wall unit (cm)"},
    {"L1G", "dimension L1G of a wall unit (cm)"},
    {"L2G", "dimension L2G of a wall unit (cm)"},
    {"L3G", "dimension L3G of a wall unit (cm)"},
    {"N", "speed (rpm) (default 0)"},
    {"a", "vibration (um) (default 0)"},
    {"F", "external force (kg) (default 0)"},
};

// The prose after the options, the same in --help and the manual page.
// Lines that start with a space keep their layout in the manual; the others
// are filled. %1 is the list of names.
struct Section {
  const char *title;
  const char *body;
};
constexpr Section Sections[] = {
    {"The schedule",
     "The first line names the columns (case-sensitive, any order):\n"
     "  id        the item's name (any text, optional)\n"
     "  shape     anchor     material\n"
     "            the values of --shape, --anchor, --material\n"
     "  equipment the equipment name of the sheet's title block (optional)\n"
     "  project   the project (the window writes it; optional)\n"
     "  checker   the checker (the window writes it; optional)\n"
     "  %1\n"
     "             the names above\n"
     "A missing column takes the one-case default (KH 2.0, Z 1.0, P N a F 0; M has none).\n"
     "An empty cell is an empty field, refused like a blank field in the window; to use the default, leave "
     "the "
     "column out or write the value. Cells are not trimmed (\" 12\" is not a number).\n"
     "Cells of names the row's shape does not read are ignored: one schedule can mix every shape.\n"
     "An unknown or a repeated column name makes the whole file an error (exit status 2). Columns with an "
     "empty "
     "name are ignored.\n"
     "Rows of only empty cells (Excel's ,,,, rows) are skipped.\n"
     "A row with another number of cells than the header, bad quoting, or an unknown shape and the like is "
     "\"refused\": its line, id and reason go to standard error and the other rows go on.\n"
     "Encodings: UTF-8 (with or without BOM), CP932. Lines end in CR LF or LF. A quoted cell \"...\" may "
     "hold "
     "commas, line breaks and \"\" (one \")."},
    {"The verdict table",
     "UTF-8 with BOM by default, CR LF, a header line, these columns:\n"
     "  id              the schedule's id\n"
     "  status          ok (all sufficient) | shortfall | refused (not calculated)\n"
     "                  | error (calculated, but its files could not be written:\n"
     "                  the reason is in message; 20 in a row stop the run)\n"
     "  Rb              pull-out force (N)\n"
     "  sigma_b, tau_b  tensile and shear stress (MPa)\n"
     "  sigma_c, tau_c  tensile and shear strength (MPa)\n"
     "  pullout_kg      pull-out force (kg)\n"
     "  allowable_kg    bond (rebar strength for rebar-hooked) (kg)\n"
     "                  (both only for hawk-cut to rebar-hooked)\n"
     "  LL              weld length (cm)\n"
     "  RebarCount      number of 13 mm rebars (both only for rebar-welded)\n"
     "  bolt_verdict    the report's bolt verdict line as it is\n"
     "  anchor_verdict  the report's bond verdict (empty for rebar-welded)\n"
     "  message         the advice on a shortfall, or why the row was refused\n"
     "                  (line breaks become one space)\n"
     "  suggestion      on a shortfall, the changes that would pass (diameter,\n"
     "                  count, material or anchor kind, one at a time),\n"
     "                  joined by \" / \"\n"
     "  line            the schedule's line where the row starts (to join on)\n"
     "Numbers are written as in the report; a refused row's numbers and verdicts are empty.\n"
     "The counts (passed, short, refused) go to standard error at the end. A progress bar is drawn on "
     "standard "
     "error when it is a terminal and the table does not go to that same terminal. On a terminal, the "
     "table's "
     "control characters are shown escaped (\\x1b), as on standard error; redirected, the table is written "
     "byte "
     "for byte."},
    {"Many cases in one process",
     "zelvaro-check --cases FILE runs one case per line of FILE and writes one line per case to standard "
     "output, "
     "as soon as the case is done. A line is a JSON array of the arguments of one run, exactly as they would "
     "follow zelvaro-check:\n"
     "  "
     "[\"--shape\",\"floor\",\"--anchor\",\"hawk-cut\",\"--material\",\"SS\",\"M=12\",\"W=500\",\"n=4\",\"LG="
     "30\",\"HG=60\",\"L=50\"]\n"
     "and its answer a JSON object of what that run would have printed and its exit status:\n"
     "  {\"stdout\":\"...\",\"stderr\":\"...\",\"status\":0}\n"
     "The report's date line holds the time the case ran, as a separate run's does. --pdf, --reports, "
     "--output, "
     "--batch and --cases write files and are refused in a case (status 2), and so is a line that is not a "
     "JSON "
     "array of strings; the next lines go on. Bytes that are not UTF-8 are written \\udc80 to \\udcff (one "
     "per "
     "byte), and read so in the arguments. Exit status: 0 every line answered / 2 FILE unreadable, or the "
     "answers could not be written."},
    {"Exit status", "One case:\n"
                    "  0  bolt strength and bond sufficient\n"
                    "  1  a check failed (advice and the changes that would pass on\n"
                    "     standard error)\n"
                    "  2  refused input, values that cannot be calculated, a report that could not\n"
                    "     be written, or wrong use of the command\n"
                    "A batch:\n"
                    "  0  all passed          1  some item short\n"
                    "  2  a row refused or in error, the schedule unreadable, the table\n"
                    "     unwritable, or a character of the table not held by cp932\n"
                    "  130, 143  stopped by Ctrl+C (SIGINT) or SIGTERM (the file in hand is\n"
                    "     finished and the table ends at a row boundary)"},
    {"Environment", "  SOURCE_DATE_EPOCH  seconds since 1970-01-01 UTC: the date and time\n"
                    "                     the reports, sheets and the cover print (two\n"
                    "                     runs give the same bytes)\n"
                    "  LANGUAGE, LC_ALL, LC_MESSAGES  the language of the messages (Japanese or\n"
                    "                     English); the report is Japanese always\n"
                    "  ZELVARO_DEBUG=1    show Qt's warnings while drawing sheets"},
    {"Examples", "  zelvaro-check --shape floor --anchor hawk-cut --material SS M=12 KH=1.0 Z=1.0 \\\n"
                 "      W=500 n=4 LG=30 HG=60 L=50\n"
                 "The package installs /usr/share/doc/zelvaro/examples/schedule.csv, a schedule with every "
                 "shape and every "
                 "anchor kind:\n"
                 "  zelvaro-check --batch /usr/share/doc/zelvaro/examples/schedule.csv \\\n"
                 "      --reports reports -o verdicts.csv"},
};

// A word added to a list of them. (Written out: "" or " " + std::string
// meets GCC 12's -Wrestrict false positive, bug 105651.)
void add_word(std::string &list, std::string_view word, std::string_view separator = " ") {
  if (!list.empty())
    list += separator;
  list += word;
}

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

constexpr std::size_t HelpColumn = 22; // where an option's text starts in --help

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

// An option's values with the window's name for each in brackets, broken
// before a "|" where a line would pass `width` columns.
template <class T, std::size_t K>
std::string value_list(const Spelling<T> (&table)[K], std::string_view (*label)(T)) {
  std::string list;
  for (const auto &[spelling, value] : table)
    add_word(list, std::string(spelling) + "(" + std::string(label(value)) + ")", " | ");
  return list;
}

template <class T, std::size_t K> std::string spellings(const Spelling<T> (&table)[K]) {
  std::string words;
  for (const auto &[spelling, value] : table)
    add_word(words, spelling);
  return words;
}

// An option's text in the user's language, its values filled in.
std::string option_help(const OptionEntry &o) {
  switch (o.id) {
  case Opt::Shape:
    return tr(o.help, {value_list(ShapeSpellings, shape_caption)});
  case Opt::Anchor:
    return tr(o.help, {value_list(AnchorSpellings, anchor_caption)});
  case Opt::Material:
    return tr(o.help, {value_list(MaterialSpellings, material_caption)});
  default:
    return tr(o.help);
  }
}

// "-o, --output FILE" in the user's language.
std::string option_label(const OptionEntry &o) {
  std::string label = o.short_name.empty() ? "" : std::string(o.short_name) + ", ";
  label += o.name;
  if (o.value)
    label.append(" ").append(tr(o.value));
  return label;
}

std::string field_help(std::string_view name) {
  for (const FieldHelp &f : Fields)
    if (f.name == name)
      return tr(f.help);
  throw std::logic_error("no help for the name " + std::string(name));
}

// "floor       M KH Z ..." for each shape.
std::vector<std::pair<std::string, std::string>> names_by_shape() {
  std::vector<std::pair<std::string, std::string>> lines;
  for (const auto &[option, shape] : ShapeSpellings) {
    std::string names;
    for (const std::string_view name : field_names())
      if (slot_of(shape, name))
        add_word(names, name);
    lines.emplace_back(option, names);
  }
  return lines;
}

std::string all_names() {
  std::string names;
  for (const std::string_view name : field_names())
    add_word(names, name);
  return names;
}

std::string section_body(const Section &s) {
  return tr(s.body, {all_names()});
}

// Which options one use lists: its own and those of both.
bool listed_for(const OptionEntry &o, Use use) {
  return o.use == use || (use == Use::Both && o.use == Use::Any);
}

constexpr Use Groups[] = {Use::Case, Use::Batch, Use::Cases, Use::Both};
const char *group_title(Use use) {
  switch (use) {
  case Use::Case:
    return "Options of one case";
  case Use::Batch:
    return "Options of a batch";
  case Use::Cases:
    return "Many cases in one process";
  default:
    return "Options of both";
  }
}

std::string synopsis_case() {
  return "zelvaro-check --shape " + tr("SHAPE") + " --anchor " + tr("KIND") + " --material " +
         tr("MATERIAL") + " [" + tr("OPTION") + " ...] [" + tr("NAME=VALUE") + " ...]";
}
std::string synopsis_batch() {
  return "zelvaro-check --batch " + tr("FILE") + " [" + tr("OPTION") + " ...]";
}
std::string synopsis_cases() {
  return "zelvaro-check --cases " + tr("FILE");
}

const char *const Description =
    "Calculates whether the anchor bolts fixing a piece of equipment survive an earthquake and writes the "
    "report "
    "(in Japanese) to standard output. Values are taken as the window's fields take them (ASCII digits and a "
    "decimal point only).\n"
    "With --batch, calculates every row of an equipment schedule (CSV) exactly as one case and writes a "
    "verdict "
    "table (CSV) to standard output.";

// Text broken into lines of at most `width` columns at spaces, or between
// two Japanese characters; lines that start with a space are kept as they are.
std::string wrapped(std::string_view text, std::size_t width, std::size_t indent) {
  std::string out;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t newline = text.find('\n', start);
    std::string_view line =
        text.substr(start, newline == std::string_view::npos ? text.npos : newline - start);
    start = newline == std::string_view::npos ? text.size() : newline + 1;
    while (!line.starts_with(' ') && display_width(line) > width) {
      std::size_t space = 0, japanese = 0, columns = 0;
      for (std::size_t i = 0; i < line.size();) {
        const batch::CodePoint c = batch::decode_utf8_at(line, i);
        columns += c.value < 0x80 || (c.value >= 0xFF61 && c.value <= 0xFF9F) ? 1 : 2;
        if (columns > width)
          break;
        i += c.size;
        // Between two Japanese characters, but not before closing
        // punctuation nor inside the window's name of a value.
        const char32_t next = i < line.size() ? batch::decode_utf8_at(line, i).value : U' ';
        if (line[i - 1] == ' ')
          space = i;
        else if (c.value >= 0x3000 && next >= 0x3000 && next != U'）' && next != U'。' && next != U'、' &&
                 next != U'」')
          japanese = i;
      }
      const std::size_t cut = std::max(space, japanese);
      if (cut == 0)
        break;
      std::string_view head = line.substr(0, cut);
      while (head.ends_with(' '))
        head.remove_suffix(1);
      out += std::string(indent, ' ') + std::string(head) + "\n";
      line.remove_prefix(cut);
    }
    out += std::string(indent, ' ') + std::string(line) + "\n";
  }
  return out;
}

// Roff: backslashes and a leading dot or quote kept as text, minus signs as
// such.
std::string roff(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool line_start = i == 0 || text[i - 1] == '\n';
    if (line_start && (c == '.' || c == '\''))
      out += "\\&";
    if (c == '\\')
      out += "\\e";
    else if (c == '-')
      out += "\\-";
    else
      out += c;
  }
  return out;
}

// Text to be filled, in source lines short enough for groff to break a
// Japanese text (which has few spaces) between them.
std::string filled(std::string_view text) {
  return roff(wrapped(text, 60, 0));
}

// A section body in roff: indented lines as they are (no filling), the
// others as filled paragraphs.
std::string roff_body(std::string_view body) {
  std::string out;
  bool verbatim = false;
  std::size_t start = 0;
  while (start < body.size()) {
    const std::size_t newline = body.find('\n', start);
    const std::string_view line =
        body.substr(start, newline == std::string_view::npos ? body.npos : newline - start);
    start = newline == std::string_view::npos ? body.size() : newline + 1;
    const bool indented = line.starts_with(' ');
    if (indented && !verbatim)
      out += ".PP\n.nf\n";
    else if (!indented)
      out += verbatim ? ".fi\n.PP\n" : ".PP\n";
    verbatim = indented;
    out += indented ? roff(line) + "\n" : filled(line);
  }
  if (verbatim)
    out += ".fi\n";
  return out;
}

} // namespace

std::span<const OptionEntry> options() {
  return Options;
}

const OptionEntry *option_named(std::string_view name) {
  for (const OptionEntry &o : Options)
    if (o.name == name || (!o.short_name.empty() && o.short_name == name))
      return &o;
  return nullptr;
}

std::string help_text() {
  std::string text = tr("Usage:") + " " + synopsis_case() + "\n";
  text += std::string(display_width(tr("Usage:")) + 1, ' ') + synopsis_batch() + "\n";
  text += std::string(display_width(tr("Usage:")) + 1, ' ') + synopsis_cases() + "\n\n";
  text += wrapped(tr(Description), 79, 0);
  for (const Use use : Groups) {
    text.append("\n").append(tr(group_title(use))).append(":\n");
    for (const OptionEntry &o : Options) {
      if (!listed_for(o, use))
        continue;
      std::string label = "  " + option_label(o);
      const std::size_t columns = display_width(label);
      label += columns + 2 <= HelpColumn ? std::string(HelpColumn - columns, ' ') : "\n";
      std::string body = wrapped(option_help(o), 79 - HelpColumn, HelpColumn);
      text += label + (columns + 2 <= HelpColumn ? body.substr(HelpColumn) : body);
    }
  }
  text += "  --" + std::string(HelpColumn - 4, ' ') + tr(EndOfOptions) + "\n";
  text.append("\n").append(tr("Names (NAME=VALUE; each shape reads only its own)")).append(":\n");
  for (const std::string_view name : field_names()) {
    std::string line = "  " + std::string(name);
    line.resize(8, ' ');
    text += line + wrapped(field_help(name), 79 - 8, 8).substr(8);
  }
  text.append("\n").append(tr("Names read by each shape")).append(":\n");
  for (const auto &[shape, names] : names_by_shape()) {
    std::string line = "  " + shape;
    line.resize(12, ' ');
    text += line + names + "\n";
  }
  for (const Section &s : Sections)
    text.append("\n").append(tr(s.title)).append(":\n").append(wrapped(section_body(s), 77, 2));
  return text;
}

std::string manual_page(std::string_view version, std::string_view date) {
  std::string page =
      ".\\\" " + tr("Made by zelvaro-check-docs from the table of options (cli/options.cpp).") + "\n";
  page += ".TH ZELVARO-CHECK 1 " + std::string(date) + " \"Zelvaro " + std::string(version) + "\" \"" +
          tr("User Commands") + "\"\n.ad l\n.nh\n";
  page += ".SH " + tr("NAME") + "\nzelvaro\\-check \\- " +
          filled(tr("seismic check of the anchor bolts of building equipment (command line)"));
  page += ".SH " + tr("SYNOPSIS") + "\n.nf\n" + roff(synopsis_case()) + "\n" + roff(synopsis_batch()) + "\n" +
          roff(synopsis_cases()) + "\n.fi\n";
  page += ".SH " + tr("DESCRIPTION") + "\n" + roff_body(tr(Description));
  for (const Use use : Groups) {
    page += ".SH " + roff(tr(group_title(use))) + "\n";
    for (const OptionEntry &o : Options) {
      if (!listed_for(o, use))
        continue;
      page += ".TP\n";
      if (!o.short_name.empty())
        page += "\\fB" + roff(o.short_name) + "\\fR, ";
      page += "\\fB" + roff(o.name) + "\\fR";
      if (o.value)
        page += " \\fI" + roff(tr(o.value)) + "\\fR";
      page.append("\n").append(filled(option_help(o)));
    }
  }
  page += ".TP\n\\fB\\-\\-\\fR\n" + filled(tr(EndOfOptions));
  page += ".SH " + roff(tr("Names (NAME=VALUE; each shape reads only its own)")) + "\n";
  for (const std::string_view name : field_names())
    page += ".TP\n\\fB" + roff(name) + "\\fR\n" + filled(field_help(name));
  page += ".SS " + roff(tr("Names read by each shape")) + "\n.nf\n";
  for (const auto &[shape, names] : names_by_shape()) {
    std::string line = shape;
    line.resize(10, ' ');
    page += roff(line + names) + "\n";
  }
  page += ".fi\n";
  for (const Section &s : Sections)
    page += ".SH " + roff(tr(s.title)) + "\n" + roff_body(section_body(s));
  page += ".SH " + tr("SEE ALSO") + "\n.BR zelvaro (1)\n";
  return page;
}

std::string bash_completion() {
  std::string names, values, all;
  for (const OptionEntry &o : Options) {
    add_word(all, o.name);
    if (!o.short_name.empty())
      add_word(all, o.short_name);
  }
  const auto words = [](std::string_view list) {
    return "COMPREPLY=($(compgen -W \"" + std::string(list) + "\" -- \"$cur\"))";
  };
  std::string cases;
  for (const OptionEntry &o : Options) {
    std::string action;
    switch (o.complete) {
    case Complete::Shape:
      action = words(spellings(ShapeSpellings));
      break;
    case Complete::Anchor:
      action = words(spellings(AnchorSpellings));
      break;
    case Complete::Material:
      action = words(spellings(MaterialSpellings));
      break;
    case Complete::Format:
      action = words("text json");
      break;
    case Complete::Encoding:
      action = words("auto utf-8 cp932");
      break;
    case Complete::TableEncoding:
      action = words("utf-8-bom utf-8 cp932");
      break;
    case Complete::File:
    case Complete::FileOrFolder:
      action = "COMPREPLY=($(compgen -f -- \"$cur\"))";
      break;
    case Complete::Folder:
      action = "COMPREPLY=($(compgen -d -- \"$cur\"))";
      break;
    case Complete::Nothing:
      if (o.value)
        action = "COMPREPLY=()";
      break;
    }
    if (action.empty())
      continue;
    cases += "  " + std::string(o.name) + (o.short_name.empty() ? "" : "|" + std::string(o.short_name)) +
             ")\n    " + action + "\n    return\n    ;;\n";
  }
  for (const std::string_view name : field_names())
    add_word(names, std::string(name) + "=");
  return "# bash completion of zelvaro-check, made from its table of options\n"
         "_zelvaro_check() {\n"
         "  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}\n"
         "  case $prev in\n" +
         cases +
         "  esac\n"
         "  case $cur in\n"
         "  -*) " +
         words(all) +
         " ;;\n"
         "  *)\n"
         "    " +
         words(names) +
         "\n"
         "    compopt -o nospace\n"
         "    ;;\n"
         "  esac\n"
         "}\n"
         "complete -F _zelvaro_check zelvaro-check\n";
}

} // namespace zelvaro::cli
