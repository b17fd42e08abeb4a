"""An infected machine cleaned without a window, the program in a folder whose
path has spaces and started from another working folder, as SYSTEM would
start it from a deployment tool: exit code 1, exactly the commands the
window's scan starts (the same journal), every target deleted and the decoys
untouched, the window's log (without a line about a read-me it never opens),
no window and no box at any moment, and a report that lists each file found
once, in the order found, with its kind and what became of it, the four
repairs and the restart scheduled, and each file's quarantine item and
SHA-256.
scripts/fleet-report reads the report back. Then /restore:<id> puts one file
back byte for byte and nothing else, never over a file that is there (exit
code 3), and an unknown id is exit code 5."""

import csv
import hashlib
import os
import subprocess
import sys
import time

import data_tree
import expected
import quarantine
from processes import log
from scenarios import infected
from scenarios.common import read_report, run_silent, silent_log
from scenarios.registry_tool import USER_SID

FOLDER = infected.FOLDER
REPORTS = "C:\\Reports"
REPORT = REPORTS + "\\PC-042.json"
FLEET_REPORT = os.path.join(os.path.dirname(__file__), "..", "..", "..", "..", "scripts",
                            "fleet-report")


def run(machine, checks):
    machine.install_program(FOLDER, recorded=("kill.exe", "fservice.exe"),
                            chained=("fservice.exe",))
    targets, decoys = infected.plant(machine)
    os.makedirs(machine.host(REPORTS))
    os.makedirs(machine.host(infected.WORK), exist_ok=True)

    started = time.time()
    code, windows = run_silent(machine, ["/silent", "/report:" + REPORT], FOLDER,
                               cwd=infected.WORK)
    restarts = [e.time for e in machine.settled_journal() if e.command_line == expected.RESTART]
    if restarts:
        # Windows' file times count 100 ns from 1601; Unix seconds from 1970.
        log("from the start of the run to its restart command, every target planted: "
            f"{restarts[-1] / 1e7 - 11644473600 - started:.2f} s")
    model = expected.ScanModel(FOLDER, present=targets, quarantine=quarantine.log_lines(machine),
                               repair_lines=infected.REPAIR_LINES,
                               run_id=data_tree.newest_run_id(machine)).scan()
    checks.equal("exit code", code, 1)
    checks.equal("no window and no box appeared at any moment", windows, [])
    checks.equal("command journal: exactly the window's scan's commands, in order",
                 [e.command_line for e in machine.settled_journal()], model.commands)
    checks.equal("every target file deleted",
                 [p for p in targets if machine.exists(infected.OTHER_CASE.get(p, p))], [])
    checks.equal("decoys untouched, byte for byte",
                 [p for p, data in decoys.items()
                  if not machine.exists(p) or machine.read_bytes(p) != data], [])
    checks.equal("log file: the window's lines",
                 machine.read_bytes(infected.LOG_FILE), silent_log(model))

    report = read_report(machine, REPORT)
    if not checks.true("report written", report is not None):
        return
    checks.equal("report: result and exit code", (report["result"], report["exit_code"]),
                 ("removed", 1))
    checks.equal("report: each file found once, in the order found",
                 [(f["path"], f["kind"], f["outcome"]) for f in report["found"]],
                 [(path, kind, outcome) for path, (kind, outcome) in model.found.items()])
    checks.equal("report: the fix-up's steps",
                 [(r["step"], r["ok"]) for r in report["repairs"]],
                 [("task_manager", True), ("registry_editor", True), ("msconfig", True),
                  ("repair_program", True)])
    checks.equal("report: each user's hive and what the repair program did there",
                 [(h["hive"], h["kind"], h["done"], h["values_changed"], h["tools_given_back"])
                  for h in report["user_hives"]],
                 [(USER_SID, "own", "cleaned", 1, False),
                  (".Default", "loaded", "nothing_found", 0, False)])
    checks.equal("report: restart scheduled, log saved, no errors",
                 (report["restart_scheduled"], report["log_file"], report["errors"]),
                 (True, infected.LOG_FILE, []))

    out_dir = os.path.join(machine.run_dir, "fleet")
    fleet = subprocess.run([sys.executable, "-B", FLEET_REPORT, machine.host(REPORTS),
                            "--csv", out_dir], capture_output=True, text=True, timeout=60)
    checks.equal("fleet-report: exit status", fleet.returncode, 0)
    with open(os.path.join(out_dir, "machines.csv"), encoding="utf-8-sig", newline="") as f:
        machines = list(csv.DictReader(f))
    checks.equal("fleet-report: the machine and its result",
                 [(m["computer"], m["result"], m["exit_code"], m["files_found"])
                  for m in machines],
                 [(report["computer"], "removed", "1", str(len(report["found"])))])
    check_restore(machine, checks, report, targets)


def check_restore(machine, checks, report, targets):
    kept = {f["path"]: f["quarantine"] for f in report["found"] if f["quarantine"]}
    checks.equal("report: each file's quarantine item and the SHA-256 of its planted bytes",
                 [f["path"] for f in report["found"]
                  if f["path"] not in kept or
                  f["sha256"] != hashlib.sha256(b"planted " + f["path"].encode()).hexdigest()],
                 [])
    one = next(path for path in kept if path not in infected.OTHER_CASE)
    code, windows = run_silent(machine, ["/restore:" + kept[one]], FOLDER)
    checks.equal("/restore:<id>: exit code, no window", (code, windows), (0, []))
    checks.equal("/restore:<id>: the file is back byte for byte",
                 machine.exists(one) and machine.read_bytes(one), b"planted " + one.encode())
    checks.equal("/restore:<id>: no other file is back",
                 [p for p in targets if p != one and machine.exists(infected.OTHER_CASE.get(p, p))],
                 [])
    machine.write_bytes(one, b"installed since")
    code, _ = run_silent(machine, ["/restore:" + kept[one]], FOLDER)
    checks.equal("/restore:<id> where another file is: exit code 3, that file left as it is",
                 (code, machine.read_bytes(one)), (3, b"installed since"))
    code, _ = run_silent(machine, ["/restore:20000101-000000-01"], FOLDER)
    checks.equal("/restore of an id no item has: exit code 5", code, 5)
