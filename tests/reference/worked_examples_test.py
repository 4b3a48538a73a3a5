#!/usr/bin/env python3
"""The reference calculator checked on its own, before it is used to judge
zelvaro-check: the worked examples (tests/support/worked_examples.def, the
table the C++ tests share), then the values and rules the examples do not
reach.

Run: python3 tests/reference/worked_examples_test.py
"""

import os
import re
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import zelvaro_reference as ref  # noqa: E402


def worked_examples():
    """(shape, anchor, material, fields, report lines after the date line) of
    each WORKED_EXAMPLE(enums..., "shape", "anchor", "material",
    "NAME=TEXT ...", lines...) entry."""
    with open(os.path.join(HERE, "..", "support", "worked_examples.def"), encoding="utf-8") as f:
        entries = f.read().split("WORKED_EXAMPLE(")[1:]
    examples = {}
    for entry in entries:
        texts = re.findall(r'"([^"]*)"', entry)
        fields = dict(pair.split("=", 1) for pair in texts[3].split())
        examples[texts[0]] = (texts[1], texts[2], fields, texts[4:])
    return examples


EXAMPLES = worked_examples()


def calc(shape, anchor="hawk-cut", material="SS", **changes):
    """The shape's worked example with `changes` over its fields; returns
    (report, passes, bond_safe, state)."""
    argv = ["--shape", shape, "--anchor", anchor, "--material", material]
    argv += ["%s=%s" % kv for kv in dict(EXAMPLES[shape][2], **changes).items()]
    return ref.calculate(*ref.parse_args(argv))


def value_of(report, prefix, suffix):
    found = [ln for ln in report.split(ref.CRLF) if ln.startswith(prefix)]
    if len(found) != 1:
        raise AssertionError("%d lines start with %r" % (len(found), prefix))
    assert found[0].endswith(suffix), (found[0], suffix)
    return found[0][len(prefix):len(found[0]) - len(suffix)]


RB_FLOOR = "引抜力\u3000Rb=((FH+FD)･HG-(W-FV-FD)･LG+MR)/(L･nt) = "
RB_BRACED = "引抜力\u3000Rb=(FH+FD)･HG/(n*H)= "
RB1_WALL = "引抜力１\u3000Rb1=(FH+FD)･L3G/(L1･n2)+(W+FV+FD)･L3G/(L2･n1)+MR/L1/n2+MR/L2/n1= "
RB2_WALL = "引抜力２\u3000Rb2 =((FH+FD)･(L2-L2G)+(W+FV+FD)･L3G+MR)/(L2･n1)="
RB_WALL = "∴引抜力\u3000Rb = "
SHEAR_BRACED = "専断応力\u3000τb=(FH+FD)*(H-HG)/(n*H*A) = "
WELD = "⇒必要溶接量 LL=Rb/(0.5･0.0065･10^6･71.246)･100 = "
BARS = "⇒基礎ﾎﾞﾙﾄ～溶接φ13鉄筋本数⇒引抜力 / 筋強度48146(N)= "
SMALL_FLOOR = dict(W="100", LG="10", HG="10", L="10")


class WorkedExamples(unittest.TestCase):
    def test_each_shape_prints_its_worked_example(self):
        self.assertEqual(set(EXAMPLES), set(ref.SHAPES))
        for shape, (anchor, material, _, expected) in EXAMPLES.items():
            with self.subTest(shape):
                report, passes, safe, _ = calc(shape, anchor, material)
                lines = report.split(ref.CRLF)
                self.assertRegex(lines[0], r"^～～～～～\d{4}/\d\d/\d\d \d\d:\d\d:\d\d～～～～～$")
                self.assertEqual(lines[1:], expected)
                self.assertEqual((passes, safe), (True, True))


class NumberFormat(unittest.TestCase):
    def test_examples(self):
        cases = [
            (0.1, "0.1"), (-0.0, "0"), (0.0, "0"), (1e15, "1E+15"),
            (123456789012345.0, "123456789012345"), (1234567890123456.0, "1.23456789012346E+15"),
            (1.5e300, "1.5E+300"), (2205.0, "2205"), (100.0, "100"), (-2.5, "-2.5"),
            (0.0001, "0.0001"), (0.00001, "1E-05"), (-0.00001234, "-1.234E-05"),
            (1 / 3, "0.333333333333333"), (2 / 3, "0.666666666666667"),
            (5e-324, "4.94065645841247E-324"), (999999999999999.4, "999999999999999"),
            (999999999999999.9, "1E+15"), (0.000099999999999999999, "0.0001"),
        ]
        for value, text in cases:
            with self.subTest(value=value):
                self.assertEqual(ref.fmt(value), text)


class ReportValues(unittest.TestCase):
    def test_values_the_examples_do_not_reach(self):
        rows = [
            # shape, anchor, changes, line prefix, suffix, printed value
            ("floor", "hawk-cut", dict(SMALL_FLOOR, M="8"), "ﾎﾞﾙﾄ断面積A=", "(m2)", "3.76992E-05"),
            ("floor", "hawk-cut", dict(SMALL_FLOOR, F="10"), "設計水平地震力FH=", "(N)", "1078"),
            ("floor", "hawk-cut", dict(SMALL_FLOOR, F="10"), "設計鉛直地震力FV=", "(N)", "539"),
            ("floor", "hawk-cut", dict(SMALL_FLOOR, P="1.5", N="1500", a="10"),
             "ﾓｰﾒﾝﾄ\u3000MR=9.55･P/N=", "(N･m)", "9.55"),
            ("floor", "hawk-cut", dict(SMALL_FLOOR, P="1.5", N="1500", a="10"),
             "回転力\u3000FD=1/(2*9.8)･a･(2･3.1412･N/60)^2･W=", "(N)", "12.3339218"),
            # four braces share one brace's reaction: a quarter each
            ("braced", "hawk-cut", dict(W="1000", HG="100", H="200", n="1"), RB_BRACED, " (N)", "4900"),
            ("braced", "hawk-cut", dict(W="1000", HG="100", H="200", n="4"), RB_BRACED, " (N)", "1225"),
            # the two wall candidates equal
            ("wall", "hawk-cut", dict(L2G="50"), RB1_WALL, " (N)", "612.5"),
            ("wall", "hawk-cut", dict(L2G="50"), RB2_WALL, "(N)", "612.5"),
            ("wall", "hawk-cut", dict(L2G="50"), RB_WALL, "(N)", "612.5"),
        ]
        for shape, anchor, changes, prefix, suffix, value in rows:
            with self.subTest(shape=shape, changes=changes, line=prefix):
                self.assertEqual(value_of(calc(shape, anchor, **changes)[0], prefix, suffix), value)

    def test_echoed_texts(self):
        rows = [
            ("floor", dict(SMALL_FLOOR, F="10"), "   付加力F=10(kg)"),
            ("floor", dict(SMALL_FLOOR, P="1.5", N="1500", a="10"), "      P=1500(W)"),
            ("floor", dict(P="0.75", N="1500"), "      P=750(W)"),
            ("floor", dict(KH="2.0"), "水平震度=2  地域係数=1"),
            ("wall", dict(n1="3", n2="4"), "(本)  n=n1*2+(n2-2)*2=10(本)"),
        ]
        for shape, changes, text in rows:
            with self.subTest(shape=shape, changes=changes):
                self.assertIn(text, calc(shape, **changes)[0])

    def test_states(self):
        _, _, _, odd = calc("floor", **SMALL_FLOOR, n="3")
        self.assertEqual(odd.nt, 1.5)
        _, _, _, motor = calc("floor", **SMALL_FLOOR, P="1.5", N="1500", a="10")
        self.assertAlmostEqual(motor.FD, 12.3339218, places=9)
        _, _, _, moment = calc("floor", LG="0", KH="0", P="1.5", N="1500")
        self.assertAlmostEqual(moment.Rb, 9.55 / (2 * 0.5))
        self.assertEqual(calc("wall", n1="2", n2="1")[3].n, 2)
        # the ceiling adds the moment to the distance, as its formula is written
        _, _, _, ceiling = calc("ceiling", P="0.75", N="1500")
        self.assertEqual(ref.fmt(ceiling.MR), "4.775")
        self.assertAlmostEqual(ceiling.Rb, 4122.125, places=9)
        calc("ceiling", n="1")  # one bolt is a count, not a refusal

    def test_negative_pullout(self):
        report, _, safe, s = calc("floor", LG="300", HG="10")
        self.assertLess(s.Rb, 0)
        self.assertTrue(value_of(report, RB_FLOOR, " (N)").startswith("-"))
        self.assertTrue(safe)
        self.assertLess(calc("circular", W="5000", HG="1")[3].Rb, 0)

    def test_wall_takes_the_larger_candidate_and_reads_l1g_for_the_echo_only(self):
        _, _, _, s = calc("wall", "rebar-welded", n1="3", n2="3", L2="50", L2G="20", L3G="10")
        self.assertEqual(s.n, 8)
        self.assertAlmostEqual(s.Rb1, 130.67, places=2)
        self.assertEqual((s.Rb2, s.Rb), (294, 294))
        self.assertAlmostEqual(s.LL, 294 / (71.246 * 3250) * 100)
        a = calc("wall")[0].split(ref.CRLF)[1:]
        b = calc("wall", L1G="77")[0].split(ref.CRLF)[1:]
        diff = [y for x, y in zip(a, b) if x != y]
        self.assertEqual(len(diff), 1)
        self.assertIn("\u3000L1G=77(cm)", diff[0])

    def test_braced_shear_by_the_brace_height(self):
        _, _, _, s = calc("braced", HG="100")
        self.assertEqual((s.tau_b, s.sigma_c, s.tau_c), (0, s.sigma_b, s.sigma_b / 2))
        report, _, _, s = calc("braced", HG="150")
        self.assertLess(s.tau_b, 0)
        self.assertTrue(value_of(report, SHEAR_BRACED, "(MPa)").startswith("-"))
        a, b = calc("braced")[3], calc("braced", LG="999")[3]
        self.assertEqual((a.Rb, a.tau_b), (b.Rb, b.tau_b))

    def test_zero_divisors_and_counts_are_refused(self):
        rows = [("floor", dict(n="0")), ("floor", dict(L="0")), ("circular", dict(n="0")),
                ("circular", dict(D="0")), ("wall", dict(n1="1", n2="1")), ("wall", dict(n1="0")),
                ("wall", dict(n2="0")), ("wall", dict(L1="0")), ("wall", dict(L2="0")),
                ("ceiling", dict(n="0")), ("ceiling", dict(L="0")), ("braced", dict(n="0")),
                ("braced", dict(H="0"))]
        for shape, changes in rows:
            with self.subTest(shape=shape, changes=changes):
                with self.assertRaises(ref.CalcError):
                    calc(shape, **changes)


class Checks(unittest.TestCase):
    def test_weld(self):
        report, _, safe, s = calc("floor", "rebar-welded")
        self.assertEqual(s.Rb, 2205)
        self.assertAlmostEqual(float(value_of(report, WELD, "(cm)")), 0.9523, places=4)
        self.assertAlmostEqual(float(value_of(report, BARS, "（本）")), 0.0458, places=4)
        self.assertTrue(report.split(ref.CRLF)[-1].startswith(BARS))
        self.assertIsNone(safe)
        self.assertNotIn("危険", report)

    def test_bond_equality_is_danger(self):
        s = ref.State()
        s.AnchorKind = 1
        s.diameter_text = "12"
        s.BondTable = ref.bond_table(1, 1)
        s.Rb = 670 * 9.8
        self.assertEqual(s.Rb / 9.8, 670)
        ref.anchor_check(s)
        self.assertTrue(s.AnchorBlock.endswith("より大きく,危険"))

    def test_verdict_equality_passes(self):
        s = ref.State()
        s.ft, s.fs = 176.5, 101.8
        s.sigma_c, s.tau_c = 176.5, 101.8
        ref.verdict(s)
        self.assertEqual(s.VerdictLine, ref.PASS_LINE)
        s.tau_c = 101.80000000000001
        ref.verdict(s)
        self.assertEqual(s.VerdictLine, ref.FAIL_LINE)

    def test_hooked_label_and_message(self):
        report = calc("floor", "rebar-hooked", W="50000", LG="0", HG="100", L="10", M="24", KH="2.0")[0]
        self.assertIn("はφ13鉄筋強度=4912(kg)より大きく,危険", report)
        self.assertEqual(ref.judge_msg(report), ref.MSG_BOTH)

    def test_chemical_bond_values(self):
        for m, value in (("10", 760), ("12", 920), ("16", 1200), ("20", 1200)):
            self.assertIn("密着力=%d(kg)" % value, calc("floor", "chemical", M=m)[0])

    def test_judge_messages(self):
        self.assertIsNone(ref.judge_msg("x"))
        self.assertEqual(ref.judge_msg(ref.DANGER), ref.MSG_BOND)
        self.assertEqual(ref.judge_msg(ref.FAIL_LINE), ref.MSG_BOLT)
        self.assertEqual(ref.judge_msg(ref.DANGER + ref.FAIL_LINE), ref.MSG_BOTH)


FLOOR_ARGS = ["--shape", "floor", "--anchor", "hawk-cut", "--material", "SS",
              "W=500", "n=4", "LG=30", "HG=60", "L=50", "KH=1.0"]


class CommandLine(unittest.TestCase):
    def test_exit_statuses(self):
        st, out, err = ref.run(FLOOR_ARGS + ["M=12"])
        self.assertEqual((st, err), (0, ""))
        self.assertNotIn("\r", out)
        self.assertTrue(out.endswith("安全\n"))  # one line break, as a text file ends
        st, out, err = ref.run(FLOOR_ARGS + ["M=12", "W=50000"])
        self.assertEqual(st, 1)
        self.assertTrue(out and err)
        self.assertEqual(ref.run(FLOOR_ARGS + ["M=12", "P=1" + "0" * 306])[0], 2)  # overflow

    def test_refusals(self):
        refused = [[], ["M=12", "F="], ["M=30"], ["M=08"], ["M=12.0"], ["M=12", "D=5"],
                   ["M=12", "W=."], ["M=12", "W=-1"], ["M=12", "W=1e3"], ["M=12", "W= 1"],
                   ["M=12", "W=１"], ["M=12", "W=1,0"], ["M=12", "W=1" + "0" * 400],
                   ["M=12", "n1=2"], ["M=12", "X=2"], ["M=12", "W"]]
        for extra in refused:
            with self.subTest(extra=extra):
                st, out, err = ref.run(FLOOR_ARGS + extra)
                self.assertEqual((st, out), (2, ""))
                self.assertTrue(err)

    def test_accepted_texts(self):
        for w in ("12", "12.5", ".5", "5.", "007", "0." + "0" * 400 + "1"):
            with self.subTest(w=w):
                st, out, _ = ref.run(FLOOR_ARGS + ["M=12", "W=" + w])
                self.assertIn(st, (0, 1))
                self.assertTrue(out)

    def test_diameter_lists(self):
        for anchor, m, refused in (("rebar-hooked", "30", True), ("rebar-welded", "30", False),
                                   ("chemical", "8", True), ("chemical", "24", True),
                                   ("chemical", "20", False), ("bolt-embedded", "8", False),
                                   ("bolt-embedded", "30", True)):
            with self.subTest(anchor=anchor, m=m):
                args = FLOOR_ARGS[:3] + [anchor] + FLOOR_ARGS[4:] + ["M=" + m]
                self.assertEqual(ref.run(args)[0] == 2, refused)


if __name__ == "__main__":
    unittest.main()
