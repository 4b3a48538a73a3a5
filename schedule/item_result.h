#pragma once

// What running one item of a schedule gives, typed: the batch produces a
// stream of these, and the verdict table, the JSON lines, the window's list
// and the page's list are each one reader of that stream. Figures carry
// their unit in their name; the verdicts are the engine's own booleans.

#include "engine/calculate.h"
#include "engine/seismic_calc_state.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zelvaro::batch {

enum class ItemStatus {
  Ok,        // calculated, every check passed
  Shortfall, // calculated, a check failed
  Refused,   // not calculated: the row or its inputs were refused
  Error,     // calculated, but its report or sheet could not be written
};

// The status as the verdict table spells it: ok, shortfall, refused, error.
std::string_view status_word(ItemStatus status);

struct ItemResult {
  std::size_t line = 0; // the schedule's line where the row starts
  std::string id;       // the row's id cell, as shown (cut when too long)
  ItemStatus status = ItemStatus::Refused;

  // Calculated rows (Ok, Shortfall, Error) only.
  double Rb_N = 0;        // pull-out force on one bolt
  double sigma_b_MPa = 0; // tensile stress
  double tau_b_MPa = 0;   // shear stress
  double sigma_c_MPa = 0; // combined tensile value
  double tau_c_MPa = 0;   // combined shear value
  double ft_MPa = 0;      // tensile reference strength
  double fs_MPa = 0;      // shear reference strength
  bool bolt_ok = false;   // sigma_c <= ft and tau_c <= fs
  // Anchors with a bond check (every kind but the rebar-welded one).
  bool bond_checked = false;
  double pullout_kg = 0;
  double allowable_kg = 0;
  bool bond_ok = false; // the pull-out below the allowable value
  // The rebar-welded anchor.
  double LL_cm = 0;      // required weld length
  double RebarCount = 0; // required bars, not rounded

  bool calculated() const { return status != ItemStatus::Refused; }

  // The row's cells by column name, as typed, when the sink asks for them.
  std::vector<std::pair<std::string, std::string>> inputs;

  std::string message;                  // on one line: the refusal, or the advice (and a write error)
  std::vector<std::string> suggestions; // Shortfall: the changes that would pass, one each
};

// Sets the status, message, figures and verdicts of `r` from a calculation:
// `s` and `outcome` right after it. A refusal or a numeric error makes the
// row Refused, with what was said on one line; the suggestions are left
// to the caller.
void take_outcome(ItemResult &r, const SeismicCalcState &s, const CalcOutcome &outcome);
// Zeroes the figures and verdicts of `r` (a refused row has none).
void clear_figures(ItemResult &r);

} // namespace zelvaro::batch
