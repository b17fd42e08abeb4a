"""A read-only log file from an earlier run: the scan still runs to its end,
the "Saving Error" box appears once, the old log stays byte for byte and no
temporary file is left beside it."""

import contextlib
import os
import stat
import subprocess

import expected
from scenarios.common import exit_program, list_items, progress, start_program

FOLDER = "C:\\DiziTarvix"
LOG_FILE = FOLDER + "\\DiziTarvix_Log.txt"
OLD_LOG = b"  An earlier run's log\r\n[ kept as it was ]\r\n"


class CannotRunHere(Exception):
    exit_code = 77


@contextlib.contextmanager
def read_only(path):
    """Makes a file read-only. Wine shows a file without write permission as
    read-only, but leaves enforcing it to the host, and the host lets root
    write and replace anything; there the file is also made immutable, which
    refuses what Windows refuses for a read-only file."""
    os.chmod(path, stat.S_IRUSR | stat.S_IRGRP | stat.S_IROTH)
    immutable = os.geteuid() == 0
    if immutable and subprocess.run(["chattr", "+i", path], stderr=subprocess.DEVNULL).returncode:
        raise CannotRunHere("cannot make a file unwritable for root here (chattr +i failed)")
    try:
        yield
    finally:
        if immutable:
            subprocess.run(["chattr", "-i", path])


def run(machine, checks):
    machine.install_program(FOLDER, recorded=("kill.exe", "fservice.exe"),
                            chained=("kill.exe", "fservice.exe"))
    machine.write_bytes(LOG_FILE, OLD_LOG)
    files_before = sorted(os.listdir(machine.host(FOLDER)))
    with read_only(machine.host(LOG_FILE)):
        scan_with_read_only_log(machine, checks, files_before)


def scan_with_read_only_log(machine, checks, files_before):
    program = start_program(machine, checks, FOLDER)
    driver = machine.driver()
    state = driver.click("Scan")
    checks.equal("the box is up once the scan has written its lines",
                 [box["caption"] for box in state["boxes"]], ["Saving Error"])
    checks.equal("Saving Error box", driver.boxes(until="main"), [expected.SAVING_ERROR_BOX])
    state = driver.state()
    model = expected.ScanModel(FOLDER).scan()
    checks.equal("the scan's lines are all logged", list_items(state), model.texts)
    checks.equal("progress reaches 10 after the box", progress(state), 10)
    checks.equal("old log byte for byte", machine.read_bytes(LOG_FILE), OLD_LOG)
    checks.equal("no file left beside the program", sorted(os.listdir(machine.host(FOLDER))),
                 files_before)
    exit_program(machine, checks, program)
