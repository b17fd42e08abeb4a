"""The program's folder switched to other programs after the start runs none
of them. The program runs from C:\\DiziTarvix, which is a link (from Linux, a
symbolic link, which Wine shows as a reparse point) to the folder the package
was unpacked to, as a user who made C:\\DiziTarvix before a deployment's copy
could have it. Once the window is open, the link is pointed (from Linux) at
another folder whose kill.exe and fservice.exe are recorders of their own.
A scan of an infected machine then starts the kill tool and the repair
program only from the verified copies the run made in the data tree: the
journal shows exactly the documented commands, every one from those copies
or the system's folder, none from the program's folder, the folder it was
unpacked to or the one the link now leads to. Those copies stay held for the
run (cmd's copy, del and ren fail on them). The list says first that the
program's folder is a link, and that the log is therefore saved in the data
tree's Reports folder, where it then is, and in neither folder the link led
to."""

import os

import data_tree
import expected
import quarantine
from machine import COMPANIONS
from scenarios.common import exit_program, list_items, start_program
from scenarios.companions import IMPOSTOR, try_to_swap

LINK = "C:\\DiziTarvix"
UNPACKED = "C:\\Unpacked"
PLANTED = "C:\\Planted"
TARGET = expected.WINDOWS_DIR + "\\krt32.exe"
LINK_NOTES = ["  The program's folder C:\\DiziTarvix is a link (a junction or a symbolic link) "
              "to another place.",
              "  So the log is saved in " + data_tree.REPORTS +
              ", where no link can lead it elsewhere."]


def point_link(machine, folder):
    """Points the link at `folder` in one step, as a rename over it does."""
    link = machine.host(LINK)
    target = os.path.relpath(machine.host(folder), os.path.dirname(link))
    os.symlink(target, link + ".new")
    os.replace(link + ".new", link)


def run(machine, checks):
    # The genuine programs are recorders too (with the test build that trusts
    # them), so that the journal names the file each start came from.
    machine.install_program(UNPACKED, recorded=sorted(COMPANIONS), chained=sorted(COMPANIONS))
    for name in sorted(COMPANIONS):
        machine.install_test_program("recorder.exe", PLANTED + "\\" + name)
    machine.install_test_program("recorder.exe", IMPOSTOR)
    point_link(machine, UNPACKED)
    machine.write_bytes(TARGET, b"planted " + TARGET.encode())

    program = start_program(machine, checks, LINK)
    before = len(machine.settled_journal())
    point_link(machine, PLANTED)
    checks.equal("the link now leads to the other programs",
                 machine.read_bytes(LINK + "\\kill.exe"),
                 machine.read_bytes(PLANTED + "\\kill.exe"))

    state = machine.driver().click("Scan")
    model = expected.ScanModel(LINK, present=[TARGET], quarantine=quarantine.log_lines(machine),
                               log_dir=data_tree.REPORTS,
                               run_id=data_tree.newest_run_id(machine)).scan()
    checks.equal("the list: first that the program's folder is a link, then the scan",
                 list_items(state), LINK_NOTES + model.texts)
    checks.equal("the log saved in the Reports folder, and beside neither program",
                 [machine.exists(folder + "\\DiziTarvix_Log.txt")
                  for folder in (data_tree.REPORTS, PLANTED, UNPACKED)], [True, False, False])
    journal = machine.settled_journal()[before:]
    checks.equal("the commands started, exactly", [e.command_line for e in journal],
                 model.commands)
    started = {e.module for e in journal}
    checks.equal("every start came from the run's copies or the system's folder",
                 sorted(module for module in started
                        if module not in (expected.KILL_TOOL, expected.REPAIR_PROGRAM) and
                        not module.lower().startswith(
                            machine.real_path(expected.SYSTEM_DIR).lower() + "\\")), [])
    checks.equal("both copies ran", sorted(started & {expected.KILL_TOOL, expected.REPAIR_PROGRAM}),
                 sorted([expected.KILL_TOOL, expected.REPAIR_PROGRAM]))
    checks.true("the infection removed", not machine.exists(TARGET))

    copies = {name: machine.read_bytes(data_tree.companion_copy(name)) for name in COMPANIONS}
    try_to_swap(machine, checks, "the run's copies", copies, folder=data_tree.PROGRAM_COPIES)
    exit_program(machine, checks, program)
