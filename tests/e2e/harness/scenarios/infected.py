"""Infected machine, program in a folder whose path has spaces: the server
files in the three folders and every downloader file are found in descending
order, killed, aborted, kept in the quarantine (each item gives the planted
bytes back, its manifest line has the right size and SHA-256) and deleted,
with the exact log in both views, the
exact command journal (full quoted paths, the kill tool with each found
file's path, the task-kill tool with its name except for services.exe, one
shutdown abort per server find, the repair's commands, the start-up task for
the scan after the restart, and one restart as the last command), the three passes, the saved log, the clean
msconfig.exe copied and the repair program's work done. Decoys beside the
targets (on a 64-bit Windows also files named like the system-folder targets in
its 64-bit system folder) stay untouched, and the look-alike programs planted where a careless
command line would find them (C:\\Program.exe, the tools in the working and
program folders) never run; nor do the kill.exe and fservice.exe beside the
program, which the run starts from its own verified copies. The repair
program's undo file holds the Run value it removed."""

import hashlib
import os

import data_tree
import expected
import quarantine
from scenarios.common import exit_program, list_items, progress, start_program, tree_nodes
from scenarios.registry_tool import USER_SID

FOLDER = "C:\\Program Files\\Dizi Tarvix"
WORK = "C:\\Work Folder"
LOG_FILE = FOLDER + "\\DiziTarvix_Log.txt"
MSCONFIG = expected.SYSTEM_DIR + "\\msconfig.exe"

# Programs a command line without quotes or full paths would start instead.
PLANTED_PROGRAMS = ["C:\\Program.exe", "C:\\Program Files\\Dizi.exe"] + [
    folder + "\\" + name for folder in (FOLDER, WORK)
    for name in ("taskkill.exe", "shutdown.exe", "reg.exe")] + [
    WORK + "\\kill.exe", WORK + "\\fservice.exe"]

# One target is planted under another case: Windows file names ignore case,
# so it is the same file and must be found and deleted like the others.
OTHER_CASE = {expected.WINDOWS_DIR + "\\Pplugin1.dll": expected.WINDOWS_DIR + "\\PPLUGIN1.DLL"}

W, S, L = expected.WINDOWS_DIR, expected.SYSTEM_DIR, expected.LEGACY_SYSTEM_DIR
DECOY_FILES = [
    W + "\\winkey.dl_", S + "\\fservice.exe.bak", W + "\\krt32.com",      # other extension
    S + "\\myfservice.exe", W + "\\Pplugin11.dll", S + "\\wservices.exe",  # near misses
    W + "\\krt33.exe", W + "\\kt.atm.txt",
    L + "\\winkey.dll", W + "\\fservice.exe", S + "\\Pplugin1.dll",       # name, wrong folder
]


# On a 64-bit Windows the program's system folder is SysWOW64; files named like
# its targets in the 64-bit one (which it calls "sysnative") are not its own.
def native_system_decoys(machine):
    native = machine.layout.native_system_dir
    if native is None:
        return []
    return [native + entry for entry, folder in
            expected.SERVER_SIGNATURES + expected.DOWNLOADER_SIGNATURES if folder == "system"]


# A directory named like a target, in place of that target's file: the probe
# takes it for absent.
DECOY_FOLDER = W + "\\kt.atm"
RUN_KEY = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"
# The user's value is recorded under the user's own hive, never under
# HKEY_CURRENT_USER (which means the hive of whoever imports the file).
UNDO_RUN_VALUE = (f'[HKEY_USERS\\{USER_SID}\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n'
                  '"Tarvix"="C:\\\\WINDOWS\\\\krt32.exe"\r\n')
# The fix-up's line for the user's hive, where the repair program removed
# that value.
REPAIR_LINES = [[expected.repair_line(USER_SID, 1)]]


def plant(machine):
    targets = [path for path in expected.SERVER_TARGETS + expected.DOWNLOADER_TARGETS
               if path != DECOY_FOLDER]
    for path in targets:
        machine.write_bytes(OTHER_CASE.get(path, path), b"planted " + path.encode())
    decoys = {path: b"decoy " + path.encode()
              for path in DECOY_FILES + native_system_decoys(machine)}
    decoys[DECOY_FOLDER + "\\inside.txt"] = b"inside a directory named like a target"
    for path, data in decoys.items():
        machine.write_bytes(path, data)
    for path in PLANTED_PROGRAMS:
        machine.install_test_program("recorder.exe", path)
    machine.import_registry(
        "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\n"
        '"Tarvix"="C:\\\\WINDOWS\\\\krt32.exe"\n"Other"="C:\\\\Tools\\\\other.exe"\n')
    return targets, decoys


def run(machine, checks):
    # The kill tool is only recorded here; windows_name runs the real one
    # against a planted services.exe that is running.
    machine.install_program(FOLDER, recorded=("kill.exe", "fservice.exe"),
                            chained=("fservice.exe",))
    targets, decoys = plant(machine)
    program = start_program(machine, checks, FOLDER, cwd=WORK)
    driver = machine.driver()
    checks.equal("journal after start: the read-me opened by its full path",
                 [e.command_line for e in machine.settled_journal()],
                 [expected.read_me_opened(FOLDER)])

    state = driver.click("Scan")
    model = expected.ScanModel(FOLDER, present=targets, quarantine=quarantine.log_lines(machine),
                               repair_lines=REPAIR_LINES,
                               run_id=data_tree.newest_run_id(machine)).scan()
    checks.equal("list: every find in descending order, then two clean passes",
                 list_items(state), model.texts)
    checks.equal("tree: each find's details nested as a staircase", tree_nodes(state), model.tree)
    checks.equal("progress", progress(state), 10)
    checks.equal("no message box", state["boxes"], [])
    checks.equal("three server passes", list_items(state).count(expected.SERVER_START), 3)

    journal = machine.settled_journal()
    checks.equal("command journal: exactly the documented commands, in order",
                 [e.command_line for e in journal[1:]], model.commands)
    # The recorders beside the program are not among them: the run starts its
    # own verified copies of them.
    allowed = {expected.KILL_TOOL, expected.REPAIR_PROGRAM, "C:\\e2e\\open-txt.exe"} | {
        machine.real_path(expected.SYSTEM_DIR + "\\" + tool)
        for tool in ("taskkill.exe", "shutdown.exe", "reg.exe", "schtasks.exe")}
    ran = sorted({e.module for e in journal} - allowed)
    checks.equal("none of the planted look-alike programs ran", ran, [])
    checks.equal("one restart, the run's last command",
                 [e.command_line for e in journal].count(expected.RESTART), 1)

    left = [path for path in targets if machine.exists(OTHER_CASE.get(path, path))]
    checks.equal("every target file deleted", left, [])
    changed = [path for path, data in decoys.items()
               if not machine.exists(path) or machine.read_bytes(path) != data]
    checks.equal("decoys untouched, byte for byte", changed, [])
    checks.equal("clean msconfig.exe copied into the system folder byte for byte",
                 machine.read_bytes(MSCONFIG) if machine.exists(MSCONFIG) else None,
                 machine.read_bytes(FOLDER + "\\msconfig.exe"))
    checks.equal("log file saved beside the program", machine.read_bytes(LOG_FILE),
                 model.log_file())
    check_quarantine(machine, checks, targets)

    def run_values():
        return sorted(v["name"] for v in driver.registry(RUN_KEY)["values"])

    checks.equal("the repair program removed the family's Run value, nothing else",
                 machine.wait_for(lambda: run_values() == ["Other"] and run_values()) or
                 run_values(), ["Other"])
    undo_files = [name for name in os.listdir(machine.host(quarantine.FOLDER))
                  if name.startswith("registry-undo-")]
    checks.equal("one registry undo file", len(undo_files), 1)
    undo = machine.read_bytes(quarantine.FOLDER + "\\" + undo_files[0]) if undo_files else b""
    text = undo.decode("utf-16") if undo else ""
    checks.true("it holds the removed Run value as it was", UNDO_RUN_VALUE in text, text)
    exit_program(machine, checks, program)


def check_quarantine(machine, checks, targets):
    """Every found file kept once, before its deletion, and recoverable."""
    events = quarantine.events(machine)
    kept = [e for e in events if e["event"] == "kept"]
    planted = {path.lower(): b"planted " + path.encode() for path in targets}
    checks.equal("every found file kept once, in the order found",
                 sorted(e["path"].lower() for e in kept), sorted(planted))
    checks.equal("nothing failed to be kept",
                 [e for e in events if e["event"] == "not kept"], [])
    wrong = [e["path"] for e in kept
             if quarantine.recovered(machine, e["id"]) != planted.get(e["path"].lower())]
    checks.equal("every item gives the planted bytes back", wrong, [])
    checks.equal("size and SHA-256 of each original recorded",
                 [(e["size"], e["sha256"]) for e in kept],
                 [(len(planted[e["path"].lower()]),
                   hashlib.sha256(planted[e["path"].lower()]).hexdigest()) for e in kept])
    checks.equal("each original recorded as deleted",
                 sorted((e["id"], e["original"]) for e in events if e["event"] == "original"),
                 sorted((e["id"], "deleted") for e in kept))
    names = sorted(n for n in os.listdir(machine.host(quarantine.FOLDER))
                   if not n.startswith("registry-undo-"))
    checks.equal("only the items and the manifest in the folder", names,
                 sorted([e["id"] + ".dzq" for e in kept] + ["manifest.jsonl"]))
