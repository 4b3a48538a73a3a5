#include "schedule/text_encoding.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iconv.h>
#include <stdexcept>

namespace zelvaro::batch {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD

char ascii_lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equals_ignoring_case(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return ascii_lower(x) == ascii_lower(y); });
}

bool is_cp932_lead(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
bool is_cp932_trail(unsigned char c) {
  return c >= 0x40 && c <= 0xFC && c != 0x7F;
}

// Checks only the byte structure of CP932 (single bytes and lead/trail pairs);
// unassigned pairs pass. Good enough to tell CP932 from UTF-8.
bool has_cp932_structure(std::string_view text, bool allow_truncated_end) {
  const auto *p = reinterpret_cast<const unsigned char *>(text.data());
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char c = p[i];
    if (c < 0x80 || (c >= 0xA1 && c <= 0xDF))
      continue;
    if (!is_cp932_lead(c))
      return false;
    if (i + 1 == n)
      return allow_truncated_end;
    if (!is_cp932_trail(p[++i]))
      return false;
  }
  return true;
}

} // namespace

std::optional<Encoding> parse_encoding(std::string_view name) {
  for (std::string_view utf8 : {"utf-8", "utf8"})
    if (equals_ignoring_case(name, utf8))
      return Encoding::Utf8;
  for (std::string_view cp932 : {"cp932", "shift_jis", "sjis"})
    if (equals_ignoring_case(name, cp932))
      return Encoding::Cp932;
  if (equals_ignoring_case(name, "auto"))
    return Encoding::Auto;
  return std::nullopt;
}

bool is_ascii(std::string_view text) {
  const char *p = text.data();
  std::size_t n = text.size();
  for (; n >= 8; p += 8, n -= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    if (word & 0x8080808080808080u)
      return false;
  }
  for (; n > 0; ++p, --n)
    if (static_cast<unsigned char>(*p) & 0x80)
      return false;
  return true;
}

CodePoint decode_utf8_at(std::string_view s, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
  const unsigned char c = byte(0);
  if (c < 0x80)
    return {c, 1};
  std::size_t size;
  char32_t value;
  char32_t min;
  if (c >= 0xC2 && c <= 0xDF) {
    size = 2, value = c & 0x1F, min = 0x80;
  } else if (c >= 0xE0 && c <= 0xEF) {
    size = 3, value = c & 0x0F, min = 0x800;
  } else if (c >= 0xF0 && c <= 0xF4) {
    size = 4, value = c & 0x07, min = 0x10000;
  } else {
    return {kInvalidUtf8, 1};
  }
  if (i + size > s.size())
    return {kInvalidUtf8, 1};
  for (std::size_t k = 1; k < size; ++k) {
    if ((byte(k) & 0xC0) != 0x80)
      return {kInvalidUtf8, 1};
    value = (value << 6) | (byte(k) & 0x3F);
  }
  if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
    return {kInvalidUtf8, 1};
  return {value, size};
}

std::size_t find_invalid_utf8(std::string_view text, bool allow_truncated_end) {
  const auto *p = reinterpret_cast<const unsigned char *>(text.data());
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
    if (p[i] < 0x80) {
      ++i;
      continue;
    }
    const unsigned char c = p[i];
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF; // allowed range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
      length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3;
      if (c == 0xE0)
        low = 0xA0; // overlong
      else if (c == 0xED)
        high = 0x9F; // surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4;
      if (c == 0xF0)
        low = 0x90; // overlong
      else if (c == 0xF4)
        high = 0x8F; // above U+10FFFF
    } else {
      return i;
    }
    for (std::size_t k = 1; k < length; ++k) {
      if (i + k == n)
        return allow_truncated_end ? std::string_view::npos : i;
      const unsigned char lo = k == 1 ? low : 0x80, hi = k == 1 ? high : 0xBF;
      if (p[i + k] < lo || p[i + k] > hi)
        return i;
    }
    i += length;
  }
  return std::string_view::npos;
}

Encoding detect_encoding(std::string_view prefix, bool whole_input) {
  if (prefix.starts_with(kUtf8Bom))
    return Encoding::Utf8;
  if (!whole_input && kUtf8Bom.starts_with(prefix) && !prefix.empty())
    return Encoding::Auto; // could still become a byte-order mark
  if (is_ascii(prefix))
    return Encoding::Auto;
  if (find_invalid_utf8(prefix, !whole_input) == std::string_view::npos)
    return Encoding::Utf8;
  if (has_cp932_structure(prefix, !whole_input))
    return Encoding::Cp932;
  return Encoding::Utf8;
}

std::size_t append_utf8_lossy(std::string_view in, std::string &out) {
  std::size_t first_bad = std::string_view::npos;
  std::size_t done = 0;
  while (done < in.size()) {
    const std::string_view rest = in.substr(done);
    const std::size_t bad = find_invalid_utf8(rest);
    if (bad == std::string_view::npos) {
      out += rest;
      break;
    }
    if (first_bad == std::string_view::npos)
      first_bad = done + bad;
    out.append(rest.data(), bad);
    out += kReplacement;
    done += bad + 1;
  }
  return first_bad;
}

Cp932Decoder::Cp932Decoder() : cd_(nullptr) {
  iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1))
    throw std::runtime_error("this system's C library cannot convert CP932 (Shift_JIS) text");
  cd_ = cd;
}

Cp932Decoder::~Cp932Decoder() {
  iconv_close(static_cast<iconv_t>(cd_));
}

std::size_t Cp932Decoder::decode(std::string_view in, std::string &out) {
  auto cd = static_cast<iconv_t>(cd_);
  const std::size_t start = out.size();
  // A CP932 byte never becomes more than three UTF-8 bytes.
  out.resize(start + 3 * in.size() + 4);
  char *in_ptr = const_cast<char *>(in.data());
  std::size_t in_left = in.size();
  char *out_ptr = out.data() + start;
  std::size_t out_left = out.size() - start;
  const std::size_t rc = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
  const int error = errno;
  out.resize(static_cast<std::size_t>(out_ptr - out.data()));
  if (rc != static_cast<std::size_t>(-1))
    return std::string_view::npos;
  iconv(cd, nullptr, nullptr, nullptr, nullptr); // back to the initial state
  if (error == E2BIG)
    throw std::logic_error("CP932 conversion ran out of room");
  // EILSEQ: invalid sequence; EINVAL: a lead byte at the very end.
  return in.size() - in_left;
}

std::size_t Cp932Decoder::decode_lossy(std::string_view in, std::string &out) {
  std::size_t first_bad = std::string_view::npos;
  std::size_t done = 0;
  while (done < in.size()) {
    const std::size_t bad = decode(in.substr(done), out);
    if (bad == std::string_view::npos)
      break;
    if (first_bad == std::string_view::npos)
      first_bad = done + bad;
    out += kReplacement;
    done += bad + 1;
  }
  return first_bad;
}

} // namespace zelvaro::batch
