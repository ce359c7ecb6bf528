"""What the fleet tools must not take on trust: a host entry that would run a
command here or is named like a file, an archive's own git config and the
links and owners in its .git, and another run archiving in the same archive
at the same moment."""

import json
import os
import shutil
import subprocess

from e2e_shards import CUTTER, NO_ARCHIVE_UNDER_WINE, FleetCase
from harness import group, main, skip_under_wine


def fetched(line, address):
    """The record of a device whose configuration vornel-batch fetched."""
    return json.dumps({"line": line, "address": address, "ini_file": "config.ini",
                       "outcome": "ok", "status": 1, "reason": "", "firmware": 250,
                       "fetched": address + ".ini", "start": "2026-12-08T09:00:00.000Z",
                       "end": "2026-12-08T09:00:00.040Z", "duration": 0.040}) + "\n"


@skip_under_wine("vornel-fleet, its ssh hosts and its archive are the Linux build's")
class FleetTrust(FleetCase):

    def setUp(self):
        super().setUp()
        self.ssh_log = os.path.join(self.workdir, "ssh.log")
        self.ssh = os.path.join(self.workdir, "ssh")
        self.mark = os.path.join(self.workdir, "ran-here")

    def stub_ssh(self, status):
        """An ssh that only notes what it was asked, one line per call, and
        ends with status (255: the host can't be reached)."""
        with open(self.ssh, "w") as f:
            f.write(f'#!/bin/sh\necho "$*" >>{self.ssh_log}\nexit {status}\n')
        os.chmod(self.ssh, 0o755)

    def fleet(self, *args, work="run"):
        """vornel-fleet with the stub ssh."""
        return self.shard_run(*args, work=work, timeout=120,
                              env=dict(os.environ, PARALLEL_SSH=self.ssh))

    def fetched_run(self, name, addresses, content):
        """A working folder as a download run leaves it: the list cut into one
        shard whose Vornel fetched every address; returns its path."""
        os.makedirs(os.path.join(self.workdir, name))
        self.write(f"{name}/list.txt", "".join(group(a, "config.ini") for a in addresses))
        run = os.path.join(name, "run")
        subprocess.run([CUTTER, "-o", run, "-n", "1", "-m", "download",
                        os.path.join(name, "list.txt")], cwd=self.workdir, check=True,
                       stdout=subprocess.DEVNULL)
        self.write(f"{run}/shard-1/results.jsonl",
                   "".join(fetched(1 + 4 * i, a) for i, a in enumerate(addresses)))
        self.write(f"{run}/shard-1/status", "0\n")
        for address in addresses:
            self.write(f"{run}/shard-1/{address}.ini", content(address))
        return run

    def archive_run(self, archive, run):
        return subprocess.Popen([CUTTER, "outcomes", "-A", archive, run], cwd=self.workdir,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE)

    def test_a_host_entry_that_is_no_login_stops_the_run_before_anything_runs(self):
        # GNU parallel puts a login into a command line of a shell here; an
        # ssh that lets every login in would let it get that far.
        self.stub_ssh(0)
        self.write("fleet.txt", group("127.0.0.2"))
        touch = f"touch${{IFS}}{self.mark}"
        self.write("hosts.txt", f"north\n2/op;{touch};@south\n")
        self.write("sites.txt", f"a$({touch})@north 127.0.0.0/8\n")
        for args in (["-S", f"1/a$({touch})@north"], ["-S", f"a;{touch};@north"],
                     ["-S", f"north:22`{touch}`"], ["-S", "@hosts.txt"],
                     ["-S", "north", "-M", "sites.txt"]):
            status, _, stderr = self.fleet(*args, "fleet.txt")
            self.assertFalse(os.path.exists(self.mark), args)
            self.assertEqual(status, 2, args)
            self.assertIn("vornel-fleet: fleet.txt was not cut into shards", stderr, args)
            self.assertFalse(self.exists("run"), args)
        self.assertFalse(os.path.exists(self.ssh_log))

    def test_a_host_entry_is_never_read_as_a_file_of_hosts(self):
        # A file that bears a host's name names other hosts; only @FILE is a file.
        self.stub_ssh(255)
        self.write("fleet.txt", group("127.0.0.2"))
        self.write("op@north", "elsewhere\n")
        self.write("hosts.txt", "# the south site\nop@south:2222\n")
        for work, args, host in (("run-1", ["-S", "op@north"], "op@north"),
                                 ("run-2", ["-S", "@hosts.txt"], "ssh://op@south:2222")):
            if os.path.exists(self.ssh_log):
                os.remove(self.ssh_log)
            status, stdout, stderr = self.fleet(*args, "fleet.txt", work=work)
            self.assertEqual(status, 4, stdout + stderr)
            with open(self.ssh_log) as f:
                calls = f.read()
            self.assertRegex(calls, rf"ControlPersist=600 {host} umask 077 && mkdir -p ")
            self.assertNotIn("elsewhere", calls)

    @skip_under_wine(NO_ARCHIVE_UNDER_WINE)
    def test_two_runs_archiving_in_one_archive_at_once_keep_every_file_of_both(self):
        runs = [self.fetched_run(name, [f"10.{n}.{i // 250}.{i % 250}" for i in range(300)],
                                 lambda address: f"[Network]\r\nIP={address}\r\n")
                for n, name in ((1, "north"), (2, "south"))]
        subprocess.run([CUTTER, "archive", "configs"], cwd=self.workdir, check=True)

        started = [self.archive_run("configs", run) for run in runs]
        ended = [process.communicate(timeout=120) for process in started]

        for process, (stdout, stderr) in zip(started, ended):
            self.assertEqual(process.returncode, 0, stdout + stderr)
            stdout = stdout.decode()
            self.assertRegex(stdout, r"\nvornel-fleet: archived in configs as commit \w+: 0 "
                                     r"changed, 0 unchanged, 300 new, 0 not fetched\n")
        self.assertEqual(len(self.git("-C", "configs", "ls-tree", "HEAD").splitlines()), 600)
        self.assertEqual(self.git("-C", "configs", "rev-list", "--count", "HEAD"), "2\n")
        self.assertEqual(self.git("-C", "configs", "status", "--porcelain"), "")
        for address in ("10.1.0.0", "10.2.1.49"):
            self.assertEqual(self.read(f"configs/{address}.ini"),
                             f"[Network]\r\nIP={address}\r\n".encode())
        # Each run's index was its own, and went with it.
        self.assertEqual([n for n in os.listdir(os.path.join(self.workdir, "configs", ".git"))
                          if n.startswith("vornel-index")], [])

    @skip_under_wine(NO_ARCHIVE_UNDER_WINE)
    def test_an_archive_runs_none_of_its_config_and_writes_through_no_link(self):
        addresses = ["10.0.0.2", "10.0.0.3"]
        first = self.fetched_run("first", addresses, lambda address: "[Network]\n")
        done = self.archive_run("base", first)
        self.assertEqual(done.communicate(timeout=60) and done.returncode, 0)
        later = self.fetched_run("later", addresses, lambda address: f"[Network]\nIP={address}\n")
        self.write("outside.txt", "kept\n")
        outside = os.path.join(self.workdir, "outside.txt")

        def partial_clone(git):
            # A lazy fetch from a promisor remote would run core.sshCommand:
            # HEAD's tree is "missing", to be fetched.
            for key, value in (("core.repositoryformatversion", "1"),
                               ("extensions.partialClone", "origin"),
                               ("remote.origin.promisor", "true"),
                               ("remote.origin.url", "ssh://nowhere/archive"),
                               ("core.sshCommand", f"touch {self.mark}; false")):
                self.git("--git-dir", git, "config", key, value)
            tree = self.git("--git-dir", git, "rev-parse", "HEAD^{tree}").strip()
            os.remove(os.path.join(git, "objects", tree[:2], tree[2:]))

        def linked(name):
            def plant(git):
                os.replace(os.path.join(git, name), os.path.join(git, name + ".kept"))
                os.symlink(outside, os.path.join(git, name))
            return plant

        for plant, why in (
                (partial_clone, "it cannot be checked: error: bad tree object HEAD"),
                (linked("info/attributes"), "/.git/info/attributes is a link"),
                (linked("index"), "/.git/index is a link"),
                (linked("vornel.lock"), "/.git/vornel.lock: it is a link"),
                (lambda git: os.chmod(git, 0o770), "its .git can be written by other users"),
                (lambda git: os.chmod(os.path.join(git, "config"), 0o666),
                 "its .git/config can be written by other users"),
                (lambda git: os.chown(git, 65534, 65534), "its .git belongs to another user")):
            shutil.copytree(os.path.join(self.workdir, "base"),
                            os.path.join(self.workdir, "archive"), symlinks=True)
            plant(os.path.join(self.workdir, "archive", ".git"))
            head = self.git("--git-dir", "archive/.git", "rev-parse", "HEAD")

            done = self.archive_run("archive", later)
            stdout = done.communicate(timeout=60)[0].decode()

            self.assertEqual(done.returncode, 5, stdout)
            self.assertIn("\nvornel-fleet: nothing archived in archive: ", stdout)
            self.assertIn(why, stdout)
            self.assertEqual(self.git("--git-dir", "archive/.git", "rev-parse", "HEAD"), head)
            self.assertEqual(self.read("archive/10.0.0.2.ini"), b"[Network]\n")
            shutil.rmtree(os.path.join(self.workdir, "archive"))
        self.assertFalse(os.path.exists(self.mark))
        self.assertEqual(self.read("outside.txt"), b"kept\n")


if __name__ == "__main__":
    main()
