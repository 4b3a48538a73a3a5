#!/usr/bin/python3
"""The web page in a real browser (headless Chromium through Selenium).

For each shape the worked example is typed into the page's own inputs, with
the key filter active, and the report after 計算 must equal zelvaro-check's
for the same inputs (the header's date apart). A blank field brings the
refusal box and keeps the report; a failing case brings the advice box with
zelvaro-check's text and, under it, its suggestions. The example schedule
opened through the file input lists the verdicts of zelvaro-check --batch,
and a row picked is calculated in the window as zelvaro-check does. Then
one table of the situations a user meets (SITUATIONS): the page opened
alone, without scripts, in a browser that cannot run the core, on a laptop
and at 200 % zoom, a row picked far down the list, an Excel or UTF-16 file,
paste and an input method, printing, a reload, the window's list beside the
page's, what a screen reader hears.
Everything runs on a file:// copy of the unzipped zip when --zip is given.
Exit 77 (skipped) without the page or the browser.

Run: /usr/bin/python3 tests/web/page_test.py --page build-web/zelvaro-web/index.html
         --check build/cli/zelvaro-check [--zip build-web/zelvaro-web.zip] [--screenshots docs]
         [--window-list build/tests/web/window_list_rows]
"""

import argparse
import base64
import csv
import io
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "reference"))

CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"
SKIP = 77
LAPTOP = (1366, 635)  # 1366 x 768 less the taskbar and the browser's bars
NOTE = "はじめにお読みください.txt"
SCHEDULE = os.path.realpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "examples", "schedule.csv"))

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
        from selenium.webdriver.support.ui import WebDriverWait
        self.d, self.By, self.Keys = driver, By, Keys
        self.wait = lambda until, seconds=20: WebDriverWait(driver, seconds).until(lambda d: until())

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

    def load(self, page, size=LAPTOP, zoom=1, ready=True):
        """Opens `page` in a viewport of `size` screen pixels at `zoom`, as a fresh visit."""
        self.d.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
            "width": int(size[0] / zoom), "height": int(size[1] / zoom), "deviceScaleFactor": zoom, "mobile": False})
        self.d.get("file://" + page)
        if ready:
            self.wait(lambda: self.d.execute_script("return document.documentElement.dataset.ready === 'true'"))

    def rect(self, id_):
        return self.d.execute_script("return document.getElementById(arguments[0]).getBoundingClientRect().toJSON()", id_)

    def viewport(self):
        return self.d.execute_script("const e = document.documentElement; return [e.clientWidth, e.clientHeight, e.scrollWidth]")

    def visible_text(self, id_):
        return self.d.execute_script("const e = document.getElementById(arguments[0]); return e.checkVisibility() ? e.innerText : ''", id_)

    def open_file(self, path):
        self.el("ScheduleFile").send_keys(path)

    def open_schedule(self):
        """The example schedule, opened through the file input, listed."""
        self.open_file(SCHEDULE)
        self.wait(lambda: self.el("ScheduleList").is_displayed())
        return self.d.find_elements(self.By.CSS_SELECTOR, "#ScheduleList tr.item")

    def rows(self):
        return self.d.execute_script("return [...document.querySelectorAll('#ScheduleList tr.item')].map(r => r.innerText)")

    def ax(self, id_):
        """(role, name, description) as the accessibility tree has them."""
        doc = self.d.execute_cdp_cmd("DOM.getDocument", {})
        node = self.d.execute_cdp_cmd("DOM.querySelector", {"nodeId": doc["root"]["nodeId"], "selector": "#" + id_})
        ax = self.d.execute_cdp_cmd("Accessibility.getPartialAXTree", {"nodeId": node["nodeId"], "fetchRelatives": False})
        n = [x for x in ax["nodes"] if not x.get("ignored")][0]
        return tuple(n.get(k, {}).get("value", "") for k in ("role", "name", "description"))


# ---- The situations a user meets, one row each.

TO_DO = "zip を展開してから index.html を開いてください／JavaScript を有効にしてください"
SAVE_AS_CSV = "Excel で『CSV UTF-8（コンマ区切り）』または『CSV（コンマ区切り）』で保存してから開いてください"


def page_alone(p, args, tmp):
    """Explorer hands the browser index.html alone: it still starts."""
    alone = os.path.join(tmp, "alone")
    os.makedirs(alone, exist_ok=True)
    shutil.copy(args.page, alone)
    p.load(os.path.join(alone, "index.html"))
    assert p.el("Command2").is_displayed() and not p.el("Starting").is_displayed()


def scripts_off(p, args, tmp):
    """Without JavaScript: no dead form, the sentence that says what to do."""
    p.d.execute_cdp_cmd("Emulation.setScriptExecutionDisabled", {"value": True})
    try:
        p.load(args.page, ready=False)
        assert TO_DO in p.d.find_element(p.By.TAG_NAME, "body").text
        assert not p.el("Form1").is_displayed() and not p.el("Starting").is_displayed()
    finally:
        p.d.execute_cdp_cmd("Emulation.setScriptExecutionDisabled", {"value": False})


def no_exceptions(p, args, tmp):
    """A browser without WebAssembly's exceptions: the browsers that work, no trace."""
    probe = p.d.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument",
                                {"source": "WebAssembly.validate = () => false;"})
    try:
        p.load(args.page, ready=False)
        said = p.el("Starting").text
        assert all(w in said for w in ("Edge", "Chrome", "Firefox", "2022")), said
        assert "Error" not in said and "Aborted" not in said and not p.el("Form1").is_displayed(), said
    finally:
        p.d.execute_cdp_cmd("Page.removeScriptToEvaluateOnNewDocument", {"identifier": probe["identifier"]})


def laptop(p, args, tmp):
    """1366 x 635: the whole form, 計算 and the report's first lines without scrolling, the report beside."""
    p.load(args.page)
    width, height, scroll_width = p.viewport()
    form, text2, command2 = p.rect("Form1"), p.rect("Text2"), p.rect("Command2")
    assert form["bottom"] <= height and command2["bottom"] <= height, (form, command2)
    assert text2["left"] >= form["right"] and text2["top"] + 60 <= height, text2
    assert scroll_width <= width and not p.el("ScheduleList").is_displayed()


def zoomed(p, args, tmp):
    """200 % zoom on 1366 x 768: nothing cut off at the side, nothing scrolls sideways."""
    p.load(args.page, zoom=2)
    width, height, scroll_width = p.viewport()
    assert scroll_width <= width, (scroll_width, width)
    outside = p.d.execute_script(
        "return [...document.querySelectorAll('#Desk input, #Desk select, #Desk button, #Desk label, #Desk img, "
        "#Desk textarea, #Desk legend')].filter(e => { const r = e.getBoundingClientRect();"
        " return r.width && (r.left < 0 || r.right > arguments[0]); }).map(e => e.id || e.textContent)", width)
    assert not outside, outside
    p.el("Command2").location_once_scrolled_into_view
    assert 0 <= p.rect("Command2")["top"] < height


def row_far_down(p, args, tmp):
    """A row clicked while scrolled to the list: marked, calculated, its report in view."""
    p.load(args.page)
    row = p.open_schedule()[-1]  # under the bottom of a laptop's screen
    p.d.execute_script("arguments[0].scrollIntoView({block: 'end'})", row)
    assert p.d.execute_script("return window.scrollY") > 0
    row.click()
    p.close_dialogs()
    text2, height = p.rect("Text2"), p.viewport()[1]
    assert 0 <= text2["top"] and text2["top"] + 60 <= height, text2
    # On a laptop the row stays in sight beside its report, under the form.
    assert p.d.execute_script("const r = arguments[0].getBoundingClientRect(); return r.bottom <= innerHeight"
                              " && document.elementFromPoint(r.x + 5, r.y + 5) === arguments[0].cells[0]", row)
    assert "selected" in row.get_attribute("class") and "aria-current" in row.get_attribute("outerHTML")
    # The keyboard: the arrows move along the list, Enter picks.
    row.send_keys(p.Keys.ARROW_UP + p.Keys.ARROW_DOWN + p.Keys.ENTER)
    p.close_dialogs()
    assert p.d.execute_script("return document.activeElement") == row
    with open(SCHEDULE, encoding="utf-8", newline="") as f:
        item = list(csv.DictReader(f))[-1]
    fields = {k: v for k, v in item.items() if k not in ("id", "shape", "anchor", "material") and v}
    expected = native(args.check, item["shape"], item["anchor"], item["material"], fields)
    assert without_date(p.report()) == without_date(expected.stdout), item["id"]
    assert p.el("SheetEquipmentInput").get_attribute("value") == item["id"]
    if args.screenshots:
        p.d.execute_script("document.activeElement.blur(); window.scrollTo(0, 0)")
        p.d.save_screenshot(os.path.join(args.screenshots, "web.png"))
        p.d.execute_script("document.getElementById('Schedule').scrollIntoView()")
        p.d.save_screenshot(os.path.join(args.screenshots, "web-list.png"))


def foreign_files(p, args, tmp):
    """An Excel workbook, then Excel's Unicode text: told to save as CSV; the list shown stays."""
    p.load(args.page)
    p.open_schedule()
    before = p.rows()
    with open(SCHEDULE, encoding="utf-8") as f:
        text = f.read()
    for name, data in (("機器表.xlsx", b"PK\x03\x04\x14\x00\x06\x00" + bytes(range(256))),
                       ("機器表.txt", text.encode("utf-16"))):
        path = os.path.join(tmp, name)
        with open(path, "wb") as f:
            f.write(data)
        p.open_file(path)
        p.wait(p.dialog)
        said = p.dialog()[1]
        assert SAVE_AS_CSV in said and "schedule.csv" in said and "--" not in said and "\\x" not in said, said
        p.close_dialogs()
        assert p.rows() == before


def paste_and_ime(p, args, tmp):
    """Pasted text and an input method's commit go through the key filter after folding to half-width."""
    p.load(args.page)
    p.type_into("Text1_0", "")
    p.d.execute_script(
        "const dt = new DataTransfer(); dt.setData('text/plain', '１２a34'); document.getElementById('Text1_0')"
        ".dispatchEvent(new ClipboardEvent('paste', {clipboardData: dt, bubbles: true, cancelable: true}))")
    assert p.el("Text1_0").get_attribute("value") == "1234"
    p.type_into("Text1_7", "")
    p.d.execute_cdp_cmd("Input.imeSetComposition", {"text": "１２．５", "selectionStart": 4, "selectionEnd": 4})
    p.d.execute_cdp_cmd("Input.insertText", {"text": "１２．５"})
    assert p.el("Text1_7").get_attribute("value") == "12.5"


def lists_and_reload(p, args, tmp):
    """A KH list opened and closed keeps its value; a reload keeps the inputs, the report and the list."""
    p.load(args.page)
    button = p.d.find_element(p.By.CSS_SELECTOR, "#Combo2-box button")
    button.click()
    assert p.el("Combo2").get_attribute("aria-expanded") == "true"
    button.click()
    assert p.el("Combo2").get_attribute("value") == "2.0"
    p.open_schedule()[1].click()
    p.close_dialogs()
    p.type_into("Text1_0", "777")
    kept = (p.rows(), p.report(), p.el("SheetEquipmentInput").get_attribute("value"))
    p.d.refresh()
    p.load(args.page)
    p.wait(p.rows)
    assert (p.rows(), p.report(), p.el("SheetEquipmentInput").get_attribute("value")) == kept
    assert p.el("Text1_0").get_attribute("value") == "777" and p.el("Option1").is_selected()
    assert p.d.find_elements(p.By.CSS_SELECTOR, "#ScheduleList tr.item")[1].get_attribute("aria-current")
    p.el("Command4").click()  # 終了, then キャンセル: nothing is lost
    p.el("MessageCancel").click()
    assert p.rows() == kept[0] and p.el("Text1_0").get_attribute("value") == "777"
    p.el("StartAfresh").click()
    p.el("MessageOK").click()
    p.wait(lambda: not p.rows())
    p.load(args.page)
    assert not p.rows() and p.el("Text1_0").get_attribute("value") == ""


def storage_full(p, args, tmp):
    """A schedule the browser's storage cannot keep is said, not lost unsaid at the next reload."""
    p.load(args.page)
    p.d.execute_script("Storage.prototype.setItem = function () {"
                       " throw new DOMException('full', 'QuotaExceededError'); }")
    p.open_schedule()
    p.wait(p.dialog)
    assert "ブラウザに保存しきれません" in p.dialog()[1], p.dialog()


def printing(p, args, tmp):
    """印刷… puts the title block's names on the sheet; 全件を印刷… a cover and a page per calculated item, n / N."""
    p.load(args.page)
    p.open_schedule()[0].click()
    p.close_dialogs()
    p.type_into("SheetProjectInput", "")
    p.el("SheetProjectInput").send_keys("新棟工事")
    p.d.execute_script("window.print = () => window.dispatchEvent(new Event('beforeprint'))")
    p.el("PrintSheet").click()
    title = p.d.execute_script("return [...document.querySelectorAll('#Sheets .title-block span')].map(s => s.textContent)")
    with open(SCHEDULE, encoding="utf-8", newline="") as f:
        items = list(csv.DictReader(f))
    assert title[1:3] == ["新棟工事", items[0]["id"]], title
    p.el("PrintAll").click()
    numbers = p.d.execute_script("return [...document.querySelectorAll('#Sheets .page-number')].map(s => s.textContent)")
    statuses = p.d.execute_script("return [...document.querySelectorAll('#ScheduleList tr.item')].map(r => r.dataset.status)")
    pages = 1 + sum(s != "refused" for s in statuses)
    assert numbers == ["%d / %d" % (i + 1, pages) for i in range(pages)], numbers
    pdf = base64.b64decode(p.d.execute_cdp_cmd("Page.printToPDF", {"paperWidth": 8.27, "paperHeight": 11.69})["data"])
    counts = [int(n) for n in re.findall(rb"/Count (\d+)", pdf)]
    assert max(counts) == pages, (counts, pages)


def same_list_as_window(p, args, tmp):
    """The list shows the window's list: its columns, and every row's words and figures, on a laptop and at 200 %."""
    if not args.window_list:
        return  # a build without the window has no list to compare with
    shown = subprocess.run([args.window_list, SCHEDULE], capture_output=True, check=True,
                           env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
    window = json.loads(shown.stdout)
    rb = window["header"].index("Rb(kg)")
    assert any(row[rb] for row in window["rows"]), window  # figures compared, not blanks
    for zoom in (1, 2):
        p.load(args.page, zoom=zoom)
        p.open_schedule()
        assert p.d.execute_script(
            "return [...document.querySelectorAll('#ScheduleList th')].map(c => c.textContent)") == window["header"]
        rows = p.d.execute_script(
            "return [...document.querySelectorAll('#ScheduleList tr.item')].map(r => [...r.cells].map(c => c.textContent))")
        assert len(rows) == len(window["rows"]), (len(rows), len(window["rows"]))
        for i, (page_row, window_row) in enumerate(zip(rows, window["rows"])):
            assert page_row == window_row, (zoom, i, page_row, window_row)
        # A list wider than the screen scrolls in its box, never the page.
        width, height, scroll_width = p.viewport()
        assert scroll_width <= width, (zoom, scroll_width, width)


def screen_reader(p, args, tmp):
    """What a screen reader announces: the box's title and text, the report box, a band, a combo box."""
    p.load(args.page)
    p.el("Command1").click()
    role, name, description = p.ax("MessageBox")
    assert role == "dialog" and name == "Information" and description.startswith("本ｿﾌﾄは"), (role, name)
    p.close_dialogs()
    assert p.ax("Text2")[1] == "計算結果"
    assert p.ax("Frame3")[:2] == ("group", "②ｱﾝｶ種類選択")
    assert p.ax("Combo4")[0] == "combobox"


SITUATIONS = [
    ("index.html alone in a folder", page_alone),
    ("JavaScript off", scripts_off),
    ("a browser without WebAssembly's exceptions", no_exceptions),
    ("a laptop, 1366 x 635", laptop),
    ("200 % zoom on 1366 x 768", zoomed),
    ("a row clicked while scrolled to the list", row_far_down),
    ("an .xlsx and a UTF-16 file", foreign_files),
    ("paste and a composed IME commit", paste_and_ime),
    ("a KH list looked at, then a reload", lists_and_reload),
    ("a storage too full to keep the schedule", storage_full),
    ("印刷… and 全件を印刷…", printing),
    ("the window's list, row for row", same_list_as_window),
    ("a dialog's accessible name and description", screen_reader),
]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--page", required=True)
    ap.add_argument("--check", required=True)
    ap.add_argument("--zip")
    ap.add_argument("--screenshots")
    ap.add_argument("--window-list", help="window_list_rows: the window's list of a schedule as JSON")
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

    profile = tempfile.mkdtemp(prefix="zelvaro-web-test-")
    if args.zip:  # the folder a user unzips, with its note on how to open the page
        zipfile.ZipFile(args.zip).extractall(profile)
        args.page = os.path.join(profile, "zelvaro-web", "index.html")
        with open(os.path.join(profile, "zelvaro-web", NOTE), "rb") as f:
            note = f.read()
        assert note.startswith(b"\xef\xbb\xbf") and note.count(b"\n") == note.count(b"\r\n") > 3, note
        # ... and the licence and the third-party notice the page's Info names
        for notice in ("LICENSE.txt", "THIRD-PARTY-NOTICES.txt"):
            assert os.path.getsize(os.path.join(profile, "zelvaro-web", notice)) > 0, notice
    args.page = os.path.abspath(args.page)
    size = os.path.getsize(args.page)
    assert size <= 1_500_000, "the page is %d bytes" % size

    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 "--user-data-dir=" + profile):
        options.add_argument(flag)
    driver = webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)
    try:
        p = Page(driver)
        p.load(args.page, size=(760, 900))
        ready_ms = driver.execute_script("return window.zelvaroReadyMs")

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
        p.open_schedule()
        batch = subprocess.run([args.check, "--batch", SCHEDULE], capture_output=True)
        table = list(csv.DictReader(io.StringIO(batch.stdout.decode("utf-8-sig"), newline="")))
        shown = driver.execute_script(
            "return [...document.querySelectorAll('#ScheduleList tbody tr.item')].map(r => r.dataset.status)")
        assert table and shown == [row["status"] for row in table], (shown, table)
        # 終了 asks before it clears a loaded list, then brings the page back to its start state.
        p.el("Command4").click()
        assert p.dialog()[1] == "入力と機器表をクリアしますか", p.dialog()
        p.el("MessageOK").click()
        p.wait(lambda: not p.rows())  # the box's answer arrives with its close event
        start = driver.execute_script(
            "return ['Text2','Text1_0','Combo1','Combo2','Combo3','Combo4'].map(i => document.getElementById(i).value)"
            ".concat(['Option1','Check1','Text1_8'].map(i => document.getElementById(i).checked"
            " || document.getElementById(i).disabled))")
        assert start == ["", "", "8", "2.0", "0", "1.0", False, False, True], start

        for name, situation in SITUATIONS:
            try:
                driver.execute_script("localStorage.clear()")
                situation(p, args, profile)
            except Exception:
                print("situation failed: " + name, file=sys.stderr)
                raise
            p.close_dialogs()

        print("page: %d bytes; ready %.1f ms after navigation; 計算 to report shown: max %.1f ms"
              % (size, ready_ms, max(calc_ms)))
    finally:
        driver.quit()
        shutil.rmtree(profile, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
