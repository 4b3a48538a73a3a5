// The calculation sheet as a PDF: every report line in it, in order, read
// back from the PDF's own text; a Japanese font embedded; the window's
// context-menu entries.
#include "capture/single_case.h"
#include "engine/checks.h"
#include "tests/support/worked_examples.h"
#include "tests/ui/window_fixture.h"
#include "ui/drawings/calc_sheet.h"

#include <QAction>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace zelvaro;
using namespace zelvaro::ui;
using zelvaro::ui::test::Window;

namespace {

// pdftotext gives back one character for glyphs the font shares (the wave
// dash for the full-width tilde, the middle dot for the half-width one) and
// gaps for runs of spaces; compare what the eye compares.
QString normalized(QString s) {
  s.replace(QChar(0x301C), QChar(0xFF5E));
  s.replace(QChar(0x00B7), QChar(0xFF65));
  s.replace(QChar(0x30FB), QChar(0xFF65));
  static const QRegularExpression spaces(QStringLiteral("[\\s\\x{3000}]+"));
  s.replace(spaces, QStringLiteral(" "));
  return s.trimmed();
}

QString run(const QString &program, const QStringList &args) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(30000) || p.exitCode() != 0)
    return {};
  return QString::fromUtf8(p.readAllStandardOutput());
}

// The report lines that are not empty, in order, must all be found in the
// PDF's text lines in the same order.
QString missing_line(const std::string &report, const QString &pdfText) {
  QStringList pdfLines;
  for (const QString &l : pdfText.split(QChar('\n')))
    if (!normalized(l).isEmpty())
      pdfLines << normalized(l);
  qsizetype at = 0;
  QString text = QString::fromStdString(report);
  for (const QString &line : text.split(QStringLiteral("\r\n"))) {
    const QString want = normalized(line);
    if (want.isEmpty())
      continue;
    while (at < pdfLines.size() && pdfLines[at] != want)
      ++at;
    if (at == pdfLines.size())
      return want;
    ++at;
  }
  return {};
}

struct Case {
  std::string name;
  Shape shape;
  Anchor anchor;
  zelvaro::test::Fields fields;
  Material material = Material::SUS;
};

sheet::SheetData calculate(const Case &c) {
  SeismicCalcState s;
  cases::prepare_state(s, c.shape, c.anchor, c.material);
  cases::CaseFields f;
  for (const auto &[name, text] : c.fields)
    f.set(*cases::slot_of(c.shape, name), text);
  const CalcOutcome o = cases::run_case(s, f, "2007/07/16 10:23:45");
  if (o.status != CalcOutcome::Status::Reported)
    return {};
  const auto text = [&](const char *name) { return std::string(f.text(*cases::slot_of(c.shape, name))); };
  return sheet::sheet_data(s, o, text("M"), text("KH"), text("Z"));
}

} // namespace

class SheetTest : public QObject {
  Q_OBJECT
private slots:
  void initTestCase() {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("pdffonts")).isEmpty())
      QSKIP("poppler-utils (pdftotext, pdffonts) is not installed");
  }

  void every_report_line_is_in_the_pdf_in_order_data() {
    QTest::addColumn<int>("index");
    for (int i = 0; i < static_cast<int>(cases().size()); ++i)
      QTest::newRow(cases()[static_cast<std::size_t>(i)].name.c_str()) << i;
  }

  void every_report_line_is_in_the_pdf_in_order() {
    QFETCH(int, index);
    const Case &c = cases()[static_cast<std::size_t>(index)];
    sheet::SheetData d = calculate(c);
    QVERIFY(!d.report.empty());
    d.names = {"〇〇ビル新築工事", "空調機 AC-1", "山田"};
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sheet.pdf"));
    QCOMPARE(sheet::write_sheet_pdf(d, path), QString());

    QCOMPARE(
        run(QStringLiteral("pdfinfo"), {path}).contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))),
        true);
    const QString text =
        run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    QVERIFY(!text.isEmpty());
    const QString missing = missing_line(d.report, text);
    QVERIFY2(missing.isEmpty(), qPrintable("not in the PDF: " + missing));
    for (const char *title : {"アンカーボルト耐震計算書", "Zelvaro1.070716", "2007/07/16 10:23:45",
                              "〇〇ビル新築工事", "空調機 AC-1", "山田"})
      QVERIFY2(text.contains(QString::fromUtf8(title)), title);
    if (d.advice)
      QVERIFY(normalized(text).contains(normalized(QString::fromStdString(d.advice->text).split("\r\n")[0])));
    // The verdicts: the bolt's, then the bond's, or the weld's and the rebar's
    // figures; each a line of the report.
    QCOMPARE(d.verdicts.size(), std::size_t{c.anchor == Anchor::RebarWelded ? 3u : 2u});
    const std::string lines = "\r\n" + d.report + "\r\n";
    for (const sheet::SheetVerdict &v : d.verdicts) {
      QVERIFY2(lines.find("\r\n" + v.outcome + "\r\n") != std::string::npos, v.outcome.c_str());
      const QString mark = QString::fromUtf8(v.ok ? "○ " : "× 不足 ") + QString::fromStdString(v.check);
      QVERIFY2(normalized(text).contains(normalized(mark)), qPrintable(mark));
    }
    QCOMPARE(d.verdicts[0].ok, d.verdicts[0].outcome == VerdictPass);
    if (c.anchor != Anchor::RebarWelded)
      QCOMPARE(d.verdicts[1].ok, d.verdicts[1].outcome.ends_with(BondSafe));

    // The Japanese font is embedded.
    const QString fonts = run(QStringLiteral("pdffonts"), {path});
    QVERIFY2(fonts.contains(QRegularExpression(QStringLiteral("IPA\\S*Gothic\\s.*\\byes\\b"))),
             qPrintable(fonts));
  }

  void unwritable_path_is_reported_not_ignored() {
    const sheet::SheetData d = calculate(cases()[0]);
    const QString error = sheet::write_sheet_pdf(d, QStringLiteral("/nonexistent-folder/x/sheet.pdf"));
    QVERIFY(error.startsWith(QStringLiteral("PDFファイルを書き込めません")));
  }

  void window_menu_saves_the_sheet_of_the_report_shown() {
    Window w;
    Form1 &f = *w.form;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("window.pdf"));
    int asked = 0;
    f.askSheetNames = [&](QWidget *, SheetNames &names) {
      ++asked;
      names.project = "試験工事";
      return true;
    };
    f.askPdfPath = [&](QWidget *) { return path; };
    int printed = 0;
    f.printOnPaper = [&](QWidget *, const sheet::SheetData &d) {
      ++printed;
      QCOMPARE(d.names.project, std::string("試験工事"));
    };
    auto entries = [&] {
      std::unique_ptr<QMenu> menu(f.Text2()->contextMenu());
      QStringList names;
      for (QAction *a : menu->actions())
        names << (a->isSeparator() ? QStringLiteral("|") : a->objectName() + (a->isEnabled() ? "+" : "-"));
      return names;
    };
    // No report yet: the two entries are there, after the standard ones, and
    // greyed.
    QStringList before = entries();
    QCOMPARE(before.mid(before.size() - 3), (QStringList{"|", "save-pdf-", "print-"}));
    QVERIFY(before.indexOf(QStringLiteral("edit-copy-")) >= 0 ||
            before.indexOf(QStringLiteral("edit-copy+")) >= 0);
    QVERIFY(before.indexOf(QRegularExpression(QStringLiteral("edit-copy."))) < before.size() - 3);

    // A refused calculation leaves them greyed and writes nothing.
    w.calculate();
    QCOMPARE(entries().mid(entries().size() - 2), (QStringList{"save-pdf-", "print-"}));

    w.click(f.shapeButton(Shape::Wall));
    w.click(f.anchorButton(Anchor::RebarWelded));
    w.click(f.materialButton(Material::SS));
    QVERIFY(w.pick(1, "30"));
    for (int i : {0, 1, 2, 3, 4, 7, 8, 9})
      w.fill(i, "40");
    w.calculate();
    QCOMPARE(entries().mid(entries().size() - 2), (QStringList{"save-pdf+", "print+"}));
    std::unique_ptr<QMenu> menu(f.Text2()->contextMenu());
    menu->findChild<QAction *>(QStringLiteral("save-pdf"))->trigger();
    QCOMPARE(asked, 1);
    QVERIFY(QFile::exists(path));
    const QString text =
        run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    QVERIFY(missing_line(f.sheet()->report, text).isEmpty());
    QVERIFY(text.contains(QStringLiteral("試験工事")));
    QVERIFY(text.contains(QStringLiteral("M30")));
    menu->findChild<QAction *>(QStringLiteral("print"))->trigger();
    QCOMPARE(printed, 1);

    // Cancelling the names asks for no file.
    f.askSheetNames = [](QWidget *, SheetNames &) { return false; };
    f.askPdfPath = [](QWidget *) -> QString {
      QTest::qFail("asked for a file after cancel", __FILE__, __LINE__);
      return {};
    };
    f.saveSheetPdf();
  }

private:
  static const std::vector<Case> &cases() {
    // The worked examples, then other anchor kinds and outcomes in SUS.
    static const std::vector<Case> all = [] {
      std::vector<Case> out;
      for (const zelvaro::test::WorkedExample &e : zelvaro::test::worked_examples())
        out.push_back(
            {std::string(e.shape_word) + " example", e.shape, e.anchor, e.field_texts(), e.material});
      using zelvaro::test::parse_fields;
      out.insert(out.end(), {
                                {"floor both short", Shape::Floor, Anchor::LTip,
                                 parse_fields("M=8 W=50000 n=4 LG=30 HG=60 L=50")},
                                {"circular chemical", Shape::Circular, Anchor::Chemical,
                                 parse_fields("M=16 W=800 n=6 HG=90 D=120 P=3.7 N=1500 a=20")},
                                {"wall welded", Shape::Wall, Anchor::RebarWelded,
                                 parse_fields("M=20 W=150 n1=3 n2=3 L1=100 L2=50 L1G=40 L2G=20 L3G=10")},
                                {"ceiling hooked", Shape::Ceiling, Anchor::RebarHooked,
                                 parse_fields("M=10 W=100 n=4 L=100 LG=50 HG=50 F=12.5")},
                                {"braced bolt-embedded", Shape::Braced, Anchor::BoltEmbedded,
                                 parse_fields("M=24 W=300 n=2 H=100 HG=150 LG=20")},
                            });
      return out;
    }();
    return all;
  }
};

ZELVARO_WINDOW_TEST_MAIN(SheetTest)

#include "sheet_test.moc"
