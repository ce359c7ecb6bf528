"""Batch lists and standard input that no operator means to give: NUL bytes,
binary garbage, lines of megabytes, a hundred thousand groups. The run goes
on, takes only whole groups and answers, and never crashes."""

from faults import control_characters, download_steps, summary, upload_steps
from harness import BANNER, MENU, RULE, VornelTest, batch_prompt, group, main

DOWNLOAD_ANNOUNCE = "\n\t** Running batch parameters from download_list.txt **\n"
MEGABYTE = 1 << 20


class BadBatchLists(VornelTest):

    def test_garbage_nul_bytes_and_ten_megabyte_lines_leave_the_whole_groups(self):
        good = self.device("127.0.0.2")
        self.device("127.0.0.3")
        content = (bytes(range(256)) + b"\n" +
                   b"SystemIP=127.0.0.2 \x00 after a NUL\nIniFileName=config.ini\n"
                   b"SystemUserName=admin \x00x\nSystemPassword=secret\n")
        # A NUL right after a value could have cut it short: 127.0.0.2<NUL>5.
        cut_address_at = content.count(b"\n") + 1
        content += (b"SystemIP=127.0.0.2\x005\nIniFileName=config.ini\n"
                    b"SystemUserName=admin\nSystemPassword=secret\n")
        long_address_at = content.count(b"\n") + 1
        content += (b"SystemIP=" + b"9" * (10 * MEGABYTE) + b"\nIniFileName=a.ini\n"
                    b"SystemUserName=admin\nSystemPassword=secret\n" +
                    b"y" * (10 * MEGABYTE) + b"\n" +
                    group("127.0.0.3", "config.ini").rstrip("\n").encode())  # no final newline
        self.write("download_list.txt", content)

        run = self.run_vornel(["2", "1", "3"])
        self.assertEqual(run.status, 0, run.stderr)
        self.assertEqual(run.stderr,
                         f"vornel: download_list.txt:{cut_address_at}: SystemIP value ends in a "
                         "NUL byte; the whole group is ignored\n"
                         f"vornel: download_list.txt:{long_address_at}: SystemIP value "
                         "longer than 15 characters; the whole group is ignored\n")
        first = download_steps("127.0.0.2", "fetched")
        second = download_steps("127.0.0.3", "fetched")
        end = summary([], note=True)
        self.assertEqual(run.stdout, BANNER + MENU + batch_prompt("download", "download_list.txt") +
                         DOWNLOAD_ANNOUNCE + first[0] + second[0] + end[0] + MENU)
        self.assertSession(run.log, DOWNLOAD_ANNOUNCE + first[1] + second[1] + end[1] + RULE)
        self.assertEqual(self.read("config.ini"), good.file("config.ini"))
        self.assertEqual(self.read("127.0.0.3.ini"), good.file("config.ini"))

    def test_a_hundred_thousand_groups_are_all_worked_through(self):
        # Names, not addresses: the FTP layer refuses each without a packet,
        # so the run measures the list handling, not the network.
        device = self.device("127.0.0.2")
        count = 100_000
        self.write("site.ini", "[Network]\nDHCP=1\n")
        self.write("upload_list.txt", "".join(group(f"device-{i}") for i in range(count)) +
                   group("127.0.0.2"))
        run = self.run_vornel(["1", "1", "3"], timeout=240)
        self.assertEqual(run.status, 0, run.stderr)
        uploaded = upload_steps("site.ini", "127.0.0.2")
        self.assertTrue(run.stdout.endswith(
            uploaded[0] + "\n  ** Summary **\n\n"
            f"\tThere were {count} failures logged this session.\n" +
            "".join(f"\tdevice-{i}:   Could not log into the FTP server.\n" for i in range(count)) +
            "\n\tThe results of this session are logged in 'log.txt' \n\n\n" + MENU))
        self.assertEqual(run.log.count("ERROR! Login unsuccessful."), count)
        self.assertTrue(run.log.endswith(f"\tdevice-{count - 1}:   Could not log in to FTP server.\n" +
                                         RULE))
        self.assertEqual(device.file("site.ini"), b"[Network]\nDHCP=1\n")


class BadStandardInput(VornelTest):

    def test_a_megabyte_line_at_every_prompt_is_refused_and_asked_again(self):
        device = self.device("127.0.0.2")
        self.write("site.ini", "[Network]\nDHCP=1\n")
        self.write("download_list.txt", group("127.0.0.2"))
        junk = lambda c: c * MEGABYTE
        answers = [junk("x"), "1",                                   # menu
                   junk("a"), "127.0.0.2", junk("b"), "site.ini",    # upload entry
                   junk("c"), "admin", junk("d"), "secret",
                   junk("5"), "1",                                   # action: not 1, 2 or 3
                   "2", junk("7"), "2",                              # batch prompt
                   junk("e"), "127.0.0.2", junk("f"), "admin", junk("g"), "secret", "1",
                   junk("0"), "3"]
        run = self.run_vornel(answers)
        self.assertEqual(run.status, 0, run.stderr)
        self.assertEqual(run.stderr,
                         "vornel: at most 25 characters fit here; please enter it again\n"
                         "vornel: at most 27 characters fit here; please enter it again\n"
                         "vornel: at most 25 characters fit here; please enter it again\n"
                         "vornel: at most 27 characters fit here; please enter it again\n"
                         "vornel: at most 25 characters fit here; please enter it again\n"
                         "vornel: at most 25 characters fit here; please enter it again\n"
                         "vornel: at most 27 characters fit here; please enter it again\n")
        self.assertEqual(run.stdout.count("Response invalid \n"), 2)
        self.assertEqual(run.stdout.count("\t ** Input not understood, please try again **\n"), 1)
        self.assertLess(len(run.stdout), 8000)  # nothing typed is echoed beyond its field
        uploaded = upload_steps("site.ini", "127.0.0.2")
        fetched = download_steps("127.0.0.2", "fetched")
        self.assertSession(run.log, uploaded[1] + summary([])[1] + RULE +
                           fetched[1] + summary([])[1] + RULE)
        self.assertEqual(device.file("site.ini"), b"[Network]\nDHCP=1\n")
        self.assertEqual(self.read("config.ini"), device.file("config.ini"))
        self.assertEqual(control_characters(run.stdout), [])


if __name__ == "__main__":
    main()
