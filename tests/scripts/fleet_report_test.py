#!/usr/bin/env python3
"""Tests of scripts/fleet-report on generated folders of reports: thousands of
them summed up right, damaged ones named and left out without a crash,
non-ASCII paths kept, and cells a spreadsheet would run kept as text."""

import csv
import json
import os
import subprocess
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True
SCRIPT = os.path.join(os.path.dirname(__file__), "..", "..", "scripts", "fleet-report")

SERVER = "C:\\WINDOWS\\krt32.exe"
DOWNLOADER = "C:\\WINDOWS\\system32\\kservice.exe"


def report(computer, result="clean", exit_code=0, found=(), errors=(), log_saved=True,
           restart=False):
    """A report laid out as the program writes it."""
    return {
        "program": "DiziTarvix", "version": "2.5", "computer": computer, "user": "SYSTEM",
        "started": "2024-05-01T10:15:30+02:00", "finished": "2024-05-01T10:15:42+02:00",
        "exit_code": exit_code, "result": result,
        "found": [{"path": p, "kind": k, "outcome": o} for p, k, o in found],
        "repairs": [{"step": "task_manager", "ok": True}] if found else [],
        "restart_scheduled": restart,
        "log_file": "C:\\DiziTarvix\\DiziTarvix_Log.txt" if log_saved else None,
        "errors": list(errors),
    }


def as_written(data):
    return (json.dumps(data, indent=2, ensure_ascii=False).replace("\n", "\r\n") +
            "\r\n").encode("utf-8")


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

    def run_script(self, *extra):
        done = subprocess.run([sys.executable, "-B", SCRIPT, self.reports, "--csv", self.out,
                               *extra], capture_output=True, timeout=120)
        return done.returncode, done.stdout.decode("utf-8", "replace"), done.stderr.decode()

    def read_csv(self, name):
        with open(os.path.join(self.out, name), encoding="utf-8-sig", newline="") as f:
            return list(csv.DictReader(f))

    def test_thousands_of_reports_are_summed_up(self):
        expected = {("clean", 0): 0, ("removed", 1): 0, ("restart_needed", 2): 0,
                    ("incomplete", 3): 0, ("clean", 7): 0}
        server_machines = 0
        for number in range(3000):
            computer = f"PC-{number:04d}"
            kind = number % 10
            if kind < 6:
                data = report(computer)
            elif kind < 8:
                # The Windows folder's name in another case on some machines.
                path = SERVER if number % 20 < 10 else SERVER.lower()
                data = report(computer, "removed", 1, [(path, "server", "deleted"),
                                                       (DOWNLOADER, "downloader", "deleted")],
                              restart=True)
                server_machines += 1
            elif kind == 8:
                data = report(computer, "restart_needed", 2,
                              [(SERVER, "server", "deleted_at_restart")], restart=True)
                server_machines += 1
            elif number % 20 == 9:
                data = report(computer, "incomplete", 3, [(SERVER, "server", "delete_by_hand")])
                server_machines += 1
            else:
                data = report(computer, "clean", 7, log_saved=False,
                              errors=["Saving Error: Somthing wrong happend"])
            expected[(data["result"], data["exit_code"])] += 1
            self.write(f"{computer}.json", data)

        code, out, err = self.run_script()
        self.assertEqual(code, 0, err)
        self.assertIn("3,000 reports read", out)
        self.assertIn("0 damaged", out)
        machines = self.read_csv("machines.csv")
        self.assertEqual(len(machines), 3000)
        counted = {}
        for row in machines:
            key = (row["result"], int(row["exit_code"]))
            counted[key] = counted.get(key, 0) + 1
        self.assertEqual(counted, expected)
        for (result, code_), count in expected.items():
            self.assertRegex(out, rf"\n  {result} +{code_} +{count:,}\n")

        files = {row["path"].lower(): row for row in self.read_csv("files.csv")}
        self.assertEqual(set(files), {SERVER.lower(), DOWNLOADER.lower()})
        server = files[SERVER.lower()]
        self.assertEqual(server["path"], SERVER)  # as first seen
        self.assertEqual(int(server["machines"]), server_machines)
        self.assertEqual((int(server["deleted"]), int(server["deleted_at_restart"]),
                          int(server["delete_by_hand"])),
                         (expected[("removed", 1)], expected[("restart_needed", 2)],
                          expected[("incomplete", 3)]))
        failures = self.read_csv("failures.csv")
        self.assertEqual(len(failures), expected[("incomplete", 3)] + expected[("clean", 7)])
        by_report = {row["report"]: row for row in failures}
        self.assertEqual(by_report["PC-0009.json"],
                         {"report": "PC-0009.json", "computer": "PC-0009", "result": "incomplete",
                          "exit_code": "3", "problem": "delete by hand: " + SERVER})
        self.assertEqual(by_report["PC-0019.json"],
                         {"report": "PC-0019.json", "computer": "PC-0019", "result": "clean",
                          "exit_code": "7",
                          "problem": "log not saved | Saving Error: Somthing wrong happend"})

    def test_damaged_reports_are_named_and_left_out(self):
        good = report("PC-GOOD")
        damaged = {
            "empty.json": b"",
            "cut.json": as_written(good)[:40],
            "list.json": b"[1, 2]",
            "other-program.json": as_written({**good, "program": "Other"}),
            "no-result.json": as_written({k: v for k, v in good.items() if k != "result"}),
            "odd-result.json": as_written({**good, "result": "fine"}),
            "text-code.json": as_written({**good, "exit_code": "0"}),
            "true-code.json": as_written({**good, "exit_code": True}),
            "big-code.json": as_written({**good, "exit_code": 99}),
            "found-text.json": as_written({**good, "found": "none"}),
            "found-no-outcome.json": as_written({**good, "found": [{"path": SERVER,
                                                                     "kind": "server"}]}),
            "found-odd-kind.json": as_written({**good, "found": [{"path": SERVER, "kind": "x",
                                                                   "outcome": "deleted"}]}),
            "errors-number.json": as_written({**good, "errors": [5]}),
            "latin1.json": as_written(good).replace(b"PC-GOOD", b"PC-\xe9"),
            "nan.json": as_written(good).replace(b'"exit_code": 0', b'"exit_code": NaN'),
            "deep.json": b"[" * 100000 + b"]" * 100000,
            "surrogate.json": as_written(good).replace(b'"PC-GOOD"', b'"PC-\\ud800"'),
            "garbage.json": bytes(range(256)) * 4,
        }
        for name, content in damaged.items():
            self.write(name, content)
        os.makedirs(os.path.join(self.reports, "folder.json"))
        self.write("good.json", good)
        self.write("notes.txt", b"not a report, not read")

        code, out, err = self.run_script()
        self.assertEqual(code, 0, err)
        self.assertEqual(err, "")
        self.assertIn(f"1 reports read in {self.reports}; {len(damaged) + 1} damaged", out)
        failures = {row["report"]: row["problem"] for row in self.read_csv("failures.csv")}
        self.assertEqual(set(failures), set(damaged) | {"folder.json"})
        for name, problem in failures.items():
            self.assertTrue(problem.startswith("damaged report: "), (name, problem))
            self.assertIn(name, out)
        self.assertEqual(failures["no-result.json"], 'damaged report: the report has no "result"')
        self.assertEqual(failures["true-code.json"], 'damaged report: "exit_code" of the report '
                                                     "is bool")
        self.assertEqual(failures["latin1.json"], "damaged report: not UTF-8 (byte 70)")
        self.assertEqual([row["computer"] for row in self.read_csv("machines.csv")], ["PC-GOOD"])

    def test_non_ascii_paths_are_kept_and_formulas_stay_text(self):
        path = "C:\\W\u00cdND\u00d8WS\\\u20ac\\krt32.exe"
        self.write("a.json", report("\u685c-PC", "removed", 1, [(path, "server", "deleted")]))
        self.write("b.json", report("=HYPERLINK(\"http://x\")", "cannot_run", 4,
                                    errors=["Missing file(s): If you extracted ..."]))
        self.write("c.json", b"\xef\xbb\xbf" + as_written(report("PC-BOM")))  # with a BOM

        code, out, err = self.run_script()
        self.assertEqual(code, 0, err)
        self.assertIn(path, out)
        self.assertEqual([row["path"] for row in self.read_csv("files.csv")], [path])
        machines = {row["report"]: row["computer"] for row in self.read_csv("machines.csv")}
        self.assertEqual(machines, {"a.json": "\u685c-PC", "c.json": "PC-BOM",
                                    "b.json": "'=HYPERLINK(\"http://x\")"})
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
