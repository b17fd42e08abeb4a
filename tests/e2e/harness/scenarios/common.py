"""Steps several scenarios share."""

import json

import expected


def start_program(machine, checks, folder, cwd=None, boxes=(expected.WARNING_BOX,), label="",
                  native_tools=True):
    """Starts the program, answers its start-up boxes and checks them against
    `boxes`; returns the running program once its main window is ready.
    Without `native_tools` the system tools it starts are Wine's own."""
    program = machine.launch(folder, cwd, native_tools=native_tools)
    shown = machine.driver().boxes(until="main")
    checks.equal(f"{label}start-up message boxes, in order", shown, list(boxes))
    return program


def exit_program(machine, checks, program, label=""):
    """Ends the program with Actions > Exit and checks its exit code."""
    machine.driver().run("menu", "Exit", allow_failure=True)
    checks.equal(f"{label}exit code after Exit", program.wait_exit(), 0)


def main_window(state):
    return state["main"]


def list_items(state):
    return state["main"]["list"]["items"]


def tree_nodes(state):
    return state["main"]["tree"]["nodes"]


def progress(state):
    return state["main"]["progress"]["position"]


SESSION_MANAGER = "HKLM\\System\\CurrentControlSet\\Control\\Session Manager"


def pending_renames(driver):
    """PendingFileRenameOperations as (source, destination) pairs; an empty
    destination means deletion. The driver reads it through the ANSI registry
    functions, which convert the strings to the ANSI code page."""
    for value in driver.registry(SESSION_MANAGER)["values"]:
        if value["name"] == "PendingFileRenameOperations":
            names = bytes.fromhex(value["data"]).decode("latin-1").split("\0")
            return [(source, target) for source, target in zip(names[0::2], names[1::2])
                    if source]
    return []


def registry_values(driver, key):
    """{name: value} of a key's values: texts (REG_SZ, REG_EXPAND_SZ) without
    their terminating zero, numbers (REG_DWORD) as integers, anything else as
    its bytes; {} when the key is missing."""
    dump = driver.registry(key)
    values = {}
    for value in dump.get("values", []) if dump else []:
        data = bytes.fromhex(value["data"])
        if value["type"] in (1, 2):
            values[value["name"]] = data.decode("latin-1").rstrip("\0")
        elif value["type"] == 4:
            values[value["name"]] = int.from_bytes(data, "little")
        else:
            values[value["name"]] = data
    return values


def run_silent(machine, args, folder, cwd=None, env=None):
    """Runs the program with switches as a deployment tool would, while the
    driver watches what it shows: (exit code, visible top-level windows)."""
    driver = machine.driver()
    driver.processes()  # the driver is ready before the program starts
    program = machine.launch(folder, cwd, args=args, env=env)
    windows = driver.watch_windows()
    return program.wait_exit(timeout=60), windows


def silent_log(model, boxes=()):
    """The log file of a run without a window: the boxes' lines (a run without a
    window has no read-me, so no box about one), then the scan's."""
    lines = [expected.box_line(shown) for shown in boxes] + model.texts
    return b"".join(text.encode("latin-1") + b"\r\n" for text in lines)


def read_report(machine, path):
    """The report at `path`, parsed from its UTF-8; None when it is missing."""
    if not machine.exists(path):
        return None
    return json.loads(machine.read_bytes(path).decode("utf-8"))
