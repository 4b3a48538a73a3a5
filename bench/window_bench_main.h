#pragma once

// What every window benchmark runs in main(): the application set up as the
// program sets it up (fonts, style), offscreen unless a platform is given.
#include "ui/app_setup.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace zelvaro::bench {

inline int run_window_benchmarks(int argc, char **argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ui::setup_application(app);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

} // namespace zelvaro::bench
