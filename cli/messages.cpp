#include "cli/messages.h"

#include <cerrno>
#include <clocale>
#include <filesystem>
#include <libintl.h>
#include <system_error>

namespace zelvaro::cli {

namespace {
constexpr const char *Domain = "zelvaro-check";
}

void init_messages() {
  // Only the messages' language: numbers must keep the C locale's form.
  std::setlocale(LC_MESSAGES, "");
  std::error_code ec;
  const std::filesystem::path dir = std::filesystem::read_symlink("/proc/self/exe", ec).parent_path();
  std::filesystem::path catalogs = dir / "locale";
  if (ec || !std::filesystem::is_directory(catalogs, ec))
    catalogs = dir / ".." / "share" / "locale";
  bindtextdomain(Domain, catalogs.c_str());
  bind_textdomain_codeset(Domain, "UTF-8"); // whatever the terminal's locale says
}

std::string tr(const char *english, std::initializer_list<std::string_view> args) {
  return batch::filled(dgettext(Domain, english), args);
}

std::string system_error_words(int errnum) {
  if (const SystemErrorWords *w = system_error_words_of(errnum))
    return tr(w->english);
  return tr("A system error (error number %1).", {std::to_string(errnum)});
}

batch::BatchTexts batch_texts() {
  batch::BatchTexts t;
  t.row = tr("Line %1: ");
  t.row_with_id = tr("Line %1 (id %2): ");
  t.counts = tr("Items %1, passed %2, short %3, refused %4");
  t.counts_write_failures = tr(", write failures %1");
  t.progress_rows = tr("%1 rows");
  t.stopped = tr("Stopped on %1. The verdict table ends with the rows up to line %2 (every report written is "
                 "complete).");
  t.sigint = tr("SIGINT (Ctrl+C)");
  t.sigterm = tr("SIGTERM");
  t.no_header = tr("There is no header row (the input is empty).");
  t.header_unreadable = tr("Cannot read the header row (line %1): %2");
  t.header_twice = tr("The header names the column '%1' twice (columns %2 and %3).");
  t.header_unknown =
      tr("The header's column name '%1' (column %2) is not known. Column names (letter case counts): %3");
  t.no_rows = tr("There are no rows to calculate after the header row.");
  t.column = tr("Column %1: ");
  t.column_named = tr("Column %1 (%2): ");
  t.quote_in_unquoted = tr("A \" inside a value that is not enclosed in \" (enclose the whole value in \" "
                           "and double each \" inside it).");
  t.quote_open_at_line_end = tr(
      "A \" is not closed by the end of the line (this line was read alone, as a \" above was left open).");
  t.too_many_fields = tr("Too many columns (more than %1).");
  t.nul_byte = tr("The unusable byte 0x00 (NUL) at byte %1.");
  t.byte_order_mark = tr("A BOM (EF BB BF) inside the file, at byte %1.");
  t.text_after_quote = tr("Text after the closing \".");
  t.quote_open_at_end = tr("The \" opened on line %1 is not closed by the end of the file.");
  t.wrong_field_count = tr("The row has %1 cells, the header row %2.");
  t.too_long = tr("The line is too long (more than %1 bytes).");
  t.invalid_utf8 =
      tr("The byte 0x%1 (byte %2) is not UTF-8. If the file was saved as Shift_JIS, give --encoding cp932.");
  t.invalid_cp932 = tr("The byte 0x%1 (byte %2) is not CP932.");
  t.bom_read_as_cp932 = tr("The file starts with a UTF-8 BOM but is read as CP932. Check --encoding.");
  t.shape_word = tr("Shape");
  t.anchor_word = tr("Anchor kind");
  t.material_word = tr("Material");
  t.no_column = tr("There is no %1 column. Add a %1 column to the header row.");
  t.empty_selection = tr("%1 (%2) is empty. Write one of %3.");
  t.unknown_selection = tr("%1 (%2) '%3' is not known. Write one of %4.");
  t.id_too_long = tr("The id is too long (%1 bytes; make it at most %2 bytes).");
  t.write_failures_stop = tr("Writing the reports failed %1 times in a row, so the batch stops at line %2.");
  t.read_failed_at = tr("Cannot read the schedule (after reading up to line %1): %2");
  t.read_failed = tr("Cannot read the schedule: %1");
  t.table_write_failed = tr("Cannot write the verdict table (stopping at line %1): %2");
  t.write_failed = tr("The write failed.");
  t.cannot_continue = tr("Cannot continue: %1");
  t.folder_open = tr("Cannot open the report folder '%1': %2");
  t.folder_write = tr("Cannot write in the report folder '%1': %2");
  t.folder_busy = tr("The report folder '%1' is in use by another zelvaro-check --batch. Run when it has "
                     "finished, or give another folder.");
  t.folder_read = tr("Cannot read the report folder '%1': %2");
  t.folder_clear = tr("Cannot remove the previous reports in the report folder '%1': %2");
  t.folder_not_empty = tr(
      "The report folder '%1' is not empty ('%2' and maybe more). So that earlier results cannot pass for "
      "this run's, give an empty folder, or --replace to remove the previous reports and write them again.");
  t.report_name = tr("Cannot make a report file name (line %1)");
  t.report_write = tr("Cannot write the report file '%1': %2");
  t.folder_sync = tr("Cannot write the report folder '%1' to the disk: %2");
  t.sheet_failed = tr("Cannot make the calculation sheet (PDF) (line %1)");
  t.no_cp932 = tr("This C library has no CP932 conversion.");
  t.system_error = system_error_words;
  return t;
}

} // namespace zelvaro::cli
