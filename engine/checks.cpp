#include "engine/checks.h"

#include "engine/checked_math.h"
#include "engine/report_text.h"

namespace zelvaro {

void combined_values(SeismicCalcState &s) {
  const Num sigma_b{s.sigma_b}, tau_b{s.tau_b};
  s.sigma_c = formula("引張強度σc",
                      [&] { return power(power(sigma_b, 2) * 0.25 + power(tau_b, 2), 0.5) + sigma_b / 2; });
  s.tau_c = formula("専断強度τc", [&] { return power(power(sigma_b, 2) * 0.25 + power(tau_b, 2), 0.5); });
}

std::optional<BondFigures> anchor_check(SeismicCalcState &s, int d) {
  const Num Rb{s.Rb};
  const int kind = static_cast<int>(s.AnchorKind);
  if (kind <= 6) {
    // The rebar-hooked anchor's table holds the strength of the hooked bar.
    const std::string_view label = kind <= 5 ? "はｺﾝｸﾘｰﾄとﾎﾞﾙﾄ密着力=" : "はφ13鉄筋強度=";
    const double v = formula("引抜力Rb(kg)", [&] { return Rb / 9.8; });
    const double allowable = s.BondTable[static_cast<std::size_t>(d)];
    s.AnchorBlock.clear();
    put(s.AnchorBlock, "⇒引抜力 Rb=", v, "(kg)");
    put(s.AnchorBlock, label, allowable, "(kg)");
    // A pull-out equal to the allowable value is already unsafe.
    const bool safe = v < allowable;
    s.AnchorBlock += safe ? BondSafe : BondDanger;
    return BondFigures{v, allowable, safe};
  }
  // Rebar-welded anchor: 3250 = 0.5 margin x 0.0065 m throat x 10^6 (MPa to N/m2).
  const Num WeldStrength{s.WeldStrength}, RebarStrength{s.RebarStrength};
  s.LL = formula("必要溶接量LL", [&] { return Rb / (WeldStrength * 3250) * 100; });
  s.AnchorBlock.clear();
  put(s.AnchorBlock, "⇒必要溶接量 LL=Rb/(0.5･0.0065･10^6･", s.WeldStrength, ")･100 = ");
  put(s.AnchorBlock, "", s.LL, "(cm)");
  s.RebarCount = formula("鉄筋本数", [&] { return Rb / RebarStrength; });
  s.RebarLine.clear();
  put(s.RebarLine, "⇒基礎ﾎﾞﾙﾄ～溶接φ13鉄筋本数⇒引抜力 / 筋強度48146(N)= ", s.RebarCount, "（本）");
  s.AnchorBlock += CRLF;
  s.AnchorBlock += s.RebarLine;
  return std::nullopt;
}

bool verdict(SeismicCalcState &s) {
  // A combined value equal to its reference strength passes.
  const bool pass = s.sigma_c <= s.ft && s.tau_c <= s.fs;
  s.VerdictLine = pass ? VerdictPass : VerdictFail;
  return pass;
}

std::optional<Message> judge_msg(std::string_view report) {
  const bool danger = report.find("危険") != std::string_view::npos;
  const bool short_of = report.find("足りない") != std::string_view::npos;
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
