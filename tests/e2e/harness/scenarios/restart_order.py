"""Ending a scan with its restart scheduled, and leaving the program's own
repair program alone: a family file named like the repair program
(fservice.exe, in the system folder) is held open by a process the kills do
not reach, so every server pass finds it again and aborts a pending
shutdown; the scan asks for one restart, as its last act. In a first scan
the shutdown stand-in lingers before it records an abort: in the order the
records were written every abort still comes before the restart, so the
last word is a restart. In a second scan the repair program's stand-in
lingers before it records its start: it is recorded before any kill of the
next pass is, so none can reach it. Both scans log exactly what the model
says."""

import os
import subprocess

import expected
import prefix as prefixes
import quarantine
from journal import read_journal
from machine import wait_ready
from scenarios.common import exit_program, list_items, start_program

FOLDER = "C:\\DiziTarvix"
FOUND = expected.SYSTEM_DIR + "\\fservice.exe"
SHUTDOWN_LINGER = expected.SYSTEM_DIR + "\\shutdown.linger"
REPAIR_LINGER = prefixes.companion_setting("fservice.linger")
# Longer than a pass takes from its abort to its restart when nothing waits,
# shorter than the time the program gives an abort before ending it.
LINGER_MS = 2500


def written(machine, since):
    """The journal's command lines after the first `since`, in the order they
    were written."""
    machine.settled_journal(quiet=3.0)
    entries = read_journal(machine.host(prefixes.JOURNAL), written_order=True)
    return [entry.command_line for entry in entries[since:]]


def kind(command_line):
    for name, word in (("abort", expected.SHUTDOWN_ABORT), ("restart", expected.RESTART),
                       ("repair", expected.REPAIR_COMMAND),
                       ("kill", expected.kill_command(FOUND))):
        if command_line == word:
            return name
    # Any task-kill would be a kill too; the holder is no process of the file,
    # so none is expected.
    if "taskkill.exe" in command_line.lower():
        return "kill"
    return None


def kinds(lines, wanted):
    return [kind(line) for line in lines if kind(line) in wanted]


def run(machine, checks):
    machine.install_program(FOLDER, recorded=("kill.exe", "fservice.exe"),
                            chained=("kill.exe", "fservice.exe"))
    machine.write_bytes(FOUND, b"held open")
    machine.install_test_program("sleeper.exe", "C:\\e2e\\holder.exe")
    holder = machine.start_wine(["C:\\e2e\\holder.exe", FOUND], stdout=subprocess.PIPE)
    if not wait_ready(holder):
        raise RuntimeError("holder.exe could not open " + FOUND)
    program = start_program(machine, checks, FOLDER)
    driver = machine.driver()
    model = expected.ScanModel(FOLDER, present=[FOUND], undeletable=[FOUND])

    machine.write_bytes(SHUTDOWN_LINGER, f"{LINGER_MS} -a".encode())
    before = len(machine.journal())
    state = driver.click("Scan")
    checks.equal("first scan: the log", list_items(state),
                 model.scan(quarantine.log_lines(machine)).texts)
    lines = written(machine, before)
    checks.equal("first scan: shutdown commands in the order they took effect",
                 kinds(lines, {"abort", "restart"}), ["abort"] * 3 + ["restart"])

    os.remove(machine.host(SHUTDOWN_LINGER))
    machine.write_bytes(REPAIR_LINGER, str(LINGER_MS).encode())
    before = len(machine.journal())
    state = driver.click("Scan")
    checks.equal("second scan: the log", list_items(state),
                 model.scan(quarantine.log_lines(machine)).texts)
    lines = written(machine, before)
    checks.equal("second scan: each repair program recorded before the next pass's kills",
                 kinds(lines, {"kill", "repair"}), ["kill", "repair"] * 3)
    checks.equal("second scan: and the restart still the last word",
                 kinds(lines, {"abort", "restart"})[-1:], ["restart"])
    checks.true("the holding process survived both scans", holder.poll() is None)
    exit_program(machine, checks, program)
