#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/.

The calculation seeds are the worked examples of the five shapes (read from
tests/support/worked_examples.def, the tests' table), every anchor kind and
material, a running motor, an external force, and the edges: zero divisors,
0/0, overflow, underflow, negative results, odd and fractional counts, and
the refusals. The CSV seeds are equipment schedules as Excel writes them,
in UTF-8 and CP932, with the malformed rows the reader must survive. The
number seeds are every value the worked examples' reports print and the limits of
double.

Run after changing it: python3 fuzz/make_corpus.py (it rewrites the folder).
"""

import os
import re
import shutil
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))

SHAPES = {"floor": 1, "circular": 2, "wall": 3, "ceiling": 4, "braced": 5}
ANCHORS = {"hawk-cut": 1, "l-tip": 2, "j-tip": 3, "bolt-embedded": 4,
           "chemical": 5, "rebar-hooked": 6, "rebar-welded": 7}
MATERIALS = {"SS": 1, "SUS": 2}



def worked_examples():
    """The field texts of each shape's worked example, by its option word.

    An entry is WORKED_EXAMPLE(enums..., "shape", "anchor", "material",
    "NAME=TEXT ...", report lines...).
    """
    path = os.path.join(HERE, "..", "tests", "support", "worked_examples.def")
    with open(path, encoding="utf-8") as f:
        entries = f.read().split("WORKED_EXAMPLE(")[1:]
    examples, printed = {}, set()
    for entry in entries:
        texts = re.findall(r'"([^"]*)"', entry)
        examples[texts[0]] = dict(pair.split("=", 1) for pair in texts[3].split())
        for line in texts[4:]:
            printed.update(re.findall(r"=\s*(-?[0-9.]+(?:E[+-][0-9]+)?)\s*\(", line))
    return examples, printed


# The fields of each example, and every value its report prints.
EXAMPLES, PRINTED = worked_examples()


def calc_seed(shape, anchor="hawk-cut", material="SS", codes=None, **fields):
    s, a, m = codes or (SHAPES[shape], ANCHORS[anchor], MATERIALS[material])
    text = "%d %d %d\n" % (s, a, m)
    text += "".join("%s=%s\n" % kv for kv in fields.items())
    return text.encode()


def calculate_seeds():
    seeds = {}
    for shape, example in EXAMPLES.items():
        seeds[shape + "-example"] = calc_seed(shape, **example)
        seeds[shape + "-sus"] = calc_seed(shape, material="SUS", **example)
        seeds[shape + "-motor-and-force"] = calc_seed(
            shape, **dict(example, P="1.5", N="1500", a="10", F="10"))
        seeds[shape + "-rebar-welded"] = calc_seed(shape, "rebar-welded",
                                                   **example)
    for anchor in list(ANCHORS)[1:]:
        seeds["floor-" + anchor] = calc_seed("floor", anchor,
                                             **EXAMPLES["floor"])
    floor = EXAMPLES["floor"]
    wall = EXAMPLES["wall"]
    edges = {
        "floor-n-zero": calc_seed("floor", **dict(floor, n="0")),
        "floor-zero-over-zero": calc_seed(
            "floor", **dict(floor, n="0", L="0", W="0", HG="0", LG="0")),
        "floor-w-overflows": calc_seed("floor",
                                       **dict(floor, W="1" + "0" * 400)),
        "floor-w-overflows-when-converted": calc_seed(
            "floor", **dict(floor, W="1" + "0" * 307)),
        "floor-l-underflows": calc_seed(
            "floor", **dict(floor, L="0." + "0" * 330 + "1")),
        "floor-smallest-subnormal-l": calc_seed(
            "floor", **dict(floor, L="0." + "0" * 323 + "5")),
        "floor-negative-pull-out": calc_seed("floor",
                                             **dict(floor, LG="300", HG="1")),
        "floor-odd-n": calc_seed("floor", **dict(floor, n="3")),
        "floor-fractional-n": calc_seed("floor", **dict(floor, n="2.5")),
        "floor-danger": calc_seed("floor", **dict(floor, W="50000")),
        "wall-n-zero": calc_seed("wall", **dict(wall, n1="1", n2="1")),
        "wall-l2-zero": calc_seed("wall", **dict(wall, L2="0")),
        "braced-hg-above-h": calc_seed("braced",
                                       **dict(EXAMPLES["braced"], HG="150")),
        "braced-h-zero": calc_seed("braced", **dict(EXAMPLES["braced"], H="0")),
        "circular-d-zero": calc_seed("circular",
                                     **dict(EXAMPLES["circular"], D="0")),
        "ceiling-n-one": calc_seed("ceiling", **dict(EXAMPLES["ceiling"], n="1")),
        "refused-blank": calc_seed("floor", **dict(floor, L="")),
        "refused-diameter": calc_seed("floor", **dict(floor, M="9")),
        "refused-comma": calc_seed("floor", **dict(floor, W="1,5")),
        "refused-minus": calc_seed("floor", **dict(floor, W="-5")),
        "refused-no-shape": calc_seed("floor", codes=(0, 1, 1), **floor),
        "refused-unknown-codes": calc_seed("floor", codes=(9, -3, 300), **floor),
    }
    seeds.update(edges)
    return seeds


HEADER = "id,shape,anchor,material,M,KH,Z,W,n,n1,n2,LG,HG,L,D,H,L1,L2,L1G,L2G,L3G,P,N,a,F"
ROWS = [
    "冷温水ポンプ P-1,floor,hawk-cut,SS,12,1.0,1.0,500,4,,,30,60,50,,,,,,,,3.7,1450,20,0",
    '"給水ポンプ P-2（屋上, 予備）",floor,rebar-hooked,SUS,16,1.0,1.0,350,4,,,25,45,40,,,,,,,,2.2,2900,15,0',
    "受水槽 TK-1,floor,rebar-welded,SS,24,0.6,1.0,18000,12,,,150,110,300,,,,,,,,0,0,0,0",
    "膨張タンク ET-1,circular,l-tip,SUS,16,1.0,1.0,1200,6,,,,90,,120,,,,,,,0,0,0,0",
    "制御盤 CP-1,wall,hawk-cut,SS,12,1.0,1.0,100,,2,2,,,,,,100,100,30,100,50,0,0,0,0",
    "送風機 F-1,ceiling,chemical,SS,12,1.0,1.0,100,4,,,50,50,100,,,,,,,,0.75,1500,10,0",
    '"蓄電池盤 ""BT-1""",braced,j-tip,SS,12,1.0,1.0,100,2,,,20,50,,,100,,,,,,0,0,0,0',
]


def csv_seed(options, text, encoding="utf-8"):
    return bytes(options) + (text.encode(encoding) if isinstance(text, str) else text)


def csv_seeds():
    crlf = "\r\n".join([HEADER] + ROWS) + "\r\n"
    lf = "\n".join([HEADER] + ROWS)
    auto, utf8, cp932 = 0, 1, 2
    usual = [auto, 63, 0, 7]  # 64-byte reads, header's field count expected
    return {
        "schedule-crlf": csv_seed(usual, crlf),
        "schedule-lf-no-final-break": csv_seed([auto, 0, 0, 0], lf),
        "schedule-bom": csv_seed(usual, "\ufeff" + crlf),
        "schedule-cp932": csv_seed(usual, crlf, "cp932"),
        "schedule-cp932-declared": csv_seed([cp932, 7, 0, 7], crlf, "cp932"),
        "schedule-bom-read-as-cp932": csv_seed([cp932, 3, 0, 0], "\ufeff" + crlf),
        "schedule-small-sniff": csv_seed([auto, 5, 0, 8 | 7], crlf, "cp932"),
        "schedule-record-limit": csv_seed([utf8, 4, 40, 0], crlf),
        "quoted-breaks-and-quotes": csv_seed(
            usual, 'a,b,c\r\n"x\r\ny","say ""hi""",\r\n"",,"\n"\r\n'),
        "lone-cr-and-empty-lines": csv_seed(
            [auto, 2, 0, 0], "a,b\r\r\n\nc,d\r,\r\n,,\r"),
        "unclosed-quote-swallows-lines": csv_seed(
            [utf8, 1, 0, 0], 'id,x\r\n"P-1,1\r\nP-2,2\r\nP-3,3\r\n'),
        "text-after-closing-quote": csv_seed(
            [auto, 9, 0, 2], '"a"b,c\r\nd,e"f\r\n"g\r\nh"i,j\r\nk,l\r\n'),
        "invalid-utf8": csv_seed(
            [utf8, 16, 0, 0], b"a,\xff\xfe,b\r\n\xe3\x81,c\r\n\"\xc0\xaf\r\n\",d\r\n"),
        "invalid-cp932": csv_seed(
            [cp932, 16, 0, 0], b"a,\x81\r\n\x82\xa0,\x85\x40\r\n\"\x81\n\"\r\n"),
        "long-quoted-record": csv_seed(
            [auto, 1, 20, 0], '"' + "x" * 30 + "\r\n" + "y" * 30 + '"\r\nz\r\n'),
    }


def number_seeds():
    values = {"example-" + text: float(text) for text in PRINTED}
    values.update({
        "zero": 0.0, "negative-zero": -0.0, "fd": 12.3339218, "mr": 9.55,
        "one-tenth": 0.1, "minus-2-5": -2.5, "ten-to-15": 1e15,
        "fifteen-digits": 123456789012345.0, "sixteen-digits": 1234567890123456.0,
        "rounds-up-to-1e15": 999999999999999.9, "ten-to-minus-4": 0.0001,
        "ten-to-minus-5": 0.00001, "one-third": 1 / 3, "two-thirds": 2 / 3,
        "huge": 1.5e300, "max": sys.float_info.max, "min-normal": sys.float_info.min,
        "min-subnormal": 5e-324, "rounds-to-1e-4": 0.0000999999999999999,
    })
    seeds = {name: struct.pack("<d", v) for name, v in values.items()}
    seeds["area-after-prefix"] = struct.pack("<d", 8.48232e-05) + "A=".encode()
    return seeds


def write(folder, seeds):
    path = os.path.join(HERE, "corpus", folder)
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    for name, data in sorted(seeds.items()):
        with open(os.path.join(path, name), "wb") as f:
            f.write(data)


def main():
    write("calculate", calculate_seeds())
    write("csv_reader", csv_seeds())
    write("number_text", number_seeds())


if __name__ == "__main__":
    main()
