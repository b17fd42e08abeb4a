"""A quarantine folder that others may change is never used. Every user may
make folders in the common application data folder, so a trojan running as
one can make C:\\ProgramData\\DiziTarvix\\Quarantine before the program ever
runs and put an item and manifest lines there. Under Wine every file belongs
to the one Wine user, who also owns C:\\ProgramData, so only the folder's
Unix mode tells such a folder from the program's own: one made world-writable
(chmod 777) reads back as modify rights for Everyone.

First, as a control, the planted item and its manifest line in a folder that
passes the check: /restore:<id> writes the planted bytes to
C:\\windows\\system32\\drivers\\evil.sys, so the planted files are ones the
program would act on. Then, the folder made world-writable: /restore:all
writes nothing anywhere (neither evil.sys, nor what a line with ".." in its
id names); the folder is renamed aside, every planted file in it as it was,
and a new, empty quarantine is made that is not world-writable. Then, that one
made world-writable in turn and a file planted in it, a silent scan of an
infected machine keeps its finds only in a quarantine made anew that is not
world-writable, the folder it found is renamed aside as it was, and the log
says so under the first find."""

import hashlib
import json
import os
import stat

import data_tree
import expected
import quarantine
from machine import SHIPPED_FILES
from scenarios.common import read_report, run_silent, silent_log

FOLDER = "C:\\DiziTarvix"
LOG_FILE = FOLDER + "\\DiziTarvix_Log.txt"
REPORTS = "C:\\Reports"
REPORT = REPORTS + "\\data_folder.json"
QUARANTINE = data_tree.QUARANTINE
DRIVERS = expected.SYSTEM_DIR + "\\drivers"
EVIL = DRIVERS + "\\evil.sys"
EVIL_BYTES = b"MZ planted driver \x00\xff" * 8
# Read through an id that climbs out of the quarantine: C:\users\Public\x.dzq.
CLIMBING_ID = "..\\..\\..\\users\\Public\\x"
CLIMBED_ITEM = "C:\\users\\Public\\x.dzq"
CLIMBED_TARGET = DRIVERS + "\\evil2.sys"
PLANTED_ID = "20240101-000000-01"
# Everyone, as Wine shows the other-write bit.
EVERYONE_MAY_CHANGE = "an account that is not Administrators or SYSTEM may change it: S-1-1-0"
TARGETS = [expected.WINDOWS_DIR + "\\krt32.exe", expected.SYSTEM_DIR + "\\kservice.exe"]


def item_bytes(original):
    """An item file as quarantine/item_format.h describes it."""
    return quarantine.HEADER + quarantine.unmask(original)


def event_lines(item_id, path, original):
    kept = {"event": "kept", "time": "2024-01-01T00:00:00Z", "id": item_id, "path": path,
            "size": len(original), "sha256": hashlib.sha256(original).hexdigest(),
            "kind": "server"}
    gone = {"event": "original", "time": "2024-01-01T00:00:01Z", "id": item_id, "path": path,
            "original": "deleted"}
    return "".join(json.dumps(event, separators=(",", ":")) + "\n" for event in (kept, gone))


def plant_quarantine(machine):
    """The planted quarantine, as a user without administrator rights can make it."""
    # A 32-bit program's system32\drivers is SysWOW64\drivers on a 64-bit
    # Windows, which Wine's 64-bit prefix lacks.
    os.makedirs(machine.host(DRIVERS), exist_ok=True)
    machine.write_bytes(quarantine.item_path(PLANTED_ID), item_bytes(EVIL_BYTES))
    machine.write_bytes(CLIMBED_ITEM, item_bytes(EVIL_BYTES))
    machine.write_bytes(quarantine.MANIFEST,
                        (event_lines(PLANTED_ID, EVIL, EVIL_BYTES) +
                         event_lines(CLIMBING_ID, CLIMBED_TARGET, EVIL_BYTES)).encode())


def snapshot(machine):
    """Every file and folder of the prefix's drive C: {path: (kind, size, bytes' digest)}."""
    root = machine.host("C:\\")
    found = {}
    for folder, folders, files in os.walk(root):
        for name in folders + files:
            path = os.path.join(folder, name)
            info = os.lstat(path)
            key = os.path.relpath(path, root)
            if stat.S_ISLNK(info.st_mode):
                found[key] = ("link", os.readlink(path))
            elif stat.S_ISDIR(info.st_mode):
                found[key] = ("folder", stat.S_IMODE(info.st_mode))
            else:
                with open(path, "rb") as f:
                    found[key] = ("file", hashlib.sha256(f.read()).hexdigest())
    return found


def changes(before, after):
    """What differs between two snapshots, as sorted (path, before, after)."""
    return sorted((path, before.get(path), after.get(path))
                  for path in set(before) | set(after) if before.get(path) != after.get(path))


def restore_control(machine, checks):
    code, _ = run_silent(machine, ["/restore:" + PLANTED_ID], FOLDER)
    checks.equal("control, the folder passing the check: /restore:<id> puts the planted bytes "
                 "back", (code, machine.exists(EVIL) and machine.read_bytes(EVIL)),
                 (0, EVIL_BYTES))
    os.remove(machine.host(EVIL))


def restore_refused(machine, checks):
    os.chmod(machine.host(QUARANTINE), 0o777)
    planted = data_tree.listing(machine, QUARANTINE)
    before = snapshot(machine)
    code, out, _ = machine.run_wine([FOLDER + "\\DiziTarvix.exe", "/restore:all"], cwd=FOLDER)
    lines = out.decode("latin-1").split("\r\n")
    after = snapshot(machine)
    aside = data_tree.set_aside(machine, QUARANTINE)
    checks.equal("world-writable: nothing restored anywhere",
                 [machine.exists(path) for path in (EVIL, CLIMBED_TARGET)], [False, False])
    checks.equal("world-writable: the folder renamed aside once", len(aside), 1)
    if not aside:
        return
    checks.equal("world-writable: /restore:all exit code, and it says the folder was set aside",
                 (code, lines),
                 (0, [data_tree.set_aside_text(QUARANTINE, aside[0], EVERYONE_MAY_CHANGE) + ".",
                      "the quarantine holds nothing to restore", ""]))
    checks.equal("world-writable: every planted file kept as it was under the new name",
                 data_tree.listing(machine, aside[0]), planted)
    name = os.path.relpath(machine.host(QUARANTINE), machine.host("C:\\"))
    new_name = os.path.relpath(machine.host(aside[0]), machine.host("C:\\"))
    moved = {new_name + path[len(name):]: entry for path, entry in before.items()
             if path == name or path.startswith(name + "/")}
    rest = {path: entry for path, entry in before.items()
            if path != name and not path.startswith(name + "/")}
    checks.equal("world-writable: nothing else changed on drive C: but a new, empty quarantine",
                 changes({**rest, **moved}, after),
                 [(name, None, ("folder", data_tree.mode(machine, QUARANTINE)))])
    checks.true("world-writable: the new quarantine is not world-writable",
                not data_tree.world_writable(machine, QUARANTINE))


def scan_moves_on(machine, checks):
    """The quarantine found world-writable at the scan: its finds are kept in a new one."""
    os.chmod(machine.host(QUARANTINE), 0o777)
    machine.write_bytes(QUARANTINE + "\\planted.txt", b"planted before the scan")
    planted = data_tree.listing(machine, QUARANTINE)
    earlier = data_tree.set_aside(machine, QUARANTINE)
    for path in TARGETS:
        machine.write_bytes(path, b"planted " + path.encode())
    os.makedirs(machine.host(REPORTS), exist_ok=True)
    code, _ = run_silent(machine, ["/silent", "/report:" + REPORT], FOLDER)
    aside = [path for path in data_tree.set_aside(machine, QUARANTINE) if path not in earlier]
    checks.equal("scan: exit code", code, 1)
    checks.equal("scan: the world-writable folder renamed aside once", len(aside), 1)
    if aside:
        checks.equal("scan: every file in it kept as it was under the new name",
                     data_tree.listing(machine, aside[0]), planted)

    kept = quarantine.kept_items(machine)
    checks.equal("scan: each find kept in the new quarantine, the planted bytes recoverable",
                 {path: quarantine.recovered(machine, kept.get(path.lower(), "-"))
                  for path in TARGETS},
                 {path: b"planted " + path.encode() for path in TARGETS})
    checks.equal("scan: the new quarantine holds only those items and the manifest",
                 sorted(data_tree.listing(machine, QUARANTINE)),
                 sorted([item + ".dzq" for item in kept.values()] + ["manifest.jsonl"]))
    checks.equal("scan: no folder of the data tree is world-writable",
                 [path for path in (data_tree.ROOT, QUARANTINE, data_tree.PROGRAM_COPIES)
                  if data_tree.world_writable(machine, path)], [])

    model = expected.ScanModel(FOLDER, present=TARGETS,
                               msconfig_line=expected.MSCONFIG_NOT_SUPPLIED,
                               quarantine=quarantine.log_lines(machine))
    model.scan().note_first_keep("   +-> " + data_tree.set_aside_text(
        QUARANTINE, aside[0] if aside else "?", EVERYONE_MAY_CHANGE))
    checks.equal("scan: the log says the folder was set aside, under the first find",
                 machine.read_bytes(LOG_FILE), silent_log(model))
    report = read_report(machine, REPORT)
    checks.equal("scan: the report's result and errors",
                 report and (report["result"], report["errors"]), ("removed", []))


def run(machine, checks):
    machine.install_program(FOLDER, files=SHIPPED_FILES)
    plant_quarantine(machine)
    checks.true("planted: the folder is not world-writable yet",
                not data_tree.world_writable(machine, QUARANTINE))
    restore_control(machine, checks)
    restore_refused(machine, checks)
    scan_moves_on(machine, checks)
