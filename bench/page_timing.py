#!/usr/bin/python3
"""The page's times in headless Chromium, medians over several loads.

Each load opens the page from its file anew and waits until it is ready to
calculate; then the floor worked example is typed in and 計算 clicked
several times. Prints the page's size and, for each time, median and range:
navigation start to ready, 計算 click to the report in the box (the core
and the page's own work), and 計算 click to the frame that shows it.

Run: /usr/bin/python3 bench/page_timing.py build-web/zelvaro-web/index.html [LOADS] [CLICKS]
"""

import os
import shutil
import statistics
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "web"))
import page_test  # noqa: E402  (the driver's paths, the page's controls, the worked examples)


def summary(name, values):
    return "%-40s median %6.1f ms   range %.1f-%.1f ms (%d)" % (
        name, statistics.median(values), min(values), max(values), len(values))


def main():
    page = os.path.abspath(sys.argv[1])
    loads = int(sys.argv[2]) if len(sys.argv) > 2 else 10
    clicks = int(sys.argv[3]) if len(sys.argv) > 3 else 10
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.support.ui import WebDriverWait

    folder = os.path.dirname(page)
    size = sum(os.path.getsize(os.path.join(folder, f)) for f in ("index.html", "zelvaro-web.js", "page.js", "style.css"))
    profile = tempfile.mkdtemp(prefix="zelvaro-page-timing-")
    options = webdriver.ChromeOptions()
    options.binary_location = page_test.CHROMIUM
    for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync", "--user-data-dir=" + profile, "--window-size=760,900"):
        options.add_argument(flag)
    driver = webdriver.Chrome(service=Service(page_test.CHROMEDRIVER), options=options)
    ready, work, shown = [], [], []
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
    finally:
        driver.quit()
        shutil.rmtree(profile, ignore_errors=True)
    print("index.html, page.js, style.css, zelvaro-web.js: %d bytes" % size)
    print(summary("navigation start -> ready", ready) + "; first load %.1f ms" % first)
    print(summary("計算 click -> report in the box", work))
    print(summary("計算 click -> the frame that shows it", shown))
    return 0


if __name__ == "__main__":
    sys.exit(main())
