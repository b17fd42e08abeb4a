"""A read-only log file from an earlier run: the scan still runs to its end,
the "Saving Error" box appears once, the old log stays byte for byte and no
temporary file is left beside it; the run's log is kept in the data tree's
Reports folder instead, and the list says where."""

import json
import os
import stat

import data_tree
import expected
from scenarios.common import exit_program, list_items, progress, start_program

FOLDER = "C:\\DiziTarvix"
LOG_FILE = FOLDER + "\\DiziTarvix_Log.txt"
OLD_LOG = b"  An earlier run's log\r\n[ kept as it was ]\r\n"


def run(machine, checks):
    machine.install_program(FOLDER, recorded=("kill.exe", "fservice.exe"),
                            chained=("kill.exe", "fservice.exe"))
    machine.write_bytes(LOG_FILE, OLD_LOG)
    # A file without write permission is what Wine shows as read-only.
    os.chmod(machine.host(LOG_FILE), stat.S_IRUSR | stat.S_IRGRP | stat.S_IROTH)
    files_before = sorted(os.listdir(machine.host(FOLDER)))

    program = start_program(machine, checks, FOLDER)
    driver = machine.driver()
    state = driver.click("Scan")
    checks.equal("the box is up once the scan has written its lines",
                 [box["caption"] for box in state["boxes"]], ["Saving Error"])
    checks.equal("Saving Error box", driver.boxes(until="main"), [expected.SAVING_ERROR_BOX])
    state = driver.state()
    model = expected.ScanModel(FOLDER).scan()
    run_id = data_tree.newest_run_id(machine)
    kept = data_tree.kept_runs(machine).get(run_id, {})
    computer = kept.get("report") and json.loads(kept["report"].decode("utf-8"))["computer"]
    kept_log = f"{data_tree.REPORTS}\\{computer}-{run_id}.log"
    checks.equal("the scan's lines are all logged, then where the log is kept instead",
                 list_items(state), model.texts + [expected.LOG_KEPT_INSTEAD + kept_log])
    checks.equal("the computer's copy of the log holds them",
                 kept.get("log"), model.log_file() +
                 (expected.LOG_KEPT_INSTEAD + kept_log + "\r\n").encode("latin-1"))
    checks.equal("progress reaches 10 after the box", progress(state), 10)
    checks.equal("old log byte for byte", machine.read_bytes(LOG_FILE), OLD_LOG)
    checks.equal("no file left beside the program", sorted(os.listdir(machine.host(FOLDER))),
                 files_before)
    exit_program(machine, checks, program)
