"""fservice.exe cleans every user hive loaded under HKEY_USERS, not only the
current user's: another user's hive (loaded from a file as Windows loads a
signed-in user's) and the default user's lose the family's Run-style values,
their own Shell of the family's alone, the family's entries of load and run,
and the two tool policies; the "_Classes" hive beside a user's is left alone,
and so is everything else, byte for byte."""

from scenarios.fservice import (KEPT, POLICY_RUN, REMOVED, RUN, RUN_ONCE, TOOL_POLICIES, WINDOWS,
                                WINLOGON, install, repair_and_compare)
from scenarios.registry_tool import RegTool, dword, sz

OTHER_USER = "S-1-5-21-0-0-0-1001"
HIVES = {OTHER_USER: "C:\\hives\\other.reg", OTHER_USER + "_Classes": "C:\\hives\\classes.reg"}
# An empty hive in Wine's registry file format.
EMPTY_HIVE = b"WINE REGISTRY Version 2\n\n#arch=win32\n"

OTHER = "HKU\\" + OTHER_USER
CLASSES = "HKU\\" + OTHER_USER + "_Classes"
DEFAULT = "HKU\\.Default"

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
]


def run(machine, checks):
    install(machine)
    for path in HIVES.values():
        machine.write_bytes(path, EMPTY_HIVE)
    tool = RegTool(machine)
    loader = tool.load_hives(HIVES)
    try:
        repair_and_compare(machine, checks, tool, PLANTED, "user hives")
    finally:
        checks.equal("the hives unloaded", tool.unload_hives(loader), 0)
