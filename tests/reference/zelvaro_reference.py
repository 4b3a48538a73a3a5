#!/usr/bin/env python3
"""Independent reference calculator for zelvaro-check.

Usage:
  zelvaro_reference.py --shape floor|circular|wall|ceiling|braced
                       --anchor hawk-cut|l-tip|j-tip|bolt-embedded|chemical|rebar-hooked|rebar-welded
                       --material SS|SUS [NAME=TEXT ...]

Prints the report (LF line breaks, no line break after the last line) and
exits 0 when the bolt passes and the bond is safe, 1 when a check fails,
2 when the inputs are refused or the calculation cannot be carried out.

Written from the design document only; the C++ product is not consulted.
Standard library only.
"""

import math
import re
import sys
import time

CRLF = "\r\n"

# ---------------------------------------------------------------------------
# Selection codes
# ---------------------------------------------------------------------------

SHAPES = {"floor": 1, "circular": 2, "wall": 3, "ceiling": 4, "braced": 5}
ANCHORS = {
    "hawk-cut": 1,
    "l-tip": 2,
    "j-tip": 3,
    "bolt-embedded": 4,
    "chemical": 5,
    "rebar-hooked": 6,
    "rebar-welded": 7,
}
MATERIALS = {"SS": 1, "SUS": 2}

# Reference strengths of the bolt materials: (ft, fs) in MPa.
MATERIAL_STRENGTH = {1: (176.5, 101.8), 2: (154.5, 89.2)}

REBAR_STRENGTH = 48146.0  # N, one phi13 bar
WELD_STRENGTH = 71.246  # MPa

# Bolt diameters offered by the diameter box, per anchor kind (texts).
# The rebar-hooked anchor does not offer 30 (no bond value exists for it).
DIAMETERS_STANDARD = ["8", "10", "12", "16", "20", "24"]
DIAMETERS_CHEMICAL = ["10", "12", "16", "20"]
DIAMETERS_HOOKED = ["10", "12", "16", "20", "24"]
DIAMETERS_WELDED = ["10", "12", "16", "20", "24", "30"]


def diameter_items(anchor_kind):
    if anchor_kind == 7:
        return DIAMETERS_WELDED
    if anchor_kind == 6:
        return DIAMETERS_HOOKED
    if anchor_kind == 5:
        return DIAMETERS_CHEMICAL
    return DIAMETERS_STANDARD


# Allowable bond strengths in kg at diameters 8, 10, 12, 16, 20, 24:
# (standard group, ceiling-and-braced group).  None = no value written.
_BOND_DIAMETERS = (8, 10, 12, 16, 20, 24)
_BOND_ROWS = {
    1: ((300, 380, 670, 920, 1200, 1200), (200, 250, 450, 610, 800, 800)),
    2: ((650, 810, 970, 1200, 1200, 1200), (430, 540, 640, 800, 800, 800)),
    3: ((900, 1200, 1200, 1200, 1200, 1200), (600, 800, 800, 800, 800, 800)),
    4: ((900, 1200, 1200, 1200, 1200, 1200), (600, 800, 800, 800, 800, 800)),
    5: ((None, 760, 920, 1200, 1200, None), (None, 500, 610, 800, 800, None)),
    6: ((4912,) * 6, (4912,) * 6),
}


def bond_table(anchor_kind, shape_kind):
    """The 101-entry table as loaded for this anchor kind onto zeros."""
    table = [0.0] * 101
    if anchor_kind in _BOND_ROWS:
        standard, ceiling = _BOND_ROWS[anchor_kind]
        row = ceiling if shape_kind in (4, 5) else standard
        for d, value in zip(_BOND_DIAMETERS, row):
            if value is not None:
                table[d] = float(value)
    return table


# Fields read by each shape, in the order the input form lists them.
FIELDS = {
    1: ["W", "n", "LG", "HG", "N", "a", "L", "nt", "F", "M", "KH", "P", "Z"],
    2: ["W", "n", "HG", "N", "a", "D", "F", "M", "KH", "P", "Z"],
    3: ["W", "n1", "L1G", "L2", "L2G", "N", "a", "L1", "n2", "L3G", "F",
        "M", "KH", "P", "Z"],
    4: ["W", "n", "LG", "HG", "N", "a", "L", "nt", "F", "M", "KH", "P", "Z"],
    5: ["W", "n", "LG", "HG", "N", "a", "H", "F", "M", "KH", "P", "Z"],
}
# Fields that may be left blank: the bolts taking tension of the floor and
# ceiling shapes (blank: n / 2).
BLANK_ALLOWED = {"nt"}
ALL_NAMES = ["M", "KH", "Z", "P", "W", "n", "nt", "n1", "n2", "LG", "HG", "L", "D",
             "H", "L1", "L2", "L1G", "L2G", "L3G", "N", "a", "F"]
DEFAULTS = {"KH": "2.0", "Z": "1.0", "P": "0", "N": "0", "a": "0", "F": "0"}

_PLAIN_DECIMAL = re.compile(r"[0-9]*\.?[0-9]*")


def is_plain_decimal(text):
    return (_PLAIN_DECIMAL.fullmatch(text) is not None
            and any(c.isdigit() for c in text)
            and all(c in "0123456789." for c in text))


# ---------------------------------------------------------------------------
# Failures
# ---------------------------------------------------------------------------


class UsageError(Exception):
    """Bad command line."""


class Refused(Exception):
    """Capture refused the inputs."""


class CalcError(Exception):
    """Numeric error: division by zero, overflow or invalid operation."""


# ---------------------------------------------------------------------------
# Checked arithmetic: every operation is checked as it is performed.
# ---------------------------------------------------------------------------


def _checked(x, what):
    if math.isinf(x) or math.isnan(x):
        raise CalcError("%s gives %r" % (what, x))
    return x


def add(a, b):
    return _checked(a + b, "%r + %r" % (a, b))


def sub(a, b):
    return _checked(a - b, "%r - %r" % (a, b))


def mul(a, b):
    return _checked(a * b, "%r * %r" % (a, b))


def div(a, b):
    if b == 0:
        raise CalcError("%r / 0" % (a,))
    return _checked(a / b, "%r / %r" % (a, b))


def pw(a, b):
    try:
        r = math.pow(a, b)
    except (OverflowError, ValueError) as exc:
        raise CalcError("pow(%r, %r): %s" % (a, b, exc))
    return _checked(r, "pow(%r, %r)" % (a, b))


# ---------------------------------------------------------------------------
# Number to text: general form, at most 15 significant digits.
# ---------------------------------------------------------------------------


def fmt(x):
    x = float(x)
    if x == 0:
        return "0"  # negative zero too
    s = "%.14e" % x
    sign = ""
    if s[0] == "-":
        sign = "-"
        s = s[1:]
    mant, exp = s.split("e")
    exp = int(exp)
    digits = mant.replace(".", "").rstrip("0")  # at least one digit, nonzero
    if exp < -4 or exp >= 15:
        m = digits[0]
        if len(digits) > 1:
            m += "." + digits[1:]
        return "%s%sE%s%02d" % (sign, m, "-" if exp < 0 else "+", abs(exp))
    if exp >= 0:
        if len(digits) <= exp + 1:
            body = digits + "0" * (exp + 1 - len(digits))
        else:
            body = digits[:exp + 1] + "." + digits[exp + 1:]
    else:
        body = "0." + "0" * (-exp - 1) + digits
    return sign + body


# ---------------------------------------------------------------------------
# Calculation state
# ---------------------------------------------------------------------------


class V:
    """A member of the state inside a report piece list."""

    def __init__(self, name):
        self.name = name


class State:
    def __init__(self):
        for name in ["Rb", "MR", "sigma_b", "FD", "KH", "W", "F", "FH", "FV",
                     "n", "nt", "nt_given", "H", "HG", "L", "LG", "M", "tau_b", "sigma_c",
                     "tau_c", "P", "N", "A", "a", "ft", "fs", "D", "L1", "L2",
                     "L1G", "L2G", "L3G", "Z", "n1", "n2", "Rb1", "Rb2",
                     "RebarCount", "LL"]:
            setattr(self, name, 0.0)
        self.BondTable = [0.0] * 101
        self.RebarStrength = REBAR_STRENGTH
        self.WeldStrength = WELD_STRENGTH
        self.CalcCode = 0
        self.ShapeKind = 0
        self.AnchorKind = 0
        self.BoltMaterial = 0
        self.diameter_text = ""
        self.ReportHeader = ""
        self.EchoBlock = ""
        self.ForceBlock = ""
        self.StressBlock = ""
        self.VerdictLine = ""
        self.MotorBlock = ""
        self.RebarLine = ""
        self.AnchorBlock = ""


def build(state, pieces):
    out = []
    for p in pieces:
        if isinstance(p, V):
            out.append(fmt(getattr(state, p.name)))
        else:
            out.append(p)
    return "".join(out)


# ---------------------------------------------------------------------------
# Input capture and the initial-data echo
# ---------------------------------------------------------------------------

V_N = V('n')
ECHO = {
    1: ['初期ﾃﾞｰﾀ\u3000W=', V('W'), '(kg)', '  n=', V_N, '(本)', '  ﾎﾞﾙﾄ径M=', V('M'), '  水平震度=', V('KH'), '  地域係数=', V('Z'), '  LG=', V('LG'), '(cm)', '  HG=', V('HG'), '(cm)', '  L=', V('L'), '(cm)', CRLF, '      P=', V('P'), '(W)', '  N=', V('N'), '(RPM)', '  a=', V('a'), '(μm)', '  引張基準強度=', V('ft'), '(MPa)', '   専断基準強度=', V('fs'), '(MPa)', '   付加力F=', V('F'), '(kg)', CRLF],
    2: ['初期ﾃﾞｰﾀ\u3000W=', V('W'), '(kg)', '  n=', V('n'), '(本)', '  ﾎﾞﾙﾄ径M=', V('M'), '  水平震度=', V('KH'), '  地域係数=', V('Z'), ' \u3000HG=', V('HG'), '(cm)', '  D=', V('D'), '(cm)', CRLF, '\u3000  P=', V('P'), '(W)', '  N=', V('N'), '(RPM)', '  a=', V('a'), '(μm)', '  引張基準強度=', V('ft'), '(MPa)', '   専断基準強度=', V('fs'), '(MPa)', '   付加外力F=', V('F'), '(kg)', CRLF],
    3: ['初期ﾃﾞｰﾀ\u3000W=', V('W'), '(kg)', '  n1=', V('n1'), '(本)', '  n2=', V('n2'), '(本)  n=n1*2+(n2-2)*2=', V('n'), '(本)', '  ﾎﾞﾙﾄ径M=', V('M'), '  水平震度=', V('KH'), '  地域係数=', V('Z'), CRLF, '\u3000L1=', V('L1'), '(cm)', '  L2=', V('L2'), '(cm)', '\u3000L1G=', V('L1G'), '(cm)', '  L2G=', V('L2G'), '(cm)', '  L3G=', V('L3G'), '(cm)', '  P=', V('P'), '(W)', '  N=', V('N'), '(RPM)', '  a=', V('a'), '(μm)', CRLF, '\u3000引張基準強度=', V('ft'), '(MPa)', '   専断基準強度=', V('fs'), '(MPa)', '   付加外力F=', V('F'), '(kg)', CRLF],
    4: ['初期ﾃﾞｰﾀ\u3000W=', V('W'), '(kg)', '  n=', V_N, '(本)', '  ﾎﾞﾙﾄ径M=', V('M'), '  水平震度=', V('KH'), '  地域係数=', V('Z'), CRLF, '            LG=', V('LG'), '(cm)', '  HG=', V('HG'), '(cm)', '  L=', V('L'), '(cm)', CRLF, '            P=', V('P'), '(W)', '  N=', V('N'), '(RPM)', '  a=', V('a'), '(μm)', CRLF, '            引張基準強度=', V('ft'), '(MPa)', '   専断基準強度=', V('fs'), '(MPa)', '   付加外力F=', V('F'), '(kg)', CRLF],
    # braced: as the ceiling shape, with "  H=" H in place of "  L=" L
    5: ['初期ﾃﾞｰﾀ\u3000W=', V('W'), '(kg)', '  n=', V('n'), '(本)', '  ﾎﾞﾙﾄ径M=', V('M'), '  水平震度=', V('KH'), '  地域係数=', V('Z'), CRLF, '            LG=', V('LG'), '(cm)', '  HG=', V('HG'), '(cm)', '  H=', V('H'), '(cm)', CRLF, '            P=', V('P'), '(W)', '  N=', V('N'), '(RPM)', '  a=', V('a'), '(μm)', CRLF, '            引張基準強度=', V('ft'), '(MPa)', '   専断基準強度=', V('fs'), '(MPa)', '   付加外力F=', V('F'), '(kg)', CRLF],
}


def parse_number(name, text):
    """A plain decimal text to a double; overflow is a numeric error."""
    value = float(text)
    if math.isinf(value):
        raise CalcError("%s=%s overflows" % (name, text[:40]))
    return value


def data_in(state, texts):
    """Capture: blank check, diameter list, plain decimals, store, echo.

    `texts` maps every field name the shape reads to its text ("" = blank).
    """
    shape = state.ShapeKind
    state.CalcCode = 10 + shape
    names = FIELDS[shape]
    blanks = [nm for nm in names if texts[nm] == "" and nm not in BLANK_ALLOWED]
    if blanks:
        state.CalcCode = 0
        raise Refused("空白が有りますので、埋めてください｡ (%s)" % " ".join(blanks))
    if texts["M"] not in diameter_items(state.AnchorKind):
        state.CalcCode = 0
        raise Refused("M=%s is not offered for this anchor kind" % texts["M"])
    given = [nm for nm in names if texts[nm] != ""]
    bad = [nm for nm in given if not is_plain_decimal(texts[nm])]
    if bad:
        state.CalcCode = 0
        raise Refused("not a decimal number: %s" % " ".join(bad))
    values = {nm: parse_number(nm, texts[nm]) for nm in given}
    # a given nt is a buildable layout: whole, at least 1, at most half of n
    nt = values.get("nt")
    if nt is not None and not (nt >= 1 and nt == math.floor(nt) and nt <= values["n"] / 2):
        state.CalcCode = 0
        raise Refused("nt=%s is not a whole number from 1 to n/2" % texts["nt"])
    state.nt_given = 0.0
    for nm in given:
        setattr(state, "nt_given" if nm == "nt" else nm, values[nm])
    state.diameter_text = texts["M"]
    state.P = mul(state.P, 1000)
    if shape == 3:
        # the wall derives n from n1 and n2
        state.n = add(mul(sub(state.n2, 2), 2), mul(state.n1, 2))
    pieces = ECHO[shape]
    if state.nt_given:
        # "  nt=...(本)" follows "  n=...(本)"
        at = pieces.index(V_N) + 2
        pieces = pieces[:at] + ['  nt=', V('nt_given'), '(本)'] + pieces[at:]
    state.EchoBlock = build(state, pieces)


# ---------------------------------------------------------------------------
# Calculate driver, common forces, motor terms
# ---------------------------------------------------------------------------

FORCE_BLOCK = ['ﾎﾞﾙﾄ断面積A=', V('A'), '(m2)', CRLF, '設計水平地震力FH=', V('FH'), '(N)', CRLF, '設計鉛直地震力FV=', V('FV'), '(N)', CRLF]
MOTOR_BLOCK = ['ﾓｰﾒﾝﾄ\u3000MR=9.55･P/N=', V('MR'), '(N･m)', CRLF, '回転力\u3000FD=1/(2*9.8)･a･(2･3.1412･N/60)^2･W=', V('FD'), '(N)']


def motor_terms(s):
    if s.N != 0:
        s.MR = mul(div(9.55, s.N), s.P)
    else:
        s.MR = 0.0
    s.FD = mul(mul(pw(div(mul(s.N, 6.2824), 60), 2.0),
                   mul(div(1, 19.6), s.a)), s.W)
    s.MotorBlock = build(s, MOTOR_BLOCK)


def common_forces(s):
    s.AnchorBlock = ""
    s.W = mul(s.W, 9.8)
    s.FH = mul(mul(s.W, s.KH), s.Z)
    if s.F != 0:
        s.FH = add(s.FH, mul(s.F, 9.8))
    s.HG = div(s.HG, 100)
    s.M = div(s.M, 1000)
    s.FV = div(s.FH, 2)
    s.nt = s.nt_given if s.nt_given > 0 else div(s.n, 2)
    s.A = mul(mul(mul(s.M, 0.7854), s.M), 0.75)
    s.ForceBlock = build(s, FORCE_BLOCK)


# ---------------------------------------------------------------------------
# Shared checks: combined values, bond / weld, verdict
# ---------------------------------------------------------------------------

CONCRETE_LABEL = 'はｺﾝｸﾘｰﾄとﾎﾞﾙﾄ密着力='
REBAR_LABEL = 'はφ13鉄筋強度='
SAFE = 'より小さく,安全'
DANGER = 'より大きく,危険'
PASS_LINE = '⇒ﾎﾞﾙﾄ引張強度,専断強度共各々基準強度以下であるので,問題無い。'
FAIL_LINE = '⇒ﾎﾞﾙﾄ強度が足りない。'

TENSILE_LINE = ['引張応力\u3000σb=Rb/A = ', V('sigma_b'), '(MPa)', CRLF]
COMBINED_LINES = ['引張強度\u3000σb/2+(0.25･σb^2+τb^2)^0.5 = ', V('sigma_c'), '(MPa)', CRLF,
                  '専断強度\u3000(0.25･σb^2+τb^2)^0.5 = ', V('tau_c'), '(MPa)', CRLF]
SHEAR_LINE = ['専断応力\u3000τb=(FH+FD)/(n･A) = ', V('tau_b'), '(MPa)', CRLF]


def combined_values(s):
    root = pw(add(mul(pw(s.sigma_b, 2.0), 0.25), pw(s.tau_b, 2.0)), 0.5)
    s.sigma_c = add(root, div(s.sigma_b, 2))
    s.tau_c = pw(add(mul(pw(s.sigma_b, 2.0), 0.25), pw(s.tau_b, 2.0)), 0.5)


def anchor_check(s):
    if s.AnchorKind <= 6:
        d = int(s.diameter_text)
        if not 0 <= d <= 100:
            raise CalcError("diameter index %d" % d)
        v = div(s.Rb, 9.8)
        allowed = s.BondTable[d]
        outcome = SAFE if v < allowed else DANGER
        label = CONCRETE_LABEL if s.AnchorKind <= 5 else REBAR_LABEL
        s.AnchorBlock = ("⇒引抜力 Rb=" + fmt(v) + "(kg)" + label + fmt(allowed)
                         + "(kg)" + outcome)
    else:
        s.LL = mul(div(s.Rb, mul(s.WeldStrength, 3250)), 100)
        s.AnchorBlock = build(s, ['⇒必要溶接量 LL=Rb/(0.5･0.0065･10^6･', V('WeldStrength'),
                                  ')･100 = ', V('LL'), '(cm)'])
        s.RebarCount = div(s.Rb, s.RebarStrength)
        s.RebarLine = build(s, ['⇒基礎ﾎﾞﾙﾄ～溶接φ13鉄筋本数⇒', '引抜力 / 筋強度48146(N)= ',
                                V('RebarCount'), '（本）'])
        s.AnchorBlock = s.AnchorBlock + CRLF + s.RebarLine


def shared_checks(s):
    combined_values(s)
    anchor_check(s)


def verdict(s):
    passes = s.sigma_c <= s.ft and s.tau_c <= s.fs
    s.VerdictLine = PASS_LINE if passes else FAIL_LINE


def stress_block(s, pullout_lines, shear_line):
    s.StressBlock = (s.ForceBlock + s.MotorBlock + CRLF
                     + build(s, pullout_lines)
                     + build(s, TENSILE_LINE)
                     + build(s, shear_line)
                     + build(s, COMBINED_LINES))


def finish(s, pullout_lines, shear_line):
    shared_checks(s)
    stress_block(s, pullout_lines, shear_line)
    verdict(s)
    return (s.ReportHeader + CRLF + s.EchoBlock + CRLF + s.StressBlock + CRLF
            + s.VerdictLine + CRLF + s.AnchorBlock)


# ---------------------------------------------------------------------------
# Shape procedures
# ---------------------------------------------------------------------------


def floor_mounted(s):
    s.LG = div(s.LG, 100)
    s.L = div(s.L, 100)
    s.a = div(s.a, 1000000)
    motor_terms(s)
    # ((FH + FD) x HG - ((W - FV) - FD) x LG + MR) / (nt x L)
    overturn = mul(add(s.FH, s.FD), s.HG)
    restore = mul(sub(sub(s.W, s.FV), s.FD), s.LG)
    s.Rb = div(add(sub(overturn, restore), s.MR), mul(s.nt, s.L))
    s.sigma_b = div(div(s.Rb, s.A), 1000000)
    s.tau_b = div(div(add(s.FH, s.FD), mul(s.A, s.n)), 1000000)
    return finish(s, ['引抜力\u3000Rb=((FH+FD)･HG-(W-FV-FD)･LG+MR)/(L･nt) = ', V('Rb'), ' (N)', CRLF],
                  SHEAR_LINE)


def circular(s):
    s.D = div(s.D, 100)
    s.a = div(s.a, 1000000)
    motor_terms(s)
    # ((FH + FD) x 4 x HG) / (n x D) - ((W - FV) - FD) / n + ((MR x 4) / n) / D
    t1 = div(mul(mul(add(s.FH, s.FD), 4), s.HG), mul(s.n, s.D))
    t2 = div(sub(sub(s.W, s.FV), s.FD), s.n)
    t3 = div(div(mul(s.MR, 4), s.n), s.D)
    s.Rb = add(sub(t1, t2), t3)
    s.sigma_b = div(div(s.Rb, s.A), 1000000)
    s.tau_b = div(div(add(s.FH, s.FD), mul(s.A, s.n)), 1000000)
    return finish(s, ['引抜力\u3000Rb=4･(FH+FD)･HG/(n･D)-(W-FV-FD)/n+4･MR/n/D= ', V('Rb'), ' (N)', CRLF],
                  SHEAR_LINE)


def wall(s):
    s.L1 = div(s.L1, 100)
    s.L2 = div(s.L2, 100)
    s.L1G = div(s.L1G, 100)
    s.L2G = div(s.L2G, 100)
    s.L3G = div(s.L3G, 100)
    s.a = div(s.a, 1000000)
    motor_terms(s)
    vertical = lambda: add(add(s.W, s.FV), s.FD)  # (W + FV + FD)
    horizontal = lambda: add(s.FH, s.FD)  # (FH + FD)
    # Rb1, summed from the left, each division in turn
    r1 = div(div(mul(vertical(), s.L3G), s.L2), s.n1)
    r1 = add(r1, div(div(mul(horizontal(), s.L3G), s.L1), s.n2))
    r1 = add(r1, div(div(s.MR, s.L1), s.n2))
    r1 = add(r1, div(div(s.MR, s.L2), s.n1))
    s.Rb1 = r1
    # Rb2 = ((L2 - L2G) x (FH + FD) + (W + FV + FD) x L3G + MR) / L2 / n1
    r2 = add(mul(sub(s.L2, s.L2G), horizontal()), mul(vertical(), s.L3G))
    r2 = add(r2, s.MR)
    s.Rb2 = div(div(r2, s.L2), s.n1)
    s.Rb = s.Rb1 if s.Rb1 > s.Rb2 else s.Rb2
    s.sigma_b = div(div(s.Rb, s.A), 1000000)
    load = pw(add(pw(vertical(), 2.0), pw(horizontal(), 2.0)), 0.5)
    s.tau_b = div(div(div(load, s.n), s.A), 1000000)
    pullout = ['引抜力１\u3000Rb1=(FH+FD)･L3G/(L1･n2)+(W+FV+FD)･L3G/(L2･n1)+MR/L1/n2+MR/L2/n1= ', V('Rb1'), ' (N)', CRLF,
               '引抜力２\u3000Rb2 =((FH+FD)･(L2-L2G)+(W+FV+FD)･L3G+MR)/(L2･n1)=', V('Rb2'), '(N)', CRLF,
               '∴引抜力\u3000Rb = ', V('Rb'), '(N)', CRLF]
    shear = ['専断応力\u3000τb=((FH+FD)^2+(W+FV+FD)^2)^0.5/(n*A) = ', V('tau_b'), '(MPa)', CRLF]
    return finish(s, pullout, shear)


def ceiling(s):
    s.LG = div(s.LG, 100)
    s.L = div(s.L, 100)
    s.a = div(s.a, 1000000)
    motor_terms(s)
    # ((L - LG + MR) x (W + FV + FD) + (FH + FD) x HG) / (nt x L)
    arm = add(sub(s.L, s.LG), s.MR)
    t = add(mul(arm, add(add(s.W, s.FV), s.FD)), mul(add(s.FH, s.FD), s.HG))
    s.Rb = div(t, mul(s.nt, s.L))
    s.sigma_b = div(div(s.Rb, s.A), 1000000)
    s.tau_b = div(div(add(s.FH, s.FD), mul(s.A, s.n)), 1000000)
    return finish(s, ['引抜力\u3000Rb=((FH+FD)･HG+(W+FV+FD)･((L-LG)+MR))/(L･nt) = ', V('Rb'), ' (N)', CRLF],
                  SHEAR_LINE)


def braced(s):
    s.H = div(s.H, 100)
    s.LG = div(s.LG, 100)
    s.a = div(s.a, 1000000)
    motor_terms(s)
    # (FH + FD) x HG / (n x H): the brace reaction at H, shared by the n braces
    s.Rb = div(mul(add(s.FH, s.FD), s.HG), mul(s.n, s.H))
    s.sigma_b = div(div(s.Rb, s.A), 1000000)
    # (H - HG) x (FH + FD) / n / H / A / 1 000 000
    t = mul(sub(s.H, s.HG), add(s.FH, s.FD))
    s.tau_b = div(div(div(div(t, s.n), s.H), s.A), 1000000)
    return finish(s, ['引抜力\u3000Rb=(FH+FD)･HG/(n*H)= ', V('Rb'), ' (N)', CRLF],
                  ['専断応力\u3000τb=(FH+FD)*(H-HG)/(n*H*A) = ', V('tau_b'), '(MPa)', CRLF])


SHAPE_PROCEDURES = {1: floor_mounted, 2: circular, 3: wall, 4: ceiling, 5: braced}

# ---------------------------------------------------------------------------
# Verdict announcement
# ---------------------------------------------------------------------------

MSG_BOND = '「ボルトとコンクリートの密着性、連結性が不足」しています。違うアンカー方式で施工しなおすか、' + CRLF + 'ボルト本数を増やしたり、ボルト材質、直径を大きくする必要があります。'
MSG_BOLT = '「ボルト自体の強度」が不足しています。ボルト本数を増やすか、ボルト材質、直径を大きくしてください。'
MSG_BOTH = '「ボルト自体の強度」と「ボルトとコンクリートの密着性、連結性も不足」しています。' + CRLF + 'ボルト本数を増やすか、ボルト材質、直径を大きくし、更に違うアンカー方式で施工しなおす必要があります。'


def judge_msg(report):
    danger = "危険" in report
    short = "足りない" in report
    if danger and short:
        return MSG_BOTH
    if danger:
        return MSG_BOND
    if short:
        return MSG_BOLT
    return None


# ---------------------------------------------------------------------------
# One calculation
# ---------------------------------------------------------------------------


def header():
    t = time.localtime()
    stamp = time.strftime("%Y/%m/%d", t)
    if (t.tm_hour, t.tm_min, t.tm_sec) != (0, 0, 0):
        stamp += time.strftime(" %H:%M:%S", t)
    return "～～～～～" + stamp + "～～～～～"


def calculate(shape_kind, anchor_kind, material, texts):
    """Runs capture and the engine.

    Returns (report with CR LF, bolt passes, bond safe or None for the weld).
    Raises Refused or CalcError.
    """
    s = State()
    s.ShapeKind = shape_kind
    s.AnchorKind = anchor_kind
    s.BoltMaterial = material
    s.ft, s.fs = MATERIAL_STRENGTH[material]
    s.BondTable = bond_table(anchor_kind, shape_kind)
    data_in(s, texts)
    s.ReportHeader = header()
    common_forces(s)
    report = SHAPE_PROCEDURES[s.CalcCode - 10](s)
    passes = s.VerdictLine == PASS_LINE
    bond_safe = None
    if anchor_kind <= 6:
        bond_safe = s.AnchorBlock.endswith(SAFE)
    return report, passes, bond_safe, s


def parse_args(argv):
    opts = {}
    assigned = {}
    i = 0
    while i < len(argv):
        arg = argv[i]
        if arg.startswith("--"):
            key, eq, val = arg[2:].partition("=")
            if key not in ("shape", "anchor", "material"):
                raise UsageError("unknown option %s" % arg)
            if not eq:
                i += 1
                if i >= len(argv):
                    raise UsageError("--%s needs a value" % key)
                val = argv[i]
            opts[key] = val
        else:
            name, eq, text = arg.partition("=")
            if not eq:
                raise UsageError("expected NAME=TEXT, got %r" % arg)
            if name not in ALL_NAMES:
                raise UsageError("unknown field %r" % name)
            assigned[name] = text
        i += 1
    for key in ("shape", "anchor", "material"):
        if key not in opts:
            raise UsageError("--%s is required" % key)
    if opts["shape"] not in SHAPES:
        raise UsageError("unknown shape %r" % opts["shape"])
    if opts["anchor"] not in ANCHORS:
        raise UsageError("unknown anchor %r" % opts["anchor"])
    if opts["material"] not in MATERIALS:
        raise UsageError("unknown material %r" % opts["material"])
    shape = SHAPES[opts["shape"]]
    for name in assigned:
        if name not in FIELDS[shape]:
            raise UsageError("the %s shape does not read %s" % (opts["shape"], name))
    texts = {}
    for name in FIELDS[shape]:
        texts[name] = assigned.get(name, DEFAULTS.get(name, ""))
    return shape, ANCHORS[opts["anchor"]], MATERIALS[opts["material"]], texts


def run(argv):
    """Returns (exit status, stdout text, stderr text)."""
    try:
        shape, anchor, material, texts = parse_args(argv)
    except UsageError as exc:
        return 2, "", "usage: %s\n" % exc
    try:
        report, passes, bond_safe, _ = calculate(shape, anchor, material, texts)
    except Refused as exc:
        return 2, "", "refused: %s\n" % exc
    except CalcError as exc:
        return 2, "", "the calculation cannot be carried out with these values: %s\n" % exc
    out = report.replace(CRLF, "\n") + "\n"  # ends as a text file does
    advice = judge_msg(report)
    err = "" if advice is None else advice.replace(CRLF, "\n") + "\n"
    ok = passes and (bond_safe is None or bond_safe)
    return (0 if ok else 1), out, err


def main(argv=None):
    if argv is None:
        argv = sys.argv[1:]
    status, out, err = run(argv)
    sys.stdout.buffer.write(out.encode("utf-8"))
    sys.stdout.flush()
    sys.stderr.buffer.write(err.encode("utf-8"))
    sys.stderr.flush()
    return status


if __name__ == "__main__":
    sys.exit(main())
