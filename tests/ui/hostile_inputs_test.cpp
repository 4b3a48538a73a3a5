// What the desktop may send the window, a row per situation: a flood of
// files handed over while a question is open, paths that are no schedule,
// a link or a read-only file saved over, a lock no copy here answers for.
#include "ui/main_menu.h"
#include "ui/project_file.h"
#include "ui/single_instance.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace zelvaro;
using namespace zelvaro::ui;

namespace {

QByteArray read(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

mode_t mode_of(const QString &path) {
  struct stat st {};
  return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// The answer to one request on its own connection, as a refused copy sends it.
QByteArray ask(const QString &socketPath, const QByteArray &request) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  const QByteArray name = QFile::encodeName(socketPath);
  std::copy(name.begin(), name.end(), addr.sun_path);
  const timeval wait{10, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  QByteArray answer;
  if (::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0 &&
      ::write(fd, request.constData(), static_cast<std::size_t>(request.size())) == request.size()) {
    char c;
    while (!answer.endsWith('\n') && ::read(fd, &c, 1) == 1)
      answer += c;
  }
  ::close(fd);
  return answer;
}

// The window of a running copy, serving its socket as the program does;
// every box it shows is counted, and none may open inside another.
struct Running {
  QTemporaryDir dir;
  MainWindow w;
  SingleInstance instance{dir.path()};
  std::vector<Message> boxes;
  int raised = 0, open = 0, mostOpen = 0, prompts = 0, readOnlyAsked = 0;
  MainWindow::SaveChoice answer = MainWindow::SaveChoice::Cancel;
  bool replaceReadOnly = false;

  Running() {
    const auto counted = [this](auto fn) {
      mostOpen = std::max(mostOpen, ++open);
      fn();
      --open;
    };
    w.setMessageBox([this, counted](QWidget *, const Message &m) { counted([&] { boxes.push_back(m); }); });
    // A real modal box, answered after a moment: its event loop serves the
    // socket meanwhile.
    w.askSaveChanges = [this, counted](QWidget *parent, const QString &) {
      counted([&] {
        ++prompts;
        QMessageBox box(QMessageBox::Question, QStringLiteral("保存の確認"), QStringLiteral("?"),
                        QMessageBox::Cancel, parent);
        QTimer::singleShot(20, &box, [&box] { box.reject(); });
        box.exec();
      });
      return answer;
    };
    w.askReplaceReadOnly = [this](QWidget *, const QString &) {
      ++readOnlyAsked;
      return replaceReadOnly;
    };
    w.askNewItem = [](QWidget *, std::string &id, std::string &equipment) {
      id = "N-1";
      equipment = "新しい機器";
      return true;
    };
    instance.setRaise([this] { ++raised; });
    instance.setOpen([this](const QString &path) { w.openFile(path); });
    w.show();
  }
  QString socket() const { return dir.filePath(QStringLiteral("zelvaro-%1.socket").arg(::getuid())); }

  // Each request from another thread while this one runs the window.
  std::vector<QByteArray> handOver(const std::vector<QByteArray> &requests) {
    std::vector<QByteArray> answers(requests.size());
    std::atomic<bool> done = false;
    std::thread sender([&] {
      for (std::size_t i = 0; i < requests.size(); ++i)
        answers[i] = ask(socket(), requests[i]);
      done = true;
    });
    while (!done)
      QTest::qWait(5);
    sender.join();
    return answers;
  }

  // A schedule opened and edited: saving it is still to be asked.
  bool modifiedProject(const QString &path) {
    QFile::copy(QStringLiteral(ZELVARO_EXAMPLES "/schedule.csv"), path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return w.openFile(path) && w.addCurrentInputs() && w.project().isModified();
  }
};

void flood_while_a_question_is_open() {
  Running r;
  const QString path = r.dir.filePath(QStringLiteral("edited.csv"));
  QVERIFY(r.modifiedProject(path));
  const QByteArray request = "open " + QFile::encodeName(path) + '\n';
  const std::vector<QByteArray> answers = r.handOver(std::vector<QByteArray>(500, request));
  const auto ok = std::count(answers.begin(), answers.end(), "ok\n");
  QCOMPARE(ok + std::count(answers.begin(), answers.end(), "busy\n"), 500);
  QTRY_COMPARE(r.prompts, ok); // each taken file asked in turn, the user cancelling
  qInfo("%d of 500 taken, the rest answered busy", int(ok));
  QCOMPARE(r.mostOpen, 1);
  QVERIFY(r.w.isVisible());
  QVERIFY(r.w.project().isModified());
  QCOMPARE(r.w.project().rowCount(), 13);
  QCOMPARE(r.handOver({"raise\n"}), std::vector<QByteArray>{"ok\n"}); // and it answers
  QCOMPARE(r.raised, 1);
}

// What is no schedule is refused at once with a message, and the window
// still answers.
void no_schedule_handed_over(const QString &path, const QString &said = QStringLiteral("機器表のファイル")) {
  Running r;
  QElapsedTimer clock;
  clock.start();
  QCOMPARE(r.handOver({"open " + QFile::encodeName(path) + '\n'}), std::vector<QByteArray>{"ok\n"});
  QTRY_COMPARE_WITH_TIMEOUT(r.boxes.size(), std::size_t(1), 1000);
  QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
  const QString text = QString::fromStdString(r.boxes[0].text);
  QVERIFY2(text.contains(said), qPrintable(text));
  QCOMPARE(r.handOver({"raise\n"}), std::vector<QByteArray>{"ok\n"});
  QCOMPARE(r.raised, 1);
}

void fifo_handed_over() {
  QTemporaryDir dir;
  const QString fifo = dir.filePath(QStringLiteral("pipe.csv"));
  QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  no_schedule_handed_over(fifo);
}

void huge_file_handed_over() {
  QTemporaryDir dir;
  QFile huge(dir.filePath(QStringLiteral("huge.csv")));
  QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(65 << 20)); // sparse: no disk taken
  huge.close();
  no_schedule_handed_over(huge.fileName(), QStringLiteral("64 MB まで"));
}

// Saved through a link: the shared file changes, the link stays a link.
void link_saved() {
  Running r;
  QVERIFY(QDir(r.dir.path()).mkdir(QStringLiteral("real")));
  const QString shared = r.dir.filePath(QStringLiteral("real/shared.csv"));
  const QString link = r.dir.filePath(QStringLiteral("link.csv"));
  QVERIFY(QFile::copy(QStringLiteral(ZELVARO_EXAMPLES "/schedule.csv"), shared));
  QVERIFY(QFile::link(QStringLiteral("real/shared.csv"), link)); // relative, as ln -s makes it
  QVERIFY(r.w.openFile(link) && r.w.addCurrentInputs());
  QVERIFY(r.w.save());
  QVERIFY(QFileInfo(link).isSymLink());
  QVERIFY(read(shared).contains("新しい機器"));
  QCOMPARE(QDir(r.dir.filePath(QStringLiteral("real"))).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

// A read-only file is replaced only when the user says so, and stays read-only.
void read_only_file_saved() {
  Running r;
  const QString path = r.dir.filePath(QStringLiteral("locked.csv"));
  QVERIFY(r.modifiedProject(path));
  QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther); // 0444
  const QByteArray old = read(path);
  QVERIFY(!r.w.save());
  QCOMPARE(r.readOnlyAsked, 1);
  QCOMPARE(read(path), old);
  QVERIFY(r.w.project().isModified());
  r.replaceReadOnly = true;
  QVERIFY(r.w.save());
  QCOMPARE(r.readOnlyAsked, 2);
  QVERIFY(read(path).contains("新しい機器"));
  QCOMPARE(mode_of(path), mode_t(0444));
}

// A private file of the longest name the system takes keeps its mode.
void private_file_of_the_longest_name_saved() {
  Running r;
  const QString path = r.dir.filePath(QString(251, QLatin1Char('n')) + QStringLiteral(".csv"));
  QVERIFY(r.modifiedProject(path)); // 0600
  QVERIFY(r.w.save());
  QVERIFY(read(path).contains("新しい機器"));
  QCOMPARE(mode_of(path), mode_t(0600));
  QVERIFY(r.boxes.empty());
}

// A lock naming another host: no copy here answers for it. The program says
// so and opens its window.
void foreign_host_lock() {
  QTemporaryDir dir;
  QFile lock(dir.filePath(QStringLiteral("zelvaro-%1.lock").arg(::getuid())));
  QVERIFY(lock.open(QIODevice::WriteOnly) && lock.write("4242\nzelvaro\nother-host.example\n") > 0);
  lock.close();
  QProcess app;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  app.setProcessEnvironment(env);
  app.start(QStringLiteral(ZELVARO));
  QString said;
  QVERIFY(QTest::qWaitFor(
      [&] {
        said += QString::fromLocal8Bit(app.readAllStandardError());
        return said.contains(QStringLiteral("other-host.example")) || app.state() == QProcess::NotRunning;
      },
      10000));
  QVERIFY2(said.contains(QStringLiteral("応答しない")), qPrintable(said));
  QTest::qWait(1500); // past the splash: the window is up
  QCOMPARE(app.state(), QProcess::Running);
  app.kill();
  app.waitForFinished();
}

struct Situation {
  const char *name;
  std::function<void()> run;
};
const std::vector<Situation> &situations() {
  static const std::vector<Situation> rows = {
      {"500 files handed over while a modified project asks to save", flood_while_a_question_is_open},
      {"a FIFO handed over", fifo_handed_over},
      {"/dev/zero handed over", [] { no_schedule_handed_over(QStringLiteral("/dev/zero")); }},
      {"a 65 MB file handed over", huge_file_handed_over},
      {"a link saved", link_saved},
      {"a 0444 file saved", read_only_file_saved},
      {"a 0600 file with a 255-byte name saved", private_file_of_the_longest_name_saved},
      {"a lock of another host", foreign_host_lock},
  };
  return rows;
}

} // namespace

class HostileInputsTest : public QObject {
  Q_OBJECT
private slots:
  void initTestCase() { qputenv("XDG_CONFIG_HOME", config_.path().toUtf8()); }
  void window_survives_data() {
    QTest::addColumn<int>("row");
    for (std::size_t i = 0; i < situations().size(); ++i)
      QTest::newRow(situations()[i].name) << static_cast<int>(i);
  }
  void window_survives() {
    QFETCH(int, row);
    situations()[static_cast<std::size_t>(row)].run();
  }

private:
  QTemporaryDir config_;
};

QTEST_MAIN(HostileInputsTest)
#include "hostile_inputs_test.moc"
