"""kill.exe: "kill -f NAME" ends every running process of that image name, in
any case, and no other; "kill -f "FULL PATH"" ends only the processes whose
image is that file (in any case, or in the "\\?\" form), never one of the same
name from another folder (on a 64-bit Windows: the system folder's file is the
one in SysWOW64, never the 64-bit system folder's of the same name); it never
ends itself, nor Wine's own services.exe asked for by name, and says why; a
process that denies the right to end it is reported, with the line the scan
reads ("kill: not ended: process <id>"), and runs on; its exit codes (0 ended,
1 nothing ended, 2 wrong command line) and its usage line."""

import subprocess

import expected
from machine import ready_process_id, wait_ready
from processes import wine_processes

FOLDER = "C:\\DiziTarvix"
KILL = FOLDER + "\\kill.exe"


def start_sleeper(machine, name, folder="C:\\e2e", by_host_path=False):
    """A sleeper started by its Windows path or, where Wine cannot start it by
    that name (a 32-bit program in the real 64-bit system folder), by the
    Linux path of its file."""
    path = folder + "\\" + name
    machine.install_test_program("sleeper.exe", path)
    process = machine.start_wine([machine.host(path) if by_host_path else path],
                                 stdout=subprocess.PIPE)
    if not wait_ready(process):
        raise RuntimeError(name + " did not start")
    return process


def ended(machine, process):
    return machine.wait_for(lambda: process.poll() is not None, timeout=10)


def check_path_form(machine, checks, beta):
    one, two = "C:\\e2e\\one\\alpha.exe", "C:\\e2e\\two\\alpha.exe"
    first = start_sleeper(machine, "alpha.exe", "C:\\e2e\\one")
    second = start_sleeper(machine, "alpha.exe", "C:\\e2e\\two")

    code, out, _ = machine.run_wine([KILL, "-f", one])
    checks.equal(f'kill -f "{one}": exit code', code, 0)
    checks.true(f"{one} ended", ended(machine, first), out)
    checks.true(f"{two}, the same name in another folder, still runs", second.poll() is None)
    checks.true("beta.exe still runs", beta.poll() is None)

    idle = "C:\\e2e\\idle\\beta.exe"
    machine.install_test_program("sleeper.exe", idle)
    for args, what in (([KILL, "-f", one], "no process runs that file any more"),
                       ([KILL, "-f", idle], "no process runs that file, one runs its name"),
                       ([KILL, "-f", "C:\\e2e\\missing\\alpha.exe"], "a file that does not exist")):
        code, _, _ = machine.run_wine(args)
        checks.equal(f'kill -f "{args[2]}": exit code 1 ({what})', code, 1)
    checks.true(f"{two} survives all of that", second.poll() is None)

    code, _, _ = machine.run_wine([KILL, "-f", "\\\\?\\" + two.upper()])
    checks.equal("kill -f with the \\\\?\\ form in capitals: exit code", code, 0)
    checks.true(f"{two} ended by that form", ended(machine, second))


def check_redirected_system_folder(machine, checks):
    """On a 64-bit Windows the scan names a family file in the system folder
    as a 32-bit program sees it (C:\\windows\\system32), while the system
    reports the image of its process where it really is (SysWOW64); a file of
    the same name in the real 64-bit system folder is another file."""
    named = "C:\\windows\\system32\\gamma.exe"
    family = start_sleeper(machine, "gamma.exe", "C:\\windows\\syswow64")
    native = start_sleeper(machine, "gamma.exe", machine.layout.native_system_dir,
                           by_host_path=True)

    code, out, _ = machine.run_wine([KILL, "-f", named])
    checks.equal(f'kill -f "{named}": exit code', code, 0)
    checks.true("the process of the SysWOW64 file ended", ended(machine, family), out)
    checks.true("the process of the same name in the real system folder still runs",
                native.poll() is None)


def windows_own_services(machine):
    own = (expected.SYSTEM_DIR + "\\services.exe").lower()
    return sorted(pid for pid, name in wine_processes(machine.prefix) if name.lower() == own)


def check_left_running(machine, checks):
    own = windows_own_services(machine)
    checks.equal("Wine's own services.exe runs", len(own), 1)
    code, out, _ = machine.run_wine([KILL, "-f", "services.exe"])
    lines = out.decode("latin-1").splitlines()
    checks.equal("kill -f services.exe: exit code 1 (nothing ended)", code, 1)
    checks.true("it says why Wine's own services.exe is left running",
                len(lines) == 1 and lines[0].startswith("kill: left services.exe (process ") and
                lines[0].endswith(") running: " + expected.SYSTEM_DIR +
                                  "\\services.exe is one of Windows' own programs"), repr(lines))
    checks.equal("Wine's own services.exe runs on with the same process id",
                 windows_own_services(machine), own)

    guarded_path = "C:\\e2e\\guarded\\delta.exe"
    machine.install_test_program("sleeper.exe", guarded_path)
    guarded = machine.start_wine([guarded_path, guarded_path, "protect"], stdout=subprocess.PIPE)
    pid = ready_process_id(guarded)
    if not checks.true("a process that denies the right to end it runs", pid is not None):
        return
    code, out, _ = machine.run_wine([KILL, "-f", guarded_path])
    lines = out.decode("latin-1").splitlines()
    checks.equal("kill -f on its file: exit code 1 (nothing ended)", code, 1)
    checks.true("it is reported as not ended, with the line the scan reads",
                len(lines) == 2 and
                lines[0].startswith(f"kill: could not end delta.exe (process {pid}): ") and
                lines[1] == f"kill: not ended: process {pid}", repr(lines))
    checks.true("and it runs on", guarded.poll() is None)


def run(machine, checks):
    machine.install_program(FOLDER, files=("kill.exe",))
    if machine.layout.native_system_dir:
        check_redirected_system_folder(machine, checks)
    alpha = start_sleeper(machine, "alpha.exe")
    second_alpha = start_sleeper(machine, "alpha.exe")
    beta = start_sleeper(machine, "beta.exe")

    code, out, err = machine.run_wine([KILL, "-f", "alpha.exe"])
    checks.equal("kill -f alpha.exe: exit code", code, 0)
    checks.true("both alpha.exe processes ended", ended(machine, alpha) and
                ended(machine, second_alpha))
    checks.true("beta.exe still runs", beta.poll() is None)

    third_alpha = start_sleeper(machine, "alpha.exe")
    code, _, _ = machine.run_wine([KILL, "-f", "ALPHA.EXE"])
    checks.equal("kill -f ALPHA.EXE (other case): exit code", code, 0)
    checks.true("alpha.exe ended by its name in capitals", ended(machine, third_alpha))

    for args, what in ((["-f", "alpha.exe"], "no process of that name left"),
                       (["-f", "winkey.dll"], "a DLL name matches no process"),
                       (["-f", "beta"], "a name without its extension is another name")):
        code, _, _ = machine.run_wine([KILL] + args)
        checks.equal(f"kill {' '.join(args)}: exit code 1 ({what})", code, 1)
    # Ending itself would also give exit code 1 (the code kill.exe ends
    # processes with), but would lose the report it prints at its end.
    code, out, _ = machine.run_wine([KILL, "-f", "kill.exe"])
    checks.true("kill -f kill.exe: runs to its end without ending itself",
                code == 1 and b"kill.exe" in out, f"exit code {code}, output {out!r}")
    checks.true("beta.exe still runs after all of that", beta.poll() is None)

    check_path_form(machine, checks, beta)
    check_left_running(machine, checks)

    for args in ([], ["-f"], ["alpha.exe"], ["-x", "alpha.exe"], ["-f", "e2e\\beta.exe"],
                 ["-f", "C:\\e2e\\"], ["-f", "alpha.exe", "beta.exe"]):
        code, out, err = machine.run_wine([KILL] + args)
        label = "kill " + " ".join(args) if args else "kill without arguments"
        checks.equal(f"{label}: exit code 2", code, 2)
        lines = err.decode("latin-1").splitlines()
        checks.true(f"{label}: one usage line on standard error",
                    len(lines) == 1 and lines[0].startswith("usage: kill -f"), repr(lines))
    checks.true("beta.exe survives wrong command lines", beta.poll() is None)
