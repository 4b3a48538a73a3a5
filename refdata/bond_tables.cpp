#include "refdata/bond_tables.h"

#include <array>

namespace zelvaro {

namespace {

constexpr std::array<int, 6> Diameters{8, 10, 12, 16, 20, 24};
using Row = std::array<double, 6>;

void write_row(SeismicCalcState &s, const Row &row) {
  for (std::size_t i = 0; i < Diameters.size(); ++i)
    s.BondTable[static_cast<std::size_t>(Diameters[i])] = row[i];
}

// The ceiling and braced group has lower allowable values.
void write_by_group(SeismicCalcState &s, const Row &standard, const Row &ceiling) {
  write_row(s, is_ceiling_group(s.ShapeKind) ? ceiling : standard);
}

} // namespace

void hawk_data_in(SeismicCalcState &s) {
  write_by_group(s, {300, 380, 670, 920, 1200, 1200}, {200, 250, 450, 610, 800, 800});
}

void l_data_in(SeismicCalcState &s) {
  write_by_group(s, {650, 810, 970, 1200, 1200, 1200}, {430, 540, 640, 800, 800, 800});
}

void j_data_in(SeismicCalcState &s) {
  write_by_group(s, {900, 1200, 1200, 1200, 1200, 1200}, {600, 800, 800, 800, 800, 800});
}

void b_data_in(SeismicCalcState &s) {
  write_by_group(s, {900, 1200, 1200, 1200, 1200, 1200}, {600, 800, 800, 800, 800, 800});
}

void kemi_data_in(SeismicCalcState &s) {
  // No 8 or 24 mm chemical anchor: those entries are left alone.
  const bool ceiling = is_ceiling_group(s.ShapeKind);
  s.BondTable[10] = ceiling ? 500 : 760;
  s.BondTable[12] = ceiling ? 610 : 920;
  s.BondTable[16] = ceiling ? 800 : 1200;
  s.BondTable[20] = ceiling ? 800 : 1200;
}

void hik_data_in(SeismicCalcState &s) {
  write_row(s, {4912, 4912, 4912, 4912, 4912, 4912});
}

void load_bond_table(SeismicCalcState &s, Anchor kind) {
  switch (kind) {
  case Anchor::HawkCut:
    hawk_data_in(s);
    break;
  case Anchor::LTip:
    l_data_in(s);
    break;
  case Anchor::JTip:
    j_data_in(s);
    break;
  case Anchor::BoltEmbedded:
    b_data_in(s);
    break;
  case Anchor::Chemical:
    kemi_data_in(s);
    break;
  case Anchor::RebarHooked:
    hik_data_in(s);
    break;
  case Anchor::RebarWelded:
  case Anchor::None:
    break;
  }
}

} // namespace zelvaro
