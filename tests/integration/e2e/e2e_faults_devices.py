"""Misbehaving devices in one download batch: each fails alone, the pass goes on.

One run of the real binary meets, in this order, an address where nothing
listens, a device that hangs up after its greeting, one that hangs up on
USER, one that refuses passive mode, one whose data connection breaks in the
middle of RETR, listings of 100,000 names, of binary junk without a final
newline and of nothing at all, configuration files of 0 bytes and of
100 MB, and two that announce a size other than what they send (more bytes,
then fewer). Every device gets the verdict it earned, every fetched file is
byte-exact, no partial file is left, and nothing the devices sent reaches
the console.
"""

import hashlib
import os
import re

from faults import control_characters, download_steps, summary, temporaries
from harness import BANNER, MENU, RULE, WINDOWS, VornelTest, batch_prompt, group, main

ANNOUNCE = "\n\t** Running batch parameters from download_list.txt **\n"


class MisbehavingDevices(VornelTest):

    def prepared_device(self, address, files, *switches):
        """A device whose login directory holds files before it starts."""
        root = os.path.join(self.workdir, "devices", address, "root")
        os.makedirs(root, exist_ok=True)
        for name, content in files.items():
            with open(os.path.join(root, name), "wb") as f:
                f.write(content)
        return self.device(address, *switches)

    def listing_file(self, name, content):
        path = os.path.join(self.workdir, name)
        with open(path, "wb") as f:
            f.write(content)
        return path

    def test_each_fault_fails_its_own_device_only(self):
        many = b"".join(b"backup_%06d.tar\r\n" % i for i in range(100_000))
        many += b"qopdev-12_r2.5.0-b.bin\r\n"
        junk = (b"\x00\x01\x02\xff\xfe garbage\r\n" + bytes(range(256)) +
                b"\nqopdev-12_r2.6.1-b.bin\r\n\x1b[2J\x07\x00 trailing junk, no newline")
        big = os.urandom(100 << 20)
        broken = os.urandom(2 << 20)

        # 127.0.0.2: nothing listens on port 21.
        self.device("127.0.0.3", "--close-after-greeting")
        self.device("127.0.0.4", "--close-after-user")
        self.device("127.0.0.5", "--refuse-pasv")
        self.prepared_device("127.0.0.6", {"config.ini": broken}, "--break-data-after", "100000")
        self.device("127.0.0.7", "--listing-file", self.listing_file("many", many))
        self.device("127.0.0.8", "--listing-file", self.listing_file("junk", junk))
        self.device("127.0.0.9", "--listing-file", self.listing_file("empty", b""))
        self.prepared_device("127.0.0.10", {"config.ini": b""})
        self.prepared_device("127.0.0.11", {"config.ini": big})
        lying = os.urandom(45_235)
        self.prepared_device("127.0.0.12", {"config.ini": lying}, "--announce-size", "44135")
        self.prepared_device("127.0.0.13", {"config.ini": lying}, "--announce-size", "46000")

        outcomes = [("127.0.0.2", "no login", 4), ("127.0.0.3", "no login", 4),
                    ("127.0.0.4", "no login", 4), ("127.0.0.5", "no listing", 4),
                    ("127.0.0.6", "fetch failed", 2), ("127.0.0.7", "fetched", None),
                    ("127.0.0.8", "fetched", None), ("127.0.0.9", "old firmware", 6),
                    ("127.0.0.10", "fetched", None), ("127.0.0.11", "fetched", None),
                    ("127.0.0.12", "fetch failed", 2), ("127.0.0.13", "fetch failed", 2)]
        sizes = {"127.0.0.12": (44_135, 45_235), "127.0.0.13": (46_000, 45_235)}
        self.write("download_list.txt", "".join(group(ip, "config.ini") for ip, _, _ in outcomes))
        # The operator's own config.ini sends every fetch to <address>.ini.
        self.write("config.ini", "operator's own\n")
        self.write("127.0.0.6.ini", "fetched last week\n")
        self.write("127.0.0.12.ini", "fetched last week\n")

        run = self.run_vornel(["2", "1", "3"], timeout=240)
        self.assertEqual(run.status, 0, run.stderr)

        console = BANNER + MENU + batch_prompt("download", "download_list.txt") + ANNOUNCE
        log = ANNOUNCE
        for ip, outcome, _ in outcomes:
            steps = download_steps(ip, outcome, sizes=sizes.get(ip))
            console += steps[0]
            log += steps[1]
        end = summary([(ip, status) for ip, _, status in outcomes if status], note=True)
        self.assertEqual(run.stdout, console + end[0] + MENU)
        run_log = run.log
        if WINDOWS:
            # Wine reports the reset of 127.0.0.6's data connection as its end,
            # so there the failed fetch is also logged as a short one.
            run_log = re.sub(r"\tconfig\.ini: %d bytes announced, \d+ received\.\n" % len(broken),
                             "", run_log)
        self.assertSession(run_log, log + end[1] + RULE)
        for text in (run.stdout, run.stderr, run.log):
            self.assertEqual(control_characters(text), [])

        self.assertEqual(self.read("config.ini"), b"operator's own\n")
        for ip in ("127.0.0.6", "127.0.0.12"):
            self.assertEqual(self.read(ip + ".ini"), b"fetched last week\n", ip)
        for ip in ("127.0.0.7", "127.0.0.8"):
            self.assertEqual(self.read(ip + ".ini"), self.read_device_config(ip))
        self.assertEqual(self.read("127.0.0.10.ini"), b"")
        self.assertEqual(hashlib.sha256(self.read("127.0.0.11.ini")).digest(),
                         hashlib.sha256(big).digest())
        for ip in ("127.0.0.2", "127.0.0.3", "127.0.0.4", "127.0.0.5", "127.0.0.9", "127.0.0.13"):
            self.assertFalse(self.exists(ip + ".ini"), ip)
        self.assertEqual(temporaries(self.workdir), [])

    def read_device_config(self, ip):
        with open(os.path.join(self.workdir, "devices", ip, "root", "config.ini"), "rb") as f:
            return f.read()


if __name__ == "__main__":
    main()
