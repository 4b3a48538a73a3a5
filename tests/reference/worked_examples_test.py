#!/usr/bin/env python3
"""Worked examples checked against the reference calculator.

These prove the reference itself before it is used to judge zelvaro-check.
Run: python3 tests/reference/worked_examples_test.py
"""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import zelvaro_reference as ref  # noqa: E402

CRLF = "\r\n"


def calc(shape, anchor, material, **fields):
    """Runs one calculation; returns (report, passes, bond_safe, state)."""
    argv = ["--shape", shape, "--anchor", anchor, "--material", material]
    argv += ["%s=%s" % kv for kv in fields.items()]
    s, a, m, texts = ref.parse_args(argv)
    return ref.calculate(s, a, m, texts)


def lines(report):
    return report.split(CRLF)


def line_starting(report, prefix):
    found = [ln for ln in lines(report) if ln.startswith(prefix)]
    if len(found) != 1:
        raise AssertionError("%d lines start with %r" % (len(found), prefix))
    return found[0]


def value_of(report, prefix, suffix):
    ln = line_starting(report, prefix)
    assert ln.endswith(suffix), (ln, suffix)
    return ln[len(prefix):len(ln) - len(suffix)]


FLOOR_EXAMPLE = dict(W="500", n="4", LG="30", HG="60", L="50", M="12",
                     KH="1.0", Z="1.0")
RB_FLOOR = "引抜力\u3000Rb=((FH+FD)･HG-(W-FV-FD)･LG+MR)/(L･nt) = "
RB_CIRCULAR = "引抜力\u3000Rb=4･(FH+FD)･HG/(n･D)-(W-FV-FD)/n+4･MR/n/D= "
RB_CEILING = "引抜力\u3000Rb=((FH+FD)･HG+(W+FV+FD)･((L-LG)+MR))/(L･nt) = "
RB_BRACED = "引抜力\u3000Rb=(FH+FD)･HG/(n*H)= "
RB1_WALL = "引抜力１\u3000Rb1=(FH+FD)･L3G/(L1･n2)+(W+FV+FD)･L3G/(L2･n1)+MR/L1/n2+MR/L2/n1= "
RB2_WALL = "引抜力２\u3000Rb2 =((FH+FD)･(L2-L2G)+(W+FV+FD)･L3G+MR)/(L2･n1)="
RB_WALL = "∴引抜力\u3000Rb = "
AREA = "ﾎﾞﾙﾄ断面積A="
MR_LINE = "ﾓｰﾒﾝﾄ\u3000MR=9.55･P/N="
FD_LINE = "回転力\u3000FD=1/(2*9.8)･a･(2･3.1412･N/60)^2･W="
FH_LINE = "設計水平地震力FH="
FV_LINE = "設計鉛直地震力FV="
SHEAR_BRACED = "専断応力\u3000τb=(FH+FD)*(H-HG)/(n*H*A) = "


class NumberFormat(unittest.TestCase):
    def test_examples(self):
        cases = [
            (0.1, "0.1"),
            (-0.0, "0"),
            (0.0, "0"),
            (1e15, "1E+15"),
            (123456789012345.0, "123456789012345"),
            (1234567890123456.0, "1.23456789012346E+15"),
            (1.5e300, "1.5E+300"),
            (2205.0, "2205"),
            (100.0, "100"),
            (-2.5, "-2.5"),
            (0.0001, "0.0001"),
            (0.00001, "1E-05"),
            (-0.00001234, "-1.234E-05"),
            (1 / 3, "0.333333333333333"),
            (2 / 3, "0.666666666666667"),
            (5e-324, "4.94065645841247E-324"),
            (999999999999999.4, "999999999999999"),
            (999999999999999.9, "1E+15"),
            (0.000099999999999999999, "0.0001"),
        ]
        for value, text in cases:
            with self.subTest(value=value):
                self.assertEqual(ref.fmt(value), text)

    def test_area_of_m8(self):
        report, _, _, s = calc("floor", "hawk-cut", "SS", W="100", n="4",
                               LG="10", HG="10", L="10", M="8")
        self.assertEqual(ref.fmt(s.A), "3.76992E-05")
        self.assertEqual(value_of(report, AREA, "(m2)"), "3.76992E-05")


class Driver(unittest.TestCase):
    def test_forces_without_external_force(self):
        report, _, _, s = calc("floor", "hawk-cut", "SS", W="100", n="4",
                               LG="10", HG="10", L="10", M="12", KH="1.0",
                               Z="1.0")
        self.assertEqual(value_of(report, FH_LINE, "(N)"), "980")
        self.assertEqual(value_of(report, FV_LINE, "(N)"), "490")

    def test_forces_with_external_force(self):
        report, _, _, s = calc("floor", "hawk-cut", "SS", W="100", n="4",
                               LG="10", HG="10", L="10", M="12", KH="1.0",
                               Z="1.0", F="10")
        self.assertEqual(value_of(report, FH_LINE, "(N)"), "1078")
        self.assertEqual(value_of(report, FV_LINE, "(N)"), "539")
        self.assertIn("   付加力F=10(kg)", report)

    def test_odd_count(self):
        _, _, _, s = calc("floor", "hawk-cut", "SS", W="100", n="3",
                          LG="10", HG="10", L="10", M="12")
        self.assertEqual(s.nt, 1.5)

    def test_motor_terms(self):
        report, _, _, s = calc("floor", "hawk-cut", "SS", W="100", n="4",
                               LG="10", HG="10", L="10", M="12", P="1.5",
                               N="1500", a="10")
        self.assertEqual(value_of(report, MR_LINE, "(N･m)"), "9.55")
        self.assertAlmostEqual(s.FD, 12.3339218, places=9)
        self.assertEqual(value_of(report, FD_LINE, "(N)"), "12.3339218")
        self.assertIn("      P=1500(W)", report)

    def test_motor_off(self):
        report, _, _, s = calc("floor", "hawk-cut", "SS", **FLOOR_EXAMPLE)
        self.assertEqual(value_of(report, MR_LINE, "(N･m)"), "0")
        self.assertEqual(value_of(report, FD_LINE, "(N)"), "0")

    def test_motor_power_echo(self):
        report, _, _, s = calc("floor", "hawk-cut", "SS", P="0.75", N="1500",
                               **FLOOR_EXAMPLE)
        self.assertIn("      P=750(W)", report)


class Floor(unittest.TestCase):
    def test_worked_example(self):
        report, passes, safe, s = calc("floor", "hawk-cut", "SS",
                                       **FLOOR_EXAMPLE)
        self.assertEqual(s.FH, 4900)
        self.assertEqual(s.FV, 2450)
        self.assertEqual(s.nt, 2)
        self.assertEqual(value_of(report, RB_FLOOR, " (N)"), "2205")
        self.assertEqual(value_of(report, AREA, "(m2)"), "8.48232E-05")
        self.assertAlmostEqual(s.sigma_b, 25.995, places=3)
        self.assertAlmostEqual(s.tau_b, 14.442, places=3)
        self.assertEqual(lines(report)[-1],
                         "⇒引抜力 Rb=225(kg)はｺﾝｸﾘｰﾄとﾎﾞﾙﾄ密着力=670(kg)より小さく,安全")
        self.assertTrue(passes)
        self.assertTrue(safe)

    def test_layout(self):
        report, _, _, _ = calc("floor", "hawk-cut", "SS", **FLOOR_EXAMPLE)
        ls = lines(report)
        self.assertTrue(ls[0].startswith("～～～～～"))
        self.assertTrue(ls[0].endswith("～～～～～"))
        self.assertEqual(ls.count(""), 2)
        self.assertEqual(ls[3], "")
        self.assertEqual(ls[4], AREA + "8.48232E-05(m2)")
        self.assertEqual(ls[14], "")
        self.assertEqual(ls[15], ref.PASS_LINE)
        self.assertEqual(len(ls), 17)
        self.assertFalse(report.endswith("\n"))

    def test_echo_example(self):
        report, _, _, _ = calc("floor", "hawk-cut", "SS", W="500", n="4",
                               M="12", KH="2.0", Z="1.0", LG="30", HG="50",
                               L="60", P="0", N="0", a="0", F="0")
        ls = lines(report)
        self.assertEqual(ls[1], "初期ﾃﾞｰﾀ\u3000W=500(kg)  n=4(本)  ﾎﾞﾙﾄ径M=12  水平震度=2  地域係数=1  LG=30(cm)  HG=50(cm)  L=60(cm)")
        self.assertEqual(ls[2], "      " + "P=0(W)  N=0(RPM)  a=0(μm)  引張基準強度=176.5(MPa)   専断基準強度=101.8(MPa)   付加力F=0(kg)")

    def test_negative_pullout(self):
        report, _, safe, s = calc("floor", "hawk-cut", "SS", W="500", n="4",
                                  LG="300", HG="10", L="50", M="12", KH="1.0")
        self.assertLess(s.Rb, 0)
        self.assertTrue(value_of(report, RB_FLOOR, " (N)").startswith("-"))
        self.assertTrue(safe)

    def test_motor_moment_alone(self):
        _, _, _, s = calc("floor", "hawk-cut", "SS", W="500", n="4", LG="0",
                          HG="60", L="50", M="12", KH="0", P="1.5", N="1500")
        self.assertAlmostEqual(s.Rb, 9.55 / (2 * 0.5))

    def test_zero_divisors(self):
        for fields in (dict(n="0"), dict(L="0")):
            args = dict(FLOOR_EXAMPLE)
            args.update(fields)
            with self.subTest(fields=fields):
                with self.assertRaises(ref.CalcError):
                    calc("floor", "hawk-cut", "SS", **args)


class Circular(unittest.TestCase):
    def test_worked_example(self):
        report, _, _, s = calc("circular", "hawk-cut", "SS", W="500", n="4",
                               HG="60", D="80", M="12", KH="1.0", Z="1.0")
        self.assertEqual(value_of(report, RB_CIRCULAR, " (N)"), "3062.5")
        self.assertTrue(lines(report)[-1].startswith("⇒引抜力 Rb=312.5(kg)"))
        _, _, _, f = calc("floor", "hawk-cut", "SS", **FLOOR_EXAMPLE)
        self.assertEqual(s.tau_b, f.tau_b)

    def test_negative(self):
        _, _, _, s = calc("circular", "hawk-cut", "SS", W="5000", n="4",
                          HG="1", D="80", M="12", KH="1.0")
        self.assertLess(s.Rb, 0)

    def test_zero_divisors(self):
        for fields in (dict(n="0"), dict(D="0")):
            args = dict(W="500", n="4", HG="60", D="80", M="12")
            args.update(fields)
            with self.subTest(fields=fields):
                with self.assertRaises(ref.CalcError):
                    calc("circular", "hawk-cut", "SS", **args)


WALL = dict(W="100", n1="2", n2="2", L1="100", L2="100", L2G="100",
            L3G="50", L1G="30", M="12", KH="1.0", Z="1.0")


class Wall(unittest.TestCase):
    def test_first_example(self):
        report, _, _, s = calc("wall", "hawk-cut", "SS", **WALL)
        self.assertEqual(s.n, 4)
        self.assertEqual(value_of(report, RB1_WALL, " (N)"), "612.5")
        self.assertEqual(value_of(report, RB2_WALL, "(N)"), "367.5")
        self.assertEqual(value_of(report, RB_WALL, "(N)"), "612.5")

    def test_equal_candidates(self):
        args = dict(WALL, L2G="50")
        report, _, _, s = calc("wall", "hawk-cut", "SS", **args)
        self.assertEqual(value_of(report, RB1_WALL, " (N)"), "612.5")
        self.assertEqual(value_of(report, RB2_WALL, "(N)"), "612.5")
        self.assertEqual(value_of(report, RB_WALL, "(N)"), "612.5")

    def test_second_candidate_larger(self):
        args = dict(WALL, n1="3", n2="3", L1="100", L2="50", L2G="20",
                    L3G="10")
        report, _, _, s = calc("wall", "rebar-welded", "SS", **args)
        self.assertEqual(s.n, 8)
        self.assertAlmostEqual(s.Rb1, 130.67, places=2)
        self.assertEqual(s.Rb2, 294)
        self.assertEqual(s.Rb, 294)
        self.assertAlmostEqual(s.LL, 294 / (71.246 * 3250) * 100)

    def test_l1g_only_echoed(self):
        a = calc("wall", "hawk-cut", "SS", **WALL)[0]
        b = calc("wall", "hawk-cut", "SS", **dict(WALL, L1G="77"))[0]
        diff = [(x, y) for x, y in zip(lines(a)[1:], lines(b)[1:]) if x != y]
        self.assertEqual(len(diff), 1)
        self.assertIn("\u3000L1G=77(cm)", diff[0][1])

    def test_counts(self):
        _, _, _, s = calc("wall", "hawk-cut", "SS", **dict(WALL, n1="3", n2="4"))
        self.assertEqual(s.n, 10)
        report = calc("wall", "hawk-cut", "SS", **dict(WALL, n1="3", n2="4"))[0]
        self.assertIn("(本)  n=n1*2+(n2-2)*2=10(本)", report)
        _, _, _, s = calc("wall", "hawk-cut", "SS", **dict(WALL, n1="2", n2="1"))
        self.assertEqual(s.n, 2)

    def test_refusals(self):
        for fields in (dict(n1="1", n2="1"), dict(n1="0"), dict(n2="0"),
                       dict(L1="0"), dict(L2="0")):
            with self.subTest(fields=fields):
                with self.assertRaises(ref.CalcError):
                    calc("wall", "hawk-cut", "SS", **dict(WALL, **fields))


CEILING = dict(W="100", n="4", L="100", LG="50", HG="50", M="12", KH="1.0",
               Z="1.0")


class Ceiling(unittest.TestCase):
    def test_without_motor(self):
        report, _, _, s = calc("ceiling", "hawk-cut", "SS", **CEILING)
        self.assertEqual(value_of(report, RB_CEILING, " (N)"), "612.5")

    def test_with_motor(self):
        report, _, _, s = calc("ceiling", "hawk-cut", "SS", P="0.75",
                               N="1500", **CEILING)
        self.assertEqual(ref.fmt(s.MR), "4.775")
        self.assertAlmostEqual(s.Rb, 4122.125, places=9)
        self.assertNotAlmostEqual(s.Rb, 614.8875, places=3)

    def test_bond_table_group(self):
        report = calc("ceiling", "hawk-cut", "SS", **CEILING)[0]
        self.assertIn("はｺﾝｸﾘｰﾄとﾎﾞﾙﾄ密着力=450(kg)", report)

    def test_counts(self):
        calc("ceiling", "hawk-cut", "SS", **dict(CEILING, n="1"))
        for fields in (dict(n="0"), dict(L="0")):
            with self.assertRaises(ref.CalcError):
                calc("ceiling", "hawk-cut", "SS", **dict(CEILING, **fields))


BRACED = dict(W="100", n="2", H="100", HG="50", LG="20", M="12", KH="1.0",
              Z="1.0")


class Braced(unittest.TestCase):
    def test_example(self):
        report, _, _, s = calc("braced", "hawk-cut", "SS", **BRACED)
        self.assertEqual(value_of(report, RB_BRACED, " (N)"), "245")
        # four braces share one brace's reaction: a quarter each
        heavy = dict(BRACED, W="1000", HG="100", H="200")
        for n, rb in (("1", "4900"), ("4", "1225")):
            report = calc("braced", "hawk-cut", "SS", **dict(heavy, n=n))[0]
            self.assertEqual(value_of(report, RB_BRACED, " (N)"), rb)

    def test_hg_equal_h(self):
        _, _, _, s = calc("braced", "hawk-cut", "SS", **dict(BRACED, HG="100"))
        self.assertEqual(s.tau_b, 0)
        self.assertEqual(s.sigma_c, s.sigma_b)
        self.assertEqual(s.tau_c, s.sigma_b / 2)

    def test_hg_above_h(self):
        report, _, _, s = calc("braced", "hawk-cut", "SS", **dict(BRACED, HG="150"))
        self.assertLess(s.tau_b, 0)
        self.assertTrue(value_of(report, SHEAR_BRACED, "(MPa)").startswith("-"))

    def test_lg_unused(self):
        a = calc("braced", "hawk-cut", "SS", **BRACED)[3]
        b = calc("braced", "hawk-cut", "SS", **dict(BRACED, LG="999"))[3]
        self.assertEqual((a.Rb, a.tau_b), (b.Rb, b.tau_b))

    def test_refusals(self):
        for fields in (dict(n="0"), dict(H="0")):
            with self.assertRaises(ref.CalcError):
                calc("braced", "hawk-cut", "SS", **dict(BRACED, **fields))


class Checks(unittest.TestCase):
    def test_weld(self):
        report, passes, safe, s = calc("floor", "rebar-welded", "SS",
                                       **FLOOR_EXAMPLE)
        self.assertEqual(s.Rb, 2205)
        self.assertAlmostEqual(s.LL, 0.9523, places=4)
        self.assertAlmostEqual(s.RebarCount, 0.0458, places=4)
        ls = lines(report)
        weld = "⇒必要溶接量 LL=Rb/(0.5･0.0065･10^6･71.246)･100 = "
        self.assertAlmostEqual(float(value_of(report, weld, "(cm)")), 0.9523, places=4)
        bars = "⇒基礎ﾎﾞﾙﾄ～溶接φ13鉄筋本数⇒引抜力 / 筋強度48146(N)= "
        self.assertAlmostEqual(float(value_of(report, bars, "（本）")), 0.0458, places=4)
        self.assertTrue(ls[-1].startswith(bars))
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
        report, passes, safe, s = calc("floor", "rebar-hooked", "SS", W="50000",
                                       n="4", LG="0", HG="100", L="10", M="24")
        self.assertIn("はφ13鉄筋強度=4912(kg)より大きく,危険", report)
        self.assertEqual(ref.judge_msg(report), ref.MSG_BOTH)

    def test_chemical_bond_values(self):
        for m, value in (("10", 760), ("12", 920), ("16", 1200), ("20", 1200)):
            report = calc("floor", "chemical", "SS", **dict(FLOOR_EXAMPLE, M=m))[0]
            self.assertIn("密着力=%d(kg)" % value, report)

    def test_judge_messages(self):
        self.assertIsNone(ref.judge_msg("x"))
        self.assertEqual(ref.judge_msg(ref.DANGER), ref.MSG_BOND)
        self.assertEqual(ref.judge_msg(ref.FAIL_LINE), ref.MSG_BOLT)
        self.assertEqual(ref.judge_msg(ref.DANGER + ref.FAIL_LINE), ref.MSG_BOTH)


class CommandLine(unittest.TestCase):
    def run_ref(self, *argv):
        return ref.run(list(argv))

    def test_pass_exit_status(self):
        st, out, err = self.run_ref("--shape", "floor", "--anchor", "hawk-cut",
                                    "--material", "SS", "W=500", "n=4", "LG=30",
                                    "HG=60", "L=50", "M=12", "KH=1.0")
        self.assertEqual(st, 0)
        self.assertNotIn("\r", out)
        self.assertTrue(out.endswith("安全\n"))  # one line break, as a text file ends
        self.assertEqual(err, "")

    def test_fail_exit_status(self):
        st, out, err = self.run_ref("--shape", "floor", "--anchor", "hawk-cut",
                                    "--material", "SS", "W=50000", "n=4", "LG=30",
                                    "HG=60", "L=50", "M=12", "KH=1.0")
        self.assertEqual(st, 1)
        self.assertTrue(out)
        self.assertTrue(err)

    def test_refusals(self):
        base = ["--shape", "floor", "--anchor", "hawk-cut", "--material", "SS",
                "W=500", "n=4", "LG=30", "HG=60", "L=50"]
        refused = [
            [],  # M missing
            ["M=12", "F="],
            ["M=30"],
            ["M=08"],
            ["M=12.0"],
            ["M=12", "D=5"],
            ["M=12", "W=."],
            ["M=12", "W=-1"],
            ["M=12", "W=1e3"],
            ["M=12", "W= 1"],
            ["M=12", "W=１"],
            ["M=12", "W=1,0"],
            ["M=12", "W=1" + "0" * 400],
            ["M=12", "n1=2"],
            ["M=12", "X=2"],
            ["M=12", "W"],
        ]
        for extra in refused:
            with self.subTest(extra=extra):
                st, out, err = self.run_ref(*(base + extra))
                self.assertEqual(st, 2)
                self.assertEqual(out, "")
                self.assertTrue(err)

    def test_accepted_texts(self):
        base = ["--shape", "floor", "--anchor", "hawk-cut", "--material", "SS",
                "n=4", "LG=30", "HG=60", "L=50", "M=12"]
        for w in ("12", "12.5", ".5", "5.", "007", "0." + "0" * 400 + "1"):
            with self.subTest(w=w):
                st, out, err = self.run_ref(*(base + ["W=" + w]))
                self.assertIn(st, (0, 1))
                self.assertTrue(out)

    def test_diameter_lists(self):
        def status(anchor, m):
            return self.run_ref("--shape", "floor", "--anchor", anchor,
                                "--material", "SS", "W=500", "n=4", "LG=30",
                                "HG=60", "L=50", "M=" + m)[0]
        self.assertEqual(status("rebar-hooked", "30"), 2)
        self.assertNotEqual(status("rebar-welded", "30"), 2)
        self.assertEqual(status("chemical", "8"), 2)
        self.assertEqual(status("chemical", "24"), 2)
        self.assertNotEqual(status("chemical", "20"), 2)
        self.assertNotEqual(status("bolt-embedded", "8"), 2)
        self.assertEqual(status("bolt-embedded", "30"), 2)

    def test_overflow_in_motor_power(self):
        st, _, _ = self.run_ref("--shape", "floor", "--anchor", "hawk-cut",
                                "--material", "SS", "W=500", "n=4", "LG=30",
                                "HG=60", "L=50", "M=12", "P=1" + "0" * 306)
        self.assertEqual(st, 2)


if __name__ == "__main__":
    unittest.main()
