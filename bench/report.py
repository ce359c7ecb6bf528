#!/usr/bin/python3
"""The fleet's report page for 1,000 and 10,000 synthetic devices
(bench_report): the time to build and write it, its size, and the time a
headless chromium (tests/integration/browser.py) takes to open it from disk.

    bench/run.sh report
    BENCH_RUNS=9 BENCH_DEVICES=1000,10000,50000 bench/run.sh report

Printed per size, medians of BENCH_RUNS loads into one browser (each after
about:blank): the first contentful paint (the page's head, its run table and
the outcome bar, the first chart), DOMContentLoaded (parsed) and the load
event, and "laid out", when a layout of the whole page forced right after the
load event returns (an upper bound: it includes one round trip to the driver).
All from the navigation's start. The device table is laid out only once it
is scrolled near (content-visibility): then, each from its own start, the
device table scrolled into view and painted, sorted by outcome, and filtered
by a reason. Target: opened in under 2 s at 10,000.
"""

import os
import statistics
import subprocess
import sys

import benchlib as b

sys.path.insert(0, os.path.join(b.SOURCE_DIR, "tests", "integration"))
import browser  # noqa: E402

RUNS = int(os.environ.get("BENCH_RUNS", "5"))
SIZES = [int(n) for n in os.environ.get("BENCH_DEVICES", "1000,10000").split(",")]

# From a script's start to the second frame after it: the browser has laid
# out and painted what the script changed.
SHOWN = """
  const done = arguments[0], start = performance.now();
  %s;
  document.body.offsetHeight;
  requestAnimationFrame(() => requestAnimationFrame(() => done(performance.now() - start)));
"""
SCROLL = SHOWN % "document.getElementById('dev').scrollIntoView()"
SORT = SHOWN % "document.querySelectorAll('#dev th')[2].click()"
FILTER = SHOWN % ("const q = document.getElementById('q'); q.value = 'not responsive';"
                  "q.dispatchEvent(new Event('input'))")

TIMES = """
  const done = arguments[0], laid = document.body.offsetHeight && performance.now();
  const nav = performance.getEntriesByType('navigation')[0];
  (function wait(tries) {
    // The paint entry may come a frame after the load event.
    const paint = performance.getEntriesByName('first-contentful-paint')[0];
    if (!paint && tries > 0) return setTimeout(wait, 10, tries - 1);
    done([paint ? paint.startTime : NaN, nav.domContentLoadedEventEnd, nav.loadEventEnd, laid]);
  })(100);
"""


def main():
    reason = browser.missing()
    if reason:
        sys.exit(reason)
    folder = b.scratch("vornel-bench-report-")
    try:
        with browser.Browser() as page:
            for count in SIZES:
                path = os.path.join(folder, f"report-{count}.html")
                written = subprocess.run([b.bench_program("report"), str(count), path],
                                         check=True, stdout=subprocess.PIPE, text=True)
                print(written.stdout.strip())
                loads = []
                for _ in range(RUNS):
                    page.driver.get("about:blank")
                    page.open(path)
                    times = page.driver.execute_async_script(TIMES)
                    for script in (SCROLL, SORT, FILTER):
                        times.append(page.driver.execute_async_script(script))
                    loads.append(times)
                if page.console_errors() or page.requests():
                    sys.exit(f"the page logged errors or made requests: {page.console_errors()}"
                             f" {page.requests()}")
                fcp, parsed, loaded, laid, shown, by_outcome, filtered = (
                    statistics.median(x) for x in zip(*loads))
                print(f"{count} devices opened (median of {RUNS}): first chart painted {fcp:.0f} ms,"
                      f" parsed {parsed:.0f} ms, loaded {loaded:.0f} ms, laid out {laid:.0f} ms;"
                      f" then the device table scrolled to {shown:.0f} ms, sorted by outcome"
                      f" {by_outcome:.0f} ms, filtered {filtered:.0f} ms")
    finally:
        subprocess.run(["rm", "-rf", folder])


if __name__ == "__main__":
    main()
