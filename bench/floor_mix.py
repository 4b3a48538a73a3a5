#!/usr/bin/env python3
"""The batch against a plain Python script on a schedule of floor items.

  floor_mix.py write ROWS            a schedule of ROWS rows to stdout
  floor_mix.py check FILE            the Python checks: one verdict line a row
  floor_mix.py compare ZELVARO-CHECK [ROWS] [PYTHON-ROWS]
                                     both on one schedule, side by side, and
                                     the batch on the passing and on the
                                     failing items alone

The schedule cycles through 50 floor items: 31 that pass, 13 that fall short
and 6 that are refused (a blank, a letter, a diameter not offered, nt over
half the bolts). The Python checks are the independent reference calculator,
row by row, without suggestions. `compare` times the Python script on the
first PYTHON-ROWS rows (all of them by default) and gives its rate. Times are
CPU times (user and system); the tables go to /dev/null.
"""

import csv
import io
import os
import random
import resource
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "reference"))
import zelvaro_reference as ref  # noqa: E402

HEADER = ["id", "shape", "anchor", "material", "M", "KH", "Z", "W", "n", "nt", "LG", "HG", "L", "P", "N", "a", "F"]
ANCHOR_NAMES = {v: k for k, v in ref.ANCHORS.items()}
FLOOR = ref.SHAPES["floor"]


def verdict(anchor, material, texts):
    """'pass', 'short' or 'refused', as the reference calculator judges."""
    try:
        _, passes, bond_safe, _ = ref.calculate(FLOOR, ref.ANCHORS[anchor], ref.MATERIALS[material], texts)
    except (ref.Refused, ref.CalcError):
        return "refused"
    return "pass" if passes and bond_safe is not False else "short"


def items():
    """The 50 items, in a fixed order: (anchor, material, field texts)."""
    rng = random.Random(28)
    wanted = {"pass": 31, "short": 13}
    found = {"pass": [], "short": []}
    while any(len(found[k]) < wanted[k] for k in wanted):
        anchor = rng.choice(list(ref.ANCHORS))
        material = rng.choice(list(ref.MATERIALS))
        n = rng.choice([4, 4, 6, 8])
        texts = {
            "M": rng.choice(ref.diameter_items(ref.ANCHORS[anchor])), "KH": rng.choice(["0.6", "1.0", "1.5"]),
            "Z": "1.0", "W": str(rng.randrange(100, 4000, 10)), "n": str(n),
            "nt": rng.choice(["", "", "", str(n // 2 - 1 or 1)]), "LG": str(rng.randrange(15, 60)),
            "HG": str(rng.randrange(30, 150)), "L": str(rng.randrange(40, 160)),
            "P": rng.choice(["0", "2.2", "3.7", "7.5"]), "N": rng.choice(["0", "1450", "2900"]),
            "a": rng.choice(["0", "15", "20"]), "F": "0",
        }
        kind = verdict(anchor, material, texts)
        if kind in found and len(found[kind]) < wanted[kind]:
            found[kind].append((anchor, material, texts))
    base = found["pass"][0]
    refused = []
    for name, text in (("W", ""), ("L", "5O"), ("M", "14"), ("nt", "3"), ("HG", "1.5.2"), ("n", "")):
        texts = dict(base[2], **{name: text})
        if name == "nt":
            texts["n"] = "4"
        refused.append((base[0], base[1], texts))
    assert all(verdict(*r) == "refused" for r in refused)
    mixed = [("pass", x) for x in found["pass"]] + [("short", x) for x in found["short"]] + \
        [("refused", x) for x in refused]
    random.Random(7).shuffle(mixed)
    return [x for _, x in mixed]


def write(rows, out, only=None):
    cycle = [x for x in items() if only is None or verdict(*x) == only]
    out.write(",".join(HEADER) + "\r\n")
    for i in range(rows):
        anchor, material, texts = cycle[i % len(cycle)]
        cells = ["F-%d" % (i + 1), "floor", anchor, material] + [texts[name] for name in HEADER[4:]]
        out.write(",".join(cells) + "\r\n")


def check(path, out):
    """The plain script: every row through the reference calculator."""
    rows = 0
    with open(path, newline="", encoding="utf-8-sig") as f:
        reader = csv.reader(f)
        header = next(reader)
        for cells in reader:
            row = dict(zip(header, cells))
            texts = {name: row.get(name, ref.DEFAULTS.get(name, "")) for name in ref.FIELDS[FLOOR]}
            out.write("%s,%s\n" % (row["id"], verdict(row["anchor"], row["material"], texts)))
            rows += 1
    return rows


def cpu_of_children():
    r = resource.getrusage(resource.RUSAGE_CHILDREN)
    return r.ru_utime + r.ru_stime


def batch_cpu(binary, schedule, rows):
    """CPU seconds of the batch on `schedule`, its table to /dev/null."""
    before = cpu_of_children()
    with open(os.devnull, "wb") as table:
        batch = subprocess.run([binary, "--batch", schedule], stdout=table, stderr=subprocess.PIPE,
                               env=dict(os.environ, LC_ALL="C"))
    cpu = cpu_of_children() - before
    counts = batch.stderr.decode("utf-8", "replace").strip().splitlines()[-1:]
    if not counts or ("Items %d," % rows) not in counts[0]:
        sys.exit("the batch did not run every row: %s" % counts)
    return cpu


def compare(binary, rows, python_rows):
    with tempfile.TemporaryDirectory() as tmp:
        schedules = {}
        for only in (None, "pass", "short"):
            schedules[only] = os.path.join(tmp, "%s.csv" % (only or "mix"))
            with open(schedules[only], "w", newline="") as f:
                write(rows, f, only)
        part = os.path.join(tmp, "part.csv")
        with open(schedules[None], newline="") as f, open(part, "w", newline="") as g:
            for i, line in enumerate(f):
                if i > python_rows:
                    break
                g.write(line)
        cpu = {only: batch_cpu(binary, path, rows) for only, path in schedules.items()}
        start = time.process_time()
        done = check(part, io.StringIO())
        python_cpu = time.process_time() - start
    batch_rate, python_rate = rows / cpu[None], done / python_cpu
    print("rows: %d (Python: %d)" % (rows, done))
    print("zelvaro-check --batch: %.2f s CPU, %.0f rows/s" % (cpu[None], batch_rate))
    print("Python reference:      %.2f s CPU, %.0f rows/s" % (python_cpu, python_rate))
    print("ratio: %.1f" % (batch_rate / python_rate))
    print("a row that passes: %.2f us, one that falls short: %.2f us (%.2f us more)" %
          (cpu["pass"] / rows * 1e6, cpu["short"] / rows * 1e6, (cpu["short"] - cpu["pass"]) / rows * 1e6))


def main(argv):
    if len(argv) >= 2 and argv[0] == "write":
        write(int(argv[1]), sys.stdout)
    elif len(argv) == 2 and argv[0] == "check":
        check(argv[1], sys.stdout)
    elif 2 <= len(argv) <= 4 and argv[0] == "compare":
        rows = int(argv[2]) if len(argv) > 2 else 1_000_000
        compare(argv[1], rows, int(argv[3]) if len(argv) > 3 else rows)
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:])
