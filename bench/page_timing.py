#!/usr/bin/python3
"""The page's times in headless Chromium.

Each load opens the page from its file anew and waits until it is ready to
calculate; then the floor worked example is typed in and 計算 clicked
several times; then a schedule of 1 000 items (the example schedule's items
repeated under new ids) is opened through the file input. Prints the page's
size and, for each time, median, 95th percentile and range: navigation start
to ready (the first load after the browser starts apart), 計算 click to the
report in the box (the core and the page's own work), 計算 click to the
frame that shows it, and the file chosen to the frame that shows every
verdict of the schedule.

Run: /usr/bin/python3 bench/page_timing.py build-web/zelvaro-web/index.html [LOADS] [CLICKS]
"""

import csv
import os
import shutil
import statistics
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "web"))
import page_test  # noqa: E402  (the driver's paths, the page's controls, the worked examples)


def summary(name, values):
    p95 = sorted(values)[max(0, -(-len(values) * 95 // 100) - 1)]
    return "%-40s median %6.1f ms   p95 %6.1f ms   range %.1f-%.1f ms (%d)" % (
        name, statistics.median(values), p95, min(values), max(values), len(values))


def thousand_items(folder):
    """The example schedule's items repeated to 1 000, each under its own id."""
    with open(page_test.SCHEDULE, encoding="utf-8", newline="") as f:
        rows = list(csv.reader(f))
    path = os.path.join(folder, "schedule-1000.csv")
    with open(path, "w", encoding="utf-8", newline="") as f:
        out = csv.writer(f, lineterminator="\r\n")
        out.writerow(rows[0])
        for i in range(1000):
            row = list(rows[1 + i % (len(rows) - 1)])
            row[0] = "%s #%d" % (row[0], i + 1)
            out.writerow(row)
    return path


def main():
    page = os.path.abspath(sys.argv[1])
    loads = int(sys.argv[2]) if len(sys.argv) > 2 else 10
    clicks = int(sys.argv[3]) if len(sys.argv) > 3 else 10
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.support.ui import WebDriverWait

    size = os.path.getsize(page)
    profile = tempfile.mkdtemp(prefix="zelvaro-page-timing-")
    schedule = thousand_items(profile)
    options = webdriver.ChromeOptions()
    options.binary_location = page_test.CHROMIUM
    for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync", "--user-data-dir=" + profile, "--window-size=1366,768"):
        options.add_argument(flag)
    driver = webdriver.Chrome(service=Service(page_test.CHROMEDRIVER), options=options)
    ready, work, shown, opened, batch = [], [], [], [], []
    try:
        p = page_test.Page(driver)
        for load in range(loads + 1):
            driver.get("about:blank")
            driver.get("file://" + page)
            WebDriverWait(driver, 20).until(
                lambda d: d.execute_script("return document.documentElement.dataset.ready === 'true'"))
            ms = driver.execute_script("return window.zelvaroReadyMs")
            if load == 0:  # the browser's first page: its own start-up is in it
                first = ms
                continue
            ready.append(ms)
            shape, anchor, material, fields = page_test.worked_examples()[0]
            p.fill(shape, anchor, material, fields)
            for _ in range(clicks):
                driver.execute_script("window.zelvaroLastCalcMs = null")
                p.el("Command2").click()
                WebDriverWait(driver, 5).until(lambda d: d.execute_script("return window.zelvaroLastCalcMs !== null"))
                work.append(driver.execute_script("return window.zelvaroLastCalcWorkMs"))
                shown.append(driver.execute_script("return window.zelvaroLastCalcMs"))
            driver.execute_script("window.zelvaroScheduleMs = null")
            p.open_file(schedule)
            WebDriverWait(driver, 20).until(lambda d: d.execute_script("return window.zelvaroScheduleMs !== null"))
            opened.append(driver.execute_script("return window.zelvaroScheduleMs"))
            batch.append(driver.execute_script("return window.zelvaroScheduleCoreMs"))
            driver.execute_script("localStorage.clear()")
    finally:
        driver.quit()
        shutil.rmtree(profile, ignore_errors=True)
    print("index.html (everything inlined): %d bytes" % size)
    print(summary("navigation start -> ready", ready) + "; first load %.1f ms" % first)
    print(summary("計算 click -> report in the box", work))
    print(summary("計算 click -> the frame that shows it", shown))
    print(summary("1 000 items chosen -> every verdict shown", opened))
    print(summary("  of which reading and the batch", batch))
    return 0


if __name__ == "__main__":
    sys.exit(main())
