"""A real browser for the tests of pages Vornel writes: Debian's chromium,
headless, driven by selenium through chromium-driver.

Each Browser starts with a profile of its own and nothing that talks to the
network on its own (sync, component updates, background networking), so
every request it logs came from the page. It keeps the console's messages
and the requests the page made (the DevTools Network events of chromedriver's
performance log).

    reason = browser.missing()          # None, or why no browser can run here
    with browser.Browser() as b:
        b.open("/path/report.html")
        b.console_errors(), b.requests()
"""

import json
import os
import pathlib
import shutil
import tempfile

CHROMIUM = "/usr/lib/chromium/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"


def missing():
    """Why no browser can run here (a sentence), or None."""
    for path, package in ((CHROMIUM, "chromium"), (CHROMEDRIVER, "chromium-driver")):
        if not os.access(path, os.X_OK):
            return f"{path} is missing (Debian package {package}; tools/install-deps.sh --test)"
    try:
        import selenium  # noqa: F401
    except ImportError:
        return "selenium is missing (Debian package python3-selenium; tools/install-deps.sh --test)"
    return None


class Browser:
    def __init__(self, width=1280, height=900, javascript=True):
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service

        self.profile = tempfile.mkdtemp(prefix="vornel-browser-")
        options = webdriver.ChromeOptions()
        options.binary_location = CHROMIUM
        for flag in ("--headless", "--no-sandbox", "--disable-gpu",
                     "--disable-background-networking", "--disable-component-update",
                     "--disable-sync", "--no-first-run", "--disable-default-apps",
                     "--disable-extensions", f"--window-size={width},{height}",
                     f"--user-data-dir={self.profile}"):
            options.add_argument(flag)
        if not javascript:
            options.add_experimental_option(
                "prefs", {"profile.managed_default_content_settings.javascript": 2})
        options.set_capability("goog:loggingPrefs", {"browser": "ALL", "performance": "ALL"})
        options.add_experimental_option("perfLoggingPrefs", {"enableNetwork": True})
        try:
            self.driver = webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)
        except Exception:
            shutil.rmtree(self.profile, ignore_errors=True)
            raise
        self.opened = set()
        self.console = []
        self.sent = []

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def close(self):
        try:
            self.driver.quit()
        finally:
            shutil.rmtree(self.profile, ignore_errors=True)

    def open(self, path):
        """Opens a file and waits until it is loaded."""
        url = pathlib.Path(path).resolve().as_uri()
        self.opened.add(url)
        self.driver.get(url)
        return self

    def run(self, script, *args):
        return self.driver.execute_script(script, *args)

    def _drain(self):
        self.console += self.driver.get_log("browser")
        for entry in self.driver.get_log("performance"):
            message = json.loads(entry["message"])["message"]
            if message.get("method") != "Network.requestWillBeSent":
                continue
            # The browser's own pages (its new tab page) load their parts too.
            params = message["params"]
            if not params.get("documentURL", "").startswith(("chrome:", "chrome-untrusted:")):
                self.sent.append(params["request"]["url"])

    def console_errors(self):
        """The console's errors so far (CSP violations and uncaught script
        errors among them), as chromedriver words them."""
        self._drain()
        return [e["message"] for e in self.console if e["level"] == "SEVERE"]

    def requests(self):
        """Every URL requested so far but the pages opened, those the page's
        Content-Security-Policy then refused among them."""
        self._drain()
        return [url for url in self.sent if url not in self.opened]
