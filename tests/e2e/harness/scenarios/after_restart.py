"""A silent run that restarts, and the scan after the restart. The shutdown
stand-in copies the log, the computer's Reports folder and the report folder
when the restart command starts it: all three are then already complete, and
the restart is the last command. The run made the start-up task for the scan
after the restart (the task scheduler's tool is a recorder: Wine's own takes
no such task); its command, run by hand as the task would run it, starts the
program's verified copy in the data tree, which removes the task, finds the
prefix clean (exit code 0, "after_restart" and the run it follows in its
report, a second new file in the report folder) and restarts nothing.
Re-infected, the same command removes the family again but restarts nothing
and arranges nothing (exit code 3, "returned", the log saying it came back).
The registry marker names the last run; the first run's event log entry
carries its texts (Wine writes them to its debug output). Typed without
/silent, as a user's sign-in would start it, the scan after the restart ends
with one box. The time from the start of the infected run to its restart
command is measured and printed."""

import json
import os
import re
import time

import data_tree
import expected
import quarantine
from machine import SHIPPED_FILES
from processes import log
from scenarios.common import registry_values

FOLDER = "C:\\DiziTarvix"
LOG_FILE = FOLDER + "\\DiziTarvix_Log.txt"
DROP = "C:\\Drop"
SNAPSHOT = "C:\\e2e\\at-restart"
SERVER = expected.WINDOWS_DIR + "\\krt32.exe"
DOWNLOADER = expected.SYSTEM_DIR + "\\kservice.exe"
BY_HAND = "C:\\e2e\\after-restart.cmd"
MARKER = "HKLM\\SOFTWARE\\DiziTarvix"
# Windows' file times count 100 ns from 1601; Unix seconds from 1970.
FILETIME_TO_UNIX = 11644473600


def plant(machine):
    for path in (SERVER, DOWNLOADER):
        machine.write_bytes(path, b"planted " + path.encode())


def drop_reports(machine):
    """{name: report} of the report folder's files."""
    return {name: json.loads(data.decode("utf-8"))
            for name, data in data_tree.listing(machine, DROP).items()}


def commands_since(machine, before):
    return [e.command_line for e in machine.settled_journal()[before:]]


def run_by_hand(machine, command_line):
    """Runs a command line as the task would, through a batch file (which
    waits for a window program and passes on its exit code)."""
    machine.write_bytes(BY_HAND, ("@echo off\r\n" + command_line +
                                  "\r\nexit /b %errorlevel%\r\n").encode("latin-1"))
    code, _, _ = machine.run_wine(["cmd", "/c", BY_HAND], native_tools=True, timeout=120)
    return code


def infected_run(machine, checks):
    """The first run: restart last, and the start-up task for the next."""
    plant(machine)
    machine.write_bytes(machine.real_path(expected.SYSTEM_DIR + "\\shutdown.copy"), "\r\n".join([
        "-r", f"{LOG_FILE}\t{SNAPSHOT}\\log.txt", f"{data_tree.REPORTS}\t{SNAPSHOT}\\Reports",
        f"{DROP}\t{SNAPSHOT}\\Drop", ""]).encode("latin-1"))
    os.makedirs(machine.host(SNAPSHOT), exist_ok=True)
    driver = machine.driver()
    driver.processes()  # the driver is ready before the program starts
    started = time.time()
    program = machine.launch(FOLDER, args=["/silent", "/report:" + DROP + "\\"],
                             env={"WINEDEBUG": "fixme+advapi,+eventlog"})
    windows = driver.watch_windows()
    code = program.wait_exit(timeout=60)
    checks.equal("infected: exit code, no window", (code, windows), (1, []))

    run_id = data_tree.newest_run_id(machine)
    model = expected.ScanModel(FOLDER, present=[SERVER, DOWNLOADER],
                               msconfig_line=expected.MSCONFIG_NOT_SUPPLIED, run_id=run_id,
                               report_folder=DROP + "\\",
                               quarantine=quarantine.log_lines(machine)).scan()
    journal = machine.settled_journal()
    checks.equal("infected: the commands, the start-up task for the scan after the restart, "
                 "then the restart, last", [e.command_line for e in journal], model.commands)
    checks.equal("infected: the log", machine.read_bytes(LOG_FILE), model.log_file())
    restart = journal[-1]
    seconds = restart.time / 1e7 - FILETIME_TO_UNIX - started
    log(f"from the start of the infected run to its restart command: {seconds:.2f} s")

    # What the restart stand-in copied when it was started is what the run
    # left: nothing was written after the restart command.
    checks.equal("at the restart command: the log complete",
                 machine.read_bytes(SNAPSHOT + "\\log.txt"), machine.read_bytes(LOG_FILE))
    checks.true("at the restart command: the log ends with the banner",
                machine.read_bytes(LOG_FILE).endswith(
                    (expected.BANNER_LINE + "\r\n").encode("latin-1")))
    checks.equal("at the restart command: the computer's report and log complete",
                 data_tree.listing(machine, SNAPSHOT + "\\Reports"),
                 data_tree.listing(machine, data_tree.REPORTS))
    checks.equal("at the restart command: the report folder's report complete",
                 data_tree.listing(machine, SNAPSHOT + "\\Drop"), data_tree.listing(machine, DROP))
    shared = drop_reports(machine)
    first = next((report for name, report in shared.items()
                  if name == f"{report['computer']}-{run_id}.json"), None)
    checks.equal("infected: the report folder's report, named for the computer and the run",
                 first and (first["run_id"], first["result"], first["restart_scheduled"],
                            first["follow_up"], first["after_restart"], first["follows"]),
                 (run_id, "removed", True, "startup_task", False, None))
    kept = data_tree.kept_runs(machine).get(run_id, {})
    checks.equal("infected: the computer keeps the same report, and the log",
                 (kept.get("report") and json.loads(kept["report"].decode("utf-8")),
                  kept.get("log")), (first, machine.read_bytes(LOG_FILE)))
    with open(os.path.join(machine.run_dir, "program-1.log"), encoding="latin-1") as f:
        output = f.read()
    checks.true("infected: one event log entry, its texts the run's id and exit code",
                re.search(r"ReportEventA \([0-9A-F]+,0x0004,0x0000,0x000003e9,", output) and
                f'L"{run_id}"' in output and 'L"1"' in output, output[-2000:])
    return run_id


def task_command(machine):
    """The command the start-up task was made with, as the task would run it."""
    for line in commands_since(machine, 0):
        words = expected.split_arguments(line)
        if words[1:3] == ["/create", "/tn"] and "/tr" in words:
            return words[words.index("/tr") + 1]
    return None


def after_restart(machine, checks, first_id):
    command = task_command(machine)
    checks.equal("the task's command: the verified copy, silent, the report folder, the run",
                 command, expected.follow_up_command(first_id, DROP + "\\"))
    checks.equal("the verified copy is the program that ran",
                 machine.read_bytes(data_tree.PROGRAM_COPY),
                 machine.read_bytes(FOLDER + "\\DiziTarvix.exe"))
    if command is None:
        return

    before = len(machine.settled_journal())
    code = run_by_hand(machine, command)
    checks.equal("after the restart, clean: exit code", code, 0)
    checks.equal("after the restart, clean: the task removed, nothing else started",
                 commands_since(machine, before), [expected.DELETE_TASK])
    second_id = data_tree.newest_run_id(machine)
    report = json.loads(data_tree.kept_runs(machine)[second_id]["report"].decode("utf-8"))
    checks.equal("after the restart, clean: the report",
                 (report["result"], report["after_restart"], report["follows"],
                  report["restart_scheduled"], report["switches"]),
                 ("clean", True, first_id, False,
                  ["/silent", "/report:" + DROP + "\\", "/afterrestart:" + first_id]))
    checks.equal("two runs with a report folder: two new files there",
                 sorted(r["run_id"] for r in drop_reports(machine).values()),
                 sorted([first_id, second_id]))

    plant(machine)
    before = len(machine.settled_journal())
    code = run_by_hand(machine, command)
    third_id = data_tree.newest_run_id(machine)
    checks.equal("after the restart, back again: exit code", code, 3)
    model = expected.ScanModel(data_tree.PROGRAM_COPIES, present=[SERVER, DOWNLOADER],
                               mode="after_restart", follows=first_id,
                               msconfig_line=expected.MSCONFIG_NOT_SUPPLIED,
                               quarantine=quarantine.log_lines(machine)).scan()
    checks.equal("after the restart, back again: removed again, no restart, no new task",
                 commands_since(machine, before), [expected.DELETE_TASK] + model.commands)
    checks.equal("after the restart, back again: the files gone",
                 [p for p in (SERVER, DOWNLOADER) if machine.exists(p)], [])
    checks.equal("after the restart, back again: the log says it came back",
                 machine.read_bytes(data_tree.PROGRAM_COPIES + "\\DiziTarvix_Log.txt"),
                 (expected.TASK_REMOVED + "\r\n").encode("latin-1") + model.log_file())
    report = json.loads(data_tree.kept_runs(machine)[third_id]["report"].decode("utf-8"))
    checks.equal("after the restart, back again: the report",
                 (report["result"], report["exit_code"], report["follows"],
                  report["restart_scheduled"], report["follow_up"]),
                 ("returned", 3, first_id, False, None))

    values = registry_values(machine.driver(), MARKER)
    checks.equal("the marker names the last run and how it ended",
                 {name: values.get(name) for name in
                  ("Version", "LastResult", "LastExitCode", "LastRunId")},
                 {"Version": "2.5", "LastResult": "returned", "LastExitCode": 3,
                  "LastRunId": third_id})
    checks.equal("the marker's time: the run's start, ISO 8601 in UTC",
                 values.get("LastRunUtc"),
                 f"{third_id[0:4]}-{third_id[4:6]}-{third_id[6:8]}T{third_id[9:11]}:"
                 f"{third_id[11:13]}:{third_id[13:15]}Z")

    # As a user's sign-in would start it (RunOnce): one box, what it found.
    program = machine.launch(data_tree.PROGRAM_COPIES, args=["/afterrestart:" + first_id])
    checks.equal("started at sign-in: one box saying what it found",
                 machine.driver().boxes(until="exit"),
                 [expected.box("Diri Tarvix 2.5", "Diri Tarvix scanned this computer once more "
                               "after the restart: Tarvix is gone.", "information")])
    checks.equal("started at sign-in: exit code", program.wait_exit(), 0)


def run(machine, checks):
    # Recorders for the companions, which then run the real ones: the journal
    # shows every program the runs start, from the data tree's copies.
    machine.install_program(FOLDER, recorded=("kill.exe", "fservice.exe"),
                            chained=("kill.exe", "fservice.exe"), files=SHIPPED_FILES)
    os.makedirs(machine.host(DROP))
    first_id = infected_run(machine, checks)
    after_restart(machine, checks, first_id)
