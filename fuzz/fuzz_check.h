#pragma once

// A broken invariant ends the fuzz run like a crash: libFuzzer keeps the input
// that broke it as crash-<hash> and the run exits non-zero.

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace zelvaro::fuzz {

[[noreturn]] inline void broken(const char *file, int line, const char *what, std::string_view detail) {
  std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, what);
  if (!detail.empty())
    std::fprintf(stderr, "---\n%.*s\n---\n", static_cast<int>(detail.size()), detail.data());
  std::abort();
}

} // namespace zelvaro::fuzz

#define FUZZ_REQUIRE(cond, detail)                                                                           \
  do {                                                                                                       \
    if (!(cond))                                                                                             \
      ::zelvaro::fuzz::broken(__FILE__, __LINE__, #cond, (detail));                                          \
  } while (false)
