"""What the README and the man pages promise, held against the code, by
names and texts rather than by where the code stands:

- each program's exit statuses against its table of them (an enum class,
  read by its name), with the statuses of the signals (128 + the numbers
  the Windows build names) and of a crash;
- each limit against the constants it comes from, by their names;
- each program line a document quotes against the program's own texts:
  each fixed part of the line must be written by the source's string
  literals as code concatenates them (the end of one, whole ones, the start
  of one).

It fails when a document quotes a status, limit or line the code does not
hold or holds otherwise, when a status of a table or a row below is
documented nowhere, or when the tables it reads are gone; a refactor that
keeps the names and the texts passes.
"""

import ast
import os
import re
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
README = "README.md"
MAN = {"vornel": "docs/vornel.1", "vornel-batch": "docs/vornel-batch.1",
       "vornel-fleet": "docs/vornel-fleet.1", "vornel-shard": "docs/vornel-shard.1"}

# Each program's table of exit statuses: where it stands and its name.
EXIT_TABLES = {
    "vornel": ("src/session/exit_statuses.h", "UtilityExit"),
    "vornel-batch": ("src/session/exit_statuses.h", "BatchExit"),
    "vornel-fleet": ("src/fleet/outcomes.h", "FleetExit"),
}
# The signals that end a run (128 + their number), named as the Windows
# build names the POSIX numbers; the crash's status; the programs each
# documents them for. vornel-fleet (a script) keeps its signals' statuses
# in its traps.
SIGNALS = ("src/platform/windows/interrupt.cc", ["kSigHup", "kSigInt", "kSigTerm"])
CRASH = ("src/platform/windows/interrupt.cc", "kAbortStatus")
CRASHES = {"vornel", "vornel-batch"}
FLEET_SCRIPT = "src/fleet/vornel-fleet.sh"

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

# Every program line the documents quote ({} stands for what varies).
MESSAGES = [
    'vornel: {}:{}: IniFileName value leads out of the working directory; the whole group is ignored',
    'vornel: {}:{}: {}= expected; the group goes on with an empty {}',
    'vornel: {} holds device passwords and can be read by other users; make it yours alone with: chmod 600 {}',
    "vornel: cannot open log.txt: a link owned by another user is on its way (only your own links and root's are followed)",
    "vornel: cannot open log.txt: it belongs to another user (only a log of your own or root's is written)",
    'vornel: cannot open log.txt: it has other names, hard links (only a log of one name is written)',
    "vornel: {} is not read: a link owned by another user is on its way (only your own links and root's are followed)",
    "vornel: {} is not read: it belongs to another user (uid {}), and a run as root reads only root's files (once you trust it: chown root {})",
    'vornel: {} belongs to another user (uid {}), who may change it; it is read all the same (a run as root would refuse it)',
    'vornel: cannot give up privileges ({})',
    'vornel: cannot write log.txt: {}; the log is incomplete from here on',
    'vornel: cannot open an ICMP socket, so every device will look unreachable.',
    'vornel-fleet: {} groups of {} in {} shards, {} at a time, under {}',
    'vornel-fleet: {} groups of {} in {} shards on {} hosts, under {}',
    'vornel-fleet: {} devices, {} OK, {} failed; logs in {}/shard-N/log.txt',
    'vornel-fleet: results in {}/results.csv; the {} to run again in {}/rerun_list.txt',
    'vornel-fleet: {} groups of {} in {} shards and {} waves, {} at a time, under {}',
    'vornel-fleet: {} devices, {} OK, {} failed, {} held back; logs in {}/shard-N/log.txt',
    'vornel-fleet: {} devices, {} ready, {} not ready; logs in {}/shard-N/log.txt',
    'vornel-fleet:     {}  {}',
    'vornel-fleet: stopped: the run stopped when {} of {} devices had failed (--max-fail {}); {} devices held back',
    'vornel-fleet: results in {}/results.csv; the {} to run again in {}/rerun_list.txt; the {} ready devices in {}/ready_list.txt',
    'vornel-fleet: results in {}/results.csv; the {} to run again in {}/rerun_list.txt; the {} devices held back in {}/remaining_list.txt',
    'vornel-fleet: {}/{} devices, {} ok, {} failed, {}, about {} left',
    'vornel-fleet: so far {} worked, {} failed. Start wave {} of {}, {} in {}? [y/N] {}',
    'vornel-fleet: --confirm asks on the terminal, and there is none',
    'vornel-fleet: results in {}/results.csv; nothing to run again',
    'vornel-fleet: archived in {} as commit {}: {} changed, {} unchanged, {} new, {} not fetched',
    'vornel-shard: {} has uncommitted changes (see git -C {} status)',
    'vornel-shard: another run is archiving in {}; waiting up to {} s',
    "vornel-fleet: {} cannot keep the run's history; nothing was run",
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


def enum_values(path, name):
    """The values of an enum class's constants (kName = N), read by its name."""
    body = re.search(r"enum class %s\b[^{]*\{(.*?)\};" % name, read(path), re.S)
    if body is None:
        raise AssertionError(f"{path} no longer defines enum class {name}")
    return {int(n) for n in re.findall(r"\bk\w+\s*=\s*(\d+)\s*,", body.group(1))}


def program_statuses(program):
    if program == "vornel-fleet":
        signals = {int(n) for n in re.findall(r"interrupted=(\d+)", read(FLEET_SCRIPT))}
    else:
        signals = {128 + code_constant(SIGNALS[0], name) for name in SIGNALS[1]}
    crash = {code_constant(*CRASH)} if program in CRASHES else set()
    return enum_values(*EXIT_TABLES[program]) | signals | crash


_ESCAPES = {"n": "\n", "t": "\t", "r": "\r", "\\": "\\", '"': '"', "'": "'", "0": "\0",
            "a": "\a", "e": "\x1b"}


def _unescape(text):
    def one(match):
        code = match.group(1)
        if code.startswith("x"):
            return chr(int(code[1:], 16))
        if code[0] in "01234567" and len(code) > 1:
            return chr(int(code, 8))
        return _ESCAPES.get(code, code)
    return re.sub(r"\\(x[0-9a-fA-F]{2}|[0-7]{3}|.)", one, text)


def literals_of(code, script):
    """The string literals of C++ code (comments and character literals
    passed over; adjacent literals joined) or of a shell script (its
    double-quoted words), escapes undone."""
    texts = []
    at = 0
    run = None  # the literal being joined, while only blanks follow it
    while at < len(code):
        c = code[at]
        if not script and code.startswith('R"', at) and (at == 0 or not code[at - 1].isalnum()):
            # A raw literal (a page's style and script): no message is one.
            open_at = code.index("(", at)
            delimiter = code[at + 2:open_at]
            at = code.index(")" + delimiter + '"', open_at) + len(delimiter) + 2
            continue
        if c == '"':
            end = at + 1
            while end < len(code) and code[end] != '"':
                end += 2 if code[end] == "\\" else 1
            text = _unescape(code[at + 1:end]) if not script else code[at + 1:end]
            run = text if run is None else run + text
            at = end + 1
            continue
        if c in " \t\n" and run is not None:
            at += 1
            continue
        if run is not None:
            texts.append(run)
            run = None
        if not script and code.startswith("//", at):
            end = code.find("\n", at)
            at = len(code) if end < 0 else end
        elif not script and code.startswith("/*", at):
            at = code.find("*/", at) + 2
        elif not script and c == "'":
            end = at + 1
            while end < len(code) and code[end] != "'":
                end += 2 if code[end] == "\\" else 1
            at = end + 1
        elif script and c == "#" and (at == 0 or code[at - 1] in " \t\n"):
            at = code.find("\n", at) if "\n" in code[at:] else len(code)
        elif script and c == "'":
            at = code.find("'", at + 1) + 1
        else:
            at += 1
    if run is not None:
        texts.append(run)
    return texts


def source_texts():
    """Every string literal of the programs' source, format conversions
    (%s, %d, %-15s) and shell variables as breaks between texts."""
    texts = []
    for top, _, files in os.walk(os.path.join(ROOT, "src")):
        for name in files:
            if not name.endswith((".cc", ".h", ".sh")):
                continue
            with open(os.path.join(top, name), encoding="utf-8") as f:
                code = f.read()
            for joined in literals_of(code, name.endswith(".sh")):
                texts += re.split(r"%[-0-9.]*(?:ll|l)?[sdiuz]|\$\{?\w+\}?", joined)
    return [t for t in texts if t]


class SourceTexts:
    """The source's texts, for telling whether a program writes a part of a
    line: the end of one text, whole texts one after another (concatenated,
    or around a format conversion), then the start of one."""

    def __init__(self, texts):
        self.wholes = set(texts)
        self.ends = {t[k:] for t in texts for k in range(len(t))}
        self.starts = {t[:k] for t in texts for k in range(1, len(t) + 1)}
        self.texts = texts

    def write(self, part):
        if not part or any(part in t for t in self.texts):
            return True
        reach = {k for k in range(1, len(part)) if part[:k] in self.ends}
        seen = set()
        while reach:
            at = reach.pop()
            seen.add(at)
            if part[at:] in self.starts:
                return True
            for whole in self.wholes:
                # A text of one letter ("l", "s") is everywhere: only a
                # longer one stands for words between the ends; punctuation
                # and blanks ("; ", " ") may stand alone.
                wordy = any(ch.isalnum() for ch in whole)
                if (len(whole) >= 2 or not wordy) and part.startswith(whole, at) and \
                        at + len(whole) not in seen:
                    if at + len(whole) == len(part):
                        return True
                    reach.add(at + len(whole))
        return False


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
        for program in EXIT_TABLES:
            statuses = program_statuses(program)
            man = section(read(MAN[program]), ".SH EXIT STATUS", ".SH ")
            for where, text in (("README.md", tables[program]), (MAN[program], man)):
                self.assertEqual(doc_statuses(text), statuses, f"{where}: exit statuses of {program}")

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
        patterns = [(message_pattern(m), m) for m in MESSAGES]
        quoted = set()
        for path in [README] + list(MAN.values()):
            for number, line in quoted_program_lines(path):
                matches = [m for pattern, m in patterns if pattern.match(line)]
                self.assertTrue(matches, f"{path}:{number} quotes a line no program writes: "
                                         f"{line!r} (or MESSAGES lacks it)")
                quoted.update(matches)
        texts = SourceTexts(source_texts())
        for message in MESSAGES:
            self.assertIn(message, quoted, f"no document quotes {message!r} any more")
            for part in message.split("{}"):
                self.assertTrue(texts.write(part), f"{message!r}: no program writes {part!r}")


if __name__ == "__main__":
    unittest.main()
