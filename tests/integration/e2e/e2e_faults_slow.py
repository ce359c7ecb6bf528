"""Faults that cost the shipped time-outs and pauses, so they sit apart:
a device that accepts the connection and never greets, and a device that
resets the data connection while an upload is being written to it."""

import time

from faults import CHECK, LOGIN_OK, download_steps, summary, upload_steps
from harness import MENU, RULE, VornelTest, group, main

ANNOUNCE_UPLOAD = "\n\tRunning batch parameters from upload_list.txt\n"
ANNOUNCE_LOG = "\n\t** Running batch parameters from upload_list.txt **\n"


class SlowFaults(VornelTest):

    def test_device_that_never_greets_costs_one_connect_time_out(self):
        self.device("127.0.0.2", "--silent")
        self.device("127.0.0.3")
        self.write("download_list.txt", group("127.0.0.2", "config.ini") +
                   group("127.0.0.3", "config.ini"))
        start = time.monotonic()
        run = self.run_vornel(["2", "1", "3"])
        seconds = time.monotonic() - start
        self.assertEqual(run.status, 0, run.stderr)
        silent = download_steps("127.0.0.2", "no login")
        fetched = download_steps("127.0.0.3", "fetched")
        end = summary([("127.0.0.2", 4)])
        self.assertTrue(run.stdout.endswith(silent[0] + fetched[0] + end[0] + MENU))
        self.assertSession(run.log, "\n\t** Running batch parameters from download_list.txt **\n" +
                           silent[1] + fetched[1] + end[1] + RULE)
        # The shipped 10 s for connect and greeting, the 3 s pause, and margin
        # for a loaded machine; a hang would run into the 30 s reply time-out.
        self.assertGreaterEqual(seconds, 10)
        self.assertLess(seconds, 28)

    def test_reset_during_upload_fails_that_device_and_the_process_lives_on(self):
        payload = bytes(range(256)) * 4096  # 1 MiB, far beyond the socket buffers
        self.device("127.0.0.2", "--break-data-after", "65536")
        good = self.device("127.0.0.3")
        self.write("site.ini", payload)
        self.write("upload_list.txt", group("127.0.0.2") + group("127.0.0.3"))
        run = self.run_vornel(["1", "1", "3"])
        self.assertEqual(run.status, 0, run.stderr)  # SIGPIPE would make it -13
        reset = (f"\n\tUploading site.ini      to       127.0.0.2{CHECK}Successful\n"
                 "\tChecking file                      Successful \n"
                 "\tTesting connection                 Successful\n" + LOGIN_OK +
                 "\tLoading configuration              INI file upload failed.\n\n")
        uploaded = upload_steps("site.ini", "127.0.0.3")
        end = summary([("127.0.0.2", 2)])
        self.assertTrue(run.stdout.endswith(ANNOUNCE_UPLOAD + reset + uploaded[0] + end[0] + MENU))
        self.assertSession(run.log, ANNOUNCE_LOG + reset + uploaded[1] + end[1] + RULE)
        self.assertEqual(good.file("site.ini"), payload)


if __name__ == "__main__":
    main()
