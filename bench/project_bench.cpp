// The project in the window: a 1 000-item schedule opened until the list
// shows every verdict, and a row picked until its report is painted; a
// 100 000-item schedule opened, with the memory it takes.
#include "bench/schedule_generator.h"
#include "bench/window_bench_main.h"
#include "ui/equipment_list.h"
#include "ui/form1.h"
#include "ui/main_menu.h"
#include "ui/project_file.h"
#include "ui/widgets.h"

#include <QFile>
#include <QFileInfo>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <istream>

#include <sys/resource.h>

namespace {

using namespace zelvaro;
using namespace zelvaro::ui;

QString write_schedule(const QTemporaryDir &dir, std::size_t rows) {
  bench::ScheduleBuf buf(rows, 7);
  std::istream in(&buf);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const QString path = dir.filePath(QStringLiteral("schedule.csv"));
  QFile f(path);
  if (f.open(QIODevice::WriteOnly))
    f.write(text.data(), static_cast<qint64>(text.size()));
  return path;
}

void BM_OpenThousandItems(benchmark::State &st) {
  QTemporaryDir dir;
  const QString path = write_schedule(dir, 1000);
  MainWindow w;
  w.show();
  for (auto _ : st) {
    if (!w.openFile(path))
      st.SkipWithError("the schedule did not open");
    w.list()->view()->viewport()->repaint(); // the verdicts on screen
  }
  if (w.project().rowCount() != 1000)
    st.SkipWithError("not every item was read");
}
BENCHMARK(BM_OpenThousandItems)->Unit(benchmark::kMillisecond);

long peak_kb() {
  rusage r{};
  ::getrusage(RUSAGE_SELF, &r);
  return r.ru_maxrss;
}

// A 100 000-item schedule (9 MB), opened once: wall clock, and how far the
// process's peak memory rose above what it held before.
void BM_OpenHundredThousandItems(benchmark::State &st) {
  QTemporaryDir dir;
  const QString path = write_schedule(dir, 100'000);
  MainWindow w;
  w.show();
  const long before = peak_kb();
  for (auto _ : st) {
    if (!w.openFile(path))
      st.SkipWithError("the schedule did not open");
    w.list()->view()->viewport()->repaint();
  }
  st.counters["peak_rise_MB"] = static_cast<double>(peak_kb() - before) / 1024.0;
  st.counters["file_MB"] = static_cast<double>(QFileInfo(path).size()) / (1 << 20);
  if (w.project().rowCount() != 100'000)
    st.SkipWithError("not every item was read");
}
BENCHMARK(BM_OpenHundredThousandItems)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void BM_SelectRowToReport(benchmark::State &st) {
  QTemporaryDir dir;
  const QString path = write_schedule(dir, 1000);
  MainWindow w;
  w.show();
  w.openFile(path);
  int row = 0;
  for (auto _ : st) {
    w.list()->selectRow(row);
    w.form()->Text2()->viewport()->repaint();
    row = (row + 1) % 1000;
  }
}
BENCHMARK(BM_SelectRowToReport)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv) {
  return zelvaro::bench::run_window_benchmarks(argc, argv);
}
