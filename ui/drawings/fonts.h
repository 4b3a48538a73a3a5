#pragma once

namespace zelvaro::ui {

// The families the window and the sheet ask for.
inline constexpr const char *GothicFamily = "ＭＳ ゴシック";
inline constexpr const char *PGothicFamily = "ＭＳ Ｐゴシック";

// Maps them to IPA Gothic from Debian's fonts-ipafont-gothic (or Noto CJK),
// so that every caption finds its glyphs.
void map_window_fonts();

} // namespace zelvaro::ui
