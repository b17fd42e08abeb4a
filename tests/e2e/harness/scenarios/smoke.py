"""Smoke: the program starts with its shipped files beside it, shows the window
"Diri Tarvix 2.5" with a 449 x 263 client area, and ends with exit code 0. Its
file carries the version record and the icon Explorer shows."""

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

    info = machine.driver().file_info(folder + "\\DiziTarvix.exe")
    version = info["version"] or {}
    checks.equal("version numbers", {key: version.get(key) for key in expected.VERSION_NUMBERS},
                 expected.VERSION_NUMBERS)
    texts = version.get("strings", {})
    checks.equal("version texts", {key: value for key, value in texts.items() if value},
                 expected.VERSION_TEXTS)
    checks.equal("icon: 16, 24, 32 and 48 pixels square, 24-bit colour", info["icon"],
                 [[size, size, 24] for size in (16, 24, 32, 48)])
