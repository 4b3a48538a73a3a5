#!/usr/bin/python3
"""The web page in a real browser (headless Chromium through Selenium).

For each shape the worked example is typed into the page's own inputs, with
the key filter active, and the report after 計算 must equal zelvaro-check's
for the same inputs (the header's date apart). A blank field brings the
refusal box and keeps the report; a failing case brings the advice box with
zelvaro-check's text and, under it, its suggestions. The example schedule
opened through the file input lists the verdicts of zelvaro-check --batch,
and a row picked is calculated in the window as zelvaro-check does. Exit 77 (skipped) without the page or the browser.

Run: /usr/bin/python3 tests/web/page_test.py --page build-web/zelvaro-web/index.html
         --check build/cli/zelvaro-check [--screenshot docs/web.png]
"""

import argparse
import csv
import io
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "reference"))

CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"
SKIP = 77
SCREENSHOT_SIZE = (760, 1440)
SCHEDULE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "examples", "schedule.csv")

# The window's control that takes each symbol (capture reads them there).
FIELD = {"W": "Text1_0", "n": "Text1_1", "n1": "Text1_1", "LG": "Text1_2", "L1G": "Text1_2",
         "HG": "Text1_3", "L2": "Text1_3", "L2G": "Text1_4", "N": "Text1_5", "a": "Text1_6",
         "L": "Text1_7", "D": "Text1_7", "L1": "Text1_7", "H": "Text1_7", "n2": "Text1_8", "nt": "Text1_8",
         "L3G": "Text1_9", "F": "Text1_10", "M": "Combo1", "KH": "Combo2", "P": "Combo3", "Z": "Combo4"}
SHAPE_BUTTON = {"floor": "Option1", "circular": "Option2", "wall": "Option7", "ceiling": "Option8",
                "braced": "Option9"}
ANCHOR_BUTTON = {"hawk-cut": "Option10", "chemical": "Option6", "rebar-welded": "Option5"}
MATERIAL_BUTTON = {"SS": "Option3", "SUS": "Option4"}


def worked_examples():
    import worked_examples_test as w

    def example(shape, **changes):
        return dict(w.EXAMPLES[shape][2], **changes)
    return [
        ("floor", "hawk-cut", "SS", example("floor")),
        ("circular", "hawk-cut", "SS", example("circular")),
        ("wall", "chemical", "SUS", example("wall")),
        ("ceiling", "hawk-cut", "SS", example("ceiling", P="0.75", N="1500", a="50")),
        ("braced", "rebar-welded", "SS", example("braced", F="10")),
    ]


def native(check, shape, anchor, material, fields):
    argv = [check, "--shape", shape, "--anchor", anchor, "--material", material]
    argv += ["%s=%s" % kv for kv in fields.items()]
    return subprocess.run(argv, capture_output=True, text=True)


def without_date(report):
    lines = report.replace("\r\n", "\n").split("\n")
    assert lines[0].startswith("～～～～～"), lines[0]
    return "\n".join(lines[1:]).rstrip("\n")


def lines_of(text):
    return text.replace("\r\n", "\n").replace("\r", "\n")


def assert_advice(shown, stderr):
    """The advice box: zelvaro-check's title and advice, the suggestions set apart under it."""
    assert shown is not None and shown[2], shown
    assert shown[2].split("\n")[0] not in shown[1], shown
    assert "\n".join(shown) == lines_of(stderr).rstrip("\n"), (shown, stderr)


class Page:
    def __init__(self, driver):
        from selenium.webdriver.common.by import By
        from selenium.webdriver.common.keys import Keys
        self.d, self.By, self.Keys = driver, By, Keys

    def el(self, id_):
        return self.d.find_element(self.By.ID, id_)

    def type_into(self, id_, text):
        """Empties the field with the keyboard and types `text` key by key."""
        field = self.el(id_)
        field.click()
        field.send_keys(self.Keys.END + self.Keys.BACKSPACE * 12)
        field.send_keys(text)

    def dialog(self):
        """(title, text, the lines under it) of the open message box, or None."""
        if not self.d.execute_script("return document.getElementById('MessageBox').open"):
            return None
        return tuple(self.d.execute_script(
            "return ['MessageTitle', 'MessageText', 'MessageInformative'].map("
            "i => document.getElementById(i).hidden ? '' : document.getElementById(i).textContent)"))

    def close_dialogs(self):
        while self.dialog():
            self.el("MessageOK").click()

    def report(self):
        return self.d.execute_script("return document.getElementById('Text2').value")

    def fill(self, shape, anchor, material, fields):
        from selenium.webdriver.support.ui import Select
        self.el(SHAPE_BUTTON[shape]).click()
        self.el(ANCHOR_BUTTON[anchor]).click()
        self.el(MATERIAL_BUTTON[material]).click()
        # The check boxes on exactly when the case has motor data or an external force.
        for box, names in (("Check1", "PNa"), ("Check2", "F")):
            if self.el(box).is_selected() != any(n in fields for n in names):
                self.el(box).click()
        for name, text in fields.items():
            id_ = FIELD[name]
            if id_ == "Combo1":
                Select(self.el(id_)).select_by_visible_text(text)
                continue
            # Letters, a sign and a second point between the digits must be refused.
            noisy = "".join(ch + ("x-." if ch == "." else "a ") for ch in text)
            self.type_into(id_, noisy)
            value = self.el(id_).get_attribute("value")
            assert value == text, "%s: typed %r, field holds %r" % (id_, noisy, value)

    def calculate(self):
        self.el("Command2").click()
        return self.d.execute_script("return window.zelvaroLastCalcMs")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--page", required=True)
    ap.add_argument("--check", required=True)
    ap.add_argument("--screenshot")
    args = ap.parse_args()
    if not os.path.isfile(args.page):
        print("skipped: no page at %s (scripts/build-web builds it)" % args.page)
        return SKIP
    if not (os.access(CHROMIUM, os.X_OK) and os.access(CHROMEDRIVER, os.X_OK)):
        print("skipped: no %s or %s" % (CHROMIUM, CHROMEDRIVER))
        return SKIP
    try:
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
    except ImportError:
        print("skipped: no python3-selenium")
        return SKIP

    page_dir = os.path.dirname(os.path.abspath(args.page))
    size = sum(os.path.getsize(os.path.join(page_dir, f))
               for f in ("index.html", "zelvaro-web.js", "page.js", "style.css"))
    assert size <= 1_500_000, "page and script are %d bytes" % size
    # The folder (and its zip) carry the licence and the third-party notice.
    with zipfile.ZipFile(os.path.join(os.path.dirname(page_dir), "zelvaro-web.zip")) as z:
        zipped = z.namelist()
    for notice in ("LICENSE.txt", "THIRD-PARTY-NOTICES.txt"):
        assert os.path.getsize(os.path.join(page_dir, notice)) > 0, notice
        assert "zelvaro-web/" + notice in zipped, zipped

    profile = tempfile.mkdtemp(prefix="zelvaro-web-test-")
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 "--user-data-dir=" + profile, "--window-size=760,900"):
        options.add_argument(flag)
    driver = webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)
    try:
        driver.get("file://" + os.path.abspath(args.page))
        from selenium.webdriver.support.ui import WebDriverWait
        WebDriverWait(driver, 20).until(
            lambda d: d.execute_script("return document.documentElement.dataset.ready === 'true'"))
        ready_ms = driver.execute_script("return window.zelvaroReadyMs")
        p = Page(driver)

        calc_ms = []
        for shape, anchor, material, fields in worked_examples():
            p.fill(shape, anchor, material, fields)
            calc_ms.append(p.calculate())
            expected = native(args.check, shape, anchor, material, fields)
            shown = p.dialog()
            if expected.returncode == 1:  # advice: the same box as the native one
                assert_advice(shown, expected.stderr)
            else:
                assert expected.returncode == 0 and shown is None, (shape, expected.returncode, shown)
            p.close_dialogs()
            assert without_date(p.report()) == without_date(expected.stdout), shape

        # A failing case: the advice box with the native text.
        failing = dict(worked_examples()[0][3], W="50000")
        p.fill("floor", "hawk-cut", "SS", failing)
        p.calculate()
        expected = native(args.check, "floor", "hawk-cut", "SS", failing)
        assert expected.returncode == 1, expected.returncode
        assert_advice(p.dialog(), expected.stderr)
        p.close_dialogs()
        failing_report = p.report()
        assert without_date(failing_report) == without_date(expected.stdout)

        # A mouse release in the result box selects the whole report.
        p.el("Text2").click()
        assert driver.execute_script(
            "const t = document.getElementById('Text2'); return [t.selectionStart, t.selectionEnd]") \
            == [0, len(failing_report)]

        # A blank field: the refusal box, and the previous report stays.
        p.type_into("Text1_0", "")
        p.calculate()
        refusal = p.dialog()
        assert refusal is not None and refusal[0] == "ERROR", refusal
        p.close_dialogs()
        assert p.report() == failing_report

        # Two rows of four, only the end bolts in tension: nt in band five. (The
        # wall's n2 above did not stay in the field as the ceiling's nt.)
        nt_case = dict(worked_examples()[0][3], n="8", nt="2")
        p.fill("floor", "hawk-cut", "SS", nt_case)
        p.calculate()
        p.close_dialogs()
        assert "n=8(本)  nt=2(本)" in p.report(), p.report()
        assert without_date(p.report()) == without_date(native(args.check, "floor", "hawk-cut", "SS", nt_case).stdout)

        # The diameter box refuses typing with the window's message.
        p.el("Combo1").send_keys("9")
        assert p.dialog() == ("入力できません", "ボルトは選択以外の径は強度基準が無いため､入力できません", ""), p.dialog()
        p.close_dialogs()

        p.el("Command1").click()
        assert p.dialog()[0] == "Information" and p.dialog()[1].startswith("本ｿﾌﾄは"), p.dialog()
        # ... and names the licence and the third-party notice the page's folder holds
        assert "LICENSE.txt" in p.dialog()[2] and "THIRD-PARTY-NOTICES.txt" in p.dialog()[2], p.dialog()
        p.close_dialogs()

        # The example schedule: the list has the verdicts of the batch, row by row.
        p.el("ScheduleFile").send_keys(os.path.abspath(SCHEDULE))
        WebDriverWait(driver, 20).until(lambda d: p.el("ScheduleList").is_displayed())
        batch = subprocess.run([args.check, "--batch", SCHEDULE], capture_output=True)
        table = list(csv.DictReader(io.StringIO(batch.stdout.decode("utf-8-sig"), newline="")))
        shown = driver.execute_script(
            "return [...document.querySelectorAll('#ScheduleList tbody tr')].map(r => r.dataset.status)")
        assert table and shown == [row["status"] for row in table], (shown, table)
        # A row picked is loaded into the window and calculated as zelvaro-check does.
        with open(SCHEDULE, encoding="utf-8", newline="") as f:
            item = next(csv.DictReader(f))
        fields = {k: v for k, v in item.items() if k not in ("id", "shape", "anchor", "material") and v}
        expected = native(args.check, item["shape"], item["anchor"], item["material"], fields)
        driver.find_element(p.By.CSS_SELECTOR, "#ScheduleList tbody tr").click()
        p.close_dialogs()
        assert without_date(p.report()) == without_date(expected.stdout), item["id"]
        if args.screenshot:  # the form with that report and the list with its verdicts
            driver.set_window_size(*SCREENSHOT_SIZE)
            driver.execute_script("document.activeElement.blur(); window.scrollTo(0, 0)")
            driver.save_screenshot(args.screenshot)

        # 終了 brings the page back to its start state.
        p.el("Command4").click()
        start = driver.execute_script(
            "return ['Text2','Text1_0','Combo1','Combo2','Combo3','Combo4'].map(i => document.getElementById(i).value)"
            ".concat(['Option1','Check1','Text1_8'].map(i => document.getElementById(i).checked"
            " || document.getElementById(i).disabled))")
        assert start == ["", "", "8", "2.0", "0", "1.0", False, False, True], start

        print("page and script: %d bytes; ready %.1f ms after navigation; 計算 to report shown: max %.1f ms"
              % (size, ready_ms, max(calc_ms)))
    finally:
        driver.quit()
        shutil.rmtree(profile, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
