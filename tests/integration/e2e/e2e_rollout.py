"""A safe rollout with vornel-fleet: the preflight that sends nothing and
whose ready list is the next run's list, waves that each run to their end
before the next, and a stop once failures reach --max-fail (at, not above),
here and over ssh hosts: what a stop left is held back and listed, and a run
goes on from that list."""

import os
import subprocess

import e2e_shards
from devices import drop_pings  # sim/, on the path harness made
from harness import BATCH, group, main, skip_under_wine

INI = b"[Network]\r\nDHCP=0\r\n"


def stored(device):
    """Whether anything was stored on the device or fetched from it."""
    return any(c.split(" ")[0] in ("STOR", "RETR") for c in device.commands())


@skip_under_wine("vornel-fleet runs GNU parallel; on Windows the waves are run by hand")
class Rollout(e2e_shards.FleetCase):

    def test_waves_stop_once_failures_reach_the_threshold_and_the_rest_goes_on_later(self):
        # 20 devices: wave 1 takes 1, wave 2 up to 25% (5), wave 3 the rest.
        devices = [self.device(f"127.0.0.{n}", *(["--refuse-stor"] if n == 4 else []))
                   for n in range(2, 22)]
        self.write("site.ini", INI)
        self.write("fleet.txt", "".join(group(d.address) for d in devices))
        options = ["-k", "4", "--waves", "1,25%,100%", "--max-fail", "1"]

        status, stdout, stderr = self.shard_run(*options, "fleet.txt")

        self.assertEqual(status, 6, stdout + stderr)
        self.assertIn("in 20 shards and 3 waves", stdout)
        held = [d for d in devices[5:]]
        for device in held:
            self.assertEqual(device.commands(), [], device.address)
        rows = self.results(waves=True)
        self.assertEqual([r.split(",")[4:6] for r in rows],
                         [["1", "ok"]] + [["2", "ok"], ["2", "failed"]] + [["2", "ok"]] * 2 +
                         [["3", "held_back"]] * 15)
        self.assertEqual(self.read("run/remaining_list.txt").decode(),
                         "".join(group(d.address) for d in held))
        self.assertEqual(self.read("run/rerun_list.txt").decode(), group("127.0.0.4"))
        self.assertIn("; 15 devices held back\n", stdout)
        self.assertIn("the 15 devices held back in ", stdout.splitlines()[-1])

        # The remaining list, with the same options, finishes the rollout.
        os.rename(os.path.join(self.workdir, "run", "remaining_list.txt"),
                  os.path.join(self.workdir, "remaining.txt"))
        status, stdout, stderr = self.shard_run(*options, "remaining.txt", work="again")
        self.assertEqual(status, 0, stdout + stderr)
        for device in held:
            self.assertEqual(device.file("site.ini"), INI)

    def test_the_threshold_is_reached_at_its_value_not_above_it(self):
        # One shard at a time, in list order; a refused login fails at once.
        for n in range(2, 8):
            self.device(f"127.0.0.{n}", *(["--refuse-login"] if n in (3, 4) else []))
        self.write("site.ini", INI)
        cases = [
            # (addresses, --max-fail, exit status, held back)
            ((2, 3, 4, 5), "2", 6, ["127.0.0.5"]),
            ((2, 3, 5, 6), "2", 1, []),
            # 1 of 2 attempted is 50%: reached; 1 of 2 is not 51%, 1 of 4 neither.
            ((2, 3, 5, 6), "50%", 6, ["127.0.0.5", "127.0.0.6"]),
            ((2, 3, 5, 6), "51%", 1, []),
        ]
        for number, (addresses, limit, expected, held) in enumerate(cases):
            with self.subTest(limit=limit, addresses=addresses):
                name = f"list-{number}.txt"
                self.write(name, "".join(group(f"127.0.0.{a}") for a in addresses))
                status, stdout, stderr = self.shard_run("-k", "1", "--max-fail", limit, name,
                                                        work=f"run-{number}")
                self.assertEqual(status, expected, stdout + stderr)
                rows = self.results(f"run-{number}")
                self.assertEqual([r.split(",")[1] for r in rows if ",held_back," in r], held)

    def test_confirm_without_a_terminal_is_refused_before_anything_runs(self):
        device = self.device("127.0.0.2")
        self.write("fleet.txt", group("127.0.0.2") + group("127.0.0.3"))
        # A session of its own: no terminal to ask on.
        done = subprocess.run([e2e_shards.FLEET, "-b", BATCH, "-w", "run", "--waves", "1,100%",
                               "--confirm", "fleet.txt"], cwd=self.workdir,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              start_new_session=True, timeout=60)
        self.assertEqual(done.returncode, 2)
        self.assertIn("--confirm asks on the terminal", done.stderr.decode())
        self.assertFalse(self.exists("run"))
        self.assertEqual(device.commands(), [])

    def test_the_preflight_sends_nothing_and_its_ready_list_is_the_next_run(self):
        self.device("127.0.0.2")
        self.device("127.0.0.3", "--refuse-login")
        self.device("127.0.0.4", "--firmware", "qopdev-12_r2.4.9-b.bin")
        also = self.device("127.0.0.5")
        self.write("site.ini", INI)
        listed = (group("127.0.0.2") + group("127.0.0.3") + group("127.0.0.4") +
                  group("127.0.0.5", "missing.ini") + group("127.0.0.5"))
        self.write("fleet.txt", listed)

        status, stdout, stderr = self.shard_run("-m", "check", "fleet.txt")

        self.assertEqual(status, 1, stdout + stderr)
        self.assertEqual(self.results(), [
            "1,127.0.0.2,1,,ready,,,250,",
            "5,127.0.0.3,2,,failed,4,Could not log into the FTP server.,,",
            "9,127.0.0.4,3,,failed,6,Does not support INI files.,249,",
            "13,127.0.0.5,4,,failed,5,Could not open file missing.ini.,250,",
            "17,127.0.0.5,4,,ready,,,250,",
        ])
        self.assertIn("vornel-fleet: 5 devices, 2 ready, 3 not ready; logs in", stdout)
        self.assertIn("vornel-fleet:     1  Does not support INI files.\n", stdout)
        for device in self.devices:
            self.assertFalse(stored(device), device.address)
        self.assertEqual(self.read("run/ready_list.txt").decode(),
                         group("127.0.0.2") + group("127.0.0.5"))

        os.rename(os.path.join(self.workdir, "run", "ready_list.txt"),
                  os.path.join(self.workdir, "ready.txt"))
        status, stdout, stderr = self.shard_run("ready.txt", work="push")
        self.assertEqual(status, 0, stdout + stderr)
        self.assertEqual(also.file("site.ini"), INI)


@skip_under_wine("each ssh host is a network namespace of its own")
class RolloutOnHosts(e2e_shards.HostsCase):

    def test_a_stop_reaches_the_vornel_batch_running_on_another_host(self):
        # One shard a host. south is probing a silent device (10 s) when
        # north, after three uploads, fails one: south's shard holds two more.
        north = self.host("127.0.1.3", "127.0.1.4", "127.0.1.5", "127.0.1.2",
                          **{"127.0.1.2": ["--refuse-login"]})
        south = self.host("127.0.2.2", "127.0.2.3", "127.0.2.4")
        drop_pings("127.0.2.2", prefix=south.command([]))
        self.site_map(north, south)
        self.write("site.ini", INI)
        self.write("upload_list.txt", "".join(group(a) for a in (
            "127.0.2.2", "127.0.2.3", "127.0.2.4", "127.0.1.3", "127.0.1.4", "127.0.1.5",
            "127.0.1.2")))

        status, stdout, stderr = self.run_on_hosts("-n", "1", "-S", f"{north.login},{south.login}",
                                                   "-M", "sites.txt", "--max-fail", "1",
                                                   "upload_list.txt")

        self.assertEqual(status, 6, stdout + stderr)
        self.assertEqual([[r.split(",")[i] for i in (1, 4)] for r in self.results()], [
            ["127.0.2.2", "failed"], ["127.0.2.3", "held_back"], ["127.0.2.4", "held_back"],
            ["127.0.1.3", "ok"], ["127.0.1.4", "ok"], ["127.0.1.5", "ok"],
            ["127.0.1.2", "failed"]])
        held = [d for d in self.devices if d.address in ("127.0.2.3", "127.0.2.4")]
        for device in held:
            self.assertEqual(device.commands(), [], device.address)
        for host in (north, south):
            left = host.run(["sh", "-c", "find ~ -type f"], capture_output=True)
            self.assertEqual(left.stdout, b"")


if __name__ == "__main__":
    main()
