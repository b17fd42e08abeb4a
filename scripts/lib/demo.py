#!/usr/bin/env python3
"""The demo: DiziTarvix.exe under 32-bit Wine, on a machine carrying a sample
infection.

    demo.py --build-dir BUILD --work-dir WORK [--headless] [--update-screenshot]

BUILD is a Windows build folder (bin/ and the harness's test
programs). In WORK the demo keeps its base prefix and makes the machine
runs/demo/: a copy of that prefix with the recording stand-ins of taskkill.exe,
shutdown.exe, reg.exe and the shell's "open" handlers (nothing restarts or shuts
down Wine, nothing reaches a browser), the shipped files in C:\\DiziTarvix as
most downloads have them (without msconfig.exe: the shipped program would not
copy the test stand-in), and empty files bearing the family's names in the
Windows, system and legacy system folders.

With a usable X display the user drives the program in a Wine desktop window;
the demo ends when the program does. Without one (or with --headless) it runs
on a private Xvfb display, answers the start-up box, presses Scan, and leaves
in WORK the saved log (DiziTarvix_Log.txt), the command journal (journal.txt)
and a picture of the window after the scan (screenshot.png). It prints the log
and says which of the two it chose and why. Every process it started is ended
at the end. Nothing in the checkout outside WORK is written, but
--update-screenshot (headless) copies the picture to docs/screenshot.png,
which the read-me shows, when the window looks different from that picture
(the rows of the list that show a quarantine id, which holds the time of the
scan, do not count).
"""

import argparse
import filecmp
import os
import shutil
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree

import png_file  # noqa: E402
import sample_infection  # noqa: E402
import window_look  # noqa: E402
from wine_machine import (  # noqa: E402
    ROOT, TestMachine, ensure_base_prefix, install_signal_handlers, log, paths_for, prefixes,
    use_virtual_desktop, use_wine_fonts)
from machine import SHIPPED_FILES  # noqa: E402  (the harness, on the path wine_machine set)

FOLDER = "C:\\DiziTarvix"
LOG_FILE = FOLDER + "\\DiziTarvix_Log.txt"
DESKTOP = "DiziTarvix"
DESKTOP_SIZE = "800x600"
README_SCREENSHOT = os.path.join("docs", "screenshot.png")
HEADLESS_DEADLINE = 600  # seconds
INTERACTIVE_DEADLINE = 24 * 3600


class DemoFailed(Exception):
    pass


class OnUserDisplay(TestMachine):
    """The test machine with its programs shown on the user's display."""

    def __init__(self, name, paths, user_display):
        super().__init__(name, paths, keep=True)
        self.user_display = user_display

    def env(self, native_tools=False):
        env = super().env(native_tools)
        env["DISPLAY"] = self.user_display
        return env


def display_answers(display):
    try:
        answered = subprocess.run(["xdpyinfo", "-display", display], timeout=10,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    except (OSError, subprocess.TimeoutExpired):
        return False
    return answered.returncode == 0


def choose_display(args):
    """(the user's X display, or None for a headless run; the reason)."""
    if args.update_screenshot:
        return None, "--update-screenshot was given"
    if args.headless:
        return None, "--headless was given"
    display = os.environ.get("DISPLAY")
    if not display:
        return None, "no X display is set (DISPLAY is empty)"
    if not display_answers(display):
        return None, f"the X display {display} does not answer"
    return display, f"the X display {display} answers"


def prepare(machine):
    """The demo machine's prefix: fonts, desktop, the program and the infection."""
    use_wine_fonts(machine)
    use_virtual_desktop(machine, DESKTOP, DESKTOP_SIZE)
    machine.install_program(FOLDER, files=SHIPPED_FILES)
    planted = sample_infection.plant(machine)
    log(f"planted {len(planted)} empty files bearing the family's names:")
    for path in planted:
        log("  " + path)


def window_picture(machine, rect, destination):
    """Saves the part of the Wine desktop that `rect` ([left, top, width,
    height] in desktop coordinates) covers: the window with its title bar."""
    whole = os.path.join(machine.run_dir, "desktop.png")
    subprocess.run(["import", "-display", machine.display, "-window",
                    f"{DESKTOP} - Wine desktop", whole], check=True, timeout=30,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    png_file.crop(whole, destination, rect)


def update_readme_screenshot(picture, main):
    """Copies the picture over the one the read-me shows, unless the window
    looks the same in both: the same file byte for byte, or the same pixels
    everywhere but in the rows of the list that show a quarantine id, which
    holds the time of the scan (see window_look.py). `main` is the driver's
    state of the main window the picture shows."""
    destination = os.path.join(ROOT, README_SCREENSHOT)
    if os.path.exists(destination):
        if filecmp.cmp(picture, destination, shallow=False):
            log(f"{README_SCREENSHOT} left as it was: the picture has not changed")
            return
        masked = window_look.id_rows(window_look.Picture.read(picture), main)
        if masked is None:
            log("the rows of the quarantine ids cannot be told: the picture is compared whole")
        elif window_look.same_look(destination, picture, masked):
            log(f"{README_SCREENSHOT} left as it was: only the quarantine ids, which hold the "
                f"time, differ ({len(masked)} rows of the list)")
            return
    shutil.copyfile(picture, destination)
    log(f"{README_SCREENSHOT} updated")


def keep_results(machine, work_dir):
    """Copies the saved log and the journal out of the prefix; returns the
    log's text ("" when the program saved none)."""
    text = ""
    for windows_path, name in ((LOG_FILE, "DiziTarvix_Log.txt"),
                               (prefixes.JOURNAL, "journal.txt")):
        destination = os.path.join(work_dir, name)
        if machine.exists(windows_path):
            shutil.copyfile(machine.host(windows_path), destination)
        elif os.path.exists(destination):
            os.remove(destination)  # not the file of an earlier run
    if machine.exists(LOG_FILE):
        text = machine.read_bytes(LOG_FILE).decode("latin-1").replace("\r\n", "\n")
    return text


def report(machine, work_dir, text, picture):
    print("\n----- DiziTarvix_Log.txt " + "-" * 40)
    print(text.rstrip("\n") if text else "(the program saved no log)")
    print("-" * 65)
    print("System tools and shell handlers the program started, as their recording "
          "stand-ins saw them\n(kill.exe and fservice.exe ran for real, from the verified copies "
          "the program made\nin C:\\ProgramData\\DiziTarvix\\Program):")
    for entry in machine.journal():
        print("  " + entry.command_line)
    kept = "log, command journal and screenshot" if picture else "log and command journal"
    print(f"\nThe {kept} are in {work_dir}")


def run_headless(paths, work_dir, update_screenshot):
    with TestMachine("demo", paths, keep=True) as machine:
        prepare(machine)
        program = machine.launch(FOLDER)
        driver = machine.driver()
        for box in driver.boxes(until="main"):
            log(f"start-up box answered with OK: {box['caption']}: {box['text']}")
        log("pressing Scan")
        state = driver.click("Scan")
        position = state["main"]["progress"]["position"]
        if position != 10:
            raise DemoFailed(f"the scan ended with the progress bar at {position}, not 10")
        log(f"scan done: {len(state['main']['list']['items'])} lines in the list")
        machine.settled_journal()  # the started commands have had their turn
        picture = os.path.join(work_dir, "screenshot.png")
        main = driver.state()["main"]
        window_picture(machine, main["window"], picture)
        if update_screenshot:
            update_readme_screenshot(picture, main)
        text = keep_results(machine, work_dir)
        driver.run("menu", "Exit", allow_failure=True)
        program.wait_exit()
        report(machine, work_dir, text, picture=True)


def run_interactive(paths, work_dir, display):
    with OnUserDisplay("demo", paths, display) as machine:
        prepare(machine)
        program = machine.launch(FOLDER)
        log(f'DiziTarvix runs in the window "{DESKTOP} - Wine desktop". Answer its boxes, '
            "press Scan, try the menus;\nclose the program (or press Ctrl-C here) to end "
            "the demo.")
        program.wait_exit(timeout=None)
        machine.settled_journal()
        report(machine, work_dir, keep_results(machine, work_dir), picture=False)


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--work-dir", required=True)
    parser.add_argument("--headless", action="store_true",
                        help="run on a private display even when one is usable")
    parser.add_argument("--update-screenshot", action="store_true",
                        help=f"run headless and copy the picture to {README_SCREENSHOT} when "
                        "the window looks different")
    args = parser.parse_args()
    work_dir = os.path.abspath(args.work_dir)
    paths = paths_for(args.build_dir, work_dir)
    display, reason = choose_display(args)
    if display:
        log(f"Interactive demo: {reason}; the program's window opens there for you to drive.")
    else:
        log(f"Headless demo: {reason}; the program runs on a private display, the demo "
            "presses Scan itself and keeps a screenshot.")
    install_signal_handlers(INTERACTIVE_DEADLINE if display else HEADLESS_DEADLINE)
    started = time.monotonic()
    try:
        ensure_base_prefix(paths)
        if display:
            run_interactive(paths, work_dir, display)
        else:
            run_headless(paths, work_dir, args.update_screenshot)
    except DemoFailed as failure:
        print(f"demo failed: {failure}", file=sys.stderr)
        return 1
    except KeyboardInterrupt:
        print("demo stopped; every process it started has ended", file=sys.stderr)
        return 130
    log(f"demo finished in {time.monotonic() - started:.1f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main())
