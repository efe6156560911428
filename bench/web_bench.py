#!/usr/bin/python3
"""The web page's size and start-up: every file of build-web/site, as is and
gzipped, and the time from navigation until the main window waits for
input in headless Chromium, then the time of a Read on the simulated
controller. Prints; asserts nothing. Build the site first
(scripts/build-web.sh); run with Debian's Python, which has Selenium."""

import functools
import gzip
import http.server
import os
import statistics
import sys
import threading
import time

from selenium import webdriver
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By

SITE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "build-web", "site")
RUNS = 5


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def sizes():
    total = packed = 0
    for name in sorted(os.listdir(SITE)):
        with open(os.path.join(SITE, name), "rb") as f:
            data = f.read()
        small = len(gzip.compress(data, 9))
        total += len(data)
        packed += small
        print(f"  {name:24} {len(data):9} bytes  {small:9} gzipped")
    print(f"  {'all':24} {total:9} bytes  {packed:9} gzipped")


def wait(driver, script, timeout=60):
    end = time.time() + timeout
    while time.time() < end:
        if driver.execute_script(script):
            return
        time.sleep(0.005)
    raise SystemExit("the page never waited for input")


def main():
    if not os.path.isdir(SITE):
        raise SystemExit("no build-web/site: run scripts/build-web.sh first")
    sizes()
    handler = functools.partial(QuietHandler, directory=SITE)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    url = f"http://127.0.0.1:{server.server_address[1]}/index.html?simulate"

    options = Options()
    for arg in ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage"]:
        options.add_argument(arg)
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    ready, reads = [], []
    idle = "return typeof KvrPage !== 'undefined' && KvrPage.idle()"
    try:
        for _ in range(RUNS):
            driver.get(url)
            wait(driver, idle)
            # From the navigation's start, as the page's own clock has it.
            ready.append(driver.execute_script("return performance.now()"))
            start = time.perf_counter()
            driver.find_element(By.XPATH, "//main//button[normalize-space()='Read']").click()
            wait(driver, idle)
            reads.append((time.perf_counter() - start) * 1000)
    finally:
        driver.quit()
        server.shutdown()
    print(f"  navigation to an interactive window: median {statistics.median(ready):.0f} ms "
          f"(min {min(ready):.0f}, max {max(ready):.0f}, {RUNS} runs)")
    print(f"  Read on the simulated controller:     median {statistics.median(reads):.0f} ms")
    return 0


if __name__ == "__main__":
    sys.exit(main())
