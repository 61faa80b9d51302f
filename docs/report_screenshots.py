"""Screenshots of a zivro-grade report for docs/testing-your-program.md: the
class table and a student's page, opened from disk in headless Chromium.
Usage: report_screenshots.py REPORT_DIR STUDENT OUT_DIR"""
import pathlib
import sys
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

report, student, out = pathlib.Path(sys.argv[1]).resolve(), sys.argv[2], pathlib.Path(sys.argv[3])
options = webdriver.ChromeOptions()
options.binary_location = "/usr/bin/chromium"
for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run",
                 "--hide-scrollbars", "--force-device-scale-factor=0.75",
                 "--user-data-dir=" + tempfile.mkdtemp(prefix="zivro-shots-")):
    options.add_argument(argument)
driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def shoot(page, name, width, height):
    driver.set_window_size(width, height)
    driver.get((report / page).as_uri())
    end = time.monotonic() + 10
    while not driver.execute_script("return Array.from(document.images).every(i => i.complete)"):
        if time.monotonic() > end:
            raise SystemExit(f"{page}: its pictures did not load")
        time.sleep(0.05)
    target = out / name
    driver.save_screenshot(str(target))
    print(f"{target}: {target.stat().st_size} bytes")


try:
    shoot("index.html", "report-index.png", 1000, 640)
    shoot(f"students/{student}.html", "report-student.png", 1000, 1150)
finally:
    driver.quit()
