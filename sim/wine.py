"""Runs the Windows build (vornel.exe) under wine for tests and benchmarks.

A wine server serves one prefix, and the sockets of every program it runs
belong to the network namespace the server was started in. So a test module
working in a network namespace of its own needs a prefix and a server of its
own, started in there: private_prefix() makes a hard-linked copy of a ready
prefix, its registry files copied (some hundredths of a second; making one
from nothing takes seconds) and points WINEPREFIX at it, and tools/wine-run
starts its server on the first run. The server is stopped and the copy
removed when the process ends.
"""

import atexit
import fcntl
import os
import shutil
import subprocess
import tempfile

SOURCE_DIR = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
WINE_RUN = os.path.join(SOURCE_DIR, "tools", "wine-run")
WINESERVER = "/usr/lib/wine/wineserver64"
CACHE = os.path.join(os.environ.get("XDG_CACHE_HOME") or os.path.expanduser("~/.cache"),
                     "vornel")
TEMPLATE = os.path.join(CACHE, "wine-ready")
# Debian's wine keeps, in the prefix, the name of the directory in /tmp that
# holds its server's socket: a copy must get a server of its own.
SERVER_NOTE = "wineserver"


def is_windows_binary(path):
    return path.lower().endswith(".exe")


def command(binary):
    """The argument vector that runs binary: under wine for a Windows one."""
    return [WINE_RUN, binary] if is_windows_binary(binary) else [binary]


def _stop_server(prefix):
    env = dict(os.environ, WINEPREFIX=prefix)
    subprocess.run([WINESERVER, "-k"], env=env, stderr=subprocess.DEVNULL, check=False)
    subprocess.run([WINESERVER, "-w"], env=env, stderr=subprocess.DEVNULL, check=False)


def _server_directory(prefix):
    try:
        with open(os.path.join(prefix, SERVER_NOTE)) as f:
            name = f.read().strip()
    except OSError:
        return None
    if not name or "/" in name or not name.startswith("wine-"):
        return None
    return os.path.join(tempfile.gettempdir(), name)


def ready_template():
    """A prefix made once (wine booted in it, its server stopped so that the
    registry is on disk), shared by every test; made under a lock."""
    os.makedirs(CACHE, exist_ok=True)
    ready = os.path.join(TEMPLATE, ".vornel-ready")
    # Not the lock tools/wine-run takes for the prefix ("PREFIX.lock").
    with open(TEMPLATE + ".making", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if not os.path.exists(ready):
            shutil.rmtree(TEMPLATE, ignore_errors=True)
            env = dict(os.environ, WINEPREFIX=TEMPLATE)
            subprocess.run([WINE_RUN, "cmd.exe", "/c", "exit", "0"], env=env,
                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, check=True, pass_fds=())
            _stop_server(TEMPLATE)
            server_dir = _server_directory(TEMPLATE)
            if server_dir:
                shutil.rmtree(server_dir, ignore_errors=True)
            try:
                os.remove(os.path.join(TEMPLATE, SERVER_NOTE))
            except FileNotFoundError:
                pass
            open(ready, "w").close()
    return TEMPLATE


def private_prefix():
    """Gives this process (and its children) a prefix of its own; call it
    inside the network namespace the programs are to use."""
    template = ready_template()
    base = tempfile.mkdtemp(prefix="vornel-wine-")
    prefix = os.path.join(base, "prefix")
    subprocess.run(["cp", "-al", template, prefix], check=True)
    # The server rewrites the registry files in place: through a hard link it
    # would write the template's, and those of every other copy.
    for name in os.listdir(prefix):
        if name.endswith(".reg"):
            path = os.path.join(prefix, name)
            shutil.copy2(path, path + ".copy")
            os.replace(path + ".copy", path)
    os.environ["WINEPREFIX"] = prefix

    def remove():
        _stop_server(prefix)
        server_dir = _server_directory(prefix)
        if server_dir:
            shutil.rmtree(server_dir, ignore_errors=True)
        shutil.rmtree(base, ignore_errors=True)

    atexit.register(remove)
    return prefix
