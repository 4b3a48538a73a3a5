#include "schedule/item_result.h"

#include "schedule/result_sinks.h"

namespace zelvaro::batch {

std::string_view status_word(ItemStatus status) {
  switch (status) {
  case ItemStatus::Ok:
    return "ok";
  case ItemStatus::Shortfall:
    return "shortfall";
  case ItemStatus::Refused:
    return "refused";
  case ItemStatus::Error:
    return "error";
  }
  return {};
}

void take_outcome(ItemResult &r, const SeismicCalcState &s, const CalcOutcome &outcome) {
  r.message.clear();
  if (outcome.status != CalcOutcome::Status::Reported) {
    r.status = ItemStatus::Refused;
    clear_figures(r);
    if (outcome.status == CalcOutcome::Status::Stopped) {
      if (outcome.message)
        append_one_line(r.message, outcome.message->text);
      return;
    }
    for (const Message &m : outcome.refusal) {
      if (!r.message.empty())
        r.message += ' ';
      append_one_line(r.message, m.text);
    }
    return;
  }
  r.status = outcome.message ? ItemStatus::Shortfall : ItemStatus::Ok;
  if (outcome.message)
    append_one_line(r.message, outcome.message->text);
  r.Rb_N = s.Rb;
  r.sigma_b_MPa = s.sigma_b;
  r.tau_b_MPa = s.tau_b;
  r.sigma_c_MPa = s.sigma_c;
  r.tau_c_MPa = s.tau_c;
  r.ft_MPa = s.ft;
  r.fs_MPa = s.fs;
  r.bolt_ok = outcome.bolt_ok;
  r.bond_checked = outcome.bond.has_value();
  r.pullout_kg = r.bond_checked ? outcome.bond->pullout_kg : 0;
  r.allowable_kg = r.bond_checked ? outcome.bond->allowable_kg : 0;
  r.bond_ok = r.bond_checked && outcome.bond->safe;
  r.LL_cm = r.bond_checked ? 0 : s.LL;
  r.RebarCount = r.bond_checked ? 0 : s.RebarCount;
}

void clear_figures(ItemResult &r) {
  r.Rb_N = r.sigma_b_MPa = r.tau_b_MPa = r.sigma_c_MPa = r.tau_c_MPa = r.ft_MPa = r.fs_MPa = 0;
  r.bolt_ok = r.bond_checked = r.bond_ok = false;
  r.pullout_kg = r.allowable_kg = r.LL_cm = r.RebarCount = 0;
}

} // namespace zelvaro::batch
