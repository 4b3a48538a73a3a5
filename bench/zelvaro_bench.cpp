// Speed of one calculation and of the batch mode.
//
//   zelvaro_bench [Google Benchmark options]
//   zelvaro_bench --write-schedule=ROWS [--max-weight=KG]   # a generated schedule on stdout
//
// The second form makes the large files for measuring the batch's peak
// memory, e.g.
//   build/bench/zelvaro_bench --write-schedule=1000000 > /tmp/schedule.csv
//   /usr/bin/time -v build/cli/zelvaro-check --batch /tmp/schedule.csv > /dev/null
#include "bench/schedule_generator.h"
#include "capture/single_case.h"
#include "engine/number_text.h"
#include "schedule/batch.h"
#include "schedule/csv_reader.h"
#include "schedule/safe_filename.h"
#include "tests/support/worked_examples.h"

#include <benchmark/benchmark.h>

#include <iterator>
#include <streambuf>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using namespace zelvaro;

namespace {

constexpr const char *Now = "2007/07/16 10:23:45";

struct Case {
  Shape shape;
  Anchor anchor;
  Material material;
  test::Fields fields;
};

// A shape's worked example under `anchor` and `material`, `extra` over its
// texts.
Case example(Shape shape, Anchor anchor, Material material, const test::Fields &extra = {}) {
  return {shape, anchor, material, test::worked_example(shape).field_texts(extra)};
}

// One case of each shape, the anchor kinds of both checks among them (as
// calc_timing's).
const std::vector<Case> &cases() {
  static const std::vector<Case> all = {
      example(Shape::Floor, Anchor::HawkCut, Material::SS, {{"P", "3.7"}, {"N", "1450"}, {"a", "20"}}),
      example(Shape::Circular, Anchor::RebarWelded, Material::SUS),
      example(Shape::Wall, Anchor::JTip, Material::SS),
      example(Shape::Ceiling, Anchor::Chemical, Material::SS),
      example(Shape::Braced, Anchor::RebarHooked, Material::SUS, {{"F", "10"}}),
  };
  return all;
}

// One Calculate from the field texts to the finished report, as the batch
// runs it for a row: fields reset and filled, state prepared, capture,
// calculation, report and verdict announcement.
void BM_CalculateWithReport(benchmark::State &st) {
  SeismicCalcState state;
  cases::CaseFields fields;
  std::size_t i = 0;
  for (auto _ : st) {
    const Case &c = cases()[i++ % cases().size()];
    fields.reset();
    for (const auto &[name, text] : c.fields)
      fields.set(*cases::slot_of(c.shape, name), text);
    cases::prepare_state(state, c.shape, c.anchor, c.material);
    CalcOutcome outcome = cases::run_case(state, fields, Now);
    if (outcome.status != CalcOutcome::Status::Reported)
      st.SkipWithError("a benchmark case was not calculated");
    benchmark::DoNotOptimize(outcome.report.data());
  }
  st.SetItemsProcessed(static_cast<std::int64_t>(st.iterations()));
}
BENCHMARK(BM_CalculateWithReport);

// The number-to-text conversion of the report on values like the report's.
void BM_NumberText(benchmark::State &st) {
  const double values[] = {
      2205, 25.99524658348186, 8.48232e-05, 176.5, 14.44180365748992, 0.333333333333333, 4900,
      670,  32.42708298869335, 1e6,         225.0, 19.42945969695245};
  std::string out;
  for (auto _ : st) {
    out.clear();
    for (double v : values)
      append_number(out, v);
    benchmark::DoNotOptimize(out.data());
  }
  st.SetItemsProcessed(static_cast<std::int64_t>(st.iterations() * std::size(values)));
}
BENCHMARK(BM_NumberText);

// Stores nothing, but does what a report file costs apart from the disk:
// the safe file name.
class DiscardReports : public batch::ReportSink {
public:
  void write(std::size_t line, std::string_view id, std::string_view report) override {
    const std::string name = batch::report_file_name(line, id, ".txt");
    bytes += name.size() + report.size();
  }
  std::uint64_t bytes = 0;
};

// A schedule held in memory, as a cached file is read: generating the rows
// is not the batch's work and stays outside the timing.
class MemoryBuf : public std::streambuf {
public:
  explicit MemoryBuf(std::string &text) { setg(text.data(), text.data(), text.data() + text.size()); }
};

const std::string &generated_schedule(std::size_t rows, std::uint64_t max_weight = bench::DefaultMaxWeight) {
  static std::string text;
  static std::pair<std::size_t, std::uint64_t> made{};
  if (made != std::pair(rows, max_weight)) {
    text.clear();
    bench::ScheduleBuf schedule(rows, 42, max_weight);
    text.assign(std::istreambuf_iterator<char>(&schedule), std::istreambuf_iterator<char>());
    made = {rows, max_weight};
  }
  return text;
}

void run_generated(benchmark::State &st, bool reports, std::uint64_t max_weight = bench::DefaultMaxWeight) {
  const auto rows = static_cast<std::size_t>(st.range(0));
  std::string schedule_text = generated_schedule(rows, max_weight);
  for (auto _ : st) {
    MemoryBuf schedule(schedule_text);
    std::istream in(&schedule);
    bench::DiscardBuf table_buf, diagnostics_buf;
    std::ostream table(&table_buf), diagnostics(&diagnostics_buf);
    DiscardReports sink;
    batch::BatchOptions options;
    options.now = Now;
    options.reports = reports ? &sink : nullptr;
    const batch::BatchCounts counts = batch::run_batch(in, table, diagnostics, options);
    if (counts.items != rows || counts.refused != 0 || counts.file_error)
      st.SkipWithError("the generated schedule did not run cleanly");
    benchmark::DoNotOptimize(table_buf.bytes);
    benchmark::DoNotOptimize(sink.bytes);
  }
  st.SetItemsProcessed(static_cast<std::int64_t>(st.iterations() * rows));
}

// Reading alone: the generated schedule split into rows of cells, as the
// batch reads it.
void BM_ReadSchedule(benchmark::State &st) {
  const auto rows = static_cast<std::size_t>(st.range(0));
  std::string schedule_text = generated_schedule(rows);
  for (auto _ : st) {
    MemoryBuf schedule(schedule_text);
    std::istream in(&schedule);
    batch::CsvReader reader(in);
    batch::CsvRecordView record;
    std::size_t cells = 0;
    while (reader.next(record))
      cells += record.fields.size();
    benchmark::DoNotOptimize(cells);
  }
  st.SetItemsProcessed(static_cast<std::int64_t>(st.iterations() * rows));
}
BENCHMARK(BM_ReadSchedule)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(2);

// The whole batch on a generated schedule: CSV reading, one calculation a
// row and the verdict table, to a discarded output.
void BM_BatchVerdictTable(benchmark::State &st) {
  run_generated(st, false);
}
BENCHMARK(BM_BatchVerdictTable)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(2);

// The verdict table of a schedule with about a tenth of shortfalls, each of
// which also gets its suggestions searched.
void BM_BatchTenthShort(benchmark::State &st) {
  run_generated(st, false, bench::LightMaxWeight);
}
BENCHMARK(BM_BatchTenthShort)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(2);

// The same with every item's full report handed on (and discarded).
void BM_BatchWithReports(benchmark::State &st) {
  run_generated(st, true);
}
BENCHMARK(BM_BatchWithReports)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(2);

// A hostile schedule against a normal one of the same size (384 kB), both
// through the whole batch: after a normal header, lines of x"," each open a
// quote that runs on over every line after it. Reading must stay linear in
// the input whatever it holds, so the two take times of the same order.
std::string same_size_schedule(bool crafted) {
  constexpr std::size_t Bytes = 384 * 1024;
  const std::string &normal = generated_schedule(10'000);
  std::string text = normal.substr(0, normal.find('\n') + 1); // the header
  if (crafted) {
    while (text.size() < Bytes)
      text += "x\",\"\n";
  } else {
    text = normal.substr(0, normal.rfind('\n', Bytes) + 1);
  }
  return text;
}

void BM_BatchSameSize(benchmark::State &st, bool crafted) {
  std::string text = same_size_schedule(crafted);
  for (auto _ : st) {
    MemoryBuf schedule(text);
    std::istream in(&schedule);
    bench::DiscardBuf table_buf, diagnostics_buf;
    std::ostream table(&table_buf), diagnostics(&diagnostics_buf);
    batch::BatchOptions options;
    options.now = Now;
    const batch::BatchCounts counts = batch::run_batch(in, table, diagnostics, options);
    if (counts.file_error || (counts.refused == 0) != !crafted)
      st.SkipWithError("the schedule was not read as intended");
    benchmark::DoNotOptimize(table_buf.bytes);
  }
  st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations() * text.size()));
}
BENCHMARK_CAPTURE(BM_BatchSameSize, normal_384kB, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BatchSameSize, crafted_quotes_384kB, true)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
  constexpr std::string_view Write = "--write-schedule=", Weight = "--max-weight=";
  std::uint64_t max_weight = bench::DefaultMaxWeight;
  for (int i = 1; i < argc; ++i)
    if (std::string_view(argv[i]).starts_with(Weight))
      max_weight = std::stoull(argv[i] + Weight.size());
  for (int i = 1; i < argc; ++i)
    if (std::string_view(argv[i]).starts_with(Write)) {
      const std::size_t rows = std::stoul(argv[i] + Write.size());
      bench::ScheduleBuf schedule(rows, 42, max_weight);
      std::cout << &schedule;
      return std::cout ? 0 : 1;
    }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
