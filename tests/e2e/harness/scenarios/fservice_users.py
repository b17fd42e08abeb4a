"""fservice.exe cleans every user hive loaded under HKEY_USERS, not only the
current user's: another user's hive (loaded from a file as Windows loads a
signed-in user's) and the default user's lose the family's Run-style values,
their own Shell of the family's alone, the family's entries of load and run,
and the two tool policies; a third user's hive with no entry of the family
keeps its lock-down of Task Manager and the registry editor (an
administrator's, on purpose); the "_Classes" hive beside a user's is left
alone, and so is everything else, byte for byte. The summary on standard
output says for each hive what was done and whether the tools were given
back, and the undo file names each hive by its SID."""

import os

import quarantine
from scenarios.fservice import (KEPT, POLICY_RUN, REMOVED, RUN, RUN_ONCE, TOOL_POLICIES, WINDOWS,
                                WINLOGON, hive_lines, install, repair_and_compare)
from scenarios.registry_tool import USER_SID, RegTool, dword, sz

OTHER_USER = "S-1-5-21-0-0-0-1001"
KIOSK_USER = "S-1-5-21-0-0-0-1003"
HIVES = {OTHER_USER: "C:\\hives\\other.reg", OTHER_USER + "_Classes": "C:\\hives\\classes.reg",
         KIOSK_USER: "C:\\hives\\kiosk.reg"}
# An empty hive in Wine's registry file format.
EMPTY_HIVE = b"WINE REGISTRY Version 2\n\n#arch=win32\n"

OTHER = "HKU\\" + OTHER_USER
CLASSES = "HKU\\" + OTHER_USER + "_Classes"
DEFAULT = "HKU\\.Default"
KIOSK = "HKU\\" + KIOSK_USER

PLANTED = [
    (OTHER + RUN, "Tarvix", sz("C:\\WINDOWS\\system32\\fservice.exe"), REMOVED),
    (OTHER + RUN, "Sync", sz('"C:\\Program Files\\Синхро\\sync.exe" /tray'), KEPT),
    (OTHER + RUN, "Sync\0Tarvix", sz("%windir%\\krt32.exe"), REMOVED),
    (OTHER + RUN_ONCE, "Once", sz("rundll32 reginv.dll,Go"), REMOVED),
    (OTHER + POLICY_RUN, "1", sz("C:\\WINDOWS\\winp9.exe"), REMOVED),
    (OTHER + POLICY_RUN, "2", sz("C:\\Tools\\fservice.exe"), KEPT),
    (OTHER + WINLOGON, "Shell", sz("C:\\WINDOWS\\krt32.exe"), REMOVED),
    (OTHER + WINDOWS, "load", sz("C:\\Tools\\clock.exe,fservice.exe"), sz("C:\\Tools\\clock.exe")),
    (OTHER + WINDOWS, "run", sz("C:\\Tools\\run.exe"), KEPT),
    (OTHER + TOOL_POLICIES, "DisableTaskMgr", dword(1), dword(0)),
    (OTHER + TOOL_POLICIES, "DisableRegistryTools", dword(0), KEPT),
    # File associations, no autostart key: never looked at.
    (CLASSES + RUN, "Tarvix", sz("C:\\WINDOWS\\krt32.exe"), KEPT),
    (DEFAULT + RUN, "Tarvix", sz("C:\\WINDOWS\\system32\\kservice.exe"), REMOVED),
    (DEFAULT + RUN, "Keep", sz("C:\\Tools\\agent.exe"), KEPT),
    (DEFAULT + TOOL_POLICIES, "DisableRegistryTools", dword(1), dword(0)),
    # Locked down on purpose, and nothing of the family: left as it is.
    (KIOSK + RUN, "Kiosk", sz("C:\\Kiosk\\shell.exe"), KEPT),
    (KIOSK + TOOL_POLICIES, "DisableTaskMgr", dword(1), KEPT),
    (KIOSK + TOOL_POLICIES, "DisableRegistryTools", dword(2), KEPT),
]

LOCK_DOWN_LEFT = ('fservice: left HKU\\' + KIOSK_USER + TOOL_POLICIES + ' value "{}" as it is: '
                  "none of the family's start-up entries was found in this user's hive")


def run(machine, checks):
    install(machine)
    for path in HIVES.values():
        machine.write_bytes(path, EMPTY_HIVE)
    tool = RegTool(machine)
    loader = tool.load_hives(HIVES)
    try:
        reports, summary = repair_and_compare(machine, checks, tool, PLANTED, "user hives",
                                              with_summary=True)
        checks.equal("the kiosk user's lock-down left, and said",
                     [line for line in reports if line.startswith("fservice: left ")],
                     [LOCK_DOWN_LEFT.format("DisableTaskMgr"),
                      LOCK_DOWN_LEFT.format("DisableRegistryTools")])
        checks.equal("the summary: each hive once, what was done, the tools given back or not",
                     sorted(hive_lines(summary)),
                     sorted([(USER_SID, "own", "nothing-found", "0", "not-locked", ""),
                             (".Default", "loaded", "cleaned", "2", "given-back", ""),
                             (OTHER_USER, "loaded", "cleaned", "7", "given-back", ""),
                             (KIOSK_USER, "loaded", "nothing-found", "0", "left-locked", "")]))
        checks.equal("the summary's last line", summary[-1:], ["end\t0"])
        text = undo_text(machine)
        checks.true("the undo file names the other user's hive by its SID",
                    f"[HKEY_USERS\\{OTHER_USER}\\Software\\Microsoft\\Windows\\CurrentVersion"
                    f"\\Policies\\System]\r\n\"DisableTaskMgr\"=dword:00000001" in text, text)
        checks.true("and holds nothing of the kiosk user's", KIOSK_USER not in text, text)
    finally:
        checks.equal("the hives unloaded", tool.unload_hives(loader), 0)


def undo_text(machine):
    """The text of the one undo file in the quarantine ("" when there is none)."""
    folder = machine.host(quarantine.FOLDER)
    names = sorted(n for n in os.listdir(folder) if n.startswith("registry-undo-")) \
        if os.path.isdir(folder) else []
    return machine.read_bytes(quarantine.FOLDER + "\\" + names[-1]).decode("utf-16") \
        if names else ""
