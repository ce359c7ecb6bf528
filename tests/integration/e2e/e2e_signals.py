"""SIGINT and SIGTERM end a run at once, keeping the log and leaving no partial file."""

import os
import subprocess

from harness import BINARY, SIGINT, SIGTERM, VornelTest, drop_pings, main, skip_under_wine


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

    @skip_under_wine("a read blocked on a Linux pipe is not cancelled by wine's "
                     "CancelSynchronousIo, so Ctrl-C at a prompt waits for the next input")
    def test_sigint_at_the_menu_writes_out_the_unflushed_header(self):
        process = subprocess.Popen([BINARY],
                                   cwd=self.workdir, stdin=subprocess.PIPE,
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        status, _ = self.interrupt(process, SIGINT, "Action: ")
        self.assertEqual(status, 130)
        self.assertSession(self.read("log.txt").decode(), "")


if __name__ == "__main__":
    main()
