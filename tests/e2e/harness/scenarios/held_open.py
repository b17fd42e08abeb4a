"""A target held open, without delete sharing, by a process that survives the
kill commands (the real kill.exe runs): each server pass finds it again and
logs the truthful "could not be deleted now; it will be deleted at the next
restart." line, never "has been deleted"; the file stays, its deletion at
restart is registered in PendingFileRenameOperations, and a second target
beside it is deleted as usual. The held file is kept in the quarantine once,
the same item named in every pass. A target locked even against reading counts
as absent and is left alone."""

import subprocess

import data_tree
import expected
import quarantine
from scenarios.common import (exit_program, list_items, pending_renames, progress,
                              start_program, tree_nodes)
from machine import wait_ready

FOLDER = "C:\\DiziTarvix"
HELD = expected.SYSTEM_DIR + "\\winkey.dll"
FREE = expected.WINDOWS_DIR + "\\Pplugin1.dll"
LOCKED = expected.WINDOWS_DIR + "\\Pplugin2.dll"


def run(machine, checks):
    machine.install_program(FOLDER, recorded=("kill.exe", "fservice.exe"),
                            chained=("kill.exe", "fservice.exe"))
    machine.write_bytes(HELD, b"held open")
    machine.write_bytes(FREE, b"free to delete")
    machine.write_bytes(LOCKED, b"locked")
    machine.install_test_program("sleeper.exe", "C:\\e2e\\holder.exe")
    holder = machine.start_wine(["C:\\e2e\\holder.exe", HELD], stdout=subprocess.PIPE)
    locker = machine.start_wine(["C:\\e2e\\holder.exe", LOCKED, "lock"],
                                stdout=subprocess.PIPE)
    if not (wait_ready(holder) and wait_ready(locker)):
        raise RuntimeError("holder.exe could not open its files")
    driver = machine.driver()
    checks.equal("nothing pending before the scan", pending_renames(driver), [])

    program = start_program(machine, checks, FOLDER)
    # The locked file cannot be opened for reading, so the scan takes it for absent.
    state = driver.click("Scan")
    model = expected.ScanModel(FOLDER, present=[HELD, FREE], undeletable=[HELD],
                               quarantine=quarantine.log_lines(machine),
                               run_id=data_tree.newest_run_id(machine)).scan()
    checks.equal("list: the held file found and reported truthfully in every pass",
                 list_items(state), model.texts)
    checks.equal("tree", tree_nodes(state), model.tree)
    checks.equal("progress", progress(state), 10)
    checks.equal("no line claims a deletion of the held file",
                 list_items(state).count(expected.DELETED["server"]), 1)
    checks.true("the holding process survived the kill commands", holder.poll() is None)
    checks.true("the held file is still there", machine.exists(HELD))
    checks.true("the free file beside it is gone", not machine.exists(FREE))
    checks.equal("the file locked against reading is left alone", machine.read_bytes(LOCKED),
                 b"locked")
    events = quarantine.events(machine)
    held = [e for e in events if e["event"] == "kept" and e["path"].lower() == HELD.lower()]
    checks.equal("the held file kept once, though found in three passes", len(held), 1)
    checks.equal("its item gives its bytes back",
                 held and quarantine.recovered(machine, held[0]["id"]), b"held open")
    checks.equal("and its original noted as deleted at restart after each pass",
                 [e["original"] for e in events
                  if e["event"] == "original" and held and e["id"] == held[0]["id"]],
                 ["deleted at restart"] * 3)
    # Under the file's real name: on a 64-bit Windows the system (a 64-bit
    # program) carries the deletion out, and the held file is in SysWOW64.
    checks.equal("its deletion at the next restart is registered, and nothing else",
                 sorted(set(pending_renames(driver))),
                 [("\\??\\" + machine.real_path(HELD), "")])

    journal = machine.settled_journal()
    checks.equal("command journal: three passes of kills and repairs, the start-up task, the restart",
                 [e.command_line for e in journal[1:]], model.commands)
    exit_program(machine, checks, program)
