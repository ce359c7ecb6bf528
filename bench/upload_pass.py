#!/usr/bin/python3
"""Per-device time of an upload pass over a batch list of N devices, all
successful: Vornel against bench/upload_by_script.sh doing the same protocol
work with curl, grep, cut and ping. Goal: Vornel at most half the script's
time per device.

    bench/run.sh upload_pass            N=20 devices, 5 rounds
    BENCH_DEVICES=50 BENCH_RUNS=7 bench/run.sh upload_pass
"""

import os

import benchlib as b

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "upload_by_script.sh")
INI = b"[Network]\r\nDHCP=0\r\nIPAddress=10.1.2.3\r\n" + bytes(range(256)) * 8


def main():
    b.enter_namespace()
    devices = b.env_int("BENCH_DEVICES", 20)
    runs = b.env_int("BENCH_RUNS", 5)
    addresses = [f"127.0.0.{2 + i}" for i in range(devices)]
    root = b.scratch("vornel-bench-upload-")
    fleet = b.Fleet(os.path.join(root, "devices"), addresses)
    try:
        work = {name: b.upload_workdir(os.path.join(root, name), INI, addresses)
                for name in ("vornel", "script")}

        def vornel():
            return b.vornel_upload_pass(work["vornel"], fleet, addresses, INI)

        def script():
            seconds, done = b.timed([SCRIPT, "upload_list.txt"], cwd=work["script"],
                                    stdout=b.subprocess.PIPE, stderr=b.subprocess.STDOUT)
            if done.returncode != 0:
                b.fail("script pass: " + done.stdout.decode())
            b.check_uploaded(fleet, addresses, INI)
            return seconds

        times = b.alternate(runs, {"vornel": vornel, "script": script})
    finally:
        fleet.stop()
        b.remove(root)

    per_device = {name: b.median(t) / devices for name, t in times.items()}
    ratio = per_device["vornel"] / per_device["script"]
    print(f"upload pass, {devices} devices, {runs} rounds (median per device)")
    for name in ("vornel", "script"):
        rounds = " ".join(f"{t:.3f}" for t in times[name])
        print(f"  {name:7} {per_device[name] * 1000:8.1f} ms/device   (passes, s: {rounds})")
    print(f"  ratio vornel/script {ratio:.2f}   goal <= 0.50: {b.verdict(ratio <= 0.5)}")


if __name__ == "__main__":
    main()
