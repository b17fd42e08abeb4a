"""fservice.exe on a machine shaped like an infected one, in the machine's hive
and the current user's: removes the Run-style values (Run, RunOnce,
RunServices, RunServicesOnce, Policies\\Explorer\\Run) that start one of the
family's files, each by its exact name; takes only the family's entries out of
Winlogon's Shell and Userinit (Userinit always keeps starting userinit.exe),
the user's own Shell and the Windows key's load and run; resets the two tool
policies; leaves every other value byte for byte, whatever its characters;
reports each change; deletes no key and exits 0."""

import re
import subprocess

from scenarios.registry_tool import (REG_BINARY, REG_MULTI_SZ, USER_SID, RegTool, dword,
                                     expand_sz, listing, sz)

FOLDER = "C:\\DiziTarvix"
REPAIR = FOLDER + "\\fservice.exe"
DEFAULT_USERINIT = "C:\\windows\\system32\\userinit.exe,"

CURRENT_VERSION = "\\Software\\Microsoft\\Windows\\CurrentVersion\\"
RUN, RUN_ONCE, RUN_SERVICES, RUN_SERVICES_ONCE, POLICY_RUN = (
    CURRENT_VERSION + name for name in ("Run", "RunOnce", "RunServices", "RunServicesOnce",
                                        "Policies\\Explorer\\Run"))
TOOL_POLICIES = CURRENT_VERSION + "Policies\\System"
WINLOGON = "\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon"
WINDOWS = "\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows"

# What becomes of a planted value: kept as it is, removed, or the value given.
KEPT = "kept"
REMOVED = "removed"

# (key, value name, value, what becomes of it)
MACHINE = [
    ("HKLM" + RUN, "Tarvix krt32", sz("C:\\WINDOWS\\krt32.exe"), REMOVED),
    ("HKLM" + RUN, "Quoted", sz('"C:\\windows\\system32\\wservice.exe" /s'), REMOVED),
    ("HKLM" + RUN, "Expand", expand_sz("%SystemRoot%\\winp9.exe"), REMOVED),
    ("HKLM" + RUN, "Rundll", sz("rundll32.exe C:\\windows\\system32\\wininv.dll,Start"), REMOVED),
    ("HKLM" + RUN, "Short", sz("C:\\WINDOWS\\system32\\FFSERV~1.EXE -q"), REMOVED),
    ("HKLM" + RUN, "Literal", sz("\\\\?\\C:\\windows\\system32\\lservice.exe"), REMOVED),
    # A hidden value whose name is "Legit", a null and more: only it goes.
    ("HKLM" + RUN, "Legit", sz("C:\\Tools\\legit.exe"), KEPT),
    ("HKLM" + RUN, "Legit\0hidden", sz("C:\\WINDOWS\\krt32.exe"), REMOVED),
    # Near misses: other programs' entries.
    ("HKLM" + RUN, "Services Manager",
     sz("C:\\Program Files\\Services Manager\\svcmgr.exe /tray"), KEPT),
    ("HKLM" + RUN, "Helper", sz("C:\\Program Files\\fservice tools\\helper.exe"), KEPT),
    ("HKLM" + RUN, "Tools copy", sz("C:\\Tools\\fservice.exe"), KEPT),
    ("HKLM" + RUN, "Windows services", sz("C:\\windows\\system32\\services.exe"), KEPT),
    ("HKLM" + RUN, "Near miss", sz("C:\\Tools\\myfservice.exe"), KEPT),
    ("HKLM" + RUN, "Argument", sz("viewer.exe fservice.exe"), KEPT),
    ("HKLM" + RUN, "Защита", sz("C:\\Защита\\guard.exe /тихо"), KEPT),
    ("HKLM" + RUN, "Number", dword(7), KEPT),
    ("HKLM" + RUN, "Bytes", (REG_BINARY, "fservice.exe".encode("utf-16-le")), KEPT),
    ("HKLM" + RUN, "Multi", (REG_MULTI_SZ, "krt32.exe\0\0".encode("utf-16-le")), KEPT),
    ("HKLM" + RUN_ONCE, "Bare", sz("fservice.exe"), REMOVED),
    ("HKLM" + RUN_ONCE, "Keep", sz("C:\\Tools\\setup.exe /next"), KEPT),
    ("HKLM" + RUN_SERVICES, "Svc", sz("C:\\WINDOWS\\system32\\kservice.exe -service"), REMOVED),
    ("HKLM" + RUN_SERVICES, "Keep", sz("C:\\Tools\\agent.exe"), KEPT),
    ("HKLM" + RUN_SERVICES_ONCE, "Legacy", sz("C:\\WINDOWS\\system\\sservice.exe"), REMOVED),
    ("HKLM" + RUN_SERVICES_ONCE, "Keep", sz("C:\\Tools\\once.exe"), KEPT),
    ("HKLM" + POLICY_RUN, "1", sz("%windir%\\Pplugin4.exe"), REMOVED),
    ("HKLM" + POLICY_RUN, "2", sz("C:\\Tools\\policy.exe"), KEPT),
    # Userinit without the family's entry would start no userinit.exe.
    ("HKLM" + WINLOGON, "Userinit",
     sz("C:\\WINDOWS\\system32\\fservice.exe,C:\\Program Files\\AV\\avhook.exe,"),
     sz(DEFAULT_USERINIT + "C:\\Program Files\\AV\\avhook.exe,")),
    ("HKLM" + WINLOGON, "Shell", sz("Explorer.exe fservice.exe"), sz("Explorer.exe")),
    ("HKLM" + WINLOGON, "Unrelated", sz("fservice.exe"), KEPT),
    ("HKLM\\Software\\Example\\CurrentVersion\\Run", "Tarvix", sz("C:\\WINDOWS\\krt32.exe"), KEPT),
]

USER = [
    ("HKCU" + RUN, "Dl", sz("  C:\\WINDOWS\\system32\\d_service.exe  "), REMOVED),
    ("HKCU" + RUN, "Keep", sz("C:\\Tools\\d_service.exe.old"), KEPT),
    ("HKCU" + RUN, "x\0y", sz("C:\\WINDOWS\\system32\\dservice.exe"), REMOVED),
    ("HKCU" + RUN, "x", sz("C:\\Tools\\x.exe"), KEPT),
    ("HKCU" + RUN, "Überwachung", sz("C:\\Programme\\Überwachung\\wächter.exe"), KEPT),
    ("HKCU" + RUN_ONCE, "Upper", sz("C:\\WINDOWS\\PPLUGIN4.EXE"), REMOVED),
    ("HKCU" + RUN_ONCE, "Keep", sz("C:\\Tools\\fservice.exe.bak"), KEPT),
    ("HKCU" + RUN_SERVICES, "Ffs", sz("ffservice.exe"), REMOVED),
    ("HKCU" + RUN_SERVICES_ONCE, "Lservice", sz('"C:\\WINDOWS\\system32\\lservice.exe"'), REMOVED),
    ("HKCU" + RUN_SERVICES_ONCE, "Keep", sz("C:\\Tools\\lservices.exe"), KEPT),
    ("HKCU" + POLICY_RUN, "1", sz("C:\\WINDOWS\\krt32.exe"), REMOVED),
    ("HKCU" + POLICY_RUN, "2", sz("C:\\Tools\\p.exe"), KEPT),
    ("HKCU" + WINLOGON, "Shell", sz("explorer.exe C:\\WINDOWS\\system32\\sservice.exe"),
     sz("explorer.exe")),
    ("HKCU" + WINDOWS, "load", sz("C:\\WINDOWS\\krt32.exe C:\\Tools\\tray.exe"),
     sz("C:\\Tools\\tray.exe")),
    ("HKCU" + WINDOWS, "run", sz("fservice.exe"), sz("")),
    ("HKCU" + WINDOWS, "Device", sz("Printer,winspool,LPT1:"), KEPT),
    ("HKCU" + TOOL_POLICIES, "DisableTaskMgr", dword(1), dword(0)),
    ("HKCU" + TOOL_POLICIES, "DisableRegistryTools", dword(2), dword(0)),
    ("HKCU" + TOOL_POLICIES, "NoDispCPL", dword(1), KEPT),
]

# A second look at the lists: other programs' non-ANSI entries, Shell lists
# separated by blanks, a user's Shell of the family's alone.
SECOND = [
    ("HKLM" + WINLOGON, "Userinit",
     sz("userinit.exe,C:\\Защита\\guard.exe,C:\\WINDOWS\\fservice.exe,"),
     sz("userinit.exe,C:\\Защита\\guard.exe,")),
    ("HKLM" + WINLOGON, "Shell", sz("explorer.exe C:\\WINDOWS\\system32\\sservice.exe"),
     sz("explorer.exe")),
    ("HKCU" + WINLOGON, "Shell", sz("C:\\WINDOWS\\krt32.exe"), REMOVED),
]

# Lists holding nothing but the family's entries get Windows' defaults.
FAMILY_ONLY = [
    ("HKLM" + WINLOGON, "Userinit", sz("C:\\WINDOWS\\winp9.exe,"), sz(DEFAULT_USERINIT)),
    ("HKLM" + WINLOGON, "Shell", expand_sz("%windir%\\krt32.exe"), expand_sz("Explorer.exe")),
]

# The current user's hive is named by the user's SID, whoever runs the program.
OWN = "HKU\\" + USER_SID
REPORTED = [
    'removed HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run value "Legit<NUL>hidden" = '
    '"C:\\WINDOWS\\krt32.exe"',
    'removed ' + OWN + '\\Software\\Microsoft\\Windows\\CurrentVersion\\Run value "x<NUL>y" = '
    '"C:\\WINDOWS\\system32\\dservice.exe"',
    'HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon value "Shell": '
    '"Explorer.exe fservice.exe" -> "Explorer.exe"',
    OWN + '\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System value "DisableTaskMgr": '
    '1 -> 0',
]


def run_repair(machine):
    """Runs fservice.exe to its end: (exit code, its report lines)."""
    code, reports, _ = run_repair_with_summary(machine)
    return code, reports


def run_repair_with_summary(machine):
    """Runs fservice.exe to its end: (exit code, its report lines, the lines
    of its summary on standard output). Wine shows what a program sends to
    the debug output on its channel "debugstr"."""
    env = machine.env()
    env["WINEDEBUG"] = "warn+debugstr"
    process = machine.registry.popen(
        ["wine", REPAIR], cwd=machine.host("C:\\"), env=env, stdout=subprocess.PIPE,
        stderr=subprocess.PIPE, stdin=subprocess.DEVNULL, description="fservice.exe")
    out, err = process.communicate(timeout=120)
    reports = []
    for quoted in re.findall(rb'OutputDebugStringA "(.*)"\r?$', err, re.MULTILINE):
        line = quoted.decode("latin-1").encode("latin-1").decode("unicode_escape")
        reports.append(line.rstrip("\n"))
    return process.returncode, reports, out.decode("latin-1").splitlines()


def hive_lines(summary):
    """The summary's hive lines as tuples (hive, kind, done, values changed,
    tools, note)."""
    return [tuple(line.split("\t")[1:]) for line in summary if line.startswith("hive\t")]


def repair_and_compare(machine, checks, tool, planted, label, with_summary=False):
    """Plants `planted`, runs fservice.exe, and compares every value of every
    key it touched with what was there before, less what must change, byte for
    byte. Returns the report lines (and, `with_summary`, the summary's)."""
    keys = {}
    for key, name, value, _ in planted:
        keys.setdefault(key, {})[name] = value
    tool.plant(keys)
    before = tool.dump(list(keys))
    for key, name, value, _ in planted:
        checks.equal(f"{label}: planted {key} {name!r}", (before[key] or {}).get(name), value)
    code, reports, summary = run_repair_with_summary(machine)
    checks.equal(f"{label}: exit code", code, 0)
    after = tool.dump(list(keys))
    expected = {key: dict(before[key] or {}) for key in keys}
    for key, name, _, outcome in planted:
        if outcome is REMOVED:
            expected[key].pop(name, None)
        elif outcome is not KEPT:
            expected[key][name] = outcome
    for key in keys:
        checks.equal(f"{label}: {key}, the family's entries gone, all else byte for byte",
                     listing(after[key]), listing(expected[key]))
    return (reports, summary) if with_summary else reports


def install(machine):
    machine.install_program(FOLDER, files=("fservice.exe",))


def run(machine, checks):
    install(machine)
    tool = RegTool(machine)
    reports = repair_and_compare(machine, checks, tool, MACHINE + USER, "infected machine")
    for line in REPORTED:
        checks.true(f"reported: {line}", "fservice: " + line in reports, "\n".join(reports))
    checks.equal("nothing reported as failed or left",
                 [line for line in reports if not re.match(r"fservice: (removed )?HK", line)], [])

    repair_and_compare(machine, checks, tool, SECOND, "lists")
    repair_and_compare(machine, checks, tool, FAMILY_ONLY, "only the family's")

    # Nothing of the family left: a second run changes nothing, and its
    # summary says so for each user's hive.
    code, reports, summary = run_repair_with_summary(machine)
    checks.equal("run on a clean machine: exit code", code, 0)
    checks.equal("run on a clean machine: nothing reported", reports, [])
    checks.equal("run on a clean machine: the summary on standard output", summary,
                 ["fservice summary 1",
                  f"hive\t{USER_SID}\town\tnothing-found\t0\tnot-locked\t",
                  "hive\t.Default\tloaded\tnothing-found\t0\tnot-locked\t",
                  "end\t0"])
