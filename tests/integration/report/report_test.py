"""The fleet's report page and metrics file, from a synthetic run that
sample_report writes with the run beside them (input.json):

    report_test.py page SAMPLE_REPORT      the page in headless chromium
    report_test.py metrics SAMPLE_REPORT   the metrics file through promtool

Exits 77 (skipped) with the reason when the browser or promtool is missing.
"""

import collections
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import browser  # noqa: E402

SILENT = "This address is not responsive."


def skip(reason):
    print(f"skipped: {reason}")
    sys.exit(77)


def shown(text):
    """A text as the page shows it: control characters as '?'."""
    return re.sub(r"[\x00-\x1f\x7f]", "?", text)


def check(condition, what):
    if not condition:
        raise AssertionError(what)


def table(b, selector):
    """The cells' texts of the body rows of a table, row by row."""
    return b.run("return [...document.querySelectorAll(arguments[0] + ' tbody tr')]"
                 ".map(r => [...r.cells].map(c => c.textContent.trim()));", selector)


def check_page(folder, devices):
    reason = browser.missing()
    if reason:
        skip(reason)
    with browser.Browser() as b:
        b.open(os.path.join(folder, "report.html"))
        check(b.run("return document.title").startswith("Fleet run: download of"),
              "the title is the run's")

        # The counts shown are the input's.
        counts = collections.Counter(d["outcome"] for d in devices)
        rows = b.run("return [...document.querySelectorAll('#counts tbody tr')]"
                     ".map(r => [r.dataset.outcome, r.cells[1].textContent]);")
        check({o: int(n) for o, n in rows} == counts, f"outcome counts {rows} against {counts}")

        # Every device in list order, hostile text as text: one script on the
        # page (its own), the <script> address shown as it was written.
        rows = table(b, "#dev")
        check([r[1] for r in rows] == [shown(d["address"]) for d in devices], "device addresses")
        check([r[3] for r in rows] == [shown(d["reason"]) for d in devices], "device reasons")
        check(b.run("return document.scripts.length") == 1, "one script")

        # The firmware inventory: versions, devices and those refused as too old.
        inventory = collections.Counter(d["firmware"] or "not read" for d in devices)
        too_old = collections.Counter(d["firmware"] or "not read" for d in devices
                                      if d["status"] == 6)
        rows = table(b, "#firmware-table")
        check({r[0]: (int(r[1]), int(r[2])) for r in rows} ==
              {v: (n, too_old[v]) for v, n in inventory.items()}, f"firmware {rows}")
        check([r[0] for r in rows] == ["180", "260", "312", "not read"], "versions in order")
        check(len(table(b, "#history-table")) == 2, "both archived runs")

        # Typing a reason shows exactly its devices.
        b.driver.find_element("id", "q").send_keys(SILENT)
        visible = b.run("return [...document.querySelectorAll('#dev tbody tr')]"
                        ".filter(r => !r.hidden).map(r => r.cells[1].textContent);")
        check(visible == [d["address"] for d in devices if d["reason"] == SILENT],
              f"filtered by the reason: {visible}")
        b.driver.find_element("id", "q").clear()
        b.run("document.getElementById('q').dispatchEvent(new Event('input'))")

        # A click on Time sorts by it, unknown times first, equal ones in list order.
        b.run("[...document.querySelectorAll('#dev th')].find(t => t.textContent == 'Time (s)')"
              ".click()")
        times = [r[-1] for r in table(b, "#dev")]
        want = sorted(devices, key=lambda d: (d["seconds"] if d["seconds"] >= 0 else -1))
        check(times == [f"{d['seconds']:.1f}" if d["seconds"] >= 0 else "" for d in want],
              f"sorted by time: {times}")

        # The changed device's diff opens from its row and shows the changed line.
        line = b.driver.find_element("xpath", "//span[text()='+gateway=10.0.0.1']")
        visible = "return arguments[0].checkVisibility()"
        check(not b.run(visible, line), "the diff is closed at first")
        b.driver.find_element("css selector", "#dev a.diff").click()
        check(b.run(visible, line), "the diff shows its changed line")

        check(b.console_errors() == [], f"console errors: {b.console_errors()}")
        check(b.requests() == [], f"requests: {b.requests()}")

        # The policy holds: a resource put in by script is refused.
        refused = b.driver.execute_async_script("""
            const done = arguments[0];
            document.addEventListener('securitypolicyviolation', e => done(e.effectiveDirective));
            const img = document.createElement('img');
            img.src = 'file:///etc/hostname';
            document.body.append(img);
            setTimeout(() => done('none'), 2000);""")
        check(refused == "img-src", f"a loaded image was refused by {refused}")


def check_metrics(folder, devices):
    promtool = shutil.which("promtool")
    if not promtool:
        skip("promtool is missing (Debian package prometheus; tools/install-deps.sh --test)")
    path = os.path.join(folder, "metrics.prom")
    with open(path, "rb") as f:
        text = f.read()
    run = subprocess.run([promtool, "check", "metrics"], input=text, capture_output=True)
    check(run.returncode == 0 and not run.stdout.strip() and not run.stderr.strip(),
          f"promtool: {run.returncode} {run.stdout!r} {run.stderr!r}")
    check(os.stat(path).st_mode & 0o777 == 0o644, "readable by the collector's user")
    counts = collections.Counter(d["outcome"] for d in devices)
    found = dict(re.findall(rb'^vornel_fleet_devices\{[^}]*outcome="([a-z_]+)"\} (\d+)$', text,
                            re.M))
    check({o.decode(): int(n) for o, n in found.items() if int(n)} == counts, f"devices {found}")


def main():
    what, sample = sys.argv[1], sys.argv[2]
    folder = tempfile.mkdtemp(prefix="vornel-report-")
    try:
        subprocess.run([sample, folder], check=True)
        with open(os.path.join(folder, "input.json")) as f:
            devices = json.load(f)
        {"page": check_page, "metrics": check_metrics}[what](folder, devices)
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    print(f"report {what}: ok")


if __name__ == "__main__":
    main()
