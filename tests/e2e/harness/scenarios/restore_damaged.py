"""/restore:all when the quarantine's manifest cannot be trusted. Nothing kept:
nothing to restore, exit code 0. Two files kept by a scan, then the manifest
damaged: it says which lines are damaged and why, lists the item files found,
restores nothing and exits 3. The manifest locked by another program: it says
that the manifest could not be read and why, lists the item files, exit 3.
Lines planted with hostile ids and paths (a relative id reaching out of the
folder, a stream, the device namespace, a drive-relative path, an escaped
null, a .. part, a path far too long), each with an item of sound bytes and
digest: every such line is reported damaged with its reason, nothing planted
is written anywhere, the sound items are restored, exit 3; the restore window
lists the damaged lines under the items."""

import hashlib
import json
import subprocess

import expected
import quarantine
from app_ids import IDC
from machine import wait_ready
from scenarios.common import exit_program, run_silent, start_program

FOLDER = "C:\\DiziTarvix"
SERVER = expected.WINDOWS_DIR + "\\krt32.exe"
DOWNLOADER = expected.SYSTEM_DIR + "\\kservice.exe"
CAPTION = "Restore from quarantine"
PLANTED_BYTES = b"MZ planted by someone else"
NOT_JSON = "it is not one JSON object in UTF-8 on one line (cut short, say)"
NOT_FULL = ("its path is not a full path on a drive (C:\\...) or a network share "
            "(\\\\server\\share\\...)")
# (id, path, reason, where the path would have led)
HOSTILE = [
    ("..\\..\\..\\users\\Public\\x", "C:\\windows\\planted1.exe",
     "its id is not one this program gives", "C:\\windows\\planted1.exe"),
    ("20240101-000000-01", "C:\\windows\\system32\\drivers\\evil.sys:ads",
     "its path names a stream of a file (a colon after the drive's)",
     "C:\\windows\\system32\\drivers\\evil.sys"),
    ("20240101-000000-02", "\\\\?\\C:\\windows\\planted2.exe", NOT_FULL,
     "C:\\windows\\planted2.exe"),
    ("20240101-000000-03", "C:planted3.exe", NOT_FULL, FOLDER + "\\planted3.exe"),
    ("20240101-000000-04", "C:\\windows\\planted4.exe\0.txt", "its path holds a null character",
     "C:\\windows\\planted4.exe"),
    ("20240101-000000-05", "C:\\windows\\system32\\drivers\\..\\..\\planted5.exe",
     "its path has a . or .. part", "C:\\windows\\planted5.exe"),
    ("20240101-000000-06", "C:\\" + "p" * 300,
     "its path is longer than the 259 characters Windows allows", None),
]


def restore_all(machine):
    code, out, _ = machine.run_wine([FOLDER + "\\DiziTarvix.exe", "/restore:all"], cwd=FOLDER,
                                    native_tools=True)
    return code, out.decode("latin-1").splitlines()


def damaged(number, reason, item_id=""):
    named = f" (item {item_id})" if item_id else ""
    return (f"line {number} of the quarantine's manifest is damaged{named}, nothing is done "
            f"with it: {reason}")


def stray(item_id):
    return (f"the quarantine holds the item file {item_id}.dzq, which no line of its manifest "
            "describes")


def kept_line(item_id, path):
    return json.dumps({"event": "kept", "time": "2024-01-01T00:00:00Z", "id": item_id,
                       "path": path, "size": len(PLANTED_BYTES),
                       "sha256": hashlib.sha256(PLANTED_BYTES).hexdigest(), "kind": "server"},
                      separators=(",", ":"), ensure_ascii=False)


def run(machine, checks):
    machine.install_program(FOLDER, recorded=("kill.exe", "fservice.exe"),
                            chained=("kill.exe", "fservice.exe"))
    checks.equal("nothing kept: nothing to restore, exit code 0", restore_all(machine),
                 (0, ["the quarantine holds nothing to restore"]))

    machine.write_bytes(SERVER, b"MZ the server")
    machine.write_bytes(DOWNLOADER, b"the downloader")
    run_silent(machine, ["/silent", "/noreboot"], FOLDER)
    kept = quarantine.kept_items(machine)
    ids = sorted(kept.values())
    checks.equal("a scan kept and deleted both files",
                 (len(ids), machine.exists(SERVER), machine.exists(DOWNLOADER)), (2, False, False))
    good = machine.read_bytes(quarantine.MANIFEST)

    machine.write_bytes(quarantine.MANIFEST, b"\x00\xff not a manifest\n" + good[:40])
    checks.equal("a damaged manifest: its lines and the item files found, exit code 3",
                 restore_all(machine),
                 (3, [damaged(1, NOT_JSON), damaged(2, NOT_JSON)] + [stray(i) for i in ids]))
    checks.equal("a damaged manifest: nothing restored",
                 (machine.exists(SERVER), machine.exists(DOWNLOADER)), (False, False))

    machine.write_bytes(quarantine.MANIFEST, good)
    machine.install_test_program("sleeper.exe", "C:\\e2e\\locker.exe")
    locker = machine.start_wine(["C:\\e2e\\locker.exe", quarantine.MANIFEST, "lock"],
                                stdout=subprocess.PIPE)
    if not wait_ready(locker):
        raise RuntimeError("locker.exe could not open the manifest")
    code, lines = restore_all(machine)
    locker.kill()
    locker.wait()
    checks.equal("a manifest held by another program: exit code, why, and the item files",
                 (code, [line.startswith("the quarantine's manifest could not be read: ") and
                         line.endswith("(error 32)") for line in lines[:1]], lines[1:]),
                 (3, [True], [stray(i) for i in ids]))
    checks.equal("a manifest held by another program: nothing restored",
                 (machine.exists(SERVER), machine.exists(DOWNLOADER)), (False, False))

    planted_item = quarantine.HEADER + quarantine.unmask(PLANTED_BYTES)
    hostile = "".join(kept_line(item_id, path) + "\n" for item_id, path, _, _ in HOSTILE)
    for item_id, _, _, _ in HOSTILE:
        machine.write_bytes(quarantine.item_path(item_id), planted_item)
    machine.write_bytes("C:\\users\\Public\\x.dzq", planted_item)
    machine.write_bytes(quarantine.MANIFEST, good + hostile.encode("utf-8"))
    first = good.count(b"\n") + 1
    hostile_ids = [item_id for item_id, _, _, _ in HOSTILE[1:]]
    code, lines = restore_all(machine)
    checks.equal("hostile lines: the sound items restored, each hostile line damaged and why, "
                 "exit code 3",
                 (code, lines),
                 (3, [f"restored {kept[SERVER.lower()]}: {SERVER}",
                      f"restored {kept[DOWNLOADER.lower()]}: {DOWNLOADER}"] +
                  [damaged(first + n, reason, item_id if n else "")
                   for n, (item_id, _, reason, _) in enumerate(HOSTILE)] +
                  [stray(i) for i in hostile_ids]))
    checks.equal("hostile lines: nothing planted written anywhere",
                 [target for _, _, _, target in HOSTILE if target and machine.exists(target)], [])
    checks.equal("hostile lines: the item planted outside the folder untouched",
                 machine.read_bytes("C:\\users\\Public\\x.dzq"), planted_item)
    checks.equal("hostile lines: the sound items back byte for byte",
                 (machine.read_bytes(SERVER), machine.read_bytes(DOWNLOADER)),
                 (b"MZ the server", b"the downloader"))

    program = start_program(machine, checks, FOLDER)
    state = machine.driver().menu("Restore from quarantine...")
    window = next((w for w in state["windows"] if w["caption"] == CAPTION), {"controls": []})
    listed = next((c["items"] for c in window["controls"] if c["id"] == IDC["quarantine_items"]),
                  [])
    checks.equal("the restore window: the items, then each damaged line and stray item file",
                 [row.endswith(path) for row, path in zip(listed, (SERVER, DOWNLOADER))] +
                 listed[2:],
                 [True, True] +
                 ["(" + damaged(first + n, reason, item_id if n else "") + ")"
                  for n, (item_id, _, reason, _) in enumerate(HOSTILE)] +
                 ["(" + stray(i) + ")" for i in hostile_ids])
    machine.driver().click("Close", window=CAPTION)
    exit_program(machine, checks, program)
