#include "cli/case_lines.h"

#include "schedule/text_encoding.h"

#include <cstdio>
#include <optional>

namespace zelvaro::cli {

namespace {

void append_utf8(std::string &out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Reads a JSON text from `line` at `i` onwards.
class Reader {
public:
  explicit Reader(std::string_view line) : line_(line) {}
  std::size_t at() const { return i_; }
  bool done() {
    skip_space();
    return i_ == line_.size();
  }
  bool take(char c) {
    skip_space();
    if (i_ < line_.size() && line_[i_] == c) {
      ++i_;
      return true;
    }
    return false;
  }
  // The string starting at the current character ("), or nothing with at()
  // on the fault.
  std::optional<std::string> string() {
    if (!take('"'))
      return std::nullopt;
    std::string text;
    while (i_ < line_.size()) {
      const unsigned char c = static_cast<unsigned char>(line_[i_]);
      if (c == '"') {
        ++i_;
        return text;
      }
      if (c < 0x20)
        return std::nullopt;
      if (c != '\\') {
        text += static_cast<char>(c);
        ++i_;
        continue;
      }
      if (++i_ == line_.size())
        return std::nullopt;
      const char e = line_[i_];
      if (e == 'u') {
        if (!escaped_character(text))
          return std::nullopt;
        continue;
      }
      static constexpr std::string_view Escapes = "\"\\/bfnrt", Meanings = "\"\\/\b\f\n\r\t";
      const auto k = Escapes.find(e);
      if (k == std::string_view::npos)
        return std::nullopt;
      text += Meanings[k];
      ++i_;
    }
    return std::nullopt;
  }

private:
  void skip_space() {
    while (i_ < line_.size() &&
           (line_[i_] == ' ' || line_[i_] == '\t' || line_[i_] == '\r' || line_[i_] == '\n'))
      ++i_;
  }
  // Four hex digits after "\u" (i_ on the u), or nothing.
  std::optional<char32_t> hex4() {
    if (i_ + 5 > line_.size())
      return std::nullopt;
    char32_t value = 0;
    for (std::size_t k = 1; k <= 4; ++k) {
      const char h = line_[i_ + k];
      const int digit = h >= '0' && h <= '9'   ? h - '0'
                        : h >= 'a' && h <= 'f' ? h - 'a' + 10
                        : h >= 'A' && h <= 'F' ? h - 'A' + 10
                                               : -1;
      if (digit < 0)
        return std::nullopt;
      value = value * 16 + static_cast<char32_t>(digit);
    }
    i_ += 5;
    return value;
  }
  // "\uXXXX" (with its low surrogate, for a high one) at i_ (on the u).
  bool escaped_character(std::string &text) {
    const std::size_t start = i_;
    const std::optional<char32_t> c = hex4();
    if (!c || *c == 0) {
      i_ = start;
      return false;
    }
    if (*c >= 0xDC80 && *c <= 0xDCFF) { // a byte that is not UTF-8
      text += static_cast<char>(*c - 0xDC00);
      return true;
    }
    if (*c >= 0xD800 && *c <= 0xDBFF && i_ + 1 < line_.size() && line_[i_] == '\\' && line_[i_ + 1] == 'u') {
      ++i_;
      const std::optional<char32_t> low = hex4();
      if (low && *low >= 0xDC00 && *low <= 0xDFFF) {
        append_utf8(text, 0x10000 + ((*c - 0xD800) << 10) + (*low - 0xDC00));
        return true;
      }
    }
    if (*c >= 0xD800 && *c <= 0xDFFF) {
      i_ = start;
      return false;
    }
    append_utf8(text, *c);
    return true;
  }

  std::string_view line_;
  std::size_t i_ = 0;
};

} // namespace

ArgumentLine parse_argument_line(std::string_view line) {
  ArgumentLine result;
  Reader reader(line);
  const auto fault = [&] {
    result.arguments.clear();
    result.error_at = reader.at() + 1;
    return result;
  };
  if (!reader.take('['))
    return fault();
  if (!reader.take(']')) {
    do {
      std::optional<std::string> argument = reader.string();
      if (!argument)
        return fault();
      result.arguments.push_back(std::move(*argument));
    } while (reader.take(','));
    if (!reader.take(']'))
      return fault();
  }
  if (!reader.done())
    return fault();
  return result;
}

void append_json_string(std::string &out, std::string_view bytes) {
  out += '"';
  for (std::size_t i = 0; i < bytes.size();) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c >= 0x80) {
      const batch::CodePoint cp = batch::decode_utf8_at(bytes, i);
      if (cp.value == batch::kInvalidUtf8) {
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\udc%02x", c);
        out += escape;
        ++i;
      } else if (cp.value == 0x85 || cp.value == 0x2028 || cp.value == 0x2029) {
        // Line breaks to some readers of lines (Python's splitlines, older
        // JavaScript): escaped, so that an answer is always one line.
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(cp.value));
        out += escape;
        i += cp.size;
      } else {
        out.append(bytes.substr(i, cp.size));
        i += cp.size;
      }
      continue;
    }
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    } else {
      out += static_cast<char>(c);
    }
    ++i;
  }
  out += '"';
}

} // namespace zelvaro::cli
