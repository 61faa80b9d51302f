"""A zivro-grade report opened from disk in headless Chromium: every picture
and animation loads, every local link leads to a file, the class table sorts
by the heading clicked, each scrubber shows every frame it lists, and no page
logs an error to the console.
Usage: report_browser_test.py REPORT_DIR; prints what is wrong, exits 1 if anything is."""
import pathlib
import sys
import tempfile
import time
import urllib.parse

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By

report = pathlib.Path(sys.argv[1]).resolve()
problems = []
counts = {"pages": 0, "pictures": 0, "animations": 0, "scrubbed": 0}


def start_browser():
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run",
                     "--disable-background-networking", "--disable-component-update",
                     "--disable-sync", "--window-size=1000,900",
                     "--user-data-dir=" + tempfile.mkdtemp(prefix="zivro-report-")):
        options.add_argument(argument)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    driver.set_page_load_timeout(30)
    return driver


def wait_for(condition, what, seconds=10):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if condition():
            return True
        time.sleep(0.05)
    problems.append("timed out waiting for " + what)
    return False


SHOWN_PICTURES = "Array.from(document.images).filter(i => i.getAttribute('src') && !i.hidden)"


def check_pictures(driver, where, counted=True):
    wait_for(lambda: driver.execute_script(f"return {SHOWN_PICTURES}.every(i => i.complete)"),
             where + ": its pictures to load")
    for source, width in driver.execute_script(
            f"return {SHOWN_PICTURES}.map(i => [i.getAttribute('src'), i.naturalWidth])"):
        counts["pictures"] += counted
        counts["animations"] += counted and source.endswith(".webp")
        if width <= 0:
            problems.append(f"{where}: {source} does not load")


def check_links(driver, where):
    # Links and pictures, and anything else fetched: nothing from elsewhere.
    for target in driver.execute_script(
            "return Array.from(document.querySelectorAll('[href], [src]'))"
            ".map(e => e.href || e.src)"):
        address = urllib.parse.urlparse(target)
        path = pathlib.Path(urllib.parse.unquote(address.path))
        if address.scheme != "file" or not path.is_file() or report not in path.parents:
            problems.append(f"{where}: {target} is not a file of the report")


def column(driver, index):
    return [row.find_elements(By.TAG_NAME, "td")[index].text
            for row in driver.find_elements(By.CSS_SELECTOR, "table.sortable tbody tr")]


def check_sorting(driver):
    headings = driver.find_elements(By.CSS_SELECTOR, "table.sortable th")
    total = len(headings) - 1
    for heading, index, key in ((headings[total], total, float), (headings[0], 0, str)):
        heading.click()
        values = [key(value) for value in column(driver, index)]
        if values != sorted(values):
            problems.append(f"index.html: a click on {heading.text!r} does not sort up: {values}")
        heading.click()
        values = [key(value) for value in column(driver, index)]
        if values != sorted(values, reverse=True):
            problems.append(f"index.html: a second click on {heading.text!r} does not sort down")


def check_scrubbers(driver, where):
    for scrubber in driver.find_elements(By.CSS_SELECTOR, ".scrubber"):
        frames = driver.execute_script("return JSON.parse(arguments[0].dataset.frames)", scrubber)
        for position, (frame, expected, actual, differs) in enumerate(frames):
            driver.execute_script("var r = arguments[0].querySelector('input'); r.value = arguments[1];"
                                  "r.dispatchEvent(new Event('input'));", scrubber, position)
            shown = driver.execute_script(
                "var s = arguments[0]; return [s.querySelector('output').textContent]"
                ".concat(['expected', 'actual'].map(c => s.querySelector('img.' + c).hidden ? ''"
                " : s.querySelector('img.' + c).getAttribute('src')))", scrubber)
            if shown != [str(frame) + (", differs" if differs else ""), expected, actual]:
                problems.append(f"{where}: the scrubber at {position} shows {shown}, "
                                f"not frame {frame}'s pictures")
            check_pictures(driver, f"{where} at frame {frame}", counted=False)
            counts["scrubbed"] += 1


driver = start_browser()
try:
    pages = [report / "index.html"] + sorted((report / "students").glob("*.html"))
    for page in pages:
        where = str(page.relative_to(report))
        driver.get(page.as_uri())
        counts["pages"] += 1
        check_pictures(driver, where)
        check_links(driver, where)
        if page.name == "index.html":
            check_sorting(driver)
        check_scrubbers(driver, where)
        for entry in driver.get_log("browser"):
            if entry["level"] == "SEVERE":
                problems.append(f"{where}: console: {entry['message']}")
finally:
    driver.quit()

if not counts["animations"] or not counts["scrubbed"]:
    problems.append("no animation or no scrubber in the report")
for problem in problems:
    print(problem)
print("report in the browser: {pages} pages, {pictures} pictures shown ({animations} animations), "
      "{scrubbed} scrubber frames".format(**counts))
sys.exit(1 if problems else 0)
