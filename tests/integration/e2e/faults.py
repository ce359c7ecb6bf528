"""Transcript pieces and checks shared by the fault and bad-input tests."""

import os
import re

from harness import CLOSING

CHECK = "\n\tChecking for INI support           "
PROBE_OK = "\tTesting connection                 Successful \n"
LOGIN_OK = "\tLogging in                         Successful \n"
DOWNLOADED = "\tINI download                       Successful\n"
DOWNLOAD_FAILED = "\tINI file download failed.\n"
PROBLEM = "\n\tProblem accessing version information, \n\tsee log for details \n"
LOGIN_UNSUCCESSFUL = ("ERROR! Login unsuccessful.\n"
                      "\tMake sure the platform is on the network.\n\n")
NO_LISTING = "File foundfir.txt doesn't exist\n"
CONFIG_NOTE = "\n\tDetected config.ini file,\n\tsaved new config file(s) as [ipaddress].ini\n"

REASONS = {  # status: (console, log)
    2: ("  Could not download INI File due to an FTP error.\n",) * 2,
    4: ("  Could not log into the FTP server.\n", "  Could not log in to FTP server.\n"),
    6: ("  Does not support INI files.\n",) * 2,
}


def download_steps(ip, outcome, ini="config.ini", sizes=None):
    """(console, log) of one download target.

    outcome: "fetched", "fetch failed", "no login" (the check's login
    failed), "no listing", "old firmware". sizes: (announced, received) of a
    fetch that failed because its stream did not match the announced size;
    the log says both.
    """
    head = f"\n\tDownloading {ini}    from     {ip}" + CHECK
    if outcome == "no login":
        return head + PROBLEM, head + LOGIN_UNSUCCESSFUL
    if outcome == "no listing":
        return head + PROBLEM, head + NO_LISTING
    if outcome == "old firmware":
        return (head + "Error, INI files not supported \n",
                head + "\tError, INI files not supported \n")
    steps = head + "Successful\n" + PROBE_OK + LOGIN_OK
    steps += DOWNLOADED if outcome == "fetched" else DOWNLOAD_FAILED
    if sizes:
        return steps, steps + "\tconfig.ini: %d bytes announced, %d received.\n" % sizes
    return steps, steps


def summary(failures, note=False, count=None):
    """(console, log) of a summary; failures: this pass's [(ip, status)];
    count: the failures of the whole run, when earlier passes had some."""
    console = log = "\n  ** Summary **\n"
    if note:
        log += CONFIG_NOTE
    n = len(failures) if count is None else count
    if n == 0:
        console += "\n\tNo errors detected during this session.\n"
        log += "\n\tNo errors detected during this session.\n"
    elif n == 1:
        console += "\n\tThere was 1 failure logged this session.\n"
        log += "\n\tThere was 1 failure logged this session.\n"
    else:
        console += f"\n\tThere were {n} failures logged this session.\n"
        log += f"\n\tThere were {n} failures.\n"
    for ip, status in failures:
        console += f"\t{ip}: " + REASONS[status][0]
        log += f"\t{ip}: " + REASONS[status][1]
    return console + CLOSING, log


CONTROL = re.compile(r"[\x00-\x08\x0b-\x1f\x7f]")


def control_characters(text):
    """The control characters in text other than tab and newline."""
    return CONTROL.findall(text)


def temporaries(directory):
    """Names only an unfinished download leaves."""
    return [n for n in os.listdir(directory) if n.startswith(".vornel-") or n.endswith(".part")]




def upload_steps(ini, ip):
    """(console, log) of one upload that went through."""
    head = (f"\n\tUploading {ini}      to       {ip}" + CHECK + "Successful\n"
            "\tChecking file                      Successful \n"
            "\tTesting connection                 Successful\n" + LOGIN_OK +
            "\tLoading configuration              ")
    done = "\tINI upload                         Successful\n"
    return head + "Successful\n" + done, head + "Successful \n" + done


def download_dialogue(ip, user="admin", password="secret"):
    """The answers that download from one typed-in device."""
    return ["2", ip, user, password, "1"]
