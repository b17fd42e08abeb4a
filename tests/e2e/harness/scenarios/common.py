"""Steps several scenarios share."""

import expected


def start_program(session, checks, folder, cwd=None, boxes=(expected.WARNING_BOX,), label=""):
    """Starts the program, answers its start-up boxes and checks them against
    `boxes`; returns the running program once its main window is ready."""
    program = session.launch(folder, cwd)
    shown = session.driver().boxes(until="main")
    checks.equal(f"{label}start-up message boxes, in order", shown, list(boxes))
    return program


def exit_program(session, checks, program, label=""):
    """Ends the program with Actions > Exit and checks its exit code."""
    session.driver().run("menu", "Exit", allow_failure=True)
    checks.equal(f"{label}exit code after Exit", program.wait_exit(), 0)


def main_window(state):
    return state["main"]


def list_items(state):
    return state["main"]["list"]["items"]


def tree_nodes(state):
    return state["main"]["tree"]["nodes"]


def progress(state):
    return state["main"]["progress"]["position"]

