"""The fix-up says what became of msconfig.exe: without a clean copy beside the
program (the package cannot carry Windows' own file) the program starts
normally, and "Just fix-up my RegEdit & Msconfig" logs that it was not
restored because none was supplied; a clean copy put beside the program only
after it started is not used (it was never checked), and the line says so;
started again with the clean copy beside it, but the system's copy in use by
another program, the copy fails and the line gives the system's reason; the
system's copy stays byte for byte every time and no line claims it was
restored. The registry commands and the repair program run each time."""

import subprocess

import expected
from journal import command_lines
from machine import SHIPPED_FILES, wait_ready
from scenarios.common import exit_program, list_items, start_program

FOLDER = "C:\\DiziTarvix"
MSCONFIG = expected.SYSTEM_DIR + "\\msconfig.exe"
SYSTEM_COPY = b"the system's own msconfig.exe"
NOT_COPIED = '  -"Msconfig" was not restored -- 1/4: the clean copy could not be copied: '


def fix_up(machine, checks, label, before_check=lambda: None):
    """Runs the menu's fix-up; returns the four lines it logged."""
    before = len(machine.settled_journal())
    lines = list_items(machine.driver().menu("Just fix-up my RegEdit & Msconfig"))
    before_check()
    checks.equal(f"{label}: the registry commands and the repair program ran",
                 command_lines(machine.settled_journal()[before:]),
                 expected.FIX_UP_COMMANDS)
    checks.equal(f"{label}: the system's msconfig.exe byte for byte",
                 machine.read_bytes(MSCONFIG), SYSTEM_COPY)
    return lines[-4:]


def run(machine, checks):
    # The fix-up starts no kill tool; it is recorded too, as the program runs
    # only with both companions its build recorded.
    machine.install_program(FOLDER, recorded=("kill.exe", "fservice.exe"),
                            chained=("kill.exe", "fservice.exe"), files=SHIPPED_FILES)
    machine.write_bytes(MSCONFIG, SYSTEM_COPY)
    program = start_program(machine, checks, FOLDER, label="without msconfig.exe: ")
    checks.equal("without msconfig.exe: the fix-up's lines",
                 fix_up(machine, checks, "without msconfig.exe"),
                 expected.fix_up_lines(expected.MSCONFIG_NOT_SUPPLIED))

    machine.install_program(FOLDER, files=("msconfig.exe",))
    label = "msconfig.exe put there after the start"
    checks.equal(f"{label}: the fix-up's lines", fix_up(machine, checks, label),
                 expected.fix_up_lines(expected.MSCONFIG_AFTER_START))
    exit_program(machine, checks, program, f"{label}: ")

    program = start_program(machine, checks, FOLDER, label="started with msconfig.exe: ")
    machine.install_test_program("sleeper.exe", "C:\\e2e\\locker.exe")
    locker = machine.start_wine(["C:\\e2e\\locker.exe", MSCONFIG, "lock"], stdout=subprocess.PIPE)
    if not wait_ready(locker):
        raise RuntimeError("locker.exe could not lock " + MSCONFIG)
    label = "system's copy in use"
    lines = fix_up(machine, checks, label, before_check=lambda: (locker.kill(), locker.wait()))
    checks.true(f"{label}: the first line says it was not copied, and the system's reason",
                lines[0].startswith(NOT_COPIED) and lines[0].endswith(" (error 32)"), lines[0])
    checks.equal(f"{label}: the other three lines", lines[1:], expected.FIX_UP_LINES[1:])
    exit_program(machine, checks, program)
