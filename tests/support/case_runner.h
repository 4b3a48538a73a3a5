#pragma once

// Runs one calculation from the selections and NAME=TEXT pairs, the way the
// command line does, and keeps what came out.

#include "capture/single_case.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>

namespace zelvaro::test {

inline constexpr const char *FixedNow = "2007/07/16 10:23:45";

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

using Pairs = std::initializer_list<std::pair<const char *, const char *>>;

inline void fill(cli::CaseFields &fields, Shape shape, Pairs pairs) {
  fields.set(InputSlot::Combo1, "");
  for (const auto &[name, text] : pairs) {
    const auto slot = cli::slot_of(shape, name);
    if (!slot) {
      ADD_FAILURE() << "field " << name << " is not read by this shape";
      continue;
    }
    fields.set(*slot, text);
  }
}

// `extra` overrides or adds to `pairs`: a worked example and one change.
inline CaseRun run(Shape shape, Anchor anchor, Material material, Pairs pairs, Pairs extra = {}) {
  CaseRun r;
  cli::CaseFields fields;
  fill(fields, shape, pairs);
  for (const auto &[name, text] : extra)
    fields.set(*cli::slot_of(shape, name), text);
  cli::prepare_state(r.state, shape, anchor, material);
  r.outcome = cli::run_case(r.state, fields, FixedNow);
  return r;
}

} // namespace zelvaro::test
