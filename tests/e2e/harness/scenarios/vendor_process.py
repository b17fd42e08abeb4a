"""The family's downloader C:\\windows\\system32\\dservice.exe runs twice, beside a
vendor's program of the same name in C:\\Program Files\\Vendor: one family
process the kill tool ends; the other holds its own file open and denies
everyone the right to end it. A scan without a window ends the first, hands
exactly the second one's process id to the system's task-kill tool
("taskkill /F /PID <id>": its stand-in records the command and ends nothing),
and never reaches the vendor's program: no command in the journal ends
processes by image name (/IM) or with their children (/T). The family file,
held open by the surviving process, is deleted at the next restart."""

import subprocess

import data_tree
import expected
import quarantine
from journal import command_lines
from machine import ready_process_id
from scenarios.common import pending_renames, run_silent, silent_log

FOLDER = "C:\\DiziTarvix"
LOG_FILE = FOLDER + "\\DiziTarvix_Log.txt"
FAMILY = expected.SYSTEM_DIR + "\\dservice.exe"
VENDOR = "C:\\Program Files\\Vendor\\dservice.exe"


def start(machine, args):
    """A sleeper started by the real path of its file; its process and id."""
    process = machine.start_wine([machine.real_path(args[0])] + args[1:], stdout=subprocess.PIPE)
    pid = ready_process_id(process)
    if pid is None:
        raise RuntimeError(" ".join(args) + " did not start")
    return process, pid


def taskkill_words(line):
    """The words after a task-kill command's program; None for another command."""
    program = f'"{expected.SYSTEM_DIR}\\taskkill.exe"'
    return line[len(program):].split() if line.lower().startswith(program.lower()) else None


def run(machine, checks):
    machine.install_program(FOLDER, recorded=("kill.exe", "fservice.exe"), chained=("kill.exe",))
    machine.install_test_program("sleeper.exe", FAMILY)
    machine.install_test_program("sleeper.exe", VENDOR)
    vendor, _ = start(machine, [VENDOR])
    family, _ = start(machine, [FAMILY])
    guarded, guarded_id = start(machine, [FAMILY, FAMILY, "protect"])

    code, windows = run_silent(machine, ["/silent"], FOLDER)
    model = expected.ScanModel(FOLDER, present=[FAMILY], undeletable=[FAMILY],
                               quarantine=quarantine.log_lines(machine),
                               not_ended={FAMILY.lower(): [guarded_id]},
                               run_id=data_tree.newest_run_id(machine)).scan()
    checks.equal("exit code: found, a restart is needed to finish", code, 2)
    checks.equal("no window", windows, [])
    checks.true("the family's own process ended",
                machine.wait_for(lambda: family.poll() is not None, timeout=10))
    checks.true("the vendor's program of the same name runs on", vendor.poll() is None)
    checks.true("the process that denies ending runs on (the stand-in ends nothing)",
                guarded.poll() is None)
    checks.equal("the log: both signals, the second for that process", machine.read_bytes(LOG_FILE),
                 silent_log(model))

    journal = command_lines(machine.settled_journal())
    checks.equal("the commands started", journal, model.commands)
    checks.equal("the task-kill: forced, for exactly the process the kill tool could not end",
                 [taskkill_words(line) for line in journal if taskkill_words(line) is not None],
                 [["/F", "/PID", str(guarded_id)]])
    checks.equal("no command ends processes by name or with their children",
                 [line for line in journal
                  if {"/im", "/t"} & {word.lower() for word in line.split()}], [])
    checks.equal("the family file's deletion at the next restart is registered",
                 pending_renames(machine.driver()), [("\\??\\" + machine.real_path(FAMILY), "")])
