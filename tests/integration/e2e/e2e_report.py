"""The page and the metrics of a real fleet run: two download runs into one
archive, one device of each outcome a local run can have, a list value that
is markup; the second run's report.html in headless chromium, its metrics
file through promtool."""

import collections
import csv
import io
import os
import re
import shutil
import subprocess
import sys

import e2e_shards
from harness import SOURCE_DIR, group, main, skip_under_wine

sys.path.insert(0, os.path.join(SOURCE_DIR, "tests", "integration"))
import browser  # noqa: E402

MARKUP = "<script>x</script>"
REFUSED = "Could not log into the FTP server."


def table(b, selector):
    """The cells' texts of the body rows of a table, row by row."""
    return b.run("return [...document.querySelectorAll(arguments[0] + ' tbody tr')]"
                 ".map(r => [...r.cells].map(c => c.textContent.trim()));", selector)


def visible_addresses(b):
    return b.run("return [...document.querySelectorAll('#dev tbody tr')]"
                 ".filter(r => !r.hidden).map(r => r.cells[1].textContent);")


@skip_under_wine("vornel-fleet and its archive are the Linux build's")
class Report(e2e_shards.FleetCase):

    def run_twice(self):
        """The second of two download runs into one archive, one device's
        configuration changed between them; its results.csv rows as dicts."""
        self.device("127.0.0.2")
        changing = self.device("127.0.0.3")
        self.device("127.0.0.4", "--refuse-login")
        self.device("127.0.0.5", "--firmware", "qopdev-12_r2.4.9-b.bin")
        with open(os.path.join(changing.root, "config.ini"), "w") as f:
            f.write("[Network]\ngateway=10.0.0.254\n")
        self.write("fleet.txt", group("127.0.0.2") + group("127.0.0.3") + group("127.0.0.4") +
                   group("127.0.0.5") + group(MARKUP) +
                   group("127.0.0.6", password="p" * 28))
        for run in ("run-1", "run-2"):
            status, stdout, stderr = self.shard_run("-m", "download", "-A", "configs",
                                                    "--metrics", f"{run}.prom", "fleet.txt",
                                                    work=run)
            self.assertEqual(status, 1, stdout + stderr)
            with open(os.path.join(changing.root, "config.ini"), "w") as f:
                f.write("[Network]\ngateway=10.0.0.1\n")
        text = self.read("run-2/results.csv").decode()
        return list(csv.DictReader(io.StringIO(text)))

    def test_the_page_shows_the_runs_records_and_archive_and_loads_nothing(self):
        reason = browser.missing()
        if reason:
            self.skipTest(reason)
        devices = self.run_twice()
        self.assertEqual({d["outcome"] for d in devices}, {"ok", "failed", "skipped"})
        with browser.Browser() as b:
            b.open(os.path.join(self.workdir, "run-2", "report.html"))
            # The counts shown are results.csv's.
            counts = collections.Counter(d["outcome"] for d in devices)
            rows = b.run("return [...document.querySelectorAll('#counts tbody tr')]"
                         ".map(r => [r.dataset.outcome, r.cells[1].textContent]);")
            self.assertEqual({o: int(n) for o, n in rows if int(n)}, counts)
            # Every device in list order; markup as text, the page's one script its own.
            rows = table(b, "#dev")
            self.assertEqual([r[1] for r in rows], [d["address"] for d in devices])
            self.assertIn(MARKUP, [r[1] for r in rows])
            self.assertEqual(b.run("return document.scripts.length"), 1)
            # The firmware inventory, with the device refused as too old.
            inventory = {r[0]: (int(r[1]), int(r[2])) for r in table(b, "#firmware-table")}
            self.assertEqual(inventory["249"], (1, 1))
            self.assertEqual(inventory["250"], (2, 0))
            self.assertEqual(len(table(b, "#history-table")), 2)

            # Typing a reason shows exactly its devices.
            b.driver.find_element("id", "q").send_keys(REFUSED)
            self.assertEqual(visible_addresses(b),
                             [d["address"] for d in devices if d["reason"] == REFUSED])
            b.driver.find_element("id", "q").clear()
            b.run("document.getElementById('q').dispatchEvent(new Event('input'))")
            # A click on a column sorts by it.
            b.run("[...document.querySelectorAll('#dev th')].find(t => t.textContent == "
                  "'Address').click()")
            self.assertEqual([r[1] for r in table(b, "#dev")],
                             sorted(d["address"] for d in devices))

            # The changed device's diff opens from its row and shows the changed line.
            line = b.driver.find_element("xpath", "//span[text()='+gateway=10.0.0.1']")
            shows = "return arguments[0].checkVisibility()"
            self.assertFalse(b.run(shows, line))
            b.driver.find_element("css selector", "#dev a.diff").click()
            self.assertTrue(b.run(shows, line))

            self.assertEqual(b.console_errors(), [])
            self.assertEqual(b.requests(), [])
            # The page's policy holds: what a script would load is refused.
            refused = b.driver.execute_async_script("""
                const done = arguments[0];
                document.addEventListener('securitypolicyviolation',
                                          e => done(e.effectiveDirective));
                const img = document.createElement('img');
                img.src = 'file:///etc/hostname';
                document.body.append(img);
                setTimeout(() => done('none'), 2000);""")
            self.assertEqual(refused, "img-src")

    def test_the_metrics_file_is_valid_and_counts_the_run(self):
        promtool = shutil.which("promtool")
        if not promtool:
            self.skipTest("promtool is missing (Debian package prometheus)")
        devices = self.run_twice()
        path = os.path.join(self.workdir, "run-2.prom")
        with open(path, "rb") as f:
            text = f.read()
        checked = subprocess.run([promtool, "check", "metrics"], input=text, capture_output=True)
        self.assertEqual((checked.returncode, checked.stdout.strip(), checked.stderr.strip()),
                         (0, b"", b""))
        # Readable by the collector's user, whatever the run's umask.
        self.assertEqual(os.stat(path).st_mode & 0o777, 0o644)
        found = dict(re.findall(rb'^vornel_fleet_devices\{[^}]*outcome="([a-z_]+)"\} (\d+)$',
                                text, re.M))
        self.assertEqual({o.decode(): int(n) for o, n in found.items() if int(n)},
                         collections.Counter(d["outcome"] for d in devices))
        self.assertRegex(text, rb'\nvornel_fleet_configs\{[^}]*change="changed"\} 1\n')


if __name__ == "__main__":
    main()
