#pragma once

#include "schedule/batch_texts.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

namespace zelvaro::batch {

// Progress on a terminal: nothing for the first half second, then a bar (or,
// with the input size unknown, a count) redrawn at most ten times a second
// on one line, erased by finish().
class ProgressBar {
public:
  using Clock = std::chrono::steady_clock;
  // Without `escapes` (TERM=dumb), the bar is erased by overwriting it with
  // spaces instead of the erase-line sequence. `rows` says the count of
  // records read (%1).
  ProgressBar(std::ostream &out, std::optional<std::uint64_t> total_bytes, Clock::time_point start,
              bool escapes = true, std::string rows = default_texts().progress_rows);
  void update(std::size_t records, std::optional<std::uint64_t> bytes_done, Clock::time_point now);
  void finish();

private:
  std::ostream &out_;
  std::optional<std::uint64_t> total_;
  Clock::time_point start_;
  Clock::time_point last_{};
  bool shown_ = false;
  bool escapes_ = true;
  std::size_t width_ = 0; // of the line drawn last
  std::string rows_;
};

} // namespace zelvaro::batch
