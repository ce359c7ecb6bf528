"""Upload passes of the real binary against simulated devices."""

from harness import (BANNER, CLOSING, MENU, RULE, VornelTest, batch_prompt, drop_pings, group,
                     main)

INI = b"[Network]\r\nDHCP=0\r\nIPAddress=10.1.2.3\r\n" + bytes(range(256))

UPLOAD_PROMPTS = "\n\tIP Address: \tINI filename: \tUser Name   : \tPassword    : "


def upload_block(ip, ini, user, password):
    return ("\n\n\tYou have entered:\n"
            f"\t\tIP Address: {ip}\n\t\tINI filename: {ini}\n\t\tUser Name   : {user}\n"
            f"\t\tPassword    : {password}\n\n"
            "\t1: Continue with these parameters \n\t2: Enter new parameters \n\t3: Quit \n"
            "\tAction: \n\n")


def uploaded(ini, ip, log=False):
    return (f"\n\tUploading {ini}      to       {ip}"
            "\n\tChecking for INI support           Successful\n"
            "\tChecking file                      Successful \n"
            "\tTesting connection                 Successful\n"
            "\tLogging in                         Successful \n"
            "\tLoading configuration              " + ("Successful \n" if log else "Successful\n") +
            "\tINI upload                         Successful\n")


NO_ERRORS = "\n  ** Summary **\n\n\tNo errors detected during this session.\n"


class UploadPass(VornelTest):

    def test_typed_in_target_is_uploaded_byte_exact(self):
        device = self.device("127.0.0.2")
        self.write("site.ini", INI)
        run = self.run_vornel(["1", "127.0.0.2", "site.ini", "admin", "secret", "1"])
        self.assertEqual(run.status, 0, run.stderr)
        self.assertEqual(run.stdout,
                         BANNER + MENU + UPLOAD_PROMPTS +
                         upload_block("127.0.0.2", "site.ini", "admin", "secret") +
                         uploaded("site.ini", "127.0.0.2") + NO_ERRORS + CLOSING + MENU)
        self.assertSession(run.log, uploaded("site.ini", "127.0.0.2", log=True) + NO_ERRORS + RULE)
        self.assertEqual(device.file("site.ini"), INI)
        self.assertEqual(run.stderr, "")
        # The check and the transfer: two sessions, one connection and one USER each.
        commands = device.commands()
        self.assertEqual(commands.count("*connect"), 2)
        self.assertEqual(sum(c.startswith("USER ") for c in commands), 2)

    def test_batch_of_three_whose_second_ignores_pings(self):
        for address in ("127.0.0.2", "127.0.0.3", "127.0.0.4"):
            self.device(address)
        drop_pings("127.0.0.3")
        self.write("site.ini", INI)
        self.write("upload_list.txt", "# three devices\n" + group("127.0.0.2") + "\n" +
                   group("127.0.0.3") + group("127.0.0.4"))
        run = self.run_vornel(["1", "1"])
        self.assertEqual(run.status, 0, run.stderr)
        second = ("\n\tUploading site.ini      to       127.0.0.3"
                  "\n\tChecking for INI support           Successful\n"
                  "\tChecking file                      Successful \n"
                  "\tTesting connection                 ")
        verdict = "  ... ERROR: 127.0.0.3 no response to ping.\n\n"
        summary = ("\n  ** Summary **\n\n\tThere was 1 failure logged this session.\n"
                   "\t127.0.0.3:   This address is not responsive.\n")
        self.assertEqual(run.stdout,
                         BANNER + MENU + batch_prompt("upload", "upload_list.txt") +
                         "\n\tRunning batch parameters from upload_list.txt\n" +
                         uploaded("site.ini", "127.0.0.2") + second + verdict +
                         uploaded("site.ini", "127.0.0.4") + summary + CLOSING + MENU)
        misses = "  \nPing timeout on 127.0.0.3.\n" * 10 + "  Failed to ping 127.0.0.3"
        self.assertSession(run.log,
                           "\n\t** Running batch parameters from upload_list.txt **\n" +
                           uploaded("site.ini", "127.0.0.2", log=True) + second + misses +
                           verdict + uploaded("site.ini", "127.0.0.4", log=True) + summary + RULE)

    def test_old_firmware_and_missing_file_stop_only_their_target(self):
        self.device("127.0.0.2", "--firmware", "qopdev-12_r2.4.9-b.bin")
        self.device("127.0.0.3")
        self.device("127.0.0.4")
        self.write("site.ini", INI)
        self.write("upload_list.txt", group("127.0.0.2") + group("127.0.0.3", "gone.ini") +
                   group("127.0.0.4"))
        run = self.run_vornel(["1", "1"])
        self.assertEqual(run.status, 0, run.stderr)
        old = ("\n\tUploading site.ini      to       127.0.0.2"
               "\n\tChecking for INI support           ")
        missing = ("\n\tUploading gone.ini      to       127.0.0.3"
                   "\n\tChecking for INI support           Successful\n"
                   "\tChecking file                      ")
        summary = ("\n  ** Summary **\n\n\tThere were 2 failures logged this session.\n"
                   "\t127.0.0.2:   Does not support INI files.\n"
                   "\t127.0.0.3:   Could not open file gone.ini.\n")
        self.assertEqual(run.stdout,
                         BANNER + MENU + batch_prompt("upload", "upload_list.txt") +
                         "\n\tRunning batch parameters from upload_list.txt\n" +
                         old + "Error, INI files not supported \n" +
                         missing + "  ... ERROR: Can't open file.\n\n" +
                         uploaded("site.ini", "127.0.0.4") + summary + CLOSING + MENU)
        self.assertSession(run.log,
                           "\n\t** Running batch parameters from upload_list.txt **\n" +
                           old + "\tError, INI files not supported \n" + missing +
                           uploaded("site.ini", "127.0.0.4", log=True) +
                           summary.replace("were 2 failures logged this session",
                                           "were 2 failures") + RULE)
        with open(f"{self.workdir}/foundfir.txt") as f:
            self.assertIn("qopdev-12_r2.5.0-b.bin", f.read())  # the last device's listing


if __name__ == "__main__":
    main()
