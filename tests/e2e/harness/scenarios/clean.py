"""Clean machine: a scan logs exactly the documented lines in both views
(progress 10, the list's current item the last line), saves them byte for byte
with CR LF, and starts no command; the menu's full scan appends an identical
block and saves both; the fix-up command adds exactly its four lines, starts
the registry tool twice and the repair program, copies the clean msconfig.exe,
and moves no progress and saves nothing. The only thing opened is the read-me."""

import expected
from scenarios.common import exit_program, list_items, progress, start_program, tree_nodes

FOLDER = "C:\\DiziTarvix"
LOG_FILE = FOLDER + "\\DiziTarvix_Log.txt"
MSCONFIG = expected.SYSTEM_DIR + "\\msconfig.exe"


def check_views(checks, state, model, label):
    main = state["main"]
    checks.equal(f"{label}: list lines", list_items(state), model.texts)
    checks.equal(f"{label}: tree nodes with their nesting", tree_nodes(state), model.tree)
    checks.equal(f"{label}: the list's current item is the last line",
                 main["list"]["selection"], len(model.texts) - 1)
    checks.equal(f"{label}: progress", progress(state), 10)
    checks.equal(f"{label}: no message box", state["boxes"], [])


def run(machine, checks):
    machine.install_program(FOLDER, recorded=("kill.exe", "fservice.exe"),
                            chained=("kill.exe", "fservice.exe"))
    program = start_program(machine, checks, FOLDER)
    driver = machine.driver()
    checks.equal("journal after start: only the read-me opened",
                 [e.command_line for e in machine.settled_journal()],
                 [expected.read_me_opened(FOLDER)])
    checks.true("no msconfig.exe in the system folder before any repair",
                not machine.exists(MSCONFIG))

    first = expected.ScanModel(FOLDER).scan()
    state = driver.click("Scan")
    check_views(checks, state, first, "Scan on a clean machine")
    checks.equal("list box scrolls 700 pixels wide", state["main"]["list"]["horizontalExtent"],
                 700)
    checks.equal("log file: every line with CR LF", machine.read_bytes(LOG_FILE),
                 first.log_file())
    checks.equal("no command started by a clean scan", len(machine.settled_journal()), 1)

    both = expected.ScanModel(FOLDER).scan().scan()
    state = driver.menu("Preform a full scan")
    check_views(checks, state, both, "Preform a full scan after Scan")
    checks.equal("log file holds both runs", machine.read_bytes(LOG_FILE), both.log_file())
    checks.equal("still no command started", len(machine.settled_journal()), 1)

    state = driver.menu("Just fix-up my RegEdit & Msconfig")
    checks.equal("fix-up adds exactly its four lines", list_items(state),
                 both.texts + expected.FIX_UP_LINES)
    checks.equal("fix-up lines are top-level tree nodes", tree_nodes(state),
                 both.tree + [[0, line] for line in expected.FIX_UP_LINES])
    checks.equal("fix-up leaves the progress bar", progress(state), 10)
    checks.equal("fix-up saves no log", machine.read_bytes(LOG_FILE), both.log_file())
    journal = machine.settled_journal()
    checks.equal("fix-up starts the registry tool twice and the repair program",
                 [e.command_line for e in journal[1:]], expected.FIX_UP_COMMANDS)
    checks.equal("the registry commands ran the system folder's reg.exe",
                 [e.module for e in journal[1:3]],
                 [machine.real_path(expected.SYSTEM_DIR + "\\reg.exe")] * 2)
    checks.equal("clean msconfig.exe copied byte for byte", machine.read_bytes(MSCONFIG)
                 if machine.exists(MSCONFIG) else None, machine.read_bytes(FOLDER + "\\msconfig.exe"))

    exit_program(machine, checks, program)
    checks.equal("no page opened, no further command", len(machine.settled_journal()), 4)
