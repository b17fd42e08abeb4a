#!/usr/bin/env python3
"""Runs one end-to-end scenario (or makes or removes the base prefix).

    run.py --build-dir BUILD --test-programs-dir PROGRAMS [--layout win32|win64] [--keep]
           SCENARIO

BUILD is the Windows build tree (its bin/ and stand-in/ hold the programs
under test); PROGRAMS holds driver.exe, its hook, recorder.exe and sleeper.exe.
Everything the run makes goes under BUILD/e2e (or --work-dir): the base prefix
of each layout (base-prefix, base-prefix.win64), and per scenario a folder
runs/SCENARIO (runs/SCENARIO.win64) with its prefix copy (removed after a pass
unless --keep), the programs' output, the driver's transcript and, after a
failure, a screenshot. The layout (layout.py) is a 32-bit Windows unless
--layout says otherwise.
"""

import argparse
import importlib
import os
import sys
import time
import traceback

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import prefix  # noqa: E402
from checks import Checks  # noqa: E402
from layout import LAYOUTS  # noqa: E402
from processes import install_signal_handlers, log, remove_tree  # noqa: E402
from machine import Paths, TestMachine  # noqa: E402

SCENARIOS = ["smoke", "kill", "fservice", "clean", "infected", "held_open", "startup",
             "read_only_log", "window", "fservice_views", "fservice_users", "fservice_profiles",
             "windows_name", "restart_order", "fix_up", "companions", "silent",
             "silent_infected", "silent_restart", "restore", "registry_undo", "hard_link",
             "vendor_process", "data_folder", "quarantine_link", "program_folder_swap",
             "lock_squat", "restore_restart", "restore_damaged", "after_restart",
             "scan_only"]


class ChecksFailed(Exception):
    pass


def run_scenario(name, paths, keep, layout):
    module = importlib.import_module("scenarios." + name)
    print((module.__doc__ or name).strip(), flush=True)
    checks = Checks()
    started = time.monotonic()
    with TestMachine(name, paths, keep, layout) as machine:
        module.run(machine, checks)
        if checks.failed:
            raise ChecksFailed(f"{len(checks.failures)} check(s) failed: " +
                               "; ".join(checks.failures))
    log(f"scenario {name}{layout.suffix} passed in {time.monotonic() - started:.1f} s")


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--test-programs-dir", required=True)
    parser.add_argument("--work-dir", help="where prefixes and results go (default BUILD/e2e)")
    parser.add_argument("--keep", action="store_true", help="keep the prefix copy after a pass")
    parser.add_argument("--layout", choices=sorted(LAYOUTS), default="win32",
                        help="the Windows layout to run on (default: a 32-bit Windows)")
    parser.add_argument("--deadline", type=int, default=480,
                        help="seconds after which the scenario is stopped and cleaned up")
    parser.add_argument("scenario", choices=SCENARIOS + ["make-base-prefix", "remove-base-prefix"])
    args = parser.parse_args()
    paths = Paths(args.build_dir, args.test_programs_dir, args.work_dir)
    layout = LAYOUTS[args.layout]
    install_signal_handlers(args.deadline)
    try:
        if args.scenario == "make-base-prefix":
            prefix.make_base_prefix(paths.base_prefix_of(layout), paths.test_programs_dir,
                                    paths.work_dir, layout)
        elif args.scenario == "remove-base-prefix":
            remove_tree(paths.base_prefix_of(layout))
        else:
            run_scenario(args.scenario, paths, args.keep, layout)
    except ChecksFailed as failure:
        print(f"FAILED: {failure}", flush=True)
        return 1
    except BaseException:  # noqa: B902 - a timeout or signal is a failure too
        traceback.print_exc()
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
