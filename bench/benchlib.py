"""What the benchmark programs share: a private network namespace, simulated
devices, timing and medians.

Each benchmark re-executes itself inside a network namespace of its own
(unshare -n, loopback up), so every address it uses is a 127.x.y.z that
nothing outside can see or reach. Contenders alternate within one run and
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
SIMULATOR = os.path.join(SOURCE_DIR, "sim", "ftp_device.py")
BUILD_DIR = os.environ.get("VORNEL_BENCH_BUILD", os.path.join(SOURCE_DIR, "build-bench"))
VORNEL = os.path.join(BUILD_DIR, "vornel")


def bench_program(name):
    return os.path.join(BUILD_DIR, "bench", "bench_" + name)


def enter_namespace():
    """Re-executes the calling benchmark inside a new network namespace."""
    if os.environ.get("VORNEL_IN_NETNS") == "1":
        return
    if os.geteuid() != 0:
        sys.exit("needs root: a private network namespace, nft rules and raw ICMP sockets")
    env = dict(os.environ, VORNEL_IN_NETNS="1")
    args = ["unshare", "-n", "sh", "-c", 'ip link set lo up && exec "$@"', "sh",
            sys.executable] + sys.argv
    os.execvpe("unshare", args, env)


def scratch(prefix):
    """A scratch directory on tmpfs, so the disk does not time the transfers."""
    base = "/dev/shm" if os.path.isdir("/dev/shm") else None
    return tempfile.mkdtemp(prefix=prefix, dir=base)


class Fleet:
    """Simulated devices: `per_process` addresses served by each sim process.

    With one address a process, a device's login directory is
    root/ADDRESS/root and its command log root/ADDRESS/commands.log, as for the
    end-to-end tests; with several, the login directory is root/ADDRESS.
    """

    def __init__(self, root, addresses, *switches, per_process=1):
        self.root = root
        self.addresses = list(addresses)
        self.per_process = per_process
        self.processes = []
        os.makedirs(root, exist_ok=True)
        pending = []
        for first in range(0, len(self.addresses), per_process):
            chunk = self.addresses[first:first + per_process]
            tag = chunk[0]
            ready = os.path.join(root, f"ready-{tag}")
            args = ["/usr/bin/python3", SIMULATOR, "--ready-file", ready]
            for address in chunk:
                args += ["--address", address]
            if per_process == 1:
                args += ["--root", os.path.join(root, tag, "root"),
                         "--command-log", os.path.join(root, tag, "commands.log")]
                os.makedirs(os.path.join(root, tag), exist_ok=True)
            else:
                args += ["--root", root]
            log = open(os.path.join(root, f"server-{tag}.log"), "w")
            process = subprocess.Popen(args + list(switches), stdout=subprocess.DEVNULL,
                                       stderr=log)
            self.processes.append((process, log))
            pending.append((process, ready, tag))
        deadline = time.monotonic() + 60
        for process, ready, tag in pending:
            while not (os.path.exists(ready) and os.path.getsize(ready) > 0):
                if process.poll() is not None or time.monotonic() > deadline:
                    self.stop()
                    raise RuntimeError(f"simulated device {tag} did not start")
                time.sleep(0.02)

    def login_directory(self, address):
        if self.per_process == 1:
            return os.path.join(self.root, address, "root")
        return os.path.join(self.root, address)

    def command_log(self, address):
        return os.path.join(self.root, address, "commands.log")

    def stop(self):
        for process, _ in self.processes:
            if process.poll() is None:
                process.terminate()
        for process, log in self.processes:
            process.wait(timeout=10)
            log.close()
        self.processes = []


def drop_pings(addresses):
    """Echo requests to these addresses vanish on the input hook, as from a
    device that ignores ping (a drop on output would fail the send itself)."""
    if not addresses:
        return
    script = ("table ip vornel_bench {\n chain in {\n  type filter hook input priority 0;\n"
              f"  ip daddr {{ {', '.join(addresses)} }} icmp type echo-request drop\n }}\n}}\n")
    subprocess.run(["nft", "-f", "-"], input=script.encode(), check=True)


def group(ip, ini="site.ini", user="admin", password="secret"):
    return (f"SystemIP={ip}\nIniFileName={ini}\nSystemUserName={user}\n"
            f"SystemPassword={password}\n")


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
