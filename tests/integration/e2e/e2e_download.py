"""Download passes of the real binary against simulated devices."""

import time

from harness import BANNER, CLOSING, MENU, RULE, VornelTest, batch_prompt, group, main

PROMPTS = "\tIP Address: \tUser Name: \tPassword : "


def block(ip):
    return ("\n\tYou have entered:\n"
            f"\t\tIP Address: {ip}\n\t\tUser Name : admin\n\t\tPassword  : secret\n\n"
            "\t1: Continue with these parameters \n\t2: Enter new parameters \n\t3: Quit \n"
            "\tAction: \n\n")


def checked(ini, ip):
    return (f"\n\tDownloading {ini}    from     {ip}"
            "\n\tChecking for INI support           Successful\n"
            "\tTesting connection                 Successful \n"
            "\tLogging in                         Successful \n")


DONE = "\tINI download                       Successful\n"
FAILED = "\tINI file download failed.\n"
NOTE = "\n\tDetected config.ini file,\n\tsaved new config file(s) as [ipaddress].ini\n"
NO_ERRORS = "\n  ** Summary **\n\n\tNo errors detected during this session.\n"


class DownloadPass(VornelTest):

    def test_three_passes_config_ini_then_address_name_then_failed_fetch(self):
        good = self.device("127.0.0.2")
        self.device("127.0.0.3", "--no-config")
        typed = lambda ip: ["2", ip, "admin", "secret", "1"]
        start = time.monotonic()
        run = self.run_vornel(typed("127.0.0.2") + typed("127.0.0.2") + typed("127.0.0.3"))
        seconds = time.monotonic() - start
        self.assertEqual(run.status, 0, run.stderr)

        fail_summary = ("\n  ** Summary **\n\n\tThere was 1 failure logged this session.\n"
                        "\t127.0.0.3:   Could not download INI File due to an FTP error.\n")
        self.assertEqual(
            run.stdout,
            BANNER +
            MENU + PROMPTS + block("127.0.0.2") + checked("config.ini", "127.0.0.2") + DONE +
            NO_ERRORS + CLOSING +
            MENU + PROMPTS + block("127.0.0.2") + checked("config.ini", "127.0.0.2") + DONE +
            NO_ERRORS + CLOSING +
            MENU + PROMPTS + block("127.0.0.3") + checked("config.ini", "127.0.0.3") + FAILED +
            fail_summary + CLOSING + MENU)
        self.assertSession(
            run.log,
            checked("config.ini", "127.0.0.2") + DONE + NO_ERRORS + RULE +
            checked("config.ini", "127.0.0.2") + DONE +
            NO_ERRORS.replace("**\n", "**\n" + NOTE, 1) + RULE +
            checked("config.ini", "127.0.0.3") + FAILED +
            fail_summary.replace("**\n", "**\n" + NOTE, 1) + RULE)
        self.assertEqual(self.read("config.ini"), good.file("config.ini"))
        self.assertEqual(self.read("127.0.0.2.ini"), good.file("config.ini"))
        self.assertFalse(self.exists("127.0.0.3.ini"))
        self.assertGreaterEqual(seconds, 6)  # a 3 s pause after each fetch

    def test_batch_list_names_are_shown_but_config_ini_is_fetched(self):
        good = self.device("127.0.0.2")
        self.write("download_list.txt", group("127.0.0.2", "other.ini"))
        self.write("config.ini", "operator's own\n")
        run = self.run_vornel(["2", "1"])
        self.assertEqual(run.status, 0, run.stderr)
        announce = "\n\t** Running batch parameters from download_list.txt **\n"
        self.assertEqual(run.stdout,
                         BANNER + MENU + batch_prompt("download", "download_list.txt") +
                         announce + checked("other.ini", "127.0.0.2") + DONE + NO_ERRORS +
                         CLOSING + MENU)
        self.assertSession(run.log, announce + checked("other.ini", "127.0.0.2") + DONE +
                           NO_ERRORS.replace("**\n", "**\n" + NOTE, 1) + RULE)
        self.assertEqual(self.read("config.ini"), b"operator's own\n")
        self.assertEqual(self.read("127.0.0.2.ini"), good.file("config.ini"))
        self.assertNotIn("Detected", run.stdout)


if __name__ == "__main__":
    main()
