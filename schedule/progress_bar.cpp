#include "schedule/progress_bar.h"

#include <algorithm>
#include <string>
#include <utility>

namespace zelvaro::batch {

ProgressBar::ProgressBar(std::ostream &out, std::optional<std::uint64_t> total_bytes, Clock::time_point start,
                         bool escapes, std::string rows)
    : out_(out), total_(total_bytes), start_(start), escapes_(escapes), rows_(std::move(rows)) {}

void ProgressBar::update(std::size_t records, std::optional<std::uint64_t> bytes_done,
                         Clock::time_point now) {
  using namespace std::chrono_literals;
  if (now - start_ < 500ms || (shown_ && now - last_ < 100ms))
    return;
  std::string line = "\r";
  if (total_ && *total_ > 0 && bytes_done) {
    const std::uint64_t done = std::min(*bytes_done, *total_);
    const int width = 30;
    const int filled = static_cast<int>(done * width / *total_);
    line += '[';
    line.append(static_cast<std::size_t>(filled), '#');
    line.append(static_cast<std::size_t>(width - filled), '.');
    line += "] ";
    line += std::to_string(done * 100 / *total_);
    line += "%  ";
  }
  append_filled(line, rows_, {std::to_string(records)});
  out_ << line << std::flush;
  width_ = std::max(width_, line.size());
  shown_ = true;
  last_ = now;
}

void ProgressBar::finish() {
  if (shown_ && escapes_)
    out_ << "\r\x1b[K" << std::flush;
  else if (shown_)
    out_ << '\r' << std::string(width_, ' ') << '\r' << std::flush;
  shown_ = false;
}

} // namespace zelvaro::batch
