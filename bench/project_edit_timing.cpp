// The project model's cost of an edit: a generated schedule of ROWS items
// (10 000 by default) opened, then EDITS single-row edits (1 000), each the
// W of one item changed as 計算 writes it. Prints the time per edit and the
// memory the edits and their undo history hold above the opened project.
//
//   cmake --build build --target project_edit_timing && build/bench/project_edit_timing [ROWS [EDITS]]
#include "bench/schedule_generator.h"
#include "capture/single_case.h"
#include "schedule/project.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

// Resident memory in bytes, from /proc.
long resident_bytes() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}

} // namespace

int main(int argc, char **argv) {
  using namespace zelvaro;
  const std::size_t rows = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 10000;
  const std::size_t edits = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 1000;

  std::string text = std::string(bench::ScheduleHeader) + "\r\n";
  bench::ScheduleGenerator generator(7);
  for (std::size_t i = 1; i <= rows; ++i)
    generator.append_row(text, i);

  const long empty = resident_bytes();
  batch::Project project;
  const auto t0 = std::chrono::steady_clock::now();
  if (const std::string error = project.open(text); !error.empty()) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  const auto t1 = std::chrono::steady_clock::now();
  text.clear();
  text.shrink_to_fit();
  const long loaded = resident_bytes();

  double slowest = 0;
  const auto t2 = std::chrono::steady_clock::now();
  for (std::size_t e = 0; e < edits; ++e) {
    const std::size_t row = (e * 7919) % project.size();
    batch::RowInputs in = project.inputs(row);
    if (const auto w = cases::slot_of(in.shape, "W"))
      in.texts[static_cast<std::size_t>(*w)] = std::to_string(100 + e % 900);
    const auto a = std::chrono::steady_clock::now();
    project.set_inputs(row, in);
    const auto b = std::chrono::steady_clock::now();
    slowest = std::max(slowest, std::chrono::duration<double, std::milli>(b - a).count());
  }
  const auto t3 = std::chrono::steady_clock::now();
  const long after = resident_bytes();

  const double open_s = std::chrono::duration<double>(t1 - t0).count();
  const double per_edit_ms = std::chrono::duration<double, std::milli>(t3 - t2).count() / double(edits);
  std::printf("opened %zu items in %.2f s, %.1f MB resident\n", project.size(), open_s,
              double(loaded - empty) / 1e6);
  std::printf("%zu single-row edits: %.3f ms per edit (slowest %.3f ms)\n", edits, per_edit_ms, slowest);
  std::printf("memory above the opened project: %.1f MB resident, undo history %.1f MB in %zu steps\n",
              double(after - loaded) / 1e6, double(project.history_bytes()) / 1e6, project.history_steps());
  return 0;
}
