#!/usr/bin/env python3
"""zelvaro-check's habits as a command line: --version, --, the names --help
lists per shape, the progress bar on a real terminal (script, util-linux),
the messages' language, and the habits a script leans on (-o, repeated
options, SOURCE_DATE_EPOCH, a terminal's escapes, the window's --version).

  command_line_habits_test.py --binary PATH --version VERSION [--window PATH] [unittest arguments]
"""

import argparse
import os
import re
import shlex
import shutil
import stat
import subprocess
import sys
import tempfile
import unittest

BINARY = VERSION = WINDOW = SCHEDULE = MANUALS = None
FLOOR = ["--shape", "floor", "--anchor", "hawk-cut", "--material", "SS"]
FLOOR_VALUES = ["M=12", "KH=1.0", "Z=1.0", "W=500", "n=4", "LG=30", "HG=60", "L=50"]
NAMES = "M KH Z P W n nt n1 n2 LG HG L D H L1 L2 L1G L2G L3G N a F".split()
SCHEDULE_HEADER = "id,shape,anchor,material,M,KH,Z,W,n,LG,HG,L\n"
SCHEDULE_ROW = "P,floor,hawk-cut,SS,12,1.0,1.0,500,4,30,60,50\n"
# A refused selection, a row the reader refuses, an id CP932 cannot hold and
# a row the calculation refuses; then a header the reader refuses.
BATCH_RUNS = [SCHEDULE_HEADER + SCHEDULE_ROW + "Q,round" + SCHEDULE_ROW[7:] + "R,floor\n" + "\u00e9" +
              SCHEDULE_ROW[1:] + "S" + SCHEDULE_ROW[1:].replace(",500,", ",,"),
              'id,"sh"ape\n']
# What the batch says of them: its own words in the user's language, the
# calculation's refusal (空白が...) in Japanese.
BATCH_SAYS = {"en": ("Line 3 (id Q): Shape (shape) 'round' is not known. Write one of floor circular wall ceiling braced.\n"
                     "Line 4 (id R): The row has 2 cells, the header row 12.\n"
                     "Line 6 (id S): 空白が有りますので、埋めてください｡\n"
                     "zelvaro-check: Verdict table line 5 (id \u00e9), column id: '\u00e9' (U+00E9) has no CP932 form"
                     " and was written as ?.\n"
                     "zelvaro-check: Items 5, passed 2, short 0, refused 3\n"
                     'zelvaro-check: Cannot read the header row (line 1): Column 2 (shape): Text after the closing ".\n'),
              "ja": "3行目（id Q）: 形状（shape）'round' は使えません。floor circular wall ceiling braced のいずれかを書いてください。\n"
                    "4行目（id R）: 項目の数が 2 で、見出し行の 12 と合いません。\n"
                    "6行目（id S）: 空白が有りますので、埋めてください｡\n"
                    "zelvaro-check: 判定表の 5 行目（id é）の列 id: 'é' (U+00E9) は CP932 で書けない文字のため ? にしました。\n"
                    "zelvaro-check: 件数 5、問題無し 2、不足 0、拒否 3\n"
                    'zelvaro-check: 見出し行（1行目）を読めません: 2列目（shape）: 閉じる " の後に文字があります。\n'}


def run(args, env=None, **kw):
    environment = dict(os.environ, LC_ALL="C.UTF-8", LANGUAGE="")
    environment.update(env or {})
    return subprocess.run([BINARY] + args, capture_output=True, env=environment, timeout=60, **kw)


class Options(unittest.TestCase):
    def test_version_names_the_program_and_its_version(self):
        p = run(["--version"])
        self.assertEqual((p.returncode, p.stdout), (0, ("zelvaro-check %s\n" % VERSION).encode()))

    def test_double_dash_ends_the_options(self):
        self.assertEqual(run(FLOOR + ["--"] + FLOOR_VALUES).returncode, 0)
        # after --, "--help" is an argument (not NAME=VALUE), not the option
        p = run(FLOOR + FLOOR_VALUES + ["--", "--help"])
        self.assertEqual(p.returncode, 2)
        self.assertIn(b"'--help'", p.stderr)
        self.assertEqual(p.stdout, b"")

    def test_help_lists_exactly_the_names_each_shape_reads(self):
        help_text = run(["--help"]).stdout.decode()
        for shape in ["floor", "circular", "wall", "ceiling", "braced"]:
            with self.subTest(shape):
                listed = [l.split()[1:] for l in help_text.splitlines() if l.split()[:1] == [shape]]
                self.assertEqual(len(listed), 1, help_text)
                for name in NAMES:
                    p = run(["--shape", shape, "--anchor", "hawk-cut", "--material", "SS", name + "=1"])
                    refused_name = b"does not read '%s'" % name.encode() in p.stderr
                    self.assertEqual(name in listed[0], not refused_name, (name, p.stderr))


def batch_says(env):
    """Standard error of the batch runs, and their verdict tables."""
    runs = [run(["--batch", "-", "--output-encoding", "cp932"], env, input=text.encode()) for text in BATCH_RUNS]
    return "".join(p.stderr.decode() for p in runs), [p.stdout for p in runs]


class Language(unittest.TestCase):
    def test_batch_lines_follow_the_locale_and_the_table_does_not(self):
        tables = batch_says({"LANGUAGE": "ja"})[1]
        for name, env, language in [("C", {"LC_ALL": "C"}, "en"), ("ja catalog", {"LANGUAGE": "ja"}, "ja")]:
            with self.subTest(name):
                self.assertEqual(batch_says(env), (BATCH_SAYS[language], tables))

    def test_messages_follow_the_locale_and_the_report_stays_japanese(self):
        for name, env, english in [("C", {"LC_ALL": "C"}, True),
                                   ("en_US", {"LC_ALL": "en_US.UTF-8"}, True),
                                   ("ja catalog", {"LANGUAGE": "ja"}, False)]:
            with self.subTest(name):
                error = run(["--shape", "x"], env).stderr.decode()
                self.assertEqual("Unknown shape" in error, english, error)
                self.assertEqual("使えません" in error, not english, error)
                usage = run(["--help"], env).stdout.decode()
                self.assertEqual(usage.startswith("Usage:"), english)
                report = run(FLOOR + FLOOR_VALUES, env).stdout.decode()
                self.assertIn("安全", report)

    def test_japanese_locale_gives_japanese_messages(self):
        with tempfile.TemporaryDirectory() as locales:
            made = subprocess.run(["localedef", "-i", "ja_JP", "-f", "UTF-8", os.path.join(locales, "ja_JP.UTF-8")],
                                  capture_output=True)
            if made.returncode != 0:
                self.skipTest("no Japanese locale source here: " + made.stderr.decode())
            env = {"LC_ALL": "ja_JP.UTF-8", "LOCPATH": locales}
            self.assertIn("形状 'x' は使えません", run(["--shape", "x"], env).stderr.decode())
            self.assertTrue(run(["--help"], env).stdout.decode().startswith("使い方:"))
            self.assertEqual(batch_says(env)[0], BATCH_SAYS["ja"])


def read(path):
    with open(path, "rb") as f:
        return f.read()


def on_terminal(command):
    """What a terminal (script, util-linux) receives from a shell command."""
    return subprocess.run(["script", "-qec", command, "/dev/null"], capture_output=True, timeout=60,
                          env=dict(os.environ, TERM="xterm", LC_ALL="C.UTF-8")).stdout


def listed(text):
    """The options a text names."""
    return re.findall(r"(?<![\w-])(--[a-z][a-z-]*|-[oh])\b", text)


def manual(language):
    """The manual page of the build as man shows it."""
    page = os.path.join(MANUALS, language, "zelvaro-check.1")
    return subprocess.run(["man", "-l", page], capture_output=True, timeout=60, check=True,
                          env=dict(os.environ, LC_ALL="C.UTF-8", MANWIDTH="80", MAN_KEEP_FORMATTING="")).stdout.decode()


class ScriptHabits(unittest.TestCase):
    """One row per habit a script leans on: what is run, what it must give."""

    def test_habits(self):
        with tempfile.TemporaryDirectory() as tmp:
            path = lambda name: os.path.join(tmp, name)
            table, report = path("table.csv"), path("report.txt")
            for f in (table, report):
                with open(f, "wb") as out:
                    out.write(b"yesterday")
            with open(path("evil.csv"), "w") as f:
                f.write(SCHEDULE_HEADER + "\"E\x1b]0;owned\x07\u202e\"" + SCHEDULE_ROW[1:])
            epoch = {"SOURCE_DATE_EPOCH": "31536000"}  # 1971-01-01 00:00:00 UTC

            def dated_outputs(n):
                run(["--batch", SCHEDULE, "--pdf", path("bundle%d.pdf" % n), "-o", path("t%d.csv" % n)], epoch)
                run(FLOOR + FLOOR_VALUES + ["--pdf", path("sheet%d.pdf" % n), "-o", path("r%d.txt" % n)], epoch)
                return [read(path(name % n)) for name in ("bundle%d.pdf", "t%d.csv", "sheet%d.pdf", "r%d.txt")]

            window = subprocess.run([WINDOW, "--version"], capture_output=True, timeout=30,
                                    env={k: v for k, v in os.environ.items()
                                         if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}) \
                if WINDOW else None
            evil = shlex.quote(path("evil.csv"))

            def through_link():
                os.makedirs(path("shared"), exist_ok=True)
                with open(path("shared/table.csv"), "wb") as f:
                    f.write(b"yesterday")
                os.symlink(path("shared/table.csv"), path("shared/link.csv"))
                status = run(["--batch", SCHEDULE, "-o", path("shared/link.csv")]).returncode
                return (status, os.path.islink(path("shared/link.csv")), read(path("shared/table.csv"))[:6],
                        sorted(os.listdir(path("shared"))))

            def into_fifo():  # as into /dev/null: the device is written, never replaced
                os.makedirs(path("shared"), exist_ok=True)
                fifo = path("shared/fifo")
                os.mkfifo(fifo)
                reader = os.open(fifo, os.O_RDONLY | os.O_NONBLOCK)
                try:
                    status = run(["--batch", SCHEDULE, "-o", fifo]).returncode
                    got = os.read(reader, 1 << 16)
                finally:
                    os.close(reader)
                return status, stat.S_ISFIFO(os.stat(fifo).st_mode), got[:6]

            rows = [
                ("-o on a failing batch keeps yesterday's table",
                 lambda: (run(["--batch", path("missing.csv"), "-o", table]).returncode, read(table)),
                 (2, b"yesterday")),
                ("-o on a refused case keeps yesterday's report",
                 lambda: (run(FLOOR + ["M=12", "-o", report]).returncode, read(report)), (2, b"yesterday")),
                ("-o on a run through writes the table and leaves no temporary file",
                 lambda: (run(["--batch", SCHEDULE, "-o", table]).returncode, read(table)[:6], sorted(os.listdir(tmp))),
                 (1, b"\xef\xbb\xbfid,", ["evil.csv", "report.txt", "table.csv"])),
                ("-o through a link writes the linked file and keeps the link",
                 through_link, (1, True, b"\xef\xbb\xbfid,", ["link.csv", "table.csv"])),
                ("-o into a FIFO (or a device) writes into it and leaves it what it was",
                 into_fifo, (1, True, b"\xef\xbb\xbfid,")),
                ("a repeated --shape is refused like a repeated field",
                 lambda: (lambda p: (p.returncode, b"--shape" in p.stderr, p.stdout))(
                     run(FLOOR + ["--shape", "wall"] + FLOOR_VALUES)), (2, True, b"")),
                ("SOURCE_DATE_EPOCH dates the report and gives the same bytes twice",
                 lambda: (dated_outputs(1) == dated_outputs(2), "1971/01/01～".encode() in read(path("r1.txt")),
                          [b"(D:19710101000000" in read(path(name)) for name in ("bundle1.pdf", "sheet1.pdf")]),
                 (True, True, [True, True])),
                ("the table on a terminal carries no escape, its line breaks kept (and the counts' line)",
                 lambda: (lambda out: (b"\x1b" in out, b"\\x1b]0;owned\\x07\\u202e" in out, out.count(b"\n")))(
                     on_terminal("%s --batch %s" % (shlex.quote(BINARY), evil))), (False, True, 3)),
                ("the table redirected stays byte for byte",
                 lambda: b"\x1b]0;owned\x07\xe2\x80\xae" in run(["--batch", path("evil.csv")]).stdout, True),
                ("zelvaro --version prints without a display",
                 lambda: (window.returncode, window.stdout) if window else None,
                 (0, ("zelvaro %s\n" % VERSION).encode()) if WINDOW else None),
            ]
            for language in ("en", "ja") if MANUALS and shutil.which("man") else ():
                rows.append(("man -l of the %s manual page lists every option --help lists" % language,
                             lambda language=language: sorted(set(listed(run(["--help"]).stdout.decode())) -
                                                              set(listed(manual(language)))), []))
            for name, got, expected in rows:
                with self.subTest(name):
                    self.assertEqual(got(), expected)


@unittest.skipUnless(shutil.which("script"), "needs script (util-linux)")
class ProgressBar(unittest.TestCase):
    """The batch on a real terminal: a slow schedule (half of it, a pause,
    the rest) so that the bar is due."""

    def terminal(self, redirect, term):
        rows = SCHEDULE_ROW * 5000
        with tempfile.TemporaryDirectory() as tmp:
            path = os.path.join(tmp, "rows.csv")
            with open(path, "w") as f:
                f.write(rows)
            command = "(printf %s; cat %s; sleep 0.8; cat %s) | %s --batch - %s" % (
                shlex.quote(SCHEDULE_HEADER), path, path, shlex.quote(BINARY), redirect.replace("TMP", tmp))
            p = subprocess.run(["script", "-qec", command, "/dev/null"], capture_output=True, timeout=60,
                               env=dict(os.environ, TERM=term, LC_ALL="C.UTF-8"))
            return p.stdout

    def test_bar_only_when_the_table_goes_elsewhere_and_plain_on_a_dumb_terminal(self):
        for name, redirect, term, bar, escapes in [
                ("table to a file", "> TMP/t.csv", "xterm", True, True),
                ("table on the same terminal", "", "xterm", False, False),
                ("dumb terminal", "> TMP/t.csv", "dumb", True, False)]:
            with self.subTest(name):
                out = self.terminal(redirect, term)
                self.assertEqual(b"8192 rows" in out, bar, out[-300:])
                self.assertEqual(b"\x1b" in out, escapes, out[-300:])


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--binary", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--window")
    parser.add_argument("--manuals")
    parser.add_argument("--examples", required=True)
    args, rest = parser.parse_known_args()
    BINARY, VERSION = os.path.abspath(args.binary), args.version
    WINDOW = args.window and os.path.abspath(args.window)
    SCHEDULE = os.path.join(args.examples, "schedule.csv")
    MANUALS = args.manuals
    unittest.main(argv=[sys.argv[0]] + rest)
