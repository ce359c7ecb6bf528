#!/usr/bin/python3
"""A fleet of 200 simulated devices (127.1.0.1 to 127.1.0.200, two sim
processes), a tenth of them ignoring pings (each such device costs about 10 s
of probing), uploaded to by one Vornel going through the list and by
tools/shard-run.sh with 8 jobs: over 8 shards and over 64 (a job that
finishes early takes the next shard). Reports the wall-time ratios.

    bench/run.sh shards                     3 rounds (about 15 minutes)
    BENCH_RUNS=1 BENCH_JOBS=8 BENCH_SHARDS=8,32,64,200 bench/run.sh shards
"""

import os
import random
import re
import subprocess

import benchlib as b

SHARD_RUN = os.path.join(b.SOURCE_DIR, "tools", "shard-run.sh")
DEVICES = 200


def main():
    b.enter_namespace()
    runs = b.env_int("BENCH_RUNS", 3)
    jobs = b.env_int("BENCH_JOBS", 8)
    shard_counts = [int(n) for n in os.environ.get("BENCH_SHARDS", "8,64").split(",")]
    addresses = [f"127.1.0.{n}" for n in range(1, DEVICES + 1)]
    # Chosen at random (fixed seed): a regular pattern would line up with the
    # shards' round robin and flatter or punish them by construction.
    silent = sorted(random.Random(7).sample(addresses, DEVICES // 10),
                    key=addresses.index)
    root = b.scratch("vornel-bench-shards-")
    fleet = b.Fleet(os.path.join(root, "devices"), addresses, per_process=DEVICES // 2)
    b.drop_pings(silent)
    try:
        work = os.path.join(root, "work")
        os.makedirs(work)
        with open(os.path.join(work, "site.ini"), "w") as f:
            f.write("[Network]\r\nDHCP=0\r\n")
        with open(os.path.join(work, "upload_list.txt"), "w") as f:
            f.write("".join(b.group(a) for a in addresses))
        expected = f"There were {len(silent)} failures logged this session."
        rounds = iter(range(1000))

        def sequential():
            seconds, done = b.run_vornel(work, ["1", "1"])
            if done.returncode != 0 or expected.encode() not in done.stdout:
                b.fail("sequential: " + done.stdout.decode()[-400:])
            return seconds

        def sharded(shards):
            def run():
                run_dir = os.path.join(root, f"run-{next(rounds)}")
                seconds, done = b.timed([SHARD_RUN, "-k", str(jobs), "-n", str(shards),
                                         "-b", b.VORNEL, "-w", run_dir, "upload_list.txt"],
                                        cwd=work, stdout=subprocess.PIPE,
                                        stderr=subprocess.STDOUT)
                summary = f"{DEVICES} devices, {DEVICES - len(silent)} OK, {len(silent)} failed"
                if done.returncode != 1 or summary.encode() not in done.stdout:
                    b.fail("shard-run: " + done.stdout.decode()[-800:])
                b.remove(run_dir)
                return seconds
            return run

        contenders = {"sequential": sequential}
        for shards in shard_counts:
            contenders[shards] = sharded(shards)
        times = b.alternate(runs, contenders)
    finally:
        fleet.stop()
        b.allow_pings()
        b.remove(root)

    one = b.median(times["sequential"])
    print(f"{DEVICES} devices, {len(silent)} ignoring pings, {runs} rounds (median wall time)")
    print(f"  sequential (one vornel)              {one:7.1f} s   (rounds: "
          f"{' '.join(f'{t:.1f}' for t in times['sequential'])})")
    for shards in shard_counts:
        many = b.median(times[shards])
        per_shard = [0] * shards
        for address in silent:
            per_shard[addresses.index(address) % shards] += 1
        print(f"  shard-run.sh -k {jobs} -n {shards:<3}              {many:7.1f} s   (rounds: "
              f"{' '.join(f'{t:.1f}' for t in times[shards])})")
        spread = [per_shard.count(k) for k in range(max(per_shard) + 1)]
        print(f"      ratio to sequential {many / one:.3f}, speed-up {one / many:.1f}x;"
              f" shards with 0, 1, 2... silent devices: {spread}")
    print(f"  the floor: {len(silent)} silent devices x 10 s / {jobs} jobs = "
          f"{len(silent) * 10 / jobs:.0f} s")


if __name__ == "__main__":
    main()
