"""The machine the demo and the benchmarks run the program on: the end-to-end
harness's test machine (tests/e2e/harness), that is a copy of a 32-bit Wine
prefix holding the recording stand-ins of the system's tools and of the shell's
"open" handlers, on a private X display, with every process it starts ended
by its id at the end. The base prefix it copies is kept between runs in the
work folder and made again only when missing or made with another recorder.
"""

import filecmp
import os
import shutil
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e", "harness"))

import prefix as prefixes  # noqa: E402
from machine import Paths, TestMachine  # noqa: E402
from processes import install_signal_handlers, log  # noqa: E402

__all__ = ["ROOT", "Paths", "TestMachine", "install_signal_handlers", "log", "prefixes",
           "paths_for", "ensure_base_prefix", "use_wine_fonts", "use_virtual_desktop"]

# Wine's own look-alikes of Windows fonts (Debian package fonts-wine). Wine 8 as
# Debian ships it does not find them where the package puts them, so without
# these copies the window's Tahoma and the title bar's Marlett symbols fall
# back to other faces (the caption buttons then show letters).
WINE_FONTS_DIR = "/usr/share/wine/fonts"
WINE_FONTS = ("tahoma.ttf", "tahomabd.ttf", "marlett.ttf")
# No free font is named Lucida Console: the list's text is drawn with a
# monospaced face like it rather than the proportional default.
FONT_SUBSTITUTES_REG = r"""REGEDIT4

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]
"Lucida Console"="DejaVu Sans Mono"
"""


def paths_for(build_dir, work_dir):
    """The harness's paths for a Windows build folder and a work folder."""
    build_dir = os.path.abspath(build_dir)
    return Paths(build_dir, os.path.join(build_dir, "tests", "e2e", "test-programs"), work_dir)


def ensure_base_prefix(paths):
    """Makes the base prefix unless the one in the work folder holds the
    current build's recorder as its stand-ins."""
    recorder = paths.test_program("recorder.exe")
    installed = prefixes.unix_path(paths.base_prefix, "C:\\windows\\system32\\taskkill.exe")
    if os.path.exists(installed) and filecmp.cmp(recorder, installed, shallow=False):
        log(f"base prefix reused: {paths.base_prefix}")
        return
    log("making the base prefix (once; kept for later runs)")
    prefixes.make_base_prefix(paths.base_prefix, paths.test_programs_dir, paths.work_dir)


def use_wine_fonts(machine):
    """Gives the prefix Wine's Tahoma and Marlett and a stand-in for Lucida
    Console; without the fonts package the program still runs, in other faces."""
    fonts = machine.host("C:\\windows\\Fonts")
    os.makedirs(fonts, exist_ok=True)
    for name in WINE_FONTS:
        source = os.path.join(WINE_FONTS_DIR, name)
        if os.path.exists(source):
            shutil.copyfile(source, os.path.join(fonts, name))
    machine.import_registry(FONT_SUBSTITUTES_REG, "fonts.reg")


def use_virtual_desktop(machine, name, size):
    """Runs every program of the prefix in one Wine desktop, a window of
    `size` ("WxH") titled "NAME - Wine desktop" in which Wine draws the
    programs' own title bars and borders, with or without a window manager.
    Programs that read or drive the window (the harness's driver) run in the
    same desktop and find it."""
    machine.import_registry(
        "REGEDIT4\n\n"
        "[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\n"
        f'"Desktop"="{name}"\n\n'
        "[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\n"
        f'"{name}"="{size}"\n', "desktop.reg")
