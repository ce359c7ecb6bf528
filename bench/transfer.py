#!/usr/bin/python3
"""Large transfers: a 200 MB put and get through CurlFtpClient
(bench_ftp_transfer, one whole session) against the curl command line, on the
same server: the simulated device (pyftpdlib) and, where it starts, vsftpd
with an anonymous account. Files live on tmpfs. Goal: at least 0.9x curl's
throughput.

    bench/run.sh transfer                       200 MB, 5 rounds
    BENCH_MEGABYTES=50 BENCH_RUNS=3 bench/run.sh transfer
"""

import filecmp
import os
import shutil
import subprocess
import time

import benchlib as b

VSFTPD_CONF = """listen=YES
listen_ipv6=NO
listen_address={address}
background=NO
anonymous_enable=YES
no_anon_password=YES
anon_root={root}
write_enable=YES
anon_upload_enable=YES
anon_other_write_enable=YES
local_enable=NO
seccomp_sandbox=NO
secure_chroot_dir={empty}
xferlog_enable=NO
"""


class Server:
    def __init__(self, name, address, user, password, directory, local_dir):
        self.name, self.address, self.user, self.password = name, address, user, password
        self.directory = directory    # where remote names lead, "" or "pub/"
        self.local_dir = local_dir    # the same directory seen from here


def start_vsftpd(root):
    """vsftpd on 127.0.0.3, or None when it is not there or does not start."""
    binary = shutil.which("vsftpd") or "/usr/sbin/vsftpd"
    if not os.path.exists(binary):
        return None, None
    anon = os.path.join(root, "anon")
    pub = os.path.join(anon, "pub")
    os.makedirs(pub)
    shutil.chown(pub, user="ftp")
    os.chmod(anon, 0o555)  # vsftpd refuses a writable anonymous root
    empty = os.path.join(root, "empty")
    os.makedirs(empty)
    conf = os.path.join(root, "vsftpd.conf")
    with open(conf, "w") as f:
        f.write(VSFTPD_CONF.format(address="127.0.0.3", root=anon, empty=empty))
    process = subprocess.Popen([binary, conf], stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    for _ in range(100):
        probe = subprocess.run(["curl", "-s", "--list-only", "-u", "anonymous:x",
                                "ftp://127.0.0.3/"], stdout=subprocess.DEVNULL)
        if probe.returncode == 0:
            return process, Server("vsftpd", "127.0.0.3", "anonymous", "x", "pub/", pub)
        if process.poll() is not None:
            break
        time.sleep(0.05)
    process.kill()
    process.wait()
    return None, None


def main():
    b.enter_namespace()
    megabytes = b.env_int("BENCH_MEGABYTES", 200)
    runs = b.env_int("BENCH_RUNS", 5)
    root = b.scratch("vornel-bench-transfer-")
    work = os.path.join(root, "work")
    os.makedirs(work)
    source = os.path.join(work, "big.bin")
    with open(source, "wb") as f:
        for _ in range(megabytes):
            f.write(os.urandom(1 << 20))
    size = megabytes << 20

    fleet = b.Fleet(os.path.join(root, "devices"), ["127.0.0.2"])
    servers = [Server("pyftpdlib", "127.0.0.2", "admin", "secret", "",
                      fleet.login_directory("127.0.0.2"))]
    vsftpd, server = start_vsftpd(os.path.join(root, "vsftpd"))
    if server:
        servers.append(server)
    else:
        print("  (vsftpd did not start here; pyftpdlib only)")
    results = []
    try:
        for server in servers:
            shutil.copy(source, os.path.join(server.local_dir, "big.bin"))
            url = f"ftp://{server.address}/{server.directory}"
            credentials = f"{server.user}:{server.password}"

            def check_put(name):
                path = os.path.join(server.local_dir, name)
                if os.path.getsize(path) != size or not filecmp.cmp(path, source, shallow=False):
                    b.fail(f"{server.name}: {name} arrived damaged")
                os.remove(path)

            def check_get(name):
                path = os.path.join(work, name)
                if not filecmp.cmp(path, source, shallow=False):
                    b.fail(f"{server.name}: {name} fetched damaged")
                os.remove(path)

            def run(args, check, name):
                seconds, done = b.timed(args, cwd=work, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.PIPE)
                if done.returncode != 0:
                    b.fail(f"{' '.join(args)}: {done.stderr.decode()}")
                check(name)
                return seconds

            program = b.bench_program("ftp_transfer")
            login = [server.address, server.user, server.password]
            contenders = {
                "put vornel": lambda: run([program, "put", *login, "big.bin",
                                           server.directory + "up-vornel.bin"],
                                          check_put, "up-vornel.bin"),
                "put curl": lambda: run(["curl", "-s", "-u", credentials, "-T", "big.bin",
                                         url + "up-curl.bin"], check_put, "up-curl.bin"),
                "get vornel": lambda: run([program, "get", *login, "got-vornel.bin",
                                           server.directory + "big.bin"],
                                          check_get, "got-vornel.bin"),
                "get curl": lambda: run(["curl", "-s", "-u", credentials, "-o", "got-curl.bin",
                                         url + "big.bin"], check_get, "got-curl.bin"),
            }
            times = b.alternate(runs, contenders)
            results.append((server.name, times))
    finally:
        fleet.stop()
        if vsftpd:
            vsftpd.terminate()
            vsftpd.wait()
        b.remove(root)

    print(f"{megabytes} MB transfers, {runs} rounds (median throughput, whole session)")
    for name, times in results:
        for direction in ("put", "get"):
            ours = size / b.median(times[f"{direction} vornel"]) / 1e6
            theirs = size / b.median(times[f"{direction} curl"]) / 1e6
            ratio = ours / theirs
            print(f"  {name:9} {direction}  vornel {ours:7.0f} MB/s   curl {theirs:7.0f} MB/s"
                  f"   ratio {ratio:.2f}   goal >= 0.90: {b.verdict(ratio >= 0.9)}")
            for who in ("vornel", "curl"):
                seconds = sorted(times[f"{direction} {who}"])
                print(f"      {who:6} rounds, s: {' '.join(f'{t:.3f}' for t in seconds)}")


if __name__ == "__main__":
    main()
