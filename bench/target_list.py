#!/usr/bin/python3
"""The batch list reader on large lists: 25,000, 50,000 and 100,000 groups
(a note line between every tenth group), read by bench_target_list with the
reader a pass uses. Reports median time and the growth of the process's
peak resident set while reading. Goal: 100,000 groups well under a second,
memory growing in proportion to the records.

    bench/run.sh target_list           7 rounds
"""

import os
import subprocess

import benchlib as b

SIZES = (25_000, 50_000, 100_000)


def write_list(path, groups):
    with open(path, "w") as f:
        for i in range(groups):
            if i % 10 == 0:
                f.write(f"# cabinet {i // 10}\n")
            f.write(b.group(f"10.{i >> 16 & 255}.{i >> 8 & 255}.{i & 255}",
                            f"site-{i % 97}.ini", "admin", f"pw{i:08d}"))


def main():
    runs = b.env_int("BENCH_RUNS", 7)
    root = b.scratch("vornel-bench-list-")
    try:
        paths = {}
        for groups in SIZES:
            paths[groups] = os.path.join(root, f"list-{groups}.txt")
            write_list(paths[groups], groups)
        growth = {groups: [] for groups in SIZES}

        def reader(groups):
            def run():
                done = subprocess.run([b.bench_program("target_list"), paths[groups]],
                                      stdout=subprocess.PIPE, check=True)
                records, seconds, before, after = done.stdout.split()
                if int(records) != groups:
                    b.fail(f"{groups} groups gave {records} records")
                growth[groups].append(int(after) - int(before))
                return float(seconds)
            return run

        times = b.alternate(runs, {groups: reader(groups) for groups in SIZES})
        sizes = {groups: os.path.getsize(paths[groups]) for groups in SIZES}
    finally:
        b.remove(root)

    print(f"batch list reader, {runs} rounds (medians)")
    for groups in SIZES:
        kib = b.median(growth[groups])
        print(f"  {groups:7} groups ({sizes[groups] / 1e6:4.1f} MB)  {b.median(times[groups]) * 1000:7.1f} ms"
              f"   peak RSS +{kib / 1024:6.1f} MiB   {kib * 1024 / groups:5.0f} B/record")
    linear = b.median(growth[100_000]) / b.median(growth[50_000])
    fast = b.median(times[100_000])
    print(f"  100,000 groups in {fast:.3f} s: goal well under 1 s: {b.verdict(fast < 0.5)}")
    print(f"  growth 100k/50k {linear:.2f} (2.00 = linear): {b.verdict(1.7 <= linear <= 2.3)}")


if __name__ == "__main__":
    main()
