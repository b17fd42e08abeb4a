#!/usr/bin/env python3
"""Measurements of the Windows programs, printed, never judged.

    bench.py --build-dir BUILD --work-dir WORK [--runs N] [--lines N] [--shown-lines N]
             [--repeats N]

BUILD is a Windows build folder (bin/, the harness's test programs and the
benchmark programs of tests/bench); WORK holds the base prefix and the machines.

- Sizes of the shipped programs in BUILD/bin, beside their targets.
- Scan overhead: on a clean machine, the wall time from pressing Scan to the
  progress bar at 10 (scan_timer.exe: BM_CLICK returns when the scan has), less
  the scan's two pauses of 500 ms (a clean machine runs no fix-up); the median
  of N runs, each in a freshly started program.
- Peak memory of the program after a scan: as GetProcessMemoryInfo reports it
  (scan_timer.exe) and as /proc/PID/status does for the Linux process Wine runs
  it in; under Wine both count Wine's own libraries too.
- A run without a window on the same clean machine: the wall time of
  `DiziTarvix.exe /silent` from its start to its exit (start-up checks, the
  scan, the log saved), beside that of `DiziTarvix.exe /?` (the cost of
  starting and ending the program under Wine, doing nothing), so that the
  difference compares with the window's scan; medians of N runs.
- Log growth: log_growth.exe (see tests/bench/win/log_growth.cpp).
- Start-up check: what holding and hashing the files the program starts or
  copies costs (companion_check.exe), for the shipped kill.exe and
  fservice.exe, the msconfig.exe stand-in and a file of 1 MiB, with the
  system's SHA-256 and with the program's own.
- The cost of keeping a found file in the quarantine: keep_timer.exe (see
  tests/bench/win/keep_timer.cpp) on a 1 MiB file, beside a plain copy.
"""

import argparse
import os
import re
import statistics
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree

from wine_machine import (  # noqa: E402
    TestMachine, ensure_base_prefix, install_signal_handlers, paths_for, prefixes,
    use_wine_fonts)

FOLDER = "C:\\DiziTarvix"
SCAN_PAUSES_MS = 2 * 500
SCAN_OVERHEAD_TARGET_MS = 30
SIZE_TARGETS_KB = {"DiziTarvix.exe": 300, "kill.exe": 60, "fservice.exe": 60}
DEADLINE = 1800  # seconds


def heading(text):
    print("\n" + text, flush=True)


def print_sizes(paths):
    heading(f"Sizes of the shipped programs ({paths.bin_dir}, built as build/windows is)")
    for name, target in SIZE_TARGETS_KB.items():
        path = os.path.join(paths.bin_dir, name)
        if not os.path.exists(path):
            print(f"  {name:15} not built")
            continue
        size = os.path.getsize(path)
        print(f"  {name:15} {size:9,} bytes = {size / 1024:6.1f} KB   (target <= {target} KB)")


def bench_program(paths, name):
    program = os.path.join(paths.build_dir, "tests", "bench", "programs", name)
    if not os.path.exists(program):
        raise RuntimeError("not built: " + program)
    return prefixes.windows_path_of_host(program)


def linux_peak_resident_kb(prefix, exe_name):
    """Peak resident size (VmHWM, kB) of the Linux process that runs
    `exe_name` in `prefix`; None when not found."""
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                if exe_name.encode().lower() not in f.read().lower():
                    continue
            with open(f"/proc/{pid}/environ", "rb") as f:
                if ("WINEPREFIX=" + prefix).encode() not in f.read().split(b"\0"):
                    continue
            with open(f"/proc/{pid}/status") as f:
                status = dict(line.split(":", 1) for line in f if ":" in line)
            return int(status["VmHWM"].split()[0])
        except (OSError, KeyError, ValueError):
            continue
    return None


def parse_pairs(text):
    return {key: value for key, value in re.findall(r"(\w+)=(\S+)", text)}


def measure_scans(paths, runs):
    """[(scan timer's figures, Linux memory)] of `runs` scans, each in a freshly
    started program on one clean machine."""
    results = []
    timer = bench_program(paths, "scan_timer.exe")
    with TestMachine("scan-overhead", paths) as machine:
        use_wine_fonts(machine)
        machine.install_program(FOLDER)
        for run in range(runs):
            program = machine.launch(FOLDER)
            driver = machine.driver()
            driver.boxes(until="main")
            code, out, err = machine.run_wine([timer], timeout=120)
            figures = parse_pairs(out.decode("latin-1"))
            if code != 0 or "scan_ms" not in figures:
                raise RuntimeError(f"scan_timer.exe failed ({code}): {out!r} {err!r}")
            results.append((figures, linux_peak_resident_kb(machine.prefix, "DiziTarvix.exe")))
            driver.run("menu", "Exit", allow_failure=True)
            program.wait_exit()
    return results


def print_scan_figures(results):
    times = [float(figures["scan_ms"]) for figures, _ in results]
    progress = sorted({figures["progress_after"] for figures, _ in results})
    heading("Scan overhead (clean machine, Scan pressed to progress 10, less the scan's "
            f"{SCAN_PAUSES_MS:,} ms of pauses)")
    print("  scans:  " + ", ".join(f"{t:.1f}" for t in times) + " ms"
          f"   (progress bar after each: {', '.join(progress)})")
    median = statistics.median(times) - SCAN_PAUSES_MS
    print(f"  median overhead: {median:.1f} ms over {len(times)} runs   "
          f"(target < {SCAN_OVERHEAD_TARGET_MS} ms)")

    figures, linux = results[-1]
    heading("Peak memory of DiziTarvix.exe after a scan (under Wine: of the Linux process "
            "that runs it, Wine's own libraries included)")
    print(f"  GetProcessMemoryInfo: peak working set {int(figures['peak_working_set_kb']):,} KB, "
          f"peak pagefile usage {int(figures['peak_pagefile_kb']):,} KB")
    if linux:
        print(f"  /proc/PID/status: peak resident size (VmHWM) {linux:,} KB")


def measure_silent_runs(paths, runs):
    """[(seconds of /silent, seconds of /?)] of `runs` rounds on one clean
    machine, after one round that is not counted (Wine's first start)."""
    rounds = []
    with TestMachine("silent-run", paths) as machine:
        machine.install_program(FOLDER)
        program = FOLDER + "\\DiziTarvix.exe"
        for run in range(runs + 1):
            seconds = []
            for args, expected_code in ((["/silent"], 0), (["/?"], 5)):
                started = time.monotonic()
                code, out, err = machine.run_wine([program] + args, cwd=FOLDER, timeout=120)
                seconds.append(time.monotonic() - started)
                if code != expected_code:
                    raise RuntimeError(f"DiziTarvix.exe {' '.join(args)} ended with {code}: "
                                       f"{err!r}")
            if run > 0:
                rounds.append(tuple(seconds))
    return rounds


def print_silent_figures(rounds, window_results):
    silent = statistics.median(s for s, _ in rounds) * 1000
    bare = statistics.median(b for _, b in rounds) * 1000
    window = statistics.median(float(figures["scan_ms"]) for figures, _ in window_results)
    heading(f"A run without a window (clean machine; medians of {len(rounds)} runs, "
            "each a new process under Wine)")
    print(f"  DiziTarvix.exe /silent, start to exit:    {silent:8.1f} ms")
    print(f"  DiziTarvix.exe /?, start to exit:         {bare:8.1f} ms   (starting and ending "
          "the program)")
    print(f"  /silent less /?:                          {silent - bare:8.1f} ms   (start-up "
          "checks, scan and log file)")
    print(f"  the window's scan, Scan pressed to 10:    {window:8.1f} ms   (both include the "
          f"scan's {SCAN_PAUSES_MS:,} ms of pauses)")


def print_log_growth(paths, lines, shown_lines, repeats):
    heading(f"Log growth: lines added through ActivityLog::AddLogLine to a list box and a tree "
            "view made and fed as the main window's\n(about 2 = the same cost per line; about "
            "4 = a cost growing with the log's length)")
    program = bench_program(paths, "log_growth.exe")
    with TestMachine("log-growth", paths) as machine:
        use_wine_fonts(machine)
        code, out, err = machine.run_wine([program, str(lines), str(shown_lines), str(repeats)],
                                          timeout=1500)
    print(out.decode("latin-1").replace("\r\n", "\n").rstrip("\n"))
    if code != 0:
        raise RuntimeError(f"log_growth.exe failed ({code}): {err.decode('latin-1')}")


def print_startup_check(paths):
    heading("Start-up check: each file held and hashed as at every start (the first of 21 "
            "runs and their median)")
    program = bench_program(paths, "companion_check.exe")
    with TestMachine("startup-check", paths) as machine:
        machine.install_program(FOLDER)
        machine.write_bytes(FOLDER + "\\one-mebibyte.bin",
                            bytes(i * 7 % 251 for i in range(1 << 20)))
        code, out, err = machine.run_wine(
            [program, FOLDER, "kill.exe", "fservice.exe", "msconfig.exe", "one-mebibyte.bin"],
            timeout=300)
    print(out.decode("latin-1").replace("\r\n", "\n").rstrip("\n"))
    if code != 0:
        raise RuntimeError(f"companion_check.exe failed ({code}): {err.decode('latin-1')}")


def print_keep_cost(paths, runs):
    heading("Keeping a 1 MiB file in the quarantine (read, SHA-256, masked item written, manifest "
            "line appended), median of the runs, beside a plain CopyFileA of the same file")
    program = bench_program(paths, "keep_timer.exe")
    with TestMachine("keep-cost", paths) as machine:
        code, out, err = machine.run_wine([program, str(1 << 20), str(runs)], timeout=300)
    figures = parse_pairs(out.decode("latin-1"))
    if code != 0 or "keep_ms" not in figures:
        raise RuntimeError(f"keep_timer.exe failed ({code}): {out!r} {err!r}")
    print(f"  keep: {float(figures['keep_ms']):.1f} ms (fastest {float(figures['keep_min_ms']):.1f} "
          f"ms) over {figures['runs']} runs; copy alone: {float(figures['copy_ms']):.1f} ms; "
          f"SHA-256 alone: {float(figures['hash_ms']):.1f} ms")


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--work-dir", required=True)
    parser.add_argument("--runs", type=int, default=5, help="scans to time (default 5)")
    parser.add_argument("--lines", type=int, default=10000,
                        help="lines of the first log-growth run (default 10000)")
    parser.add_argument("--shown-lines", type=int, default=300,
                        help="lines of the first run with a view shown (default 300)")
    parser.add_argument("--repeats", type=int, default=3,
                        help="timings of each log-growth count, the fastest kept (default 3)")
    args = parser.parse_args()
    paths = paths_for(args.build_dir, os.path.abspath(args.work_dir))
    install_signal_handlers(DEADLINE)
    ensure_base_prefix(paths)
    print_sizes(paths)
    window_results = measure_scans(paths, args.runs)
    print_scan_figures(window_results)
    print_silent_figures(measure_silent_runs(paths, args.runs), window_results)
    print_startup_check(paths)
    print_log_growth(paths, args.lines, args.shown_lines, args.repeats)
    print_keep_cost(paths, args.runs * 2 - 1)
    return 0


if __name__ == "__main__":
    sys.exit(main())
