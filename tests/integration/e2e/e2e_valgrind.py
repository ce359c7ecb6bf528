"""One whole session, an upload and a download, under valgrind memcheck: no
invalid access, no use of uninitialised memory, no leak."""

import os
import shutil
import subprocess

from faults import download_steps, summary, upload_steps
import harness
from harness import BINARY, RULE, VornelTest, main

VALGRIND = shutil.which("valgrind")
if harness.SKIP_REASON is None and harness.WINDOWS:
    harness.SKIP_REASON = ("not under wine: memcheck would check wine's loader and Windows "
                           "emulation, not vornel.exe; the Linux build runs it")


def sanitized(binary):
    """True for a build with AddressSanitizer, which valgrind cannot run."""
    with open(binary, "rb") as f:
        return b"__asan_init" in f.read()


class Memcheck(VornelTest):

    def setUp(self):
        super().setUp()
        if VALGRIND is None:
            self.skipTest("valgrind is not installed (tools/install-deps.sh --test installs it)")
        if sanitized(BINARY):
            self.skipTest("this build runs under AddressSanitizer; the normal build runs valgrind")

    def test_upload_and_download_session_is_clean(self):
        device = self.device("127.0.0.2")
        self.write("site.ini", b"[Network]\r\nDHCP=0\r\n" + bytes(range(256)))
        report = os.path.join(self.workdir, "..", os.path.basename(self.workdir) + ".memcheck")
        answers = ["1", "127.0.0.2", "site.ini", "admin", "secret", "1",
                   "2", "127.0.0.2", "admin", "secret", "1", "3"]
        process = subprocess.Popen(
            [VALGRIND, "--error-exitcode=99", "--leak-check=full",
             "--errors-for-leak-kinds=definite,indirect", "--track-origins=yes",
             f"--log-file={report}", BINARY],
            cwd=self.workdir, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
            stderr=subprocess.PIPE)
        stdout, stderr = process.communicate("".join(a + "\n" for a in answers).encode(),
                                             timeout=240)
        with open(report) as f:
            memcheck = f.read()
        os.remove(report)
        self.assertEqual(process.returncode, 0, memcheck)
        self.assertIn("ERROR SUMMARY: 0 errors", memcheck)
        run = self.finish(process, stdout, stderr)
        uploaded = upload_steps("site.ini", "127.0.0.2")
        fetched = download_steps("127.0.0.2", "fetched")
        self.assertSession(run.log, uploaded[1] + summary([])[1] + RULE +
                           fetched[1] + summary([])[1] + RULE)
        self.assertEqual(self.read("config.ini"), device.file("config.ini"))
        self.assertEqual(device.file("site.ini"), self.read("site.ini"))


if __name__ == "__main__":
    main()
