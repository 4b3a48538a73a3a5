// The time of one calculation, from the field texts to the finished report,
// without Google Benchmark so that the same program builds natively and for
// node (scripts/build-web). bench/web-vs-native runs both side by side.
//
//   calc_timing [SECONDS]   # per shape, default 1 s each
#include "capture/single_case.h"
#include "tests/support/worked_examples.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string_view>
#include <utility>
#include <vector>

using namespace zelvaro;

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
// The CPU time of the node process, in seconds.
EM_JS(double, process_cpu_seconds, (), {
  const u = process.cpuUsage();
  return (u.user + u.system) / 1e6;
});
#else
double process_cpu_seconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}
#endif

namespace {

struct Case {
  const char *name;
  Shape shape;
  Anchor anchor;
  Material material;
  test::Fields fields;
};

// A shape's worked example under `anchor` and `material`, `extra` over its
// texts.
Case example(const char *name, Shape shape, Anchor anchor, Material material,
             const test::Fields &extra = {}) {
  return {name, shape, anchor, material, test::worked_example(shape).field_texts(extra)};
}

// The cases of zelvaro_bench: one of each shape, both anchor checks among them.
const std::vector<Case> Cases = {
    example("floor", Shape::Floor, Anchor::HawkCut, Material::SS, {{"P", "3.7"}, {"N", "1450"}, {"a", "20"}}),
    example("circular", Shape::Circular, Anchor::RebarWelded, Material::SUS),
    example("wall", Shape::Wall, Anchor::JTip, Material::SS),
    example("ceiling", Shape::Ceiling, Anchor::Chemical, Material::SS),
    example("braced", Shape::Braced, Anchor::RebarHooked, Material::SUS, {{"F", "10"}}),
};

} // namespace

int main(int argc, char **argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 1.0;
  using Clock = std::chrono::steady_clock;
  SeismicCalcState state;
  cases::CaseFields fields;
  CalcOutcome outcome;
  std::size_t bytes = 0; // keeps the reports from being optimised away
  // The first pass warms up (node compiles the hot WebAssembly a second
  // time, optimised) and is not shown.
  for (int pass = 0; pass < 2; ++pass)
    for (const Case &c : Cases) {
      long runs = 0;
      const auto start = Clock::now();
      const double cpu_start = process_cpu_seconds();
      std::chrono::duration<double> spent{};
      while (spent.count() < seconds) {
        for (int k = 0; k < 100; ++k, ++runs) {
          fields.reset();
          for (const auto &[name, text] : c.fields)
            fields.set(*cases::slot_of(c.shape, name), text);
          cases::prepare_state(state, c.shape, c.anchor, c.material);
          cases::run_case(state, fields, "2007/07/16 10:23:45", ReportText::Full, outcome);
          if (outcome.status != CalcOutcome::Status::Reported) {
            std::fprintf(stderr, "calc_timing: the %s case was not calculated\n", c.name);
            return 1;
          }
          bytes += outcome.report.size();
        }
        spent = Clock::now() - start;
      }
      // CPU time as well: on a busy machine the clock on the wall also counts
      // the time the process waited for a processor.
      const double cpu = process_cpu_seconds() - cpu_start;
      if (pass == 1)
        std::printf("%-8s %8.2f us CPU, %8.2f us elapsed per calculation (%ld runs)\n", c.name,
                    cpu * 1e6 / runs, spent.count() * 1e6 / runs, runs);
    }
  return bytes == 0;
}
