#!/usr/bin/python3
"""Simulated devices for the end-to-end tests, the benchmarks and the demo.

What they all do around sim/ftp_device.py lives here, once:

- enter_namespace() re-runs the calling program inside a network namespace of
  its own (unshare -n, loopback up), so every 127.x.y.z it uses is loopback
  that nothing outside can see or reach.
- Device and Fleet start simulated devices and wait for the ready handshake.
- drop_pings() makes echo requests vanish, as from a device that ignores ping.
- group() is one target group of a batch list.

The ready handshake: ftp_device.py renames its ready file into place, whole,
once every address it serves listens; each line is "ADDR PORT PID". A device
is up when that file names its address; it failed when its process ended
first or the deadline passed. tests/integration/ftp_server.cc waits the same
way.

Run as a program it starts devices, runs a command beside them in the current
directory and stops them; it exits with the command's status. Device files
live in ./devices/ADDRESS. Run as root (it makes its own namespace):

    /usr/bin/python3 sim/devices.py --device 127.0.0.2 --device 127.0.0.3 --refuse-stor -- build/vornel

Switches after an address, up to the next --device or --, go to that device.
"""

import os
import signal
import subprocess
import sys
import time

SIMULATOR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "ftp_device.py")

# Why no private namespace can be made here, or None.
NO_NAMESPACE_REASON = (None if os.geteuid() == 0 else
                       "needs root to create a private network namespace (CI runs as root)")

# Names the namespace enter_namespace() made, so a program knows it is inside
# that one (and not merely handed the variable by an outer shell).
_NAMESPACE_VARIABLE = "VORNEL_NETNS"
_NFT_TABLE = "vornel_sim"


def _current_namespace():
    return os.readlink("/proc/self/ns/net")


def in_private_namespace():
    return os.environ.get(_NAMESPACE_VARIABLE) == _current_namespace()


def enter_namespace(mounts=False):
    """Re-executes this program (sys.argv) inside a new network namespace with
    loopback up; returns at once when it already runs inside one made here.

    With mounts, also inside a mount namespace of its own (private
    propagation), so the program may mount file systems over its scratch
    directories without anything outside seeing them.
    REQUIRES: NO_NAMESPACE_REASON is None.
    """
    if in_private_namespace():
        return
    script = ('ip link set lo up && export %s="$(readlink /proc/self/ns/net)" && exec "$@"'
              % _NAMESPACE_VARIABLE)
    args = (["unshare", "-n"] + (["-m"] if mounts else []) +
            ["sh", "-c", script, "sh", sys.executable] + sys.argv)
    os.execvp("unshare", args)


def _names_all(ready_file, addresses):
    try:
        with open(ready_file) as f:
            listed = {line.split(" ", 1)[0] for line in f}
    except FileNotFoundError:
        return False
    return set(addresses) <= listed


class Simulator:
    """One ftp_device.py process serving addresses; see its usage for root."""

    def __init__(self, addresses, root, ready_file, server_log, *switches, command_log=None,
                 prefix=()):
        self.addresses = list(addresses)
        self.ready_file = ready_file
        # prefix runs the process elsewhere, such as in a host's namespaces
        # (sim/ssh_hosts.py: nsenter ...).
        args = [*prefix, "/usr/bin/python3", SIMULATOR, "--root", root,
                "--ready-file", ready_file]
        for address in self.addresses:
            args += ["--address", address]
        if command_log:
            args += ["--command-log", command_log]
        if os.path.exists(ready_file):
            os.remove(ready_file)
        self.server_log = open(server_log, "w")
        self.process = subprocess.Popen(args + list(switches), stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=self.server_log)

    def wait_until_ready(self, deadline):
        """Raises RuntimeError when the process ended, or the monotonic
        deadline passed, before the ready file named every address."""
        while not _names_all(self.ready_file, self.addresses):
            if self.process.poll() is not None or time.monotonic() > deadline:
                raise RuntimeError(f"simulated device {self.addresses[0]} did not start; "
                                   f"see {self.server_log.name}")
            time.sleep(0.02)

    def terminate(self):
        if self.process.poll() is None:
            self.process.terminate()

    def stop(self):
        self.terminate()
        self.process.wait(timeout=10)
        self.server_log.close()


class Device(Simulator):
    """One simulated device, a process of its own: FTP on address:21. Its
    files are in dir: the login directory root/, commands.log, server.log
    and the ready file."""

    def __init__(self, dir, address, *switches, wait=True, timeout=10, prefix=()):
        self.address = address
        self.dir = dir
        self.root = os.path.join(dir, "root")
        self.command_log = os.path.join(dir, "commands.log")
        os.makedirs(dir, exist_ok=True)
        super().__init__([address], self.root, os.path.join(dir, "ready"),
                         os.path.join(dir, "server.log"), *switches,
                         command_log=self.command_log, prefix=prefix)
        if wait:
            try:
                self.wait_until_ready(time.monotonic() + timeout)
            except RuntimeError:
                self.stop()
                raise

    def commands(self):
        """The commands the device received, in order, without connection numbers."""
        with open(self.command_log) as f:
            return [line.split(" ", 1)[1].rstrip("\n") for line in f]

    def file(self, name):
        with open(os.path.join(self.root, name), "rb") as f:
            return f.read()


class Fleet:
    """Simulated devices, `per_process` addresses served by each process.

    With one address a process, each is a Device in root/ADDRESS (login
    directory root/ADDRESS/root, command log root/ADDRESS/commands.log); with
    several, the login directory is root/ADDRESS and there is no command log.
    """

    def __init__(self, root, addresses, *switches, per_process=1, timeout=60):
        self.root = root
        self.addresses = list(addresses)
        self.per_process = per_process
        self.simulators = []
        os.makedirs(root, exist_ok=True)
        try:
            for first in range(0, len(self.addresses), per_process):
                chunk = self.addresses[first:first + per_process]
                if per_process == 1:
                    simulator = Device(os.path.join(root, chunk[0]), chunk[0], *switches,
                                       wait=False)
                else:
                    simulator = Simulator(chunk, root, os.path.join(root, f"ready-{chunk[0]}"),
                                          os.path.join(root, f"server-{chunk[0]}.log"),
                                          *switches)
                self.simulators.append(simulator)
            deadline = time.monotonic() + timeout
            for simulator in self.simulators:
                simulator.wait_until_ready(deadline)
        except BaseException:
            self.stop()
            raise

    def login_directory(self, address):
        if self.per_process == 1:
            return os.path.join(self.root, address, "root")
        return os.path.join(self.root, address)

    def command_log(self, address):
        return os.path.join(self.root, address, "commands.log")

    def stop(self):
        for simulator in self.simulators:
            simulator.terminate()
        for simulator in self.simulators:
            simulator.stop()
        self.simulators = []


def drop_pings(addresses, prefix=()):
    """Echo requests to these addresses (one, or a list) vanish, as from a
    device that ignores ping. The rule sits on the input hook: a drop on
    output would fail the send itself (EPERM), a local error, not a silent
    device. allow_pings() takes every such rule away. prefix sets the rule
    elsewhere, such as in a host's namespace."""
    if isinstance(addresses, str):
        addresses = [addresses]
    if not addresses:
        return
    script = (f"table ip {_NFT_TABLE} {{\n chain in {{\n  type filter hook input priority 0;\n"
              f"  ip daddr {{ {', '.join(addresses)} }} icmp type echo-request drop\n }}\n}}\n")
    subprocess.run([*prefix, "nft", "-f", "-"], input=script.encode(), check=True)


def allow_pings():
    subprocess.run(["nft", "delete", "table", "ip", _NFT_TABLE], stderr=subprocess.DEVNULL,
                   check=False)


def group(ip, ini="site.ini", user="admin", password="secret"):
    """One target of a batch list: its four lines."""
    return (f"SystemIP={ip}\nIniFileName={ini}\nSystemUserName={user}\n"
            f"SystemPassword={password}\n")


USAGE = "usage: devices.py [--device ADDRESS [SWITCH...]]... -- COMMAND [ARG...]"


def _parse_devices(argv):
    """[--device ADDR [SWITCH...]]... [--] COMMAND... -> ([(ADDR, [SWITCH...])], COMMAND)."""
    devices = []
    while argv and argv[0] == "--device":
        if len(argv) < 2:
            sys.exit(USAGE)
        address, argv = argv[1], argv[2:]
        switches = []
        while argv and argv[0] not in ("--device", "--"):
            switches.append(argv.pop(0))
        devices.append((address, switches))
    if argv and argv[0] == "--":
        argv = argv[1:]
    if not argv:
        sys.exit(USAGE)
    return devices, argv


def _run(command):
    """Runs command to its end as a shell runs a foreground job: Ctrl-C reaches
    it (and the devices) from the terminal, a TERM sent here is passed on, and
    this process only waits, so the command gets to end cleanly. Returns its
    status; 128+N when signal N ended it."""
    try:
        process = subprocess.Popen(command)
    except OSError as error:
        print(f"devices.py: {command[0]}: {error.strerror}", file=sys.stderr)
        return 127
    signal.signal(signal.SIGINT, signal.SIG_IGN)
    signal.signal(signal.SIGTERM, lambda signum, frame: process.send_signal(signum))
    status = process.wait()
    return 128 - status if status < 0 else status


def _leave(signum, frame):
    sys.exit(128 + signum)


def main(argv):
    wanted, command = _parse_devices(argv)
    if NO_NAMESPACE_REASON:
        sys.exit("devices.py: " + NO_NAMESPACE_REASON)
    enter_namespace()
    # Until the command runs, a TERM ends this process the way Ctrl-C does:
    # through the clean-up below, so no device outlives it.
    signal.signal(signal.SIGTERM, _leave)
    started = []
    try:
        for address, switches in wanted:
            started.append(Device(os.path.join("devices", address), address, *switches))
        return _run(command)
    except RuntimeError as error:
        print(f"devices.py: {error}", file=sys.stderr)
        return 1
    except KeyboardInterrupt:
        return 128 + signal.SIGINT
    finally:
        for device in started:
            device.stop()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
