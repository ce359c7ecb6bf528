"""Runs the real vornel binary against simulated devices.

Every test module re-executes itself inside a private network namespace
(sim/devices.py), so simulated devices listen on 127.x.y.z addresses that
nothing outside the test can see or reach. Without root the tests are
skipped with the reason.

With VORNEL_PLATFORM=windows the same tests run against vornel.exe under
wine (VORNEL_BINARY is then a launcher that starts it through tools/wine-run):
each module gets a wine prefix and server of its own inside its namespace
(sim/wine.py), and what Vornel writes as text reaches the tests through
text_of(), which turns the Windows build's CRLF line ends into the LF of the
expected transcripts, so that they stay one set for both platforms.
"""

import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

SOURCE_DIR = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..", ".."))
BINARY = os.environ.get("VORNEL_BINARY", os.path.join(SOURCE_DIR, "build", "vornel"))
BATCH = os.environ.get("VORNEL_BATCH", os.path.join(SOURCE_DIR, "build", "vornel-batch"))

sys.path.insert(0, os.path.join(SOURCE_DIR, "sim"))
import devices  # noqa: E402  (after the path that finds it)
from devices import Device, drop_pings, group  # noqa: E402,F401  (for the tests)

import wine  # noqa: E402

SKIP_REASON = devices.NO_NAMESPACE_REASON
WINDOWS = os.environ.get("VORNEL_PLATFORM") == "windows"
# How long a test waits for a text the program is to print. A wine start has
# once been seen to stall for more than 30 s on a busy machine, with no byte
# printed: under wine the wait is longer, as it is not what the tests measure.
OUTPUT_WAIT = 90 if WINDOWS else 30


def skip_under_wine(reason):
    """For a test that cannot run against the Windows build here; says why."""
    return unittest.skipIf(WINDOWS, "not under wine: " + reason)


# The files Vornel writes as text; whatever else it writes (a fetched
# config.ini) is written byte for byte on both platforms.
TEXT_FILES = ("log.txt", "foundfir.txt")
_BARE_LF = re.compile(rb"(?<!\r)\n")


def text_of(data, what, given=b""):
    """What Vornel wrote as text (console, log), with LF line ends.

    The Windows build ends every line with CRLF, so there a bare LF is a
    fault, reported with where it is; except in given, the start of a file
    that the test itself put there.
    """
    if WINDOWS:
        start = len(given) if data.startswith(given) else 0
        bare = _BARE_LF.search(data, start)
        if bare:
            at = bare.start()
            raise AssertionError(f"{what}: a line ends without CR at byte {at}: "
                                 f"{data[max(0, at - 60):at + 1]!r}")
        data = data.replace(b"\r\n", b"\n")
    return data.decode()


# The texts operators see; shared by the tests' expected transcripts.
RULE = "  " + "*" * 59 + "\n"
BANNER = "Vornel version 1.0d\n\n"
MENU = ("\n\n  Vornel.\n  " + "*" * 53 + "\n\n\n  1. Upload configuration file\n"
        "  2. Download configuration file\n  3. Exit\n\n  Action: ")
CLOSING = "\n\tThe results of this session are logged in 'log.txt' \n\n\n"
TIME_LINE = re.compile(r"               (Sun|Mon|Tue|Wed|Thu|Fri|Sat) "
                       r"(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
                       r"\d\d \d\d:\d\d:\d\d \d{4}\n\n\n")
HEADER_START = "\n  **********************  NEW SESSION  **********************\n" + RULE


def batch_prompt(kind, file_name):
    return (f"  Batch {kind} file {file_name} found \n\t1:  Use parameters in batch file  \n"
            f"\t2:  Enter new parameters for single {kind} \n\t3:  Exit\n\tAction: ")


class Run:
    def __init__(self, status, stdout, stderr, log):
        self.status, self.stdout, self.stderr, self.log = status, stdout, stderr, log


class VornelTest(unittest.TestCase):
    """A scratch working directory and the devices of one test."""

    def setUp(self):
        if SKIP_REASON:
            self.skipTest(SKIP_REASON)
        self.workdir = tempfile.mkdtemp(prefix="vornel-e2e-")
        self.devices = []
        self.written = {}  # name: what write() put in the file

    def tearDown(self):
        for device in self.devices:
            device.stop()
        # Rules outlive a test in the shared namespace; the next test starts clean.
        devices.allow_pings()
        shutil.rmtree(self.workdir, ignore_errors=True)

    def device(self, address, *switches, prefix=()):
        device = Device(os.path.join(self.workdir, "devices", address), address, *switches,
                        prefix=prefix)
        self.devices.append(device)
        return device

    def write(self, name, content):
        data = content if isinstance(content, bytes) else content.encode()
        path = os.path.join(self.workdir, name)
        with open(path, "wb") as f:
            f.write(data)
        # Kept as an operator keeps a file of passwords: Vornel warns when
        # others can read a batch list.
        if os.path.basename(name) in ("upload_list.txt", "download_list.txt"):
            os.chmod(path, 0o600)
        self.written[name] = data

    def read(self, name):
        """A file of the working directory, as bytes; Vornel's text files
        with LF line ends (text_of)."""
        with open(os.path.join(self.workdir, name), "rb") as f:
            data = f.read()
        if name not in TEXT_FILES:
            return data
        return text_of(data, name, self.written.get(name, b"")).encode()

    def exists(self, name):
        return os.path.exists(os.path.join(self.workdir, name))

    def start(self, answers):
        """Starts vornel with the answers already waiting on its stdin."""
        process = subprocess.Popen([BINARY], cwd=self.workdir, stdin=subprocess.PIPE,
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        process.stdin.write("".join(a + "\n" for a in answers).encode())
        process.stdin.close()
        return process

    def run_vornel(self, answers, timeout=120, env=None):
        process = subprocess.Popen([BINARY], cwd=self.workdir, stdin=subprocess.PIPE,
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env)
        stdout, stderr = process.communicate("".join(a + "\n" for a in answers).encode(),
                                             timeout=timeout)
        return self.finish(process, stdout, stderr)

    def finish(self, process, stdout, stderr):
        path = os.path.join(self.workdir, "log.txt")
        log = self.read("log.txt").decode() if os.path.isfile(path) else None
        return Run(process.returncode, text_of(stdout, "stdout"), text_of(stderr, "stderr"), log)

    def assertSession(self, log, body):
        """log is one session: header (any start time), then body."""
        self.assertTrue(log.startswith(HEADER_START), log[:200])
        rest = log[len(HEADER_START):]
        match = TIME_LINE.match(rest)
        self.assertIsNotNone(match, rest[:80])
        self.assertEqual(rest[match.end():], RULE + body)

    def wait_for_output(self, process, text, timeout=None):
        """Reads stdout until text has appeared; returns what was read."""
        seen = b""
        deadline = time.monotonic() + (timeout or OUTPUT_WAIT)
        os.set_blocking(process.stdout.fileno(), False)
        while text.encode() not in seen.replace(b"\r\n", b"\n"):
            if time.monotonic() > deadline:
                state = ("still running" if process.poll() is None
                         else f"ended with status {process.returncode}")
                os.set_blocking(process.stderr.fileno(), False)
                said = process.stderr.read() or b""
                self.fail(f"{text!r} never appeared in {seen.decode()!r}; the program is "
                          f"{state}, its stderr {said.decode(errors='replace')!r}")
            chunk = process.stdout.read()
            if chunk:
                seen += chunk
            else:
                time.sleep(0.02)
        return text_of(seen, "stdout")

    def interrupt(self, process, sig, after_output):
        """Sends sig once after_output was printed; returns (status, seconds to exit)."""
        self.wait_for_output(process, after_output)
        time.sleep(0.3)
        sent = time.monotonic()
        process.send_signal(sig)
        process.wait(timeout=30)
        for stream in (process.stdin, process.stdout, process.stderr):
            if stream:
                stream.close()
        return process.returncode, time.monotonic() - sent


SIGINT = signal.SIGINT
SIGTERM = signal.SIGTERM


def main(mounts=False):
    # A suite started through sudo would otherwise see every run in a folder
    # its caller may write become that user's (the tests that mean it say so).
    for name in [name for name in os.environ if name.startswith("SUDO_")]:
        del os.environ[name]
    if not SKIP_REASON:
        devices.enter_namespace(mounts)
        if WINDOWS:
            wine.private_prefix()
    unittest.main(verbosity=2)
