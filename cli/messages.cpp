#include "cli/messages.h"

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
  const std::string_view text = dgettext(Domain, english);
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::size_t n = i + 1 < text.size() ? static_cast<std::size_t>(text[i + 1] - '1') : args.size();
    if (text[i] == '%' && n < args.size()) {
      out += args.begin()[n];
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

} // namespace zelvaro::cli
