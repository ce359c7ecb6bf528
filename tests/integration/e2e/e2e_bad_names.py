"""Names and credentials that mean something to a URL, a path or an FTP
command line: every printable character reaches the device as typed, no
control character reaches it at all, and an address that is not a plain
IPv4 address connects nowhere and writes nothing."""

import os

from faults import control_characters, download_steps, summary
from harness import RULE, WINDOWS, VornelTest, group, main

# Every printable ASCII character but letters, digits and the blank, in two
# fields that hold them.
USER = "!\"#$%&'()*+,-./:;<=>?@[\\]"
PASSWORD = "^_`{|}~ a%2F%0D%0A?#/..@:b"


class Names(VornelTest):

    def printable_commands(self, device):
        commands = device.commands()
        for command in commands:
            self.assertEqual(control_characters(command), [], command)
        return commands

    def test_every_printable_character_in_the_credentials_is_sent_as_typed(self):
        device = self.device("127.0.0.2", "--user", USER, "--password", PASSWORD)
        run = self.run_vornel(["2", "127.0.0.2", USER, PASSWORD, "1", "3"])
        self.assertEqual(run.status, 0, run.stderr)
        fetched = download_steps("127.0.0.2", "fetched")
        self.assertSession(run.log, fetched[1] + summary([])[1] + RULE)
        self.assertEqual(self.read("config.ini"), device.file("config.ini"))
        commands = self.printable_commands(device)
        self.assertEqual(commands.count("USER " + USER), 2)  # the check, then the fetch
        self.assertNotIn(PASSWORD, run.log)
        self.assertNotIn(USER, run.log)

    def test_control_characters_never_reach_the_device(self):
        device = self.device("127.0.0.2")
        # Typed: refused at the prompt and asked again.
        typed = ["2", "127.0.0.2\x01", "127.0.0.2", "admin\x1b[2J", "ad\rmin", "admin",
                 "secret\x00x", "sec\tret", "secret", "1"]
        # From a batch list: the group is refused while the list is read, so
        # the pass falls back to a typed entry, which the operator quits.
        self.write("download_list.txt",
                   group("127.0.0.2", "config.ini", "admin\x01\x7f") +
                   group("127.0.0.2", "config.ini", "admin", "secret\x1bDELE"))
        run = self.run_vornel(typed[:1] + ["2"] + typed[1:] +
                              ["2", "1", "127.0.0.2", "admin", "secret", "3"])
        self.assertEqual(run.status, 1, run.stderr)
        refusal = "vornel: control characters can't be sent to a device; please enter it again\n"
        self.assertEqual(run.stderr, refusal * 5 +
                         "vornel: download_list.txt:3: SystemUserName value holds a control "
                         "character; the whole group is ignored\n"
                         "vornel: download_list.txt:8: SystemPassword value holds a control "
                         "character; the whole group is ignored\n")
        self.assertEqual(control_characters(run.stdout), [])
        commands = self.printable_commands(device)
        self.assertEqual([c for c in commands if c.startswith("USER")], ["USER admin"] * 2)
        self.assertEqual(commands.count("*connect"), 2)  # the typed entry's two sessions only

    def test_ini_names_with_blanks_percent_hash_and_question_mark_are_sent_as_typed(self):
        device = self.device("127.0.0.2")
        os.makedirs(os.path.join(self.workdir, "sub"))
        # "?" is no character of a Windows file name: no such file can be there.
        names = ["my site.ini", "a%41#b.ini" if WINDOWS else "a%41#b?.ini"]
        # A name with a folder would be read, and stored, outside the working
        # directory: it is asked for again.
        folders = ["sub/../dots.ini", "sub/slash.ini"]
        answers = []
        for i, name in enumerate(names + folders):
            self.write(name, f"[Site]\nNumber={i}\n" + "\x00\r\n" * i)
        for name in names:
            answers += ["1", "127.0.0.2", name, "admin", "secret", "1"]
        answers += ["1", "127.0.0.2"] + folders + ["dots.ini", "admin", "secret", "1"]
        self.write("dots.ini", "[Dots]\n")
        run = self.run_vornel(answers + ["3"])
        self.assertEqual(run.status, 0, run.stderr)
        self.assertNotIn("failure", run.stdout)
        again = "; only a file of the working directory can be sent; please enter it again\n"
        self.assertEqual(run.stderr,
                         "vornel: the file name leads out of the working directory" + again +
                         "vornel: the file name names a folder" + again)
        commands = self.printable_commands(device)
        for name in names + ["dots.ini"]:
            self.assertEqual(device.file(name), self.read(name), name)
            self.assertIn("STOR " + name, commands)
        self.assertEqual([c for c in commands if c.startswith("STOR")],
                         ["STOR " + name for name in names + ["dots.ini"]])

    def test_addresses_that_are_no_plain_ipv4_connect_nowhere_and_write_nothing(self):
        device = self.device("127.0.0.2")
        self.write("config.ini", "operator's own\n")  # a fetch would go to <address>.ini
        addresses = ["a/b", "..", "127.0.0.2:21", "[::1]", "admin@127.0.0.2",
                     "../127.0.0.2", "127.0.0.2/../x", "127.1", "2130706434", "0x7f.0.0.2",
                     "127.000.000.002", " 127.0.0.2", "127.0.0.2 ", "localhost"]
        answers = []
        for address in addresses:
            answers += ["2", address, "admin", "secret", "1"]
        run = self.run_vornel(answers + ["3"])
        self.assertEqual(run.status, 0, run.stderr)
        for address in addresses:
            self.assertIn(f"\t{address}:   Could not log into the FTP server.\n", run.stdout)
        self.assertEqual(device.commands(), [])
        self.assertEqual(sorted(os.listdir(self.workdir)),
                         ["config.ini", "devices", "log.txt"])
        # "../127.0.0.2" would have fetched into the parent directory.
        self.assertFalse(os.path.exists(os.path.join(self.workdir, "..", "127.0.0.2.ini")))


if __name__ == "__main__":
    main()
