"""Starting, leaving and the session log, with the real binary."""

import os

from harness import BANNER, MENU, RULE, VornelTest, batch_prompt, group, main


class Session(VornelTest):

    def test_choice_three_leaves_the_header_and_runs_append(self):
        self.write("log.txt", "earlier runs\n")
        first = self.run_vornel(["3"])
        self.assertEqual(first.status, 0)
        self.assertEqual(first.stdout, BANNER + MENU)
        self.assertTrue(first.log.startswith("earlier runs\n"))
        self.assertSession(first.log[len("earlier runs\n"):], "")
        second = self.run_vornel(["x", "3x"])
        self.assertEqual(second.stdout, BANNER + MENU + "Response invalid \n" + MENU)
        self.assertTrue(second.log.startswith(first.log))
        self.assertSession(second.log[len(first.log):], "")

    def test_end_of_input_at_the_menu_ends_like_choice_three(self):
        run = self.run_vornel([])
        self.assertEqual(run.status, 0)
        self.assertSession(run.log, "")

    def test_log_that_cannot_be_opened_stops_before_the_menu(self):
        os.mkdir(os.path.join(self.workdir, "log.txt"))
        run = self.run_vornel(["3"])
        self.assertEqual(run.status, 1)
        self.assertEqual(run.stdout, BANNER)
        self.assertIn("log.txt", run.stderr)

    def test_leaving_at_the_batch_prompt(self):
        self.write("upload_list.txt", group("127.0.0.2"))
        run = self.run_vornel(["1", "3", ""])
        self.assertEqual(run.status, 1)
        self.assertEqual(run.stdout, BANNER + MENU + batch_prompt("upload", "upload_list.txt") +
                         "\nPress <Enter> to exit.\n")
        self.assertSession(run.log, "")  # no summary, no footer, header written out

    def test_leaving_in_the_entry_dialogue_and_input_ending_there(self):
        quit = self.run_vornel(["2", "127.0.0.2", "admin", "secret", "3"])
        self.assertEqual(quit.status, 1)
        self.assertTrue(quit.stdout.endswith("\tAction: "))
        ended = self.run_vornel(["1", "127.0.0.2"])
        self.assertEqual(ended.status, 1)
        self.assertTrue(ended.stdout.endswith("\tINI filename: "))
        self.assertSession(quit.log, "")
        self.assertSession(ended.log[len(quit.log):], "")

    def test_overlong_batch_value_refuses_its_group_on_stderr_only(self):
        self.write("download_list.txt", group("192.168.100.1001"))
        run = self.run_vornel(["2", "1", "127.0.0.9", "admin", "secret", "3"])
        self.assertEqual(run.status, 1)
        self.assertEqual(run.stderr, "vornel: download_list.txt:1: SystemIP value longer than "
                                     "15 characters; the whole group is ignored\n")
        self.assertNotIn("Running batch", run.stdout)


if __name__ == "__main__":
    main()
