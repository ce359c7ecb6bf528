"""Hosts made of sshd, for running shards on other machines without any.

Each host is a network namespace of its own, made here (a holder process
under unshare -n), joined to the caller's namespace by a veth pair: the
caller reaches host i at 10.77.i.2, the host reaches the caller at 10.77.i.1,
and the host's loopback (its devices' 127.x.y.z) is its own, so a device
started on a host is reachable from that host only. The caller must itself
be inside a private network namespace (the tests' and benchmarks' entry does
that); nothing here is visible outside it.

Keys are made here: one client key and one host key per host, in `root`.
ssh_command is what GNU parallel should use (PARALLEL_SSH).
"""

import os
import signal
import socket
import subprocess
import time

SSHD = "/usr/sbin/sshd"


class SshHost:
    def __init__(self, fleet, index, refuse_login, port):
        self.index = index
        self.address = f"10.77.{index}.2"
        self.port = port
        # How -S and a site map name it: root@ADDRESS, and :PORT when not 22.
        self.login = f"root@{self.address}" + (f":{port}" if port != 22 else "")
        self.peer = f"vornel-h{index}"
        self.dir = os.path.join(fleet.root, f"host-{index}")
        os.makedirs(self.dir)
        # A mount namespace too: the host gets a home of its own where GNU
        # parallel makes its working directories (so nothing is shared with
        # the caller but what is sent), and a root login there reads none of
        # this machine's shell start-up files.
        self.holder = subprocess.Popen(
            ["unshare", "-n", "-m", "--propagation", "private", "sh", "-c",
             "ip link set lo up && mount -t tmpfs -o mode=0700 tmpfs \"$HOME\" && "
             "echo up && exec sleep 100000"],
            stdout=subprocess.PIPE)
        self.sshd = None
        try:
            if self.holder.stdout.readline() != b"up\n":
                raise RuntimeError(f"host {index}: no network namespace")
            self.pid = self.holder.pid
            self.netns = os.readlink(f"/proc/{self.pid}/ns/net")
            self._start(fleet, refuse_login)
        except BaseException:
            # Whatever of it started goes, so no namespace outlives the caller.
            for process in (self.sshd, self.holder):
                if process is not None:
                    process.kill()
                    process.wait()
            self.holder.stdout.close()
            self._unlink()
            raise

    def _start(self, fleet, refuse_login):
        index = self.index
        peer = self.peer
        run(["ip", "link", "add", peer, "type", "veth", "peer", "name", "eth0", "netns",
             str(self.pid)])
        run(["ip", "addr", "add", f"10.77.{index}.1/24", "dev", peer])
        run(["ip", "link", "set", peer, "up"])
        self.run(["ip", "addr", "add", f"{self.address}/24", "dev", "eth0"])
        self.run(["ip", "link", "set", "eth0", "up"])
        key = os.path.join(self.dir, "host_key")
        run(["ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", key])
        authorized = os.path.join(self.dir, "authorized_keys")
        with open(authorized, "w") as f:
            # A host that refuses the login knows no key.
            if not refuse_login:
                with open(fleet.client_key + ".pub") as pub:
                    f.write(pub.read())
        config = os.path.join(self.dir, "sshd_config")
        with open(config, "w") as f:
            f.write(f"ListenAddress {self.address}:{self.port}\nHostKey {key}\n"
                    f"PidFile {os.path.join(self.dir, 'sshd.pid')}\n"
                    f"AuthorizedKeysFile {authorized}\nStrictModes no\nUsePAM no\n"
                    "PermitRootLogin prohibit-password\nPasswordAuthentication no\n"
                    "KbdInteractiveAuthentication no\nMaxStartups 100:30:200\n"
                    "MaxSessions 100\nAcceptEnv LANG LC_*\nPrintMotd no\nPrintLastLog no\n"
                    "UseDNS no\n")
        # sshd insists on its privilege separation directory.
        os.makedirs("/run/sshd", mode=0o755, exist_ok=True)
        with open(os.path.join(self.dir, "sshd.log"), "w") as log:
            self.sshd = subprocess.Popen(self.command([SSHD, "-D", "-e", "-f", config]),
                                         stdout=log, stderr=log)
        deadline = time.monotonic() + 10
        while True:
            try:
                socket.create_connection((self.address, self.port), timeout=1).close()
                break
            except OSError:
                if self.sshd.poll() is not None or time.monotonic() > deadline:
                    raise RuntimeError(f"host {index}: sshd did not start")
                time.sleep(0.05)

    def command(self, args):
        """args run inside this host's namespaces."""
        return ["nsenter", "-t", str(self.pid), "-n", "-m"] + list(args)

    def run(self, args, **kwargs):
        return run(self.command(args), **kwargs)

    def processes(self):
        """Every process inside the host's namespace, the holder included."""
        found = []
        for name in os.listdir("/proc"):
            if not name.isdigit():
                continue
            try:
                if os.readlink(f"/proc/{name}/ns/net") == self.netns:
                    found.append(int(name))
            except OSError:
                pass
        return found

    def kill(self):
        """The host dies: every process in it at once, its sessions with them.
        Again until none is left, since sshd may fork a session's process
        between the listing and its own death."""
        deadline = time.monotonic() + 10
        while True:
            alive = [pid for pid in self.processes() if not zombie(pid)]
            if not alive:
                break
            if time.monotonic() > deadline:
                raise RuntimeError(f"host {self.index}: processes {alive} outlived it")
            for pid in alive:
                try:
                    os.kill(pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
            time.sleep(0.02)
        for process in (self.sshd, self.holder):
            process.wait(timeout=10)
        self.holder.stdout.close()

    def stop(self):
        if self.holder.poll() is None:
            self.kill()
        self._unlink()

    def _unlink(self):
        """The caller's end of the pair goes now. A dead namespace takes its
        end with it only when the kernel gets round to it, and the next
        test's host of the same number wants the name back at once."""
        # Deleting a link is synchronous; failing to is fine only when the
        # link is gone already (never made, or reaped with its namespace).
        quiet = dict(stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if (subprocess.run(["ip", "link", "del", self.peer], **quiet).returncode != 0 and
                subprocess.run(["ip", "link", "show", "dev", self.peer], **quiet).returncode == 0):
            raise RuntimeError(f"{self.peer} outlived its host")


class SshHosts:
    """The hosts of one test or benchmark, under root (a scratch directory)."""

    def __init__(self, root):
        self.root = root
        self.hosts = []
        os.makedirs(root, exist_ok=True)
        self.client_key = os.path.join(root, "client_key")
        run(["ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", self.client_key])
        self.ssh_config = os.path.join(root, "ssh_config")
        with open(self.ssh_config, "w") as f:
            f.write(f"Host *\n  IdentityFile {self.client_key}\n  IdentitiesOnly yes\n"
                    "  BatchMode yes\n  StrictHostKeyChecking no\n"
                    "  UserKnownHostsFile /dev/null\n  LogLevel ERROR\n  ConnectTimeout 5\n"
                    "  ServerAliveInterval 2\n  ServerAliveCountMax 3\n")
        self.ssh_command = f"ssh -F {self.ssh_config}"

    def add(self, refuse_login=False, port=22):
        host = SshHost(self, len(self.hosts) + 1, refuse_login, port)
        self.hosts.append(host)
        return host

    def stop(self):
        for host in self.hosts:
            host.stop()


def zombie(pid):
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()[0] == "Z"
    except OSError:
        return True


def run(args, **kwargs):
    return subprocess.run(args, check=True, **kwargs)
