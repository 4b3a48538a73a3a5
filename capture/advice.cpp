#include "capture/advice.h"

#include "capture/data_in.h"
#include "capture/single_case.h"
#include "engine/checked_math.h"
#include "engine/checks.h"
#include "engine/number_text.h"
#include "engine/shape_procedure.h"
#include "refdata/bond_tables.h"
#include "refdata/materials.h"
#include "refdata/selection_lists.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <optional>
#include <span>

namespace zelvaro::cases {

namespace {

constexpr std::string_view Passes = " にすれば基準を満たします。";
constexpr std::string_view CountPasses = " 本にすれば基準を満たします。";
constexpr std::string_view TensionCountPasses = " 本）にすれば基準を満たします。";
constexpr int MostBolts = 200;

// The value capture reads from `text`, which holds a count as the advice
// shows it: nothing when capture would refuse it.
std::optional<double> as_typed(std::string_view text) {
  if (!is_plain_decimal(text))
    return std::nullopt;
  const std::optional<double> v = plain_decimal_value(text);
  return v && std::isfinite(*v) ? v : std::nullopt;
}

// The smallest step k in 1..last for which passes(k), or 0 when none does.
// A thicker bolt or more bolts never lowers a margin, so the steps that pass
// lie above those that fail: the search probes the guess first, gallops
// away from it towards the boundary and halves what is left. Steps 0 (the
// entered value, which failed) and last + 1 (never tried) bound it.
template <class Try> int smallest_passing(int last, double guess, Try passes) {
  if (last < 1)
    return 0;
  int lo = 0, hi = last + 1;
  const int first = std::isfinite(guess) ? static_cast<int>(std::clamp(guess, 1.0, double(last))) : last;
  if (passes(first)) {
    hi = first;
    for (int step = 1; hi - step > lo; step *= 2) {
      if (!passes(hi - step)) {
        lo = hi - step;
        break;
      }
      hi -= step;
    }
  } else {
    lo = first;
    for (int step = 1; lo + step < hi; step *= 2) {
      if (passes(lo + step)) {
        hi = lo + step;
        break;
      }
      lo += step;
    }
  }
  while (hi - lo > 1) {
    const int mid = lo + (hi - lo) / 2;
    (passes(mid) ? hi : lo) = mid;
  }
  return hi <= last ? hi : 0;
}

int whole(std::string_view text) {
  int v = 0;
  std::from_chars(text.data(), text.data() + text.size(), v);
  return v;
}

// How many whole steps a count may rise: to four times its entered value,
// at most 200.
int steps_up(double count) {
  const double room = std::min(count * 4, double(MostBolts)) - count;
  return room >= 1 ? static_cast<int>(std::min(room, double(MostBolts))) : 0;
}

} // namespace

std::vector<std::string> AdviceSearch::suggestions(const SeismicCalcState &calculated,
                                                   const FieldReader &fields, const CalcOutcome &outcome) {
  std::vector<std::string> lines;
  if (outcome.status != CalcOutcome::Status::Reported || !outcome.message)
    return lines;
  const bool bolt_failed = !outcome.bolt_ok;
  const bool bond_failed = outcome.bond && !outcome.bond->safe;
  const ShapeProcedure *proc = shape_procedure(calculated.ShapeKind);
  const std::string_view diameter = fields.text(InputSlot::Combo1);
  const std::optional<double> entered_M = as_typed(diameter);
  if (!proc || !entered_M)
    return lines;

  // A trial is the calculation with one change, as capture would read it
  // from the changed fields: the loads of `calculated` stay (no bolt choice
  // changes them), the bolts' part runs again on the changed inputs.
  // Capture's only checks that a change can fail are the diameter being
  // offered for the anchor kind and nt being at most half the bolts; the
  // wall's n is derived from n1 and n2 as capture does.
  trial_ = calculated;
  struct Bolts {
    double M, n, nt_given, n1, n2;
  };
  const Bolts entered{*entered_M, calculated.n, calculated.nt_given, calculated.n1, calculated.n2};
  const auto passes = [&](const Bolts &b) {
    if (b.nt_given > 0 && !(b.nt_given >= 1 && b.nt_given == std::floor(b.nt_given) && b.nt_given <= b.n / 2))
      return false;
    trial_.M = b.M;
    trial_.n = b.n;
    trial_.nt_given = b.nt_given;
    trial_.n1 = b.n1;
    trial_.n2 = b.n2;
    if (proc->derive_inputs) {
      try {
        proc->derive_inputs(trial_);
      } catch (const NumericFault &) {
        return false;
      }
    }
    return bolts_pass(trial_);
  };

  // How far the checks are from passing, for the searches' first guesses
  // (the stresses and the pull-out fall with the count).
  double short_by = 1;
  if (bolt_failed)
    short_by = std::max({short_by, calculated.sigma_c / calculated.ft, calculated.tau_c / calculated.fs});
  if (bond_failed)
    short_by = std::max(short_by, outcome.bond->pullout_kg / outcome.bond->allowable_kg);

  // Diameter.
  const auto items = diameter_items(calculated.AnchorKind);
  const auto chosen = std::find(items.begin(), items.end(), diameter);
  if (chosen != items.end()) {
    const auto larger = std::span(chosen + 1, items.end());
    const double d0 = whole(diameter);
    std::size_t guess = 0;
    while (guess + 1 < larger.size()) {
      const int d = whole(larger[guess]);
      const bool bolt_may_pass = !bolt_failed || double(d) * d >= d0 * d0 * short_by;
      const bool bond_may_pass = !bond_failed || (d < BondTableSize && calculated.BondTable[std::size_t(d)] >
                                                                           outcome.bond->pullout_kg);
      if (bolt_may_pass && bond_may_pass)
        break;
      ++guess;
    }
    const int k = smallest_passing(int(larger.size()), double(guess + 1), [&](int step) {
      const std::optional<double> M = as_typed(larger[std::size_t(step - 1)]);
      Bolts b = entered;
      b.M = M.value_or(0);
      return M && passes(b);
    });
    if (k > 0)
      lines.push_back("ボルト径を M" + std::string(larger[std::size_t(k - 1)]) + std::string(Passes));
  }

  // Count: the counts tried are those the suggestion's text shows.
  std::string first_text, second_text;
  const auto count_text = [](std::string &out, double v) {
    out.clear();
    append_number(out, v);
    return as_typed(out);
  };
  if (calculated.ShapeKind == Shape::Wall) {
    const double n1 = calculated.n1, n2 = calculated.n2;
    const int last = std::min(steps_up(n1), steps_up(n2));
    const int k = smallest_passing(last, std::ceil(n1 * (short_by - 1)), [&](int step) {
      const std::optional<double> t1 = count_text(first_text, n1 + step),
                                  t2 = count_text(second_text, n2 + step);
      Bolts b = entered;
      b.n1 = t1.value_or(0);
      b.n2 = t2.value_or(0);
      return t1 && t2 && passes(b);
    });
    if (k > 0) {
      count_text(first_text, n1 + k);
      count_text(second_text, n2 + k);
      lines.push_back("上下片側 n1=" + first_text + "・横片側 n2=" + second_text + std::string(Passes));
    }
  } else if (slot_of(calculated.ShapeKind, "nt")) {
    // Floor and ceiling: a count that keeps the two rows alike. With nt
    // given, bolts are added to the tension side and as many to the other;
    // with nt blank (n/2), the total stays even.
    const double n = calculated.n, nt = calculated.nt_given;
    const double top = std::min(n * 4, double(MostBolts));
    const double first = nt > 0 ? n + 2 : 2 * std::floor(n / 2) + 2; // the first count tried
    const int last = first <= top ? static_cast<int>((top - first) / 2) + 1 : 0;
    // The pull-out falls with the bolts taking tension, so about nt x short_by of them pass.
    const double guess = nt > 0 ? std::ceil(nt * (short_by - 1)) : std::ceil((n * short_by - first) / 2) + 1;
    const int k = smallest_passing(last, guess, [&](int step) {
      Bolts b = entered;
      const std::optional<double> total = count_text(first_text, first + 2 * (step - 1));
      b.n = total.value_or(0);
      if (nt > 0) {
        const std::optional<double> tension = count_text(second_text, nt + step);
        if (!tension)
          return false;
        b.nt_given = *tension;
      }
      return total && passes(b);
    });
    if (k > 0) {
      count_text(first_text, first + 2 * (k - 1));
      if (nt > 0) {
        count_text(second_text, nt + k);
        lines.push_back("引張側を " + second_text + " 本（総数 " + first_text +
                        std::string(TensionCountPasses));
      } else {
        lines.push_back("ボルト本数を " + first_text + std::string(CountPasses));
      }
    }
  } else {
    const double n = calculated.n;
    const int k = smallest_passing(steps_up(n), std::ceil(n * (short_by - 1)), [&](int step) {
      const std::optional<double> total = count_text(first_text, n + step);
      Bolts b = entered;
      b.n = total.value_or(0);
      return total && passes(b);
    });
    if (k > 0) {
      count_text(first_text, n + k);
      lines.push_back("ボルト本数を " + first_text + std::string(CountPasses));
    }
  }

  // Material: it changes the bolt's reference strengths only, never the
  // bond check.
  if (bolt_failed && !bond_failed) {
    const Material other = calculated.BoltMaterial == Material::SS ? Material::SUS : Material::SS;
    choose_material(trial_, other);
    if (passes(entered))
      lines.push_back("ボルト材質を " + std::string(material_strength(other)->name) + std::string(Passes));
    trial_.ft = calculated.ft;
    trial_.fs = calculated.fs;
    trial_.BoltMaterial = calculated.BoltMaterial;
  }

  // Anchor kind: it changes the bond check only, never the bolt's. Capture
  // refuses a diameter that the kind does not offer.
  if (bond_failed && !bolt_failed) {
    for (const AnchorInfo &a : anchor_kinds()) {
      if (a.kind == calculated.AnchorKind)
        continue;
      const auto offered = diameter_items(a.kind);
      if (std::find(offered.begin(), offered.end(), diameter) == offered.end())
        continue;
      // As choosing the option does: the kind, then its table for the shape.
      trial_.AnchorKind = a.kind;
      trial_.BondTable = calculated.BondTable;
      load_bond_table(trial_, a.kind);
      if (passes(entered))
        lines.push_back("アンカーを " + std::string(a.caption) + std::string(Passes));
    }
  }

  if (lines.empty())
    lines.emplace_back(NoSingleChange);
  return lines;
}

std::vector<std::string> suggestions(const SeismicCalcState &calculated, const FieldReader &fields,
                                     const CalcOutcome &outcome) {
  AdviceSearch search;
  return search.suggestions(calculated, fields, outcome);
}

std::string joined(const std::vector<std::string> &lines, std::string_view separator) {
  std::string out;
  for (const std::string &line : lines) {
    if (!out.empty())
      out += separator;
    out += line;
  }
  return out;
}

} // namespace zelvaro::cases
