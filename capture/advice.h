#pragma once

// Concrete advice for a shortfall: the single changes that make every check
// pass, each found by calculating again with that one change and everything
// else as entered: the value capture would read from the changed field, and
// the same formulas and checks as Calculate from the bolts on (the loads do
// not depend on the bolts and are kept). A suggestion is therefore never a
// guess.
//
// The searches rely on more steel never failing where less passed: a larger
// diameter of the same kind has a larger section and a bond value at least
// as high (the tables rise with the diameter), and more bolts in the same
// layout share the same loads, so the pull-out per bolt and both stresses
// fall. Where the pull-out is negative (the weight holds the equipment down)
// the combined tensile value is below the combined shear value, and every
// material's ft is above its fs, so the shear decides and it falls with the
// count too. The brute-force test checks the smallest passing change is the
// one found.
//
// Tried, in this order (one line each):
//  - the diameter: the smallest one of the anchor kind's list, larger than
//    the chosen one, that passes;
//  - the count: the smallest count larger than the entered one that passes,
//    up to four times the entered count and at most 200, among the counts
//    that keep the layout as entered: the wall's n1 and n2 are raised
//    together, one a step; the floor's and ceiling's total only to even
//    numbers, or, with nt given, nt one a step and the total two (one bolt
//    to each side); the circular and braced shapes' count one a step;
//  - the material: the other one, if it passes;
//  - the anchor kind, when the bond check failed: every other kind that
//    passes with the chosen diameter, in the order of the window's options.
// Weights and dimensions are never suggested: they are the equipment's own.

#include "capture/field_reader.h"
#include "engine/calculate.h"
#include "engine/seismic_calc_state.h"

#include <string>
#include <string_view>
#include <vector>

namespace zelvaro::cases {

// The line when no single change passes.
inline constexpr std::string_view NoSingleChange =
    "径・本数・材質・アンカーのどれか一つを変えるだけでは基準を満たせません。";

// Runs the searches; keeps its working state between calls, so that a batch
// does not allocate for every shortfall.
class AdviceSearch {
public:
  // `calculated` is the state right after the Calculate that gave `outcome`
  // from `fields` (its selections, strengths and bond table are those in
  // force). Nothing unless that outcome reported a failed check; otherwise
  // the suggestion lines, or NoSingleChange.
  std::vector<std::string> suggestions(const SeismicCalcState &calculated, const FieldReader &fields,
                                       const CalcOutcome &outcome);

private:
  SeismicCalcState trial_;
};

// The same with a search of its own.
std::vector<std::string> suggestions(const SeismicCalcState &calculated, const FieldReader &fields,
                                     const CalcOutcome &outcome);

// The lines joined by `separator`.
std::string joined(const std::vector<std::string> &lines, std::string_view separator);

} // namespace zelvaro::cases
