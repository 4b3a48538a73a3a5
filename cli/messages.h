// The command line's own messages and --help: written in English here and
// translated by gettext from the catalog of the user's language (cli/po/),
// so a Japanese locale reads them in Japanese. The report and the advice
// are the calculation sheet and stay Japanese whatever the locale.
#pragma once

#include "schedule/batch_texts.h"

#include <initializer_list>
#include <string>
#include <string_view>

namespace zelvaro::cli {

// Binds the catalogs: beside the program in the build tree (locale/), or
// ../share/locale from the installed program. Call once, first in main().
void init_messages();

// The translation of `english`, with %1, %2, ... replaced by `args`.
std::string tr(const char *english, std::initializer_list<std::string_view> args = {});

// Why a read or a write failed (system_error_text), in the user's language.
std::string system_error_words(int errnum);

// What the batch says, in the user's language.
batch::BatchTexts batch_texts();

} // namespace zelvaro::cli
