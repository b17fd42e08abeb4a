"""/silent /scanonly on an infected machine: exit code 8, no window, nothing
started (not even a kill tool or the task scheduler's tool), every planted
file and registry value byte for byte as it was, nothing kept in the
quarantine, no deletion registered for the restart, the log saying it only
looked, and a report listing every target once as "found", where it really
lies. The registry marker, the program's own, says the run found something.
On the cleaned machine the same switches give exit code 0."""

import os

import data_tree
import expected
import quarantine
from scenarios import infected
from scenarios.common import (pending_renames, read_report, registry_values, run_silent,
                              silent_log)

FOLDER = "C:\\DiziTarvix"
LOG_FILE = FOLDER + "\\DiziTarvix_Log.txt"
REPORTS = "C:\\Reports"
REPORT = REPORTS + "\\scan.json"
POLICIES = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System"


def files_under(machine, paths):
    return {path: machine.read_bytes(path) if machine.exists(path) else None for path in paths}


def run(machine, checks):
    machine.install_program(FOLDER, recorded=("kill.exe", "fservice.exe"),
                            chained=("kill.exe", "fservice.exe"))
    targets, decoys = infected.plant(machine)
    machine.import_registry(f'REGEDIT4\n\n[{POLICIES}]\n"DisableTaskMgr"=dword:00000001\n'
                            '"DisableRegistryTools"=dword:00000001\n', "policies.reg")
    os.makedirs(machine.host(REPORTS))
    planted = [infected.OTHER_CASE.get(p, p) for p in targets] + list(decoys)
    msconfig = expected.SYSTEM_DIR + "\\msconfig.exe"
    before = files_under(machine, planted + [msconfig])
    driver = machine.driver()
    registry_before = {key: driver.registry(key) for key in (infected.RUN_KEY, POLICIES)}

    code, windows = run_silent(machine, ["/silent", "/scanonly", "/report:" + REPORT], FOLDER)
    checks.equal("exit code 8, no window", (code, windows), (8, []))
    checks.equal("nothing started", machine.settled_journal(), [])
    checks.equal("every planted file as it was, byte for byte",
                 [path for path, data in files_under(machine, planted + [msconfig]).items()
                  if data != before[path]], [])
    checks.equal("every planted registry value as it was",
                 {key: driver.registry(key) for key in registry_before}, registry_before)
    checks.equal("nothing kept in the quarantine", quarantine.events(machine), [])
    checks.equal("no deletion registered for the restart", pending_renames(driver), [])

    model = expected.ScanModel(FOLDER, present=targets, mode="scan_only").scan()
    checks.equal("the log: it only looked, every find left as it is",
                 machine.read_bytes(LOG_FILE), silent_log(model))
    report = read_report(machine, REPORT)
    checks.equal("the report: found, the code, nothing repaired, no restart, nothing arranged",
                 report and (report["result"], report["exit_code"], report["repairs"],
                             report["restart_scheduled"], report["follow_up"]),
                 ("found", 8, [], False, None))
    checks.equal("the report: every target once, as found, where it really lies",
                 report and [(f["path"], f["real_path"], f["outcome"], f["quarantine"])
                             for f in report["found"]],
                 [(path, machine.real_path(path), "found", None) for path in model.found])
    marker = registry_values(driver, "HKLM\\SOFTWARE\\DiziTarvix")
    checks.equal("the marker: the scan found something",
                 (marker.get("LastResult"), marker.get("LastExitCode"), marker.get("LastRunId")),
                 ("found", 8, data_tree.newest_run_id(machine)))

    for path in targets:
        os.remove(machine.host(infected.OTHER_CASE.get(path, path)))
    code, _ = run_silent(machine, ["/silent", "/scanonly"], FOLDER)
    checks.equal("a clean machine: exit code 0", code, 0)
