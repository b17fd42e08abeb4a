"""A process squatting on the name earlier versions kept to one run at a time
with cannot keep the program from running. While another process holds the
mutex Global\\DiziTarvix.Run (and a run.lock file lies in the data root, as a
crashed run could leave one): /silent scans (exit code 0), its log says,
after the warning box's text, that the old name was ignored, its report is
written, and the run.lock is gone afterwards; /restore:all runs and says the
same on standard output. The lock that counts is the run.lock a run holds:
while a window run is open, /silent ends at once with exit code 6, writes no
report and leaves the log as it is; once the window is closed it runs
again."""

import os
import subprocess

import data_tree
import expected
from machine import SHIPPED_FILES, wait_ready
from scenarios.common import exit_program, read_report, run_silent, silent_log, start_program

FOLDER = "C:\\DiziTarvix"
PROGRAM = FOLDER + "\\DiziTarvix.exe"
LOG_FILE = FOLDER + "\\DiziTarvix_Log.txt"
REPORTS = "C:\\Reports"
SQUATTER = "C:\\e2e\\squatter.exe"
OLD_NAME = "Global\\DiziTarvix.Run"
IGNORED = ("  Another program holds Global\\DiziTarvix.Run, the name earlier versions of Diri "
           "Tarvix kept to one run at a time with; it was ignored.")


def clean_log(notes=()):
    """The log of a silent run on a clean machine, `notes` first in the scan."""
    model = expected.ScanModel(FOLDER, msconfig_line=expected.MSCONFIG_NOT_SUPPLIED)
    model.lines.extend((True, note) for note in notes)
    return silent_log(model.scan())


def run(machine, checks):
    machine.install_program(FOLDER, files=SHIPPED_FILES)
    os.makedirs(machine.host(REPORTS))
    machine.install_test_program("sleeper.exe", SQUATTER)
    squatter = machine.start_wine([SQUATTER, "/mutex", OLD_NAME], stdout=subprocess.PIPE)
    if not wait_ready(squatter):
        raise RuntimeError("the squatter could not take " + OLD_NAME)
    machine.write_bytes(data_tree.RUN_LOCK, b"left by a run that crashed")

    report = REPORTS + "\\squatted.json"
    code, _ = run_silent(machine, ["/silent", "/report:" + report], FOLDER)
    checks.equal("old name held: /silent scans, exit code", code, 0)
    checks.equal("old name held: the log says it was ignored, then the scan",
                 machine.read_bytes(LOG_FILE), clean_log([IGNORED]))
    written = read_report(machine, report)
    checks.equal("old name held: the report written, its result",
                 written and (written["result"], written["exit_code"]), ("clean", 0))
    checks.true("old name held: the run.lock is gone afterwards",
                not machine.exists(data_tree.RUN_LOCK))

    code, out, _ = machine.run_wine([PROGRAM, "/restore:all"], cwd=FOLDER)
    checks.equal("old name held: /restore:all runs and says the name was ignored",
                 (code, out.decode("latin-1").split("\r\n")),
                 (0, [IGNORED.strip(), "the quarantine holds nothing to restore", ""]))
    checks.true("the squatter still holds the name", squatter.poll() is None)

    program = start_program(machine, checks, FOLDER, label="window: ")
    log_before = machine.read_bytes(LOG_FILE)
    second = REPORTS + "\\second.json"
    code, _, _ = machine.run_wine([PROGRAM, "/silent", "/report:" + second], cwd=FOLDER,
                                  native_tools=True)
    checks.equal("while a window run holds the lock: exit code", code, 6)
    checks.true("while a window run holds the lock: no report", not machine.exists(second))
    checks.equal("while a window run holds the lock: the log untouched",
                 machine.read_bytes(LOG_FILE), log_before)
    exit_program(machine, checks, program, "window: ")

    code, _ = run_silent(machine, ["/silent", "/report:" + second], FOLDER)
    checks.equal("the window closed: /silent runs again", code, 0)
