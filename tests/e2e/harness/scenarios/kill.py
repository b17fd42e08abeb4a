"""kill.exe: "kill -f NAME" ends every running process of that image name, in
any case, and no other; it never ends itself; its exit codes (0 ended, 1
nothing ended, 2 wrong command line) and its usage line."""

import subprocess

from machine import wait_ready

FOLDER = "C:\\DiziTarvix"
KILL = FOLDER + "\\kill.exe"


def start_sleeper(machine, name):
    path = "C:\\e2e\\" + name
    machine.install_test_program("sleeper.exe", path)
    process = machine.start_wine([path], stdout=subprocess.PIPE)
    if not wait_ready(process):
        raise RuntimeError(name + " did not start")
    return process


def ended(machine, process):
    return machine.wait_for(lambda: process.poll() is not None, timeout=10)


def run(machine, checks):
    machine.install_program(FOLDER, files=("kill.exe",))
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

    for args in ([], ["-f"], ["alpha.exe"], ["-x", "alpha.exe"], ["-f", "C:\\e2e\\beta.exe"],
                 ["-f", "alpha.exe", "beta.exe"]):
        code, out, err = machine.run_wine([KILL] + args)
        label = "kill " + " ".join(args) if args else "kill without arguments"
        checks.equal(f"{label}: exit code 2", code, 2)
        lines = err.decode("latin-1").splitlines()
        checks.true(f"{label}: one usage line on standard error",
                    len(lines) == 1 and lines[0].startswith("usage: kill -f"), repr(lines))
    checks.true("beta.exe survives wrong command lines", beta.poll() is None)
