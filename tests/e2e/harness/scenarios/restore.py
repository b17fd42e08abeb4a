"""Restore from the quarantine, in the restore window: after a scan kept and
deleted a server file and a downloader file, the window lists both (date,
size, state, path); Restore puts the chosen one back byte for byte and says
its SHA-256 matched; restoring it again asks before replacing the file now
there, No leaves that file as it is and Yes replaces it; Delete asks, and Yes
removes the item for good; every action is in the manifest; Close gives the
main window back."""

import expected
import quarantine
from app_ids import IDC
from scenarios.common import exit_program, start_program

FOLDER = "C:\\DiziTarvix"
SERVER = expected.WINDOWS_DIR + "\\krt32.exe"
DOWNLOADER = expected.SYSTEM_DIR + "\\kservice.exe"
CAPTION = "Restore from quarantine"
PLANTED = {
    SERVER: b"MZ\x90\x00" + bytes(range(256)) * 64 + b"the server",
    DOWNLOADER: b"the downloader \x00\xff\r\n",
}


def restore_window(state):
    return next((w for w in state["windows"] if w["caption"] == CAPTION), None)


def rows(state):
    window = restore_window(state) or {"controls": []}
    lists = [c for c in window["controls"] if c["id"] == IDC["quarantine_items"]]
    return lists[0]["items"] if lists else None


def answered(driver, answer=None):
    """The texts of the boxes open now, each answered with OK or `answer`."""
    return [box["text"] for box in driver.boxes(until="none", answer=answer)]


def run(machine, checks):
    machine.install_program(FOLDER, recorded=("kill.exe", "fservice.exe"),
                            chained=("kill.exe", "fservice.exe"))
    for path, data in PLANTED.items():
        machine.write_bytes(path, data)
    program = start_program(machine, checks, FOLDER)
    driver = machine.driver()
    driver.click("Scan")
    checks.equal("both files deleted by the scan", [machine.exists(p) for p in PLANTED],
                 [False, False])
    kept = quarantine.kept_items(machine)
    checks.equal("both kept", sorted(kept), sorted(p.lower() for p in PLANTED))
    done_before = len(quarantine.events(machine))

    state = driver.menu("Restore from quarantine...")
    listed = rows(state) or []
    checks.equal("the window lists both, the server's first (found first)",
                 [(row.endswith(path), "UTC" in row, " deleted " in row) for row, path in
                  zip(listed, (SERVER, DOWNLOADER))], [(True, True, True)] * 2)
    checks.true("with each one's size", len(listed) == 2 and
                f"{len(PLANTED[SERVER]):,} bytes" in listed[0], listed)

    driver.select(CAPTION, IDC["quarantine_items"], 0)
    driver.click("Restore", window=CAPTION)
    checks.equal("Restore says what it did",
                 answered(driver), [SERVER + " has been restored; its SHA-256 matches the kept "
                                           "file's."])
    checks.equal("the server file is back byte for byte",
                 machine.exists(SERVER) and machine.read_bytes(SERVER), PLANTED[SERVER])

    machine.write_bytes(SERVER, b"written since")
    driver.click("Restore", window=CAPTION)
    checks.equal("restoring over a file asks first",
                 answered(driver, "No"),
                 ["A file already exists at " + SERVER + ".\n\nReplace it with the kept copy? "
                  "The file there now is lost."])
    checks.equal("No leaves that file as it is", machine.read_bytes(SERVER), b"written since")
    driver.click("Restore", window=CAPTION)
    answered(driver, "Yes")
    driver.state()  # the report follows the answer
    checks.equal("Yes replaces it, and says so", answered(driver),
                 [SERVER + " has been restored; its SHA-256 matches the kept file's."])
    checks.equal("replaced byte for byte", machine.read_bytes(SERVER), PLANTED[SERVER])

    state = driver.select(CAPTION, IDC["quarantine_items"], 1)
    driver.click("Delete", window=CAPTION)
    checks.equal("Delete asks first", answered(driver, "Yes"),
                 ["Delete the kept copy of " + DOWNLOADER + " for good?\n\nIt cannot be restored "
                  "afterwards."])
    state = driver.state()
    checks.equal("the deleted item is gone from the list, the restored one says so",
                 [(" restored " in row, row.endswith(SERVER)) for row in rows(state) or []],
                 [(True, True)])
    checks.equal("and gone from the folder",
                 machine.exists(quarantine.item_path(kept[DOWNLOADER.lower()])), False)
    checks.equal("the downloader file stays deleted", machine.exists(DOWNLOADER), False)
    checks.equal("every action in the manifest",
                 [(e["event"], e["id"], e.get("replaced")) for e in
                  quarantine.events(machine)[done_before:]],
                 [("restored", kept[SERVER.lower()], False),
                  ("restored", kept[SERVER.lower()], True),
                  ("deleted", kept[DOWNLOADER.lower()], None)])

    state = driver.click("Close", window=CAPTION)
    checks.equal("Close gives the main window back", (restore_window(state), state["main"]["enabled"]),
                 (None, True))
    exit_program(machine, checks, program)
