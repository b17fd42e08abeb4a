"""Runs without a window on a clean machine, the program in a folder whose
name is not ASCII: /silent scans (exit code 0), saves exactly the window's log
(without a line about a read-me it never opens), shows no window and no box
at any moment,
starts and opens nothing, and writes its report (UTF-8, the time with the
offset of the machine's time zone); a report path relative to the working
folder lands there. The usage text goes to standard output (code 5), or into
a box when started without standard handles, never with /silent; a bad switch
gives code 5 with what is wrong and scans nothing. A missing shipped file
gives code 4 with no box, its text, naming the file, in the log and the
report. A report that
cannot be written, or would replace a file that is no report, gives code 7,
the log saying why and the file left alone. While the window runs, a silent
run ends with code 6 at once."""

import os
import re

import expected
from scenarios.common import (exit_program, read_report, run_silent, silent_log,
                              start_program)

FOLDER = "C:\\T\u00e9cnico\\DiziTarvix"
PROGRAM = FOLDER + "\\DiziTarvix.exe"
LOG_FILE = FOLDER + "\\DiziTarvix_Log.txt"
REPORTS = "C:\\Reports"
# A time zone without daylight saving time and with a half-hour offset.
TIME_ZONE = {"TZ": "Asia/Kolkata"}
ISO_8601 = r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\+05:30"
USAGE_START = "Diri Tarvix 2.5 - command line\r\n"


def check_report(checks, label, report, result, code, log_saved=True):
    if not checks.true(f"{label}: report written", report is not None):
        return
    checks.equal(f"{label}: report fields, in order", list(report), [
        "program", "version", "run_id", "computer", "user", "windows", "switches", "started",
        "finished", "exit_code", "result", "after_restart", "follows", "found", "repairs",
        "user_hives", "restart_scheduled", "follow_up", "log_file", "errors"])
    checks.equal(f"{label}: report's program, result and exit code",
                 (report["program"], report["version"], report["result"], report["exit_code"]),
                 ("DiziTarvix", "2.5", result, code))
    checks.equal(f"{label}: report's log file, in UTF-8", report["log_file"],
                 LOG_FILE if log_saved else None)
    checks.true(f"{label}: computer and user named", report["computer"] and report["user"])
    checks.true(f"{label}: times in ISO 8601 with the offset, in order",
                re.fullmatch(ISO_8601, report["started"]) and
                re.fullmatch(ISO_8601, report["finished"]) and
                report["started"] <= report["finished"], f"{report['started']} {report['finished']}")


def usage_output(machine, args):
    code, out, _ = machine.run_wine([PROGRAM] + args)
    return code, out.decode("latin-1")


def run(machine, checks):
    machine.install_program(FOLDER, recorded=("kill.exe", "fservice.exe"),
                            chained=("kill.exe", "fservice.exe"))
    os.makedirs(machine.host(REPORTS))
    model = expected.ScanModel(FOLDER).scan()

    report = REPORTS + "\\clean.json"
    code, windows = run_silent(machine, ["/silent", "/report:" + report], FOLDER, env=TIME_ZONE)
    checks.equal("clean: exit code", code, 0)
    checks.equal("clean: no window and no box appeared at any moment", windows, [])
    checks.equal("clean: the log file", machine.read_bytes(LOG_FILE),
                 silent_log(model))
    checks.equal("clean: nothing started and nothing opened", machine.settled_journal(), [])
    check_report(checks, "clean", read_report(machine, report), "clean", 0)
    checks.equal("clean: nothing found, nothing repaired, no errors",
                 [read_report(machine, report)[key] for key in
                  ("found", "repairs", "restart_scheduled", "errors")], [[], [], False, []])

    code, windows = run_silent(machine, ["-SILENT", "-Report:relative.json"], FOLDER,
                               cwd=REPORTS)
    checks.equal("relative report path: exit code", code, 0)
    checks.true("relative report path: written in the working folder",
                read_report(machine, REPORTS + "\\relative.json") is not None)

    log_before = machine.read_bytes(LOG_FILE)
    code, usage = usage_output(machine, ["/?"])
    checks.equal("/?: exit code", code, 5)
    checks.true("/?: the usage text on standard output, with CR LF", usage.startswith(USAGE_START))
    checks.equal("/?: every exit code listed", [
        line for line in usage.split("\r\n") if re.fullmatch(r"  \d  .*", line)],
        [f"  {c}  {m}" for c, m in expected.EXIT_CODES.items()])
    for args, problem in ((["/silnet"], "unknown argument /silnet"),
                          (["/silent", "/report:"],
                           "/report needs the report file's path or a folder's: /report:<file> "
                           "or /report:<folder>\\"),
                          (["/noreboot"], "/noreboot and /report go with /silent or /afterrestart")):
        code, out = usage_output(machine, args)
        checks.equal(f"{' '.join(args)}: exit code", code, 5)
        checks.true(f"{' '.join(args)}: what is wrong, then the usage text",
                    out.startswith(f"DiziTarvix.exe: {problem}\r\n\r\n{USAGE_START}"), out[:200])
    checks.equal("bad switches: nothing scanned, the log as it was", machine.read_bytes(LOG_FILE),
                 log_before)

    driver = machine.driver()
    driver.start_bare(PROGRAM, "/help")
    shown = driver.boxes(until="exit")
    checks.equal("/help without standard output: the usage text in a box", shown, [
        expected.box("DiziTarvix", usage.replace("\r\n", "\n"), "information")])
    checks.equal("/help without standard output: exit code", driver.exit_code(), 5)
    driver.start_bare(PROGRAM, "/bogus /silent")
    checks.equal("a bad switch with /silent: never a box", driver.watch_windows(), [])
    checks.equal("a bad switch with /silent: exit code", driver.exit_code(), 5)

    unwritable = "C:\\No Such Folder\\r.json"
    code, windows = run_silent(machine, ["/silent", "/report:" + unwritable], FOLDER)
    checks.equal("report folder missing: exit code", code, 7)
    checks.equal("report folder missing: the log says why",
                 machine.read_bytes(LOG_FILE).split(b"\r\n")[-2].decode("latin-1"),
                 f"  The report could not be written to {unwritable}: no new file can be made "
                 "in the folder C:\\No Such Folder")
    notes = REPORTS + "\\notes.txt"
    machine.write_bytes(notes, b"a technician's notes\r\n")
    code, windows = run_silent(machine, ["/silent", "/report:" + notes], FOLDER)
    checks.equal("a file that is no report at the path: exit code", code, 7)
    checks.equal("a file that is no report at the path: left as it was",
                 machine.read_bytes(notes), b"a technician's notes\r\n")

    kill = machine.host(FOLDER + "\\kill.exe")
    os.rename(kill, kill + ".away")
    missing = REPORTS + "\\missing.json"
    code, windows = run_silent(machine, ["/silent", "/report:" + missing], FOLDER,
                               env=TIME_ZONE)
    os.rename(kill + ".away", kill)
    checks.equal("kill.exe missing: exit code", code, 4)
    checks.equal("kill.exe missing: no box, no window", windows, [])
    missing_box = expected.missing_file_box(FOLDER + "\\kill.exe")
    checks.equal("kill.exe missing: the box's text, naming the file, in the log, nothing scanned",
                 machine.read_bytes(LOG_FILE), silent_log(expected.ScanModel(FOLDER), [missing_box]))
    stopped = read_report(machine, missing)
    check_report(checks, "kill.exe missing", stopped, "cannot_run", 4)
    checks.equal("kill.exe missing: the report's errors", stopped and stopped["errors"],
                 [expected.box_line(missing_box)[2:]])

    program = start_program(machine, checks, FOLDER, label="window: ")
    log_before = machine.read_bytes(LOG_FILE)
    second = REPORTS + "\\second.json"
    code, _, _ = machine.run_wine([PROGRAM, "/silent", "/report:" + second], cwd=FOLDER,
                                  native_tools=True)
    checks.equal("while the window runs: exit code", code, 6)
    checks.equal("while the window runs: no box besides", driver.boxes(dismiss=False,
                                                                      until="none"), [])
    checks.true("while the window runs: no report", not machine.exists(second))
    checks.equal("while the window runs: the log untouched", machine.read_bytes(LOG_FILE),
                 log_before)
    exit_program(machine, checks, program, "window: ")
    checks.equal("only the window's read-me was ever opened",
                 [e.command_line for e in machine.settled_journal()],
                 [expected.read_me_opened(FOLDER)])

