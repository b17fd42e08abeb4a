"""A restored file stays after the restart. Two targets held open by processes
that survive the kill commands outlast a scan without a window, each kept in
the quarantine and registered for deletion at the next restart exactly once
(however many passes found it), beside a rename another program registered
before. /restore:<id> of one finds its very bytes in place (exit code 0,
"already in place") and withdraws that file's deletion, leaving the rest of
the system's list byte for byte. After the restart (wineboot -r carries the
list out) the restored file is still there with its bytes, the other held
file is gone, and the other program's rename has happened."""

import subprocess

import expected
import quarantine
from machine import wait_ready
from scenarios.common import SESSION_MANAGER, pending_renames, run_silent
from scenarios.registry_tool import REG_MULTI_SZ, RegTool

FOLDER = "C:\\DiziTarvix"
RESTORED = expected.SYSTEM_DIR + "\\winkey.dll"
OTHER = expected.WINDOWS_DIR + "\\Pplugin1.dll"
RENAMED_FROM = "C:\\e2e\\before.txt"
RENAMED_TO = "C:\\e2e\\after.txt"
PENDING = "PendingFileRenameOperations"


def names(*texts):
    """Names as the list holds them: UTF-16 LE, each ended by a null."""
    return b"".join(text.encode("utf-16-le") + b"\0\0" for text in texts)


def system_form(machine, path):
    return "\\??\\" + machine.real_path(path)


def run(machine, checks):
    machine.install_program(FOLDER, recorded=("kill.exe", "fservice.exe"),
                            chained=("kill.exe", "fservice.exe"))
    machine.write_bytes(RESTORED, b"held open, then restored")
    machine.write_bytes(OTHER, b"held open, left deleted")
    machine.write_bytes(RENAMED_FROM, b"renamed at the restart")
    tool = RegTool(machine)
    planted = names("\\??\\" + RENAMED_FROM, "\\??\\" + RENAMED_TO)
    tool.plant({SESSION_MANAGER: {PENDING: (REG_MULTI_SZ, planted + b"\0\0")}})
    machine.install_test_program("sleeper.exe", "C:\\e2e\\holder.exe")
    holders = [machine.start_wine(["C:\\e2e\\holder.exe", path], stdout=subprocess.PIPE)
               for path in (RESTORED, OTHER)]
    if not all(wait_ready(holder) for holder in holders):
        raise RuntimeError("holder.exe could not open its files")

    code, windows = run_silent(machine, ["/silent", "/noreboot"], FOLDER)
    checks.equal("scan: exit code (a restart is needed), no window", (code, windows), (2, []))
    checks.equal("scan: both held files still there", [machine.exists(RESTORED),
                                                        machine.exists(OTHER)], [True, True])
    driver = machine.driver()
    checks.equal("scan: each held file's deletion registered once, the other rename kept",
                 sorted(pending_renames(driver)),
                 sorted([("\\??\\" + RENAMED_FROM, "\\??\\" + RENAMED_TO),
                         (system_form(machine, RESTORED), ""),
                         (system_form(machine, OTHER), "")]))
    kept = quarantine.kept_items(machine)
    item = kept.get(RESTORED.lower())
    if not checks.true("scan: the held file kept", item is not None, kept):
        return

    code, out, _ = machine.run_wine([FOLDER + "\\DiziTarvix.exe", "/restore:" + item], cwd=FOLDER,
                                    native_tools=True)
    checks.equal("/restore:<id>: exit code and what it says",
                 (code, out.decode("latin-1").splitlines()),
                 (0, [f"already in place {item}: {RESTORED}"]))
    checks.equal("/restore:<id>: the manifest notes it in place",
                 [(e["event"], e["id"]) for e in quarantine.events(machine)][-1:],
                 [("in place", item)])
    checks.equal("/restore:<id>: its deletion withdrawn, the rest of the list byte for byte",
                 tool.dump([SESSION_MANAGER])[SESSION_MANAGER].get(PENDING),
                 (REG_MULTI_SZ, planted + names(system_form(machine, OTHER), "") + b"\0\0"))

    for holder in holders:
        holder.kill()
        holder.wait()
    restart = machine.registry.popen(["wineboot", "-r"], env=machine.env(),
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                     description="wineboot -r")
    checks.equal("restart: wineboot -r ends", restart.wait(timeout=120), 0)
    checks.equal("after the restart: the restored file is there, byte for byte",
                 machine.exists(RESTORED) and machine.read_bytes(RESTORED),
                 b"held open, then restored")
    checks.equal("after the restart: the other held file is gone", machine.exists(OTHER), False)
    checks.equal("after the restart: the other program's rename happened",
                 (machine.exists(RENAMED_FROM), machine.exists(RENAMED_TO)), (False, True))
    checks.equal("after the restart: nothing left pending", pending_renames(driver), [])
