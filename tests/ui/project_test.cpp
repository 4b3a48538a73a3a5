// The project in the window: the schedule file opened and saved, the save
// prompt, a save that fails, the list and Form1 working together, and the
// one PDF of every sheet.
#include "capture/single_case.h"
#include "schedule/csv_reader.h"
#include "ui/equipment_list.h"
#include "ui/form1.h"
#include "ui/main_menu.h"
#include "ui/project_file.h"
#include "ui/widgets.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <iconv.h>
#include <sstream>
#include <unistd.h>

using namespace zelvaro;
using namespace zelvaro::ui;

namespace {

QByteArray read(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool write(const QString &path, const QByteArray &bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray to_cp932(const QByteArray &utf8) {
  iconv_t cd = iconv_open("CP932", "UTF-8");
  QByteArray out(utf8.size() * 2, '\0');
  char *in = const_cast<char *>(utf8.constData());
  char *o = out.data();
  std::size_t left = static_cast<std::size_t>(utf8.size()), room = static_cast<std::size_t>(out.size());
  iconv(cd, &in, &left, &o, &room);
  iconv_close(cd);
  out.resize(out.size() - static_cast<qsizetype>(room));
  return out;
}

// The example schedule plus what the batch refuses: an empty W, an unknown
// shape, and a row whose quoting is malformed.
QByteArray schedule() {
  QByteArray s = read(QStringLiteral(ZELVARO_EXAMPLES "/schedule.csv"));
  s += "空欄 X-1,floor,hawk-cut,SS,12,1.0,1.0,,4,,,30,60,50,,,,,,,,0,0,0,0\n";
  s += "形状違い X-2,roof,hawk-cut,SS,12,1.0,1.0,100,4,,,30,60,50,,,,,,,,0,0,0,0\n";
  s += "引用 \"X-3\",floor,hawk-cut,SS,12,1.0,1.0,100,4,,,30,60,50,,,,,,,,0,0,0,0\n";
  return s;
}

struct Main {
  MainWindow w;
  std::vector<Message> boxes;
  std::vector<QString> prompts;
  MainWindow::SaveChoice answer = MainWindow::SaveChoice::Cancel;
  QString savePath;
  int asked = 0;
  Main() {
    w.setMessageBox([this](QWidget *, const Message &m) { boxes.push_back(m); });
    w.askSaveChanges = [this](QWidget *, const QString &name) {
      prompts.push_back(name);
      return answer;
    };
    w.askSavePath = [this](QWidget *, const QString &, const QString &, const QString &) {
      ++asked;
      return savePath;
    };
    w.askNewItem = [](QWidget *, std::string &id, std::string &equipment) {
      id = "N-1";
      equipment = "新しい機器";
      return true;
    };
    w.show();
  }
};

} // namespace

class ProjectTest : public QObject {
  Q_OBJECT
private slots:
  void initTestCase() { qputenv("XDG_CONFIG_HOME", config_.path().toUtf8()); }
  void open_then_save_keeps_every_row_and_cell_data();
  void open_then_save_keeps_every_row_and_cell();
  void refused_rows_are_listed_with_the_batch_message();
  void closing_with_changes_asks_and_cancel_keeps_the_window();
  void failed_save_keeps_the_old_file_and_says_why();
  void picking_a_row_calculates_it_and_calculate_writes_back();
  void list_reads_as_the_form_does();
  void shortcuts_work_while_a_numeric_field_has_focus();
  void cover_lists_every_item_with_its_page();
  void cancelled_export_leaves_the_chosen_name_as_it_was();

private:
  QTemporaryDir config_;
};

void ProjectTest::open_then_save_keeps_every_row_and_cell_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::newRow("utf-8") << schedule();
  QTest::newRow("utf-8 with BOM") << QByteArray("\xEF\xBB\xBF") + schedule();
  QTest::newRow("cp932") << to_cp932(schedule());
  QByteArray crlf = schedule();
  crlf.replace("\n", "\r\n");
  QTest::newRow("cp932 CR LF") << to_cp932(crlf);
}

void ProjectTest::open_then_save_keeps_every_row_and_cell() {
  QFETCH(QByteArray, bytes);
  QTemporaryDir dir;
  const QString in = dir.filePath(QStringLiteral("in.csv")), out = dir.filePath(QStringLiteral("out.csv"));
  QVERIFY(write(in, bytes));
  Project p;
  QCOMPARE(p.open(in), QString());
  QCOMPARE(p.rowCount(), 15);
  QVERIFY(!p.isModified());
  QCOMPARE(p.save(out), QString());
  const QByteArray saved = read(out);
  QVERIFY(saved.startsWith("\xEF\xBB\xBFid,shape,"));
  QVERIFY(saved.contains("\n引用 \"X-3\",floor,")); // the malformed row, as its file had it
  QVERIFY(saved.contains("\"排煙機 \"\"SE-1\"\"\""));

  // Opened again: the same cells, the same results.
  Project q;
  QCOMPARE(q.open(out), QString());
  QCOMPARE(q.rowCount(), 15);
  for (std::size_t r = 0; r < 15; ++r) {
    const batch::ProjectItem &a = p.model().item(r), &b = q.model().item(r);
    QCOMPARE(a.row.raw, b.row.raw);
    for (const std::string &c : p.model().columns())
      QCOMPARE(p.model().cell(r, c), q.model().cell(r, c));
    QCOMPARE(a.result.status, b.result.status);
    QCOMPARE(a.result.message, b.result.message);
  }
  for (const char *added : {"equipment", "project", "checker"})
    QVERIFY(std::find(q.model().columns().begin(), q.model().columns().end(), added) !=
            q.model().columns().end());

  // A second save of the saved file changes no byte.
  QCOMPARE(q.save(in), QString());
  QCOMPARE(read(in), saved);
}

void ProjectTest::refused_rows_are_listed_with_the_batch_message() {
  QTemporaryDir dir;
  const QString in = dir.filePath(QStringLiteral("in.csv"));
  QVERIFY(write(in, schedule()));
  Project p;
  QCOMPARE(p.open(in), QString());
  // zelvaro-check --batch on the file gives the table of the project's results.
  QProcess batch;
  batch.start(QStringLiteral(ZELVARO_CHECK), {QStringLiteral("--batch"), in});
  QVERIFY(batch.waitForFinished(20000));
  QCOMPARE(batch.readAllStandardOutput().toStdString(), p.verdictTable()); // both with the BOM
  int refused = 0;
  for (std::size_t r = 0; r < 15; ++r)
    refused += p.model().item(r).result.status == batch::ItemStatus::Refused;
  QCOMPARE(refused, 3);
  // The list's Rb(kg) and 許容値(kg) read as the report's bond line, to 0.1 kg.
  ProjectModel model(p);
  int bonds = 0;
  for (std::size_t r = 0; r < 15; ++r) {
    const batch::RowInputs in = p.model().inputs(r);
    if (p.model().item(r).result.status == batch::ItemStatus::Refused || in.anchor == Anchor::RebarWelded)
      continue;
    SeismicCalcState s;
    cases::prepare_state(s, in.shape, in.anchor, in.material);
    cases::CaseFieldViews fields;
    for (std::size_t k = 0; k < in.texts.size(); ++k)
      fields.set(static_cast<InputSlot>(k), in.texts[k]);
    const CalcOutcome out = cases::run_case(s, fields, project_now());
    const QRegularExpressionMatch bond =
        QRegularExpression(QStringLiteral("⇒引抜力 Rb=([0-9.]+)\\(kg\\)[^=]*=([0-9.]+)\\(kg\\)"))
            .match(QString::fromStdString(out.report));
    QVERIFY2(bond.hasMatch(), out.report.c_str());
    const auto shown = [&](ListColumn c) {
      return model.index(static_cast<int>(r), static_cast<int>(c)).data().toString();
    };
    QCOMPARE(shown(ListColumn::Rb), QString::number(bond.captured(1).toDouble(), 'f', 1));
    QCOMPARE(shown(ListColumn::Allowable), QString::number(bond.captured(2).toDouble(), 'f', 1));
    ++bonds;
  }
  QVERIFY(bonds >= 8);
  const auto message = [&](std::size_t r) {
    return QString::fromStdString(p.model().item(r).result.message);
  };
  QVERIFY(message(12).contains(QStringLiteral("空白")));
  QVERIFY(message(13).contains(QStringLiteral("roof")));
  QVERIFY(message(14).contains(QStringLiteral("\"")));
}

void ProjectTest::closing_with_changes_asks_and_cancel_keeps_the_window() {
  QTemporaryDir dir;
  const QString in = dir.filePath(QStringLiteral("ポンプ室.csv"));
  QVERIFY(write(in, read(QStringLiteral(ZELVARO_EXAMPLES "/schedule.csv"))));
  Main m;
  QVERIFY(m.w.openFile(in));
  QCOMPARE(m.w.windowTitle(), QStringLiteral("ポンプ室.csv - Zelvaro1.070716"));
  QVERIFY(m.w.close()); // nothing changed: no question
  QVERIFY(m.prompts.empty());

  QVERIFY(m.w.openFile(in));
  m.w.show();
  QVERIFY(m.w.addCurrentInputs());
  QCOMPARE(m.w.windowTitle(), QStringLiteral("ポンプ室.csv* - Zelvaro1.070716"));
  m.answer = MainWindow::SaveChoice::Cancel;
  QVERIFY(!m.w.close());
  QVERIFY(!m.w.newProject());
  QCOMPARE(m.prompts, std::vector<QString>({QStringLiteral("ポンプ室.csv"), QStringLiteral("ポンプ室.csv")}));
  QCOMPARE(m.w.project().rowCount(), 13);

  m.answer = MainWindow::SaveChoice::Save; // saves under its name, then closes
  QVERIFY(m.w.close());
  Project back;
  QCOMPARE(back.open(in), QString());
  QCOMPARE(back.rowCount(), 13);
  QCOMPARE(std::string(back.model().cell(back.model().size() - 1, "equipment")), std::string("新しい機器"));
  QCOMPARE(m.w.recentFiles().value(0), QFileInfo(in).absoluteFilePath());
}

void ProjectTest::failed_save_keeps_the_old_file_and_says_why() {
  QTemporaryDir dir;
  const QString folder = dir.filePath(QStringLiteral("locked"));
  QVERIFY(QDir().mkdir(folder));
  const QString path = folder + QStringLiteral("/old.csv");
  const QByteArray old = read(QStringLiteral(ZELVARO_EXAMPLES "/schedule.csv"));
  QVERIFY(write(path, old));
  Main m;
  QVERIFY(m.w.openFile(path));
  QVERIFY(m.w.addCurrentInputs());
  // A folder nobody may write into (root ignores permissions: make it immutable).
  const bool root = ::geteuid() == 0;
  if (root) {
    if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), folder}) != 0)
      QSKIP("chattr is not available");
  } else {
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  }
  const bool saved = m.w.save();
  if (root)
    QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), folder});
  QVERIFY(!saved);
  QCOMPARE(read(path), old);
  QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 1); // no temporary file left
  QCOMPARE(m.boxes.size(), std::size_t(1));
  QVERIFY2(QString::fromStdString(m.boxes[0].text)
               .remove(QLatin1Char('\n'))
               .contains(QStringLiteral("アクセスが許可されていません。")),
           m.boxes[0].text.c_str());
  QVERIFY(m.w.project().isModified());
  // The system's words are Japanese whatever the locale: the files/ table, never strerror or Qt's.
  const QString tooLong = m.w.project().save(dir.filePath(QString(300, QLatin1Char('x')) + ".csv"));
  QVERIFY2(tooLong.contains(QStringLiteral("名前が長すぎます。")), qPrintable(tooLong));
  const QString missing = Project().open(dir.filePath(QStringLiteral("none.csv")));
  QVERIFY2(missing.contains(QStringLiteral("ありません。")), qPrintable(missing));

  // A full disk: a tiny file system (root only).
  if (!root)
    return;
  const QString small = dir.filePath(QStringLiteral("small"));
  QDir().mkdir(small);
  if (QProcess::execute(QStringLiteral("mount"),
                        {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                         QStringLiteral("size=8k"), QStringLiteral("tmpfs"), small}) != 0)
    return;
  const QString full = small + QStringLiteral("/old.csv");
  QVERIFY(write(full, old));
  for (int i = 0; i < 6; ++i)
    m.w.project().model().duplicate({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
  const QString failed = m.w.project().save(full);
  const QByteArray after = read(full);
  const int left = static_cast<int>(QDir(small).entryList(QDir::Files | QDir::Hidden).size());
  QProcess::execute(QStringLiteral("umount"), {small});
  QVERIFY2(failed.contains(QStringLiteral("ディスクに空きがありません。")), qPrintable(failed));
  QCOMPARE(after, old);
  QCOMPARE(left, 1);
}

void ProjectTest::picking_a_row_calculates_it_and_calculate_writes_back() {
  QTemporaryDir dir;
  const QString in = dir.filePath(QStringLiteral("s.csv"));
  QVERIFY(write(in, schedule()));
  Main m;
  QVERIFY(m.w.openFile(in));
  EquipmentList *list = m.w.list();
  Form1 *f = m.w.form();
  const batch::Project &p = m.w.project().model();
  const auto calculate = [&] {
    QTest::mouseClick(f->findChild<QPushButton *>(QStringLiteral("Command2")), Qt::LeftButton);
  };
  const auto W = [&](std::size_t row) { return std::string(p.cell(row, "W")); };
  QCOMPARE(m.w.currentItem()->text(), QStringLiteral("リスト外"));
  // Row 4 (冷却塔 CT-1, circular): its inputs in the form and its report shown.
  list->selectRow(4);
  QCOMPARE(m.w.currentItem()->text(), QStringLiteral("冷却塔 CT-1（5/15）"));
  QVERIFY(f->shapeButton(Shape::Circular)->isChecked());
  QCOMPARE(f->Combo(1)->currentText(), QStringLiteral("20"));
  const int w = static_cast<int>(*cases::slot_of(Shape::Circular, "W"));
  QCOMPARE(f->Text1(w)->text(), QStringLiteral("5000"));
  QVERIFY(f->Check1()->isChecked());
  QVERIFY(f->Text2()->toPlainText().contains(QStringLiteral("5000")));
  // A refused row shows the batch's reason where the report would be.
  list->selectRow(12);
  QVERIFY(f->Text2()->toPlainText().startsWith(QStringLiteral("入力不備")));
  QVERIFY(f->Text2()->toPlainText().contains(QString::fromStdString(p.item(12).result.message)));
  QVERIFY(m.boxes.empty());

  // 計算 writes to the form's item, even while the filter hides it.
  list->selectRow(4);
  list->problemsOnly()->setChecked(true);
  f->Text1(w)->setText(QStringLiteral("500"));
  calculate();
  QCOMPARE(W(4), std::string("500"));
  QCOMPARE(p.item(4).result.status, batch::ItemStatus::Ok);
  list->problemsOnly()->setChecked(false);
  f->Text1(w)->setText(QStringLiteral("900000"));
  calculate();
  QCOMPARE(p.item(4).result.status, batch::ItemStatus::Shortfall);
  calculate();
  QCOMPARE(p.history_steps(), std::size_t(2)); // the same inputs again: nothing new to undo
  // Undo: the item and the form have the old W, and 計算 still writes to it.
  list->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(list));
  list->view()->setFocus();
  QTest::keyClick(list->view(), Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(W(4), std::string("500"));
  QCOMPARE(f->Text1(w)->text(), QStringLiteral("500"));
  QCOMPARE(p.current(), std::optional<std::size_t>(4));
  f->Text1(w)->setText(QStringLiteral("600"));
  calculate();
  QCOMPARE(W(4), std::string("600"));
  // A list edit around the form's item leaves what the form holds alone.
  f->Text1(w)->setText(QStringLiteral("650"));
  list->selectRow(3, false);
  list->moveItems(+1);
  QCOMPARE(p.current(), std::optional<std::size_t>(3));
  QCOMPARE(f->Text1(w)->text(), QStringLiteral("650"));
  list->undo();
  QCOMPARE(p.current(), std::optional<std::size_t>(4));
  QCOMPARE(f->Text1(w)->text(), QStringLiteral("650"));
  f->Text1(w)->setText(QStringLiteral("600"));

  // Another item picked while the form holds changes: asked, and answered.
  std::vector<QString> asked;
  MainWindow::PickChoice answer = MainWindow::PickChoice::Cancel;
  m.w.askApplyEdits = [&](QWidget *, const QString &item) {
    asked.push_back(item);
    return answer;
  };
  f->Text1(w)->setText(QStringLiteral("700"));
  list->selectRow(0);
  QCOMPARE(asked, std::vector<QString>{QStringLiteral("冷却塔 CT-1（5/15）")});
  QCOMPARE(p.current(), std::optional<std::size_t>(4)); // キャンセル: still the same item
  QCOMPARE(list->selectedRow(), std::optional<int>(4));
  answer = MainWindow::PickChoice::Apply;
  list->selectRow(0);
  QCOMPARE(W(4), std::string("700"));
  QCOMPARE(p.current(), std::optional<std::size_t>(0));

  // Undo of 追加 takes the form's item away: リスト外, and 計算 writes nowhere.
  QVERIFY(m.w.addCurrentInputs());
  QCOMPARE(p.current(), std::optional<std::size_t>(15));
  list->undo();
  QVERIFY(!p.current());
  QVERIFY(m.w.currentItem()->text().startsWith(QStringLiteral("リスト外")));
  QVERIFY(m.w.currentItem()->text().contains(QStringLiteral("除かれました")));
  const std::size_t steps = p.history_steps();
  calculate();
  QCOMPARE(p.history_steps(), steps);
  QCOMPARE(p.size(), std::size_t(15));

  // A given nt is written to the item's own column (TK-1: n = 12, nt = n/2
  // changes no verdict).
  list->selectRow(2);
  f->Text1(static_cast<int>(*cases::slot_of(Shape::Floor, "nt")))->setText(QStringLiteral("6"));
  QTest::mouseClick(f->findChild<QPushButton *>(QStringLiteral("Command2")), Qt::LeftButton);
  QCOMPARE(std::string(p.cell(2, "nt")), std::string("6"));
  QVERIFY(f->Text2()->toPlainText().contains(QStringLiteral("n=12(本)  nt=6(本)")));
  const QAbstractItemModel *rows = list->view()->model();
  QCOMPARE(rows->index(2, static_cast<int>(ListColumn::nt)).data().toString(), QStringLiteral("6"));

  // Delete, copy and paste of rows by key.
  list->selectRow(0);
  list->view()->setFocus();
  QTest::keyClick(list->view(), Qt::Key_C, Qt::ControlModifier);
  QTest::keyClick(list->view(), Qt::Key_Delete);
  QCOMPARE(m.w.project().rowCount(), 14);
  QTest::keyClick(list->view(), Qt::Key_V, Qt::ControlModifier);
  QCOMPARE(m.w.project().rowCount(), 15);
  QCOMPARE(std::string(p.cell(1, "id")), std::string("冷温水ポンプ P-1"));
  // The filter shows × and 入力不備 only.
  list->problemsOnly()->setChecked(true);
  int problems = 0;
  for (std::size_t r = 0; r < p.size(); ++r)
    problems += p.item(r).result.status != batch::ItemStatus::Ok;
  QVERIFY(problems >= 4); // 冷却塔 CT-1 at W=700 and the three refused rows at least
  QCOMPARE(list->view()->model()->rowCount(), problems);
  m.answer = MainWindow::SaveChoice::Discard;
}

// The list reads as the form and the report do.
void ProjectTest::list_reads_as_the_form_does() {
  QTemporaryDir dir;
  const QString in = dir.filePath(QStringLiteral("s.csv"));
  QVERIFY(write(in, schedule()));
  Main m;
  QVERIFY(m.w.openFile(in));
  EquipmentList *list = m.w.list();
  const QAbstractItemModel *shown = list->view()->model();
  const auto text = [&](int row, ListColumn c) {
    return shown->index(row, static_cast<int>(c)).data().toString();
  };
  // The selections in the words of the form's own buttons.
  Form1 *f = m.w.form();
  QCOMPARE(text(0, ListColumn::Shape), f->shapeButton(Shape::Floor)->text());
  QCOMPARE(text(0, ListColumn::Anchor), f->anchorButton(Anchor::HawkCut)->text());
  QVERIFY(text(0, ListColumn::Material).startsWith(QStringLiteral("SS")));
  // The full message and the changes that would pass, under the table and as a tip.
  int shortfall = 0;
  while (m.w.project().model().item(static_cast<std::size_t>(shortfall)).result.status !=
         batch::ItemStatus::Shortfall)
    ++shortfall;
  list->selectRow(shortfall);
  const QString tip =
      shown->index(shortfall, static_cast<int>(ListColumn::Message)).data(Qt::ToolTipRole).toString();
  QVERIFY(tip.contains(QStringLiteral("・")));
  QVERIFY(list->detail()->text().contains(tip));
  // A header click: ascending, descending, the list's order; 上へ and 下へ wait for that.
  QPushButton *up = list->button(QStringLiteral("上へ"));
  list->sortBy(static_cast<int>(ListColumn::W));
  QVERIFY(!up->isEnabled());
  const auto firstW = [&] { return text(0, ListColumn::W).toDouble(); };
  const double low = firstW();
  list->sortBy(static_cast<int>(ListColumn::W));
  QVERIFY(firstW() > low);
  list->sortBy(static_cast<int>(ListColumn::W));
  QVERIFY(up->isEnabled());
  QCOMPARE(text(0, ListColumn::Id), QString::fromStdString(std::string(m.w.project().model().cell(0, "id"))));
  // Tab leaves the table.
  QVERIFY(!list->view()->tabKeyNavigation());
  m.answer = MainWindow::SaveChoice::Discard;
}

void ProjectTest::shortcuts_work_while_a_numeric_field_has_focus() {
  QTemporaryDir dir;
  Main m;
  m.savePath = dir.filePath(QStringLiteral("new.csv"));
  QVERIFY(m.w.addCurrentInputs());
  m.w.activateWindow();
  NumberBox *field = m.w.form()->Text1(1);
  field->setFocus();
  QVERIFY(QTest::qWaitForWindowActive(&m.w));
  // As X delivers Ctrl+S: the key with its control character as text.
  QTest::sendKeyEvent(QTest::Click, field, Qt::Key_S, QStringLiteral("\x13"), Qt::ControlModifier);
  QCOMPARE(m.asked, 1);
  QVERIFY(QFile::exists(m.savePath));
  QVERIFY(!m.w.project().isModified());
  QTest::sendKeyEvent(QTest::Click, field, Qt::Key_L, QStringLiteral("\x0c"), Qt::ControlModifier);
  QVERIFY(m.w.list()->isVisible());
}

void ProjectTest::cover_lists_every_item_with_its_page() {
  if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
    QSKIP("pdftotext is not installed");
  QTemporaryDir dir;
  const QString in = dir.filePath(QStringLiteral("s.csv")), pdf = dir.filePath(QStringLiteral("all.pdf"));
  QVERIFY(write(in, schedule()));
  Main m;
  QVERIFY(m.w.openFile(in));
  m.w.askProjectNames = [](QWidget *, std::string &project, std::string &checker) {
    project = "ポンプ室改修";
    checker = "検査 太郎";
    return true;
  };
  m.savePath = pdf;
  QVERIFY(m.w.exportBundle());
  QProcess text;
  text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
  QVERIFY(text.waitForFinished(20000));
  const QStringList pages = QString::fromUtf8(text.readAllStandardOutput()).split(QChar('\f'));
  QCOMPARE(pages.size() - 1, 1 + 12); // the cover and the twelve calculated items
  // The names went on every row but the malformed one, which stays as it was.
  const batch::Project &doc = m.w.project().model();
  QCOMPARE(std::string(doc.cell(0, "checker")), std::string("検査 太郎"));
  QVERIFY(!doc.item(14).row.raw.empty());
  const QString cover = pages[0];
  QVERIFY(cover.contains(QStringLiteral("ポンプ室改修")) && cover.contains(QStringLiteral("検査 太郎")));
  const QStringList lines = cover.split(QChar('\n'));
  const std::vector<sheet::BundleItem> items = m.w.project().bundleItems();
  int page = 1;
  for (const sheet::BundleItem &item : items) {
    const QString id = QString::fromStdString(item.id).left(4);
    const auto line =
        std::find_if(lines.begin(), lines.end(), [&](const QString &l) { return l.contains(id); });
    QVERIFY2(line != lines.end(), qPrintable(id));
    if (item.sheet) {
      QVERIFY2(line->contains(QRegularExpression(QStringLiteral("\\s%1(\\s|$)").arg(++page))),
               qPrintable(*line));
      QVERIFY(pages[page - 1].contains(QStringLiteral("アンカーボルト耐震計算書")));
    } else {
      QVERIFY2(line->contains(QStringLiteral("入力不備")), qPrintable(*line));
    }
  }
  m.answer = MainWindow::SaveChoice::Discard;
}

// キャンセル pressed part way: no file under the chosen name, an older one
// left byte for byte, no temporary file beside it.
void ProjectTest::cancelled_export_leaves_the_chosen_name_as_it_was() {
  for (const bool older : {false, true}) {
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("s.csv")), pdf = dir.filePath(QStringLiteral("all.pdf"));
    QVERIFY(write(in, schedule()));
    if (older)
      QVERIFY(write(pdf, "%PDF older export"));
    Main m;
    QVERIFY(m.w.openFile(in));
    m.w.askProjectNames = [](QWidget *, std::string &, std::string &) { return true; };
    m.w.progressDelay = 0;
    m.savePath = pdf;
    int pressedAt = -1;
    QTimer user; // runs while the dialog keeps the window responsive
    connect(&user, &QTimer::timeout, [&] {
      auto *dialog = m.w.findChild<QProgressDialog *>();
      if (pressedAt < 0 && dialog && dialog->isVisible() && dialog->value() >= 3) {
        pressedAt = dialog->value();
        QTest::mouseClick(dialog->findChild<QPushButton *>(), Qt::LeftButton);
      }
    });
    user.start(0);
    QVERIFY(!m.w.exportBundle());
    QCOMPARE(pressedAt, 3);
    QVERIFY(m.boxes.empty());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             older ? QStringList({QStringLiteral("all.pdf"), QStringLiteral("s.csv")})
                   : QStringList({QStringLiteral("s.csv")}));
    if (older)
      QCOMPARE(read(pdf), QByteArray("%PDF older export"));
  }
}

QTEST_MAIN(ProjectTest)
#include "project_test.moc"
