#!/usr/bin/env python3
"""Tests of scripts/fleet-report on generated folders of reports: thousands of
them, several a computer, summed up right; each computer's history and the
lists of those that need a restart, came back or failed; the age flag; the
CSV delimiter; damaged reports named and left out without a crash; reports of
earlier versions read as before; non-ASCII paths kept; control characters
never printed; and cells a spreadsheet would run kept as text."""

import csv
import json
import os
import re
import subprocess
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True
SCRIPT = os.path.join(os.path.dirname(__file__), "..", "..", "scripts", "fleet-report")

SERVER = "C:\\WINDOWS\\krt32.exe"
DOWNLOADER = "C:\\WINDOWS\\system32\\kservice.exe"
NOW = "2024-05-10T12:00:00Z"
# What the terminal must never receive from a report.
UNSHOWABLE = re.compile("[\x00-\x09\x0b-\x1f\x7f-\x9f\u061c\u200e\u200f\u2028-\u202e\u2066-\u2069]")


def report(computer, result="clean", exit_code=0, found=(), errors=(), log_saved=True,
           restart=False, finished="2024-05-01T10:15:42+02:00"):
    """A report laid out as the program writes it, without the fields that
    came with the runs after a restart: the reports of earlier versions."""
    return {
        "program": "DiziTarvix", "version": "2.5", "computer": computer, "user": "SYSTEM",
        "started": "2024-05-01T10:15:30+02:00", "finished": finished,
        "exit_code": exit_code, "result": result,
        "found": [{"path": p, "kind": k, "outcome": o, "sha256": "ab" * 32, "quarantine": q}
                  for p, k, o, q in (f if len(f) == 4 else f + (None,) for f in found)],
        "repairs": [{"step": "task_manager", "ok": True}] if found else [],
        "restart_scheduled": restart,
        "log_file": "C:\\DiziTarvix\\DiziTarvix_Log.txt" if log_saved else None,
        "errors": list(errors),
    }


def run(computer, run_id, finished, result="clean", exit_code=0, found=(), restart=False,
        follows=None, **more):
    """A report of a version that writes a run id and follows up a restart."""
    data = report(computer, result, exit_code, found, restart=restart, finished=finished,
                  **more)
    data.update({"started": finished, "run_id": run_id, "after_restart": follows is not None,
                 "follows": follows, "switches": ["/silent", "/report:\\\\srv\\r$\\"],
                 "windows": {"version": "10.0", "build": 19045, "64_bit": True},
                 "user_hives": [{"hive": "S-1-5-21-1-2-3-1001", "kind": "loaded",
                                 "done": "cleaned", "values_changed": 2,
                                 "tools_given_back": True, "tools": "given_back",
                                 "reason": None}]})
    return data


def as_written(data):
    return (json.dumps(data, indent=2, ensure_ascii=False).replace("\n", "\r\n") +
            "\r\n").encode("utf-8")


def section(out, title):
    """The lines of the printed table under the heading that starts with
    `title`, headings left out."""
    match = re.search(rf"^{re.escape(title)}[^\n]*\n(.*?)(?:\n\n|\Z)", out, re.M | re.S)
    assert match, title
    lines = match.group(1).rstrip("\n").split("\n")
    return [] if lines == ["  none"] else lines[1:]


class FleetReportTest(unittest.TestCase):
    def setUp(self):
        folder = tempfile.TemporaryDirectory()
        self.addCleanup(folder.cleanup)
        self.reports = os.path.join(folder.name, "reports")
        self.out = os.path.join(folder.name, "csv")
        os.makedirs(self.reports)

    def write(self, name, content):
        with open(os.path.join(self.reports, name), "wb") as f:
            f.write(content if isinstance(content, bytes) else as_written(content))

    def run_script(self, *extra, csv_out=True):
        done = subprocess.run([sys.executable, "-B", SCRIPT, self.reports, "--now", NOW,
                               *(("--csv", self.out) if csv_out else ()), *extra],
                              capture_output=True, timeout=300)
        return done.returncode, done.stdout.decode("utf-8", "replace"), done.stderr.decode()

    def read_csv(self, name, delimiter=","):
        with open(os.path.join(self.out, name), encoding="utf-8-sig", newline="") as f:
            return list(csv.DictReader(f, delimiter=delimiter))

    def test_thousands_of_reports_over_many_runs_are_summed_up(self):
        newest = {}     # computer -> (result, exit code)
        finds = 0       # rows expected in files.csv
        restart, returned, failed, scan_only = set(), set(), set(), set()
        written = 0
        for number in range(1500):
            computer = f"PC-{number:04d}"
            kind = number % 10
            day = f"2024-05-{1 + number % 9:02d}"
            first, later = f"{day}T08:00:00+02:00", f"{day}T08:05:00+02:00"
            quarantine = f"20240501-0800{number % 60:02d}-01"
            runs = []
            if kind < 3:  # the reports of earlier versions, one a PC
                runs.append(report(computer, finished=first))
            elif kind < 6:  # removed, then clean after the restart
                runs.append(run(computer, f"{computer}-a", first, "removed", 1,
                                [(SERVER if number % 2 else SERVER.lower(), "server", "deleted",
                                  quarantine)], restart=True))
                runs.append(run(computer, f"{computer}-b", later, follows=f"{computer}-a"))
            elif kind == 6:  # held back by /noreboot, nothing since
                runs.append(run(computer, f"{computer}-a", first, "restart_needed", 2,
                                [(SERVER, "server", "deleted_at_restart", quarantine)]))
                restart.add(computer)
            elif kind == 7:  # back after the restart, then clean on the next run
                runs.append(run(computer, f"{computer}-a", first, "removed", 1,
                                [(DOWNLOADER, "downloader", "deleted", quarantine)],
                                restart=True))
                runs.append(run(computer, f"{computer}-b", later, "returned", 3,
                                [(DOWNLOADER, "downloader", "deleted", quarantine + "x")],
                                follows=f"{computer}-a"))
                runs.append(run(computer, f"{computer}-c", f"{day}T18:00:00+02:00"))
                returned.add(computer)
            elif kind == 8:  # a scan-only inventory
                runs.append(run(computer, f"{computer}-a", first, "found", 8,
                                [(SERVER, "server", "found")]))
                scan_only.add(computer)
            else:  # a file to delete by hand
                runs.append(run(computer, f"{computer}-a", first, "incomplete", 3,
                                [(SERVER, "server", "delete_by_hand", quarantine)]))
                failed.add(computer)
            newest[computer] = (runs[-1]["result"], runs[-1]["exit_code"])
            finds += sum(len(r["found"]) for r in runs)
            for index, data in enumerate(runs):
                # Newer files first by name: the order is the reports' own.
                self.write(f"{computer}-{9 - index}.json", data)
                written += 1
            if kind == 5:  # the same run also copied from the PC's own folder
                self.write(f"copy-{computer}.json", runs[0])
                written += 1

        code, out, err = self.run_script()
        self.assertEqual(code, 0, err)
        self.assertIn(f"{written - 150:,} reports of 1,500 computers read", out)
        self.assertIn("0 damaged, left out; 150 of a run already read, left out", out)

        machines = self.read_csv("machines.csv")
        self.assertEqual(len(machines), 1500)
        self.assertEqual({row["computer"]: (row["result"], int(row["exit_code"]))
                          for row in machines}, newest)
        counts = {}
        for key in newest.values():
            counts[key] = counts.get(key, 0) + 1
        for (result, code_), count in counts.items():
            self.assertRegex(out, rf"\n  {result} +{code_} +{count:,}\n")
        histories = {row["computer"]: row["history"] for row in machines}
        self.assertEqual(histories["PC-0003"], "removed \u2192 after restart: clean")
        self.assertEqual(histories["PC-0007"], "removed \u2192 after restart: returned \u2192 clean")
        self.assertEqual(len(self.read_csv("runs.csv")), written - 150)

        files = self.read_csv("files.csv")
        self.assertEqual(len(files), finds)
        ids = {(row["computer"], row["quarantine"]) for row in files}
        self.assertIn(("PC-0007", "20240501-080007-01"), ids)
        self.assertIn(("PC-0007", "20240501-080007-01x"), ids)
        paths = {row["path"].lower(): row for row in self.read_csv("paths.csv")}
        server = paths[SERVER.lower()]
        self.assertEqual(int(server["machines"]), 1500 * 6 // 10)
        self.assertEqual((int(server["deleted"]), int(server["deleted_at_restart"]),
                          int(server["delete_by_hand"]), int(server["found_scan_only"])),
                         (450, 150, 150, 150))
        self.assertEqual(int(paths[DOWNLOADER.lower()]["machines"]), 150)

        listed = {name: {line.split()[0] for line in section(out, name)}
                  for name in ("Need a restart", "Came back after the restart",
                               "Found by a scan-only run")}
        self.assertEqual(listed["Need a restart"], restart)
        self.assertEqual(listed["Came back after the restart"], returned)
        self.assertEqual(listed["Found by a scan-only run"], scan_only)
        self.assertEqual({row["computer"] for row in self.read_csv("failures.csv")}, failed)

    def test_history_and_the_lists_follow_each_computer_s_runs(self):
        # One computer's reports under names that say nothing of the order, its
        # name in two cases, times in two offsets: 09:30Z is after 10:00+02:00.
        self.write("z.json", run("ws-1", "r1", "2024-05-08T10:00:00+02:00", "removed", 1,
                                 [(SERVER, "server", "deleted", "20240508-080000-01")],
                                 restart=True))
        self.write("a.json", run("WS-1", "r2", "2024-05-08T09:30:00Z", follows="r1"))
        # Same time: the run id decides.
        self.write("m1.json", run("WS-2", "b", "2024-05-08T10:00:00+02:00", "returned", 3,
                                  follows="a"))
        self.write("m2.json", run("WS-2", "a", "2024-05-08T10:00:00+02:00", "restart_needed",
                                  2, restart=True))
        # A restart that no run after it has reported yet, and one held back.
        self.write("w3.json", run("WS-3", "r1", "2024-05-08T10:00:00Z", "removed", 1,
                                  restart=True))
        self.write("w4.json", run("WS-4", "r1", "2024-05-08T10:00:00Z", "restart_needed", 2))
        # Earlier versions' reports: a scheduled restart is no promise of a
        # report after it.
        self.write("w5.json", report("WS-5", "removed", 1, [(SERVER, "server", "deleted")],
                                     restart=True, finished="2024-05-08T10:00:00Z"))
        # The first run's report is missing; then ten clean starts in a row.
        for number in range(10):
            self.write(f"w6-{number}.json", run("WS-6", f"s{number}",
                                                f"2024-05-09T10:{number:02d}:00Z"))
        self.write("w6-x.json", run("WS-6", "f", "2024-05-09T09:00:00Z", follows="gone"))
        # A long history: shortened on the terminal, whole in the CSV.
        for number in range(12):
            result, code = ("found", 8) if number % 2 else ("clean", 0)
            self.write(f"w7-{number}.json", run("WS-7", f"t{number:02d}",
                                                f"2024-05-09T1{number // 10}:{number:02d}:00Z",
                                                result, code))
        # Failed, and a failure that a later run has put right.
        self.write("w8.json", run("WS-8", "r1", "2024-05-09T10:00:00Z", "cannot_run", 4,
                                  errors=["Missing file(s): kill.exe"]))
        self.write("w9-a.json", run("WS-9", "r1", "2024-05-08T10:00:00Z", "removed", 7,
                                    errors=["the report could not reach the share"]))
        self.write("w9-b.json", run("WS-9", "r2", "2024-05-09T10:00:00Z"))
        self.write("w10.json", run("WS-10", "r1", "2024-05-09T10:00:00Z", "removed", 7,
                                   restart=True, errors=["the share said: access denied"]))

        code, out, err = self.run_script()
        self.assertEqual(code, 0, err)
        histories = {row["computer"]: row["history"] for row in self.read_csv("machines.csv")}
        self.assertEqual(histories, {
            "WS-1": "removed \u2192 after restart: clean",
            "WS-2": "restart_needed \u2192 after restart: returned",
            "WS-3": "removed", "WS-4": "restart_needed", "WS-5": "removed",
            "WS-6": "? \u2192 after restart: clean \u2192 clean (10 runs)",
            "WS-7": " \u2192 ".join(["clean", "found (scan only)"] * 6),
            "WS-8": "cannot_run", "WS-9": "removed \u2192 clean", "WS-10": "removed"})
        printed = {line.split()[0]: line for line in
                   section(out, "Computers, their newest run and history")}
        self.assertTrue(printed["WS-7"].endswith("(7 earlier) \u2192 found (scan only) \u2192 "
                                                 "clean \u2192 found (scan only) \u2192 clean "
                                                 "\u2192 found (scan only)"), printed["WS-7"])
        self.assertRegex(printed["WS-1"], r"^  WS-1 +2024-05-08T09:30:00Z +clean +0  removed")
        files = self.read_csv("files.csv")
        self.assertEqual([(r["computer"], r["quarantine"], r["run_id"]) for r in files],
                         [("WS-1", "20240508-080000-01", "r1"), ("WS-5", "", "")])

        restart = {line.split()[0]: line for line in section(out, "Need a restart")}
        self.assertEqual(set(restart), {"WS-3", "WS-4", "WS-10"})
        self.assertIn("restart scheduled; no report from the run after it yet", restart["WS-3"])
        self.assertIn("restart needed to finish; none scheduled", restart["WS-4"])
        returned = section(out, "Came back after the restart")
        self.assertEqual([line.split() for line in returned],
                         [["WS-2", "2024-05-08T10:00:00+02:00", "after", "restart:",
                           "returned"]])
        failures = {row["computer"]: row for row in self.read_csv("failures.csv")}
        self.assertEqual(set(failures), {"WS-8", "WS-10"})
        self.assertEqual(failures["WS-8"]["problem"], "could not run: Missing file(s): kill.exe")
        self.assertEqual(failures["WS-10"]["problem"],
                         "log or report not written | the share said: access denied")
        self.assertEqual(failures["WS-10"]["report"], "w10.json")

    def test_reports_older_than_the_given_age_are_flagged(self):
        self.write("old.json", run("OLD", "r1", "2024-05-01T12:00:00Z"))
        self.write("new.json", run("NEW", "r1", "2024-05-09T12:00:00Z"))
        self.write("renewed-1.json", run("RENEWED", "r1", "2024-04-01T12:00:00Z"))
        self.write("renewed-2.json", run("RENEWED", "r2", "2024-05-10T11:00:00+02:00"))
        self.write("ahead.json", run("AHEAD", "r1", "2024-05-12T12:00:00Z"))
        self.write("earlier-version.json", report("EARLIER", finished="2024-05-02T14:00:00+02:00"))

        code, out, err = self.run_script()
        self.assertEqual(code, 0, err)
        self.assertEqual([line.split() for line in section(out, "Newest report older than 7")],
                         [["AHEAD", "2024-05-12T12:00:00Z", "dated", "2.0", "days", "ahead"],
                          ["EARLIER", "2024-05-02T14:00:00+02:00", "8.0", "days", "old"],
                          ["OLD", "2024-05-01T12:00:00Z", "9.0", "days", "old"]])
        self.assertIn("before 2024-05-10T12:00:00+00:00", out)
        ages = {row["computer"]: row["age"] for row in self.read_csv("machines.csv")}
        self.assertEqual(ages["NEW"], "")
        self.assertEqual(ages["RENEWED"], "")

        code, out, err = self.run_script("--older-than", "0.5", csv_out=False)
        self.assertEqual(code, 0, err)
        self.assertEqual({line.split()[0] for line in section(out, "Newest report older than")},
                         {"AHEAD", "EARLIER", "OLD", "NEW"})
        for bad in (("--older-than", "-1"), ("--older-than", "soon"), ("--now", "yesterday"),
                    ("--now", "2024-05-10T12:00:00")):
            code, _, err = self.run_script(*bad, csv_out=False)
            self.assertEqual(code, 2, bad)
            self.assertIn("usage:", err)

    def test_the_delimiter_is_the_one_asked_for(self):
        self.write("a.json", run("PC-A", "r1", "2024-05-09T10:00:00Z", "removed", 1,
                                 [("C:\\WINDOWS\\a;b,c.exe", "server", "deleted", "q1")]))
        for given, delimiter in ((";", ";"), ("tab", "\t")):
            code, out, err = self.run_script("--delimiter", given)
            self.assertEqual(code, 0, err)
            with open(os.path.join(self.out, "files.csv"), encoding="utf-8-sig") as f:
                header = f.readline()
            self.assertEqual(header.split(delimiter)[:3], ["computer", "path", "kind"])
            files = self.read_csv("files.csv", delimiter)
            self.assertEqual([(r["path"], r["quarantine"]) for r in files],
                             [("C:\\WINDOWS\\a;b,c.exe", "q1")])
            self.assertEqual(self.read_csv("paths.csv", delimiter)[0]["machines"], "1")
        for bad in ("", ";;", '"', "a"):
            code, _, err = self.run_script("--delimiter", bad, csv_out=False)
            self.assertEqual(code, 2, bad)

    def test_control_characters_are_never_printed_and_formulas_stay_text(self):
        sneaky = "C:\\WINDOWS\\\u202eexe.krt32\u2066\\x\x1b]0;t\x07\x9b31m.exe"
        self.write("a.json", run("PC-\x1b[2J\u2028A", "r1\r", "2024-05-09T10:00:00Z",
                                 "incomplete", 3,
                                 [(sneaky, "server", "delete_by_hand", "q\x7f1")]))
        self.write("b.json", run("=HYPERLINK(\"http://x\")", "r1", "2024-05-09T10:00:00Z",
                                 "cannot_run", 4, errors=["-2+3", "@SUM(A1)"]))
        self.write("c.json", run("+PC", "r1", "2024-05-09T10:00:00Z", "removed", 1,
                                 [("-C:\\x.exe", "server", "deleted", "@q")]))
        self.write("d\u202e\x1bnosj.json", b"{")
        self.write("e.json", run("\tPC", "r1", "2024-05-09T10:00:00Z", "cannot_run", 4,
                                 errors=["\x1b[31mred\u200f"]))

        code, out, err = self.run_script("--delimiter", ";")
        self.assertEqual(code, 0, err)
        self.assertIsNone(UNSHOWABLE.search(out), repr(UNSHOWABLE.search(out)))
        self.assertIsNone(UNSHOWABLE.search(err))
        self.assertIn("PC-<U+001B>[2J<U+2028>A", out)
        self.assertIn("C:\\WINDOWS\\<U+202E>exe.krt32<U+2066>\\x<U+001B>]0;t<U+0007>"
                      "<U+009B>31m.exe", out)
        self.assertIn("d<U+202E><U+001B>nosj.json", out)
        self.assertIn("<U+001B>[31mred<U+200F>", out)

        cells = []
        for name in ("machines.csv", "runs.csv", "files.csv", "paths.csv", "failures.csv"):
            with open(os.path.join(self.out, name), encoding="utf-8-sig", newline="") as f:
                cells += [cell for row in csv.reader(f, delimiter=";") for cell in row]
        self.assertEqual([cell for cell in cells if UNSHOWABLE.search(cell)], [])
        self.assertEqual([cell for cell in cells if cell.startswith(tuple("=+-@"))], [])
        self.assertIn("'=HYPERLINK(\"http://x\")", cells)
        self.assertIn("'+PC", cells)
        self.assertIn("'-C:\\x.exe", cells)
        self.assertIn("'@q", cells)
        self.assertIn("<U+0009>PC", cells)
        self.assertIn("q<U+007F>1", cells)
        self.assertIn("could not run: <U+001B>[31mred<U+200F>", cells)
        self.assertIn("could not run: -2+3 | @SUM(A1)", cells)
        self.assertIn("damaged report: not JSON: Expecting property name enclosed in double "
                      "quotes (line 1, column 2)", cells)

    def test_damaged_reports_are_named_and_left_out(self):
        good = report("PC-GOOD")
        new = run("PC-NEW", "r1", "2024-05-09T10:00:00Z")
        damaged = {
            "empty.json": b"",
            "cut.json": as_written(good)[:40],
            "list.json": b"[1, 2]",
            "other-program.json": as_written({**good, "program": "Other"}),
            "no-result.json": as_written({k: v for k, v in good.items() if k != "result"}),
            "odd-result.json": as_written({**good, "result": "fine"}),
            "text-code.json": as_written({**good, "exit_code": "0"}),
            "true-code.json": as_written({**good, "exit_code": True}),
            "big-code.json": as_written({**good, "exit_code": 9}),
            "found-text.json": as_written({**good, "found": "none"}),
            "found-no-outcome.json": as_written({**good, "found": [{"path": SERVER,
                                                                     "kind": "server"}]}),
            "found-odd-kind.json": as_written({**good, "found": [{"path": SERVER, "kind": "x",
                                                                   "outcome": "deleted"}]}),
            "found-number-id.json": as_written({**good, "found": [{
                "path": SERVER, "kind": "server", "outcome": "deleted", "quarantine": 5}]}),
            "errors-number.json": as_written({**good, "errors": [5]}),
            "no-time.json": as_written({**good, "finished": "yesterday"}),
            "no-offset.json": as_written({**good, "started": "2024-05-01T10:15:30"}),
            "latin1.json": as_written(good).replace(b"PC-GOOD", b"PC-\xe9"),
            "nan.json": as_written(good).replace(b'"exit_code": 0', b'"exit_code": NaN'),
            "deep.json": b"[" * 100000 + b"]" * 100000,
            "surrogate.json": as_written(good).replace(b'"PC-GOOD"', b'"PC-\\ud800"'),
            "garbage.json": bytes(range(256)) * 4,
            "number-run-id.json": as_written({**new, "run_id": 7}),
            "text-after-restart.json": as_written({**new, "after_restart": "yes"}),
            "list-follows.json": as_written({**new, "follows": ["r0"]}),
            "text-windows.json": as_written({**new, "windows": "10"}),
            "switches-number.json": as_written({**new, "switches": ["/silent", 1]}),
            "hive-text.json": as_written({**new, "user_hives": ["S-1-5-18"]}),
            "hive-no-done.json": as_written({**new, "user_hives": [{"hive": "S-1-5-18"}]}),
        }
        for name, content in damaged.items():
            self.write(name, content)
        os.makedirs(os.path.join(self.reports, "folder.json"))
        self.write("good.json", good)
        # The parts of "windows" of an unexpected kind are left out, not fatal.
        self.write("new.json", {**new, "windows": {"version": 10, "build": "x", "64_bit": False}})
        self.write("notes.txt", b"not a report, not read")

        code, out, err = self.run_script()
        self.assertEqual(code, 0, err)
        self.assertEqual(err, "")
        self.assertIn(f"2 reports of 2 computers read in {self.reports}; {len(damaged) + 1} "
                      "damaged", out)
        failures = {row["report"]: row["problem"] for row in self.read_csv("failures.csv")}
        self.assertEqual(set(failures), set(damaged) | {"folder.json"})
        for name, problem in failures.items():
            self.assertTrue(problem.startswith("damaged report: "), (name, problem))
            self.assertIn(name, out)
        self.assertEqual(failures["no-result.json"], 'damaged report: the report has no "result"')
        self.assertEqual(failures["true-code.json"], 'damaged report: "exit_code" of the report '
                                                     "is bool")
        self.assertEqual(failures["latin1.json"], "damaged report: not UTF-8 (byte 70)")
        self.assertEqual(failures["no-time.json"], "damaged report: \"finished\" is no time with "
                                                   "its UTC offset: 'yesterday'")
        self.assertEqual(failures["hive-no-done.json"],
                         'damaged report: user hive 1 has no "done"')
        machines = {row["computer"]: row for row in self.read_csv("machines.csv")}
        self.assertEqual(set(machines), {"PC-GOOD", "PC-NEW"})
        self.assertEqual(machines["PC-NEW"]["windows"], "32-bit")
        self.assertEqual(machines["PC-GOOD"]["run_id"], "")

    def test_non_ascii_paths_are_kept(self):
        path = "C:\\W\u00cdND\u00d8WS\\\u20ac\\krt32.exe"
        self.write("a.json", report("\u685c-PC", "removed", 1, [(path, "server", "deleted")]))
        self.write("b.json", report("PC-X", "cannot_run", 4,
                                    errors=["Missing file(s): If you extracted ..."]))
        self.write("c.json", b"\xef\xbb\xbf" + as_written(report("PC-BOM")))  # with a BOM

        code, out, err = self.run_script()
        self.assertEqual(code, 0, err)
        self.assertIn(path, out)
        self.assertEqual([row["path"] for row in self.read_csv("paths.csv")], [path])
        machines = {row["report"]: row["computer"] for row in self.read_csv("machines.csv")}
        self.assertEqual(machines, {"a.json": "\u685c-PC", "c.json": "PC-BOM", "b.json": "PC-X"})
        self.assertEqual(self.read_csv("failures.csv")[0]["problem"],
                         "could not run: Missing file(s): If you extracted ...")

    def test_a_folder_that_cannot_be_read_is_an_error(self):
        done = subprocess.run([sys.executable, "-B", SCRIPT,
                               os.path.join(self.reports, "missing")],
                              capture_output=True, text=True, timeout=60)
        self.assertEqual(done.returncode, 2)
        self.assertIn("cannot read the folder", done.stderr)


if __name__ == "__main__":
    unittest.main()
