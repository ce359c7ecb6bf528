"""SIGINT, SIGTERM and SIGHUP end a run at once, keeping the log and leaving no
partial file; a SIGHUP or SIGINT ignored at start (nohup, a background job)
stays ignored, and a terminal that went away is the end of the input."""

import os
import pty
import signal
import subprocess
import time

from faults import download_dialogue, download_steps, summary
from harness import (BINARY, MENU, RULE, SIGINT, SIGTERM, WINDOWS, VornelTest, drop_pings,
                     main, skip_under_wine)

SIGHUP = signal.SIGHUP


def ignoring(sig):
    """For preexec_fn: the child starts with sig ignored, as under nohup or
    in the background of a shell without job control."""
    return lambda: signal.signal(sig, signal.SIG_IGN)

# Under wine a SIGHUP, like a SIGTERM, is taken by wine itself, which kills the
# process: no console event reaches the program (those are unit-tested).
HANGUP_BY_WINE = "wine handles SIGHUP itself and kills the process; the console close event is unit-tested"


class Interrupts(VornelTest):

    def temporary_files(self):
        return [n for n in os.listdir(self.workdir) if n.startswith(".") or n.endswith(".part")]

    def test_sigint_during_the_probe(self):
        self.device("127.0.0.2")
        drop_pings("127.0.0.2")
        process = self.start(["2", "127.0.0.2", "admin", "secret", "1"])
        status, seconds = self.interrupt(process, SIGINT, "Testing connection")
        self.assertEqual(status, 130)
        self.assertLess(seconds, 1.5)
        log = self.read("log.txt").decode()
        self.assertIn("\tTesting connection                 ", log)
        self.assertEqual(self.temporary_files(), [])

    # Wine turns SIGINT into Ctrl-C for the exe; SIGTERM just kills it, and
    # the close, logoff and shutdown events cannot be raised from here.
    @skip_under_wine("SIGTERM kills a wine process outright; the Windows console events "
                     "behind status 143 and 129 are unit-tested")
    def test_sigterm_during_the_pause_after_a_failed_login(self):
        self.device("127.0.0.2", "--refuse-second-login")
        self.write("site.ini", "[a]\n")
        process = self.start(["1", "127.0.0.2", "site.ini", "admin", "secret", "1"])
        status, seconds = self.interrupt(process, SIGTERM, "ERROR: log in failed.")
        self.assertEqual(status, 143)
        self.assertLess(seconds, 1.5)
        self.assertTrue(self.read("log.txt").decode().endswith("ERROR: log in failed.\n\n"))

    def test_sigint_during_the_pause_after_a_download_keeps_the_file(self):
        device = self.device("127.0.0.2")
        process = self.start(["2", "127.0.0.2", "admin", "secret", "1"])
        status, seconds = self.interrupt(process, SIGINT, "INI download")
        self.assertEqual(status, 130)
        self.assertLess(seconds, 1.5)
        self.assertEqual(self.read("config.ini"), device.file("config.ini"))
        self.assertEqual(self.temporary_files(), [])

    def test_sigint_or_sighup_at_the_menu_writes_out_the_unflushed_header(self):
        cases = ((SIGINT, 130),) if WINDOWS else ((SIGINT, 130), (SIGHUP, 129))
        for sig, expected in cases:
            with self.subTest(signal=sig):
                if self.exists("log.txt"):
                    os.remove(os.path.join(self.workdir, "log.txt"))
                process = subprocess.Popen([BINARY],
                                           cwd=self.workdir, stdin=subprocess.PIPE,
                                           stdout=subprocess.PIPE, stderr=subprocess.PIPE)
                status, _ = self.interrupt(process, sig, "Action: ")
                self.assertEqual(status, expected)
                self.assertSession(self.read("log.txt").decode(), "")

    @skip_under_wine(HANGUP_BY_WINE)
    def test_sighup_at_the_menu_after_a_pass_keeps_the_whole_summary(self):
        self.device("127.0.0.2")
        process = subprocess.Popen([BINARY], cwd=self.workdir, stdin=subprocess.PIPE,
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        process.stdin.write("".join(a + "\n" for a in download_dialogue("127.0.0.2")).encode())
        process.stdin.flush()
        status, _ = self.interrupt(process, SIGHUP, "logged in 'log.txt' \n\n\n" + MENU)
        self.assertEqual(status, 129)
        steps = download_steps("127.0.0.2", "fetched")
        self.assertSession(self.read("log.txt").decode(), steps[1] + summary([])[1] + RULE)

    @skip_under_wine(HANGUP_BY_WINE)
    def test_sighup_or_sigint_ignored_at_start_stays_ignored(self):
        device = self.device("127.0.0.2")
        for sig in (SIGHUP, SIGINT):
            with self.subTest(signal=sig):
                for name in ("log.txt", "config.ini"):
                    if self.exists(name):
                        os.remove(os.path.join(self.workdir, name))
                process = subprocess.Popen([BINARY], cwd=self.workdir, stdin=subprocess.PIPE,
                                           stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                           preexec_fn=ignoring(sig))
                answers = download_dialogue("127.0.0.2") + ["3"]
                process.stdin.write("".join(a + "\n" for a in answers).encode())
                process.stdin.close()
                self.wait_for_output(process, "INI download")  # the 3 s pause follows
                process.send_signal(sig)
                self.assertEqual(process.wait(timeout=30), 0)
                process.stdout.close()
                process.stderr.close()
                steps = download_steps("127.0.0.2", "fetched")
                self.assertSession(self.read("log.txt").decode(),
                                   steps[1] + summary([])[1] + RULE)
                self.assertEqual(self.read("config.ini"), device.file("config.ini"))

    def test_terminal_gone_is_the_end_of_input(self):
        # Reads on a terminal whose other side has closed fail with EIO: the
        # end of the input at the menu, not an answer and not a busy loop.
        master, slave = pty.openpty()
        process = subprocess.Popen([BINARY], cwd=self.workdir, stdin=slave,
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                   preexec_fn=ignoring(SIGHUP))
        os.close(slave)
        stdout = self.wait_for_output(process, "Action: ")
        os.close(master)
        closed = time.monotonic()
        _, status, usage = os.wait4(process.pid, 0)
        process.returncode = os.waitstatus_to_exitcode(status)
        stdout += (process.stdout.read() or b"").decode()
        process.stdout.close()
        process.stderr.close()
        self.assertEqual(process.returncode, 0)
        self.assertLess(time.monotonic() - closed, 2)
        self.assertLess(usage.ru_utime + usage.ru_stime, 0.5)
        self.assertFalse(stdout.endswith("Response invalid \n" + MENU), stdout[-200:])
        self.assertSession(self.read("log.txt").decode(), "")


if __name__ == "__main__":
    main()
