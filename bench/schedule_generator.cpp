#include "bench/schedule_generator.h"

#include <string_view>

namespace zelvaro::bench {

const char *const ScheduleHeader =
    "id,shape,anchor,material,M,KH,Z,W,n,n1,n2,LG,HG,L,D,H,L1,L2,L1G,L2G,L3G,P,N,a,F";

namespace {

constexpr std::string_view Shapes[] = {"floor", "circular", "wall", "ceiling", "braced"};
constexpr std::string_view Anchors[] = {"hawk-cut", "l-tip",        "j-tip",       "bolt-embedded",
                                        "chemical", "rebar-hooked", "rebar-welded"};
constexpr std::string_view Materials[] = {"SS", "SUS"};
constexpr std::string_view Standard[] = {"8", "10", "12", "16", "20", "24"};
constexpr std::string_view Chemical[] = {"10", "12", "16", "20"};
constexpr std::string_view Hooked[] = {"10", "12", "16", "20", "24"};
constexpr std::string_view Welded[] = {"10", "12", "16", "20", "24", "30"};
constexpr std::string_view KH[] = {"0.4", "0.6", "1.0", "2.0"};
constexpr std::string_view Z[] = {"0.7", "0.8", "0.9", "1.0", "1.1"};
constexpr std::string_view Powers[] = {"0.2", "0.4", "0.75", "1.5", "2.2", "3.7", "5.5", "7.5", "11", "15"};

} // namespace

std::uint64_t ScheduleGenerator::next() {
  // xorshift64*
  state_ ^= state_ >> 12;
  state_ ^= state_ << 25;
  state_ ^= state_ >> 27;
  return state_ * 2685821657736338717ULL;
}

void ScheduleGenerator::append_row(std::string &out, std::size_t index) {
  const std::size_t shape = pick(5), anchor = pick(7);
  const auto number = [&](std::uint64_t low, std::uint64_t high) {
    out += std::to_string(low + next() % (high - low + 1));
  };
  const auto cell = [&](bool used, std::uint64_t low, std::uint64_t high) {
    if (used)
      number(low, high);
    out += ',';
  };
  out += "機器-";
  out += std::to_string(index);
  out += ',';
  out += Shapes[shape];
  out += ',';
  out += Anchors[anchor];
  out += ',';
  out += Materials[pick(2)];
  out += ',';
  switch (anchor) {
  case 4:
    out += Chemical[pick(4)];
    break;
  case 5:
    out += Hooked[pick(5)];
    break;
  case 6:
    out += Welded[pick(6)];
    break;
  default:
    out += Standard[pick(6)];
  }
  out += ',';
  out += KH[pick(4)];
  out += ',';
  out += Z[pick(5)];
  out += ',';
  number(20, max_weight_); // W
  out += ',';
  const bool wall = shape == 2;
  cell(!wall, 2, 12);                      // n
  cell(wall, 1, 4);                        // n1
  cell(wall, 2, 4);                        // n2 (the corner anchors are counted in n1)
  cell(shape != 1 && !wall, 10, 150);      // LG
  cell(!wall, 20, 200);                    // HG
  cell(shape == 0 || shape == 3, 30, 300); // L
  cell(shape == 1, 50, 300);               // D
  cell(shape == 4, 50, 300);               // H
  cell(wall, 30, 200);                     // L1
  cell(wall, 30, 200);                     // L2
  cell(wall, 10, 100);                     // L1G
  cell(wall, 10, 100);                     // L2G
  cell(wall, 5, 60);                       // L3G
  const bool motor = pick(3) == 0;
  out += motor ? Powers[pick(10)] : "0";
  out += ',';
  if (motor)
    number(600, 3000);
  else
    out += '0';
  out += ',';
  if (motor)
    number(5, 50);
  else
    out += '0';
  out += ",0\r\n";
}

ScheduleBuf::ScheduleBuf(std::size_t rows, std::uint64_t seed, std::uint64_t max_weight)
    : generator_(seed, max_weight), rows_(rows) {
  chunk_ = ScheduleHeader;
  chunk_ += "\r\n";
  setg(chunk_.data(), chunk_.data(), chunk_.data() + chunk_.size());
}

ScheduleBuf::int_type ScheduleBuf::underflow() {
  if (done_ == rows_)
    return traits_type::eof();
  chunk_.clear();
  while (done_ < rows_ && chunk_.size() < 60 * 1024)
    generator_.append_row(chunk_, ++done_);
  setg(chunk_.data(), chunk_.data(), chunk_.data() + chunk_.size());
  return traits_type::to_int_type(*gptr());
}

} // namespace zelvaro::bench
