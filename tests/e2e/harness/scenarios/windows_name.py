"""A family file named like one of Windows' own processes: a planted
C:\\windows\\services.exe runs as a process holding its own file open. The scan
(with the real kill tool) ends that process by its file's path, while Wine's
own services.exe in the system folder runs on with the same process id, as
Linux ps shows; the kill tool ended what it found, so the system's task-kill
tool is never started, and the log says the second signal was not needed
instead of claiming both; the file is deleted, or its deletion at the next
restart registered."""

import subprocess

import expected
from journal import command_lines
from machine import wait_ready
from processes import wine_processes
from scenarios.common import exit_program, list_items, pending_renames, start_program

FOLDER = "C:\\DiziTarvix"
PLANTED = expected.WINDOWS_DIR + "\\services.exe"
WINDOWS_OWN = expected.SYSTEM_DIR + "\\services.exe"


def running(machine, program):
    return sorted(pid for pid, name in wine_processes(machine.prefix)
                  if name.lower() == program.lower())


def run(machine, checks):
    machine.install_program(FOLDER, recorded=("kill.exe", "fservice.exe"),
                            chained=("kill.exe", "fservice.exe"))
    machine.install_test_program("sleeper.exe", PLANTED)
    planted = machine.start_wine([PLANTED, PLANTED], stdout=subprocess.PIPE)
    if not wait_ready(planted):
        raise RuntimeError("the planted services.exe could not hold its own file open")
    program = start_program(machine, checks, FOLDER)
    driver = machine.driver()

    windows_own = running(machine, WINDOWS_OWN)
    checks.equal("before the scan: one services.exe of Wine's own runs", len(windows_own), 1)
    checks.equal("before the scan: the planted services.exe runs", len(running(machine, PLANTED)),
                 1)

    state = driver.click("Scan")
    lines = list_items(state)
    model = expected.ScanModel(FOLDER, present=[PLANTED]).scan()
    first_find = model.texts[1:8]
    checks.equal("the find, the first signal and why the second was not needed",
                 lines[1:8], first_find)
    checks.equal("no line claims the second signal",
                 [line for line in lines if "2/2 has been sent" in line or "1,2/2" in line], [])

    checks.true("the planted process has ended",
                machine.wait_for(lambda: planted.poll() is not None, timeout=10))
    checks.equal("Wine's own services.exe runs on with the same process id",
                 running(machine, WINDOWS_OWN), windows_own)
    gone = not machine.exists(PLANTED)
    checks.true("the planted file is deleted, or its deletion at restart registered",
                gone or ("\\??\\" + PLANTED, "") in pending_renames(driver))
    # Windows' own services.exe is a program of the system's own width: on a
    # 64-bit Windows it lies in the real system folder, not in SysWOW64.
    own_file = WINDOWS_OWN
    if machine.layout.native_system_dir:
        own_file = machine.layout.native_system_dir + "\\services.exe"
    checks.true("Wine's own services.exe file is untouched", machine.exists(own_file))

    journal = command_lines(machine.settled_journal())
    checks.true("the kill tool was given the planted file's full path",
                expected.kill_command(PLANTED) in journal, journal)
    checks.equal("no task-kill at all",
                 [line for line in journal if "taskkill" in line.lower()], [])
    exit_program(machine, checks, program)
