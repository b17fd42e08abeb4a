"""Every user on the machine, signed in or not. Users whose profiles are
listed in ProfileList but whose hives are not loaded (nobody signed in, as at
a computer start-up) are cleaned too: fservice.exe loads a profile's
NTUSER.DAT (here in Wine's own registry format: a copy of the prefix's
user.reg with sections appended) under a name of its own, removes the
family's Run value and gives back Task Manager there, leaves the user's own
value, records both changes in the undo file under HKEY_USERS\\<SID> below a
comment with the reg load line, and unloads the hive: none is left loaded. A
profile whose hive is loaded already (a signed-in user) is cleaned where it
is, once. Skipped, each with its reason: a profile folder that is a link, one
outside the profiles folder, a missing NTUSER.DAT, a temporary profile, a
hard-linked NTUSER.DAT, one Windows cannot load.

Wine writes nothing back to a hive file when it is unloaded (Windows does),
so the changes are shown through the undo file and the summary. The restore
window's Import then loads the profile's hive itself, imports the file into
it (the registry tool, run while the hive is loaded, sees the values back)
and unloads it again."""

import glob
import os
import shutil

import quarantine
from app_ids import IDC
from layout import SYSTEM32
from scenarios.common import exit_program, start_program
from scenarios.fservice import (FOLDER, RUN, TOOL_POLICIES, hive_lines, run_repair_with_summary)
from scenarios.fservice_users import EMPTY_HIVE, undo_text
from scenarios.registry_tool import USER_SID, RegTool, dword, expand_sz, sz

PROFILE_LIST = "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\"
CAPTION = "Restore from quarantine"

BOB = "S-1-5-21-0-0-0-1001"    # signed in: his hive is loaded
CAROL = "S-1-5-21-0-0-0-1002"  # not signed in: her hive is a file
SKIPPED = {
    "S-1-5-21-0-0-0-1004": ("C:\\users\\dave",
                            "its folder, a folder above it or its NTUSER.DAT is a link "
                            "(reparse point) (C:\\users\\dave)"),
    "S-1-5-21-0-0-0-1005": ("C:\\windows\\eve",
                            "its folder is not in the profiles folder (C:\\windows\\eve)"),
    "S-1-5-21-0-0-0-1006": ("C:\\users\\frank",
                            "its folder or its NTUSER.DAT is missing (C:\\users\\frank)"),
    "S-1-5-21-0-0-0-1007": ("C:\\users\\gina", "it is a temporary profile (C:\\users\\gina)"),
    "S-1-5-21-0-0-0-1008": ("C:\\users\\harry",
                            "its NTUSER.DAT has other names (hard links) (C:\\users\\harry)"),
    "S-1-5-21-0-0-0-1009": ("C:\\users\\ivy",
                            "its NTUSER.DAT could not be loaded (C:\\users\\ivy): "),
}
TEMPORARY = "S-1-5-21-0-0-0-1007"
DAMAGED = "S-1-5-21-0-0-0-1009"

FAMILY_RUN = '"Tarvix"="C:\\\\WINDOWS\\\\krt32.exe"'
# Sections in Wine's registry format: a family Run value, the user's own, and
# the lock-down of Task Manager.
INFECTED_SECTIONS = (
    "\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Run] 1700000000\n"
    + FAMILY_RUN + '\n"Mine"="C:\\\\Tools\\\\mine.exe"\n'
    "\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Policies\\\\System] 1700000000\n"
    '"DisableTaskMgr"=dword:00000001\n').encode()

CAROL_HIVE = "C:\\users\\carol\\NTUSER.DAT"


def wine_reg_exe():
    """Wine's own 32-bit reg.exe, which the test prefix's recorder stands in
    for: a copy runs as the real tool."""
    for pattern in ("/usr/lib/i386-linux-gnu/wine/i386-windows/reg.exe",
                    "/usr/lib/wine/i386-windows/reg.exe", "/usr/lib*/wine/*/i386-windows/reg.exe"):
        found = glob.glob(pattern)
        if found:
            return found[0]
    raise RuntimeError("Wine's 32-bit reg.exe is not installed where it is looked for")


def plant_profiles(machine, tool):
    infected = (open(os.path.join(machine.prefix, "user.reg"), "rb").read() + INFECTED_SECTIONS)
    machine.write_bytes(CAROL_HIVE, infected)
    # Each skipped profile has the family's value in a hive file of its own.
    elsewhere = "C:\\elsewhere\\dave"
    machine.write_bytes(elsewhere + "\\NTUSER.DAT", infected)
    os.symlink(machine.host(elsewhere), machine.host("C:\\users\\dave"))
    machine.write_bytes("C:\\windows\\eve\\NTUSER.DAT", infected)
    os.makedirs(machine.host("C:\\users\\frank"), exist_ok=True)
    machine.write_bytes("C:\\users\\gina\\NTUSER.DAT", infected)
    machine.write_bytes("C:\\hives\\harry-other.dat", infected)
    os.makedirs(machine.host("C:\\users\\harry"), exist_ok=True)
    os.link(machine.host("C:\\hives\\harry-other.dat"), machine.host("C:\\users\\harry\\NTUSER.DAT"))
    machine.write_bytes("C:\\users\\ivy\\NTUSER.DAT", b"not a hive")

    entries = {PROFILE_LIST + BOB: {"ProfileImagePath": expand_sz("%SystemDrive%\\users\\bob")},
               PROFILE_LIST + CAROL: {"ProfileImagePath": expand_sz("%SystemDrive%\\users\\carol"),
                                      "State": dword(0x100)}}
    for sid, (folder, _) in SKIPPED.items():
        entries[PROFILE_LIST + sid] = {"ProfileImagePath": expand_sz(folder)}
    entries[PROFILE_LIST + TEMPORARY]["State"] = dword(0x800)
    tool.plant(entries, bits=64 if machine.layout.is_64_bit else 32)
    return {path: machine.read_bytes(path) for path in
            ("C:\\elsewhere\\dave\\NTUSER.DAT", "C:\\windows\\eve\\NTUSER.DAT",
             "C:\\hives\\harry-other.dat", CAROL_HIVE)}


def other_hives(tool):
    """The hives under HKEY_USERS but the prefix's own user's and the default."""
    return sorted(h for h in tool.keys("HKU") if h not in (USER_SID, ".Default"))


def run(machine, checks):
    machine.install_program(FOLDER)
    tool = RegTool(machine)
    # A hive file of the prefix's own architecture.
    arch = b"#arch=win64" if machine.layout.is_64_bit else b"#arch=win32"
    machine.write_bytes("C:\\hives\\bob.reg", EMPTY_HIVE.replace(b"#arch=win32", arch))
    loader = tool.load_hives({BOB: "C:\\hives\\bob.reg"})
    try:
        tool.plant({"HKU\\" + BOB + RUN: {"Tarvix": sz("C:\\WINDOWS\\system32\\fservice.exe"),
                                          "Sync": sz("C:\\Tools\\sync.exe")}})
        files = plant_profiles(machine, tool)
        check_repair(machine, checks, tool, files)
        check_import(machine, checks, tool)
    finally:
        checks.equal("Bob's hive unloaded at the end", tool.unload_hives(loader), 0)


def check_repair(machine, checks, tool, files):
    code, reports, summary = run_repair_with_summary(machine)
    checks.equal("exit code: done", code, 0)
    lines = {line[0]: line for line in hive_lines(summary)}
    checks.equal("each user's hive has one summary line", sorted(lines),
                 sorted([USER_SID, ".Default", BOB, CAROL] + list(SKIPPED)))
    checks.equal("the signed-in user's hive, cleaned where it is, once",
                 [line for line in hive_lines(summary) if line[0] == BOB],
                 [(BOB, "loaded", "cleaned", "1", "not-locked", "")])
    checks.equal("the profile not signed in: cleaned, Task Manager given back", lines.get(CAROL),
                 (CAROL, "profile", "cleaned", "2", "given-back", ""))
    for sid, (_, why) in SKIPPED.items():
        line = lines.get(sid, ())
        checks.true(f"{sid} skipped: {why}",
                    line[1:5] == ("profile", "skipped", "0", "-") and line[5].startswith(why) and
                    (sid != DAMAGED or line[5].endswith("(error 1017)")), line)
        checks.true(f"{sid}: one line saying why",
                    [r for r in reports if r.startswith(f"fservice: skipped the profile of {sid}: ")
                     and why in r] != [], reports)
    checks.equal("the summary's last line", summary[-1:], ["end\t0"])

    checks.equal("no hive left loaded but the signed-in user's", other_hives(tool), [BOB])
    bob_run = tool.dump(["HKU\\" + BOB + RUN])["HKU\\" + BOB + RUN]
    checks.equal("the signed-in user's family value gone, his own kept", sorted(bob_run or {}),
                 ["Sync"])

    text = undo_text(machine)
    comment = ("; The values below are in the registry hive of user " + CAROL + ", which was not\r\n"
               "; loaded when they were changed. Load it before importing this file, and unload "
               "it\r\n; afterwards (the restore window's Import does both):\r\n"
               f';   reg load HKU\\{CAROL} "{CAROL_HIVE}"\r\n;   reg unload HKU\\{CAROL}\r\n\r\n')
    carol_run = (f"[HKEY_USERS\\{CAROL}\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n"
                 + FAMILY_RUN + "\r\n")
    carol_policy = (f"[HKEY_USERS\\{CAROL}\\Software\\Microsoft\\Windows\\CurrentVersion"
                    '\\Policies\\System]\r\n"DisableTaskMgr"=dword:00000001\r\n')
    checks.true("the undo file: the profile's family value and lock-down under HKEY_USERS\\<SID>, "
                "below how to load its hive",
                comment + carol_run in text and carol_policy in text, text)
    checks.true("the user's own value is not in it", "Mine" not in text, text)
    checks.equal("the signed-in user's value recorded once, with no load line",
                 (text.count(f"[HKEY_USERS\\{BOB}\\"), f"reg load HKU\\{BOB}" in text), (1, False))
    checks.equal("nothing of the skipped profiles, nor the name the hive was loaded under",
                 [sid for sid in list(SKIPPED) + ["DiziTarvix-"] if sid in text], [])
    checks.equal("the skipped profiles' files untouched",
                 [path for path, data in files.items()
                  if path != CAROL_HIVE and machine.read_bytes(path) != data], [])


def check_import(machine, checks, tool):
    """The restore window's Import loads the profile's hive for the import and
    unloads it again; the registry tool sees the values back while it runs."""
    system32 = machine.host(SYSTEM32)
    shutil.copyfile(wine_reg_exe(), os.path.join(system32, "reg.real.exe"))
    probed = [f"HKU\\{CAROL}{RUN}", f"HKU\\{CAROL}{TOOL_POLICIES}"]
    with open(os.path.join(system32, "reg.probe"), "w", newline="\r\n") as out:
        out.write("\n".join(probed) + "\n")

    names = sorted(n for n in os.listdir(machine.host(quarantine.FOLDER))
                   if n.startswith("registry-undo-"))
    program = start_program(machine, checks, FOLDER)
    driver = machine.driver()
    done_before = len(quarantine.events(machine))
    driver.menu("Restore from quarantine...")
    driver.select(CAPTION, IDC["undo_files"], 0)
    driver.click("Import", window=CAPTION)
    driver.boxes(until="none", answer="Yes")
    driver.state()
    checks.equal("Import: reported imported", [box["text"] for box in driver.boxes(until="none")],
                 [names[0] + " has been imported."])
    driver.click("Close", window=CAPTION)
    exit_program(machine, checks, program)

    seen = open(os.path.join(system32, "reg.probe.txt"), encoding="latin-1").read().splitlines()
    krt32 = "C:\\WINDOWS\\krt32.exe\0".encode("latin-1").hex()
    checks.equal("while the registry tool ran, the profile's hive was loaded with the values back",
                 sorted(seen),
                 sorted([f"{probed[0]}\tMine\t1\t" + "C:\\Tools\\mine.exe\0".encode().hex(),
                         f"{probed[0]}\tTarvix\t1\t{krt32}",
                         f"{probed[1]}\tDisableTaskMgr\t4\t01000000"]))
    checks.equal("no hive left loaded after the import", other_hives(tool), [BOB])
    bob_run = tool.dump(["HKU\\" + BOB + RUN])["HKU\\" + BOB + RUN]
    checks.equal("the signed-in user's value back in his loaded hive", sorted(bob_run or {}),
                 ["Sync", "Tarvix"])
    checks.equal("the import in the manifest",
                 [e["event"] for e in quarantine.events(machine)[done_before:]], ["imported"])
