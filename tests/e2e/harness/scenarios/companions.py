"""The shipped programs are the ones the build recorded, and stay so while the
program runs.

With the window open, cmd's "copy /y", "del" and "ren" from a Windows process
in the prefix all fail on kill.exe and fservice.exe, which stay byte for byte;
a scan of an infected machine then runs only the genuine programs: the
family's running program is ended (by kill.exe) and its Run value removed (by
fservice.exe), nothing from the program's folder records a start, and the log
is exactly the documented one. The msconfig.exe stand-in beside the program,
which the shipped program's build did not record, is not copied into the
system folder, and the fix-up's line says so; nor is, for the test build that
records the stand-in, a copy of it with one byte more. Once the program has
ended, the files can be replaced again.

kill.exe, then fservice.exe, replaced by another program before the start:
after the warning a "Changed file" box names it and the program ends with exit
code 0, and the replacement never runs; under Windows 2000 a replaced kill.exe
is not copied into the Windows folder either."""

import subprocess

import data_tree
import expected
import quarantine
from journal import command_lines
from machine import COMPANIONS, wait_ready
from scenarios.common import exit_program, list_items, start_program
from scenarios.registry_tool import USER_SID

FOLDER = "C:\\DiziTarvix"
TEST_BUILD_FOLDER = "C:\\DiziTarvix test build"
IMPOSTOR = "C:\\e2e\\impostor.exe"
MSCONFIG = expected.SYSTEM_DIR + "\\msconfig.exe"
SYSTEM_COPY = b"the system's own msconfig.exe"
RUNNING_TARGET = expected.WINDOWS_DIR + "\\krt32.exe"
RUN_KEY = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"
APP_DEFAULTS = "HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\DiziTarvix.exe"
COPIED_KILL = expected.WINDOWS_DIR + "\\kill.exe"


def started_from(journal, folder):
    """The command lines of the journal started from a file in `folder`."""
    return [e.command_line for e in journal if e.module.lower().startswith(folder.lower() + "\\")]


def try_to_swap(machine, checks, label, shipped, folder=FOLDER):
    """Another program in the prefix tries to overwrite, delete and rename each
    held program in `folder`; each must stay as shipped."""
    for name in sorted(COMPANIONS):
        path = folder + "\\" + name
        for command in (["copy", "/y", IMPOSTOR, path], ["del", path],
                        ["ren", path, name + ".old"]):
            machine.run_wine(["cmd", "/c"] + command)
            checks.equal(f"{label}: cmd {command[0]} leaves {name} as shipped",
                         machine.read_bytes(path) if machine.exists(path) else None,
                         shipped[name])
        checks.true(f"{label}: no {name}.old", not machine.exists(path + ".old"))


def plant_infection(machine):
    """A family program running from its file, and its Run value beside another."""
    machine.install_test_program("sleeper.exe", RUNNING_TARGET)
    running = machine.start_wine([RUNNING_TARGET], stdout=subprocess.PIPE)
    if not wait_ready(running):
        raise RuntimeError("the planted family program did not start")
    machine.import_registry(
        "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\n"
        '"Tarvix"="C:\\\\WINDOWS\\\\krt32.exe"\n"Other"="C:\\\\Tools\\\\other.exe"\n')
    return running


def held_while_running(machine, checks):
    machine.install_program(FOLDER)
    machine.install_test_program("recorder.exe", IMPOSTOR)
    machine.write_bytes(MSCONFIG, SYSTEM_COPY)
    shipped = {name: machine.read_bytes(FOLDER + "\\" + name) for name in COMPANIONS}
    running = plant_infection(machine)
    program = start_program(machine, checks, FOLDER)
    try_to_swap(machine, checks, "window open", shipped)

    before = len(machine.settled_journal())
    driver = machine.driver()
    state = driver.click("Scan")
    model = expected.ScanModel(FOLDER, present=[RUNNING_TARGET],
                               msconfig_line=expected.MSCONFIG_NOT_RECORDED,
                               quarantine=quarantine.log_lines(machine),
                               repair_lines=[[expected.repair_line(USER_SID, 1)]],
                               run_id=data_tree.newest_run_id(machine)).scan()
    checks.equal("scan: the documented log, msconfig.exe not restored for want of a record",
                 list_items(state), model.texts)
    checks.true("scan: the family's program was ended by kill.exe",
                machine.wait_for(lambda: running.poll() is not None, timeout=10))

    def run_values():
        return sorted(v["name"] for v in driver.registry(RUN_KEY)["values"])

    checks.equal("scan: fservice.exe removed the family's Run value, nothing else",
                 machine.wait_for(lambda: run_values() == ["Other"] and run_values()) or
                 run_values(), ["Other"])
    journal = machine.settled_journal()[before:]
    checks.equal("scan: nothing from the program's folder recorded a start",
                 started_from(journal, FOLDER), [])
    checks.equal("scan: nor from the copies the run starts them from",
                 started_from(journal, data_tree.PROGRAM_COPIES), [])
    checks.equal("scan: the system's tools were started as documented",
                 command_lines(journal),
                 [c for c in model.commands
                  if not c.startswith(f'"{data_tree.PROGRAM_COPIES}\\')])
    checks.equal("scan: the stand-in is not copied into the system folder",
                 machine.read_bytes(MSCONFIG), SYSTEM_COPY)
    try_to_swap(machine, checks, "after the scan", shipped)
    exit_program(machine, checks, program)

    machine.run_wine(["cmd", "/c", "copy", "/y", IMPOSTOR, FOLDER + "\\kill.exe"])
    checks.equal("program ended: kill.exe can be replaced again",
                 machine.read_bytes(FOLDER + "\\kill.exe"), machine.read_bytes(IMPOSTOR))


def other_msconfig_not_copied(machine, checks):
    machine.install_program(TEST_BUILD_FOLDER, recorded=sorted(COMPANIONS),
                            chained=sorted(COMPANIONS))
    planted = machine.read_bytes(TEST_BUILD_FOLDER + "\\msconfig.exe") + b"\0"
    machine.write_bytes(TEST_BUILD_FOLDER + "\\msconfig.exe", planted)
    program = start_program(machine, checks, TEST_BUILD_FOLDER, label="test build: ")
    lines = list_items(machine.driver().menu("Just fix-up my RegEdit & Msconfig"))
    checks.equal("test build, msconfig.exe one byte longer than recorded: the fix-up's lines",
                 lines[-4:], expected.fix_up_lines(expected.MSCONFIG_NOT_SHIPPED))
    checks.equal("test build: the planted msconfig.exe is not copied",
                 machine.read_bytes(MSCONFIG), SYSTEM_COPY)
    exit_program(machine, checks, program, "test build: ")


def start_refused(machine, checks, label, boxes):
    """Starts the program where it must end after its start-up boxes; nothing
    but the read-me may be opened or started."""
    before = len(machine.journal())
    program = machine.launch(FOLDER)
    checks.equal(f"{label}: message boxes, in order", machine.driver().boxes(until="exit"),
                 boxes)
    checks.equal(f"{label}: exit code", program.wait_exit(), 0)
    checks.equal(f"{label}: only the read-me opened, the replacement never ran",
                 command_lines(machine.settled_journal()[before:]),
                 [expected.read_me_opened(FOLDER)])


def shipped_bytes(machine, name):
    with open(machine.paths.shipped(name), "rb") as f:
        return f.read()


def replaced_before_the_start(machine, checks):
    shipped = {name: shipped_bytes(machine, name) for name in COMPANIONS}
    # kill.exe was replaced at the end of held_while_running.
    for name in ("kill.exe", "fservice.exe"):
        machine.write_bytes(FOLDER + "\\" + name, machine.read_bytes(IMPOSTOR))
        start_refused(machine, checks, f"{name} replaced",
                      [expected.WARNING_BOX, expected.changed_file_box(name)])
        machine.write_bytes(FOLDER + "\\" + name, shipped[name])

    machine.write_bytes(FOLDER + "\\kill.exe", machine.read_bytes(IMPOSTOR))
    machine.import_registry(f'REGEDIT4\n\n[{APP_DEFAULTS}]\n"Version"="win2k"\n', "version.reg")
    start_refused(machine, checks, "Windows 2000, kill.exe replaced",
                  [expected.WARNING_BOX, expected.OLD_WINDOWS_BOX,
                   expected.changed_file_box("kill.exe")])
    checks.true("Windows 2000: the replaced kill.exe is not copied into the Windows folder",
                not machine.exists(COPIED_KILL))


def run(machine, checks):
    held_while_running(machine, checks)
    other_msconfig_not_copied(machine, checks)
    replaced_before_the_start(machine, checks)
