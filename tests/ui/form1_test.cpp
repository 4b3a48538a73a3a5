// The window as it starts, Calculate with its message boxes, Info, Exit,
// the splash and the single running copy.
#include "capture/info_text.h"
#include "engine/checks.h"
#include "tests/ui/window_fixture.h"
#include "ui/app_setup.h"
#include "ui/form2.h"
#include "ui/single_instance.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <memory>
#include <thread>

#include <unistd.h>

using namespace zelvaro;
using namespace zelvaro::ui;
using zelvaro::ui::test::Window;

namespace {

// The floor-mounted example, `extra` over its texts, entered through the
// window.
void enter_floor_example(const Window &w, const zelvaro::test::Fields &extra = {}) {
  w.enter(zelvaro::test::worked_example(Shape::Floor), extra);
}

// zelvaro-check's arguments for the same.
QStringList floor_example_arguments(const zelvaro::test::Fields &extra = {}) {
  QStringList out;
  for (const std::string &arg : zelvaro::test::worked_example(Shape::Floor).arguments(extra))
    out << QString::fromStdString(arg);
  return out;
}

QString after_first_line(const QString &text) {
  return text.mid(text.indexOf('\n') + 1);
}

} // namespace

class Form1Test : public QObject {
  Q_OBJECT
private slots:
  void start_state_of_every_control() {
    Window w;
    Form1 &f = *w.form;
    QCOMPARE(f.windowTitle(), QStringLiteral("Zelvaro1.070716"));
    QCOMPARE(f.Combo(1)->currentText(), QStringLiteral("8"));
    QCOMPARE(f.Combo(2)->currentText(), QStringLiteral("2.0"));
    QCOMPARE(f.Combo(4)->currentText(), QStringLiteral("1.0"));
    QCOMPARE(f.Combo(3)->currentText(), QStringLiteral("0"));
    QVERIFY(!f.Combo(3)->isEnabled());
    for (int i = 1; i <= 4; ++i)
      QCOMPARE(f.Combo(i)->count(), 0); // lists are built when first opened
    for (int i : {5, 6, 10}) {
      QCOMPARE(f.Text1(i)->text(), QStringLiteral("0"));
      QVERIFY(!f.Text1(i)->isEnabled());
    }
    for (int i : {0, 1, 2, 3, 4, 7, 8, 9})
      QVERIFY(f.Text1(i)->text().isEmpty());
    for (int i : {0, 1, 2, 3, 7})
      QVERIFY(f.Text1(i)->isEnabled());
    for (int i : {4, 8, 9})
      QVERIFY(!f.Text1(i)->isEnabled());
    for (int i : {1, 2, 6, 14, 12, 10, 11})
      QVERIFY2(!f.Text4(i)->isEnabled(), qPrintable(QString::number(i)));
    QVERIFY(f.Text2()->toPlainText().isEmpty());
    for (Shape s : {Shape::Floor, Shape::Circular, Shape::Wall, Shape::Ceiling, Shape::Braced})
      QVERIFY(!f.shapeButton(s)->isChecked());
    for (int a = 1; a <= 7; ++a)
      QVERIFY(!f.anchorButton(static_cast<Anchor>(a))->isChecked());
    QVERIFY(!f.materialButton(Material::SS)->isChecked() && !f.materialButton(Material::SUS)->isChecked());
    QVERIFY(!f.Check1()->isChecked() && !f.Check2()->isChecked());
  }

  void layout_places_and_captions() {
    Window w;
    Form1 &f = *w.form;
    QCOMPARE(f.size(), QSize(721, 681));
    struct Row {
      const char *name;
      QRect rect;
      const char *caption;
    } rows[] = {
        {"Frame1", {0, 0, 721, 121}, "①設備形状選択(画像のﾄﾞﾗｯｸﾞ＆ﾄﾞﾛｯﾌﾟﾞ可能)"},
        {"Frame5", {0, 320, 721, 321}, "⑥計算結果(選択してﾄﾞﾗｯｸﾞ、又は右ｸﾘｯｸでｺﾋﾟｰﾍﾟｰｽﾄok)"},
        {"Frame6", {128, 232, 593, 81}, "⑤寸法等ﾃﾞｰﾀ入力(半角で入力)"},
        {"Option1", {16, 24, 89, 17}, "床置機器"},
        {"Option9", {576, 16, 129, 17}, "筋交い機器"},
        {"Option14", {8, 168, 113, 17}, "先端L埋込みｱﾝｶ"},
        {"Option5", {8, 288, 113, 17}, "鉄筋等溶接ｱﾝｶ"},
        {"Option3", {144, 152, 81, 25}, "SS系ﾎﾞﾙﾄ　仕上ﾀｲﾌﾟ"},
        {"Option4", {144, 184, 89, 28}, "SUS系ﾎﾞﾙﾄ　A2-50,70"},
        {"Check2", {576, 120, 137, 33}, "転倒方向への外力（FH方向の力）"},
        {"Command2", {88, 648, 521, 25}, "計算"},
        {"Command4", {616, 648, 97, 25}, "終了"},
    };
    for (const Row &r : rows) {
      QWidget *widget = f.findChild<QWidget *>(r.name);
      QVERIFY2(widget, r.name);
      QCOMPARE(widget->geometry(), r.rect);
      QString caption;
      if (auto *b = qobject_cast<QAbstractButton *>(widget))
        caption = b->text();
      else if (auto *g = qobject_cast<QGroupBox *>(widget))
        caption = g->title();
      QCOMPARE(caption, QString::fromUtf8(r.caption));
    }
    QCOMPARE(f.findChild<QWidget *>("Text2")->geometry(), QRect(8, 336, 705, 297));
    QCOMPARE(f.findChild<QWidget *>("Text1(8)")->geometry(), QRect(656, 280, 33, 18));
    QCOMPARE(f.Text4(11)->text(), QStringLiteral("横片側ｱﾝｶ数n2(本)="));
    // Fonts: the window's gothic at 9 pt, numbered frames and 計算 at 9.75 pt.
    QCOMPARE(f.font().family(), QString::fromUtf8(GothicFamily));
    QCOMPARE(f.font().pointSizeF(), 9.0);
    QCOMPARE(f.findChild<QWidget *>("Command2")->font().pointSizeF(), 9.75);
    QCOMPARE(f.findChild<QWidget *>("Frame7")->font().family(), QString::fromUtf8(PGothicFamily));
    // The substitution gives every caption a Japanese font that has its glyphs.
    QVERIFY(QFontMetrics(f.font()).inFontUcs4(U'計'));
    QVERIFY(QFontMetrics(f.font()).inFontUcs4(U'ﾎ'));
  }

  void floor_calculation_equals_the_command_line_report() {
    Window w;
    enter_floor_example(w);
    w.calculate();
    QVERIFY(w.boxes.empty());
    const QString shown = w.form->Text2()->toPlainText();
    QVERIFY(shown.contains(QStringLiteral("引抜力　Rb=((FH+FD)･HG-(W-FV-FD)･LG+MR)/(L･nt) = 2205 (N)")));

    QProcess check;
    check.start(QStringLiteral(ZELVARO_CHECK), floor_example_arguments());
    QVERIFY(check.waitForFinished(10000));
    QCOMPARE(check.exitCode(), 0);
    QString printed = QString::fromUtf8(check.readAllStandardOutput());
    QVERIFY(printed.endsWith(QLatin1Char('\n'))); // a text file's last line break, not the result box's
    printed.chop(1);
    QCOMPARE(after_first_line(shown), after_first_line(printed));
    QVERIFY(shown.startsWith(QStringLiteral("～～～～～")));
  }

  void advice_box_follows_a_shortfall_and_refusals_keep_the_report() {
    Window w;
    enter_floor_example(w, {{"M", "8"}, {"W", "50000"}});
    w.calculate();
    QCOMPARE(w.boxes.size(), std::size_t(1));
    QCOMPARE(w.boxes[0].title, std::string("耐震強度不足"));
    QCOMPARE(w.boxes[0].icon, MessageIcon::None);
    QVERIFY(w.boxes[0].text.find("「ボルト自体の強度」と") == 0);
    const QString report = w.form->Text2()->toPlainText();
    QVERIFY(report.contains(QStringLiteral("⇒ﾎﾞﾙﾄ強度が足りない。")));

    // A blank field: the message, and the report stays as it was.
    w.boxes.clear();
    w.fill(3, QString());
    w.calculate();
    QCOMPARE(w.boxes.size(), std::size_t(1));
    QCOMPARE(w.boxes[0].title, std::string("ERROR"));
    QCOMPARE(w.form->Text2()->toPlainText(), report);

    // Safe again: no box at all.
    w.boxes.clear();
    w.fill(0, QStringLiteral("50"));
    w.fill(3, QStringLiteral("60"));
    w.calculate();
    QVERIFY(w.boxes.empty());
    QVERIFY(w.form->Text2()->toPlainText() != report);
  }

  void advice_box_keeps_its_text_and_adds_the_changes_that_pass() {
    Window w;
    enter_floor_example(w, {{"W", "1500"}});
    w.calculate();
    QCOMPARE(w.boxes.size(), std::size_t(1));
    const std::optional<Message> advice = judge_msg(w.form->Text2()->toPlainText().toStdString());
    QVERIFY(advice);
    QCOMPARE(w.boxes[0].title, advice->title);
    QCOMPARE(w.boxes[0].text, advice->text);
    QCOMPARE(w.boxes[0].icon, advice->icon);

    // The changes are those zelvaro-check writes after the advice, and the sheet's.
    QProcess check;
    check.start(QStringLiteral(ZELVARO_CHECK), floor_example_arguments({{"W", "1500"}}));
    QVERIFY(check.waitForFinished(10000));
    QCOMPARE(check.exitCode(), 1);
    QStringList changes;
    for (const QString &line : QString::fromUtf8(check.readAllStandardError()).split('\n'))
      if (line.endsWith(QStringLiteral("にすれば基準を満たします。")))
        changes << line;
    QVERIFY(!changes.isEmpty());
    QCOMPARE(QString::fromStdString(w.boxes[0].informative), changes.join(QStringLiteral("\r\n")));
    QCOMPARE(w.form->sheet()->suggestions.size(), std::size_t(changes.size()));

    // The box itself: the advice as its text, the changes as its informative text.
    QString text, informative;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
      if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
        text = box->text();
        informative = box->informativeText();
        box->accept();
      }
    });
    poll.start(10);
    show_modal_message(w.form.get(), w.boxes[0]);
    QCOMPARE(text, display_text(advice->text));
    QCOMPARE(informative, changes.join('\n'));
  }

  void numeric_error_box_keeps_the_previous_report() {
    Window w;
    enter_floor_example(w);
    w.calculate();
    const QString report = w.form->Text2()->toPlainText();
    w.fill(7, QStringLiteral("0"));
    w.calculate();
    QCOMPARE(w.boxes.size(), std::size_t(1));
    QCOMPARE(w.boxes[0].title, std::string("計算できません"));
    QCOMPARE(w.boxes[0].icon, MessageIcon::Critical);
    QCOMPARE(w.form->Text2()->toPlainText(), report);
    QVERIFY(!report.contains(QStringLiteral("inf")) && !report.contains(QStringLiteral("nan")));
  }

  void info_shows_the_nine_sentences_and_changes_nothing() {
    Window w;
    enter_floor_example(w);
    w.calculate();
    const QString report = w.form->Text2()->toPlainText();
    for (int i = 0; i < 2; ++i)
      QTest::mouseClick(w.button("Command1"), Qt::LeftButton);
    QCOMPARE(w.boxes.size(), std::size_t(2));
    QCOMPARE(w.boxes[0], w.boxes[1]);
    QCOMPARE(w.boxes[0].title, std::string("Information"));
    QCOMPARE(w.boxes[0].icon, MessageIcon::Information);
    const std::string &text = w.boxes[0].text;
    QCOMPARE(text, info_text());
    QVERIFY(
        text.rfind("本ｿﾌﾄは実地震に対し耐震性の信頼性を確認するもので、確実な安全性は保障できませんので、御"
                   "了承ください。\r\n\r"
                   "計算結果では",
                   0) == 0);
    QVERIFY(text.find("算出しています。\r\n\r\r\n\r\r\n\r\r\n\r\r\n") != std::string::npos);
    QCOMPARE(text.substr(text.size() - 2), std::string("\r\n"));
    QCOMPARE(w.form->Text2()->toPlainText(), report);
  }

  void exit_closes_without_a_question() {
    Window w;
    enter_floor_example(w);
    w.calculate();
    QTest::mouseClick(w.button("Command4"), Qt::LeftButton);
    QVERIFY(!w.form->isVisible());
    QVERIFY(w.boxes.empty());
  }

  void splash_holds_just_over_a_second_on_a_monotonic_clock() {
    Form2 splash;
    QCOMPARE(splash.size(), QSize(480, 360));
    auto *label = splash.findChild<QLabel *>("Label1");
    QVERIFY(label);
    QCOMPARE(label->text(), QStringLiteral("Zelvaro"));
    QCOMPARE(label->geometry(), QRect(408, 336, 65, 17));
    splash.hold = std::chrono::milliseconds(120);
    show_splash_then_close(splash);
    QVERIFY(!splash.isVisible());
    QVERIFY(splash.held > std::chrono::milliseconds(120));
    QVERIFY(splash.held < std::chrono::milliseconds(400));
    QCOMPARE(Form2().hold, std::chrono::milliseconds(1000));
  }

  // A second start, made on another thread while this one serves the
  // socket as the running copy's event loop would.
  static std::unique_ptr<SingleInstance> second_start(const QString &folder) {
    std::unique_ptr<SingleInstance> second;
    std::atomic<bool> done = false;
    std::thread start([&] {
      second = std::make_unique<SingleInstance>(folder);
      done = true;
    });
    while (!done)
      QTest::qWait(5);
    start.join();
    return second;
  }

  void second_copy_is_refused_and_a_stale_lock_taken_over() {
    QTemporaryDir dir;
    const QString folder = dir.path();
    const QString lock = QDir(folder).filePath(QStringLiteral("zelvaro-%1.lock").arg(::getuid()));
    {
      SingleInstance first(folder);
      int raised = 0;
      first.setRaise([&] { ++raised; });
      QVERIFY(!first.anotherCopyRuns());
      QVERIFY(second_start(folder)->anotherCopyRuns());
      QCOMPARE(raised, 1); // the refused copy asked the running one to come forward
    }
    // A copy that holds the lock and is killed: its lock is left behind.
    QProcess holder;
    holder.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--hold-lock"), folder});
    QVERIFY(holder.waitForReadyRead(10000));
    QCOMPARE(holder.readLine().trimmed(), QByteArray("locked"));
    {
      // It holds the lock but serves nothing, as a hung copy: a start says
      // so and goes on.
      SingleInstance beside_hung(folder);
      QVERIFY(!beside_hung.anotherCopyRuns());
      QVERIFY2(beside_hung.notice().contains(QStringLiteral("応答しない")), qPrintable(beside_hung.notice()));
    }
    holder.kill(); // SIGKILL: no clean-up
    QVERIFY(holder.waitForFinished());
    QVERIFY(QFile::exists(lock));
    {
      SingleInstance after_crash(folder);
      QVERIFY(!after_crash.anotherCopyRuns());
    }

    // Nothing wrong with the lock or its folder stops a start: an empty or
    // garbled lock is taken over, a shared or missing folder is not trusted.
    for (const QByteArray &content : {QByteArray(), QByteArray("garbage\n\x01\xff")}) {
      QFile f(lock);
      QVERIFY(f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
      f.close();
      SingleInstance start(folder);
      QVERIFY(!start.anotherCopyRuns());
      QVERIFY(second_start(folder)->anotherCopyRuns()); // and it is held again
    }
    QVERIFY(QDir(folder).mkdir(QStringLiteral("shared")));
    const QString shared = QDir(folder).filePath(QStringLiteral("shared"));
    QFile::setPermissions(shared, QFileDevice::Permissions(0x7777));
    SingleInstance in_shared(shared);
    QVERIFY(!in_shared.anotherCopyRuns());
    QVERIFY(!SingleInstance(shared).anotherCopyRuns());
    QVERIFY(!SingleInstance(QDir(folder).filePath(QStringLiteral("missing"))).anotherCopyRuns());
  }

  // Japanese has no spaces: a box narrower than a line would break it in
  // mid-word. The box is as wide as its longest line.
  void message_boxes_break_lines_only_where_the_text_does() {
    for (const Message &m :
         {Message{"Information", info_text(), MessageIcon::Information},
          Message{"入力できません", "ボルトは選択以外の径は強度基準が無いため､入力できません",
                  MessageIcon::None}}) {
      const std::unique_ptr<QMessageBox> box = make_message_box(nullptr, m);
      box->show();
      QVERIFY(QTest::qWaitForWindowExposed(box.get()));
      const auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
      QVERIFY(label);
      const QStringList lines = display_text(m.text).split('\n');
      // A line wider than the screen breaks; the box is then as wide as the screen.
      const bool screenWide = box->width() >= box->screen()->availableGeometry().width();
      for (const QString &line : lines)
        QVERIFY2(label->fontMetrics().horizontalAdvance(line) <= label->contentsRect().width() || screenWide,
                 qPrintable(line));
      box->close();
    }
  }
};

int main(int argc, char *argv[]) {
  if (argc == 3 && QByteArray(argv[1]) == "--hold-lock") {
    // Stands in for a running copy of the program.
    QCoreApplication app(argc, argv);
    SingleInstance lock(QString::fromLocal8Bit(argv[2]));
    std::printf("%s\n", lock.anotherCopyRuns() ? "refused" : "locked");
    std::fflush(stdout);
    for (;;)
      QThread::sleep(1);
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  app.setApplicationName(QStringLiteral("zelvaro"));
  setup_application(app);
  Form1Test test;
  return QTest::qExec(&test, argc, argv);
}

#include "form1_test.moc"
