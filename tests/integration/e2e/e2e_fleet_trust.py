"""What the fleet tools must not take on trust: a host entry that would run a
command here or is named like a file."""

import os
import subprocess

from e2e_shards import FLEET
from harness import BINARY, VornelTest, group, main, skip_under_wine


@skip_under_wine("vornel-fleet and its ssh hosts are the Linux build's")
class FleetTrust(VornelTest):

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
        done = subprocess.run([FLEET, "-b", BINARY, "-w", work, *args], cwd=self.workdir,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120,
                              env=dict(os.environ, PARALLEL_SSH=self.ssh))
        return done.returncode, done.stdout.decode(), done.stderr.decode()

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


if __name__ == "__main__":
    main()
