#include "engine/checks.h"

#include "engine/checked_math.h"
#include "engine/report_text.h"

namespace zelvaro {

void combined_values(SeismicCalcState &s) {
  const Num sigma_b{s.sigma_b}, tau_b{s.tau_b};
  // Both values share the root, which is worked out once (the same operations
  // on the same numbers, so the same result).
  const double root =
      formula("引張強度σc", [&] { return power(power(sigma_b, 2) * 0.25 + power(tau_b, 2), 0.5); });
  s.sigma_c = formula("引張強度σc", [&] { return Num{root} + sigma_b / 2; });
  s.tau_c = root;
}

std::optional<BondFigures> bond_figures(SeismicCalcState &s, int d) {
  const Num Rb{s.Rb};
  if (static_cast<int>(s.AnchorKind) <= 6) {
    const double v = formula("引抜力Rb(kg)", [&] { return Rb / 9.8; });
    const double allowable = s.BondTable[static_cast<std::size_t>(d)];
    // A pull-out equal to the allowable value is already unsafe.
    return BondFigures{v, allowable, v < allowable};
  }
  // Rebar-welded anchor: 3250 = 0.5 margin x 0.0065 m throat x 10^6 (MPa to N/m2).
  const Num WeldStrength{s.WeldStrength}, RebarStrength{s.RebarStrength};
  s.LL = formula("必要溶接量LL", [&] { return Rb / (WeldStrength * 3250) * 100; });
  s.RebarCount = formula("鉄筋本数", [&] { return Rb / RebarStrength; });
  return std::nullopt;
}

void write_anchor_block(SeismicCalcState &s, const std::optional<BondFigures> &bond) {
  s.AnchorBlock.clear();
  if (bond) {
    // The rebar-hooked anchor's table holds the strength of the hooked bar.
    const std::string_view label =
        static_cast<int>(s.AnchorKind) <= 5 ? "はｺﾝｸﾘｰﾄとﾎﾞﾙﾄ密着力=" : "はφ13鉄筋強度=";
    put(s.AnchorBlock, "⇒引抜力 Rb=", bond->pullout_kg, "(kg)");
    put(s.AnchorBlock, label, bond->allowable_kg, "(kg)");
    s.AnchorBlock += bond->safe ? BondSafe : BondDanger;
    return;
  }
  put(s.AnchorBlock, "⇒必要溶接量 LL=Rb/(0.5･0.0065･10^6･", s.WeldStrength, ")･100 = ");
  put(s.AnchorBlock, "", s.LL, "(cm)");
  s.RebarLine.clear();
  put(s.RebarLine, "⇒基礎ﾎﾞﾙﾄ～溶接φ13鉄筋本数⇒引抜力 / 筋強度48146(N)= ", s.RebarCount, "（本）");
  s.AnchorBlock += CRLF;
  s.AnchorBlock += s.RebarLine;
}

bool bolt_passes(const SeismicCalcState &s) {
  // A combined value equal to its reference strength passes.
  return s.sigma_c <= s.ft && s.tau_c <= s.fs;
}

bool verdict(SeismicCalcState &s) {
  const bool pass = bolt_passes(s);
  s.VerdictLine = pass ? VerdictPass : VerdictFail;
  return pass;
}

std::optional<Message> judge_msg(std::string_view report) {
  return announcement(report.find("足りない") != std::string_view::npos,
                      report.find("危険") != std::string_view::npos);
}

std::optional<Message> announcement(bool short_of, bool danger) {
  std::string text;
  if (danger && short_of)
    text = "「ボルト自体の強度」と「ボルトとコンクリートの密着性、連結性も不足」しています。\r\n"
           "ボルト本数を増やすか、ボルト材質、直径を大きくし、更に違うアンカー方式で施工しなおす必要がありま"
           "す。";
  else if (danger)
    text = "「ボルトとコンクリートの密着性、連結性が不足」しています。違うアンカー方式で施工しなおすか、\r\n"
           "ボルト本数を増やしたり、ボルト材質、直径を大きくする必要があります。";
  else if (short_of)
    text =
        "「ボルト自体の強度」が不足しています。ボルト本数を増やすか、ボルト材質、直径を大きくしてください。";
  else
    return std::nullopt;
  return Message{"耐震強度不足", std::move(text), MessageIcon::None};
}

} // namespace zelvaro
