#!/usr/bin/python3
"""Per-device time of an upload pass over a batch list of N devices, all
successful: vornel.exe under wine against the Linux build, on the same
simulated devices in one run. Goal: the Windows build at most 1.5 times the
Linux build's time per device.

Also times a run that leaves at the main menu: what starting the program
costs (wine's start-up, for the exe), paid once a pass and included in the
per-device figure.

    bench/run.sh windows                N=20 devices, 5 rounds
    BENCH_DEVICES=50 BENCH_RUNS=7 bench/run.sh windows
"""

import os
import sys

import benchlib as b

sys.path.insert(0, os.path.join(b.SOURCE_DIR, "sim"))
import wine  # noqa: E402  (after the path that finds it)

EXE = os.environ.get("VORNEL_BENCH_WINDOWS",
                     os.path.join(b.SOURCE_DIR, "build-windows", "vornel.exe"))
INI = b"[Network]\r\nDHCP=0\r\nIPAddress=10.1.2.3\r\n" + bytes(range(256)) * 8


def main():
    b.enter_namespace()
    if not os.path.isfile(EXE):
        b.fail(f"{EXE} is missing; build it with tools/build-windows.sh")
    # A wine server of our own, in this namespace, so that the exe's sockets
    # reach the simulated devices.
    wine.private_prefix()
    devices = b.env_int("BENCH_DEVICES", 20)
    runs = b.env_int("BENCH_RUNS", 5)
    addresses = [f"127.0.0.{2 + i}" for i in range(devices)]
    root = b.scratch("vornel-bench-windows-")
    fleet = b.Fleet(os.path.join(root, "devices"), addresses)
    commands = {"linux": [b.VORNEL], "windows": wine.command(EXE)}
    try:
        work = {name: b.upload_workdir(os.path.join(root, name), INI, addresses)
                for name in commands}

        def run(name, answers):
            stdin = "".join(a + "\n" for a in answers).encode()
            return b.timed(commands[name], cwd=work[name], input=stdin,
                           stdout=b.subprocess.PIPE, stderr=b.subprocess.PIPE, timeout=3600)

        def upload_pass(name):
            seconds, done = run(name, ["1", "1"])
            if done.returncode != 0 or b"No errors detected" not in done.stdout:
                b.fail(f"{name} pass: " + done.stdout.decode()[-600:] + done.stderr.decode())
            b.check_uploaded(fleet, addresses, INI)
            return seconds

        def start_only(name):
            seconds, done = run(name, ["3"])
            if done.returncode != 0:
                b.fail(f"{name} start: " + done.stderr.decode())
            return seconds

        start_only("windows")  # the server and wine's helpers start here, untimed
        passes = b.alternate(runs, {name: (lambda n=name: upload_pass(n)) for name in commands})
        starts = b.alternate(runs, {name: (lambda n=name: start_only(n)) for name in commands})
    finally:
        fleet.stop()
        b.remove(root)

    per_device = {name: b.median(t) / devices for name, t in passes.items()}
    ratio = per_device["windows"] / per_device["linux"]
    print(f"upload pass, {devices} devices, {runs} rounds (median per device); "
          "windows: vornel.exe under wine")
    for name in commands:
        rounds = " ".join(f"{t:.3f}" for t in passes[name])
        print(f"  {name:7} {per_device[name] * 1000:8.1f} ms/device   (passes, s: {rounds})"
              f"   start and leave: {b.median(starts[name]) * 1000:.0f} ms")
    print(f"  ratio windows/linux {ratio:.2f}   goal <= 1.50: {b.verdict(ratio <= 1.5)}")


if __name__ == "__main__":
    main()
