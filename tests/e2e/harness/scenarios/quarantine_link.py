"""A quarantine folder that is a link is never followed. A user can make
C:\\ProgramData\\DiziTarvix\\Quarantine a junction to a folder of their own
(here, from Linux, a symbolic link to C:\\users\\Public\\Shared, which Wine
shows as a reparse point) before the program runs. A silent scan of an
infected machine removes the infection as usual (exit code 1); the folder
the link leads to keeps exactly its files and its mode, where it was: nothing
is written there, read from there or locked down.

Windows renames a link itself, and the program then makes its quarantine
anew (shown on the fake). Wine cannot: renaming a Unix symbolic link moves the
folder it leads to and leaves the link. So here the program leaves the link
as it is and keeps nothing, and each find's log line and the report's errors
say why."""

import os

import data_tree
import expected
import quarantine
from machine import SHIPPED_FILES
from scenarios.common import read_report, run_silent, silent_log

FOLDER = "C:\\DiziTarvix"
LOG_FILE = FOLDER + "\\DiziTarvix_Log.txt"
REPORTS = "C:\\Reports"
REPORT = REPORTS + "\\link.json"
SHARED = "C:\\users\\Public\\Shared"
SHARED_FILES = {"notes.txt": b"the user's own notes\r\n"}
QUARANTINE = data_tree.QUARANTINE
NOT_USED = (f"{QUARANTINE} is not used: it is a link (a junction or a symbolic link) to another "
            "place; it could not be set aside: this system would move the folder the link leads "
            "to, not the link")
TARGETS = [expected.WINDOWS_DIR + "\\krt32.exe", expected.SYSTEM_DIR + "\\kservice.exe"]


def items_anywhere(machine):
    """Every item file under the data tree and the folder the link leads to."""
    found = []
    for top in (data_tree.ROOT, SHARED):
        for folder, _, files in os.walk(machine.host(top)):
            found += [os.path.join(folder, name) for name in files if name.endswith(".dzq")]
    return found


def run(machine, checks):
    machine.install_program(FOLDER, files=SHIPPED_FILES)
    for name, data in SHARED_FILES.items():
        machine.write_bytes(SHARED + "\\" + name, data)
    os.chmod(machine.host(SHARED), 0o777)
    os.makedirs(machine.host(data_tree.ROOT))
    os.makedirs(machine.host(REPORTS))
    link = machine.host(QUARANTINE)
    target = os.path.relpath(machine.host(SHARED), os.path.dirname(link))
    os.symlink(target, link)
    shared_mode = data_tree.mode(machine, SHARED)
    for path in TARGETS:
        machine.write_bytes(path, b"planted " + path.encode())

    code, _ = run_silent(machine, ["/silent", "/report:" + REPORT], FOLDER)
    checks.equal("exit code: the infection removed all the same", code, 1)
    checks.equal("every target file deleted", [p for p in TARGETS if machine.exists(p)], [])
    checks.equal("the folder the link leads to: its files as they were",
                 data_tree.listing(machine, SHARED), SHARED_FILES)
    checks.equal("the folder the link leads to: its mode as it was",
                 oct(data_tree.mode(machine, SHARED)), oct(shared_mode))
    checks.equal("the link left as it was, nothing set aside",
                 (os.path.islink(link) and os.readlink(link),
                  data_tree.set_aside(machine, QUARANTINE)), (target, []))
    checks.equal("nothing kept anywhere", items_anywhere(machine), [])

    model = expected.ScanModel(
        FOLDER, present=TARGETS, msconfig_line=expected.MSCONFIG_NOT_SUPPLIED,
        quarantine={path.lower(): quarantine.NOT_KEPT_LINE + NOT_USED for path in TARGETS}).scan()
    checks.equal("each find's log line says why nothing was kept", machine.read_bytes(LOG_FILE),
                 silent_log(model))
    report = read_report(machine, REPORT)
    checks.equal("the report's errors say why, once",
                 report and report["errors"],
                 ["A file found could not be kept in the quarantine: " + NOT_USED])
