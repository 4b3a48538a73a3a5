// The project in the window: a 1 000-item schedule opened until the list
// shows every verdict, and a row picked until its report is painted.
#include "bench/schedule_generator.h"
#include "bench/window_bench_main.h"
#include "ui/equipment_list.h"
#include "ui/form1.h"
#include "ui/main_menu.h"
#include "ui/project_file.h"
#include "ui/widgets.h"

#include <QFile>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <istream>

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
