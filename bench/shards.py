#!/usr/bin/python3
"""A fleet of simulated devices, a tenth of them ignoring pings (each such
device costs 10 s of probing), uploaded to by one Vornel going through the
list and by vornel-fleet: over a few shard counts, and over ssh hosts.
Each row's wall time is set against its floor: the silent devices' 10 s
spread over the jobs (silent x 10 s / jobs). Since one Vornel works its
devices one after another and a silent device is 10 s that can't be split,
no cut gets below ceil(silent / jobs) x 10 s; that is printed too.

    bench/run.sh shards                      200 devices, 20 silent, 8 jobs: -n 8, -n 64 and
                                             the default cut (eight shards a job slot, so
                                             64 here too, never more than one a device),
                                             1 round
    BENCH_RUNS=3 BENCH_SHARDS=8,32,64,default bench/run.sh shards
    BENCH_DEVICES=1000 BENCH_SILENT=100 BENCH_JOBS=32 BENCH_SHARDS=default bench/run.sh shards
    BENCH_HOSTS=1,2 BENCH_SHARDS=default bench/run.sh shards
                                             the same run on one ssh host, then on two
                                             (BENCH_JOBS jobs on each)
    BENCH_DEVICES=1000 BENCH_SILENT=100 BENCH_JOBS=32 BENCH_SHARDS=default \
      BENCH_WAVES=1,5%,25%,100% BENCH_MAX_FAIL=20 bench/run.sh shards
                                             each cut also with --waves STEPS; then one
                                             run with --max-fail N (the silent devices
                                             fail): the time from its threshold being
                                             reached to the last device starting
    BENCH_LIVE_LINE=1 bench/run.sh shards    each cut also on a terminal (under script(1)),
                                             where the live progress line is drawn

BENCH_SEQUENTIAL=0 leaves out the run of one Vornel (1,000 s on 1,000 devices).
For each row the peak memory of the run (every process of it, proportional
set sizes summed; over ssh, the processes here) is printed as well, and the
outcome reader (vornel-shard outcomes) run again on the finished working
directory: its time (median of 5) and peak resident memory. Hosts are sshd instances in namespaces of their own
(sim/ssh_hosts.py); their devices are then on 10.99.x.y, which every host
reaches through its link to the benchmark's namespace.
"""

import datetime
import json
import math
import os
import random
import shlex
import subprocess
import sys
import threading
import time

import benchlib as b

from ssh_hosts import SshHosts  # noqa: E402  (sim/, on the path benchlib made)

FLEET = os.path.join(b.SOURCE_DIR, "src", "fleet", "vornel-fleet.sh")
CUTTER = os.path.join(b.BUILD_DIR, "vornel-shard")
BATCH = os.path.join(b.BUILD_DIR, "vornel-batch")


def time_reader(run_dir, devices):
    """(median seconds, peak resident KiB) of the outcome reader on run_dir."""
    seconds = []
    for _ in range(5):
        start = time.perf_counter()
        done = subprocess.run(["/usr/bin/time", "-f", "%M", CUTTER, "outcomes", run_dir],
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        seconds.append(time.perf_counter() - start)
        if f"{devices} devices".encode() not in done.stdout:
            b.fail("outcomes: " + done.stdout.decode()[-400:] + done.stderr.decode()[-400:])
    return b.median(seconds), int(done.stderr.split()[-1])


def tree_rss(root_pid):
    """Memory of a process and all its descendants, in KiB: their proportional
    set sizes, so pages they share (the libraries of 32 Vornels) count once."""
    children = {}
    rss = {}
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open(f"/proc/{name}/stat") as f:
                parent = int(f.read().rsplit(")", 1)[1].split()[1])
            with open(f"/proc/{name}/smaps_rollup") as f:
                for line in f:
                    if line.startswith("Pss:"):
                        rss[int(name)] = int(line.split()[1])
        except (OSError, ValueError, IndexError):
            continue
        children.setdefault(parent, []).append(int(name))
    total, todo = 0, [root_pid]
    while todo:
        pid = todo.pop()
        total += rss.get(pid, 0)
        todo += children.get(pid, [])
    return total


def timed_with_memory(args, **kwargs):
    """(seconds, CompletedProcess-like, peak KiB of the whole process tree)."""
    peak = [0]
    start = time.perf_counter()
    process = subprocess.Popen(args, **kwargs)
    done = threading.Event()

    def sample():
        while not done.is_set():
            peak[0] = max(peak[0], tree_rss(process.pid))
            done.wait(0.25)

    sampler = threading.Thread(target=sample)
    sampler.start()
    stdout, _ = process.communicate()
    seconds = time.perf_counter() - start
    done.set()
    sampler.join()
    process.stdout = stdout
    return seconds, process, peak[0]


def addresses_for(count, hosts):
    if hosts:
        return [f"10.99.{n // 250}.{n % 250 + 1}" for n in range(count)]
    return [f"127.1.{n // 250}.{n % 250 + 1}" for n in range(count)]


def main():
    b.enter_namespace()
    runs = b.env_int("BENCH_RUNS", 1)
    devices = b.env_int("BENCH_DEVICES", 200)
    silent_count = b.env_int("BENCH_SILENT", devices // 10)
    jobs = b.env_int("BENCH_JOBS", 8)
    cuts = os.environ.get("BENCH_SHARDS", "8,64,default").split(",")
    host_counts = [int(n) for n in os.environ.get("BENCH_HOSTS", "0").split(",")]
    waves = os.environ.get("BENCH_WAVES", "")
    max_fail = os.environ.get("BENCH_MAX_FAIL", "")
    live_line = os.environ.get("BENCH_LIVE_LINE", "") == "1"
    sequential = os.environ.get("BENCH_SEQUENTIAL", "1" if devices <= 200 else "0") == "1"
    over_hosts = any(host_counts)
    addresses = addresses_for(devices, over_hosts)
    # Chosen at random (fixed seed): a regular pattern would line up with the
    # shards' round robin and flatter or punish them by construction.
    silent = sorted(random.Random(7).sample(addresses, silent_count), key=addresses.index)
    root = b.scratch("vornel-bench-shards-")
    ssh = None
    if over_hosts:
        # Every 10.99.x.y is this namespace's own; the hosts route there.
        subprocess.run(["ip", "addr", "add", "10.99.0.0/16", "dev", "lo"], check=True)
        ssh = SshHosts(os.path.join(root, "ssh"))
        for _ in range(max(host_counts)):
            host = ssh.add()
            host.run(["ip", "route", "add", "10.99.0.0/16", "via", f"10.77.{host.index}.1"])
    fleet = b.Fleet(os.path.join(root, "devices"), addresses, per_process=100)
    b.drop_pings(silent)
    try:
        work = os.path.join(root, "work")
        os.makedirs(work)
        with open(os.path.join(work, "site.ini"), "w") as f:
            f.write("[Network]\r\nDHCP=0\r\n")
        with open(os.path.join(work, "upload_list.txt"), "w") as f:
            f.write("".join(b.group(a) for a in addresses))
        expected = (f"There were {len(silent)} failures logged this session." if silent
                    else "No errors detected during this session.")
        rounds = iter(range(1000))
        memory = {}
        reader = {}

        def run_sequential():
            seconds, done = b.run_vornel(work, ["1", "1"])
            if done.returncode != 0 or expected.encode() not in done.stdout:
                b.fail("sequential: " + done.stdout.decode()[-400:])
            return seconds

        def sharded(cut, hosts, variant=""):
            # variant: --waves' value, or "tty" for a run on a terminal.
            terminal = variant == "tty"
            def run():
                run_dir = os.path.join(root, f"run-{next(rounds)}")
                args = [FLEET, "-k", str(jobs), "-b", BATCH, "-w", run_dir]
                if cut != "default":
                    args += ["-n", cut]
                if variant and not terminal:
                    args += ["--waves", variant]
                env = dict(os.environ)
                if hosts:
                    # BENCH_JOBS on every host: a host adds its capacity.
                    args += ["-B", BATCH, "-S", ",".join(
                        f"{jobs}/root@{h.address}" for h in ssh.hosts[:hosts])]
                    env["PARALLEL_SSH"] = ssh.ssh_command
                args += ["upload_list.txt"]
                if terminal:
                    # stderr a terminal: the live line is drawn all along.
                    args = ["script", "-qec", " ".join(shlex.quote(a) for a in args), "/dev/null"]
                seconds, done, peak = timed_with_memory(
                    args, cwd=work, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
                summary = f"{devices} devices, {devices - len(silent)} OK, {len(silent)} failed"
                if done.returncode != (1 if silent else 0) or summary.encode() not in done.stdout:
                    b.fail("vornel-fleet: " + done.stdout.decode()[-800:])
                memory.setdefault((cut, hosts, variant), []).append(peak)
                reader.setdefault((cut, hosts, variant), []).append(time_reader(run_dir, devices))
                b.remove(run_dir)
                return seconds
            return run

        contenders = {"sequential": run_sequential} if sequential else {}
        for hosts in host_counts:
            for cut in cuts:
                contenders[(cut, hosts, "")] = sharded(cut, hosts)
                if waves:
                    contenders[(cut, hosts, waves)] = sharded(cut, hosts, waves)
                if live_line:
                    contenders[(cut, hosts, "tty")] = sharded(cut, hosts, "tty")
        times = b.alternate(runs, contenders)
        stop = stop_latency(root, work, jobs, max_fail) if max_fail else None
    finally:
        fleet.stop()
        if ssh:
            ssh.stop()
        b.allow_pings()
        b.remove(root)

    def floor(slots):
        return len(silent) * 10 / slots or float("nan")

    def whole(slots):
        return math.ceil(len(silent) / slots) * 10 or float("nan")

    print(f"{devices} devices, {len(silent)} ignoring pings, {jobs} jobs (a host), {runs} round(s)"
          f" (median wall time)")
    print(f"  the floor: {len(silent)} silent x 10 s / {jobs} jobs = {floor(jobs):.1f} s; "
          f"a silent device can't be split: {whole(jobs)} s ({whole(jobs) / floor(jobs):.2f}x "
          f"the floor)")

    def rounds_text(name):
        return " ".join(f"{t:.1f}" for t in times[name])

    if sequential:
        one = b.median(times["sequential"])
        print(f"  sequential (one vornel): {one:.1f} s   {one / floor(1):.2f}x its floor of "
              f"{floor(1):.0f} s   (rounds: {rounds_text('sequential')})")
    for cut, hosts, variant in [k for k in times if k != "sequential"]:
        slots = jobs * max(hosts, 1)
        many = b.median(times[(cut, hosts, variant)])
        label = f"-k {jobs} -n {cut}" if cut != "default" else f"-k {jobs} (default cut)"
        label += " on a terminal" if variant == "tty" else f" --waves {variant}" if variant else ""
        where = f" over {hosts} ssh host{'s' if hosts > 1 else ''}" if hosts else ""
        peak = max(memory[(cut, hosts, variant)]) / 1024
        read_time = b.median([t for t, _ in reader[(cut, hosts, variant)]])
        read_peak = max(m for _, m in reader[(cut, hosts, variant)]) / 1024
        print(f"  vornel-fleet {label}{where}: {many:.1f} s   {many / floor(slots):.2f}x the "
              f"floor ({floor(slots):.1f} s), {many / whole(slots):.2f}x the indivisible one"
              f"   peak memory {'here ' if hosts else ''}{peak:.0f} MiB"
              f"   (rounds: {rounds_text((cut, hosts, variant))})")
        print(f"    its outcome reader: {read_time * 1000:.0f} ms, peak {read_peak:.1f} MiB")
    if stop:
        latency, after, held = stop
        print(f"  --max-fail {max_fail}: the last device started {latency:+.3f} s after the "
              f"threshold was reached ({after} started after it); {held} held back")
    remote = [h for h in host_counts if h]
    if len(remote) == 2:
        for cut in cuts:
            first, second = (b.median(times[(cut, h, "")]) for h in remote)
            print(f"  -n {cut}: {remote[1]} hosts against {remote[0]}: {second / first:.2f} "
                  f"of the time")


def stop_latency(root, work, jobs, limit):
    """One run stopped by --max-fail limit: (seconds from the threshold being
    reached, as the stop file's time, to the last device's start in any record;
    devices that started after it; devices held back)."""
    run_dir = os.path.join(root, "run-stopped")
    done = subprocess.run([FLEET, "-k", str(jobs), "-b", BATCH, "-w", run_dir, "--max-fail",
                           limit, "upload_list.txt"], cwd=work, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT)
    if done.returncode != 6:
        b.fail("the stopped run: " + done.stdout.decode()[-800:])
    reached = os.stat(os.path.join(run_dir, "stopped")).st_mtime
    starts = []
    for shard in os.listdir(run_dir):
        path = os.path.join(run_dir, shard, "results.jsonl")
        if os.path.exists(path):
            with open(path) as f:
                starts += [json.loads(line)["start"] for line in f]
    seconds = [datetime.datetime.fromisoformat(s.replace("Z", "+00:00")).timestamp()
               for s in starts]
    held = done.stdout.decode().count(" held back: ")
    return max(seconds) - reached, sum(1 for t in seconds if t > reached), held


if __name__ == "__main__":
    main()
