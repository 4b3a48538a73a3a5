#!/usr/bin/env python3
"""zelvaro-check --batch run as a user runs it, and compared with
zelvaro-check run once per row.

  batch_cli_test.py --binary PATH --examples DIR [unittest arguments]

EndToEnd: the example schedule, standard input, --reports, encodings,
unreadable files, usage errors and --help.
Equivalence: for the example schedule and a few hundred random rows (the
reference suite's random cases, with hostile ids), each row's status,
numbers, verdicts and message in the table, and its report file, against
the single case's exit status, report (--crlf) and messages.
"""

import argparse
import concurrent.futures
import csv
import io
import json
import os
import random
import re
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "reference"))

import differential_test as diff  # noqa: E402
import zelvaro_reference as ref  # noqa: E402

BINARY = None
EXAMPLES = None

TABLE_HEADER = ["id", "status", "Rb", "sigma_b", "tau_b", "sigma_c", "tau_c",
                "pullout_kg", "allowable_kg", "LL", "RebarCount",
                "bolt_verdict", "anchor_verdict", "message", "suggestion", "line"]
SCHEDULE_COLUMNS = ["id", "shape", "anchor", "material"] + ref.ALL_NAMES
SHAPE_NUMBERS = {name: number for name, number in ref.SHAPES.items()}


def run(args, stdin=b""):
    p = subprocess.run([BINARY] + args, input=stdin, capture_output=True,
                       timeout=300)
    return p.returncode, p.stdout, p.stderr.decode("utf-8")


def read_table(stdout):
    text = stdout.decode("utf-8-sig")
    rows = list(csv.reader(io.StringIO(text, newline="")))
    return rows[0], [dict(zip(rows[0], r)) for r in rows[1:]]


def write_schedule(path, rows, encoding="utf-8"):
    """rows: dicts of column -> cell; returns the line each row starts on."""
    out = io.StringIO(newline="")
    writer = csv.writer(out, lineterminator="\r\n")
    writer.writerow(SCHEDULE_COLUMNS)
    lines, line = [], 2
    for row in rows:
        start = out.tell()
        writer.writerow([row.get(c, "") for c in SCHEDULE_COLUMNS])
        written = out.getvalue()[start:]
        lines.append(line)
        line += written.count("\n")
    with open(path, "wb") as f:
        f.write(out.getvalue().encode(encoding))
    return lines


def one_line(text):
    return re.sub(r"\r\n|\r|\n", " ", text)


# ---------------------------------------------------------------------------
# The single case, once per row
# ---------------------------------------------------------------------------

def single_case_args(row):
    """The command line of a row: only the names its shape reads (the batch
    ignores the others), missing cells as the single case's defaults."""
    args = ["--shape", row["shape"], "--anchor", row["anchor"],
            "--material", row["material"], "--crlf"]
    read = ref.FIELDS[SHAPE_NUMBERS[row["shape"]]]
    for name in ref.ALL_NAMES:
        if name in read:
            args.append("%s=%s" % (name, row.get(name, "")))
    return args


PATTERNS = {
    "Rb": [r"^引抜力　Rb=.*= (\S+) \(N\)$", r"^∴引抜力　Rb = (\S+)\(N\)$"],
    "sigma_b": [r"^引張応力　σb=Rb/A = (\S+)\(MPa\)$"],
    "tau_b": [r"^専断応力　τb=.* = (\S+)\(MPa\)$"],
    "sigma_c": [r"^引張強度　σb/2\+\(0\.25･σb\^2\+τb\^2\)\^0\.5 = (\S+)\(MPa\)$"],
    "tau_c": [r"^専断強度　\(0\.25･σb\^2\+τb\^2\)\^0\.5 = (\S+)\(MPa\)$"],
    "LL": [r"\)･100 = (\S+)\(cm\)$"],
    "RebarCount": [r"筋強度48146\(N\)= (\S+)（本）$"],
}
BOND = re.compile(r"^⇒引抜力 Rb=(\S+)\(kg\)は(?:ｺﾝｸﾘｰﾄとﾎﾞﾙﾄ密着力|φ13鉄筋強度)="
                  r"(\S+)\(kg\)(より小さく,安全|より大きく,危険)$")


SUGGESTION = re.compile(r"にすれば基準を満たします。$|^径・本数・材質・アンカーのどれか一つを変えるだけでは基準を満たせません。$")


def expected_row(code, report, err):
    """What the table should say, from one single-case run."""
    row = {c: "" for c in TABLE_HEADER[1:]}
    lines = report.split("\r\n")
    if code == 2:
        row["status"] = "refused"
        # stderr: each message as its title line, then its text
        parts = err.rstrip("\n").split("\n")
        row["message"] = " ".join(parts[1:])
        return row
    row["status"] = "ok" if code == 0 else "shortfall"
    for column, patterns in PATTERNS.items():
        for line in lines:
            for p in patterns:
                m = re.search(p, line)
                if m:
                    row[column] = m.group(1)
    for line in lines:
        m = BOND.match(line)
        if m:
            row["pullout_kg"], row["allowable_kg"], row["anchor_verdict"] = m.groups()
        if line.startswith("⇒ﾎﾞﾙﾄ"):
            row["bolt_verdict"] = line
    if code == 1:
        # the advice's lines, then one line per suggestion
        lines = err.rstrip("\n").split("\n")[1:]
        suggestions = [l for l in lines if SUGGESTION.search(l)]
        row["message"] = " ".join(lines[:len(lines) - len(suggestions)])
        row["suggestion"] = " / ".join(suggestions)
    return row


class Equivalence(unittest.TestCase):
    maxDiff = None

    def check_schedule(self, rows, lines):
        with tempfile.TemporaryDirectory() as tmp:
            path = os.path.join(tmp, "schedule.csv")
            write_schedule(path, rows)
            reports = os.path.join(tmp, "計算書", "2026")  # folders made as needed
            code, out, err = run(["--batch", path, "--reports", reports])
            # without --reports the table is the same (calculated without the report text)
            self.assertEqual(run(["--batch", path]), (code, out, err))
            self.assertTrue(out.startswith(b"\xef\xbb\xbfid,status,Rb,"))  # Excel reads it as UTF-8
            self.assertGreaterEqual(out.count(b"\r\n"), len(rows) + 1)  # CR LF rows
            header, table = read_table(out)
            self.assertEqual(header, TABLE_HEADER)
            self.assertEqual(len(table), len(rows))

            with concurrent.futures.ThreadPoolExecutor(max_workers=4) as pool:
                singles = list(pool.map(lambda r: run(single_case_args(r)), rows))

            files = sorted(os.listdir(reports))
            self.assertEqual(sorted(os.listdir(tmp)), ["schedule.csv", "計算書"])
            by_line = {int(name[:6]): name for name in files}
            self.assertEqual(len(by_line), len(files))
            counts = {"ok": 0, "shortfall": 0, "refused": 0}
            for i, (row, got, (s_code, s_out, s_err)) in enumerate(zip(rows, table, singles)):
                with self.subTest(row=i, id=row["id"], args=" ".join(single_case_args(row))):
                    report = s_out.decode("utf-8")
                    if report.endswith("\r\n"):  # a text file's last line break, not the result box's
                        report = report[:-2]
                    want = expected_row(s_code, report, s_err)
                    # a leading ' keeps spreadsheets from taking the id for a formula
                    want["id"] = ("'" if row["id"][:1] in tuple("=+-@\t\r") else "") + row["id"]
                    want["line"] = str(lines[i])  # where the row starts in the schedule
                    self.assertEqual(got, want)
                    counts[want["status"]] += 1
                    if want["status"] == "refused":
                        self.assertNotIn(lines[i], by_line)
                        self.assertIn("%d行目" % lines[i], err)
                    else:
                        name = by_line[lines[i]]
                        self.assertNotIn("/", name)
                        with open(os.path.join(reports, name), "rb") as f:
                            text = f.read().decode("utf-8")
                        # everything after the date line is the single case's report
                        self.assertEqual(text.split("\r\n", 1)[1], report.split("\r\n", 1)[1])
            self.assertEqual(len(files), counts["ok"] + counts["shortfall"])
            self.assertIn("件数 %d、問題無し %d、不足 %d、拒否 %d" % (
                len(rows), counts["ok"], counts["shortfall"], counts["refused"]), err)
            self.assertEqual(code, 2 if counts["refused"] else 1 if counts["shortfall"] else 0)
            return counts, files

    def test_json_lines_agree_with_the_table_row_by_row(self):
        path = os.path.join(EXAMPLES, "schedule.csv")
        code, out, err = run(["--batch", path])
        j_code, j_out, j_err = run(["--batch", path, "--format", "json"])
        self.assertEqual((j_code, j_err), (code, err))
        _, table = read_table(out)
        with open(path, encoding="utf-8", newline="") as f:
            typed = {r["id"]: r for r in csv.DictReader(f)}
        objects = [json.loads(line) for line in j_out.decode("utf-8").split("\n")[:-1]]
        self.assertEqual(len(objects), len(table))
        figures = {"Rb": "Rb_N", "sigma_b": "sigma_b_MPa", "tau_b": "tau_b_MPa", "sigma_c": "sigma_c_MPa",
                   "tau_c": "tau_c_MPa", "pullout_kg": "pullout_kg", "allowable_kg": "allowable_kg",
                   "LL": "LL_cm", "RebarCount": "RebarCount"}
        for row, o in zip(table, objects):
            with self.subTest(line=row["line"]):
                self.assertEqual((str(o["line"]), o["id"], o["status"], o["message"], " / ".join(o["suggestions"])),
                                 (row["line"], row["id"], row["status"], row["message"], row["suggestion"]))
                for cell, key in figures.items():
                    self.assertEqual(o[key], float(row[cell]) if row[cell] else None, key)
                self.assertEqual(o["bolt_ok"], row["bolt_verdict"].endswith("問題無い。"))
                self.assertEqual(o["bond_ok"], row["anchor_verdict"].endswith("安全") if row["anchor_verdict"] else None)
                self.assertEqual(o["inputs"], {k: v for k, v in typed[o["id"]].items() if k != "id"})

    def test_example_schedule_mixes_every_shape_and_anchor_kind_and_matches_the_single_case(self):
        with open(os.path.join(EXAMPLES, "schedule.csv"), encoding="utf-8", newline="") as f:
            rows = list(csv.DictReader(f))
        self.assertEqual({r["shape"] for r in rows}, set(ref.SHAPES))
        self.assertEqual({r["anchor"] for r in rows}, set(ref.ANCHORS))
        lines = list(range(2, 2 + len(rows)))
        counts, files = self.check_schedule(rows, lines)
        self.assertEqual(counts["refused"], 0)
        self.assertGreater(counts["ok"] * counts["shortfall"], 0)
        self.assertEqual(files[0], "000002_冷温水ポンプ_P-1.txt")
        self.assertEqual(files[10], "000012_排煙機_SE-1.txt")

    def test_random_rows_match_the_single_case(self):
        rng = random.Random(20070716)
        hostile = ["../x", "/", "..", "a\x01b\x1f\x7f", "../../etc/passwd", "C:\\x", "nul",
                   "ポンプ P-1", "\"quoted\", comma", "two\nlines", "", "  ", "-rf", "x" * 300]
        rows = []
        for i in range(300):
            argv = diff.random_case(rng, diff.SHAPE_NAMES, diff.ANCHOR_NAMES)
            row = {"id": hostile[i % len(hostile)] if i % 3 == 0 else "機器-%d" % i,
                   "shape": argv[1], "anchor": argv[3], "material": argv[5]}
            given = dict(a.split("=", 1) for a in argv[6:])
            for name in ref.ALL_NAMES:
                # a field the case leaves out: the single case's default, or empty
                row[name] = given.get(name, ref.DEFAULTS.get(name, ""))
            rows.append(row)
        with tempfile.TemporaryDirectory() as tmp:
            lines = write_schedule(os.path.join(tmp, "probe.csv"), rows)
        counts, _ = self.check_schedule(rows, lines)
        # the random cases reach every outcome
        self.assertGreater(counts["ok"], 20)
        self.assertGreater(counts["shortfall"], 20)
        self.assertGreater(counts["refused"], 5)


# ---------------------------------------------------------------------------
# The command as a user runs it
# ---------------------------------------------------------------------------

class EndToEnd(unittest.TestCase):
    maxDiff = None

    def example(self):
        return os.path.join(EXAMPLES, "schedule.csv")

    def test_standard_input_and_cp932_give_the_same_table(self):
        with open(self.example(), "rb") as f:
            utf8 = f.read()
        cp932 = utf8.decode("utf-8").encode("cp932")
        self.assertNotEqual(cp932, utf8)
        _, expected, _ = run(["--batch", self.example()])
        for name, args, data in [
                ("stdin", ["--batch", "-"], utf8),
                ("stdin with BOM", ["--batch=-"], b"\xef\xbb\xbf" + utf8),
                ("cp932 detected", ["--batch", "-"], cp932),
                ("cp932 forced", ["--batch", "-", "--encoding", "cp932"], cp932),
                ("utf-8 forced", ["--encoding=utf-8", "--batch", "-"], utf8)]:
            with self.subTest(name):
                code, out, err = run(args, data)
                self.assertEqual(code, 1, err)
                self.assertEqual(out, expected)
        # CP932 read as UTF-8: the Japanese rows are refused, with the hint
        code, out, err = run(["--batch", "-", "--encoding", "utf-8"], cp932)
        self.assertEqual(code, 2)
        self.assertIn("--encoding cp932", err)

    def test_table_encodings_hold_the_same_text_and_cp932_never_alters_a_cell_silently(self):
        with open(self.example(), encoding="utf-8", newline="") as f:
            schedule = f.read()
        _, bom, _ = run(["--batch", self.example()])
        _, plain, _ = run(["--batch", self.example(), "--output-encoding", "utf-8"])
        code, cp932, err = run(["--batch", self.example(), "--output-encoding=cp932"])
        self.assertEqual(code, 1, err)
        self.assertEqual(bom, b"\xef\xbb\xbf" + plain)
        self.assertEqual(cp932.decode("cp932"), plain.decode("utf-8"))
        self.assertNotEqual(cp932, plain)
        # U+20BB7 and U+D55C have no CP932 form; U+301C has one only as U+FF5E.
        lines = schedule.split("\r\n" if "\r\n" in schedule else "\n")
        first = lines[1].split(",", 1)
        hostile = "\r\n".join([lines[0], "\U00020BB7野〜," + first[1], '"a\r\nb한",' + first[1]]) + "\r\n"
        code, out, err = run(["--batch", "-", "--output-encoding", "cp932"], hostile.encode("utf-8"))
        self.assertEqual(code, 2, err)
        rows = out.decode("cp932").split("\r\n")
        self.assertTrue(rows[1].startswith("?野?,ok,"), rows[1])
        self.assertEqual(rows[2], '"a')
        self.assertTrue(rows[3].startswith('b?",ok,'), rows[3])
        # Each one named on standard error: its table line, the row's id, the column.
        for line, character in [(2, "20BB7"), (2, "301C"), (4, "D55C")]:
            self.assertRegex(err, r"(?m)^zelvaro-check: \D*%d\D.*id .*U\+%s" % (line, character))
        self.assertEqual(err.count("U+"), 3, err)

    def test_unreadable_files_exit_2_without_a_table(self):
        with tempfile.TemporaryDirectory() as tmp:
            cases = [("missing", os.path.join(tmp, "none.csv"), "がありません"),
                     ("folder", tmp, "はフォルダです")]
            if os.geteuid() != 0:
                locked = os.path.join(tmp, "locked.csv")
                with open(locked, "w") as f:
                    f.write("id\n")
                os.chmod(locked, 0)
                cases.append(("no permission", locked, "を開けません"))
            for name, path, message in cases:
                with self.subTest(name):
                    code, out, err = run(["--batch", path])
                    self.assertEqual(code, 2)
                    self.assertEqual(out, b"")
                    self.assertIn(message, err)
            # a report folder that cannot be made
            code, out, err = run(["--batch", self.example(), "--reports",
                                  os.path.join(self.example(), "sub")])
            self.assertEqual(code, 2)
            self.assertEqual(out, b"")
            self.assertIn("計算書のフォルダ", err)

    def test_hostile_schedule_is_read_quickly_with_nothing_raw_on_the_terminal(self):
        # 384 kB of lines that each open a quote running over the rest took a
        # minute; an id with escape sequences reached the terminal raw.
        header = ",".join(SCHEDULE_COLUMNS).encode() + b"\r\n"
        hostile = header + b'"P\x1b]0;owned\x07\x1b[2J",floor\r\n' + b'x","\n' * (384 * 1024 // 5)
        start = time.monotonic()
        code, out, err = run(["--batch", "-"], stdin=hostile)
        self.assertLess(time.monotonic() - start, 20)  # 0.3 s; a minute or more when quadratic
        self.assertEqual(code, 2)
        _, table = read_table(out)
        self.assertEqual(len(table), 1 + 384 * 1024 // 5)
        self.assertEqual({r["status"] for r in table}, {"refused"})
        self.assertNotRegex(err, "[\x00-\x08\x0b-\x1f\x7f]")
        self.assertIn("（id P\\x1b]0;owned\\x07\\x1b[2J）", err)

    def test_usage_errors_exit_2(self):
        for args in (["--batch"], ["--batch", ""], ["--batch", "-", "--shape", "floor"],
                     ["--batch", "-", "M=12"], ["--batch", "-", "--encoding", "latin1"],
                     ["--batch", "-", "--reports"], ["--batch", "a", "--batch", "b"],
                     ["--batch", "-", "--crlf"]):
            with self.subTest(args=args):
                code, out, err = run(args)
                self.assertEqual(code, 2)
                self.assertEqual(out, b"")
                self.assertIn("--help", err)

    def test_help_documents_the_batch_mode_and_its_columns(self):
        code, out, _ = run(["--help"])
        self.assertEqual(code, 0)
        text = out.decode("utf-8")
        for part in ["--batch", "--encoding", "--reports", "examples/schedule.csv", "機器表"] + TABLE_HEADER:
            self.assertIn(part, text)


def main():
    global BINARY, EXAMPLES
    parser = argparse.ArgumentParser()
    parser.add_argument("--binary", required=True)
    parser.add_argument("--examples", required=True)
    args, rest = parser.parse_known_args()
    BINARY, EXAMPLES = args.binary, args.examples
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=1)


if __name__ == "__main__":
    main()
