#!/usr/bin/python3
"""FTP commands a device receives per session, by name: Vornel's firmware
check, upload and download against curl's command line doing the same
transfer. Goal: nothing the work does not need (one TYPE, no CWD for names
in the login directory) and never more commands than curl sends.

    bench/run.sh ftp_commands
"""

import os
import subprocess

import benchlib as b

ADDRESS = "127.0.0.2"
CREDENTIALS = "admin:secret"
CURL = {
    "check": ["curl", "-s", "--list-only", "-u", CREDENTIALS, f"ftp://{ADDRESS}/",
              "-o", "foundfir.txt"],
    "upload": ["curl", "-s", "-T", "site.ini", "-u", CREDENTIALS, f"ftp://{ADDRESS}/"],
    "download": ["curl", "-s", "-u", CREDENTIALS, f"ftp://{ADDRESS}/config.ini",
                 "-o", "config.ini"],
}


def sessions(log_path):
    """{connection number: [command names]} from a device's command log."""
    result = {}
    with open(log_path) as f:
        for line in f:
            number, text = line.rstrip("\n").split(" ", 1)
            if text.startswith("*"):
                continue
            words = text.split(" ")
            # "TYPE A" and "TYPE I" differ in what they ask for; keep the type.
            name = " ".join(words[:2]) if words[0] == "TYPE" else words[0]
            result.setdefault(int(number), []).append(name)
    return [result[k] for k in sorted(result)]


def main():
    b.enter_namespace()
    root = b.scratch("vornel-bench-commands-")
    fleet = b.Fleet(os.path.join(root, "devices"), [ADDRESS])
    log = fleet.command_log(ADDRESS)
    try:
        work = os.path.join(root, "work")
        os.makedirs(work)
        with open(os.path.join(work, "site.ini"), "w") as f:
            f.write("[Network]\r\nDHCP=0\r\n")
        for name in ("upload_list.txt", "download_list.txt"):
            with open(os.path.join(work, name), "w") as f:
                f.write(b.group(ADDRESS))
        _, done = b.run_vornel(work, ["1", "1", "2", "1"])
        if done.returncode != 0 or done.stdout.count(b"No errors detected") != 2:
            b.fail("vornel: " + done.stdout.decode()[-800:])
        vornel_sessions = sessions(log)
        if len(vornel_sessions) != 4:
            b.fail(f"expected 4 sessions from vornel, saw {vornel_sessions}")
        vornel = {"check": vornel_sessions[0], "upload": vornel_sessions[1],
                  "download": vornel_sessions[3]}
        if vornel_sessions[2] != vornel["check"]:
            b.fail(f"the download pass's check differs: {vornel_sessions[2]}")
        curl = {}
        for kind, args in CURL.items():
            before = len(sessions(log))
            subprocess.run(args, cwd=work, check=True)
            curl[kind] = sessions(log)[before]
    finally:
        fleet.stop()
        b.remove(root)

    print("FTP commands per session (as the device received them)")
    all_met = True
    for kind in ("check", "upload", "download"):
        ours, theirs = vornel[kind], curl[kind]
        types = sum(c.startswith("TYPE") for c in ours)
        met = len(ours) <= len(theirs) and types == 1 and "CWD" not in ours
        all_met = all_met and met
        print(f"  {kind:8} vornel {len(ours):2}: {', '.join(ours)}")
        print(f"  {'':8} curl   {len(theirs):2}: {', '.join(theirs)}")
        print(f"  {'':8} one TYPE, no CWD, at most curl's count: {b.verdict(met)}")
    print("  curl command lines: " + " | ".join(" ".join(a) for a in CURL.values()))
    if not all_met:
        raise SystemExit(1)


if __name__ == "__main__":
    main()
