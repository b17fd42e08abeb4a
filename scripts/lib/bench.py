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
  of N runs, each in a freshly started program. Beside it the floor's, timed
  the same way by turns with the program on the same machine: scan_floor.exe
  (tests/bench/win/scan_floor.cpp) does the clean scan's visible work (the
  pauses, the probes, the log's lines in a list box and a tree view, the log
  file written and moved into place) with nothing else, straight on the Win32
  API; and the ratio of the two overheads. Neither says what the work takes on
  Windows; beside each other they say what part of the time, on the same
  system, is the program's own.
- Peak memory of the program after a scan: as GetProcessMemoryInfo reports it
  (scan_timer.exe) and as /proc/PID/status does for the Linux process Wine runs
  it in; under Wine both count Wine's own libraries too.
- A run without a window on the same clean machine: the wall time of
  `DiziTarvix.exe /silent` from its start to its exit (start-up checks, the
  scan, the log saved), beside that of `DiziTarvix.exe /?` (the cost of
  starting and ending the program under Wine, doing nothing), so that the
  difference compares with the window's scan; the same for the floor
  (`scan_floor.exe /silent`: the pauses, the probes and the log file, and
  `scan_floor.exe /?`), and the ratios of the two differences, with and
  without the pauses; the fastest of N runs each, with Wine's server kept
  running between them
  (starting a process under Wine varies by hundreds of milliseconds from one
  run to the next, more than the scan's own work: the fastest is the least
  disturbed).
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
import shutil
import statistics
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree

from wine_machine import (  # noqa: E402
    TestMachine, ensure_base_prefix, install_signal_handlers, paths_for, prefixes,
    use_wine_fonts)
from machine import wait_ready  # noqa: E402  (the harness, on the path wine_machine set)

FOLDER = "C:\\DiziTarvix"
FLOOR_FOLDER = "C:\\ScanFloor"
FLOOR = FLOOR_FOLDER + "\\scan_floor.exe"
FLOOR_CAPTION = "DiziTarvix scan floor"
SLEEPER = "C:\\e2e\\sleeper.exe"
SCAN_PAUSES_MS = 2 * 500
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


def bench_program_file(paths, name):
    program = os.path.join(paths.build_dir, "tests", "bench", "programs", name)
    if not os.path.exists(program):
        raise RuntimeError("not built: " + program)
    return program


def bench_program(paths, name):
    return prefixes.windows_path_of_host(bench_program_file(paths, name))


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


def install_floor(paths, machine):
    """Puts scan_floor.exe into a folder of its own, where it writes its log."""
    os.makedirs(machine.host(FLOOR_FOLDER), exist_ok=True)
    shutil.copyfile(bench_program_file(paths, "scan_floor.exe"), machine.host(FLOOR))


def time_scan(machine, timer, *caption):
    """scan_timer.exe's figures of one press of Scan."""
    code, out, err = machine.run_wine([timer, *caption], timeout=120)
    figures = parse_pairs(out.decode("latin-1"))
    if code != 0 or "scan_ms" not in figures:
        raise RuntimeError(f"scan_timer.exe failed ({code}): {out!r} {err!r}")
    return figures


def measure_scans(paths, runs):
    """([(scan timer's figures, Linux memory)], [the floor's figures]) of
    `runs` scans each, every one in a freshly started program, the program and
    the floor by turns on one clean machine."""
    results = []
    floor_results = []
    timer = bench_program(paths, "scan_timer.exe")
    with TestMachine("scan-overhead", paths) as machine:
        use_wine_fonts(machine)
        machine.install_program(FOLDER)
        install_floor(paths, machine)
        for run in range(runs):
            program = machine.launch(FOLDER)
            driver = machine.driver()
            driver.boxes(until="main")
            figures = time_scan(machine, timer)
            results.append((figures, linux_peak_resident_kb(machine.prefix, "DiziTarvix.exe")))
            driver.run("menu", "Exit", allow_failure=True)
            program.wait_exit()

            floor = machine.start_wine([FLOOR], cwd=FLOOR_FOLDER)
            floor_results.append(time_scan(machine, timer, FLOOR_CAPTION))
            floor.wait(timeout=20)  # scan_timer.exe closed its window
            if floor.returncode != 0:
                raise RuntimeError(f"scan_floor.exe ended with {floor.returncode}")
    return results, floor_results


def overhead_ratio(program_ms, floor_ms):
    """The ratio, or why there is none: a floor measured at or below zero is
    within the noise of the timing."""
    if floor_ms <= 0:
        return "none (the floor's is not above 0: within the timing's noise)"
    return f"{program_ms / floor_ms:.2f}"


def print_scan_figures(results, floor_results):
    times = [float(figures["scan_ms"]) for figures, _ in results]
    floor_times = [float(figures["scan_ms"]) for figures in floor_results]
    progress = sorted({figures["progress_after"] for figures, _ in results} |
                      {figures["progress_after"] for figures in floor_results})
    heading("Scan overhead (clean machine, Scan pressed to progress 10, less the scan's "
            f"{SCAN_PAUSES_MS:,} ms of pauses), beside the floor's (scan_floor.exe: the same "
            "visible work\nand nothing else)")
    print("  DiziTarvix.exe scans: " + ", ".join(f"{t:.1f}" for t in times) + " ms")
    print("  the floor's scans:    " + ", ".join(f"{t:.1f}" for t in floor_times) + " ms"
          f"   (progress bar after each: {', '.join(progress)})")
    median = statistics.median(times) - SCAN_PAUSES_MS
    floor = statistics.median(floor_times) - SCAN_PAUSES_MS
    print(f"  median overhead over {len(times)} runs: DiziTarvix.exe {median:.1f} ms, "
          f"the floor {floor:.1f} ms; ratio {overhead_ratio(median, floor)}")

    figures, linux = results[-1]
    heading("Peak memory of DiziTarvix.exe after a scan (under Wine: of the Linux process "
            "that runs it, Wine's own libraries included)")
    print(f"  GetProcessMemoryInfo: peak working set {int(figures['peak_working_set_kb']):,} KB, "
          f"peak pagefile usage {int(figures['peak_pagefile_kb']):,} KB")
    if linux:
        print(f"  /proc/PID/status: peak resident size (VmHWM) {linux:,} KB")


def measure_silent_runs(paths, runs):
    """[(milliseconds from start to exit of DiziTarvix.exe /silent, of DiziTarvix.exe /?, of
    scan_floor.exe /silent, of scan_floor.exe /?)] of `runs` rounds on one
    clean machine, after one round that is not counted (Wine's first start).
    A process sleeping in the machine throughout keeps Wine's server and its
    system processes running: without it each run would also start and end
    them, which takes seconds and varies by more than the scan's work."""
    rounds = []
    with TestMachine("silent-run", paths) as machine:
        machine.install_program(FOLDER)
        install_floor(paths, machine)
        machine.install_test_program("sleeper.exe", SLEEPER)
        if not wait_ready(machine.start_wine([SLEEPER], stdout=subprocess.PIPE)):
            raise RuntimeError("sleeper.exe did not start")
        program = FOLDER + "\\DiziTarvix.exe"
        starts = ((program, FOLDER, "/silent", 0), (program, FOLDER, "/?", 5),
                  (FLOOR, FLOOR_FOLDER, "/silent", 0), (FLOOR, FLOOR_FOLDER, "/?", 0))
        for run in range(runs + 1):
            times = []
            for exe, folder, switch, expected_code in starts:
                started = time.monotonic()
                code, out, err = machine.run_wine([exe, switch], cwd=folder, timeout=120)
                times.append((time.monotonic() - started) * 1000)
                if code != expected_code:
                    raise RuntimeError(f"{exe} {switch} ended with {code}: {err!r}")
            if run > 0:
                rounds.append(tuple(times))
    return rounds


def print_silent_figures(rounds, window_results):
    silent, bare, floor_silent, floor_bare = (min(times) for times in zip(*rounds))
    window = statistics.median(float(figures["scan_ms"]) for figures, _ in window_results)
    work = silent - bare - SCAN_PAUSES_MS
    floor_work = floor_silent - floor_bare - SCAN_PAUSES_MS
    heading(f"A run without a window (clean machine; the fastest of {len(rounds)} runs, each a "
            "new process under Wine), beside the floor's\n(scan_floor.exe /silent: the scan's "
            "pauses, probes and log file, and nothing else)")
    print("                                          DiziTarvix.exe     the floor")
    print(f"  /silent, start to exit:                   {silent:8.1f} ms   {floor_silent:8.1f} ms")
    print(f"  /?, start to exit:                        {bare:8.1f} ms   {floor_bare:8.1f} ms"
          "   (starting and ending the program)")
    print(f"  /silent less /?:                          {work + SCAN_PAUSES_MS:8.1f} ms   "
          f"{floor_work + SCAN_PAUSES_MS:8.1f} ms   ratio "
          f"{overhead_ratio(work + SCAN_PAUSES_MS, floor_work + SCAN_PAUSES_MS)}")
    print(f"  the same less the scan's pauses:          {work:8.1f} ms   {floor_work:8.1f} ms"
          f"   ratio {overhead_ratio(work, floor_work)}")
    print("    (the program: start-up checks, scan and log file; the floor: the probes and the "
          "log file)")
    print(f"  the window's scan, Scan pressed to 10:    {window:8.1f} ms   (with the scan's "
          f"{SCAN_PAUSES_MS:,} ms of pauses)")


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
    parser.add_argument("--runs", type=int, default=5,
                        help="scans and runs without a window to time (default 5)")
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
    window_results, floor_results = measure_scans(paths, args.runs)
    print_scan_figures(window_results, floor_results)
    print_silent_figures(measure_silent_runs(paths, args.runs), window_results)
    print_startup_check(paths)
    print_log_growth(paths, args.lines, args.shown_lines, args.repeats)
    print_keep_cost(paths, args.runs * 2 - 1)
    return 0


if __name__ == "__main__":
    sys.exit(main())
