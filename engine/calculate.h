#pragma once

#include "engine/checks.h"
#include "engine/message.h"
#include "engine/seismic_calc_state.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelvaro {

struct CalcOutcome {
  enum class Status {
    Refused,  // capture refused the inputs: show `refusal`, in order
    Stopped,  // a numeric error stopped the calculation: show `message`
    Reported, // `report` is the new text of the result box; show `message` if any (advice)
  };
  Status status = Status::Refused;
  std::string report;
  std::optional<Message> message;
  // Reported, anchor kinds with a bond check: the figures of its line.
  std::optional<BondFigures> bond;
  // Reported: whether the bolt passed its strength check (the verdict line).
  bool bolt_ok = false;
  // Refused: what capture told the user, in the order it said it.
  std::vector<Message> refusal;
};

// Before and after the date and time in the report's first line.
inline constexpr std::string_view ReportHeaderMark = "～～～～～";

// The capture step that Calculate runs first (data_in). It reads the fields
// into the state and leaves CalcCode at 11..15, or refuses with CalcCode 0
// and tells why through the sink, which Calculate records into the outcome.
using CaptureStep = std::function<void(SeismicCalcState &, MessageSink &)>;

// How much text Calculate writes.
enum class ReportText {
  Full,     // the report and all its blocks
  Verdicts, // no report (it stays empty) and no blocks except VerdictLine;
            // the numbers, verdicts and announcement are the same
};

// The Calculate driver: capture, the forces common to every shape, the shape
// procedure, the checks, the report, and the verdict announcement. `now` is
// the date and time for the report header, formatted by the face. On a
// refusal or a numeric error the face keeps its previous report.
CalcOutcome Calculate(SeismicCalcState &s, const CaptureStep &data_in, std::string_view now,
                      ReportText text = ReportText::Full);

// The same into `out`, which is overwritten whole but keeps the storage of
// its texts (for runs of many calculations).
void Calculate(SeismicCalcState &s, const CaptureStep &data_in, std::string_view now, ReportText text,
               CalcOutcome &out);

// The bolts' part of a calculation alone, for searches that try other bolts
// on one case: `s` is the state after a Calculate that reported, with the
// bolt inputs changed as capture would have read them (M back in
// millimetres, the counts, the material's strengths, the anchor kind and its
// bond table). Runs the same formulas as Calculate from the diameter on (the
// loads, which no bolt changes, stay as worked out) and writes no text.
// Whether every check passes; false too where a numeric error would stop the
// calculation.
bool bolts_pass(SeismicCalcState &s) noexcept;

// The message shown when a numeric error (division by zero, overflow,
// invalid operation) stops a calculation or a capture.
struct NumericFault;
Message numeric_error_message(const NumericFault &fault);

} // namespace zelvaro
