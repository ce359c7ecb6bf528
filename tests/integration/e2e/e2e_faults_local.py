"""Faults on the operator's side of the wire: a full disk, a read-only working
directory, a log file taken away while the run goes on, a console reader that
goes away, and SIGINT in the middle of a transfer.

The module runs in a mount namespace of its own, so the small and read-only
file systems it mounts over its scratch directories vanish with it.
"""

import os
import shutil
import subprocess
import tempfile

from faults import (DOWNLOAD_FAILED, LOGIN_OK, download_dialogue, download_steps, summary,
                    temporaries, upload_steps)
from harness import BINARY, MENU, SIGINT, Device, RULE, VornelTest, main


class LocalFaults(VornelTest):

    def setUp(self):
        super().setUp()
        # Devices live outside the working directory, whatever gets mounted on it.
        self.device_base = tempfile.mkdtemp(prefix="vornel-e2e-dev-")

    def tearDown(self):
        subprocess.run(["umount", "-R", self.workdir], stderr=subprocess.DEVNULL, check=False)
        super().tearDown()
        shutil.rmtree(self.device_base, ignore_errors=True)

    def outside_device(self, address, config=None, *switches):
        if config is not None:
            root = os.path.join(self.device_base, "devices", address, "root")
            os.makedirs(root, exist_ok=True)
            with open(os.path.join(root, "config.ini"), "wb") as f:
                f.write(config)
        device = Device(os.path.join(self.device_base, "devices", address), address, *switches)
        self.devices.append(device)
        return device

    def test_full_disk_fails_the_download_and_keeps_the_older_file(self):
        self.outside_device("127.0.0.2", os.urandom(8 << 20))
        subprocess.run(["mount", "-t", "tmpfs", "-o", "size=2m", "tmpfs", self.workdir],
                       check=True)
        self.write("config.ini", "operator's own\n")
        self.write("127.0.0.2.ini", "fetched last week\n")

        run = self.run_vornel(download_dialogue("127.0.0.2") + ["3"])
        self.assertEqual(run.status, 0, run.stderr)
        steps = download_steps("127.0.0.2", "fetch failed")
        end = summary([("127.0.0.2", 2)], note=True)
        self.assertTrue(run.stdout.endswith(steps[0] + end[0] + MENU), run.stdout[-400:])
        self.assertSession(run.log, steps[1] + end[1] + RULE)
        self.assertEqual(self.read("127.0.0.2.ini"), b"fetched last week\n")
        self.assertEqual(self.read("config.ini"), b"operator's own\n")
        self.assertEqual(temporaries(self.workdir), [])

    def test_read_only_directory_uploads_and_refuses_downloads_cleanly(self):
        self.outside_device("127.0.0.2")
        refusing = self.outside_device("127.0.0.3", None, "--refuse-pasv")
        self.write("site.ini", b"[Network]\r\nDHCP=0\r\n")
        self.write("log.txt", "")
        # An earlier device's listing: a failed listing must not be judged by it.
        self.write("foundfir.txt", "qopdev-12_r2.5.0-b.bin\n")
        # The directory takes no new names; the log and the listing file stay
        # writable, as for an operator with write access to those two only.
        w = self.workdir
        for mount in (["--bind", w, w], ["--bind", f"{w}/log.txt", f"{w}/log.txt"],
                      ["--bind", f"{w}/foundfir.txt", f"{w}/foundfir.txt"],
                      ["-o", "remount,bind,ro", w]):
            subprocess.run(["mount", *mount], check=True)

        run = self.run_vornel(["1", "127.0.0.2", "site.ini", "admin", "secret", "1"] +
                              download_dialogue("127.0.0.2") + download_dialogue("127.0.0.3") +
                              ["3"])
        self.assertEqual(run.status, 0, run.stderr)
        uploaded = upload_steps("site.ini", "127.0.0.2")
        failed = download_steps("127.0.0.2", "fetch failed")
        unlisted = download_steps("127.0.0.3", "no listing")
        first = summary([])
        second = summary([("127.0.0.2", 2)])
        third = summary([("127.0.0.3", 4)], count=2)
        for text in (uploaded[0] + first[0], failed[0] + second[0], unlisted[0] + third[0]):
            self.assertIn(text, run.stdout)
        self.assertSession(run.log, uploaded[1] + first[1] + RULE + failed[1] + second[1] +
                           RULE + unlisted[1] + third[1] + RULE)
        self.assertEqual(self.devices[0].file("site.ini"), b"[Network]\r\nDHCP=0\r\n")
        self.assertFalse(self.exists("config.ini"))
        self.assertEqual(self.read("foundfir.txt"), b"")  # the failed listing, not the stale one
        self.assertEqual(refusing.commands().count("RETR config.ini"), 0)

    def test_log_removed_then_replaced_by_a_directory_while_running(self):
        self.outside_device("127.0.0.2")
        process = subprocess.Popen([BINARY], cwd=self.workdir, stdin=subprocess.PIPE,
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.wait_for_output(process, "Action: ")
        os.remove(os.path.join(self.workdir, "log.txt"))
        answers = "".join(a + "\n" for a in download_dialogue("127.0.0.2"))
        process.stdin.write(answers.encode())
        process.stdin.flush()
        self.wait_for_output(process, "logged in 'log.txt'")
        os.mkdir(os.path.join(self.workdir, "log.txt"))
        process.stdin.write((answers + "3\n").encode())
        process.stdin.close()
        self.wait_for_output(process, "logged in 'log.txt'")
        self.assertEqual(process.wait(timeout=60), 0)
        stderr = process.stderr.read().decode()
        process.stdout.close()
        process.stderr.close()
        self.assertEqual(stderr, "")
        self.assertEqual(self.read("config.ini"), self.devices[0].file("config.ini"))
        self.assertEqual(self.read("127.0.0.2.ini"), self.devices[0].file("config.ini"))
        self.assertTrue(os.path.isdir(os.path.join(self.workdir, "log.txt")))

    def test_reader_closing_standard_output_does_not_end_the_run(self):
        self.outside_device("127.0.0.2")
        process = subprocess.Popen([BINARY], cwd=self.workdir, stdin=subprocess.PIPE,
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        process.stdout.close()  # every later write to stdout meets a closed pipe
        _, stderr = process.communicate(
            "".join(a + "\n" for a in download_dialogue("127.0.0.2") + ["3"]).encode(),
            timeout=60)
        self.assertEqual(process.returncode, 0, stderr)  # SIGPIPE would make it -13
        steps = download_steps("127.0.0.2", "fetched")
        self.assertSession(self.read("log.txt").decode(), steps[1] + summary([])[1] + RULE)
        self.assertEqual(self.read("config.ini"), self.devices[0].file("config.ini"))

    def test_sigint_during_a_stalled_fetch_keeps_the_older_file(self):
        self.outside_device("127.0.0.2", os.urandom(1 << 20), "--stall-data-after", "65536")
        self.write("config.ini", "operator's own\n")
        self.write("127.0.0.2.ini", "fetched last week\n")
        process = self.start(download_dialogue("127.0.0.2"))
        status, seconds = self.interrupt(process, SIGINT, LOGIN_OK)
        self.assertEqual(status, 130)
        self.assertLess(seconds, 2)
        self.assertEqual(self.read("127.0.0.2.ini"), b"fetched last week\n")
        self.assertEqual(self.read("config.ini"), b"operator's own\n")
        self.assertEqual(temporaries(self.workdir), [])
        self.assertTrue(self.read("log.txt").decode().endswith(LOGIN_OK))
        self.assertNotIn(DOWNLOAD_FAILED, self.read("log.txt").decode())


if __name__ == "__main__":
    main(mounts=True)
