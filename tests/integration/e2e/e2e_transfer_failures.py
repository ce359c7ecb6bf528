"""Failed transfers: each is followed by the 15 s pause before the pass goes on."""

import time

from harness import BANNER, CLOSING, MENU, RULE, VornelTest, group, main

CHECKED = ("\n\tChecking for INI support           Successful\n"
           "\tChecking file                      Successful \n"
           "\tTesting connection                 Successful\n")
LOGGING_IN = "\tLogging in                         "


class TransferFailures(VornelTest):

    def upload_one(self, *switches):
        self.device("127.0.0.2", *switches)
        self.write("site.ini", "[a]\n")
        start = time.monotonic()
        run = self.run_vornel(["1", "127.0.0.2", "site.ini", "admin", "secret", "1"])
        return run, time.monotonic() - start

    def test_refused_transfer_login(self):
        run, seconds = self.upload_one("--refuse-second-login")
        self.assertEqual(run.status, 0, run.stderr)
        steps = ("\n\tUploading site.ini      to       127.0.0.2" + CHECKED + LOGGING_IN +
                 "ERROR: log in failed.\n\n")
        summary = ("\n  ** Summary **\n\n\tThere was 1 failure logged this session.\n"
                   "\t127.0.0.2:   Could not log into the FTP server.\n")
        self.assertTrue(run.stdout.endswith(steps + summary + CLOSING + MENU), run.stdout)
        self.assertSession(run.log, steps + summary.replace("log into the", "log in to") + RULE)
        self.assertGreaterEqual(seconds, 15)

    def test_refused_stor(self):
        run, seconds = self.upload_one("--refuse-stor")
        self.assertEqual(run.status, 0, run.stderr)
        steps = ("\n\tUploading site.ini      to       127.0.0.2" + CHECKED + LOGGING_IN +
                 "Successful \n\tLoading configuration              INI file upload failed.\n\n")
        summary = ("\n  ** Summary **\n\n\tThere was 1 failure logged this session.\n"
                   "\t127.0.0.2:   Could not download INI File due to an FTP error.\n")
        self.assertEqual(run.stdout[-len(steps + summary + CLOSING + MENU):],
                         steps + summary + CLOSING + MENU)
        self.assertSession(run.log, steps + summary + RULE)
        self.assertGreaterEqual(seconds, 15)


if __name__ == "__main__":
    main()
