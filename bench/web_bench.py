#!/usr/bin/python3
"""The web page's size and start-up: every file of build-web/site, as is and
gzipped, and the time from navigation until the main window waits for
input in headless Chromium, then the time of a Read on the simulated
controller; then a Read through the page's own serial device on the
stand-in port (tests/web) on each wiring, with and without a latency per
line change and status read, against the protocol's pauses and the calls'
latency. Prints; asserts nothing. Build the site first
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

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "web"))
from stand_in import stand_in_source, wait_idle  # noqa: E402

SITE = os.path.join(HERE, "..", "build-web", "site")
RUNS = 5
# The stand-in port's wirings and latencies per line change and status read.
PORT_RUNS = [("bit-serial", 1), ("uart", 1), ("bit-serial", 0), ("uart", 0)]


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


def read_on_the_stand_in(driver, site, profile, latency_ms):
    """A Read on COM1, the stand-in port: wall ms, the port's calls and the
    adapter's idle time (the protocol's pauses)."""
    script = driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument",
                                    {"source": stand_in_source(profile, latency_ms)})
    try:
        driver.get(f"{site}/index.html")
        wait_idle(driver)
        driver.find_element(By.XPATH, "//nav//button[normalize-space()='Port']").click()
        com1 = "//nav//button[starts-with(normalize-space(), 'COM1')]"
        driver.find_element(By.XPATH, com1).click()
        wait_idle(driver)
        driver.execute_script("kvrStandIn.pauses(true)")
        start = time.perf_counter()
        driver.find_element(By.XPATH, "//main//button[normalize-space()='Read']").click()
        wait_idle(driver)
        wall = (time.perf_counter() - start) * 1000
        calls = driver.execute_script("return kvrStandIn.calls")
        pauses = driver.execute_script("return kvrStandIn.pauses()")
    finally:
        driver.execute_cdp_cmd("Page.removeScriptToEvaluateOnNewDocument", script)
    return wall, calls, pauses


def port_reads(driver, site):
    print("  Read through the page's serial device on the stand-in port (real time):")
    for profile, latency in PORT_RUNS:
        wall, calls, pauses = read_on_the_stand_in(driver, site, profile, latency)
        signals = calls["setSignals"] + calls["getSignals"]
        need = pauses + signals * latency
        print(f"    {profile:10} latency {latency} ms: wall {wall:7.0f} ms, "
              f"line changes {calls['setSignals']:5}, status reads {calls['getSignals']:5}, "
              f"writes {calls['write']:3}, pauses {pauses:6.0f} ms, "
              f"wall/(pauses + calls x latency) {wall / need:.2f}")


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
        print(f"  navigation to an interactive window: median {statistics.median(ready):.0f} ms "
              f"(min {min(ready):.0f}, max {max(ready):.0f}, {RUNS} runs)")
        print(f"  Read on the simulated controller:     median {statistics.median(reads):.0f} ms")
        port_reads(driver, url.rsplit("/", 1)[0])
    finally:
        driver.quit()
        server.shutdown()
    return 0


if __name__ == "__main__":
    sys.exit(main())
