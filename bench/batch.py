#!/usr/bin/python3
"""Per-device time of vornel-batch against vornel: the same upload list over
the same N devices (all successful), vornel answered at its prompts,
vornel-batch ordered on its command line with a record per device; and the
preflight (vornel-batch check upload) over the same list. Goal: vornel-batch
within 5% of vornel; the preflight at most the upload's time.

    bench/run.sh batch                 N=20 devices, 5 rounds
    BENCH_DEVICES=50 BENCH_RUNS=7 bench/run.sh batch
"""

import os

import benchlib as b

INI = b"[Network]\r\nDHCP=0\r\nIPAddress=10.1.2.3\r\n" + bytes(range(256)) * 8
BATCH = os.path.join(b.BUILD_DIR, "vornel-batch")


def main():
    b.enter_namespace()
    devices = b.env_int("BENCH_DEVICES", 20)
    runs = b.env_int("BENCH_RUNS", 5)
    addresses = [f"127.0.0.{2 + i}" for i in range(devices)]
    root = b.scratch("vornel-bench-batch-")
    fleet = b.Fleet(os.path.join(root, "devices"), addresses)
    try:
        work = {name: b.upload_workdir(os.path.join(root, name), INI, addresses)
                for name in ("vornel", "vornel-batch", "check")}

        def vornel():
            return b.vornel_upload_pass(work["vornel"], fleet, addresses, INI)

        def run_batch(name, command):
            seconds, done = b.timed([BATCH, *command, "--results", "results.jsonl"],
                                    cwd=work[name], stdout=b.subprocess.PIPE,
                                    stderr=b.subprocess.PIPE)
            if done.returncode != 0:
                b.fail(f"{name}: " + done.stdout.decode()[-600:] + done.stderr.decode())
            return seconds

        def batch():
            seconds = run_batch("vornel-batch", ["upload"])
            b.check_uploaded(fleet, addresses, INI)
            return seconds

        def check():
            return run_batch("check", ["check", "upload"])

        times = b.alternate(runs, {"vornel": vornel, "vornel-batch": batch, "check": check})
    finally:
        fleet.stop()
        b.remove(root)

    per_device = {name: b.median(t) / devices for name, t in times.items()}
    print(f"upload pass and preflight, {devices} devices, {runs} rounds (median per device)")
    for name in ("vornel", "vornel-batch", "check"):
        rounds = " ".join(f"{t:.3f}" for t in times[name])
        print(f"  {name:12} {per_device[name] * 1000:8.1f} ms/device   (passes, s: {rounds})")
    ratio = per_device["vornel-batch"] / per_device["vornel"]
    print(f"  ratio vornel-batch/vornel {ratio:.2f}   goal <= 1.05: {b.verdict(ratio <= 1.05)}")
    ratio = per_device["check"] / per_device["vornel-batch"]
    print(f"  ratio check/upload {ratio:.2f}   goal <= 1.00: {b.verdict(ratio <= 1.0)}")


if __name__ == "__main__":
    main()
