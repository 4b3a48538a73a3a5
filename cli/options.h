// zelvaro-check's options and names in one table: the parser reads it, and
// --help, the manual pages (English and Japanese, made at build time by
// zelvaro-check-docs) and the bash completion are written from it, so that
// none of them can list an option the others do not.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zelvaro::cli {

enum class Opt {
  Shape,
  Anchor,
  Material,
  Crlf,
  Format,
  Batch,
  Cases,
  Encoding,
  OutputEncoding,
  Reports,
  Replace,
  Pdf,
  Project,
  Equipment,
  Checker,
  Output,
  Help,
  Version,
};

// Which command line reads an option: one case, a batch (--batch), both,
// many cases in one process (--cases), or any (--help, --version).
enum class Use { Case, Batch, Both, Cases, Any };

// What the shell completes after an option that takes a value.
enum class Complete {
  Nothing,
  Shape,
  Anchor,
  Material,
  Format,
  Encoding,
  TableEncoding,
  File,
  Folder,
  FileOrFolder
};

// One row of the table of options.
struct OptionEntry {
  Opt id;
  std::string_view name;       // "--shape"
  std::string_view short_name; // "-o", or empty
  const char *value;           // what it takes, in --help ("SHAPE"; translated), or nullptr for a flag
  Use use;
  const char *help; // English (translated); %1 is the list of the option's values
  Complete complete;
};

std::span<const OptionEntry> options();
// The option spelled `name` ("--shape" or "-o"), if there is one.
const OptionEntry *option_named(std::string_view name);

// The texts written from the table, in the user's language (the messages'
// catalog): --help, a manual page (roff; `date` as YYYY-MM-DD) and the bash
// completion script.
std::string help_text();
std::string manual_page(std::string_view version, std::string_view date);
std::string bash_completion();

} // namespace zelvaro::cli
