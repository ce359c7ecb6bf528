"""Faults on the operator's side of the wire: a full disk, a read-only working
directory, a log file taken away while the run goes on, a console reader that
goes away, SIGINT or SIGHUP in the middle of a transfer, and (Windows) DLLs
planted beside the exe.

The module runs in a mount namespace of its own, so the small and read-only
file systems it mounts over its scratch directories vanish with it.
"""

import os
import shutil
import signal
import subprocess
import tempfile
import unittest

from faults import (DOWNLOAD_FAILED, LOGIN_OK, download_dialogue, download_steps, summary,
                    temporaries, upload_steps)
from harness import BINARY, MENU, SIGINT, WINDOWS, Device, RULE, VornelTest, main, text_of
import wine  # noqa: E402  (found through the path harness sets)


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

    @unittest.skipUnless(WINDOWS, "only the Windows build looks for DLLs beside itself")
    def test_dlls_planted_beside_the_exe_never_run(self):
        # Wine prefers its own copies of system DLLs to one beside the exe;
        # told to prefer the one beside it, as Windows does for every DLL that
        # is no KnownDLL, it shows what a USB stick with a planted
        # IPHLPAPI.dll or bcrypt.dll would make an exe run.
        stick = os.path.join(self.device_base, "stick")
        os.makedirs(stick)
        exe = shutil.copy(os.environ["VORNEL_EXE"], os.path.join(stick, "vornel.exe"))
        for dll in ("IPHLPAPI.dll", "bcrypt.dll"):
            shutil.copy(os.path.join(os.environ["VORNEL_PLANTED_DIR"], dll), stick)
        self.outside_device("127.0.0.2", b"[net]\r\n")
        answers = "".join(a + "\n" for a in download_dialogue("127.0.0.2") + ["3"])
        run = subprocess.run(wine.command(exe), cwd=self.workdir, input=answers.encode(),
                             capture_output=True, timeout=120,
                             env=dict(os.environ, WINEDLLOVERRIDES="iphlpapi,bcrypt=n,b"))
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual([name for name in os.listdir(self.workdir) if name.startswith("planted-")],
                         [])
        # The probe worked: the system's echo service, not the planted one that fails every call.
        self.assertIn(download_steps("127.0.0.2", "fetched")[0], text_of(run.stdout, "stdout"))
        self.assertEqual(self.read("config.ini"), b"[net]\r\n")

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

    def test_full_disk_under_the_log_is_said_once_and_the_passes_go_on(self):
        device = self.outside_device("127.0.0.2")
        upload = ["1", "127.0.0.2", "site.ini", "admin", "secret", "1"]

        # The log on a small disk of its own (the listing file still has room).
        disk = tempfile.mkdtemp(prefix="vornel-e2e-log-")
        subprocess.run(["mount", "-t", "tmpfs", "-o", "size=1m", "tmpfs", disk], check=True)
        self.addCleanup(shutil.rmtree, disk, ignore_errors=True)
        self.addCleanup(subprocess.run, ["umount", disk], check=False)
        log_path = os.path.join(disk, "log.txt")
        os.symlink(log_path, os.path.join(self.workdir, "log.txt"))

        def two_passes(fill):
            """Two uploads; the first with the disk full, if fill, then room again."""
            filler = os.path.join(disk, "filler")
            if fill:
                with open(filler, "wb") as f:
                    try:
                        while True:
                            f.write(b"\0" * 65536)
                            f.flush()
                    except OSError:
                        pass
            process = subprocess.Popen([BINARY], cwd=self.workdir, stdin=subprocess.PIPE,
                                       stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            process.stdin.write("".join(a + "\n" for a in upload).encode())
            process.stdin.flush()
            out = self.wait_for_output(process, "logged in 'log.txt'")
            if fill:
                os.remove(filler)
            process.stdin.write("".join(a + "\n" for a in upload + ["3"]).encode())
            process.stdin.close()
            self.assertEqual(process.wait(timeout=60), 0)
            out += (process.stdout.read() or b"").decode()
            err = text_of(process.stderr.read(), "stderr")
            process.stdout.close()
            process.stderr.close()
            with open(log_path, "r+") as f:
                log = f.read()
                f.truncate(0)
            return out, err, log

        self.write("site.ini", "[Network]\nDHCP=0\n")
        normal = two_passes(fill=False)
        full = two_passes(fill=True)
        self.assertEqual(normal[1], "")
        self.assertEqual(full[0], normal[0])  # the console, byte for byte
        self.assertEqual(full[1], "vornel: cannot write log.txt: No space left on device; "
                                  "the log is incomplete from here on\n")
        # Once there is room again, the log goes on appending.
        uploaded = upload_steps("site.ini", "127.0.0.2")
        self.assertTrue(full[2].endswith(uploaded[1] + summary([])[1] + RULE), full[2][-600:])
        self.assertLess(len(full[2]), len(normal[2]))
        self.assertEqual(device.file("site.ini"), b"[Network]\nDHCP=0\n")

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

    def test_sigint_or_sighup_during_a_stalled_fetch_keeps_the_older_file(self):
        # SIGHUP: the operator's SSH session dropped in the middle of a download.
        self.outside_device("127.0.0.2", os.urandom(1 << 20), "--stall-data-after", "65536")
        self.write("config.ini", "operator's own\n")
        self.write("127.0.0.2.ini", "fetched last week\n")
        # Under wine a SIGHUP is wine's own: it kills the process outright.
        cases = ((SIGINT, 130),) if WINDOWS else ((SIGINT, 130), (signal.SIGHUP, 129))
        for sig, expected in cases:
            with self.subTest(signal=sig):
                if self.exists("log.txt"):
                    os.remove(os.path.join(self.workdir, "log.txt"))
                process = self.start(download_dialogue("127.0.0.2"))
                status, seconds = self.interrupt(process, sig, LOGIN_OK)
                self.assertEqual(status, expected)
                self.assertLess(seconds, 2)
                self.assertEqual(self.read("127.0.0.2.ini"), b"fetched last week\n")
                self.assertEqual(self.read("config.ini"), b"operator's own\n")
                self.assertEqual(temporaries(self.workdir), [])
                self.assertTrue(self.read("log.txt").decode().endswith(LOGIN_OK))
                self.assertNotIn(DOWNLOAD_FAILED, self.read("log.txt").decode())


if __name__ == "__main__":
    main(mounts=True)
