#include "schedule/safe_filename.h"
#include "schedule/text_encoding.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <stdexcept>

namespace zelvaro::batch {

namespace {

constexpr char32_t kInvalid = kInvalidUtf8;
constexpr std::size_t kMinLineDigits = 6;
constexpr std::size_t kMaxExtensionChars = 15;

bool is_windows_reserved(char32_t c) {
  return c == '<' || c == '>' || c == ':' || c == '"' || c == '/' || c == '\\' || c == '|' || c == '?' ||
         c == '*';
}

// Code points of the categories Cf (format: bidi controls, zero-width
// characters), Cc (controls) and Zs, Zl, Zp (separators), from the Unicode
// database.
struct Range {
  char32_t first, last;
};
constexpr Range CategoryRanges[] = {
#include "schedule/unicode_categories.inc"
};

bool in_categories(char32_t c) {
  const auto after = std::upper_bound(std::begin(CategoryRanges), std::end(CategoryRanges), c,
                                      [](char32_t v, const Range &r) { return v < r.first; });
  return after != std::begin(CategoryRanges) && c <= std::prev(after)->last;
}

bool is_noncharacter(char32_t c) {
  return (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE;
}

// Characters that don't belong in a file name or would make it look like
// something else: controls, separators of all kinds, invisible format
// characters (including bidirectional overrides), non-characters.
bool becomes_underscore(char32_t c) {
  return c == kInvalid || in_categories(c) || is_windows_reserved(c) || c == '_' || is_noncharacter(c);
}

void strip_dots_and_underscores(std::string &s) {
  const auto strippable = [](char c) { return c == '.' || c == '_'; };
  const auto last = std::find_if_not(s.rbegin(), s.rend(), strippable).base();
  s.erase(last, s.end());
  s.erase(s.begin(), std::find_if_not(s.begin(), s.end(), strippable));
}

// GCC 12 at -O2 and above takes "." + std::string for an overlapping copy
// (-Wrestrict, a false positive of its std::string: GCC bug 105651).
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ == 12
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
std::string checked_extension(std::string_view extension) {
  if (extension.starts_with('.'))
    extension.remove_prefix(1);
  if (extension.size() > kMaxExtensionChars || !std::all_of(extension.begin(), extension.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
      }))
    throw std::invalid_argument("report file extension must be up to 15 ASCII letters and digits");
  return extension.empty() ? std::string() : "." + std::string(extension);
}
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ == 12
#pragma GCC diagnostic pop
#endif

std::string padded_line(std::size_t line) {
  std::array<char, 24> digits{};
  const auto [end, ec] = std::to_chars(digits.data(), digits.data() + digits.size(), line);
  (void)ec; // 24 characters hold any std::size_t
  const auto count = static_cast<std::size_t>(end - digits.data());
  std::string out(count < kMinLineDigits ? kMinLineDigits - count : 0, '0');
  out.append(digits.data(), count);
  return out;
}

} // namespace

std::string report_file_name(std::size_t line, std::string_view id, std::string_view extension) {
  const std::string ext = checked_extension(extension);
  std::string name = padded_line(line);

  std::string part;
  bool separator = false;
  for (std::size_t i = 0; i < id.size();) {
    const CodePoint cp = decode_utf8_at(id, i);
    if (becomes_underscore(cp.value)) {
      separator = true;
    } else {
      if (separator && !part.empty())
        part += '_';
      separator = false;
      part.append(id.substr(i, cp.size));
    }
    i += cp.size;
  }
  strip_dots_and_underscores(part);

  const std::size_t room = kMaxFileNameBytes - std::min(kMaxFileNameBytes, name.size() + 1 + ext.size());
  if (part.size() > room) {
    std::size_t cut = room;
    while (cut > 0 && (static_cast<unsigned char>(part[cut]) & 0xC0) == 0x80)
      --cut; // don't split a character
    part.resize(cut);
    strip_dots_and_underscores(part);
  }
  if (!part.empty()) {
    name += '_';
    name += part;
  }
  name += ext;
  return name;
}

bool is_safe_file_name(std::string_view name) {
  if (name.empty() || name.size() > kMaxFileNameBytes)
    return false;
  if (name.front() == '.' || name.front() == '-' || name.front() == ' ')
    return false;
  if (name.back() == '.' || name.back() == ' ')
    return false;
  for (std::size_t i = 0; i < name.size();) {
    const CodePoint cp = decode_utf8_at(name, i);
    // An invisible or format character would make the name display as
    // something else; the plain space is the one separator names may hold.
    if (cp.value == kInvalid || is_windows_reserved(cp.value) || (cp.value != ' ' && in_categories(cp.value)))
      return false;
    i += cp.size;
  }
  // Windows device names, with or without an extension.
  std::string stem(name.substr(0, name.find('.')));
  while (!stem.empty() && stem.back() == ' ')
    stem.pop_back();
  std::transform(stem.begin(), stem.end(), stem.begin(),
                 [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; });
  if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL")
    return false;
  if (stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) && stem[3] >= '0' &&
      stem[3] <= '9')
    return false;
  return true;
}

} // namespace zelvaro::batch
