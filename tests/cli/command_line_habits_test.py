#!/usr/bin/env python3
"""zelvaro-check's habits as a command line: --version, --, the names --help
lists per shape, the progress bar on a real terminal (script, util-linux),
and the messages' language.

  command_line_habits_test.py --binary PATH --version VERSION [unittest arguments]
"""

import argparse
import os
import shlex
import shutil
import subprocess
import sys
import tempfile
import unittest

BINARY = VERSION = None
FLOOR = ["--shape", "floor", "--anchor", "hawk-cut", "--material", "SS"]
FLOOR_VALUES = ["M=12", "KH=1.0", "Z=1.0", "W=500", "n=4", "LG=30", "HG=60", "L=50"]
NAMES = "M KH Z P W n n1 n2 LG HG L D H L1 L2 L1G L2G L3G N a F".split()
SCHEDULE_HEADER = "id,shape,anchor,material,M,KH,Z,W,n,LG,HG,L\n"
SCHEDULE_ROW = "P,floor,hawk-cut,SS,12,1.0,1.0,500,4,30,60,50\n"


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


class Language(unittest.TestCase):
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
                self.assertEqual(b"8192" in out, bar, out[-300:])
                self.assertEqual(b"\x1b" in out, escapes, out[-300:])


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--binary", required=True)
    parser.add_argument("--version", required=True)
    args, rest = parser.parse_known_args()
    BINARY, VERSION = os.path.abspath(args.binary), args.version
    unittest.main(argv=[sys.argv[0]] + rest)
