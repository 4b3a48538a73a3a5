#!/usr/bin/env python3
"""zelvaro-check --pdf: the calculation sheets of the command line, read back
with pdftotext and pdffonts (poppler-utils).

  pdf_cli_test.py --binary PATH --examples DIR [PdfSheets | PdfSpeed]
"""

import argparse
import csv
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

BINARY = None
EXAMPLES = None
FLOOR = ["--shape", "floor", "--anchor", "hawk-cut", "--material", "SS",
         "M=12", "KH=1.0", "Z=1.0", "W=500", "n=4", "LG=30", "HG=60", "L=50"]


def run(args):
    return subprocess.run([BINARY] + args, capture_output=True, timeout=300)


def normalized(text):
    # pdftotext gives one character for glyphs the font shares and gaps for
    # runs of spaces; compare what the eye compares.
    text = text.replace("\u301c", "\uff5e").replace("\u00b7", "\uff65").replace("\u30fb", "\uff65")
    return re.sub(r"[\s\u3000]+", " ", text).strip()


def pdf_lines(path):
    out = subprocess.run(["pdftotext", "-layout", path, "-"], capture_output=True, check=True)
    return [normalized(l) for l in out.stdout.decode("utf-8").splitlines() if normalized(l)]


def missing_line(report, lines):
    """The first report line not found in order among the PDF's lines."""
    at = 0
    for line in report.split("\n"):
        want = normalized(line)
        if not want:
            continue
        while at < len(lines) and lines[at] != want:
            at += 1
        if at == len(lines):
            return want
        at += 1
    return None


@unittest.skipUnless(shutil.which("pdftotext") and shutil.which("pdffonts"), "poppler-utils is not installed")
class PdfSheets(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()

    def tearDown(self):
        shutil.rmtree(self.dir)

    def test_single_case_sheet_holds_the_report_and_the_title_block(self):
        path = os.path.join(self.dir, "計算書.pdf")
        p = run(FLOOR + ["--pdf", path, "--project", "〇〇ビル新築工事", "--equipment", "冷温水ポンプ P-1",
                         "--checker", "山田"])
        self.assertEqual(p.returncode, 0, p.stderr.decode())
        report = p.stdout.decode()
        lines = pdf_lines(path)
        self.assertIsNone(missing_line(report, lines))
        text = "\n".join(lines)
        for title in ["アンカーボルト耐震計算書", "Zelvaro1.070716", "〇〇ビル新築工事", "冷温水ポンプ P-1", "山田"]:
            self.assertIn(title, text)
        fonts = subprocess.run(["pdffonts", path], capture_output=True, check=True).stdout.decode()
        self.assertRegex(fonts, r"IPA\S*Gothic\s.*\byes\b")

    def test_shortfall_sheet_lists_the_changes_that_pass_as_improvements(self):
        path = os.path.join(self.dir, "short.pdf")
        p = run(FLOOR[:-5] + ["W=1500", "n=4", "LG=30", "HG=60", "L=50", "--pdf", path])
        self.assertEqual(p.returncode, 1, p.stderr.decode())
        suggestions = [l for l in p.stderr.decode().splitlines() if l.endswith("にすれば基準を満たします。")]
        self.assertTrue(suggestions, p.stderr.decode())
        lines = pdf_lines(path)
        # under the verdicts and the advice, in the order of standard error
        at = lines.index("改善案")
        self.assertLess(lines.index("耐震強度不足"), at)
        self.assertEqual([l.lstrip("・\uff65 ") for l in lines[at + 1:at + 1 + len(suggestions)]],
                         [normalized(s) for s in suggestions])

    def test_refused_stopped_or_unwritable_sheet_is_an_error_and_leaves_no_file(self):
        for extra, path in ((["n=0"], "none.pdf"), (["W="], "none.pdf"), (["M=9"], "none.pdf"),
                            ([], os.path.join("no", "such", "folder", "x.pdf"))):
            p = run(FLOOR + extra + ["--pdf", os.path.join(self.dir, path)])
            self.assertEqual(p.returncode, 2, extra)
            self.assertFalse(os.path.exists(os.path.join(self.dir, path)), extra)
        self.assertIn("PDF", p.stderr.decode())

    def test_batch_writes_one_sheet_per_calculated_row_inside_the_folder(self):
        schedule = os.path.join(self.dir, "schedule.csv")
        with open(schedule, "w", encoding="utf-8", newline="") as f:
            w = csv.writer(f, lineterminator="\r\n")
            w.writerow(["id", "equipment", "shape", "anchor", "material", "M", "W", "n", "LG", "HG", "L"])
            w.writerow(["P-1", "冷温水ポンプ", "floor", "hawk-cut", "SS", "12", "500", "4", "30", "60", "50"])
            w.writerow(["../x", "", "floor", "rebar-welded", "SUS", "30", "500", "4", "30", "60", "50"])
            w.writerow(["bad", "", "floor", "hawk-cut", "SS", "12", "500", "0", "30", "60", "50"])
            w.writerow(["/", "", "floor", "chemical", "SS", "8", "500", "4", "30", "60", "50"])
        out = os.path.join(self.dir, "sheets")
        p = run(["--batch", schedule, "--pdf", out, "--project", "試験工事", "--equipment", "既定の機器"])
        self.assertEqual(p.returncode, 2, p.stderr.decode())  # two refused rows
        names = sorted(os.listdir(out))
        self.assertEqual(len(names), 2, names)  # refused rows get none
        self.assertTrue(names[0].startswith("000002_P-1") and names[0].endswith(".pdf"))
        self.assertTrue(names[1].startswith("000003_") and "/" not in names[1] and ".." not in names[1])
        self.assertEqual(sorted(os.listdir(self.dir)), sorted(["schedule.csv", "sheets"]))
        first = "\n".join(pdf_lines(os.path.join(out, names[0])))
        self.assertIn("冷温水ポンプ", first)  # the schedule's equipment column
        self.assertIn("試験工事", first)
        second = "\n".join(pdf_lines(os.path.join(out, names[1])))
        self.assertIn("既定の機器", second)  # no cell: the option's name
        self.assertIn("必要溶接量", second)

        # Each sheet holds the report that the single case prints.
        single = run(["--shape", "floor", "--anchor", "hawk-cut", "--material", "SS", "M=12", "W=500", "n=4",
                      "LG=30", "HG=60", "L=50"])
        report = single.stdout.decode()
        self.assertIsNone(missing_line(report.split("\n", 1)[1], pdf_lines(os.path.join(out, names[0]))))

    def test_batch_into_one_pdf_has_a_cover_then_every_sheet_with_fonts_once(self):
        with open(os.path.join(EXAMPLES, "schedule.csv"), encoding="utf-8") as f:
            text = f.read()
        schedule = os.path.join(self.dir, "s.csv")
        with open(schedule, "w", encoding="utf-8") as f:
            f.write(text + "空欄 X-1,floor,hawk-cut,SS,12,1.0,1.0,,4,,,30,60,50,,,,,,,,0,0,0,0\n")
        out = os.path.join(self.dir, "all.pdf")
        p = run(["--batch", schedule, "--pdf", out, "--project", "ポンプ室改修"])
        self.assertEqual(p.returncode, 2, p.stderr.decode())
        pages = subprocess.run(["pdftotext", "-layout", out, "-"], capture_output=True,
                               check=True).stdout.decode().split("\f")[:-1]
        self.assertEqual(len(pages), 1 + 12)  # the cover, then the twelve calculated items
        cover = [normalized(l) for l in pages[0].splitlines()]
        self.assertIn("工事名: ポンプ室改修", cover)
        ids = [r[0] for r in csv.reader(text.splitlines()[1:])]
        for k, item in enumerate(ids):
            line = next(l for l in cover if l.startswith(item[:4]))
            self.assertTrue(line.endswith(" %d / 13" % (k + 2)), line)
            # Each sheet carries its item's number and the page the cover gives it.
            sheet = [normalized(l) for l in pages[k + 1].splitlines()]
            self.assertIn("ポンプ室改修", pages[k + 1])
            self.assertTrue(any(normalized(item) in l for l in sheet), (item, sheet[:6]))
            self.assertEqual(sheet[-1], "%d / 13" % (k + 2))
        self.assertTrue(any(l.startswith("空欄 X-1 入力不備 － 空白") for l in cover), cover)
        fonts = subprocess.run(["pdffonts", out], capture_output=True, check=True).stdout.decode()
        names = [l.split()[0] for l in fonts.splitlines()[2:]]
        self.assertEqual(len(names), len(set(names)), fonts)
        # One file per item takes the names of the row's project and checker cells.
        lines = text.splitlines()
        with open(schedule, "w", encoding="utf-8") as f:
            f.write(lines[0] + ",project,checker\n" + lines[1] + ",ポンプ室改修,検査太郎\n")
        folder = os.path.join(self.dir, "each")
        self.assertEqual(run(["--batch", schedule, "--pdf", folder]).returncode, 0)
        sheet = pdf_lines(os.path.join(folder, os.listdir(folder)[0]))
        self.assertTrue(any("ポンプ室改修" in l for l in sheet) and any("検査太郎" in l for l in sheet), sheet)
        # The folder of sheets and the bundle give one title block: the row's cell, else the option.
        with open(schedule, "w", encoding="utf-8") as f:
            f.write(lines[0] + ",equipment\n" + lines[1] + ",ポンプA\n" + lines[2] + ",\n")
        folder, bundle = os.path.join(self.dir, "named"), os.path.join(self.dir, "named.pdf")
        for target in (folder, bundle):
            self.assertEqual(run(["--batch", schedule, "--pdf", target, "--equipment", "既定機器"]).returncode, 0)
        each = [" ".join(pdf_lines(os.path.join(folder, n))) for n in sorted(os.listdir(folder))]
        sheets = subprocess.run(["pdftotext", bundle, "-"], capture_output=True,
                                check=True).stdout.decode().split("\f")[1:-1]
        self.assertEqual([("ポンプA" in t, "既定機器" in t) for t in each], [(True, False), (False, True)])
        self.assertEqual([("ポンプA" in t, "既定機器" in t) for t in sheets], [(True, False), (False, True)])
        # An output that cannot be written is an error, and leaves nothing.
        bad = os.path.join(self.dir, "missing", "all.pdf")
        p = run(["--batch", schedule, "--pdf", bad])
        self.assertEqual(p.returncode, 2)
        self.assertIn("保存できません", p.stderr.decode())
        self.assertFalse(os.path.exists(os.path.dirname(bad)))


@unittest.skipUnless(shutil.which("pdftotext"), "poppler-utils is not installed")
class PdfSpeed(unittest.TestCase):
    """A wall-clock bound: meaningful for the optimised build only."""

    def setUp(self):
        self.dir = tempfile.mkdtemp()

    def tearDown(self):
        shutil.rmtree(self.dir)

    def test_a_thousand_sheets_within_a_minute(self):
        schedule = os.path.join(self.dir, "schedule.csv")
        with open(os.path.join(EXAMPLES, "schedule.csv"), encoding="utf-8-sig") as f:
            rows = list(csv.reader(f))
        header, body = rows[0], rows[1:]
        with open(schedule, "w", encoding="utf-8", newline="") as f:
            w = csv.writer(f, lineterminator="\r\n")
            w.writerow(header)
            for i in range(1000):
                row = list(body[i % len(body)])
                row[header.index("id")] = "機器-%d" % i
                w.writerow(row)
        out = os.path.join(self.dir, "sheets")
        start = time.monotonic()
        p = run(["--batch", schedule, "--pdf", out])
        elapsed = time.monotonic() - start
        self.assertIn(p.returncode, (0, 1), p.stderr.decode()[-500:])
        self.assertEqual(len(os.listdir(out)), 1000)
        print("1000 sheets in %.1f s" % elapsed, file=sys.stderr)
        self.assertLess(elapsed, 60)


if __name__ == "__main__":
    ap = argparse.ArgumentParser()
    ap.add_argument("--binary", required=True)
    ap.add_argument("--examples", required=True)
    args, rest = ap.parse_known_args()
    BINARY, EXAMPLES = args.binary, args.examples
    unittest.main(argv=[sys.argv[0]] + rest)
