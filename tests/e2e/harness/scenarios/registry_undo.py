"""fservice.exe's registry undo files, imported by the restore window: every
value the repair program changed or deleted comes back exactly (name, type and
data, byte for byte): strings, expandable strings, multi-strings, DWORDs,
binary and other types, names with quotes, backslashes and non-ANSI
characters, a string with bytes hidden after its null; in the machine's hive,
the user's and the default user's; on a 64-bit Windows the values of the
64-bit view from a file of their own into that view. A value whose name holds a
null cannot be written in a registry editor's file: the undo file keeps it as
comments and it stays deleted. Every import is in the manifest. While no undo
file can be written (a file stands where the quarantine folder goes), the
repair program changes nothing, says that the folder is not used, says why
for each value, and ends with exit code 1. A user's values are recorded under
the user's own hive, HKEY_USERS\\<SID>, never under HKEY_CURRENT_USER."""

import os
import re

import quarantine
from app_ids import IDC
from scenarios.common import exit_program, start_program
from scenarios.fservice import run_repair
from scenarios.registry_tool import (REG_BINARY, REG_MULTI_SZ, USER_SID, RegTool, dword,
                                     expand_sz, listing, sz)

FOLDER = "C:\\DiziTarvix"
REPAIR = FOLDER + "\\fservice.exe"
CAPTION = "Restore from quarantine"
VERSION = "\\Software\\Microsoft\\Windows\\CurrentVersion\\"
RUN = "HKLM" + VERSION + "Run"
USER_RUN = "HKCU" + VERSION + "Run"
WINLOGON = "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon"
USER_POLICIES = "HKCU" + VERSION + "Policies\\System"
DEFAULT_RUN = "HKU\\.Default" + VERSION + "Run"
DEFAULT_POLICIES = "HKU\\.Default" + VERSION + "Policies\\System"
REG_QWORD = 11
HIDDEN = "Legit\0hidden"
FOLDER_REFUSED = (f"fservice: the folder {quarantine.FOLDER} is not used: it is not a folder "
                  "(Diri Tarvix sets it aside and makes it anew when it runs)")

# Values the repair program changes or deletes, of every type it meets.
PLANTED = {
    RUN: {
        "Tarvix krt32": sz("C:\\WINDOWS\\krt32.exe"),
        'Say "hi"': sz('"C:\\WINDOWS\\system32\\wservice.exe" /s'),
        "C:\\dir\\": sz("C:\\WINDOWS\\system32\\fservice.exe"),
        "Защита ü": expand_sz("%SystemRoot%\\winp9.exe"),
        "Keep": sz("C:\\Tools\\keep.exe"),
        HIDDEN: sz("C:\\WINDOWS\\krt32.exe"),
    },
    WINLOGON: {"Shell": sz("Explorer.exe fservice.exe")},
    USER_RUN: {"Tail": (1, "C:\\WINDOWS\\krt32.exe\0tail\0".encode("utf-16-le"))},
    USER_POLICIES: {"DisableTaskMgr": dword(1),
                    "DisableRegistryTools": (REG_MULTI_SZ, "1\0\0".encode("utf-16-le"))},
    # Another user's lock-down is given back only beside the family's entry.
    DEFAULT_RUN: {"Tarvix": sz("C:\\WINDOWS\\system32\\kservice.exe")},
    DEFAULT_POLICIES: {"DisableTaskMgr": (REG_BINARY, b"\x01\x02"),
                       "DisableRegistryTools": (REG_QWORD, bytes(range(1, 9)))},
}
# On a 64-bit Windows, in the 64-bit view of HKLM\Software.
PLANTED_64 = {RUN: {"Tarvix 64": sz("C:\\WINDOWS\\Pplugin4.exe"), "Keep 64": sz("C:\\x.exe")}}


def view64(driver, keys):
    """{key: {name: (type, data hex)}} of the 64-bit view, as the driver reads it."""
    return {key: {v["name"]: (v["type"], v["data"]) for v in driver.registry(key, "64")["values"]}
            for key in keys}


def undo_files(machine):
    return sorted(n for n in os.listdir(machine.host(quarantine.FOLDER))
                  if n.startswith("registry-undo-"))


def run(machine, checks):
    machine.install_program(FOLDER)
    tool = RegTool(machine)
    driver = machine.driver()
    tool.plant(PLANTED)
    wide = machine.layout.is_64_bit
    if wide:
        tool.plant(PLANTED_64, bits=64)
    before = tool.dump(list(PLANTED))
    before64 = view64(driver, PLANTED_64) if wide else {}
    checks.equal("planted", {key: sorted(values or {}) for key, values in before.items()},
                 {key: sorted(values) for key, values in PLANTED.items()})

    machine.write_bytes(quarantine.FOLDER, b"in the way")
    code, reports = run_repair(machine)
    checks.equal("without an undo file: exit code 1, something could not be changed", code, 1)
    checks.equal("without an undo file: nothing changed", tool.dump(list(PLANTED)), before)
    if wide:
        checks.equal("without an undo file: nothing changed in the 64-bit view",
                     view64(driver, PLANTED_64), before64)
    checks.equal("without an undo file: the folder reported not used, and why",
                 reports[:1], [FOLDER_REFUSED])
    checks.true("without an undo file: each value reported left as it is, and why",
                reports[1:] and all(re.fullmatch(r'fservice: left .* as it is: its value could '
                                                 r'not be saved in the undo file first: '
                                                 r'.*\(error \d+\)', line)
                                    for line in reports[1:]),
                "\n".join(reports))
    os.remove(machine.host(quarantine.FOLDER))

    code, _ = run_repair(machine)
    checks.equal("fservice.exe exit code", code, 0)
    changed = tool.dump(list(PLANTED))
    checks.equal("the repair changed every planted value but Keep",
                 sorted((key, name) for key, values in before.items() for name in values
                        if (changed[key] or {}).get(name) == values[name]),
                 [(RUN, "Keep")])

    names = undo_files(machine)
    pattern = r"registry-undo-\d{8}-\d{6}" + ("(-64-bit-view)?" if wide else "") + r"\.reg"
    checks.equal("one undo file per registry view changed",
                 [bool(re.fullmatch(pattern, n)) for n in names], [True] * (2 if wide else 1))
    own_view = [n for n in names if not n.endswith("-64-bit-view.reg")]
    own = machine.read_bytes(quarantine.FOLDER + "\\" + own_view[0]) if own_view else b""
    checks.true("UTF-16 with its mark, in the registry editor's format",
                own.startswith(b"\xff\xfe" + "Windows Registry Editor Version 5.00\r\n\r\n"
                               .encode("utf-16-le")), own[:80])
    text = own.decode("utf-16", "replace")
    checks.true("the user's values are recorded under the user's own hive, never HKEY_CURRENT_USER",
                f"[HKEY_USERS\\{USER_SID}\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]"
                in text and "HKEY_CURRENT_USER" not in text, text)
    checks.true("the value whose name holds a null is kept as comments",
                "; name: " + ",".join(f"{b:02x}" for b in HIDDEN.encode("utf-16-le")) in text,
                text)

    # Wine's own reg.exe, not the recorder, does the importing.
    program = start_program(machine, checks, FOLDER, native_tools=False)
    done_before = len(quarantine.events(machine))
    state = driver.menu("Restore from quarantine...")
    window = next((w for w in state["windows"] if w["caption"] == CAPTION), {"controls": []})
    listed = [c["items"] for c in window["controls"] if c["id"] == IDC["undo_files"]]
    checks.equal("the restore window lists the undo files", listed, [names])
    for row, name in enumerate(names):
        driver.select(CAPTION, IDC["undo_files"], row)
        driver.click("Import", window=CAPTION)
        questions = [box["text"] for box in driver.boxes(until="none", answer="Yes")]
        checks.true(f"Import of {name} asks first",
                    len(questions) == 1 and questions[0].startswith("Import " + name + "?"),
                    questions)
        driver.state()
        checks.equal(f"and reports {name} imported",
                     [box["text"] for box in driver.boxes(until="none")],
                     [name + " has been imported."])
    driver.click("Close", window=CAPTION)

    after = tool.dump(list(PLANTED))
    wanted = {key: dict(values) for key, values in before.items()}
    del wanted[RUN][HIDDEN]
    for key in PLANTED:
        checks.equal(f"{key}: every value back exactly", listing(after[key]),
                     listing(wanted[key]))
    if wide:
        checks.equal("the 64-bit view's values back in that view", view64(driver, PLANTED_64),
                     before64)
    checks.equal("each import in the manifest",
                 [e["event"] for e in quarantine.events(machine)[done_before:]],
                 ["imported"] * len(names))
    exit_program(machine, checks, program)
