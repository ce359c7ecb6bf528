"""What the run must not take on trust: proxy variables in its environment,
INI names that lead out of the working directory, special files named as INI
files, and batch lists that other users can read."""

import os
import socket
import threading

from faults import download_steps, summary
from harness import RULE, WINDOWS, VornelTest, group, main

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


if __name__ == "__main__":
    main()
