"""vornel-fleet: a batch list split into shards, one real vornel per shard
against simulated devices, the merged summary, results.csv and the list to
run again; then shards on hosts made of sshd, each in a network namespace of
its own with devices only it reaches."""

import glob
import os
import re
import shutil
import signal
import subprocess
import time

from harness import (BATCH, BINARY, SOURCE_DIR, WINDOWS, VornelTest, drop_pings, group, main,
                     skip_under_wine, text_of)
from devices import allow_pings  # sim/, on the path harness made
from ssh_hosts import SshHosts

FLEET = os.path.join(SOURCE_DIR, "src", "fleet", "vornel-fleet.sh")
# The cutter and reader of the build under test (beside its vornel), or
# vornel-shard.exe under wine in the Windows leg (for the fleet an operator
# runs by hand there).
_BESIDE = os.path.join(os.path.dirname(BINARY), "vornel-shard")
CUTTER = os.environ.get("VORNEL_SHARD_EXE") or (
    _BESIDE if os.path.exists(_BESIDE) else os.path.join(SOURCE_DIR, "build", "vornel-shard"))
INI = b"[Network]\r\nDHCP=0\r\n" + bytes(range(256))
OTHER = b"[System]\r\nDeviceName=second\r\n"
# git for the test's own look at an archive: no configuration of this machine's,
# no hooks.
QUIET_GIT = {"GIT_CONFIG_NOSYSTEM": "1", "GIT_CONFIG_GLOBAL": "/dev/null",
             "GIT_CONFIG_COUNT": "1", "GIT_CONFIG_KEY_0": "core.hooksPath",
             "GIT_CONFIG_VALUE_0": "/dev/null",
             "GIT_AUTHOR_NAME": "test", "GIT_AUTHOR_EMAIL": "test@example.org",
             "GIT_COMMITTER_NAME": "test", "GIT_COMMITTER_EMAIL": "test@example.org"}
NO_ARCHIVE_UNDER_WINE = ("the archive is kept by vornel-fleet and vornel-shard of the Linux "
                         "build, run here as they are; the Windows build only fetches")
CSV_HEADER = ("line,address,shard,host,wave,outcome,status,reason,firmware,fetched,config,"
              "lines_changed")


class FleetCase(VornelTest):
    """What the fleet's tests share: a run of vornel-fleet, its files, git."""

    def shard_run(self, *args, work="run", timeout=240, env=None):
        done = subprocess.run([FLEET, "-b", BATCH, "-w", os.path.join(self.workdir, work),
                               *args], cwd=self.workdir, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=timeout, env=env)
        return done.returncode, done.stdout.decode(), done.stderr.decode()

    def git(self, *args, raw=False):
        """git's output, run as the test, with no configuration but its own,
        on whoever's repository."""
        done = subprocess.run(["git", "-c", "safe.directory=*", *args], cwd=self.workdir,
                              stdout=subprocess.PIPE, check=True,
                              env=dict(os.environ, **QUIET_GIT))
        return done.stdout if raw else done.stdout.decode()

    def summary(self, stdout):
        """The per-device lines of the merged summary."""
        return [line for line in stdout.splitlines() if line.startswith("  127.")]

    def shard_file(self, shard, name):
        return self.read(os.path.join("run", f"shard-{shard}", name)).decode()

    def results(self, work="run", archived=False, waves=False):
        """results.csv's rows after its header, which must be the first;
        without waves, their wave must be empty, and is left out; without an
        archive, their config and lines_changed must be empty, and are left
        out."""
        rows = self.read(os.path.join(work, "results.csv")).decode().split("\r\n")
        self.assertEqual(rows[0], CSV_HEADER)
        self.assertEqual(rows[-1], "")
        rows = rows[1:-1]
        if not waves:
            fields = [row.split(",", 5) for row in rows]
            for row in fields:
                self.assertEqual(row[4], "", row)
            rows = [",".join(row[:4] + row[5:]) for row in fields]
        if archived:
            return rows
        for row in rows:
            self.assertTrue(row.endswith(",,"), row)
        return [row[:-2] for row in rows]


class ShardRun(FleetCase):

    def test_upload_over_three_shards_reports_every_device_and_what_to_run_again(self):
        self.device("127.0.0.2")
        self.device("127.0.0.3")
        self.device("127.0.0.4", "--firmware", "qopdev-12_r2.4.9-b.bin")
        self.device("127.0.0.5")
        self.device("127.0.0.6")
        self.device("127.0.0.8", "--refuse-login")
        self.device("127.0.0.9")
        drop_pings("127.0.0.3")
        self.write("site.ini", INI)
        self.write("other.ini", OTHER)
        overlong = group("127.0.0.7", password="p" * 28)
        self.write("fleet.txt",
                   "# north cabinet\n" + group("127.0.0.2") + "\n" + group("127.0.0.3") +
                   group("127.0.0.4") + "# south cabinet\n\n" + group("127.0.0.5") +
                   group("127.0.0.6") + group("127.0.0.2", "other.ini") + overlong +
                   group("127.0.0.8") + group("127.0.0.9", "missing.ini"))

        status, stdout, stderr = self.shard_run("-k", "3", "-n", "3", "fleet.txt")

        self.assertEqual(status, 1, stdout + stderr)
        # The live line is for a terminal: none of it in a pipe or a file.
        self.assertNotIn("\x1b", stdout + stderr)
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
            "  127.0.0.8        shard 1   Could not log into the FTP server.",
            "  127.0.0.9        shard 2   Could not open file missing.ini.",
        ])
        run = os.path.join(self.workdir, "run")
        self.assertEqual(stdout.splitlines()[-2:], [
            f"vornel-fleet: 9 devices, 4 OK, 5 failed; logs in {run}/shard-N/log.txt",
            f"vornel-fleet: results in {run}/results.csv; the 4 devices to run again in "
            f"{run}/rerun_list.txt"])
        self.assertEqual(self.results(), [
            "2,127.0.0.2,1,,ok,1,,250,",
            "7,127.0.0.3,2,,failed,3,This address is not responsive.,250,",
            "11,127.0.0.4,3,,failed,6,Does not support INI files.,249,",
            "17,127.0.0.5,1,,ok,1,,250,",
            "21,127.0.0.6,2,,ok,1,,250,",
            "25,127.0.0.2,1,,ok,1,,250,",
            "29,127.0.0.7,3,,skipped,,fleet.txt:32: SystemPassword value longer than 27"
            " characters; the whole group is ignored,,",
            "33,127.0.0.8,1,,failed,4,Could not log into the FTP server.,,",
            "37,127.0.0.9,2,,failed,5,Could not open file missing.ini.,250,",
        ])
        rerun = (group("127.0.0.3") + group("127.0.0.4") + group("127.0.0.8") +
                 group("127.0.0.9", "missing.ini"))
        self.assertEqual(self.read("run/rerun_list.txt").decode(), rerun)
        # Whole groups, round robin, and a device listed twice kept in one
        # shard so that its two uploads keep their order.
        self.assertEqual(self.shard_file(1, "upload_list.txt"),
                         group("127.0.0.2") + group("127.0.0.5") +
                         group("127.0.0.2", "other.ini") + group("127.0.0.8"))
        self.assertEqual(self.shard_file(2, "upload_list.txt"),
                         group("127.0.0.3") + group("127.0.0.6") + group("127.0.0.9", "missing.ini"))
        self.assertEqual(self.shard_file(3, "upload_list.txt"), group("127.0.0.4") + overlong)
        self.assertEqual(self.devices[0].file("site.ini"), INI)
        self.assertEqual(self.devices[0].file("other.ini"), OTHER)
        self.assertEqual(self.devices[3].file("site.ini"), INI)
        self.assertEqual(self.devices[4].file("site.ini"), INI)
        for shard in (1, 2, 3):
            # Each shard's vornel-batch had a device fail or a group skipped.
            self.assertEqual(self.shard_file(shard, "status"), "1\n")
            self.assertIn("NEW SESSION", self.shard_file(shard, "log.txt"))
        # The lists hold every password: nothing of the run is anyone else's
        # (under wine, vornel.exe's files are made by the wine server, with
        # its own mask).
        for top, folders, files in os.walk(run):
            for name in [top] + [os.path.join(top, f) for f in files]:
                if not (WINDOWS and name.endswith(("log.txt", "foundfir.txt"))):
                    self.assertEqual(os.stat(name).st_mode & 0o077, 0, name)

        # Fixed: the silent device answers, the missing file is there. The
        # rerun list, beside the INI files, works only the four again, and
        # of them only those two succeed.
        allow_pings()
        self.write("missing.ini", OTHER)
        shutil.copy(os.path.join(run, "rerun_list.txt"), os.path.join(self.workdir, "again.txt"))
        worked = [len(device.commands()) for device in self.devices]

        status, stdout, stderr = self.shard_run("-k", "2", "again.txt", work="again")

        self.assertEqual(status, 1, stdout + stderr)
        self.assertEqual(self.results("again"), [
            "1,127.0.0.3,1,,ok,1,,250,",
            "5,127.0.0.4,2,,failed,6,Does not support INI files.,249,",
            "9,127.0.0.8,3,,failed,4,Could not log into the FTP server.,,",
            "13,127.0.0.9,4,,ok,1,,250,",
        ])
        self.assertEqual(self.read("again/rerun_list.txt").decode(),
                         group("127.0.0.4") + group("127.0.0.8"))
        self.assertEqual(self.devices[6].file("missing.ini"), OTHER)
        for device, before in zip(self.devices, worked):
            if device.address in ("127.0.0.2", "127.0.0.5", "127.0.0.6"):
                self.assertEqual(len(device.commands()), before, device.address)

    def test_download_gathers_every_file_under_its_address(self):
        devices = [self.device(f"127.0.0.{n}") for n in (2, 3, 4)]
        self.device("127.0.0.5", "--refuse-login")
        os.makedirs(os.path.join(self.workdir, "my fleet"))
        self.write("my fleet/fleet list.txt",
                   "".join(group(d.address) for d in devices) + group("127.0.0.5"))

        # Three shards, two of them running at a time; blanks in every path.
        status, stdout, stderr = self.shard_run("-k", "2", "-n", "3", "-m", "download",
                                                "my fleet/fleet list.txt", work="run here")

        self.assertEqual(status, 1, stdout + stderr)
        self.assertEqual(self.summary(stdout), [
            "  127.0.0.2        shard 1   OK  fetched/127.0.0.2.ini",
            "  127.0.0.3        shard 2   OK  fetched/127.0.0.3.ini",
            "  127.0.0.4        shard 3   OK  fetched/127.0.0.4.ini",
            "  127.0.0.5        shard 1   Could not log into the FTP server.",
        ])
        self.assertIn("in 3 shards, 2 at a time", stdout)
        for device in devices:
            self.assertEqual(self.read(f"run here/fetched/{device.address}.ini"),
                             device.file("config.ini"))
        self.assertEqual(self.results("run here"), [
            "1,127.0.0.2,1,,ok,1,,250,fetched/127.0.0.2.ini",
            "5,127.0.0.3,2,,ok,1,,250,fetched/127.0.0.3.ini",
            "9,127.0.0.4,3,,ok,1,,250,fetched/127.0.0.4.ini",
            "13,127.0.0.5,1,,failed,4,Could not log into the FTP server.,,",
        ])
        self.assertEqual(self.read("run here/rerun_list.txt").decode(), group("127.0.0.5"))

    @skip_under_wine(NO_ARCHIVE_UNDER_WINE)
    def test_download_runs_keep_the_history_of_every_configuration_in_an_archive(self):
        devices = [self.device(f"127.0.0.{n}") for n in (2, 3, 4)]
        configs = {}
        for device in devices:
            # CR LF, a NUL and bytes past ASCII: kept byte for byte, counted as lines.
            configs[device.address] = (f"[Network]\r\nIP={device.address}\r\n"
                                       "Gateway=10.0.0.1\r\n").encode() + b"\x00\xff\r\n"
            with open(os.path.join(device.root, "config.ini"), "wb") as f:
                f.write(configs[device.address])
        self.write("fleet.txt", "".join(group(d.address) for d in devices))
        # The operator's environment and git configuration would convert line
        # ends, write elsewhere and sign with another name, if they were heard.
        home = os.path.join(self.workdir, "home")
        os.makedirs(home)
        with open(os.path.join(home, ".gitconfig"), "w") as f:
            f.write("[core]\n\tautocrlf = true\n[user]\n\tname = Operator\n")
        operator = dict(os.environ, HOME=home, GIT_DIR=os.path.join(self.workdir, "elsewhere"),
                        GIT_AUTHOR_NAME="Operator", GIT_INDEX_FILE="/nonexistent/index")
        archive = os.path.join(self.workdir, "archive")

        status, stdout, stderr = self.shard_run("-m", "download", "-A", "archive", "fleet.txt",
                                                work="run-1", env=operator)

        self.assertEqual(status, 0, stdout + stderr)
        self.assertEqual(self.summary(stdout), [
            f"  {a}        shard {n}   OK  fetched/{a}.ini  new, 4 lines"
            for n, a in ((1, "127.0.0.2"), (2, "127.0.0.3"), (3, "127.0.0.4"))])
        self.assertRegex(stdout, rf"\nvornel-fleet: archived in {archive} as commit "
                                 r"[0-9a-f]{7,}: 0 changed, 0 unchanged, 3 new, 0 not fetched\n")
        self.assertFalse(self.exists("elsewhere"))
        # A hook of the archive's own is not run either.
        hooks = os.path.join(archive, ".git", "hooks")
        for hook in ("reference-transaction", "post-index-change"):
            with open(os.path.join(hooks, hook), "w") as f:
                f.write(f"#!/bin/sh\ntouch {self.workdir}/hook-ran\n")
            os.chmod(os.path.join(hooks, hook), 0o755)

        # One device's configuration changes (a line replaced), another goes silent.
        changed = configs["127.0.0.3"].replace(b"10.0.0.1", b"10.0.0.254")
        with open(os.path.join(devices[1].root, "config.ini"), "wb") as f:
            f.write(changed)
        drop_pings("127.0.0.4")
        status, stdout, stderr = self.shard_run("-m", "download", "-A", "archive", "fleet.txt",
                                                work="run-2", env=operator)

        self.assertEqual(status, 1, stdout + stderr)
        self.assertFalse(self.exists("hook-ran"))
        self.assertEqual(self.summary(stdout), [
            "  127.0.0.2        shard 1   OK  fetched/127.0.0.2.ini  unchanged",
            "  127.0.0.3        shard 2   OK  fetched/127.0.0.3.ini  changed, 2 lines",
            "  127.0.0.4        shard 3   This address is not responsive.",
        ])
        title = "1 changed, 1 unchanged, 0 new, 1 not fetched"
        head = self.git("-C", archive, "rev-parse", "--short", "HEAD").strip()
        self.assertIn(f"as commit {head}:", stdout)
        self.assertRegex(stdout, rf"\nvornel-fleet: archived in {archive} as commit \w+: {title}\n")
        self.assertEqual(self.results("run-2", archived=True), [
            "1,127.0.0.2,1,,ok,1,,250,fetched/127.0.0.2.ini,unchanged,0",
            "5,127.0.0.3,2,,ok,1,,250,fetched/127.0.0.3.ini,changed,2",
            "9,127.0.0.4,3,,failed,3,This address is not responsive.,250,,,",
        ])
        log = self.git("-C", archive, "log", "--format=%an <%ae>|%cn|%s")
        self.assertRegex(log, rf"^Vornel <>\|Vornel\|download run [-0-9]{{10}} [:0-9]{{8}}: "
                              rf"{title}\nVornel <>\|Vornel\|download run .*: 0 changed, 0 "
                              r"unchanged, 3 new, 0 not fetched\n$")
        body = self.git("-C", archive, "log", "-1", "--format=%b")
        self.assertIn("127.0.0.3.ini: changed, 2 lines\n", body)
        self.assertNotIn("127.0.0.2", body)
        self.assertEqual(self.git("-C", archive, "status", "--porcelain"), "")
        # The silent device keeps its last configuration; the files are as fetched.
        self.assertEqual(self.read("archive/127.0.0.4.ini"), configs["127.0.0.4"])
        self.assertEqual(self.read("archive/127.0.0.3.ini"), changed)
        self.assertEqual(self.read("archive/127.0.0.2.ini"), configs["127.0.0.2"])
        self.assertEqual(self.git("-C", archive, "show", "HEAD~:127.0.0.3.ini", raw=True),
                         configs["127.0.0.3"])

        # The silent device answers again, unchanged: no commit, and the summary says so.
        allow_pings()
        status, stdout, stderr = self.shard_run("-m", "download", "-A", "archive", "fleet.txt",
                                                work="run-3")
        self.assertEqual(status, 0, stdout + stderr)
        self.assertIn(f"\nvornel-fleet: nothing changed since the last run archived in {archive};"
                      " no commit (0 changed, 3 unchanged, 0 new, 0 not fetched)\n", stdout)
        self.assertEqual(self.git("-C", archive, "rev-list", "--count", "HEAD"), "2\n")

    @skip_under_wine(NO_ARCHIVE_UNDER_WINE)
    def test_an_archive_that_is_not_a_clean_work_tree_of_its_own_stops_the_run(self):
        device = self.device("127.0.0.2")
        self.write("fleet.txt", group("127.0.0.2"))
        self.write("a file", "not a folder\n")
        os.makedirs(os.path.join(self.workdir, "outer", "inner"))
        self.write("outer/inner/notes.txt", "kept by another repository\n")
        self.git("init", "-q", "outer")
        os.makedirs(os.path.join(self.workdir, "edited"))
        self.write("edited/127.0.0.2.ini", "[Network]\n")
        self.git("init", "-q", "edited")
        self.git("-C", "edited", "add", ".")
        self.git("-C", "edited", "commit", "-q", "-m", "by hand")
        self.write("edited/127.0.0.2.ini", "[Network]\nDHCP=1\n")
        os.makedirs(os.path.join(self.workdir, "stray"))
        self.git("init", "-q", "stray")
        self.write("stray/notes.txt", "not committed\n")
        for args, why in (
                (["-A", "a file"], "a file is not a git work tree"),
                (["-A", "outer/inner"], "outer/inner is not a git work tree"),
                (["-A", "edited"], "edited has uncommitted changes"),
                (["-A", "stray"], "stray has uncommitted changes"),
                (["-A", "fresh", "-w", os.path.join(self.workdir, "fresh", "run")],
                 "would hold the working directory"),
                (["-m", "upload", "-A", "fresh"], "-A keeps the history of fetched files")):
            status, stdout, stderr = self.shard_run("-m", "download", *args, "fleet.txt")
            self.assertEqual(status, 2, args)
            self.assertIn(why, stderr, args)
            self.assertFalse(self.exists("run"), args)
        self.assertEqual(device.commands(), [])
        self.assertEqual(self.read("edited/127.0.0.2.ini"), b"[Network]\nDHCP=1\n")
        self.assertEqual(self.git("-C", "edited", "rev-list", "--count", "HEAD"), "1\n")

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
            f.write(f"#!/bin/sh\nmkdir log.txt\nexec {BATCH} \"$@\"\n")
        os.chmod(stand_in, 0o755)

        done = subprocess.run([FLEET, "-b", stand_in, "-w", "run", "fleet.txt"],
                              cwd=self.workdir, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              timeout=60)

        self.assertEqual(done.returncode, 3, done.stdout.decode() + done.stderr.decode())
        self.assertEqual(self.summary(done.stdout.decode()), [
            "  127.0.0.2        shard 1   no outcome: the shard ended with status 2 before it",
        ])

    def test_nothing_runs_without_a_list_a_group_a_safe_host_or_a_fresh_directory(self):
        self.write("notes.txt", "no groups here\nSystemIP=\n")
        self.write("fleet.txt", group("127.0.0.2"))
        for args in (["missing.txt"], ["notes.txt"], ["-k", "0", "notes.txt"],
                     ["-S", "-oProxyCommand=touch taken-over", "fleet.txt"],
                     ["-S", "2/-oProxyCommand=touch taken-over", "fleet.txt"]):
            status, _, stderr = self.shard_run(*args)
            self.assertEqual(status, 2, args)
            self.assertIn("vornel-fleet: ", stderr)
            self.assertFalse(self.exists("run"), args)
        self.assertFalse(self.exists("taken-over"))
        os.makedirs(os.path.join(self.workdir, "taken"))
        os.symlink("taken", os.path.join(self.workdir, "linked"))
        for work in ("taken", "linked"):
            done = subprocess.run([FLEET, "-b", BATCH, "-w", work, "fleet.txt"],
                                  cwd=self.workdir, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            self.assertEqual(done.returncode, 2)
            self.assertIn("exists already", done.stderr.decode())
        # Cut by hand, into a link or a folder holding files: refused as well
        # (wine shows the Windows build a Linux link as the folder it names).
        self.write("taken/notes.txt", "mine\n")
        for folder, why in (("linked", "is not empty" if WINDOWS else "is a link"),
                            ("taken", "is not empty")):
            done = subprocess.run([CUTTER, "-o", folder, "fleet.txt"], cwd=self.workdir,
                                  stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            self.assertEqual(done.returncode, 2)
            self.assertIn(why, text_of(done.stderr, "stderr"))
        self.assertEqual(os.listdir(os.path.join(self.workdir, "taken")), ["notes.txt"])

    def test_a_fleet_run_by_hand_in_several_consoles_ends_in_one_results_file(self):
        # As on Windows without GNU parallel: the list cut by vornel-shard, a
        # vornel-batch started in each shard's folder with its records kept,
        # then the shards read back. One console's exit status was not kept.
        for n in (2, 3, 4):
            self.device(f"127.0.0.{n}", *(["--refuse-login"] if n == 3 else []))
        self.write("site.ini", INI)
        self.write("upload_list.txt", "".join(group(f"127.0.0.{n}") for n in (2, 3, 4)))
        subprocess.run([CUTTER, "-o", "fleet", "-n", "2", "upload_list.txt"], cwd=self.workdir,
                       check=True, stdout=subprocess.DEVNULL)
        for shard in (1, 2):
            folder = os.path.join(self.workdir, "fleet", f"shard-{shard}")
            with open(os.path.join(folder, "console.txt"), "wb") as console:
                done = subprocess.run([BATCH, "upload", "--results", "results.jsonl"], cwd=folder,
                                      stdout=console, stderr=subprocess.DEVNULL, timeout=120)
            if shard == 1:
                self.write("fleet/shard-1/status", f"{done.returncode} \r\n")

        done = subprocess.run([CUTTER, "outcomes", "fleet"], cwd=self.workdir,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE)

        self.assertEqual(done.returncode, 1, done.stderr)
        self.assertEqual(self.summary(text_of(done.stdout, "stdout")), [
            "  127.0.0.2        shard 1   OK",
            "  127.0.0.3        shard 2   Could not log into the FTP server.",
            "  127.0.0.4        shard 1   OK",
        ])
        self.assertEqual(self.results("fleet"), [
            "1,127.0.0.2,1,,ok,1,,250,",
            "5,127.0.0.3,2,,failed,4,Could not log into the FTP server.,,",
            "9,127.0.0.4,1,,ok,1,,250,",
        ])
        self.assertEqual(self.read("fleet/rerun_list.txt").decode(), group("127.0.0.3"))


def runs_vornel(pid):
    try:
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            return BATCH.encode() in f.read()
    except OSError:
        return False


class HostsCase(VornelTest):
    """Host i is reached at 10.77.i.2 and holds the devices 127.0.i.x, which
    nothing but host i can reach; the site map says so."""

    summary = FleetCase.summary
    shard_file = FleetCase.shard_file
    results = FleetCase.results

    def setUp(self):
        for tool in ("/usr/sbin/sshd", "/usr/bin/ssh", "/usr/bin/rsync"):
            if not os.path.exists(tool):
                self.skipTest(f"{tool} is missing (tools/install-deps.sh --test)")
        super().setUp()
        self.ssh = SshHosts(os.path.join(self.workdir, "ssh"))
        self.environment = dict(os.environ, PARALLEL_SSH=self.ssh.ssh_command)

    def tearDown(self):
        self.ssh.stop()
        super().tearDown()

    def host(self, *addresses, refuse_login=False, port=22, **switches):
        host = self.ssh.add(refuse_login, port)
        for address in addresses:
            self.device(address, *switches.get(address, ()), prefix=host.command([]))
        return host

    def site_map(self, *hosts):
        self.write("sites.txt", "# host  devices\n" + "".join(
            f"{host.login} 127.0.{host.index}.0/24\n" for host in hosts))


    def start(self, *args, remote=BATCH):
        return subprocess.Popen([FLEET, "-b", BATCH, "-B", remote, "-w",
                                 os.path.join(self.workdir, "run"), *args],
                                cwd=self.workdir, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                env=self.environment)

    def run_on_hosts(self, *args, remote=BATCH):
        done = self.start(*args, remote=remote)
        stdout, stderr = done.communicate(timeout=240)
        return done.returncode, stdout.decode(), stderr.decode()


@skip_under_wine("each ssh host is a network namespace of its own, and a wine server serves "
                 "only the namespace it started in; a Linux host runs the Linux build")
class ShardsOnHosts(HostsCase):

    def test_upload_and_download_each_device_through_the_host_that_reaches_it(self):
        north = self.host("127.0.1.2", "127.0.1.3")
        # ssh takes a port only in its ssh:// form, GNU parallel as host:port.
        south = self.host("127.0.2.2", port=2222)
        self.site_map(north, south)
        self.write("site.ini", INI)
        addresses = ["127.0.1.2", "127.0.2.2", "127.0.1.3"]
        self.write("upload_list.txt", "".join(group(a) for a in addresses))
        hosts = f"2/{north.login},1/{south.login}"
        # A Vornel on the hosts that leaves a link and a FIFO beside its
        # files, and notes who may enter the run's folder there.
        remote = os.path.join(self.workdir, "vornel-leaving-links")
        with open(remote, "w") as f:
            f.write(f"#!/bin/sh\nln -s /etc/hostname 10.0.0.1.ini\nmkfifo 10.0.0.2.ini\n"
                    f"stat -c %a .. >run-folder-mode\nexec {BATCH} \"$@\"\n")
        os.chmod(remote, 0o755)

        status, stdout, stderr = self.run_on_hosts("-S", hosts, "-M", "sites.txt",
                                                   "upload_list.txt", remote=remote)

        self.assertEqual(status, 0, stdout + stderr)
        self.assertEqual(self.summary(stdout), [
            "  127.0.1.2        shard 1   root@10.77.1.2       OK",
            "  127.0.2.2        shard 3   root@10.77.2.2:2222  OK",
            "  127.0.1.3        shard 2   root@10.77.1.2       OK",
        ])
        for device in self.devices:
            self.assertEqual(device.file("site.ini"), INI)
        # Each shard's files came back whole; nothing is left on the hosts.
        for shard in (1, 2, 3):
            self.assertEqual(self.shard_file(shard, "status"), "0\n")
            self.assertIn("NEW SESSION", self.shard_file(shard, "log.txt"))
            self.assertIn("INI upload                         Successful",
                          self.shard_file(shard, "console.txt"))
            # Plain files only came back, and the folder was the login's alone.
            names = os.listdir(os.path.join(self.workdir, "run", f"shard-{shard}"))
            self.assertNotIn("10.0.0.1.ini", names)
            self.assertNotIn("10.0.0.2.ini", names)
            self.assertEqual(self.shard_file(shard, "run-folder-mode"), "700\n")
        self.assertEqual(self.results(), [
            "1,127.0.1.2,1,root@10.77.1.2,ok,1,,250,",
            "5,127.0.2.2,3,root@10.77.2.2:2222,ok,1,,250,",
            "9,127.0.1.3,2,root@10.77.1.2,ok,1,,250,",
        ])
        self.assertFalse(self.exists("run/rerun_list.txt"))
        for host in (north, south):
            left = host.run(["sh", "-c", "find ~ -type f"], capture_output=True)
            self.assertEqual(left.stdout, b"")

        # South's vornel-batch also leaves a configuration for a device of
        # north, and one far above the fetch limit: neither is taken.
        self.write("download_list.txt", "".join(group(a) for a in addresses))
        subprocess.run(["rm", "-rf", os.path.join(self.workdir, "run")], check=True)
        planting = os.path.join(self.workdir, "vornel-planting")
        with open(planting, "w") as f:
            f.write("#!/bin/sh\nif grep -q 127.0.2.2 download_list.txt; then\n"
                    "  echo planted >127.0.1.3.ini\n  truncate -s 300M 10.9.9.9.ini\nfi\n"
                    f"exec {BATCH} \"$@\"\n")
        os.chmod(planting, 0o755)
        status, stdout, stderr = self.run_on_hosts("-S", hosts, "-M", "sites.txt",
                                                   "-m", "download", "download_list.txt",
                                                   remote=planting)

        self.assertEqual(status, 0, stdout + stderr)
        self.assertFalse(self.exists("run/shard-3/10.9.9.9.ini"))
        self.assertEqual(sorted(os.listdir(os.path.join(self.workdir, "run", "fetched"))),
                         sorted(f"{a}.ini" for a in addresses))
        self.assertIn("  127.0.2.2        shard 3   root@10.77.2.2:2222  OK  fetched/127.0.2.2.ini",
                      self.summary(stdout))
        for device in self.devices:
            self.assertEqual(self.read(f"run/fetched/{device.address}.ini"),
                             device.file("config.ini"))

    def test_a_refused_login_and_a_host_killed_mid_run_leave_their_devices_not_run(self):
        good = self.host("127.0.1.2")
        refusing = self.host("127.0.2.2", refuse_login=True)
        doomed = self.host("127.0.3.2")
        # The doomed host's device ignores ping: its shard is still probing
        # (10 s) when the host dies.
        drop_pings("127.0.3.2", prefix=doomed.command([]))
        self.site_map(good, refusing, doomed)
        self.write("site.ini", INI)
        self.write("upload_list.txt", "".join(group(a) for a in
                                              ("127.0.3.2", "127.0.1.2", "127.0.2.2")))
        hosts = ",".join(f"root@{h.address}" for h in (good, refusing, doomed))

        run = self.start("-S", hosts, "-M", "sites.txt", "upload_list.txt")
        deadline = time.monotonic() + 60
        while not any(runs_vornel(pid) for pid in doomed.processes()):
            self.assertLess(time.monotonic(), deadline, "vornel never started on the host")
            time.sleep(0.1)
        time.sleep(1)
        doomed.kill()
        stdout, stderr = (text.decode() for text in run.communicate(timeout=240))

        self.assertEqual(run.returncode, 4, stdout + stderr)
        self.assertEqual(self.summary(stdout), [
            "  127.0.3.2        shard 1   root@10.77.3.2       not run to the end: the host was"
            " lost while its shard ran",
            "  127.0.1.2        shard 2   root@10.77.1.2       OK",
            "  127.0.2.2        shard 3   root@10.77.2.2       not run: no host of its site could"
            " be reached",
        ])
        self.assertIn(f"root@{refusing.address} could not be reached", stderr)
        # The lost host's copy could not be removed, and the operator is told.
        self.assertRegex(stderr, rf"could not remove \S+ on root@{doomed.address}; remove it")
        self.assertNotIn(f"on root@{refusing.address}", stderr)
        self.assertEqual(self.results(), [
            "1,127.0.3.2,1,root@10.77.3.2,not_run_to_the_end,,the host was lost while its"
            " shard ran,,",
            "5,127.0.1.2,2,root@10.77.1.2,ok,1,,250,",
            "9,127.0.2.2,3,root@10.77.2.2,not_run,,no host of its site could be reached,,",
        ])
        self.assertEqual(self.read("run/rerun_list.txt").decode(),
                         group("127.0.3.2") + group("127.0.2.2"))
        self.assertEqual(self.devices[1].commands(), [])
        # The lost shard was run once, and only there.
        runs = []
        for log in sorted(glob.glob(os.path.join(self.workdir, "run", "jobs-*.log"))):
            with open(log) as f:
                runs += [line.split("\t")[1] for line in f if "\t: 1;" in line]
        self.assertEqual(runs, [f"root@{doomed.address}"])

    def test_a_host_runs_no_more_shards_at_once_than_its_count(self):
        # An ssh that lets every login in and spends half a second on each job,
        # which says it began (so that no later round sends it again).
        ssh = os.path.join(self.workdir, "slow-ssh")
        with open(ssh, "w") as f:
            f.write('#!/bin/sh\ncase "$*" in *mkdir*|*"rm -rf"*|*"-O exit"*|*rsync*) ;;\n'
                    '  *) echo started; sleep 0.5 ;;\nesac\n')
        os.chmod(ssh, 0o755)
        self.environment["PARALLEL_SSH"] = ssh
        self.write("upload_list.txt", "".join(group(f"127.0.0.{n}") for n in range(2, 10)))

        self.run_on_hosts("-k", "8", "-n", "8", "-S", "1/north,2/south", "upload_list.txt")

        with open(os.path.join(self.workdir, "run", "jobs-1.log")) as f:
            rows = [line.split("\t") for line in f][1:]
        self.assertEqual(len(rows), 8)
        for host, count in (("north", 1), ("south", 2)):
            spans = [(float(r[2]), float(r[2]) + float(r[3])) for r in rows if r[1] == host]
            at_once = max(sum(begin <= start < end for begin, end in spans)
                          for start, _ in spans)
            self.assertEqual(at_once, count, host)

    def test_a_hangup_still_clears_the_hosts_and_the_ssh_connections(self):
        host = self.host("127.0.1.2")
        # Its device ignores ping: the shard is still probing (10 s) at the hangup.
        drop_pings("127.0.1.2", prefix=host.command([]))
        self.write("site.ini", INI)
        self.write("upload_list.txt", group("127.0.1.2"))
        # The ssh of the run, which notes where its connections' sockets are.
        calls = os.path.join(self.workdir, "ssh-calls")
        ssh = os.path.join(self.workdir, "noting-ssh")
        with open(ssh, "w") as f:
            f.write(f'#!/bin/sh\necho "$*" >>{calls}\nexec {self.ssh.ssh_command} "$@"\n')
        os.chmod(ssh, 0o755)
        self.environment["PARALLEL_SSH"] = ssh

        # A terminal that hangs up sends SIGHUP to the whole job.
        run = subprocess.Popen([FLEET, "-b", BATCH, "-B", BATCH, "-w", "run", "-S", host.login,
                                "upload_list.txt"], cwd=self.workdir,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                               env=self.environment, start_new_session=True)
        deadline = time.monotonic() + 60
        while not any(runs_vornel(pid) for pid in host.processes()):
            self.assertLess(time.monotonic(), deadline, "vornel never started on the host")
            time.sleep(0.05)
        os.killpg(run.pid, signal.SIGHUP)
        stdout, stderr = (text.decode() for text in run.communicate(timeout=120))

        self.assertEqual(run.returncode, 129, stdout + stderr)
        # The run's folder on the host (its lists hold the passwords) is gone,
        # and so are the ssh masters and their sockets' folder here.
        left = host.run(["sh", "-c", "find ~ -mindepth 1"], capture_output=True)
        self.assertEqual(left.stdout, b"")
        with open(calls) as f:
            sockets = re.search(r"ControlPath=(\S+)/%C", f.read()).group(1)
        self.assertFalse(os.path.exists(sockets))
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open(f"/proc/{pid}/cmdline", "rb") as f:
                    self.assertNotIn(sockets.encode(), f.read(), pid)
            except OSError:
                pass


if __name__ == "__main__":
    main()
