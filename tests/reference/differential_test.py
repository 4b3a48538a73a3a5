#!/usr/bin/env python3
"""Differential test: zelvaro-check against the Python reference calculator.

  differential_test.py --binary PATH [--runner PROGRAM] [--cases N] [--seed S] [--jobs J]
                       [--show K] [--no-edge] [--case 'ARGS ...']

Generates N random command lines (default 3000), runs them through the
binary (zelvaro-check --cases, the cases shared among J processes, J the
number of processors by default) and through the reference (in-process), and
compares the exit status and everything on stdout after the first line
(the header with the date and time).  Mismatches are grouped into classes;
for each class the first few are printed in full with a diff.
Exits 1 on any mismatch, 0 otherwise.

--runner runs the binary through a program: --runner node --binary
build-web/zelvaro-check.js compares the WebAssembly build.

--case runs just the given command line (shell-quoted, without the program
name) through both and prints both outputs.

--consistency K runs the first K cases (and a few command lines of other
kinds) once each in a process of their own and through --cases, and checks
that both print the same bytes (the date aside) and exit alike.
"""

import argparse
import concurrent.futures
import difflib
import json
import os
import random
import re
import shlex
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import zelvaro_reference as ref  # noqa: E402

SHAPE_NAMES = ["floor", "circular", "wall", "ceiling", "braced"]
ANCHOR_NAMES = ["hawk-cut", "l-tip", "j-tip", "bolt-embedded", "chemical",
                "rebar-hooked", "rebar-welded"]
MATERIAL_NAMES = ["SS", "SUS"]

MOTOR_POWERS = ["0.2", "0.4", "0.75", "1.5", "2.2", "3.7", "5.5", "7.5", "11",
                "15", "18.5", "22", "30", "37", "45"]
KH_ITEMS = ["0.4", "0.6", "1.0", "2.0"]
Z_ITEMS = ["0.7", "0.8", "0.9", "1.0", "1.1"]
ALL_DIAMETERS = ["8", "10", "12", "16", "20", "24", "30"]

NOT_DECIMAL = ["", ".", "-1", "1e3", " 1", "1 ", "１", "1,0", "abc", "1.2.3",
               "+5", "0x10", "..", "1..", "nan", "inf"]

# Which fields act as counts or divisors, per shape.
COUNT_FIELDS = {"n", "n1", "n2"}
DIVISOR_FIELDS = {
    "floor": ["n", "L"],
    "circular": ["n", "D"],
    "wall": ["n1", "n2", "L1", "L2"],
    "ceiling": ["n", "L"],
    "braced": ["n", "H"],
}
OPTIONAL = {"KH", "Z", "P", "N", "a", "F", "nt"}


# ---------------------------------------------------------------------------
# Random texts
# ---------------------------------------------------------------------------


def long_digits(rng, length):
    return str(rng.randint(1, 9)) + "".join(rng.choice("0123456789")
                                           for _ in range(length - 1))


def tiny_text(rng):
    return rng.choice([
        "0.000001",
        "0.0000001",
        "0." + "0" * 300 + "1",
        "0." + "0" * rng.randint(5, 320) + long_digits(rng, rng.randint(1, 6)),
        "0." + "0" * 400 + "1",
        "0.00001",
        "0.0001",
    ])


def huge_text(rng):
    k = rng.randint(15, 300)
    return rng.choice([
        "1" + "0" * k,
        long_digits(rng, k + 1),
        long_digits(rng, k + 1) + "." + long_digits(rng, 3),
        "1" + "0" * 400,  # overflows a double
        "9" * 309,  # overflows a double
        "1" + "0" * 308,
    ])


def fraction_text(rng):
    whole = rng.randint(0, 999)
    decimals = rng.randint(1, 6)
    frac = "".join(rng.choice("0123456789") for _ in range(decimals))
    return rng.choice([
        "%d.%s" % (whole, frac),
        ".%s" % frac,
        "%d." % whole,
        "%03d" % whole,
        "%d.%s" % (whole, frac + "000"),
    ])


def plain_value(rng, lo=1, hi=500):
    r = rng.random()
    if r < 0.55:
        return str(rng.randint(lo, hi))
    if r < 0.85:
        return fraction_text(rng)
    return str(rng.randint(hi, hi * 20))


def count_text(rng):
    r = rng.random()
    if r < 0.7:
        return str(rng.randint(1, 12))
    if r < 0.85:
        return rng.choice(["1.5", "2.5", "3", "0.5", "7", "0.1", "1"])
    return fraction_text(rng)


def edge_text(rng):
    r = rng.random()
    if r < 0.3:
        return rng.choice(["0", "0.0", "00", ".0", "0."])
    if r < 0.55:
        return tiny_text(rng)
    if r < 0.85:
        return huge_text(rng)
    return fraction_text(rng)


def field_text(rng, shape, name, edge_rate):
    if rng.random() < edge_rate:
        return edge_text(rng)
    if name in COUNT_FIELDS:
        return count_text(rng)
    if name == "W":
        return plain_value(rng, 1, 3000)
    return plain_value(rng, 0, 300)


# ---------------------------------------------------------------------------
# One random case
# ---------------------------------------------------------------------------


def random_case(rng, shapes, anchors):
    shape = rng.choice(shapes)
    anchor = rng.choice(anchors)
    material = rng.choice(MATERIAL_NAMES)
    shape_kind = ref.SHAPES[shape]
    anchor_kind = ref.ANCHORS[anchor]
    names = [nm for nm in ref.FIELDS[shape_kind] if nm not in OPTIONAL
             and nm != "M"]
    mode = rng.random()
    edge_rate = 0.03
    if mode < 0.15:
        edge_rate = 0.35  # edge magnitudes
    fields = {}
    for nm in names:
        fields[nm] = field_text(rng, shape, nm, edge_rate)

    # negative pull-out: large LG, small HG
    if "LG" in fields and rng.random() < 0.15:
        fields["LG"] = str(rng.randint(200, 2000))
        fields["HG"] = str(rng.randint(0, 20))
    if shape == "wall" and rng.random() < 0.1:
        a = rng.choice(["0", "0.5", "1", "1.5", "2"])
        fields["n1"] = a
        fields["n2"] = ref.fmt(2 - float(a))  # n1 + n2 = 2 gives n = 0

    # the bolts taking tension, blank in most cases: a whole count up to n/2
    # or just above it, or one that is refused
    if "nt" in ref.FIELDS[shape_kind] and rng.random() < 0.25:
        n = fields.get("n", "")
        half = int(float(n)) // 2 if ref.is_plain_decimal(n) and float(n) < 1e6 else 2
        valid = str(rng.randint(1, max(1, half)))
        fields["nt"] = rng.choice([valid, valid, valid, str(half + 1), "0", "1.5", count_text(rng)])

    # divisors at zero
    if rng.random() < 0.08:
        fields[rng.choice(DIVISOR_FIELDS[shape])] = rng.choice(["0", "0.0",
                                                                "0." + "0" * 400 + "1"])

    # bolt diameter
    items = ref.diameter_items(anchor_kind)
    r = rng.random()
    if r < 0.92:
        fields["M"] = rng.choice(items)
    elif r < 0.97:
        others = [d for d in ALL_DIAMETERS if d not in items]
        fields["M"] = rng.choice(others + ["6", "08", "12.0", "100"])
    else:
        fields["M"] = rng.choice(["", "abc", "1e1", " 12"])

    # KH and Z
    r = rng.random()
    if r < 0.6:
        fields["KH"] = rng.choice(KH_ITEMS)
    elif r < 0.8:
        fields["KH"] = rng.choice(["1.5", "0.3", "3", "0", ".5", "1."] +
                                  [fraction_text(rng)])
    r = rng.random()
    if r < 0.7:
        fields["Z"] = rng.choice(Z_ITEMS)
    elif r < 0.8:
        fields["Z"] = rng.choice(["1.2", "0", "2"] + [fraction_text(rng)])

    # motor
    if rng.random() < 0.5:
        r = rng.random()
        if r < 0.75:
            fields["P"] = rng.choice(MOTOR_POWERS)
        elif r < 0.9:
            fields["P"] = fraction_text(rng)
        else:
            fields["P"] = rng.choice(["0", "1" + "0" * 306, huge_text(rng),
                                      tiny_text(rng)])
        r = rng.random()
        if r < 0.6:
            fields["N"] = rng.choice(["1500", "1800", "3000", "3600", "1000",
                                      "750", "900"])
        elif r < 0.8:
            fields["N"] = fraction_text(rng)
        elif r < 0.9:
            fields["N"] = "0"
        else:
            fields["N"] = edge_text(rng)
        r = rng.random()
        if r < 0.7:
            fields["a"] = str(rng.randint(0, 200))
        elif r < 0.9:
            fields["a"] = fraction_text(rng)
        else:
            fields["a"] = edge_text(rng)

    # external force
    r = rng.random()
    if r < 0.1:
        fields["F"] = "0"
    elif r < 0.45:
        fields["F"] = plain_value(rng, 1, 2000)
    elif r < 0.48:
        fields["F"] = edge_text(rng)

    # blanks and non-decimal texts
    if rng.random() < 0.05:
        nm = rng.choice(list(fields))
        if rng.random() < 0.4:
            del fields[nm]
        else:
            fields[nm] = rng.choice(NOT_DECIMAL)
    if rng.random() < 0.01:
        fields["F"] = ""
    # a field the shape does not read
    if rng.random() < 0.01:
        unread = [nm for nm in ref.ALL_NAMES if nm not in ref.FIELDS[shape_kind]]
        fields[rng.choice(unread)] = "1"

    keys = list(fields)
    rng.shuffle(keys)
    argv = ["--shape", shape, "--anchor", anchor, "--material", material]
    argv += ["%s=%s" % (k, fields[k]) for k in keys]
    return argv


# ---------------------------------------------------------------------------
# Hand-picked edge cases, run before the random ones
# ---------------------------------------------------------------------------

BASE_FIELDS = {
    "floor": dict(W="500", n="4", LG="30", HG="60", L="50"),
    "circular": dict(W="500", n="4", HG="60", D="80"),
    "wall": dict(W="100", n1="3", n2="3", L1="100", L2="50", L2G="20",
                 L3G="10", L1G="5"),
    "ceiling": dict(W="100", n="4", L="100", LG="50", HG="50"),
    "braced": dict(W="100", n="2", H="100", HG="50", LG="20"),
}


def _max_double_texts():
    from decimal import Decimal, getcontext
    getcontext().prec = 400
    biggest = Decimal(sys.float_info.max)
    halfway = int(biggest + Decimal(2) ** 970)  # rounds up to infinity
    return [str(int(biggest)), str(halfway - 1), str(halfway)]


def edge_cases():
    texts = ["0", "0." + "0" * 400 + "1", "0." + "0" * 320 + "5",
             "0." + "0" * 307 + "22250738585072014", "1" + "0" * 400,
             "9" * 309, "0.0000999999999999999999", "999999999999999.95",
             "99999999999999.95", "0.00009999999999999995", "1234567890123465",
             "1" + "0" * 154, "1" + "0" * 200] + _max_double_texts()
    cases = []
    for shape, base in BASE_FIELDS.items():
        names = ref.FIELDS[ref.SHAPES[shape]]
        for anchor in ANCHOR_NAMES:
            items = ref.diameter_items(ref.ANCHORS[anchor])
            for m in ALL_DIAMETERS + ["08", "12.0"]:
                cases.append(["--shape", shape, "--anchor", anchor,
                              "--material", "SS" if m in items else "SUS"]
                             + ["%s=%s" % kv for kv in base.items()]
                             + ["M=" + m])
        head = ["--shape", shape, "--anchor", "hawk-cut", "--material", "SS"]
        for nm in names:
            if nm == "M":
                continue
            for t in texts + NOT_DECIMAL:
                f = dict(base, M="12")
                f[nm] = t
                if nm in ("N", "a") and "P" not in f:
                    f["P"] = "1.5"
                cases.append(head + ["%s=%s" % kv for kv in f.items()])
        for nm in ref.ALL_NAMES:
            if nm not in names:
                cases.append(head + ["%s=%s" % kv for kv in base.items()]
                             + ["M=12", nm + "=1"])
    return cases


# ---------------------------------------------------------------------------
# Running and comparing
# ---------------------------------------------------------------------------


def after_first_line(text):
    i = text.find("\n")
    return "" if i < 0 else text[i + 1:]


def run_binary(binary, argv, errors="replace"):
    """binary is the command (a list) that runs zelvaro-check."""
    try:
        p = subprocess.run(binary + argv, capture_output=True, timeout=60)
    except subprocess.TimeoutExpired:
        return "timeout", "", ""
    return (p.returncode, p.stdout.decode("utf-8", errors),
            p.stderr.decode("utf-8", errors))


def json_bytes(text):
    """A string of --cases' answers as the bytes it stands for."""
    return text.encode("utf-8", "surrogateescape")


def run_lines(binary, lines, errors="replace", timeout=1800):
    """Runs `lines` (texts) through one zelvaro-check --cases: (status,
    stdout, stderr) for each, decoded as run_binary does."""
    p = subprocess.run(binary + ["--cases", "-"], input="".join(l + "\n" for l in lines).encode(),
                       capture_output=True, timeout=timeout)
    answers = p.stdout.decode("utf-8").split("\n")[:-1]
    if p.returncode != 0 or len(answers) != len(lines):
        raise RuntimeError("--cases exited %s with %d answers for %d lines: %s"
                           % (p.returncode, len(answers), len(lines),
                              p.stderr.decode("utf-8", "replace")[:2000]))
    results = []
    for line in answers:
        a = json.loads(line)
        results.append((a["status"], json_bytes(a["stdout"]).decode("utf-8", errors),
                        json_bytes(a["stderr"]).decode("utf-8", errors)))
    return results


def run_cases(binary, cases, errors="replace"):
    """run_lines of argument lists."""
    return run_lines(binary, [json.dumps(argv) for argv in cases], errors)


def run_shared(binary, cases, jobs):
    """run_cases over `jobs` processes at once, each given every jobs-th case."""
    jobs = max(1, min(jobs, len(cases)))
    with concurrent.futures.ThreadPoolExecutor(max_workers=jobs) as pool:
        parts = list(pool.map(lambda k: run_cases(binary, cases[k::jobs]), range(jobs)))
    results = [None] * len(cases)
    for k, part in enumerate(parts):
        results[k::jobs] = part
    return results


def first_difference_label(a, b):
    la, lb = a.split("\n"), b.split("\n")
    for i in range(max(len(la), len(lb))):
        x = la[i] if i < len(la) else "<none>"
        y = lb[i] if i < len(lb) else "<none>"
        if x != y:
            # the label of the line: its text up to the first '=' or digit
            label = ""
            for ch in x:
                if ch == "=" or ch.isdigit():
                    break
                label += ch
            return "line %d %s" % (i + 2, label.strip()[:30])
    return "same"


def compare(argv, reference, result):
    """Returns None when the reference's (status, stdout, stderr) and the
    binary's agree, else a dict describing the mismatch."""
    rst, rout, rerr = reference
    bst, bout, berr = result
    problems = []
    if rst != bst:
        problems.append("status")
    ra, ba = after_first_line(rout), after_first_line(bout)
    if ra != ba:
        problems.append("stdout")
    if bst == 2 and bout != "":
        problems.append("stdout on refusal")
    if bout and not bout.startswith("～～～～～"):
        problems.append("header")
    if not problems:
        return None
    shape = argv[argv.index("--shape") + 1]
    if "stdout" in problems and rout and bout:
        where = first_difference_label(ra, ba)
    else:
        where = ""
    klass = "%s: %s ref=%s bin=%s %s" % (shape, "+".join(problems), rst, bst,
                                          where)
    return dict(argv=argv, klass=klass.strip(), ref=(rst, rout, rerr),
                bin=(bst, bout, berr))


def show(m, out=sys.stdout):
    argv = m["argv"]
    rst, rout, rerr = m["ref"]
    bst, bout, berr = m["bin"]
    w = out.write
    w("=" * 78 + "\n")
    w("class: %s\n" % m["klass"])
    w("command: zelvaro-check %s\n" % " ".join(shlex.quote(a) for a in argv))
    w("--- reference: exit %s\n%s\n" % (rst, rout))
    if rerr:
        w("--- reference stderr:\n%s" % rerr)
    w("--- binary: exit %s\n%s\n" % (bst, bout))
    if berr:
        w("--- binary stderr:\n%s" % berr[:2000])
    if rout or bout:
        diff = difflib.unified_diff(after_first_line(rout).split("\n"),
                                    after_first_line(bout).split("\n"),
                                    "reference", "binary", lineterm="", n=0)
        w("--- diff (after the first line):\n%s\n" % "\n".join(diff))


# ---------------------------------------------------------------------------
# --cases against a process per case
# ---------------------------------------------------------------------------


def undated(result):
    """(status, stdout, stderr) with the report's date and time left out."""
    st, out, err = result
    return st, re.sub(r"\A(～+)[0-9/: ]+(～+)", r"\1\2", out), err


def consistency(binary, cases, native, jobs):
    """Returns the faults found: `cases` run a process each and through
    --cases must print the same, and --cases must refuse lines of its own.
    A byte that is not UTF-8 reaches only the native program as it is (node
    turns it into U+FFFD in its own arguments)."""
    floor = ["--shape", "floor", "--anchor", "hawk-cut", "--material", "SS"] + \
        ["%s=%s" % kv for kv in BASE_FIELDS["floor"].items()]
    cases = cases + [["--help"], ["--version"], [], ["--shape", "x"], ["--crlf"] + floor + ["M=12"],
                     floor + ["M=10", "n=1"], ["--", "--crlf"]]
    if native:
        cases.append(floor + ["M=12", "W=5\udcff0"])
    faults = []
    listed = run_cases(binary, cases, "surrogateescape")
    with concurrent.futures.ThreadPoolExecutor(max_workers=jobs) as pool:
        singles = list(pool.map(lambda a: run_binary(binary, a, "surrogateescape"), cases))
    for argv, answer, single in zip(cases, listed, singles):
        if undated(single) != undated(answer):
            faults.append("%s: a process of its own %r, --cases %r" % (argv, single, answer))
    # Each refused with status 2 and a message, the run going on.
    refused = ['["--shape"', "", '{"a": 1}', '["\\u0000"]', '["\\ud800"]', '["--pdf", "x.pdf"]',
               '["--reports=out"]', '["--batch", "-"]', '["--cases", "-"]']
    answers = run_lines(binary, refused + [json.dumps(cases[0])])
    for line, (st, out, err) in zip(refused, answers):
        if st != 2 or out or "zelvaro-check: " not in err:
            faults.append("%s: not refused: %r" % (line, (st, out, err)))
    if undated(answers[-1]) != undated(listed[0]):
        faults.append("the line after the refused ones: %r" % (answers[-1],))
    return faults


def main():
    ap = argparse.ArgumentParser(description=__doc__,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--binary", required=True)
    ap.add_argument("--runner", default=None,
                    help="program that runs the binary (node for the WebAssembly build)")
    ap.add_argument("--cases", type=int, default=3000)
    ap.add_argument("--seed", type=int, default=None)
    ap.add_argument("--jobs", type=int, default=os.cpu_count() or 1,
                    help="processes of zelvaro-check --cases at once (default: processors)")
    ap.add_argument("--show", type=int, default=3,
                    help="mismatches printed in full per class")
    ap.add_argument("--no-edge", action="store_true",
                    help="skip the hand-picked edge cases")
    ap.add_argument("--case", default=None,
                    help="run one command line (shell-quoted) and show both")
    ap.add_argument("--consistency", type=int, default=None, metavar="K",
                    help="compare K cases run a process each with --cases")
    opts = ap.parse_args()

    path = os.path.abspath(opts.binary)
    if not os.access(path, os.R_OK if opts.runner else os.X_OK):
        print("not %s: %s" % ("readable" if opts.runner else "an executable", path),
              file=sys.stderr)
        return 2
    binary = [opts.runner, path] if opts.runner else [path]

    if opts.case is not None:
        argv = shlex.split(opts.case)
        m = compare(argv, ref.run(argv), run_binary(binary, argv))
        if m is None:
            rst, rout, rerr = ref.run(argv)
            print("agree: exit %s" % rst)
            print(rout)
            return 0
        show(m)
        return 1

    seed = opts.seed if opts.seed is not None else random.randrange(1 << 30)
    rng = random.Random(seed)
    cases = [random_case(rng, SHAPE_NAMES, ANCHOR_NAMES) for _ in range(opts.cases)]
    if not opts.no_edge:
        cases = edge_cases() + cases

    if opts.consistency is not None:
        # Every shape and anchor kind among the edge cases: one of every so many.
        picked = cases[::max(1, len(cases) // opts.consistency)][:opts.consistency]
        faults = consistency(binary, picked, opts.runner is None, opts.jobs)
        for f in faults:
            print(f)
        print("%d cases and the refused lines of --cases: %d faults" % (len(picked), len(faults)))
        return 1 if faults else 0

    started = time.time()
    mismatches = []
    statuses = {}
    for argv, result in zip(cases, run_shared(binary, cases, opts.jobs)):
        reference = ref.run(argv)
        statuses[reference[0]] = statuses.get(reference[0], 0) + 1
        m = compare(argv, reference, result)
        if m is not None:
            mismatches.append(m)
    elapsed = time.time() - started

    classes = {}
    for m in mismatches:
        classes.setdefault(m["klass"], []).append(m)
    for klass, ms in sorted(classes.items()):
        print("#" * 78)
        print("MISMATCH CLASS (%d cases): %s" % (len(ms), klass))
        for m in ms[:opts.show]:
            show(m)

    print("#" * 78)
    print("seed %d: %d cases (%s) in %.1f s (reference exit statuses: %s); "
          "%d mismatches in %d classes"
          % (seed, len(cases),
             "random only" if opts.no_edge else "edge cases first",
             elapsed,
             ", ".join("%s: %d" % kv for kv in sorted(statuses.items())),
             len(mismatches), len(classes)))
    for klass, ms in sorted(classes.items()):
        print("  %5d  %s" % (len(ms), klass))
    return 1 if mismatches else 0


if __name__ == "__main__":
    sys.exit(main())
