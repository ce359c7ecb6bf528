"""What the README and the man pages promise, held against the code.

The tables below are the one place where a documented exit status, limit or
program line is written down, each with the place in the source that keeps
it. The test reads the documents and the source and fails when a document
quotes a status, limit or line the tables do not hold, when a document's
value differs from the code's, when the source no longer holds what a row
says, or when no document quotes a row any more.
"""

import ast
import os
import re
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
README = "README.md"
MAN = {"vornel": "docs/vornel.1", "vornel-batch": "docs/vornel-batch.1",
       "vornel-fleet": "docs/vornel-fleet.1", "vornel-shard": "docs/vornel-shard.1"}

# Exit statuses of each program, and what in the source makes each one.
STATUSES = {
    "vornel": {
        0: [("src/session/exit_statuses.h", "kLeftAtMenu = 0,"),
            ("src/session/driver.cc", "return exit_status(UtilityExit::kLeftAtMenu);")],
        1: [("src/session/exit_statuses.h", "kLeftInPass = 1,"),
            ("src/session/exit_statuses.h", "kNoLog = 1,"),
            ("src/session/driver.cc", "return exit_status(UtilityExit::kNoLog);")],
        129: [("src/platform/posix/interrupt.cc", "catch_unless_ignored(SIGHUP"),
              ("src/platform/windows/interrupt.cc", "kSigHup = 1;")],
        130: [("src/platform/posix/interrupt.cc", "catch_unless_ignored(SIGINT"),
              ("src/platform/windows/interrupt.cc", "kSigInt = 2;")],
        143: [("src/platform/posix/interrupt.cc", "sigaction(SIGTERM"),
              ("src/platform/windows/interrupt.cc", "kSigTerm = 15;")],
        134: [("src/platform/windows/interrupt.cc", "kAbortStatus = 134;")],
    },
    "vornel-batch": {
        0: [("src/session/exit_statuses.h", "kAllOk = 0,")],
        1: [("src/session/exit_statuses.h", "kSomeFailed = 1,")],
        2: [("src/session/exit_statuses.h", "kNothingRun = 2,")],
        3: [("src/session/exit_statuses.h", "kStopped = 3,")],
        129: [("src/session/batch.cc", "return exit_status_after_signal(signal_number);"),
              ("src/session/exit_statuses.h", "return 128 + signal_number;")],
        130: [("src/session/batch.cc", "return exit_status_after_signal(signal_number);"),
              ("src/session/exit_statuses.h", "return 128 + signal_number;")],
        143: [("src/session/batch.cc", "return exit_status_after_signal(signal_number);"),
              ("src/session/exit_statuses.h", "return 128 + signal_number;")],
        134: [("src/platform/windows/interrupt.cc", "kAbortStatus = 134;")],
    },
    "vornel-fleet": {
        0: [("src/fleet/outcomes.h", "kAllOk = 0,")],
        1: [("src/fleet/outcomes.h", "kSomeFailed = 1,")],
        2: [("src/fleet/outcomes.h", "kUsage = 2,")],
        3: [("src/fleet/outcomes.h", "kAbnormal = 3,")],
        4: [("src/fleet/outcomes.h", "kHostLost = 4,")],
        5: [("src/fleet/outcomes.h", "kNotArchived = 5,")],
        6: [("src/fleet/outcomes.h", "kStopped = 6,")],
        129: [("src/fleet/vornel-fleet.sh", "interrupted=129")],
        130: [("src/fleet/vornel-fleet.sh", "interrupted=130")],
        143: [("src/fleet/vornel-fleet.sh", "interrupted=143")],
    },
}
# The process-wide exit in 128 + signal that the statuses above rest on.
SIGNAL_EXITS = [("src/platform/posix/interrupt.cc", "std::exit(128 + signal_number)"),
                ("src/platform/windows/interrupt.cc", "std::exit(128 + signal_number)")]

# The time-out table of the README and vornel(1): the row's label, what the
# documents say, and what that must be by the code's constants.
CONSTANTS = {
    "src/ftp/timeouts.h": ["kFtpConnectTimeoutMs", "kFtpReplyTimeoutMs", "kFtpStallTimeoutMs",
                           "kFtpListingTimeoutMs", "kFtpTransferTimeoutMs"],
    "src/ftp/curl_client.cc": ["kMaxListingBytes", "kMaxDownloadBytes"],
    "src/device/probe.h": ["kAnswersNeeded", "kEchoTimeoutMs", "kProbeFailureLimit"],
    "src/session/passes.h": ["kAfterDownloadPauseMs"],
    "src/device/transfer.h": ["kFailedTransferPauseMs"],
}
LIMITS = [
    ("FTP connection and login", "10 s", "kFtpConnectTimeoutMs / 1000"),
    ("FTP reply", "30 s", "kFtpReplyTimeoutMs / 1000"),
    ("FTP data", "30 s", "kFtpStallTimeoutMs / 1000"),
    ("FTP listing", "60 s", "kFtpListingTimeoutMs / 1000"),
    ("FTP listing", "4 MiB", "kMaxListingBytes / 2**20"),
    ("FTP transfer", "120 s", "kFtpTransferTimeoutMs / 1000"),
    ("FTP transfer", "256 MiB", "kMaxDownloadBytes / 2**20"),
    ("ICMP echo", "1 s per request", "kEchoTimeoutMs / 1000"),
    ("ICMP echo", "29 requests", "kAnswersNeeded + kProbeFailureLimit - 1"),
    ("after a failed upload, or a failed download login", "15 s", "kFailedTransferPauseMs / 1000"),
    ("after each successful download", "3 s", "kAfterDownloadPauseMs / 1000"),
]

# Every program line the documents quote ({} stands for what varies), and the
# source that writes its fixed parts.
MESSAGES = [
    ("vornel: {}:{}: IniFileName value leads out of the working directory; the whole group is "
     "ignored", [("src/targets/target_list.cc", '"value "'),
                 ("src/targets/target_list.cc", "; the whole group is ignored"),
                 ("src/base/local_name.cc", '"leads out of the working directory"')]),
    ("vornel: {}:{}: {}= expected; the group goes on with an empty {}",
     [("src/targets/target_list.cc", '"= expected; the group goes on with an empty "')]),
    ("vornel: {} holds device passwords and can be read by other users; make it yours alone "
     "with: chmod 600 {}", [("src/session/target_list_builder.cc", " holds device passwords and "
                             "can be read by other users; ")]),
    ("vornel: cannot open log.txt: a link owned by another user is on its way (only your own "
     "links and root's are followed)",
     [("src/session/driver.cc", '"vornel: cannot open "'),
      ("src/platform/posix/trusted_path.h", "a link owned by another user is on its way (only "
       "your own links and root's are followed)")]),
    ("vornel: cannot open log.txt: it belongs to another user (only a log of your own or root's "
     "is written)",
     [("src/platform/posix/append_file.cc", "it belongs to another user (only a log of your own "
       "or root's is written)")]),
    ("vornel: cannot open log.txt: it has other names, hard links (only a log of one name is "
     "written)",
     [("src/platform/posix/append_file.cc", "it has other names, hard links (only a log of one "
       "name is written)")]),
    ("vornel: {} is not read: a link owned by another user is on its way (only your own links "
     "and root's are followed)",
     [("src/device/local_file.cc", '"vornel: " + notice'),
      ("src/platform/posix/local_files.cc", '" is not read: " + error')]),
    ("vornel: {} is not read: it belongs to another user (uid {}), and a run as root reads only "
     "root's files (once you trust it: chown root {})",
     [("src/platform/posix/local_files.cc", '" is not read: it belongs to another user"'),
      ("src/platform/posix/local_files.cc", '" (uid " + std::to_string(info.st_uid) + ")"'),
      ("src/platform/posix/local_files.cc", '", and a run as root reads only root\'s files (once '
       'you trust it: chown root "')]),
    ("vornel: {} belongs to another user (uid {}), who may change it; it is read all the same (a "
     "run as root would refuse it)",
     [("src/platform/posix/local_files.cc", '" belongs to another user" + owner'),
      ("src/platform/posix/local_files.cc", '", who may change it; it is read all the same (a '
       'run as root would refuse it)"')]),
    ("vornel: cannot give up privileges ({})",
     [("src/platform/posix/system.cc", '"%s: cannot give up privileges (%s)\\n"')]),
    ("vornel: cannot write log.txt: {}; the log is incomplete from here on",
     [("src/report/watched_log.cc", '"vornel: cannot write "'),
      ("src/report/watched_log.cc", '"; the log is incomplete from here on\\n"')]),
    ("vornel: cannot open an ICMP socket, so every device will look unreachable.",
     [("src/device/probe.cc", "vornel: cannot open an ICMP socket, so every device will look "
       "unreachable.\\n")]),
    ("vornel-fleet: {} groups of {} in {} shards, {} at a time, under {}",
     [("src/fleet/start_command.cc", '" groups of "'),
      ("src/fleet/start_command.cc", '" at a time"'),
      ("src/fleet/start_command.cc", '"vornel-fleet: %s, under %s\\n%s\\n"')]),
    ("vornel-fleet: {} groups of {} in {} shards on {} hosts, under {}",
     [("src/fleet/start_command.cc", '" hosts"')]),
    ("vornel-fleet: {} devices, {} OK, {} failed; logs in {}/shard-N/log.txt",
     [("src/fleet/fleet_files.cc", '" failed"'), ("src/fleet/fleet_files.cc", '"; logs in "'),
      ("src/fleet/layout.h", 'kShardPrefix[] = "shard-"'),
      ("src/fleet/layout.h", 'kShardLog[] = "log.txt"')]),
    ("vornel-fleet: results in {}/results.csv; the {} to run again in {}/rerun_list.txt",
     [("src/fleet/outcomes_command.cc", '"vornel-fleet: results in %s/%s%s\\n"'),
      ("src/fleet/outcomes_command.cc", '"devices to run again in "'),
      ("src/fleet/outcomes_command.cc", '"the device to run again in "')]),
    ("vornel-fleet: {} groups of {} in {} shards and {} waves, {} at a time, under {}",
     [("src/fleet/start_command.cc", '" and " + std::to_string(cut.waves) + " waves"')]),
    ("vornel-fleet: {} devices, {} OK, {} failed, {} held back; logs in {}/shard-N/log.txt",
     [("src/fleet/fleet_files.cc", '" held back"'), ("src/fleet/fleet_files.cc", '"; logs in "')]),
    ("vornel-fleet: {} devices, {} ready, {} not ready; logs in {}/shard-N/log.txt",
     [("src/fleet/fleet_files.cc", '" ready, "'), ("src/fleet/fleet_files.cc", '" not ready"')]),
    ("vornel-fleet:     {}  {}",
     [("src/fleet/fleet_files.cc", '"vornel-fleet: %5d  "')]),
    ("vornel-fleet: stopped: the run stopped when {} of {} devices had failed (--max-fail {}); {} "
     "devices held back",
     [("src/fleet/outcomes_command.cc", '"vornel-fleet: stopped: %s; %d %s held back\\n"'),
      ("src/fleet/watch_command.cc", '"the run stopped when "'),
      ("src/fleet/watch_command.cc", '" devices had failed (--max-fail "')]),
    ("vornel-fleet: results in {}/results.csv; the {} to run again in {}/rerun_list.txt; the {} "
     "ready devices in {}/ready_list.txt",
     [("src/fleet/outcomes_command.cc", '"ready devices in "'),
      ("src/fleet/layout.h", 'kReadyFile[] = "ready_list.txt"')]),
    ("vornel-fleet: results in {}/results.csv; the {} to run again in {}/rerun_list.txt; the {} "
     "devices held back in {}/remaining_list.txt",
     [("src/fleet/outcomes_command.cc", '"devices held back in "'),
      ("src/fleet/layout.h", 'kRemainingFile[] = "remaining_list.txt"')]),
    ("vornel-fleet: {}/{} devices, {} ok, {} failed, {}, about {} left",
     [("src/fleet/watch_command.cc", '" devices, " + std::to_string(good) + " ok, "'),
      ("src/fleet/watch_command.cc", '", about " + clock_text(left) + " left"')]),
    ("vornel-fleet: so far {} worked, {} failed. Start wave {} of {}, {} in {}? [y/N] {}",
     [("src/fleet/round_command.cc", '"vornel-fleet: so far "'),
      ("src/fleet/round_command.cc", '" failed. Start wave "'),
      ("src/fleet/round_command.cc", '"? [y/N] "')]),
    ("vornel-fleet: --confirm asks on the terminal, and there is none",
     [("src/fleet/start_command.cc", '"--confirm asks on the terminal, and there is none"')]),
    ("vornel-fleet: results in {}/results.csv; nothing to run again",
     [("src/fleet/outcomes_command.cc", '"; nothing to run again"')]),
    ("vornel-fleet: archived in {} as commit {}: {} changed, {} unchanged, {} new, {} not fetched",
     [("src/fleet/archive_command.cc", '"vornel-fleet: archived in "'),
      ("src/fleet/archive_command.cc", '" as commit "'),
      ("src/fleet/archive_command.cc", '" changed, "'), ("src/fleet/archive_command.cc", '" new, "'),
      ("src/fleet/archive_command.cc", '" unchanged, "'),
      ("src/fleet/archive_command.cc", '" not fetched"')]),
    ("vornel-shard: {} has uncommitted changes (see git -C {} status)",
     [("src/fleet/commands.h", '"vornel-shard: %s\\n"'),
      ("src/archive/archive.cc", '"has uncommitted changes (see git -C "')]),
    ("vornel-shard: another run is archiving in {}; waiting up to {} s",
     [("src/archive/archive.cc", '"vornel-shard: another run is archiving in %s; waiting up to %u s\\n"'),
      ("src/archive/archive.h", "kArchiveLockWaitMs = 60'000;")]),
    ("vornel-fleet: {} cannot keep the run's history; nothing was run",
     [("src/fleet/start_command.cc", '" cannot keep the run\'s history; nothing was run"')]),
]
PROGRAM_LINE = re.compile(r"^(vornel(?:-batch|-fleet|-shard)?): ")


def read(path):
    with open(os.path.join(ROOT, path), encoding="utf-8") as f:
        return f.read()


def roff_text(text):
    """A man page's words as a reader sees them, roughly: escapes undone."""
    return text.replace("\\-", "-").replace("\\e", "\\").replace("\\(bu", "")


def code_constant(path, name):
    match = re.search(r"\b%s\s*=\s*([^;]+);" % name, read(path))
    if match is None:
        raise AssertionError(f"{path} no longer defines {name}")
    # 10'000, curl_off_t{4} << 20, 1000u: the number as C++ reads it.
    expression = re.sub(r"\b\w+\{(\w+)\}", r"\1", match.group(1)).replace("'", "")
    expression = re.sub(r"\b(\d+)[uUlL]+\b", r"\1", expression)
    return eval(compile(ast.parse(expression, mode="eval"), path, "eval"), {"__builtins__": {}})


def doc_statuses(text):
    """The statuses a README table's first column or a man page's .TP tags list."""
    tags = re.findall(r"^\| ([\d, ]+) \|", text, re.M)
    tags += re.findall(r"^\.TP\n\.BR? ([^\n]+)$", text, re.M)
    return {int(n) for tag in tags for n in re.findall(r"\d+", tag)}


def section(text, start, end):
    at = text.index(start)
    stop = text.find(end, at + len(start))
    return text[at:stop if stop >= 0 else len(text)]


def quoted_program_lines(path):
    """(line number, text) of every program line a document quotes."""
    text = read(path)
    if path.endswith(".1"):
        text = roff_text(text)
    found = []
    for number, line in enumerate(text.splitlines(), 1):
        candidates = re.findall(r"`([^`]+)`", line) + [line.strip()]
        found += [(number, c) for c in candidates if PROGRAM_LINE.match(c)]
    return found


def message_pattern(message):
    return re.compile("^" + ".+?".join(re.escape(part) for part in message.split("{}")) + "$")


class Claims(unittest.TestCase):

    def test_exit_statuses_are_the_programs(self):
        readme = read(README)
        tables = {
            "vornel": section(readme, "## Exit statuses", "\n## "),
            "vornel-batch": section(readme, "| 0 | every device ok (or, for a preflight, ready) |",
                                    "\n\n"),
            "vornel-fleet": section(readme, "| 0 | every device succeeded |", "\n\n"),
        }
        for program, statuses in STATUSES.items():
            man = section(read(MAN[program]), ".SH EXIT STATUS", ".SH ")
            for where, text in (("README.md", tables[program]), (MAN[program], man)):
                listed = doc_statuses(text)
                self.assertEqual(listed, set(statuses), f"{where}: exit statuses of {program}")
            for status, sources in statuses.items():
                for path, fragment in sources:
                    self.assertIn(fragment, read(path), f"{program} status {status}: {path}")
        for path, fragment in SIGNAL_EXITS:
            self.assertIn(fragment, read(path), path)

    def test_limits_are_the_codes(self):
        values = {}
        for path, names in CONSTANTS.items():
            values.update({name: code_constant(path, name) for name in names})
        readme = read(README)
        man = roff_text(read(MAN["vornel"]))
        for label, said, expression in LIMITS:
            number = float(said.split()[0])
            self.assertEqual(number, eval(expression, {"__builtins__": {}}, values),
                             f"{label}: the docs say {said}, the code {expression}")
            row = re.search(r"^\| %s \|([^\n]*)$" % re.escape(label), readme, re.M)
            self.assertIsNotNone(row, f"README.md has no time-out row {label!r}")
            self.assertIn(said, row.group(1), f"README.md, {label}")
            entry = re.search(r"^\.TP\n%s\n(.*?)(?=^\.(?:TP|SH))" % re.escape(label), man,
                              re.M | re.S)
            self.assertIsNotNone(entry, f"vornel.1 has no time-out entry {label!r}")
            self.assertIn(said, " ".join(entry.group(1).split()), f"vornel.1, {label}")

    def test_quoted_program_lines_are_the_programs(self):
        patterns = [(message_pattern(m), m) for m, _ in MESSAGES]
        quoted = set()
        for path in [README] + list(MAN.values()):
            for number, line in quoted_program_lines(path):
                matches = [m for pattern, m in patterns if pattern.match(line)]
                self.assertTrue(matches, f"{path}:{number} quotes a line no program writes: "
                                         f"{line!r} (or MESSAGES lacks it)")
                quoted.update(matches)
        for message, sources in MESSAGES:
            self.assertIn(message, quoted, f"no document quotes {message!r} any more")
            for path, fragment in sources:
                self.assertIn(fragment, read(path), f"{message!r}: {path}")


if __name__ == "__main__":
    unittest.main()
