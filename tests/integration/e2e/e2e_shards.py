"""tools/shard-run.sh: a batch list split into shards, one real vornel per
shard against simulated devices, and the merged summary."""

import os
import subprocess

from harness import BINARY, SOURCE_DIR, VornelTest, drop_pings, group, main

SHARD_RUN = os.path.join(SOURCE_DIR, "tools", "shard-run.sh")
INI = b"[Network]\r\nDHCP=0\r\n" + bytes(range(256))
OTHER = b"[System]\r\nDeviceName=second\r\n"


class ShardRun(VornelTest):

    def shard_run(self, *args, work="run", timeout=240):
        done = subprocess.run([SHARD_RUN, "-b", BINARY, "-w", os.path.join(self.workdir, work),
                               *args], cwd=self.workdir, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=timeout)
        return done.returncode, done.stdout.decode(), done.stderr.decode()

    def summary(self, stdout):
        """The per-device lines of the merged summary."""
        return [line for line in stdout.splitlines() if line.startswith("  127.")]

    def shard_file(self, shard, name):
        return self.read(os.path.join("run", f"shard-{shard}", name)).decode()

    def test_upload_over_three_shards_reports_every_device_in_list_order(self):
        self.device("127.0.0.2")
        self.device("127.0.0.3")
        self.device("127.0.0.4", "--firmware", "qopdev-12_r2.4.9-b.bin")
        self.device("127.0.0.5")
        self.device("127.0.0.6")
        drop_pings("127.0.0.3")
        self.write("site.ini", INI)
        self.write("other.ini", OTHER)
        overlong = group("127.0.0.7", password="p" * 28)
        self.write("fleet.txt",
                   "# north cabinet\n" + group("127.0.0.2") + "\n" + group("127.0.0.3") +
                   group("127.0.0.4") + "# south cabinet\n\n" + group("127.0.0.5") +
                   group("127.0.0.6") + group("127.0.0.2", "other.ini") + overlong)

        status, stdout, stderr = self.shard_run("-k", "3", "fleet.txt")

        self.assertEqual(status, 1, stdout + stderr)
        # The overlong password is on line 32 of fleet.txt.
        self.assertEqual(self.summary(stdout), [
            "  127.0.0.2        shard 1   OK",
            "  127.0.0.3        shard 2   This address is not responsive.",
            "  127.0.0.4        shard 3   Does not support INI files.",
            "  127.0.0.5        shard 1   OK",
            "  127.0.0.6        shard 2   OK",
            "  127.0.0.2        shard 1   OK",
            "  127.0.0.7        shard 3   skipped: fleet.txt:32: SystemPassword value longer than"
            " 27 characters; the whole group is ignored",
        ])
        self.assertIn("shard-run: 7 devices, 4 OK, 3 failed", stdout)
        # Whole groups, round robin, and a device listed twice kept in one
        # shard so that its two uploads keep their order.
        self.assertEqual(self.shard_file(1, "upload_list.txt"),
                         group("127.0.0.2") + group("127.0.0.5") +
                         group("127.0.0.2", "other.ini"))
        self.assertEqual(self.shard_file(2, "upload_list.txt"),
                         group("127.0.0.3") + group("127.0.0.6"))
        self.assertEqual(self.shard_file(3, "upload_list.txt"), group("127.0.0.4") + overlong)
        self.assertEqual(self.devices[0].file("site.ini"), INI)
        self.assertEqual(self.devices[0].file("other.ini"), OTHER)
        self.assertEqual(self.devices[3].file("site.ini"), INI)
        self.assertEqual(self.devices[4].file("site.ini"), INI)
        for shard in (1, 2, 3):
            self.assertEqual(self.shard_file(shard, "status"), "0\n")
            self.assertIn("NEW SESSION", self.shard_file(shard, "log.txt"))

    def test_download_gathers_every_file_under_its_address(self):
        devices = [self.device(f"127.0.0.{n}") for n in (2, 3, 4)]
        os.makedirs(os.path.join(self.workdir, "my fleet"))
        self.write("my fleet/fleet list.txt", "".join(group(d.address) for d in devices))

        # Three shards, two of them running at a time; blanks in every path.
        status, stdout, stderr = self.shard_run("-k", "2", "-n", "3", "-m", "download",
                                                "my fleet/fleet list.txt", work="run here")

        self.assertEqual(status, 0, stdout + stderr)
        self.assertEqual(self.summary(stdout), [
            "  127.0.0.2        shard 1   OK  fetched/127.0.0.2.ini",
            "  127.0.0.3        shard 2   OK  fetched/127.0.0.3.ini",
            "  127.0.0.4        shard 3   OK  fetched/127.0.0.4.ini",
        ])
        self.assertIn("in 3 shards, 2 at a time", stdout)
        for device in devices:
            self.assertEqual(self.read(f"run here/fetched/{device.address}.ini"),
                             device.file("config.ini"))

    def test_groups_are_cut_as_vornel_reads_them(self):
        # The first group lacks its password line, so the next opening line
        # fills that slot and its own group never exists. A line of 300 bytes
        # is read in pieces of 255, and its second piece opens a group.
        self.device("127.0.0.2")
        unseen = self.device("127.0.0.3")
        self.device("127.0.0.4")
        self.write("site.ini", INI)
        self.write("fleet.txt",
                   "SystemIP=127.0.0.2\nIniFileName=site.ini\nSystemUserName=admin\n" +
                   group("127.0.0.3") + "#" + "x" * 254 + group("127.0.0.4"))

        status, stdout, stderr = self.shard_run("-k", "2", "fleet.txt")

        self.assertEqual(status, 1, stdout + stderr)
        self.assertEqual(self.summary(stdout), [
            "  127.0.0.2        shard 1   Could not log into the FTP server.",
            "  127.0.0.4        shard 2   OK",
        ])
        self.assertEqual(unseen.commands(), [])
        self.assertEqual(self.devices[2].file("site.ini"), INI)

    def test_a_shard_that_does_not_finish_makes_the_status_three(self):
        self.device("127.0.0.2")
        self.write("site.ini", INI)
        self.write("fleet.txt", group("127.0.0.2"))
        # Run in a working directory where log.txt cannot be opened.
        stand_in = os.path.join(self.workdir, "vornel-in-a-locked-room")
        with open(stand_in, "w") as f:
            f.write(f"#!/bin/sh\nmkdir log.txt\nexec {BINARY}\n")
        os.chmod(stand_in, 0o755)

        done = subprocess.run([SHARD_RUN, "-b", stand_in, "-w", "run", "fleet.txt"],
                              cwd=self.workdir, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              timeout=60)

        self.assertEqual(done.returncode, 3, done.stdout.decode() + done.stderr.decode())
        self.assertEqual(self.summary(done.stdout.decode()), [
            "  127.0.0.2        shard 1   no outcome: the shard ended with status 1 before it",
        ])

    def test_nothing_runs_without_a_list_a_group_or_a_fresh_directory(self):
        self.write("notes.txt", "no groups here\nSystemIP=\n")
        for args in (["missing.txt"], ["notes.txt"], ["-k", "0", "notes.txt"]):
            status, _, stderr = self.shard_run(*args)
            self.assertEqual(status, 2, args)
            self.assertIn("shard-run: ", stderr)
        os.makedirs(os.path.join(self.workdir, "taken"))
        self.write("fleet.txt", group("127.0.0.2"))
        done = subprocess.run([SHARD_RUN, "-b", BINARY, "-w", "taken", "fleet.txt"],
                              cwd=self.workdir, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.assertEqual(done.returncode, 2)
        self.assertIn("exists already", done.stderr.decode())


if __name__ == "__main__":
    main()
