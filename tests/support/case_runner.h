#pragma once

// Runs one calculation from the selections and NAME=TEXT pairs, the way the
// command line does, and keeps what came out. Every test calculation goes
// through here.

#include "capture/single_case.h"
#include "tests/support/worked_examples.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace zelvaro::test {

inline constexpr const char *FixedNow = "2007/07/16 10:23:45";
inline constexpr const char *FixedHeader = "～～～～～2007/07/16 10:23:45～～～～～";

// One calculation on a prepared state; a refusal comes back in the outcome.
// With `into`, the outcome is written there, reusing its storage.
inline CalcOutcome calculate(SeismicCalcState &s, const FieldReader &fields,
                             ReportText text = ReportText::Full, CalcOutcome *into = nullptr) {
  if (!into)
    return cases::run_case(s, fields, FixedNow, text);
  cases::run_case(s, fields, FixedNow, text, *into);
  return *into;
}

struct CaseRun {
  SeismicCalcState state;
  CalcOutcome outcome;

  bool reported() const { return outcome.status == CalcOutcome::Status::Reported; }
  bool stopped() const { return outcome.status == CalcOutcome::Status::Stopped; }
  bool refused() const { return outcome.status == CalcOutcome::Status::Refused; }
  // Report lines without their CR LF.
  std::vector<std::string> lines() const {
    std::vector<std::string> out;
    std::size_t start = 0;
    const std::string &r = outcome.report;
    for (;;) {
      const auto pos = r.find("\r\n", start);
      out.push_back(r.substr(start, pos == std::string::npos ? std::string::npos : pos - start));
      if (pos == std::string::npos)
        break;
      start = pos + 2;
    }
    return out;
  }
  bool has_line(const std::string &line) const {
    for (const auto &l : lines())
      if (l == line)
        return true;
    return false;
  }
};

// The fields of a case: `pairs`, then `extra` over them (a worked example and
// one change). The diameter box starts empty.
inline cases::CaseFields fields_of(Shape shape, const Fields &pairs, const Fields &extra = {}) {
  cases::CaseFields fields;
  fields.set(InputSlot::Combo1, "");
  for (const Fields *list : {&pairs, &extra})
    for (const auto &[name, text] : *list) {
      const auto slot = cases::slot_of(shape, name);
      if (!slot) {
        ADD_FAILURE() << "field " << name << " is not read by this shape";
        continue;
      }
      fields.set(*slot, text);
    }
  return fields;
}

inline CaseRun run(Shape shape, Anchor anchor, Material material, const Fields &pairs,
                   const Fields &extra = {}) {
  CaseRun r;
  cases::prepare_state(r.state, shape, anchor, material);
  r.outcome = calculate(r.state, fields_of(shape, pairs, extra));
  return r;
}

// A shape's worked example with `extra` over its fields.
inline CaseRun run_example(Shape shape, const Fields &extra = {}) {
  const WorkedExample &e = worked_example(shape);
  return run(e.shape, e.anchor, e.material, e.field_texts(), extra);
}

} // namespace zelvaro::test
