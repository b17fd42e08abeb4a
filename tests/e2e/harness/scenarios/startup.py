"""Start-up checks, one program start after another in the same prefix: with
all shipped files one "WARNING!!!" box and the read-me opened; started from
another working folder it starts normally (the files are looked for beside the
program); each missing required file, and one locked against reading, gives
exactly one "Missing file(s)" box before the warning and the program ends with
exit code 0 (the read-me opened only when it is there); without msconfig.exe,
or with it locked, the program starts normally; under Windows 2000 the
"Windows 9x or 2000" box follows and kill.exe is copied into the Windows folder
at every start, also when files are missing."""

import os
import subprocess

import expected
from scenarios.common import exit_program, start_program
from machine import wait_ready

FOLDER = "C:\\DiziTarvix"
ELSEWHERE = "C:\\Elsewhere"
COPIED_KILL = expected.WINDOWS_DIR + "\\kill.exe"
REQUIRED = ["fservice.exe", "kill.exe", "ReadMe First.txt"]
OPTIONAL = "msconfig.exe"
APP_DEFAULTS = "HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\DiziTarvix.exe"


def opened_since(machine, count):
    return [e.command_line for e in machine.settled_journal()[count:]]


def start_refused(machine, checks, label, boxes, cwd=None):
    """Starts the program where it must end after its start-up boxes."""
    before = len(machine.journal())
    program = machine.launch(FOLDER, cwd)
    shown = machine.driver().boxes(until="exit")
    checks.equal(f"{label}: message boxes, in order", shown, boxes)
    checks.equal(f"{label}: exit code", program.wait_exit(), 0)
    return opened_since(machine, before)


def set_windows_version(machine, version):
    machine.import_registry(f'REGEDIT4\n\n[{APP_DEFAULTS}]\n"Version"="{version}"\n',
                            "version.reg")


def run(machine, checks):
    machine.install_program(FOLDER, recorded=("kill.exe", "fservice.exe"),
                            chained=("kill.exe", "fservice.exe"))
    read_me = expected.read_me_opened(FOLDER)

    before = len(machine.journal())
    program = start_program(machine, checks, FOLDER, label="all files present: ")
    exit_program(machine, checks, program, "all files present: ")
    checks.equal("all files present: only the read-me opened", opened_since(machine, before),
                 [read_me])

    os.makedirs(machine.host(ELSEWHERE), exist_ok=True)
    before = len(machine.journal())
    program = start_program(machine, checks, FOLDER, cwd=ELSEWHERE,
                            label="another working folder: ")
    exit_program(machine, checks, program, "another working folder: ")
    checks.equal("another working folder: the read-me opened from the program's folder",
                 opened_since(machine, before), [read_me])
    checks.true("no kill.exe copied into the Windows folder on this version",
                not machine.exists(COPIED_KILL))

    for name in REQUIRED:
        path = machine.host(FOLDER + "\\" + name)
        os.rename(path, path + ".away")
        try:
            opened = start_refused(machine, checks, f"{name} missing",
                                   [expected.MISSING_FILES_BOX, expected.WARNING_BOX])
        finally:
            os.rename(path + ".away", path)
        checks.equal(f"{name} missing: read-me opened only when present", opened,
                     [] if name == "ReadMe First.txt" else [read_me])

    path = machine.host(FOLDER + "\\" + OPTIONAL)
    os.rename(path, path + ".away")
    try:
        program = start_program(machine, checks, FOLDER, label=f"{OPTIONAL} missing: ")
        exit_program(machine, checks, program, f"{OPTIONAL} missing: ")
    finally:
        os.rename(path + ".away", path)

    machine.install_test_program("sleeper.exe", "C:\\e2e\\locker.exe")
    for name, refused in (("kill.exe", True), (OPTIONAL, False)):
        locker = machine.start_wine(["C:\\e2e\\locker.exe", FOLDER + "\\" + name, "lock"],
                                    stdout=subprocess.PIPE)
        if not wait_ready(locker):
            raise RuntimeError("locker.exe could not lock " + name)
        label = f"{name} locked against reading"
        if refused:
            start_refused(machine, checks, label, [expected.MISSING_FILES_BOX, expected.WARNING_BOX])
        else:
            exit_program(machine, checks, start_program(machine, checks, FOLDER, label=label + ": "),
                         label + ": ")
        locker.kill()
        locker.wait()

    set_windows_version(machine, "win2k")
    program = start_program(machine, checks, FOLDER, label="Windows 2000: ",
                            boxes=[expected.WARNING_BOX, expected.OLD_WINDOWS_BOX])
    kill = machine.read_bytes(FOLDER + "\\kill.exe")
    checks.equal("Windows 2000: kill.exe copied into the Windows folder",
                 machine.read_bytes(COPIED_KILL) if machine.exists(COPIED_KILL) else None, kill)
    exit_program(machine, checks, program, "Windows 2000: ")

    machine.write_bytes(COPIED_KILL, b"an older copy")
    path = machine.host(FOLDER + "\\ReadMe First.txt")
    os.rename(path, path + ".away")
    start_refused(machine, checks, "Windows 2000, read-me missing",
                  [expected.MISSING_FILES_BOX, expected.WARNING_BOX, expected.OLD_WINDOWS_BOX])
    os.rename(path + ".away", path)
    checks.equal("Windows 2000, read-me missing: the copy is made again over the old one",
                 machine.read_bytes(COPIED_KILL), kill)
