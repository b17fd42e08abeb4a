"""Steps several scenarios share."""

import expected


def start_program(machine, checks, folder, cwd=None, boxes=(expected.WARNING_BOX,), label=""):
    """Starts the program, answers its start-up boxes and checks them against
    `boxes`; returns the running program once its main window is ready."""
    program = machine.launch(folder, cwd)
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

