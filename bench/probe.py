#!/usr/bin/python3
"""The reachability probe: 20 echo requests to 127.0.0.1, Vornel's echo
facility (bench_echo_probe: the facility alone, and ping_target as a pass
calls it) against `ping -c 20 -i 0 -q`. Both are timed as whole processes,
start-up included; the facility's own loop time is shown beside. Goal:
Vornel within 1.2x of ping.

    bench/run.sh probe                 21 rounds
    BENCH_RUNS=51 bench/run.sh probe
"""

import subprocess

import benchlib as b

ADDRESS = "127.0.0.1"


def main():
    b.enter_namespace()
    runs = b.env_int("BENCH_RUNS", 21)
    inner = {"facility": [], "probe": []}

    def vornel(mode):
        def run():
            seconds, done = b.timed([b.bench_program("echo_probe"), ADDRESS, mode],
                                    stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            if done.returncode != 0:
                b.fail(f"bench_echo_probe {mode}: {done.stdout!r} {done.stderr!r}")
            inner[mode].append(int(done.stdout.split()[1]) / 1e6)
            return seconds
        return run

    def ping():
        seconds, done = b.timed(["ping", "-c", "20", "-i", "0", "-q", "-W", "1", ADDRESS],
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        if done.returncode != 0 or b"20 received" not in done.stdout:
            b.fail("ping: " + done.stdout.decode() + done.stderr.decode())
        return seconds

    times = b.alternate(runs, {"facility": vornel("facility"), "probe": vornel("probe"),
                               "ping": ping})
    ping_median = b.median(times["ping"])
    print(f"20 echo requests to {ADDRESS}, {runs} rounds (medians, whole process)")
    print(f"  ping -c 20 -i 0 -q       {ping_median * 1000:7.2f} ms")
    for mode, label in (("facility", "IcmpEcho x20"), ("probe", "ping_target")):
        median = b.median(times[mode])
        ratio = median / ping_median
        print(f"  {label:24} {median * 1000:7.2f} ms   (its own loop {b.median(inner[mode]) * 1000:.2f}"
              f" ms)   ratio {ratio:.2f}   goal <= 1.20: {b.verdict(ratio <= 1.2)}")


if __name__ == "__main__":
    main()
