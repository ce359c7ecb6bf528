"""What the run must not take on trust: proxy variables in its environment,
INI names that lead out of the working directory, special files named as INI
files, batch lists that other users can read, other users' links and files
when run as root, and its own privileges."""

import os
import socket
import subprocess
import threading

from e2e_shards import CUTTER
from faults import download_steps, summary
from harness import (BINARY, CLOSING, MENU, RULE, WINDOWS, VornelTest, group, main,
                     skip_under_wine)

PROXY = ("127.0.0.9", 3128)
PROXY_VARIABLES = ("ftp_proxy", "FTP_PROXY", "http_proxy", "HTTP_PROXY", "all_proxy",
                   "ALL_PROXY")


class Listener:
    """Accepts connections on address and keeps what each one sent first."""

    def __init__(self, address):
        self.socket = socket.socket()
        self.socket.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.socket.bind(address)
        self.socket.listen(8)
        self.received = []
        self.thread = threading.Thread(target=self._serve, daemon=True)
        self.thread.start()

    def _serve(self):
        while True:
            try:
                connection, _ = self.socket.accept()
            except OSError:
                return
            with connection:
                connection.settimeout(2)
                try:
                    self.received.append(connection.recv(4096))
                except OSError:
                    self.received.append(b"")

    def close(self):
        self.socket.shutdown(socket.SHUT_RDWR)  # wakes the accept
        self.socket.close()
        self.thread.join(5)


def check_failed_on_file(ini):
    return (f"\n\tUploading {ini}      to       127.0.0.2"
            "\n\tChecking for INI support           Successful\n"
            "\tChecking file                        ... ERROR: Can't open file.\n\n")


# Another user, as far as ownership goes: nobody on Debian.
OTHER = 65534


def proc_status(pid):
    """The identity and capability lines of a running process."""
    with open(f"/proc/{pid}/status") as f:
        fields = dict(line.rstrip("\n").split(":\t", 1) for line in f if ":\t" in line)
    return {name: fields[name] for name in ("Uid", "Gid", "CapPrm", "CapEff", "CapBnd",
                                            "NoNewPrivs")}


class Trust(VornelTest):

    def test_proxy_variables_are_ignored_and_devices_reached_directly(self):
        device = self.device("127.0.0.2")
        proxy = Listener(PROXY)
        self.addCleanup(proxy.close)
        env = {k: v for k, v in os.environ.items() if k.lower() != "no_proxy"}
        for name in PROXY_VARIABLES:
            env[name] = "http://%s:%d" % PROXY
        run = self.run_vornel(["2", "127.0.0.2", "admin", "secret", "1", "3"], env=env)
        self.assertEqual(run.status, 0, run.stderr)
        steps = download_steps("127.0.0.2", "fetched")
        self.assertSession(run.log, steps[1] + summary([])[1] + RULE)
        self.assertEqual(self.read("config.ini"), device.file("config.ini"))
        self.assertEqual(proxy.received, [])

    def test_names_outside_the_working_directory_are_refused_and_never_stored(self):
        device = self.device("127.0.0.2")
        os.mkdir(os.path.join(self.workdir, "sub"))
        self.write("site.ini", "[Site]\n")
        self.write(os.path.join("sub", "site.ini"), "[Sub]\n")
        refused = [("../secret.ini", "leads out of the working directory"),
                   ("/etc/hostname", "is an absolute path"),
                   ("sub/site.ini", "names a folder"),
                   ("sub\\site.ini", "names a folder"),
                   ("\\\\127.0.0.2\\share\\site.ini", "is a network or device path"),
                   ("C:site.ini", "names a drive or a stream"),
                   ("site.ini:hidden", "names a drive or a stream"),
                   ("site.ini.", "ends in a dot or a blank"),
                   ("Con.ini", "is a reserved device name")]
        self.write("upload_list.txt", "".join(group("127.0.0.2", name) for name, _ in refused) +
                   group("127.0.0.2", "site.ini"))
        run = self.run_vornel(["1", "1", "3"])
        self.assertEqual(run.status, 0, run.stderr)
        self.assertEqual(run.stderr, "".join(
            f"vornel: upload_list.txt:{4 * i + 2}: IniFileName value {why}; the whole group is "
            "ignored\n" for i, (_, why) in enumerate(refused)))
        self.assertIn("\tNo errors detected during this session.\n", run.stdout)
        self.assertEqual([c for c in device.commands() if c.startswith("STOR")],
                         ["STOR site.ini"])
        self.assertEqual(device.file("site.ini"), b"[Site]\n")

    def test_special_files_fail_the_file_check_at_once(self):
        device = self.device("127.0.0.2")
        os.mkfifo(os.path.join(self.workdir, "fifo.ini"))
        os.symlink("fifo.ini", os.path.join(self.workdir, "link.ini"))
        os.mkdir(os.path.join(self.workdir, "folder.ini"))
        names = ["fifo.ini", "link.ini", "folder.ini"]
        self.write("upload_list.txt", "".join(group("127.0.0.2", name) for name in names))
        # A FIFO that blocked the open would hold the run until this time-out.
        run = self.run_vornel(["1", "1", "3"], timeout=60)
        self.assertEqual(run.status, 0, run.stderr)
        for name in names:
            self.assertIn(check_failed_on_file(name), run.stdout)
            self.assertIn(f"\t127.0.0.2:   Could not open file {name}.\n", run.stdout)
        self.assertEqual([c for c in device.commands() if c.startswith("STOR")], [])

    def test_a_batch_list_others_can_read_is_said_once_and_changes_nothing_else(self):
        self.device("127.0.0.2")
        self.write("site.ini", "[Site]\n")
        self.write("upload_list.txt", group("127.0.0.2"))
        passes = ["1", "1", "1", "1", "3"]
        private = self.run_vornel(passes)
        self.assertEqual(private.status, 0, private.stderr)
        self.assertEqual(private.stderr, "")
        os.chmod(os.path.join(self.workdir, "upload_list.txt"), 0o640)
        shared = self.run_vornel(passes)
        self.assertEqual(shared.status, 0, shared.stderr)
        self.assertEqual(shared.stdout, private.stdout)
        # Windows keeps who may read a file in the folder's access list: no warning.
        self.assertEqual(shared.stderr, "" if WINDOWS else
                         "vornel: upload_list.txt holds device passwords and can be read by "
                         "other users; make it yours alone with: chmod 600 upload_list.txt\n")

    def path(self, name):
        return os.path.join(self.workdir, name)

    def plant_another_users_files(self):
        """site.ini of ours; theirs.ini, and linked.ini, a link to our secret,
        both another user's."""
        self.write("site.ini", "[Site]\n")
        self.write("theirs.ini", "[Theirs]\n")
        os.chown(self.path("theirs.ini"), OTHER, OTHER)
        self.write("secret", "root's own\n")
        os.symlink("secret", self.path("linked.ini"))
        os.lchown(self.path("linked.ini"), OTHER, OTHER)

    @skip_under_wine("Windows files have no owners and links of this kind; they are read as before")
    def test_root_refuses_another_users_links_ini_files_list_and_log(self):
        device = self.device("127.0.0.2")
        self.plant_another_users_files()
        self.write("upload_list.txt", group("127.0.0.2", "linked.ini") +
                   group("127.0.0.2", "theirs.ini") + group("127.0.0.2", "site.ini"))
        run = self.run_vornel(["1", "1", "3"])
        self.assertEqual(run.status, 0, run.stderr)
        self.assertEqual(run.stderr, (
            "vornel: linked.ini is not read: a link owned by another user is on its way (only "
            "your own links and root's are followed)\n"
            "vornel: theirs.ini is not read: it belongs to another user (uid 65534), and a run "
            "as root reads only root's files (once you trust it: chown root theirs.ini)\n"))
        for name in ("linked.ini", "theirs.ini"):
            self.assertIn(check_failed_on_file(name), run.stdout)
            self.assertIn(f"\t127.0.0.2:   Could not open file {name}.\n", run.stdout)
            self.assertIn(f"\t127.0.0.2:   Could not open file {name}.\n", run.log)
        self.assertEqual([c for c in device.commands() if c.startswith("STOR")],
                         ["STOR site.ini"])

        # Another user's list: named, and the pass goes on as without a list.
        os.chown(self.path("upload_list.txt"), OTHER, OTHER)
        run = self.run_vornel(["1", "127.0.0.2", "site.ini", "admin", "secret", "1", "3"])
        self.assertEqual(run.status, 0, run.stderr)
        self.assertEqual(run.stderr, (
            "vornel: upload_list.txt is not read: it belongs to another user (uid 65534), and a "
            "run as root reads only root's files (once you trust it: chown root "
            "upload_list.txt)\n"))
        self.assertNotIn("Batch upload file", run.stdout)
        self.assertIn("\tNo errors detected during this session.\n", run.stdout)

        # Another user's log, writable by all, and a log with a second name.
        for reason, make in (
                ("it belongs to another user (only a log of your own or root's is written)",
                 lambda: os.chown(self.path("log.txt"), OTHER, OTHER)),
                ("it has other names, hard links (only a log of one name is written)",
                 lambda: os.link(self.path("log.txt"), self.path("elsewhere.txt")))):
            with self.subTest(reason):
                for name in ("log.txt", "elsewhere.txt"):
                    if os.path.lexists(self.path(name)):
                        os.unlink(self.path(name))
                self.write("log.txt", "earlier\n")
                os.chmod(self.path("log.txt"), 0o666)
                make()
                run = self.run_vornel(["3"])
                self.assertEqual(run.status, 1)
                self.assertEqual(run.stderr, f"vornel: cannot open log.txt: {reason}\n")
                self.assertEqual(self.read("log.txt"), b"earlier\n")

    @skip_under_wine("Windows files have no owners and links of this kind; they are read as before")
    def test_root_cuts_no_shards_from_another_users_list_or_ini_files(self):
        self.plant_another_users_files()
        self.write("upload_list.txt", group("127.0.0.2", "linked.ini") +
                   group("127.0.0.3", "theirs.ini") + group("127.0.0.4", "site.ini"))
        cut = lambda folder: subprocess.run([CUTTER, "-o", folder, "-n", "1", "upload_list.txt"],
                                            cwd=self.workdir, capture_output=True, text=True)
        done = cut("cut")
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual(done.stderr, (
            "vornel-shard: ./linked.ini is not read: a link owned by another user is on its way "
            "(only your own links and root's are followed)\n"
            "vornel-shard: ./theirs.ini is not read: it belongs to another user (uid 65534), and "
            "a run as root reads only root's files (once you trust it: chown root ./theirs.ini)\n"))
        self.assertEqual(sorted(os.listdir(self.path("cut/shard-1"))),
                         ["site.ini", "upload_list.txt"])

        os.chown(self.path("upload_list.txt"), OTHER, OTHER)
        done = cut("cut-2")
        self.assertEqual(done.returncode, 2)
        self.assertEqual(done.stderr, (
            "vornel-shard: upload_list.txt is not read: it belongs to another user (uid 65534), "
            "and a run as root reads only root's files (once you trust it: chown root "
            "upload_list.txt)\n"
            "vornel-shard: cannot read the batch list upload_list.txt\n"))
        self.assertFalse(os.path.exists(self.path("cut-2")))

    @skip_under_wine("the privileges of a Linux process")
    def test_root_gives_up_its_privileges_and_under_sudo_becomes_the_operator(self):
        device = self.device("127.0.0.2")
        sudo = dict(os.environ, SUDO_UID=str(OTHER), SUDO_GID=str(OTHER), SUDO_USER="nobody")
        none = "0000000000000000"
        rows = (  # how it is run, the folder's owner, the run's uid then
            ("root login", os.environ, 0, 0),
            ("sudo, the operator's folder", sudo, OTHER, OTHER),
            ("sudo, a folder only root may write", sudo, 0, 0))
        for what, env, folder_owner, uid in rows:
            with self.subTest(what):
                work = os.path.join(self.workdir, what.replace(" ", "-").replace(",", ""))
                os.mkdir(work, 0o755)
                os.chown(work, folder_owner, folder_owner)
                process = subprocess.Popen([BINARY], cwd=work, env=env, stdin=subprocess.PIPE,
                                           stdout=subprocess.PIPE, stderr=subprocess.PIPE)
                self.addCleanup(process.kill)
                process.stdin.write(b"2\n127.0.0.2\nadmin\nsecret\n1\n")
                process.stdin.flush()
                shown = self.wait_for_output(process, CLOSING + MENU)
                status = proc_status(process.pid)
                process.stdin.write(b"3\n")
                process.stdin.close()
                process.wait(timeout=30)
                self.assertEqual(process.returncode, 0, process.stderr.read())
                self.assertIn("\tTesting connection                 Successful \n", shown)
                self.assertEqual(status, {"Uid": f"{uid}\t{uid}\t{uid}\t{uid}",
                                          "Gid": f"{uid}\t{uid}\t{uid}\t{uid}",
                                          "CapPrm": none, "CapEff": none, "CapBnd": none,
                                          "NoNewPrivs": "1"})
                for name, mode in (("config.ini", 0o600), ("foundfir.txt", 0o600),
                                   ("log.txt", None)):
                    info = os.stat(os.path.join(work, name))
                    self.assertEqual((name, info.st_uid), (name, uid))
                    if mode is not None:
                        self.assertEqual((name, info.st_mode & 0o777), (name, mode))
                with open(os.path.join(work, "config.ini"), "rb") as f:
                    self.assertEqual(f.read(), device.file("config.ini"))
                process.stdout.close()
                process.stderr.close()


if __name__ == "__main__":
    main()
