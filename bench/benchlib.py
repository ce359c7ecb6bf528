"""What the benchmark programs share: a private network namespace and
simulated devices (both from sim/devices.py), timing and medians.

Each benchmark re-executes itself inside a network namespace of its own, so
every address it uses is a 127.x.y.z that nothing outside can see or reach. Contenders alternate within one run and
the figures are medians; absolute times on a shared machine are context,
the ratios are the result.
"""

import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

SOURCE_DIR = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(SOURCE_DIR, "sim"))
import devices  # noqa: E402  (after the path that finds it)
from devices import Fleet, allow_pings, drop_pings, group  # noqa: E402,F401

BUILD_DIR = os.environ.get("VORNEL_BENCH_BUILD", os.path.join(SOURCE_DIR, "build-bench"))
VORNEL = os.path.join(BUILD_DIR, "vornel")


def bench_program(name):
    return os.path.join(BUILD_DIR, "bench", "bench_" + name)


def enter_namespace():
    """Re-executes the calling benchmark inside a new network namespace."""
    if devices.NO_NAMESPACE_REASON:
        sys.exit("needs root: a private network namespace, nft rules and raw ICMP sockets")
    devices.enter_namespace()


def scratch(prefix):
    """A scratch directory on tmpfs, so the disk does not time the transfers."""
    base = "/dev/shm" if os.path.isdir("/dev/shm") else None
    return tempfile.mkdtemp(prefix=prefix, dir=base)


def timed(args, **kwargs):
    """Runs a command to its end; returns (seconds, CompletedProcess)."""
    start = time.perf_counter()
    done = subprocess.run(args, **kwargs)
    return time.perf_counter() - start, done


def run_vornel(workdir, answers, timeout=3600):
    """The real binary in workdir with its answers on stdin; (seconds, result)."""
    stdin = "".join(a + "\n" for a in answers).encode()
    return timed([VORNEL], cwd=workdir, input=stdin, stdout=subprocess.PIPE,
                 stderr=subprocess.PIPE, timeout=timeout)


def upload_workdir(path, ini, addresses):
    """A working directory for an upload pass: site.ini holding ini, and an
    upload_list.txt naming every address."""
    os.makedirs(path)
    with open(os.path.join(path, "site.ini"), "wb") as f:
        f.write(ini)
    with open(os.path.join(path, "upload_list.txt"), "w") as f:
        f.write("".join(group(a) for a in addresses))
    return path


def check_uploaded(fleet, addresses, ini):
    """Fails unless every device holds site.ini byte for byte; then removes
    it, so the next round starts from nothing."""
    for address in addresses:
        path = os.path.join(fleet.login_directory(address), "site.ini")
        with open(path, "rb") as f:
            if f.read() != ini:
                fail(f"{address} did not receive site.ini byte for byte")
        os.remove(path)


def vornel_upload_pass(workdir, fleet, addresses, ini):
    """One upload pass of the batch list in workdir, answered at the menu;
    fails unless it ran without an error and every device holds ini.
    Returns its seconds."""
    seconds, done = run_vornel(workdir, ["1", "1"])
    if done.returncode != 0 or b"No errors detected" not in done.stdout:
        fail("vornel pass: " + done.stdout.decode()[-600:] + done.stderr.decode())
    check_uploaded(fleet, addresses, ini)
    return seconds


def median(values):
    return statistics.median(values)


def alternate(runs, contenders):
    """Runs every contender once per round, the order turned round every other
    round so neither always goes first. contenders: {name: f() -> seconds}.
    Returns {name: [seconds, ...]}."""
    names = list(contenders)
    times = {name: [] for name in names}
    for round_number in range(runs):
        order = names if round_number % 2 == 0 else names[::-1]
        for name in order:
            times[name].append(contenders[name]())
    return times


def env_int(name, default):
    return int(os.environ.get(name, default))


def fail(message):
    print("FAILED: " + message, file=sys.stderr)
    sys.exit(1)


def remove(path):
    shutil.rmtree(path, ignore_errors=True)


def verdict(met):
    return "met" if met else "NOT met"
