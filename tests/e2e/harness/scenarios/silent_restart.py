"""Runs without a window that end with a restart to come. A target held open
by a process that survives the kill commands: exit code 2, the file reported
"deleted_at_restart" and its deletion registered. Then, the holder gone,
/noreboot: the server file deleted, no restart command in the journal, the
log saying the restart was held back, exit code 2. While that run waits for
the repair program, a second silent run ends at once with code 6, and a
window started then says in a box that a run is in progress and ends with
code 6; neither scans."""

import os
import subprocess

import data_tree
import expected
import prefix as prefixes
import quarantine
from scenarios.common import pending_renames, read_report, run_silent, silent_log
from machine import wait_ready

FOLDER = "C:\\DiziTarvix"
LOG_FILE = FOLDER + "\\DiziTarvix_Log.txt"
REPORTS = "C:\\Reports"
HELD = expected.SYSTEM_DIR + "\\winkey.dll"
FREE = expected.WINDOWS_DIR + "\\Pplugin1.dll"
ANOTHER_RUN_BOX = expected.box(
    "DiziTarvix",
    "Diri Tarvix is already running on this computer, in a window or without one (started by "
    "a deployment tool). Wait until that run has finished, then start the program again.",
    "warning")


def run(machine, checks):
    machine.install_program(FOLDER, recorded=("kill.exe", "fservice.exe"),
                            chained=("kill.exe", "fservice.exe"))
    os.makedirs(machine.host(REPORTS))
    machine.write_bytes(HELD, b"held open")
    machine.write_bytes(FREE, b"free to delete")
    machine.install_test_program("sleeper.exe", "C:\\e2e\\holder.exe")
    holder = machine.start_wine(["C:\\e2e\\holder.exe", HELD], stdout=subprocess.PIPE)
    if not wait_ready(holder):
        raise RuntimeError("holder.exe could not open its file")

    report = REPORTS + "\\held.json"
    code, windows = run_silent(machine, ["/silent", "/report:" + report], FOLDER)
    model = expected.ScanModel(FOLDER, present=[HELD, FREE], undeletable=[HELD],
                               quarantine=quarantine.log_lines(machine),
                               run_id=data_tree.newest_run_id(machine)).scan()
    checks.equal("held open: exit code", code, 2)
    checks.equal("held open: no window, no box", windows, [])
    checks.equal("held open: the window's commands", [
        e.command_line for e in machine.settled_journal()], model.commands)
    checks.equal("held open: the log", machine.read_bytes(LOG_FILE), silent_log(model))
    held = read_report(machine, report)
    checks.equal("held open: the report's result and files",
                 held and (held["result"], held["exit_code"],
                           [(f["path"], f["outcome"]) for f in held["found"]]),
                 ("restart_needed", 2,
                  [(path, outcome) for path, (_, outcome) in model.found.items()]))
    checks.equal("held open: its deletion at restart registered",
                 sorted(set(pending_renames(machine.driver()))),
                 [("\\??\\" + machine.real_path(HELD), "")])

    holder.kill()
    holder.wait()
    before = len(machine.journal())
    # The repair program takes a while, so that the run is still going when
    # the others start.
    machine.write_bytes(prefixes.companion_setting("fservice.linger"), b"8000")
    report = REPORTS + "\\noreboot.json"
    driver = machine.driver()
    first = machine.launch(FOLDER, args=["/silent", "/noreboot", "/report:" + report])
    machine.wait_for(lambda: any("fservice.exe" in e.command_line
                                 for e in machine.journal()[before:]) or
                     any(p["image"].lower() == "fservice.exe" for p in driver.processes()),
                     timeout=30)
    code, _, _ = machine.run_wine([FOLDER + "\\DiziTarvix.exe", "/silent",
                                   "/report:" + REPORTS + "\\second.json"], cwd=FOLDER,
                                  native_tools=True)
    checks.equal("a second silent run meanwhile: exit code", code, 6)
    checks.true("a second silent run meanwhile: no report", not machine.exists(
        REPORTS + "\\second.json"))
    window = machine.launch(FOLDER)
    checks.equal("a window started meanwhile: the box", driver.boxes(until="exit"),
                 [ANOTHER_RUN_BOX])
    checks.equal("a window started meanwhile: exit code", window.wait_exit(), 6)

    checks.equal("/noreboot: exit code", first.wait_exit(timeout=60), 2)
    model = expected.ScanModel(FOLDER, present=[HELD], no_reboot=True,
                               quarantine=quarantine.log_lines(machine),
                               run_id=data_tree.newest_run_id(machine)).scan()
    checks.equal("/noreboot: the commands, no restart among them",
                 [e.command_line for e in machine.settled_journal()[before:]], model.commands)
    checks.equal("/noreboot: the log says the restart was held back",
                 machine.read_bytes(LOG_FILE), silent_log(model))
    held = read_report(machine, report)
    checks.equal("/noreboot: the report",
                 held and (held["result"], held["exit_code"], held["restart_scheduled"],
                           [(f["path"], f["outcome"]) for f in held["found"]]),
                 ("restart_needed", 2, False, [(HELD, "deleted")]))
