"""vornel-batch: the passes of vornel without questions, the same texts on
standard output and in log.txt, and a record per group of the list; the
preflight that sends nothing; what a stop or a kill leaves."""

import json
import os
import subprocess
import time

from harness import (BANNER, BATCH, BINARY, MENU, SIGINT, SIGTERM, WINDOWS, VornelTest, batch_prompt,
                     drop_pings, group, main, text_of)

INI = b"[Network]\r\nDHCP=0\r\n"
# The list reader refuses this group: its password is longer than 27 characters.
OVERLONG = group("127.0.0.9", password="p" * 28)
FIELDS = ["line", "address", "ini_file", "outcome", "status", "reason", "firmware", "fetched",
          "start", "end", "duration"]
# The second device of the stop test is being probed, and never answers.
PROBING_SILENT = ("to       127.0.0.2\n\tChecking for INI support           Successful\n"
                  "\tChecking file                      Successful \n\tTesting connection")
REFUSAL = ("list.txt:{line}: SystemPassword value longer than 27 characters; "
           "the whole group is ignored")


def records(data):
    """The records of a results file, each checked for its fields in order."""
    text = data.decode()
    assert text == "" or text.endswith("\n"), text[-200:]
    rows = [json.loads(line) for line in text.splitlines()]
    for row in rows:
        assert list(row) == FIELDS, list(row)
        assert row["start"] <= row["end"] and row["duration"] >= 0, row
    return rows


def essentials(rows):
    return [(r["line"], r["address"], r["outcome"], r["status"], r["reason"], r["firmware"],
             r["fetched"]) for r in rows]


class Batch(VornelTest):

    def batch(self, *args, timeout=120, cwd=None):
        done = subprocess.run([BATCH, *args], cwd=cwd or self.workdir, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=timeout)
        return done.returncode, text_of(done.stdout, "stdout"), text_of(done.stderr, "stderr")

    def in_dir(self, name):
        """A fresh working directory beside the test's, holding its INI files."""
        path = os.path.join(self.workdir, name)
        os.makedirs(path)
        for file in ("site.ini",):
            if file in self.written:
                with open(os.path.join(path, file), "wb") as f:
                    f.write(self.written[file])
        return path

    def log_of(self, folder):
        return self.read(os.path.join(folder, "log.txt")).decode()

    def test_both_programs_tell_the_same_story_and_the_records_say_it_too(self):
        self.device("127.0.0.2")
        self.device("127.0.0.3", "--refuse-login")
        self.device("127.0.0.4", "--firmware", "qopdev-12_r2.4.9-b.bin")
        self.device("127.0.0.6", "--refuse-stor")
        self.device("127.0.0.7", "--no-config")
        self.write("site.ini", INI)
        cases = {
            # mode: (list, exit status, [(line, address, outcome, status, reason, firmware,
            #                              fetched)])
            "upload": (
                group("127.0.0.2") + group("127.0.0.3") + group("127.0.0.4") +
                group("127.0.0.2", "missing.ini") + OVERLONG, [
                    (1, "127.0.0.2", "ok", 1, "", 250, ""),
                    (5, "127.0.0.3", "failed", 4, "Could not log into the FTP server.", None, ""),
                    (9, "127.0.0.4", "failed", 6, "Does not support INI files.", 249, ""),
                    (13, "127.0.0.2", "failed", 5, "Could not open file missing.ini.", 250, ""),
                    (17, "127.0.0.9", "skipped", None, REFUSAL.format(line=20), None, ""),
                ]),
            "download": (
                group("127.0.0.2") + group("127.0.0.6") + OVERLONG + group("127.0.0.4") +
                group("127.0.0.7"), [
                    (1, "127.0.0.2", "ok", 1, "", 250, "config.ini"),
                    (5, "127.0.0.6", "ok", 1, "", 250, "127.0.0.6.ini"),
                    (9, "127.0.0.9", "skipped", None, REFUSAL.format(line=12), None, ""),
                    (13, "127.0.0.4", "failed", 6, "Does not support INI files.", 249, ""),
                    (17, "127.0.0.7", "failed", 2,
                     "Could not download INI File due to an FTP error.", 250, ""),
                ]),
        }
        for mode, (listed, expected) in cases.items():
            with self.subTest(mode):
                name = f"{mode}_list.txt"
                typed = self.in_dir(f"typed-{mode}")
                ordered = self.in_dir(f"ordered-{mode}")
                for folder in (typed, ordered):
                    with open(os.path.join(folder, name), "w") as f:
                        f.write(listed.replace("list.txt", name))
                    os.chmod(os.path.join(folder, name), 0o600)
                answers = "1\n" if mode == "upload" else "2\n"
                done = subprocess.run([BINARY], cwd=typed, input=(answers + "1\n").encode(),
                                      stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
                self.assertEqual(done.returncode, 0)
                status, stdout, stderr = self.batch(mode, "--results", "r.jsonl", cwd=ordered)

                self.assertEqual(status, 1, stderr)
                typed_out = text_of(done.stdout, "stdout")
                prompt = MENU + batch_prompt(mode, name)
                self.assertTrue(typed_out.startswith(BANNER + prompt), typed_out[:300])
                self.assertTrue(typed_out.endswith(MENU))
                self.assertEqual(stdout, BANNER + typed_out[len(BANNER + prompt):-len(MENU)])
                self.assertEqual(stderr, text_of(done.stderr, "stderr"))
                self.assertIn(f"{name}:", stderr)
                typed_log, ordered_log = self.log_of(typed), self.log_of(ordered)
                self.assertEqual(ordered_log.split("\n")[4:], typed_log.split("\n")[4:])
                rows = records(self.read(os.path.join(ordered, "r.jsonl")))
                expected = [(line, address, outcome, status, reason.replace("list.txt", name),
                             firmware, fetched)
                            for line, address, outcome, status, reason, firmware, fetched
                            in expected]
                self.assertEqual(essentials(rows), expected)
                for row in rows:
                    if row["fetched"]:
                        self.assertEqual(self.read(os.path.join(ordered, row["fetched"])),
                                         self.read(os.path.join(typed, row["fetched"])))

    def test_every_fetched_file_named_after_its_device_and_records_on_standard_output(self):
        self.device("127.0.0.2")
        self.device("127.0.0.3")
        self.write("config.ini", "mine\n")
        self.write("download_list.txt", group("127.0.0.2") + group("127.0.0.3"))

        status, stdout, stderr = self.batch("download", "--name-by-address", "--results", "-")

        self.assertEqual(status, 0, stderr)
        # Standard output holds the records alone; the pass's texts went to stderr.
        self.assertEqual([r["fetched"] for r in records(stdout.encode())],
                         ["127.0.0.2.ini", "127.0.0.3.ini"])
        self.assertIn("INI download                       Successful", stderr)
        self.assertEqual(self.read("config.ini"), b"mine\n")
        self.assertEqual(self.read("127.0.0.3.ini"), self.devices[1].file("config.ini"))

    def test_preflight_sends_and_fetches_nothing_and_pauses_never(self):
        ready = self.device("127.0.0.2", "--refuse-stor")
        second = self.device("127.0.0.3", "--refuse-second-login")
        old = self.device("127.0.0.4", "--firmware", "qopdev-12_r2.4.9-b.bin")
        self.write("site.ini", INI)
        self.write("upload_list.txt", group("127.0.0.2") + group("127.0.0.3") +
                   group("127.0.0.4") + group("127.0.0.2", "missing.ini"))
        self.write("download_list.txt", group("127.0.0.2") + group("127.0.0.3"))

        started = time.monotonic()
        status, stdout, stderr = self.batch("check", "upload", "--results", "up.jsonl")
        self.assertEqual(status, 1, stderr)
        status, _, stderr = self.batch("check", "download", "--results", "down.jsonl")
        self.assertEqual(status, 1, stderr)

        # A refused second login is a 15 s pause in a pass, none here.
        self.assertLess(time.monotonic() - started, 12)
        self.assertEqual(essentials(records(self.read("up.jsonl"))), [
            (1, "127.0.0.2", "ready", None, "", 250, ""),
            (5, "127.0.0.3", "failed", 4, "Could not log into the FTP server.", 250, ""),
            (9, "127.0.0.4", "failed", 6, "Does not support INI files.", 249, ""),
            (13, "127.0.0.2", "failed", 5, "Could not open file missing.ini.", 250, ""),
        ])
        self.assertEqual([r["outcome"] for r in records(self.read("down.jsonl"))],
                         ["ready", "failed"])
        self.assertIn("\tLogging in                         Successful \n"
                      "\tPreflight                          Ready\n", stdout)
        self.assertIn("\n\tReady: 1 of 4\n", stdout)
        for device in (ready, second, old):
            sent = [c.split(" ")[0] for c in device.commands()]
            self.assertNotIn("STOR", sent, device.address)
            self.assertNotIn("RETR", sent, device.address)
        self.assertFalse(self.exists("config.ini"))

    def test_nothing_runs_without_a_list_or_a_group_of_it(self):
        self.write("notes.txt", "no groups\n")
        self.write("refused.txt", OVERLONG)
        for args in (["upload"], ["download", "notes.txt"], ["upload", "refused.txt"],
                     ["upload", "--name-by-address"], ["check", "upload", "a", "b"], ["push"],
                     []):
            status, stdout, stderr = self.batch(*args)
            self.assertEqual(status, 2, args)
            self.assertEqual(stdout, "", args)
            self.assertIn("vornel-batch: ", stderr, args)
        self.assertFalse(self.exists("log.txt"))

    def test_a_stop_finishes_the_device_under_way_and_a_kill_leaves_whole_records(self):
        silent = self.device("127.0.0.2")
        after = self.device("127.0.0.3")
        drop_pings("127.0.0.2")
        self.write("site.ini", INI)
        self.write("upload_list.txt", group("127.0.0.4") + group("127.0.0.2") +
                   group("127.0.0.3"))
        self.device("127.0.0.4")
        # Under wine SIGTERM kills the process outright (wine's own doing).
        stops = [SIGINT] if WINDOWS else [SIGINT, SIGTERM]
        for sig in stops:
            with self.subTest(sig):
                process = subprocess.Popen([BATCH, "upload", "--results", "r.jsonl"],
                                           cwd=self.workdir, stdout=subprocess.PIPE,
                                           stderr=subprocess.PIPE)
                self.wait_for_output(process, PROBING_SILENT)
                process.send_signal(sig)
                stdout, _ = process.communicate(timeout=60)
                self.assertEqual(process.returncode, 128 + sig)
                # The silent device was probed to its end and is in the summary.
                self.assertEqual([(r["address"], r["status"]) for r in records(
                    self.read("r.jsonl"))], [("127.0.0.4", 1), ("127.0.0.2", 3)])
                self.assertIn("\t127.0.0.2:   This address is not responsive.\n",
                              text_of(stdout, "stdout"))
                self.assertEqual(after.commands(), [])

        if WINDOWS:
            return  # a SIGKILLed wine leaves its server holding the pipes: no end to read
        process = subprocess.Popen([BATCH, "upload", "--results", "killed.jsonl"],
                                   cwd=self.workdir, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE)
        self.wait_for_output(process, PROBING_SILENT)
        process.kill()
        process.communicate(timeout=30)
        self.assertEqual([r["address"] for r in records(self.read("killed.jsonl"))],
                         ["127.0.0.4"])
        self.assertGreater(len(silent.commands()), 0)


if __name__ == "__main__":
    main()
