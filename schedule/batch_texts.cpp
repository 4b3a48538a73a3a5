#include "schedule/batch_texts.h"

namespace zelvaro::batch {

const BatchTexts &default_texts() {
  static const BatchTexts texts;
  return texts;
}

void append_filled(std::string &out, std::string_view text, std::initializer_list<std::string_view> args) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::size_t n = i + 1 < text.size() ? static_cast<std::size_t>(text[i + 1] - '1') : args.size();
    if (text[i] == '%' && n < args.size()) {
      out += args.begin()[n];
      ++i;
    } else {
      out += text[i];
    }
  }
}

std::string filled(std::string_view text, std::initializer_list<std::string_view> args) {
  std::string out;
  out.reserve(text.size());
  append_filled(out, text, args);
  return out;
}

} // namespace zelvaro::batch
