#!/usr/bin/python3
"""The archive step of a download run alone (vornel-fleet -A): a fleet of
simulated devices is fetched once with vornel-fleet, then its working folder
is archived again and again with vornel-shard outcomes -A, a tenth of the
fetched files changed (one line each) before every run but the first. The
first run finds every device new; each later one commits a tenth changed.

    bench/run.sh archive                   1,000 devices, 10 runs after the first
    BENCH_DEVICES=200 BENCH_RUNS=3 bench/run.sh archive

Printed: the first run's time, the median of the later runs, the outcome
reader alone on the same folder (the part of the step that is not the
archive), and the archive's size on disk after all of them, with git's count
of its loose objects, then packed by git gc (as the step's own git gc --auto
packs them once there are 6,700). The archive is on disk (the working folder on tmpfs), as an
operator's would be.
"""

import os
import random
import re
import subprocess
import tempfile

import benchlib as b

FLEET = os.path.join(b.SOURCE_DIR, "src", "fleet", "vornel-fleet.sh")
CUTTER = os.path.join(b.BUILD_DIR, "vornel-shard")


def config_of(address):
    """A device's configuration: some forty lines, CRLF, as devices write them."""
    lines = ["[Network]", f"IP={address}", "Netmask=255.255.0.0", "Gateway=127.1.0.1",
             "DHCP=0", "[System]", f"DeviceName=device-{address.replace('.', '-')}"]
    lines += [f"Parameter{n}={n * 7919 % 1000}" for n in range(33)]
    return ("\r\n".join(lines) + "\r\n").encode()


def du_kib(path):
    return int(subprocess.run(["du", "-sk", path], stdout=subprocess.PIPE,
                              check=True).stdout.split()[0])


def archive_once(run_dir, archive, expected):
    seconds, done = b.timed([CUTTER, "outcomes", "-A", archive, run_dir],
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if done.returncode != 0 or expected.encode() not in done.stdout:
        b.fail("outcomes -A: " + done.stdout.decode()[-600:] + done.stderr.decode()[-600:])
    return seconds


def main():
    b.enter_namespace()
    devices = b.env_int("BENCH_DEVICES", 1000)
    runs = b.env_int("BENCH_RUNS", 10)
    addresses = [f"127.1.{n // 250}.{n % 250 + 1}" for n in range(devices)]
    root = b.scratch("vornel-bench-archive-")
    disk = tempfile.mkdtemp(prefix="vornel-bench-archive-", dir="/var/tmp")
    fleet = b.Fleet(os.path.join(root, "devices"), addresses, per_process=100)
    try:
        for address in addresses:
            with open(os.path.join(fleet.login_directory(address), "config.ini"), "wb") as f:
                f.write(config_of(address))
        work = os.path.join(root, "work")
        os.makedirs(work)
        with open(os.path.join(work, "download_list.txt"), "w") as f:
            f.write("".join(b.group(a) for a in addresses))
        run_dir = os.path.join(root, "run")
        seconds, done = b.timed([FLEET, "-k", "32", "-m", "download", "-b", b.VORNEL,
                                 "-w", run_dir, "download_list.txt"], cwd=work,
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        if done.returncode != 0:
            b.fail("vornel-fleet: " + done.stdout.decode()[-800:])
        print(f"{devices} devices fetched by vornel-fleet -k 32 in {seconds:.1f} s")
    finally:
        fleet.stop()

    try:
        fetched = os.path.join(run_dir, "fetched")
        reader = b.median([b.timed([CUTTER, "outcomes", run_dir], stdout=subprocess.DEVNULL)[0]
                           for _ in range(5)])
        archive = os.path.join(disk, "archive")
        first = archive_once(run_dir, archive,
                             f"0 changed, 0 unchanged, {devices} new, 0 not fetched")
        changed = devices // 10
        pick = random.Random(11)
        later = []
        for run in range(runs):
            for address in pick.sample(addresses, changed):
                path = os.path.join(fetched, f"{address}.ini")
                with open(path, "rb") as f:
                    text = f.read()
                with open(path, "wb") as f:
                    f.write(re.sub(rb"Parameter7=\d+", b"Parameter7=%d" % (run * 1000 + 1), text))
            later.append(archive_once(
                run_dir, archive,
                f"{changed} changed, {devices - changed} unchanged, 0 new, 0 not fetched"))
        commits = subprocess.run(["git", "-C", archive, "rev-list", "--count", "HEAD"],
                                 stdout=subprocess.PIPE, check=True).stdout.decode().strip()
        objects = subprocess.run(["git", "-C", archive, "count-objects", "-v"],
                                 stdout=subprocess.PIPE, check=True).stdout.decode()
        count = re.search(r"^count: (\d+)", objects, re.M).group(1)
        size = du_kib(archive)
        git_size = du_kib(os.path.join(archive, ".git"))
        # What git gc --auto makes of them, which the archive step runs once
        # the loose objects pass gc.auto (6,700).
        gc_seconds, _ = b.timed(["git", "-C", archive, "gc", "-q"], check=True)
        packed = du_kib(os.path.join(archive, ".git"))
    finally:
        b.remove(root)
        b.remove(disk)

    print(f"archive step (vornel-shard outcomes -A), {devices} devices, archive on disk:")
    print(f"  first run, all {devices} new: {first:.2f} s")
    print(f"  {runs} runs with {changed} changed each: median {b.median(later):.2f} s "
          f"(min {min(later):.2f}, max {max(later):.2f})")
    print(f"  the outcome reader alone on the same folder: {reader * 1000:.0f} ms")
    print(f"  after {commits} commits: {size / 1024:.1f} MiB in all, {git_size / 1024:.1f} MiB "
          f"of it in .git ({count} loose objects)")
    print(f"  .git packed by git gc (what gc --auto does at 6,700 loose objects): "
          f"{packed / 1024:.2f} MiB, in {gc_seconds:.2f} s")


if __name__ == "__main__":
    main()
