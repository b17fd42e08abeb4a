"""A family file that is a hard link to Wine's own running services.exe
(C:\\windows\\krt32.exe and the system folder's services.exe are one file with
two names, nNumberOfLinks 2): the kill tool given the family file's path ends
nothing and says that no process has that image, and a scan without a window
finds and removes the family file while services.exe runs on with the same
process id and its file stays. No task-kill is started."""

import os

import data_tree
import expected
import prefix as prefixes
import quarantine
from journal import command_lines
from processes import wine_processes
from scenarios.common import pending_renames, run_silent, silent_log

FOLDER = "C:\\DiziTarvix"
LOG_FILE = FOLDER + "\\DiziTarvix_Log.txt"
LINKED = expected.WINDOWS_DIR + "\\krt32.exe"
# As Wine shows its command line: on a 64-bit Windows too, where it is a
# 64-bit program in the real system folder.
WINDOWS_OWN = expected.SYSTEM_DIR + "\\services.exe"


def windows_own_running(machine):
    return sorted(pid for pid, name in wine_processes(machine.prefix)
                  if name.lower() == WINDOWS_OWN.lower())


def run(machine, checks):
    machine.install_program(FOLDER, recorded=("kill.exe", "fservice.exe"), chained=("kill.exe",))
    own_file = WINDOWS_OWN
    if machine.layout.native_system_dir:
        own_file = machine.layout.native_system_dir + "\\services.exe"
    os.link(machine.host(own_file), machine.host(LINKED))
    # The driver's start starts the prefix, and with it Wine's services.exe.
    machine.driver().processes()
    own = windows_own_running(machine)
    checks.equal("before: one services.exe of Wine's own runs", len(own), 1)

    code, out, _ = machine.run_wine([prefixes.COMPANION_SETTINGS + "\\kill.real.exe", "-f", LINKED])
    checks.equal(f'kill -f "{LINKED}": exit code 1 (nothing ended)', code, 1)
    checks.equal("it says no process has that image", out.decode("latin-1").splitlines(),
                 ["kill: no running process has the image " + LINKED])
    checks.equal("services.exe runs on with the same process id after the kill tool",
                 windows_own_running(machine), own)

    code, windows = run_silent(machine, ["/silent"], FOLDER)
    undeletable = [LINKED] if machine.exists(LINKED) else []
    model = expected.ScanModel(FOLDER, present=[LINKED], undeletable=undeletable,
                               quarantine=quarantine.log_lines(machine),
                               run_id=data_tree.newest_run_id(machine)).scan()
    checks.equal("scan: exit code (found; removed, or a restart is needed)", code,
                 2 if undeletable else 1)
    checks.equal("scan: no window", windows, [])
    checks.equal("scan: services.exe runs on with the same process id",
                 windows_own_running(machine), own)
    checks.true("scan: services.exe's file stays", machine.exists(own_file))
    checks.equal("scan: the log", machine.read_bytes(LOG_FILE), silent_log(model))
    journal = command_lines(machine.settled_journal())
    checks.equal("scan: the commands started", journal, model.commands)
    checks.equal("scan: no task-kill at all",
                 [line for line in journal if "taskkill" in line.lower()], [])
    renames = pending_renames(machine.driver())
    checks.equal("scan: no deletion of services.exe pending",
                 [source for source, _ in renames if source.lower().endswith("\\services.exe")],
                 [])
