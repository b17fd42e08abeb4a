"""Smoke: the program starts with its shipped files beside it, shows the window
"Diri Tarvix 2.5" with a 449 x 263 client area, and ends with exit code 0."""

import expected
from scenarios.common import exit_program, start_program


def run(machine, checks):
    # The shipped files exactly as built, nothing recorded or replaced.
    folder = machine.install_program()
    program = start_program(machine, checks, folder)
    main = machine.driver().state()["main"]
    checks.equal("window caption", main["caption"], expected.CAPTION)
    checks.equal("client area size", main["client"][2:], expected.CLIENT_SIZE)
    checks.true("window shown", main["visible"])
    exit_program(machine, checks, program)
