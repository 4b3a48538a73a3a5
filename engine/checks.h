#pragma once

#include "engine/seismic_calc_state.h"

#include <optional>
#include <string_view>

#include "engine/message.h"

namespace zelvaro {

// Combined tensile and shear values of the bolt (sigma_c, tau_c).
void combined_values(SeismicCalcState &s);

// The figures the bond check compares: the pull-out force in kg and the
// allowable value at the chosen diameter.
struct BondFigures {
  double pullout_kg;
  double allowable_kg;
  bool safe; // the pull-out is below the allowable value
  bool operator==(const BondFigures &) const = default;
};

// Bond check against BondTable at diameter index d (anchor kinds 1 to 6), or
// weld length and rebar count (anchor kind 7, which sets LL and RebarCount).
// Returns the bond check's figures, nothing for the weld; writes no text.
std::optional<BondFigures> bond_figures(SeismicCalcState &s, int d);

// The anchor block of the report for what bond_figures returned.
void write_anchor_block(SeismicCalcState &s, const std::optional<BondFigures> &bond);

// Whether the bolt passes against ft and fs.
bool bolt_passes(const SeismicCalcState &s);

// The same, writing VerdictLine.
bool verdict(SeismicCalcState &s);

// Outcome texts of the report that the faces may look for.
inline constexpr std::string_view BondSafe = "より小さく,安全";
inline constexpr std::string_view BondDanger = "より大きく,危険";
inline constexpr std::string_view VerdictPass =
    "⇒ﾎﾞﾙﾄ引張強度,専断強度共各々基準強度以下であるので,問題無い。";
inline constexpr std::string_view VerdictFail = "⇒ﾎﾞﾙﾄ強度が足りない。";

// The verdict announcement: reads the report just written and returns the
// advice message box to show, or nothing when every check passed.
std::optional<Message> judge_msg(std::string_view report);

// The same for a report whose verdict line says the bolt falls short
// (`short_of`) and whose bond check says danger (`danger`).
std::optional<Message> announcement(bool short_of, bool danger);

} // namespace zelvaro
