// Character encodings of equipment schedules read by `zelvaro-check --batch`.
//
// Schedules come either as UTF-8 (with or without a byte-order mark) or as
// CP932, the Shift_JIS variant that Excel writes on Japanese Windows. Inside
// the program all text is UTF-8.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zelvaro::batch {

enum class Encoding { Auto, Utf8, Cp932 };

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// How many bytes of an input `Encoding::Auto` looks at before it decides.
inline constexpr std::size_t kSniffBytes = 64 * 1024;

// Parses an `--encoding` value: "auto", "utf-8" / "utf8", "cp932" / "shift_jis" /
// "sjis", in any letter case. Returns nothing for anything else.
std::optional<Encoding> parse_encoding(std::string_view name);

bool is_ascii(std::string_view text);

// One character of UTF-8 text: its code point, or kInvalidUtf8 for a byte
// that does not start a well-formed sequence (overlong forms, surrogates,
// code points above U+10FFFF, a sequence cut short), and its length in bytes
// (1 for such a byte).
inline constexpr char32_t kInvalidUtf8 = 0xFFFFFFFF;
struct CodePoint {
  char32_t value;
  std::size_t size;
};
// The character starting at byte `i` (< text.size()) of `text`.
CodePoint decode_utf8_at(std::string_view text, std::size_t i);

// Offset of the first byte of `text` that is not part of a well-formed UTF-8
// sequence (overlong forms, surrogates and code points above U+10FFFF are
// refused), or npos when all of it is well-formed. With `allow_truncated_end`,
// a sequence cut short by the end of `text` is accepted: `text` is then only
// the beginning of a longer input.
std::size_t find_invalid_utf8(std::string_view text, bool allow_truncated_end = false);

// Guesses the encoding of an input from its first bytes (`whole_input` tells
// whether `prefix` is all of it):
//  - a UTF-8 byte-order mark: Utf8;
//  - only ASCII: Auto, meaning "can't tell yet" (both read ASCII alike);
//  - well-formed UTF-8: Utf8 (CP932 Japanese text is practically never that);
//  - else well-formed CP932 byte structure: Cp932;
//  - else Utf8, so that the damaged bytes are reported rather than silently
//    read as the wrong characters.
Encoding detect_encoding(std::string_view prefix, bool whole_input);

// CP932 to UTF-8 through the C library's iconv (Microsoft's table: 0x5C is
// the backslash, 0x8160 is U+FF5E, NEC and IBM extensions included).
class Cp932Decoder {
public:
  // Throws std::runtime_error when the C library has no CP932 converter.
  Cp932Decoder();
  ~Cp932Decoder();
  Cp932Decoder(const Cp932Decoder &) = delete;
  Cp932Decoder &operator=(const Cp932Decoder &) = delete;

  // Appends the UTF-8 form of `in` to `out`. `in` must be complete text: a
  // lead byte at its very end is an error. Returns npos on success, otherwise
  // the offset in `in` of the first byte that is not valid CP932, with `out`
  // holding the conversion of everything before it.
  std::size_t decode(std::string_view in, std::string &out);

  // Like decode(), but each byte that is not valid CP932 becomes U+FFFD and
  // the conversion goes on. Returns the offset of the first such byte, or npos.
  std::size_t decode_lossy(std::string_view in, std::string &out);

private:
  void *cd_; // iconv_t
};

// Appends `in` to `out` with each byte that is not part of a well-formed
// UTF-8 sequence replaced by U+FFFD. Returns the offset of the first such
// byte, or npos.
std::size_t append_utf8_lossy(std::string_view in, std::string &out);

} // namespace zelvaro::batch
