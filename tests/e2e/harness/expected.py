"""What the program is documented to do, as the tests expect to see it from
outside: its texts, its signature tables, and a model of a scan run that gives
the exact log lines and started commands for a given set of planted files.

The publisher's own values (names, web addresses) are the ones the program is
built with, read from log/publisher.h.
"""

import os
import re

from data_tree import PROGRAM_COPY, companion_copy

WINDOWS_DIR = "C:\\windows"
SYSTEM_DIR = WINDOWS_DIR + "\\system32"
LEGACY_SYSTEM_DIR = SYSTEM_DIR[:-2]

CAPTION = "Diri Tarvix 2.5"
CLIENT_SIZE = [449, 263]

# --- message boxes -----------------------------------------------------------


def box(caption, text, icon):
    return {"caption": caption, "text": text, "icon": icon, "buttons": ["OK"]}


WARNING_BOX = box("WARNING!!!", "Please read the ReadMe file that will appear carefully.",
                  "warning")
MISSING_FILES_BOX = box(
    "Missing file(s)",
    "If you extracted the ZIP file content to a temp folder, please extract them somewhere "
    "else.\n\nOr you might downloaded the package with missing files. Please redownload it",
    "error")


def missing_file_box(path):
    """What a run without a window logs and reports for a missing shipped
    file: the box's text, which names the file."""
    return box(MISSING_FILES_BOX["caption"],
               f"{path} is missing or cannot be read.\n\n" + MISSING_FILES_BOX["text"], "error")


OLD_WINDOWS_BOX = box(
    "Windows 9x or 2000",
    "This is not windows XP or later. Diri Tarvix 2.5 was not tested under these platforms.",
    "error")


def changed_file_box(name):
    """The start-up box for a shipped program that is not the one its build recorded."""
    return box("Changed file",
               f"{name} is not the file that came with Diri Tarvix 2.5: it has been changed or "
               "replaced, or another program keeps it from being read.\n\nPlease redownload the "
               "package and extract it again.",
               "error")


SAVING_ERROR_BOX = box(
    "Saving Error",
    "Somthing wrong happend, either disk space is full or you don't have the access to write "
    "files in within this accout.\n the program will not save any information sorry for this "
    "distribution",
    "error")

# --- the publisher -----------------------------------------------------------


def _publisher():
    header = os.path.join(os.path.dirname(__file__), "..", "..", "..", "log", "publisher.h")
    with open(header) as f:
        return dict(re.findall(r'#define\s+(DIZI_\w+)\s+"([^"]*)"', f.read()))


PUBLISHER = _publisher()
HOME_PAGE = PUBLISHER["DIZI_HOME_PAGE"]
SUPPORT_PAGE = PUBLISHER["DIZI_SUPPORT_PAGE"]
CONTACT_PAGE = PUBLISHER["DIZI_CONTACT_PAGE"]
ADVERTISING_PAGE = PUBLISHER["DIZI_ADVERTISING_PAGE"]
BANNER_LINE = f"[ {PUBLISHER['DIZI_PUBLISHER_TAG']} | {PUBLISHER['DIZI_PUBLISHER_ADDRESS_CAPS']} ]"

ABOUT_TEXT_SHOWN = "\n".join([
    "App-Name: AnriTarvix v2.5",
    "Discription: It removes any version of tarvix server or tarvix downloader.",
    f"By: {PUBLISHER['DIZI_PUBLISHER_NAME']}.",
    "Spcial Thanks:",
    f"  - {PUBLISHER['DIZI_TESTER_HANDLE']}: For your tarvix test servers & Testing the "
    "DiziTarvix in XP machine!",
    f"  - {PUBLISHER['DIZI_CONTRIBUTOR_HANDLE']}: For the Fservice.exe FIXs!",
    "  - All DiziTarvix Users: For your suggestions to imporive it.",
])

# What Explorer shows of DiziTarvix.exe: the numeric versions and the text
# entries that have a value; every other text entry is empty or absent.
VERSION_NUMBERS = {"fileVersion": "2.5.0.0", "productVersion": "2.5.0.0"}
VERSION_TEXTS = {
    "CompanyName": PUBLISHER["DIZI_PUBLISHER_NAME"], "FileVersion": "2.5.0.0",
    "OriginalFilename": "DiziTarvix.exe", "ProductName": "Diri Tarvix 2.5",
    "ProductVersion": "2.5", "Comments": PUBLISHER["DIZI_PUBLISHER_ADDRESS"],
}

# The menu bar as the user reads it: top-level captions and their items.
MENU_SHOWN = [
    ("Actions", ["Preform a full scan", "Just fix-up my RegEdit & Msconfig", "Exit", "",
                 "Restore from quarantine..."]),
    ("View", ["Tree View", "List View"]),
    ("Help", ["Support Center", "About", "Contact"]),
]

# --- signature tables --------------------------------------------------------

_FOLDERS = {"system": SYSTEM_DIR, "legacy": LEGACY_SYSTEM_DIR, "windows": WINDOWS_DIR}

SERVER_SIGNATURES = [
    ("\\fservice.exe", "system"), ("\\wininv.dll", "system"), ("\\winkey.dll", "system"),
    ("\\reginv.dll", "system"), ("\\sservice.exe", "legacy"), ("\\wininv.dll", "legacy"),
    ("\\mps.atm", "windows"), ("\\services.exe", "windows"), ("\\PpluginCd.dll", "windows"),
    ("\\reginv.dll", "windows"), ("\\Pplugin1.dll", "windows"), ("\\Pplugin2.dll", "windows"),
    ("\\Pplugin3.dll", "windows"), ("\\Pplugin4.exe", "windows"), ("\\Pplugin4.dat", "windows"),
    ("\\krt32.exe", "windows"), ("\\kdd32.atm", "windows"), ("\\kt.atm", "windows"),
    ("\\ktd32.atm", "windows"), ("\\Pplugin8.exe", "windows"), ("\\Pplugin8.dat", "windows"),
    ("\\winp9.exe", "windows"), ("\\Pplugin9.dat", "windows"), ("\\Pplugin10xa.exe", "windows"),
    ("\\winkey.dll", "windows"),
]
DOWNLOADER_SIGNATURES = [
    ("\\wservice.exe", "system"), ("\\lservice.exe", "system"), ("\\dservice.exe", "system"),
    ("\\d_service.exe", "system"), ("\\ffservice.exe", "system"), ("\\kservice.exe", "system"),
]


def target_path(signature):
    entry, folder = signature
    return _FOLDERS[folder] + entry


SERVER_TARGETS = [target_path(s) for s in SERVER_SIGNATURES]
DOWNLOADER_TARGETS = [target_path(s) for s in DOWNLOADER_SIGNATURES]

# --- outside commands --------------------------------------------------------

RESTART_COMMENT = ("Diri Tarvix System Restart -- Please rescan your computer with Diri Tarvix "
                   "after the restart.")
POLICY_KEY = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System"


# The run starts the shipped kill tool and repair program from its verified
# copies in the data tree, never from the folder the program was started from.
KILL_TOOL = companion_copy("kill.exe")
REPAIR_PROGRAM = companion_copy("fservice.exe")


def kill_command(path):
    """The shipped kill tool for the processes whose image is the file at `path`."""
    return f'"{KILL_TOOL}" -f "{path}"'


def taskkill_command(process_ids):
    """The system's task-kill tool for exactly these processes, by id."""
    return f'"{SYSTEM_DIR}\\taskkill.exe" /F' + "".join(f" /PID {pid}" for pid in process_ids)


SHUTDOWN_ABORT = f'"{SYSTEM_DIR}\\shutdown.exe" -a'
RESTART = f'"{SYSTEM_DIR}\\shutdown.exe" -r -f -t 10 -c "{RESTART_COMMENT}"'
ENABLE_TASK_MANAGER = (f'"{SYSTEM_DIR}\\reg.exe" add {POLICY_KEY} /v DisableTaskMgr '
                       "/t REG_DWORD /d 0 /f")
ENABLE_REGISTRY_TOOLS = (f'"{SYSTEM_DIR}\\reg.exe" add {POLICY_KEY} /v DisableRegistryTools '
                         "/t REG_DWORD /d 0 /f")


REPAIR_COMMAND = f'"{REPAIR_PROGRAM}"'
FIX_UP_COMMANDS = [ENABLE_TASK_MANAGER, ENABLE_REGISTRY_TOOLS, REPAIR_COMMAND]

# The scan after the restart: a start-up task of the system that starts the
# program's own verified copy, and that scan deleting it.
FOLLOW_UP_NAME = "DiziTarvix after restart"
SCHTASKS = f'"{SYSTEM_DIR}\\schtasks.exe"'
DELETE_TASK = f'{SCHTASKS} /delete /tn "{FOLLOW_UP_NAME}" /f'


def quoted_argument(text):
    """`text` as one argument of a command line, as the C runtime splits them."""
    quoted, backslashes = '"', 0
    for c in text:
        if c == "\\":
            backslashes += 1
        elif c == '"':
            quoted += "\\" * (backslashes + 1)
            backslashes = 0
        else:
            backslashes = 0
        quoted += c
    return quoted + "\\" * backslashes + '"'


def split_arguments(command_line):
    """A command line split as the C runtime splits it (program name included)."""
    words, i, n = [], 0, len(command_line)
    while True:
        while i < n and command_line[i] in " \t":
            i += 1
        if i >= n:
            return words
        word, quoted = "", False
        while i < n and (quoted or command_line[i] not in " \t"):
            backslashes = 0
            while i < n and command_line[i] == "\\":
                backslashes += 1
                i += 1
            if i < n and command_line[i] == '"':
                word += "\\" * (backslashes // 2)
                if backslashes % 2:
                    word += '"'
                else:
                    quoted = not quoted
                i += 1
            else:
                word += "\\" * backslashes
                if i < n and (quoted or command_line[i] not in " \t"):
                    word += command_line[i]
                    i += 1
        words.append(word)


def follow_up_command(run_id, report_folder=None):
    """What the start-up task starts after the restart of the run `run_id`."""
    report = f" /report:{report_folder}" if report_folder else ""
    return f"{quoted_argument(PROGRAM_COPY)} /silent{report} /afterrestart:{run_id}"


def make_task(run_id, report_folder=None):
    """The task scheduler's tool making the start-up task (Vista and later)."""
    return (f'{SCHTASKS} /create /tn "{FOLLOW_UP_NAME}" /sc onstart /ru SYSTEM /tr '
            f"{quoted_argument(follow_up_command(run_id, report_folder))} /rl highest /f")


def repair_line(sid, changed, tools_given_back=False, profile=False):
    """The fix-up's line for a user's hive where the repair program changed
    `changed` values."""
    line = f"  -User {sid}: {changed} setting{'' if changed == 1 else 's'} repaired"
    if tools_given_back:
        line += ", Task Manager and RegEdit unlocked"
    if profile:
        line += " (not signed in: its hive was loaded from its profile)"
    return line


def read_me_opened(program_dir):
    """The text handler's command line when the shell opens the read-me."""
    return f'"C:\\e2e\\open-txt.exe" "{program_dir}\\ReadMe First.txt"'


def page_opened(address):
    return f'"C:\\e2e\\open-url.exe" "{address}"'


# --- log lines ---------------------------------------------------------------

SERVER_START = "  Scanning for Tarvix Server... *Start*"
SERVER_FINISH = "  Scanning for Tarvix Server... *Finish*"
SAFE_RESCAN = "   -> Lunching a SAFE-RESCAN..."
SERVER_CLEAN = "   -> You're not infected with Tarvix Server."
DOWNLOADER_START = "  Scanning for Tarvix stealth downloader... *Start*"
DOWNLOADER_FINISH = "  Scanning for Tarvix stealth downloader... *Finish*"
DOWNLOADER_CLEAN = "   -> You're not infected with Tarvix Downloader."
FIX_UP_LINES = [
    '  -Unlocking "Msconfig" -- 1/4',
    '  -Unlocking "RegEdit" -- 2/4',
    '  -Fixing "fservice.exe" error -- 3/4',
    '  -Fixing "sservice.exe" error -- 4/4',
]
MSCONFIG_NOT_RESTORED = '  -"Msconfig" was not restored -- 1/4: '
MSCONFIG_NOT_SUPPLIED = (MSCONFIG_NOT_RESTORED +
                         "no clean msconfig.exe was supplied beside the program")
MSCONFIG_AFTER_START = (MSCONFIG_NOT_RESTORED +
                        "the msconfig.exe beside the program was put there after the program "
                        "started: start the program again to have it checked and used")
MSCONFIG_NOT_RECORDED = (MSCONFIG_NOT_RESTORED + "the msconfig.exe beside the program did not "
                         "come with the package and cannot be checked")
MSCONFIG_NOT_SHIPPED = (MSCONFIG_NOT_RESTORED + "the msconfig.exe beside the program is not the "
                        "clean copy that came with the package")


def fix_up_lines(msconfig_line=FIX_UP_LINES[0]):
    """The fix-up's four lines; the first, `msconfig_line`, says whether
    msconfig.exe was restored (by default it was)."""
    return [msconfig_line] + FIX_UP_LINES[1:]


FIRST_SIGNAL_SENT = "   +-> Killing signal 1/2 has been sent"
SECOND_SIGNAL_SENT = "   +-> Killing signal 2/2 has been sent in case of failure of 1/2"
BOTH_SIGNALS_SENT = "   +-> Killing signals has been sent. 1,2/2"
# The kill tool ended every process of the file it could, or none ran it.
SECOND_SIGNAL_NOT_NEEDED = ("   +-> Killing signal 2/2 was not needed: the kill tool reported no "
                            "process of the file that it could not end")
DELETED = {
    "server": "   => TarVix Server has been deleted from your computer.",
    "downloader": "   => TarVix Stealth Downloader has been deleted from your computer.",
}
DELETED_AT_RESTART = {
    "server": "   => TarVix Server could not be deleted now; it will be deleted at the next restart.",
    "downloader": "   => TarVix Stealth Downloader could not be deleted now; it will be deleted at "
                  "the next restart.",
}
DETECTED = {
    "server": "   -> Tarvix server has been detected!",
    "downloader": "   -> Tarvix Stealth Downloader has been detected!",
}


TASK_ARRANGED = ("  After the restart Diri Tarvix scans once more, before anyone signs in (the "
                 'start-up task "DiziTarvix after restart"); its report is kept in the Reports '
                 "folder.")
TASK_REMOVED = ('  The start-up task "DiziTarvix after restart" that started this scan was '
                "removed.")
CAME_BACK = ("  Tarvix came back after the restart, and it was removed again. Something starts it "
             "in a way Diri Tarvix does not clean, so Diri Tarvix does not restart the computer "
             "again: have the computer checked by hand.")
SCAN_ONLY = "  Scan only: Diri Tarvix looks for Tarvix and changes nothing."
LOG_KEPT_INSTEAD = "  The log is kept on this computer instead: "
LEFT_AS_IT_IS = "   => Scan only: it was left as it is."


def after_restart_line(follows=None):
    return ("  Scanning once more after the restart" +
            (f" that run {follows} asked for." if follows else "."))


def saved_to_line(program_dir):
    return "  Logs Has Been Saved to: " + program_dir + "\\DiziTarvix_Log.txt"


# --- runs without a window ----------------------------------------------------

RESTART_HELD_BACK = ("   -> The restart was held back (/noreboot): restart the computer to "
                     "finish, then scan again.")


def box_line(shown):
    """What a run without a window logs instead of showing the box: "  Caption:
    text", every line break of the text with the blanks around it one space."""
    return "  " + shown["caption"] + ": " + re.sub(r"\s*\n\s*", " ", shown["text"])


EXIT_CODES = {
    0: "clean: nothing was found",
    1: "found, and every file found is gone",
    2: "found; a restart is needed to finish",
    3: "found; a file was left (delete it by hand) or a repair did not finish",
    4: "cannot run: a shipped file is missing or rights are lacking",
    5: "bad command line, or the usage text was asked for",
    6: "another run is in progress",
    7: "scanned, but the log or the report could not be written",
    8: "found (scan only: nothing was changed)",
}


class ScanModel:
    """The log lines (with their top-level flags) and the commands of scan
    runs over a machine whose target files are `present` (paths, any case).
    Files in `undeletable` stay where they are; the program then registers
    them for deletion at the next restart. `msconfig_line` is the fix-up's
    first line (by default: msconfig.exe restored), and each fix-up in turn
    the lines of `repair_lines` after its four. With `no_reboot` (a run
    without a window given /noreboot) a server find starts no restart.
    `found` lists each file found, once, as (path, kind, outcome) in the
    order first found. `quarantine` gives each found file's last line, the
    quarantine item it was kept as or why it was not ({path in lower case:
    line}, see quarantine.log_lines). `not_ended` gives the ids of the
    processes the kill tool identifies as running a file and cannot end
    ({path in lower case: [process id, ...]}): only they get the second
    signal. The log is saved in `log_dir`, by default the program's folder.

    A scan run ends with its one restart, once everything is written, where a
    server find asks for it; before the log is saved, a run that asks for or
    needs a restart (`mode` "clean") makes the start-up task for the scan
    after it (the task scheduler's tool is a recorder), whose command names
    the run's id, `run_id`, and the report folder it was given. `mode`
    "scan_only" finds and changes nothing; "after_restart" removes again but
    arranges nothing and never restarts (`follows`: the run it follows up)."""

    def __init__(self, program_dir, present=(), undeletable=(), msconfig_line=FIX_UP_LINES[0],
                 no_reboot=False, quarantine=None, not_ended=None, repair_lines=(),
                 log_dir=None, mode="clean", run_id=None, report_folder=None, follows=None):
        self.program_dir = program_dir
        self.log_dir = log_dir or program_dir
        self.mode = mode
        self.run_id = run_id
        self.report_folder = report_folder
        self.follows = follows
        self.not_ended = not_ended or {}
        self.present = {p.lower() for p in present}
        self.undeletable = {p.lower() for p in undeletable}
        self.msconfig_line = msconfig_line
        self.no_reboot = no_reboot
        self.quarantine = quarantine or {}
        # The lines each fix-up logs after its four, in turn (see repair_line).
        self.repair_lines = [list(lines) for lines in repair_lines]
        self.lines = []  # (top level, text)
        self.commands = []
        self.found = {}  # path -> (kind, outcome), in the order first found
        self._this_scan = []  # (kind, outcome) of every find of the scan under way

    def _add(self, top, text):
        self.lines.append((top, text))

    def _remove(self, kind, path):
        self._add(True, DETECTED[kind])
        self._add(False, "   +-> path: " + path)
        self._add(True, "   -> Sending killing signal...")
        self.commands.append(kill_command(path))
        self._add(False, FIRST_SIGNAL_SENT)
        not_ended = self.not_ended.get(path.lower())
        if not_ended:
            self.commands.append(taskkill_command(not_ended))
            self._add(False, SECOND_SIGNAL_SENT)
            self._add(False, BOTH_SIGNALS_SENT)
        else:
            self._add(False, SECOND_SIGNAL_NOT_NEEDED)
        if kind == "server":
            self._add(True, "   -> force shutdown may appear now so don't PANiC!")
            self._add(False, "   +-> Sending Diri Force shutdown -- (XP Only)")
            self.commands.append(SHUTDOWN_ABORT)
            self._add(False, "   +--> Diri Force Shutdown Has been sent...")
        if path.lower() in self.undeletable:
            self._add(True, DELETED_AT_RESTART[kind])
            self._note(path, kind, "deleted_at_restart")
        else:
            self.present.discard(path.lower())
            self._add(True, DELETED[kind])
            self._note(path, kind, "deleted")
        self._add(False, self.quarantine.get(path.lower(), "(no quarantine event for " + path + ")"))

    def _look(self, kind, path):
        self._add(True, DETECTED[kind])
        self._add(False, "   +-> path: " + path)
        self._add(True, LEFT_AS_IT_IS)
        self._note(path, kind, "found")

    def _note(self, path, kind, outcome):
        self.found[path] = (kind, outcome)
        self._this_scan.append((kind, outcome))

    def _sweep(self, kind, signatures):
        found = False
        for signature in reversed(signatures):
            path = target_path(signature)
            if path.lower() in self.present:
                found = True
                if self.mode == "scan_only":
                    self._look(kind, path)
                else:
                    self._remove(kind, path)
        return found

    def fix_up(self):
        self.commands.extend(FIX_UP_COMMANDS)
        for line in fix_up_lines(self.msconfig_line):
            self._add(True, line)
        for line in self.repair_lines.pop(0) if self.repair_lines else []:
            self._add(True, line)

    def scan(self, quarantine=None, run_id=None):
        """One more scan run; `quarantine` replaces the found files' last lines
        from this run on (a later run keeps a file found again as a new item),
        `run_id` the run's id."""
        if quarantine is not None:
            self.quarantine = quarantine
        if run_id is not None:
            self.run_id = run_id
        self._this_scan = []
        if self.mode == "scan_only":
            self._add(True, SCAN_ONLY)
        elif self.mode == "after_restart":
            self._add(True, after_restart_line(self.follows))
        restart = False
        passes = 1 if self.mode == "scan_only" else 3
        for number in range(1, passes + 1):
            self._add(True, SERVER_START)
            if self._sweep("server", SERVER_SIGNATURES):
                if self.mode == "clean":
                    self.fix_up()
                    if self.no_reboot:
                        self._add(True, RESTART_HELD_BACK)
                    else:
                        restart = True
                elif self.mode == "after_restart":
                    self.fix_up()
            else:
                self._add(True, SERVER_CLEAN)
            if number == passes:
                break
            self._add(True, SAFE_RESCAN)
        self._add(True, SERVER_FINISH)
        self._add(True, "")
        self._add(True, DOWNLOADER_START)
        if not self._sweep("downloader", DOWNLOADER_SIGNATURES):
            self._add(True, DOWNLOADER_CLEAN)
        self._add(True, "")
        self._add(True, DOWNLOADER_FINISH)
        found = self._this_scan
        if self.mode == "after_restart" and found:
            self._add(True, CAME_BACK)
        if self.mode == "clean" and any(kind == "server" or outcome == "deleted_at_restart"
                                        for kind, outcome in found):
            self.commands.append(make_task(self.run_id or "<run id>", self.report_folder))
            self._add(True, TASK_ARRANGED)
        self._add(True, saved_to_line(self.log_dir))
        self._add(True, BANNER_LINE)
        if restart:
            self.commands.append(RESTART)
        return self

    def note_first_keep(self, line):
        """Adds `line` under the first find, before its quarantine line: what
        the quarantine said of its folder when it first kept something."""
        first = next(i for i, (top, text) in enumerate(self.lines)
                     if not top and text == self.quarantine.get(next(iter(self.found)).lower()))
        self.lines.insert(first, (False, line))
        return self

    @property
    def texts(self):
        return [text for _, text in self.lines]

    @property
    def tree(self):
        """The tree view's nodes in display order as [depth, text]: a
        top-level line is a root; any other line is the child of the node
        added just before it."""
        nodes = []
        depth = -1
        for top, text in self.lines:
            depth = 0 if top or depth < 0 else depth + 1
            nodes.append([depth, text])
        return nodes

    def log_file(self):
        """The saved log: every list line so far, each ended by CR LF."""
        return b"".join(text.encode("latin-1") + b"\r\n" for text in self.texts)
