#include "engine/calculate.h"

#include "engine/checked_math.h"
#include "engine/checks.h"
#include "engine/report_text.h"
#include "engine/shape_procedure.h"

#include <cmath>

namespace zelvaro {

namespace {

// What no choice of bolts changes: the weight and the seismic forces, the
// shape's lengths, the amplitude and the motor terms. Converts W, HG, the
// lengths and a in place.
void loads(SeismicCalcState &s, const ShapeProcedure &proc) {
  s.W = formula("機器重量W", [&] { return Num{s.W} * 9.8; });
  const Num W{s.W}, KH{s.KH}, Z{s.Z}, F{s.F};
  s.FH = formula("設計水平地震力FH", [&] { return (W * KH) * Z; });
  if (s.F != 0)
    s.FH = formula("設計水平地震力FH", [&] { return Num{s.FH} + F * 9.8; });
  s.HG = formula("HG", [&] { return Num{s.HG} / 100; });
  s.FV = formula("設計鉛直地震力FV", [&] { return Num{s.FH} / 2; });
  proc.convert(s);
  s.a = formula("振動値a", [&] { return Num{s.a} / 1000000; });
  // Motor moment and rotation force. The angular speed uses 3.1412, as the
  // report formula states (6.2824 = 2 x 3.1412, 19.6 = 2 x 9.8).
  const Num N{s.N}, P{s.P}, a{s.a}, Wn{s.W};
  s.MR = s.N != 0 ? formula("ﾓｰﾒﾝﾄMR", [&] { return (9.55 / N) * P; }) : 0.0;
  s.FD = formula("回転力FD", [&] { return power((N * 6.2824) / 60, 2) * ((1 / Num{19.6}) * a) * Wn; });
}

// Whole-millimetre index of the chosen diameter into BondTable.
int diameter_index(double M_mm) {
  const double d = std::nearbyint(M_mm);
  if (!(d >= 0 && d < BondTableSize))
    throw NumericFault{NumericFaultKind::Invalid, "ﾎﾞﾙﾄ径M"};
  return static_cast<int>(d);
}

// The bolts on the loads: the section (M converted from millimetres to
// metres), the bolts taking tension, the pull-out, the stresses and the
// checks. None of these formulas can fail for a diameter that has an index
// and a finite count, so they follow the loads without changing which
// quantity a numeric error names.
struct BoltResults {
  std::optional<BondFigures> bond;
  bool bolt_ok = false;
};

BoltResults bolts(SeismicCalcState &s, const ShapeProcedure &proc, int d) {
  s.M = formula("ﾎﾞﾙﾄ径M", [&] { return Num{s.M} / 1000; });
  // A given count of bolts taking tension (floor and ceiling) replaces n / 2.
  s.nt = s.nt_given > 0 ? s.nt_given : formula("nt", [&] { return Num{s.n} / 2; });
  const Num M{s.M};
  s.A = formula("ﾎﾞﾙﾄ断面積A", [&] { return ((M * 0.7854) * M) * 0.75; });
  proc.pull_out(s);
  s.sigma_b = formula("引張応力σb", [&] { return (Num{s.Rb} / Num{s.A}) / 1000000; });
  proc.shear(s);
  combined_values(s);
  BoltResults r;
  r.bond = bond_figures(s, d);
  r.bolt_ok = bolt_passes(s);
  return r;
}

// The report's blocks and the report, from the numbers.
void write_report(SeismicCalcState &s, const ShapeProcedure &proc, CalcOutcome &out) {
  s.ForceBlock.clear();
  put_line(s.ForceBlock, "ﾎﾞﾙﾄ断面積A=", s.A, "(m2)");
  put_line(s.ForceBlock, "設計水平地震力FH=", s.FH, "(N)");
  put_line(s.ForceBlock, "設計鉛直地震力FV=", s.FV, "(N)");
  s.MotorBlock.clear();
  put_line(s.MotorBlock, "ﾓｰﾒﾝﾄ　MR=9.55･P/N=", s.MR, "(N･m)");
  put(s.MotorBlock, "回転力　FD=1/(2*9.8)･a･(2･3.1412･N/60)^2･W=", s.FD, "(N)");

  s.StressBlock.clear();
  s.StressBlock += s.ForceBlock;
  s.StressBlock += s.MotorBlock;
  s.StressBlock += CRLF;
  proc.pull_out_lines(s, s.StressBlock);
  put_line(s.StressBlock, "引張応力　σb=Rb/A = ", s.sigma_b, "(MPa)");
  proc.shear_line(s, s.StressBlock);
  put_line(s.StressBlock, "引張強度　σb/2+(0.25･σb^2+τb^2)^0.5 = ", s.sigma_c, "(MPa)");
  put_line(s.StressBlock, "専断強度　(0.25･σb^2+τb^2)^0.5 = ", s.tau_c, "(MPa)");

  std::string &report = out.report;
  report.clear();
  report.reserve(s.ReportHeader.size() + s.EchoBlock.size() + s.StressBlock.size() + s.VerdictLine.size() +
                 s.AnchorBlock.size() + 8);
  report += s.ReportHeader;
  report += CRLF;
  report += s.EchoBlock;
  report += CRLF;
  report += s.StressBlock;
  report += CRLF;
  report += s.VerdictLine;
  report += CRLF;
  report += s.AnchorBlock;
}

// Keeps what capture says in the outcome, whose storage it reuses.
class RefusalSink : public MessageSink {
public:
  explicit RefusalSink(std::vector<Message> &messages) : messages_(messages) {}
  void show(const Message &m) override { messages_.push_back(m); }

private:
  std::vector<Message> &messages_;
};

} // namespace

Message numeric_error_message(const NumericFault &fault) {
  std::string text = "入力された値では計算できません。\r\n";
  const std::string_view q = fault.quantity.empty() ? std::string_view("計算") : fault.quantity;
  text += q;
  switch (fault.kind) {
  case NumericFaultKind::DivisionByZero:
    text += "の計算で0による割り算になります。";
    break;
  case NumericFaultKind::Overflow:
    text += "の計算で値が大きすぎ、扱える範囲を超えます。";
    break;
  case NumericFaultKind::Invalid:
    text += "の計算が数値として成り立ちません。";
    break;
  }
  text += "\r\n本数・寸法・重量などの入力値を確認してください。";
  return Message{"計算できません", std::move(text), MessageIcon::Critical};
}

bool bolts_pass(SeismicCalcState &s) noexcept {
  const ShapeProcedure *proc = shape_procedure(s.ShapeKind);
  if (!proc)
    return false;
  try {
    const BoltResults r = bolts(s, *proc, diameter_index(s.M));
    return r.bolt_ok && (!r.bond || r.bond->safe);
  } catch (const NumericFault &) {
    return false;
  }
}

CalcOutcome Calculate(SeismicCalcState &s, const CaptureStep &data_in, std::string_view now,
                      ReportText text) {
  CalcOutcome out;
  Calculate(s, data_in, now, text, out);
  return out;
}

void Calculate(SeismicCalcState &s, const CaptureStep &data_in, std::string_view now, ReportText text,
               CalcOutcome &out) {
  out.status = CalcOutcome::Status::Refused;
  out.report.clear();
  out.message.reset();
  out.bond.reset();
  out.bolt_ok = false;
  out.refusal.clear();
  RefusalSink refusal(out.refusal);
  data_in(s, refusal);
  const ShapeProcedure *proc =
      s.CalcCode >= 11 && s.CalcCode <= 15 ? shape_procedure(static_cast<Shape>(s.CalcCode - 10)) : nullptr;
  if (!proc)
    return;
  s.AnchorBlock.clear();
  s.ReportHeader = ReportHeaderMark;
  s.ReportHeader += now;
  s.ReportHeader += ReportHeaderMark;
  BoltResults r;
  try {
    const int d = diameter_index(s.M); // read before M is converted to metres
    loads(s, *proc);
    r = bolts(s, *proc, d);
  } catch (const NumericFault &fault) {
    out.status = CalcOutcome::Status::Stopped;
    out.message = numeric_error_message(fault);
    return;
  }
  out.bond = r.bond;
  out.bolt_ok = r.bolt_ok;
  out.status = CalcOutcome::Status::Reported;
  verdict(s);
  if (text == ReportText::Verdicts) {
    s.ForceBlock.clear();
    s.MotorBlock.clear();
    s.StressBlock.clear();
    // The verdict line says the bolt falls short exactly when it fails, and
    // the bond block says danger exactly when the bond is not safe: the
    // announcement is told so instead of reading texts not written.
    out.message = announcement(!r.bolt_ok, r.bond && !r.bond->safe);
    return;
  }
  write_anchor_block(s, r.bond);
  write_report(s, *proc, out);
  // The only words of the report that the announcement looks for are in the
  // verdict line and the bond check's verdict, which end the report: only
  // they are searched (the whole report is several times longer, and
  // Japanese text makes a byte search stop at almost every character).
  const std::size_t tail = s.VerdictLine.size() + CRLF.size() + s.AnchorBlock.size();
  out.message = judge_msg(std::string_view(out.report).substr(out.report.size() - tail));
}

} // namespace zelvaro
