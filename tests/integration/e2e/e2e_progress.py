"""The live line on a real terminal: vornel runs in a tmux pane, so the screen is
what an operator would see. The line must show while the probe and the pauses
wait, and must leave the screen exactly as a run without it (stderr redirected
to a file) leaves it, also when an interrupt ends the run.
"""

import os
import re
import shlex
import shutil
import subprocess
import time

import harness
from harness import BINARY, SIGINT, VornelTest, drop_pings, group, main

if harness.SKIP_REASON is None and shutil.which("tmux") is None:
    harness.SKIP_REASON = "needs tmux (tools/install-deps.sh --test installs it)"
if harness.SKIP_REASON is None and harness.WINDOWS:
    # On a terminal, wine puts a console of its own between the exe and the
    # pane, and that console repaints the screen itself: the pane would show
    # wine's rendering, not what Vornel wrote.
    harness.SKIP_REASON = ("not under wine: wine's console redraws the tmux pane itself; the "
                           "Windows live line is unit-tested")

WIDTH, HEIGHT = 100, 50


class Pane:
    """vornel in a detached pane of a tmux server of its own, its answers on stdin from
    a file, so nothing typed is echoed. A shell around it keeps the exit status in a
    file: the pane's own record of it is not dependable. The shell ignores SIGINT so
    that a Ctrl-C reaches only vornel, which installs its own handler."""

    def __init__(self, workdir, name, answers, stderr_to=None):
        self.dir = os.path.join(workdir, name)
        os.makedirs(self.dir, exist_ok=True)
        with open(os.path.join(self.dir, "answers"), "w") as f:
            f.write("".join(a + "\n" for a in answers))
        self.status_file = os.path.join(self.dir, "status")
        self.tmux = ["tmux", "-S", os.path.join(workdir, name + ".sock"), "-f", "/dev/null"]
        # The shell outlives Ctrl-C to note the status; a trap with a command,
        # not an ignored signal, which vornel would inherit and keep ignoring.
        command = "trap : INT; " + shlex.quote(BINARY) + " <answers"
        if stderr_to:
            command += " 2>" + shlex.quote(stderr_to)
        command += "; echo $? >status; exec sleep 3600"
        subprocess.run(self.tmux + ["new-session", "-d", "-x", str(WIDTH), "-y", str(HEIGHT),
                                    "-c", self.dir, command], check=True)

    def screen(self):
        """The pane's history and screen as lines, trailing blanks dropped."""
        text = subprocess.run(self.tmux + ["capture-pane", "-p", "-S", "-"], check=True,
                              capture_output=True, text=True).stdout
        lines = [line.rstrip() for line in text.split("\n")]
        while lines and not lines[-1]:
            lines.pop()
        return lines

    def status(self):
        """vornel's exit status, or None while it runs."""
        try:
            with open(self.status_file) as f:
                text = f.read()
        except FileNotFoundError:
            return None
        return int(text) if text.endswith("\n") else None

    def final_screen(self):
        """The screen once vornel ended and tmux has drawn all it wrote."""
        deadline = time.monotonic() + 60
        while self.status() is None:
            if time.monotonic() > deadline:
                raise AssertionError("vornel never ended:\n" + "\n".join(self.screen()))
            time.sleep(0.05)
        previous, screen = None, self.screen()
        while screen != previous:
            time.sleep(0.2)
            previous, screen = screen, self.screen()
        return screen

    def send(self, key):
        subprocess.run(self.tmux + ["send-keys", key], check=True)

    def close(self):
        subprocess.run(self.tmux + ["kill-server"], stderr=subprocess.DEVNULL, check=False)


def live_lines(screen):
    return [line for line in screen if re.match(r"(pinging|pausing)", line)]


class LiveLine(VornelTest):

    def setUp(self):
        super().setUp()
        self.panes = []

    def tearDown(self):
        for pane in self.panes:
            pane.close()
        super().tearDown()

    def pane(self, name, answers, files=None, stderr_to=None):
        os.makedirs(os.path.join(self.workdir, name), exist_ok=True)
        for file_name, content in (files or {}).items():
            self.write(os.path.join(name, file_name), content)
        pane = Pane(self.workdir, name, answers, stderr_to)
        self.panes.append(pane)
        return pane

    def watch(self, pane, until=lambda screen: False, timeout=60):
        """Captures the screen every tenth of a second until until(screen) holds or
        vornel ended; returns every live line seen and the last screen."""
        seen = []
        deadline = time.monotonic() + timeout
        while True:
            ended = pane.status() is not None
            screen = pane.screen()
            for line in live_lines(screen):
                if line not in seen:
                    seen.append(line)
            if ended or until(screen):
                return seen, screen
            if time.monotonic() > deadline:
                self.fail("the pane never showed what was awaited:\n" + "\n".join(screen))
            time.sleep(0.1)

    def test_live_line_shows_while_waiting_and_leaves_the_screen_as_without_it(self):
        self.device("127.0.0.2")
        self.device("127.0.0.3")
        drop_pings("127.0.0.3")
        files = {"download_list.txt": group("127.0.0.2") + group("127.0.0.3")}
        answers = ["2", "1", "3"]
        plain = self.pane("redirected", answers, files,
                          stderr_to=os.path.join(self.workdir, "redirected.err"))
        live = self.pane("terminal", answers, files)

        seen, _ = self.watch(live)
        screen = live.final_screen()
        self.assertEqual(live.status(), 0, "\n".join(screen))
        countdown = [line for line in seen if line.startswith("pausing: ")]
        counts = [line for line in seen if line.startswith("pinging 127.0.0.3: 0 of 20 answered")]
        # The pause after the download counts down; the silent device's misses add up.
        self.assertGreaterEqual(len(countdown), 2, seen)
        self.assertTrue(set(countdown) <= {"pausing: 3 s", "pausing: 2 s", "pausing: 1 s"}, seen)
        self.assertGreaterEqual(len(counts), 3, seen)
        self.assertIn("pinging 127.0.0.3: 0 of 20 answered, 9 of 10 missed", counts)

        expected = plain.final_screen()
        self.assertEqual(plain.status(), 0)
        self.assertEqual(self.read("redirected.err"), b"")
        self.assertIn("\tTesting connection                   ... ERROR: 127.0.0.3 no response "
                      "to ping.".expandtabs(), expected)
        self.assertEqual(screen, expected)

    def test_a_live_line_on_screen_when_interrupted_is_taken_down(self):
        self.device("127.0.0.2")
        self.device("127.0.0.3")
        drop_pings("127.0.0.3")
        pausing = self.pane("pause", ["2", "127.0.0.2", "admin", "secret", "1", "3"])
        probing = self.pane("probe", ["2", "127.0.0.3", "admin", "secret", "1", "3"])
        for pane, live_text, last_text in (  # the live line and the text above it
                (pausing, "pausing: ", "\tINI download                       Successful"),
                (probing, "pinging 127.0.0.3", "\tTesting connection")):
            _, screen = self.watch(pane, lambda screen: any(
                line.startswith(live_text) for line in screen))
            # The line sits below the text it explains, which stays untouched.
            below = screen.index(next(line for line in screen if line.startswith(live_text)))
            above = [line for line in screen[:below] if line]
            self.assertEqual(above[-1], last_text.expandtabs())
            sent = time.monotonic()
            pane.send("C-c")
            while pane.status() is None and time.monotonic() - sent < 10:
                time.sleep(0.05)
            # Well inside the 3 s pause and the 10 s probe it cuts short, with room
            # for a loaded machine and a sanitized binary.
            self.assertLess(time.monotonic() - sent, 2.5, "\n".join(pane.screen()))
            self.assertEqual(pane.status(), SIGINT + 128)
            # What the terminal echoed for the key ("^C") stays on the cursor's row;
            # everything below it, the live line's row, is blank again.
            after = pane.final_screen()
            self.assertEqual(live_lines(after), [], "\n".join(after))
            self.assertEqual(len(after), below, "\n".join(after))
            self.assertEqual(after[:below - 1], screen[:below - 1])
            self.assertEqual(after[below - 1].replace("^C", "").rstrip(), screen[below - 1])


if __name__ == "__main__":
    main()
