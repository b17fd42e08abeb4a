"""The program's own folders in the prefix, as the tests see them from outside:
the data tree under the common application data folder (CSIDL_COMMON_APPDATA).
A 32-bit program names it C:\\ProgramData on either layout, and WOW64 redirects
no part of it, so these paths are where the files really are.

  DiziTarvix\\Quarantine   the kept files, their manifest, the undo files
  DiziTarvix\\Program      the verified copies of kill.exe and fservice.exe
                          that every run starts instead of the files beside
                          the program, and the program's own copy (with the
                          read-me and msconfig.exe) that the scan after a
                          restart starts
  DiziTarvix\\Reports      every run's report "<computer>-<run id>.json" and
                          log "<computer>-<run id>.log" (the newest 100 runs)
  DiziTarvix\\run.lock     held, alone, by the one run in progress

A folder of the tree that fails the program's check is renamed aside as
"<name>.set-aside-<UTC yyyymmdd-hhmmss>[-N]" and made anew."""

import os
import re
import stat

COMMON_APP_DATA = "C:\\ProgramData"
ROOT = COMMON_APP_DATA + "\\DiziTarvix"
QUARANTINE = ROOT + "\\Quarantine"
PROGRAM_COPIES = ROOT + "\\Program"
PROGRAM_COPY = PROGRAM_COPIES + "\\DiziTarvix.exe"
REPORTS = ROOT + "\\Reports"
RUN_LOCK = ROOT + "\\run.lock"

# A run's id: its UTC start and six hexadecimal digits (report/run_id.h).
RUN_ID = re.compile(r"\d{8}-\d{6}-[0-9a-f]{6}")

_SET_ASIDE = re.compile(r"\.set-aside-\d{8}-\d{6}(-\d+)?")


def companion_copy(name):
    """The file the program starts for the shipped `name` (kill.exe, fservice.exe)."""
    return PROGRAM_COPIES + "\\" + name


def set_aside(machine, path):
    """The full names of what was renamed aside from `path`, oldest first."""
    folder, name = path.rsplit("\\", 1)
    host = machine.host(folder)
    if not os.path.isdir(host):
        return []
    return sorted(folder + "\\" + entry for entry in os.listdir(host)
                  if entry.lower().startswith(name.lower()) and
                  _SET_ASIDE.fullmatch(entry[len(name):]))


def set_aside_text(path, aside, why):
    """What the log says of a folder of the tree renamed aside."""
    return f"{path} was not used: {why}; it was set aside as {aside}, as it is, and made anew"


def mode(machine, path):
    """The Unix permission bits of a file or folder itself (a link is not followed)."""
    return stat.S_IMODE(os.lstat(machine.host(path)).st_mode)


def world_writable(machine, path):
    """Whether Wine shows `path` as changeable by everyone: it maps the
    other-write bit to Everyone's modify right."""
    return bool(mode(machine, path) & stat.S_IWOTH)


def listing(machine, folder):
    """{name: bytes} of every file in `folder`, links not followed."""
    host = machine.host(folder)
    files = {}
    for entry in sorted(os.listdir(host)):
        path = os.path.join(host, entry)
        if os.path.isfile(path) and not os.path.islink(path):
            with open(path, "rb") as f:
                files[entry] = f.read()
        else:
            files[entry] = None
    return files


def kept_runs(machine):
    """{run id: {"report": bytes or None, "log": bytes or None}} of every run
    the computer keeps in the Reports folder, oldest first."""
    host = machine.host(REPORTS)
    runs = {}
    if not os.path.isdir(host):
        return runs
    for entry in sorted(os.listdir(host)):
        stem, _, extension = entry.rpartition(".")
        match = RUN_ID.search(stem)
        if match is None or match.end() != len(stem) or extension not in ("json", "log"):
            continue
        with open(os.path.join(host, entry), "rb") as f:
            data = f.read()
        runs.setdefault(match.group(), {"report": None, "log": None})[
            "report" if extension == "json" else "log"] = data
    return dict(sorted(runs.items()))


def run_ids(machine):
    """The ids of the runs the computer keeps, oldest first."""
    return list(kept_runs(machine))


def newest_run_id(machine):
    ids = run_ids(machine)
    return ids[-1] if ids else None
