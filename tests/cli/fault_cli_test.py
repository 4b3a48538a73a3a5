#!/usr/bin/env python3
"""zelvaro-check under faults injected as the system would deliver them: a
full standard output (/dev/full), closed descriptors, read errors (strace
-e inject), a full or read-only file system (a small tmpfs mounted in a
private mount namespace, `unshare -rm`), SIGTERM and SIGINT mid-batch, a
folder already used or in use, a gone reader of the table.

  fault_cli_test.py --binary PATH [unittest arguments]

Whatever fails, the status is not 0, the message says what and why in
Japanese, and no file under a final name is incomplete: every .pdf opens with
pdfinfo, every .txt ends with its verdict line.
"""

import argparse
import csv
import fcntl
import io
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

# The messages checked here are the Japanese ones.
os.environ.update(LC_ALL="C.UTF-8", LANGUAGE="ja")

BINARY = None
FLOOR = ["--shape", "floor", "--anchor", "hawk-cut", "--material", "SS",
         "M=12", "KH=1.0", "Z=1.0", "W=500", "n=4", "LG=30", "HG=60", "L=50"]
HEADER = "id,shape,anchor,material,M,KH,Z,W,n,LG,HG,L\r\n"
ROW = ",floor,hawk-cut,SS,12,1.0,1.0,500,4,30,60,50\r\n"
REFUSED_ROW = ",floor,hawk-cut,SS,9,1.0,1.0,500,4,30,60,50\r\n"  # no such diameter
ENGLISH = re.compile(r"[A-Za-z]{4,}")  # option and file names aside, no English words


def schedule(rows, refused=()):
    return (HEADER + "".join(f"r{i}" + (REFUSED_ROW if i in refused else ROW)
                             for i in range(rows))).encode("utf-8")


def write_schedule(folder, rows, refused=()):
    path = os.path.join(folder, "s.csv")
    with open(path, "wb") as f:
        f.write(schedule(rows, refused))
    return path


def run(args, **kw):
    kw.setdefault("capture_output", True)
    p = subprocess.run(args, timeout=300, **kw)
    return p.returncode, p.stdout, (p.stderr or b"").decode("utf-8")


def messages(err):
    """stderr without the program's and the options' names."""
    return re.sub(r"zelvaro-check|--\w+|SIG\w+|Ctrl\+C|'[^']*'|\bid\b", "", err)


def in_small_fs(size, command, copy_to, read_only=False):
    """Runs `command` (its "FS" arguments replaced by the mount point) with a
    fresh tmpfs of `size` mounted; afterwards the tmpfs holds nothing, its
    files are copied to `copy_to`."""
    mount = tempfile.mkdtemp()
    args = [mount + a[2:] if a.startswith("FS") else a for a in command]
    script = ('mount -t tmpfs -o "size=$1$3" tmpfs "$0" || exit 99; shift 3; "$@"; rc=$?; '
              'cp -a "$0/." "$OUT/"; exit $rc')
    opts = ",ro" if read_only else ""
    try:
        return run(["unshare", "-rm", "sh", "-c", script, mount, size, "", opts] + args,
                   env=dict(os.environ, OUT=copy_to))
    finally:
        os.rmdir(mount)


def userns_works():
    return shutil.which("unshare") and subprocess.run(
        ["unshare", "-rm", "sh", "-c", "mount -t tmpfs tmpfs /mnt"], capture_output=True).returncode == 0


class CompleteFiles:
    def assert_complete(self, folder):
        """Every file under a final name is complete; no temporary one is left."""
        names = os.listdir(folder)
        self.assertEqual([n for n in names if n.startswith(".")], [])
        for name in names:
            path = os.path.join(folder, name)
            if name.endswith(".pdf"):
                p = subprocess.run(["pdfinfo", path], capture_output=True)
                self.assertEqual(p.returncode, 0, name)
            elif name.endswith(".txt"):
                with open(path, "rb") as f:
                    last = f.read().decode("utf-8").split("\r\n")[-1]
                self.assertTrue(last.startswith("⇒") and last.endswith(("安全", "危険")), name)
        return names


class SingleCase(unittest.TestCase):
    def test_a_lost_report_or_help_is_an_error_with_the_reason(self):
        cases = [("full", FLOOR, {"stdout": open(os.devnull.replace("null", "full"), "wb")},
                  "計算書を標準出力に書けません: ディスクに空きがありません"),
                 ("closed", FLOOR, {"stdout": None, "pass_fds": (), "close_stdout": True},
                  "計算書を標準出力に書けません: 閉じられています"),
                 ("help", ["--help"], {"stdout": open("/dev/full", "wb")},
                  "説明を標準出力に書けません: ディスクに空きがありません"),
                 ("cases", ["--cases", "-"], {"stdout": open("/dev/full", "wb"), "input": b'["--version"]\n'},
                  "答えを標準出力に書けません: ディスクに空きがありません")]
        for name, args, kw, message in cases:
            with self.subTest(name):
                if kw.pop("close_stdout", False):
                    p = subprocess.run(["sh", "-c", '"$0" "$@" >&-', BINARY] + args,
                                       stderr=subprocess.PIPE, timeout=60)
                else:
                    p = subprocess.run([BINARY] + args, stderr=subprocess.PIPE, timeout=60, **kw)
                err = p.stderr.decode("utf-8")
                self.assertEqual(p.returncode, 2, err)
                self.assertIn(message, err)
                self.assertIsNone(ENGLISH.search(messages(err)), err)

    @unittest.skipUnless(shutil.which("pdfinfo"), "poppler-utils is not installed")
    def test_a_sheet_on_a_full_or_read_only_disk_leaves_no_file(self):
        for name, size, ro in (("full", "40k", False), ("read-only", "1m", True)):
            with self.subTest(name), tempfile.TemporaryDirectory() as out:
                if not userns_works():
                    self.skipTest("no user namespaces here (unshare -rm)")
                code, _, err = in_small_fs(size, ["sh", "-c", 'exec "$0" "$@" >/dev/null', BINARY]
                                           + FLOOR + ["--pdf", "FS/計算書.pdf"], out, read_only=ro)
                self.assertEqual(code, 2, err)
                self.assertIn("PDFファイルを書き込めません", err)
                self.assertIn("ディスクに空きがありません" if name == "full" else "読み取り専用", err)
                self.assertEqual(os.listdir(out), [])


class BatchInput(unittest.TestCase):
    @unittest.skipUnless(shutil.which("strace"), "strace is not installed")
    def test_a_read_error_is_not_the_end_of_the_schedule(self):
        with tempfile.TemporaryDirectory() as tmp:
            path = write_schedule(tmp, 20000)
            # Reads after the program's start fail: from standard input and from a file.
            inject = ["strace", "-f", "-o", "/dev/null", "-P", path, "-e", "trace=read",
                      "-e", "inject=read:error=EIO:when=5+"]
            for name, args, stdin in (("stdin", ["--batch", "-"], open(path, "rb")),
                                      ("file", ["--batch", path], subprocess.DEVNULL)):
                with self.subTest(name):
                    # LeakSanitizer cannot work under ptrace: in the sanitizer build it
                    # would turn the exit status into its own.
                    env = dict(os.environ, ASAN_OPTIONS=os.environ.get("ASAN_OPTIONS", "") + ":detect_leaks=0")
                    code, out, err = run(inject + [BINARY] + args, stdin=stdin, env=env)
                    self.assertEqual(code, 2, err)
                    self.assertRegex(err, r"機器表を読めません（\d+行目まで読んだところで）: 入出力エラー")
                    self.assertLess(out.count(b"\r\n"), 20001)

    def test_closed_or_folder_input_is_said_not_taken_for_empty(self):
        for name, shell, message in (("closed", '"$0" --batch - <&-', "閉じられています"),
                                     ("folder", '"$0" --batch - < /', "フォルダです")):
            with self.subTest(name):
                code, out, err = run(["sh", "-c", shell, BINARY])
                self.assertEqual(code, 2, err)
                self.assertIn("機器表を読めません: " + message, err)
                self.assertNotIn("入力が空です", err)


@unittest.skipUnless(shutil.which("pdfinfo"), "poppler-utils is not installed")
class BatchFiles(unittest.TestCase, CompleteFiles):
    def test_a_full_disk_marks_rows_error_and_stops_after_20_in_a_row(self):
        if not userns_works():
            self.skipTest("no user namespaces here (unshare -rm)")
        with tempfile.TemporaryDirectory() as tmp:
            path = write_schedule(tmp, 60)
            code, out, err = in_small_fs("300k", [BINARY, "--batch", path, "--reports", "FS/txt",
                                                  "--pdf", "FS/pdf"], tmp)
            self.assertEqual(code, 2, err)
            self.assertTrue(out.endswith(b"\r\n"))
            statuses = [r[1] for r in csv.reader(io.StringIO(out.decode("utf-8"), newline=""))][1:]
            self.assertIn("ok", statuses)
            self.assertEqual(statuses[-20:], ["error"] * 20)
            self.assertLess(len(statuses), 60)
            self.assertIn("ディスクに空きがありません", err)
            self.assertIn("計算書の書き込みが 20 件続けて失敗したので", err)
            self.assertIn("書き込み失敗 20", err)
            pdfs = self.assert_complete(os.path.join(tmp, "pdf"))
            txts = self.assert_complete(os.path.join(tmp, "txt"))
            self.assertEqual(len(pdfs), statuses.count("ok"))
            self.assertGreaterEqual(len(txts), len(pdfs))

    def test_sigterm_or_sigint_ends_the_table_at_a_row_with_complete_files(self):
        for sig, status in ((signal.SIGTERM, 143), (signal.SIGINT, 130)):
            with self.subTest(sig.name), tempfile.TemporaryDirectory() as tmp:
                path = write_schedule(tmp, 3000)
                p = subprocess.Popen([BINARY, "--batch", path, "--reports", tmp + "/out", "--pdf", tmp + "/out"],
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE)
                time.sleep(1.5)
                p.send_signal(sig)
                out, err = p.communicate(timeout=60)
                err = err.decode("utf-8")
                self.assertEqual(p.returncode, status, err)
                self.assertIn("を受けたので中止しました", err)
                self.assertTrue(out.endswith(b"\r\n"))
                rows = list(csv.reader(io.StringIO(out.decode("utf-8-sig"), newline="")))
                self.assertTrue(all(len(r) == 16 for r in rows))
                self.assertTrue(0 < len(rows) - 1 < 3000)
                names = self.assert_complete(tmp + "/out")
                self.assertEqual(len(names), 2 * (len(rows) - 1))

    def test_sigterm_or_sigint_stops_the_one_pdf_between_sheets_and_writes_nothing(self):
        def one_pdf(folder, rows, sig=None):  # status, stderr, peak memory (kB)
            p = subprocess.Popen([BINARY, "--batch", write_schedule(folder, rows), "--pdf", folder + "/out.pdf"],
                                 stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
            if sig:
                time.sleep(1.5)
                p.send_signal(sig)
            err = p.stderr.read().decode("utf-8")
            _, wait_status, usage = os.wait4(p.pid, 0)
            return os.waitstatus_to_exitcode(wait_status), err, usage.ru_maxrss
        with tempfile.TemporaryDirectory() as tmp:
            two_items = one_pdf(tmp, 2)[2]
        for sig, status in ((signal.SIGTERM, 143), (signal.SIGINT, 130)):
            with self.subTest(sig.name), tempfile.TemporaryDirectory() as tmp:
                code, err, peak = one_pdf(tmp, 3000, sig)
                self.assertEqual(code, status, err)
                self.assertRegex(err, r"3000 件中 \d+ 件で .* を受けたので中止しました")
                self.assertEqual(sorted(os.listdir(tmp)), ["s.csv"])
                # One sheet held at a time, not every item's (8 MB more for
                # these); AddressSanitizer holds freed ones back.
                if "ASAN_OPTIONS" not in os.environ:
                    self.assertLess(peak - two_items, 3 * 1024)

    def test_a_signal_ends_a_read_that_waits(self):
        p = subprocess.Popen([BINARY, "--batch", "-"], stdin=subprocess.PIPE,
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        p.stdin.write(schedule(3))
        p.stdin.flush()
        time.sleep(0.5)
        p.send_signal(signal.SIGINT)
        out, err = p.communicate(timeout=10)
        self.assertEqual(p.returncode, 130, err)
        self.assertEqual(out.count(b"\r\n"), 4)

    def test_a_second_signal_ends_at_once_and_leaves_no_temporary_file(self):
        with tempfile.TemporaryDirectory() as tmp:
            table = os.path.join(tmp, "table.csv")
            with open(table, "wb") as f:
                f.write(b"yesterday")
            p = subprocess.Popen([BINARY, "--batch", "-", "-o", table], stdin=subprocess.PIPE,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
            p.stdin.write(schedule(3))
            p.stdin.flush()
            for _ in range(200):  # until the table's temporary file is there
                if len(os.listdir(tmp)) == 2:
                    break
                time.sleep(0.05)
            # Both at once: one stops the batch, the other ends the program.
            for sig in (signal.SIGSTOP, signal.SIGINT, signal.SIGTERM, signal.SIGCONT):
                p.send_signal(sig)
            p.communicate(timeout=10)
            self.assertIn(p.returncode, (-signal.SIGINT, -signal.SIGTERM))
            self.assertEqual(sorted(os.listdir(tmp)), ["table.csv"])
            with open(table, "rb") as f:
                self.assertEqual(f.read(), b"yesterday")

    def test_an_endless_schedule_for_one_pdf_is_refused_in_bounded_memory(self):
        with tempfile.TemporaryDirectory() as tmp:
            p = subprocess.Popen([BINARY, "--batch", "/dev/zero", "--pdf", tmp + "/x.pdf"],
                                 stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
            err = p.stderr.read().decode("utf-8")
            _, wait_status, usage = os.wait4(p.pid, 0)
            self.assertEqual(os.waitstatus_to_exitcode(wait_status), 2, err)
            self.assertIn("64 MB を超えています", err)
            # Bounded, where an endless read would grow until memory ran
            # out; AddressSanitizer's shadow and quarantine of freed pieces
            # (256 MB) add to the optimised build's 150 MB.
            bound = 450 if "ASAN_OPTIONS" in os.environ else 150
            self.assertLess(usage.ru_maxrss, bound * 1024)  # kB
            self.assertEqual(os.listdir(tmp), [])

    def test_one_pdf_goes_through_a_link_and_not_over_a_read_only_file(self):
        with tempfile.TemporaryDirectory() as tmp:
            path = write_schedule(tmp, 2)
            os.mkdir(tmp + "/real")
            for name in ("real/shared.pdf", "ro.pdf"):
                with open(os.path.join(tmp, name), "wb") as f:
                    f.write(b"old")
            os.chmod(tmp + "/ro.pdf", 0o444)
            os.symlink("real/shared.pdf", tmp + "/link.pdf")
            code, _, err = run([BINARY, "--batch", path, "--pdf", tmp + "/link.pdf"])
            self.assertEqual(code, 0, err)
            self.assertTrue(os.path.islink(tmp + "/link.pdf"))
            self.assertEqual(len(self.assert_complete(tmp + "/real")), 1)  # shared.pdf, complete
            code, _, err = run([BINARY, "--batch", path, "--pdf", tmp + "/ro.pdf"])
            self.assertEqual(code, 2, err)
            self.assertIn("読み取り専用のファイルです", err)
            with open(tmp + "/ro.pdf", "rb") as f:
                self.assertEqual(f.read(), b"old")

    def test_read_only_folder_is_refused_at_once(self):
        if not userns_works():
            self.skipTest("no user namespaces here (unshare -rm)")
        with tempfile.TemporaryDirectory() as tmp:
            path = write_schedule(tmp, 3)
            code, out, err = in_small_fs("1m", [BINARY, "--batch", path, "--reports", "FS"], tmp,
                                         read_only=True)
            self.assertEqual(code, 2, err)
            self.assertIn("読み取り専用", err)
            self.assertEqual(out, b"")

    def test_stale_files_are_refused_or_replaced_and_a_used_folder_is_said_in_use(self):
        with tempfile.TemporaryDirectory() as tmp:
            path, out_dir = write_schedule(tmp, 3), os.path.join(tmp, "out")
            self.assertEqual(run([BINARY, "--batch", path, "--reports", out_dir])[0], 0)
            self.assertEqual(sorted(os.listdir(out_dir)), ["000002_r0.txt", "000003_r1.txt", "000004_r2.txt"])
            with open(os.path.join(out_dir, "memo.md"), "w") as f:
                f.write("kept")
            write_schedule(tmp, 3, refused={1})
            code, out, err = run([BINARY, "--batch", path, "--reports", out_dir])
            self.assertEqual(code, 2)
            self.assertIn("空ではありません", err)
            self.assertIn("--replace", err)
            code, out, err = run([BINARY, "--batch", path, "--reports", out_dir, "--replace"])
            self.assertEqual(code, 2, err)  # the refused row
            self.assertEqual(sorted(os.listdir(out_dir)), ["000002_r0.txt", "000004_r2.txt", "memo.md"])
            # A batch holding the folder: the second says so and writes nothing.
            with open(os.path.join(out_dir, ".zelvaro-check.lock"), "w") as lock:
                fcntl.flock(lock, fcntl.LOCK_EX)
                code, out, err = run([BINARY, "--batch", path, "--reports", out_dir, "--replace"])
            self.assertEqual(code, 2)
            self.assertIn("別の zelvaro-check --batch が使用中です", err)
            self.assertEqual(out, b"")

    def test_a_gone_reader_stops_the_batch_at_once(self):
        with tempfile.TemporaryDirectory() as tmp:
            path = write_schedule(tmp, 2000)
            r, w = os.pipe()
            os.close(r)
            p = subprocess.run([BINARY, "--batch", path, "--reports", tmp + "/out"], stdout=w,
                               stderr=subprocess.PIPE, timeout=60,
                               preexec_fn=lambda: signal.signal(signal.SIGPIPE, signal.SIG_IGN))
            os.close(w)
            err = p.stderr.decode("utf-8")
            self.assertEqual(p.returncode, 2, err)
            self.assertIn("判定表を書けません", err)
            self.assertIn("パイプが閉じられました", err)
            self.assertEqual(os.listdir(tmp + "/out"), [])


def main():
    global BINARY
    parser = argparse.ArgumentParser()
    parser.add_argument("--binary", required=True)
    args, rest = parser.parse_known_args()
    BINARY = os.path.abspath(args.binary)
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
