// The window's own click-to-report time: 計算 pressed on a filled-in window
// until the new report is painted in the result box, offscreen. A screen
// frame at 60 Hz is 16.7 ms.
#include "bench/window_bench_main.h"
#include "capture/single_case.h"
#include "tests/support/worked_examples.h"
#include "ui/form1.h"
#include "ui/widgets.h"

#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <vector>

namespace {

using namespace zelvaro;
using namespace zelvaro::ui;

// The floor-mounted worked example, typed in.
void fill(Form1 &f, std::string &last_box) {
  f.setMessageBox([&last_box](QWidget *, const Message &m) { last_box = m.title + ": " + m.text; });
  const zelvaro::test::WorkedExample &e = zelvaro::test::worked_example(Shape::Floor);
  f.chooseShape(e.shape);
  f.chooseAnchor(e.anchor);
  f.chooseMaterial(e.material);
  const int first_combo = static_cast<int>(InputSlot::Combo1);
  for (const auto &[name, text] : e.field_texts()) {
    const int slot = static_cast<int>(*cases::slot_of(e.shape, name));
    if (slot >= first_combo)
      f.Combo(slot - first_combo + 1)->setEditText(QString::fromStdString(text));
    else
      f.Text1(slot)->setText(QString::fromStdString(text));
  }
}

void BM_WindowClickToReport(benchmark::State &st) {
  Form1 f;
  std::string last_box;
  fill(f, last_box);
  f.show();
  if (!QTest::qWaitForWindowExposed(&f))
    st.SkipWithError("the window was not shown");
  auto *button = f.findChild<QPushButton *>(QStringLiteral("Command2"));
  for (auto _ : st) {
    button->click();                  // as a mouse click does: the clicked signal runs Calculate
    f.Text2()->viewport()->repaint(); // the report on screen, not only in the box
  }
  if (!f.Text2()->toPlainText().contains(QStringLiteral("2205 (N)")))
    st.SkipWithError(("the report was not shown: " + last_box).c_str());
}
BENCHMARK(BM_WindowClickToReport)->Unit(benchmark::kMicrosecond);

// 計算 on a shortfall, `weights` typed in turn before each click (the first
// alone: the same inputs every time), until the advice box, with the changes
// that would pass searched and set under it, is handed to be shown.
void click_to_advice(benchmark::State &st, const std::vector<QString> &weights) {
  Form1 f;
  std::string last_box;
  fill(f, last_box);
  f.Text1(0)->setText(weights.front());
  Message advice;
  f.setMessageBox([&advice](QWidget *, const Message &m) { advice = m; });
  f.show();
  if (!QTest::qWaitForWindowExposed(&f))
    st.SkipWithError("the window was not shown");
  auto *button = f.findChild<QPushButton *>(QStringLiteral("Command2"));
  std::size_t next = 0;
  for (auto _ : st) {
    if (weights.size() > 1) {
      f.Text1(0)->setText(weights[next]);
      next = (next + 1) % weights.size();
    }
    button->click();
    f.Text2()->viewport()->repaint();
  }
  if (advice.informative.empty())
    st.SkipWithError("no changes under the advice");
}

void BM_WindowClickToAdviceWithChanges(benchmark::State &st) {
  click_to_advice(st, {QStringLiteral("1500")});
}
BENCHMARK(BM_WindowClickToAdviceWithChanges)->Unit(benchmark::kMicrosecond);

// The weight changed before each click (1500 and 1600 kg in turn): about half
// of the report's lines differ from the one shown.
void BM_WindowEditThenClickToAdvice(benchmark::State &st) {
  click_to_advice(st, {QStringLiteral("1500"), QStringLiteral("1600")});
}
BENCHMARK(BM_WindowEditThenClickToAdvice)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv) {
  return zelvaro::bench::run_window_benchmarks(argc, argv);
}
