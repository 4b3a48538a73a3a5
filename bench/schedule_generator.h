#pragma once

// Generated equipment schedules for the benchmark: rows of every shape,
// anchor kind and material with plausible values, made on the fly so that a
// schedule of any length takes no memory.

#include <cstddef>
#include <cstdint>
#include <streambuf>
#include <string>

namespace zelvaro::bench {

// The header row of a generated schedule (every column), without line break.
extern const char *const ScheduleHeader;

// Weights run from 20 kg to `max_weight` kg: with the default about a third
// of the items fall short, with LightMaxWeight about a tenth (as a schedule
// that mostly passes).
inline constexpr std::uint64_t DefaultMaxWeight = 5000, LightMaxWeight = 1200;

class ScheduleGenerator {
public:
  explicit ScheduleGenerator(std::uint64_t seed, std::uint64_t max_weight = DefaultMaxWeight)
      : state_(seed * 2 + 1), max_weight_(max_weight) {}
  // Appends row number `index` (1-based) with its CR LF.
  void append_row(std::string &out, std::size_t index);

private:
  std::uint64_t next();
  std::size_t pick(std::size_t count) { return static_cast<std::size_t>(next() % count); }
  std::uint64_t state_;
  std::uint64_t max_weight_;
};

// An input stream buffer that yields the header and `rows` generated rows.
class ScheduleBuf : public std::streambuf {
public:
  ScheduleBuf(std::size_t rows, std::uint64_t seed, std::uint64_t max_weight = DefaultMaxWeight);

protected:
  int_type underflow() override;

private:
  ScheduleGenerator generator_;
  std::size_t rows_, done_ = 0;
  std::string chunk_;
};

// An output stream buffer that counts and discards what is written.
class DiscardBuf : public std::streambuf {
public:
  std::uint64_t bytes = 0;

protected:
  std::streamsize xsputn(const char *, std::streamsize n) override {
    bytes += static_cast<std::uint64_t>(n);
    return n;
  }
  int_type overflow(int_type c) override {
    ++bytes;
    return traits_type::not_eof(c);
  }
};

} // namespace zelvaro::bench
