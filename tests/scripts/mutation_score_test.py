#!/usr/bin/env python3
"""Tests of scripts/mutation-score's parts: the mutants it makes of known
snippets (and none in comments, strings, preprocessor lines, static_assert or
Windows-only branches), the lines it takes from a diff, and that every file
is put back exactly, also when a test raises or the run is ended. Nothing
here builds or mutates the real tree."""

import json
import os
import signal
import subprocess
import sys
import tempfile
import textwrap
import time
import unittest

sys.dont_write_bytecode = True
ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "scripts", "lib"))
SCRIPT = os.path.join(ROOT, "scripts", "mutation-score")

import mutants  # noqa: E402
import mutation_run as run  # noqa: E402


def made(snippet, operator=None):
    """[(operator, mutated line)] of a snippet."""
    text = textwrap.dedent(snippet)
    found = mutants.mutants_of("x.cpp", text)
    return [(m.operator, m.mutated) for m in found if operator in (None, m.operator)]


def in_function(body):
    return "int F(int a, int b) {\n" + textwrap.indent(textwrap.dedent(body), "  ") + "}\n"


class MutatorTest(unittest.TestCase):
    def test_operators_on_known_lines(self):
        self.assertEqual(made(in_function("if (a < b && a != 0) {\n  return a;\n}\n"), None), [
            ("negation", "if (!(a < b && a != 0)) {"),
            ("relational", "if (a <= b && a != 0) {"),
            ("logical", "if (a < b || a != 0) {"),
            ("relational", "if (a < b && a == 0) {"),
            ("constant", "if (a < b && a != 1) {"),
        ])
        self.assertEqual(made(in_function("for (int i = 7; i >= b; ++i) {\n}\nreturn a - 1;\n")),
                         [("constant", "for (int i = 6; i >= b; ++i) {"),
                          ("constant", "for (int i = 8; i >= b; ++i) {"),
                          ("relational", "for (int i = 7; i > b; ++i) {"),
                          ("arithmetic", "for (int i = 7; i >= b; --i) {"),
                          ("arithmetic", "return a + 1;"),
                          ("constant", "return a - 0;"),
                          ("constant", "return a - 2;")])
        self.assertEqual(made(in_function("if (!Ready(a)) {\n  b += 0x0F;\n}\n")), [
            ("negation", "if (Ready(a)) {"),
            ("arithmetic", "b -= 0x0F;"),
            ("constant", "b += 0x0E;"),
            ("constant", "b += 0x10;"),
        ])

    def test_return_values_early_returns_and_deleted_calls(self):
        snippet = """\
            bool Same(int a, int b) { return a == b; }
            bool Yes() { return true; }
            void Remove(Platform& platform, const std::string& path) {
              platform.Delete(path);
              log.AddLogLine(true,
                             Describe(path));
              const bool gone = platform.Delete(path);
              auto later = [&] {
                platform.Delete(path);
              };
            }
            """
        self.assertEqual(made(snippet, "return value"), [
            ("return value", "bool Same(int a, int b) { return !(a == b); }"),
            ("return value", "bool Yes() { return false; }"),
        ])
        self.assertEqual(made(snippet, "return early"), [
            ("return early", "void Remove(Platform& platform, const std::string& path) { return;"),
        ])
        # Only calls whose result is unused; the lambda's call is a statement
        # too, the initialised variable is not.
        self.assertEqual(made(snippet, "statement deletion"), [
            ("statement deletion", "(deleted) platform.Delete(path);"),
            ("statement deletion", "(deleted) log.AddLogLine(true, Describe(path));"),
            ("statement deletion", "(deleted) platform.Delete(path);"),
        ])
        deleted = [m for m in mutants.mutants_of("x.cpp", textwrap.dedent(snippet))
                   if m.operator == "statement deletion"][1]
        self.assertEqual((deleted.line, deleted.last_line), (5, 6))

    def test_message_texts_emptied_other_texts_kept(self):
        self.assertEqual(made(in_function(
            'log.Add("File deleted: " + path);\nOpen("abc");\nreturn a;\n'), "string emptying"),
            [("string emptying", 'log.Add("" + path);  (was "File deleted: ")')])

    def test_nothing_in_comments_strings_or_declarations(self):
        snippet = """\
            #include "a b.h"
            #define TWICE(x) ((x) + (x) + 1)
            // if (a < b && c) return 1;
            /* x == y || z != 0
               ++i; */
            static_assert(sizeof(int) == 4, "an int has four bytes");
            std::vector<std::pair<int, int>> table;
            const char* s = "a<b&&c==1+2";
            const char* r = R"(x == 1 && y)";
            char c = '0';
            struct Base {
              virtual int Count() const = 0;
              bool operator==(const Base& other) const;
            };
            template <typename T>
            T* Pointer(T& t) { return &t; }
            """
        self.assertEqual(made(snippet), [])

    def test_windows_only_branches_left_alone(self):
        snippet = """\
            #ifdef _WIN32
            int a = 1;
            #else
            int b = 2;
            #endif
            #if !defined(_WIN32)
            int c = 3;
            #elif X
            int d = 4;
            #endif
            #ifndef _WIN32
            int e = 5;
            #endif
            #if defined(OTHER)
            int f = 6;
            #else
            int g = 7;
            #endif
            """
        lines = {m.split()[1] for _, m in made(snippet)}
        self.assertEqual(lines, {"b", "c", "e", "f", "g"})

    def test_each_mutant_changes_only_its_span(self):
        with open(os.path.join(ROOT, "places", "data_tree.cpp"), encoding="utf-8") as f:
            text = f.read()
        found = mutants.mutants_of("places/data_tree.cpp", text)
        self.assertGreater(len(found), 20)
        for mutant in found:
            changed = mutant.apply(text)
            self.assertNotEqual(changed, text)
            self.assertEqual(changed[:mutant.start], text[:mutant.start])
            self.assertEqual(changed[mutant.start + len(mutant.replacement):], text[mutant.end:])
        self.assertEqual(len({m.key() for m in found}), len(found))


class LineSelectionTest(unittest.TestCase):
    DIFF = textwrap.dedent("""\
        diff --git a/scan/a.cpp b/scan/a.cpp
        index 1111111..2222222 100644
        --- a/scan/a.cpp
        +++ b/scan/a.cpp
        @@ -3 +3 @@ int F() {
        -  return 1;
        +  return 2;
        @@ -10,0 +11,2 @@ void G() {
        +  one();
        +  two();
        @@ -20,3 +22,0 @@ void H() {
        -  gone();
        -  gone();
        -  gone();
        diff --git a/log/new.h b/log/new.h
        new file mode 100644
        --- /dev/null
        +++ b/log/new.h
        @@ -0,0 +1,3 @@
        +a
        +b
        +c
        diff --git a/log/old.h b/log/old.h
        deleted file mode 100644
        --- a/log/old.h
        +++ /dev/null
        @@ -1 +0,0 @@
        -x
        """)

    def test_added_and_changed_lines_of_a_diff(self):
        self.assertEqual(run.changed_lines(self.DIFF),
                         {"scan/a.cpp": {3, 11, 12}, "log/new.h": {1, 2, 3}})

    def test_lines_since_a_commit_in_a_repository(self):
        with tempfile.TemporaryDirectory() as root:
            def git(*args):
                subprocess.run(["git", "-C", root, *args], check=True, capture_output=True)

            git("init", "-q")
            os.makedirs(os.path.join(root, "scan"))
            write(os.path.join(root, "scan", "old.cpp"), "".join("int v%d = %d;\n" % (i, i)
                                                                   for i in range(10)))
            git("add", ".")
            git("-c", "user.name=t", "-c", "user.email=t@t", "commit", "-qm", "base")
            git("mv", "scan/old.cpp", "scan/moved.cpp")
            text = read(os.path.join(root, "scan", "moved.cpp")).replace(b"v4 = 4", b"v4 = 40")
            write(os.path.join(root, "scan", "moved.cpp"), text.decode() + "int w = 1;\n")
            write(os.path.join(root, "scan", "new.cpp"), "int n = 1;\n")
            lines = run.lines_since(root, "HEAD", ["scan/moved.cpp", "scan/new.cpp"])
            self.assertEqual(lines, {"scan/moved.cpp": {5, 11}, "scan/new.cpp": None})
            found = run.make_mutants(root, ["scan/moved.cpp", "scan/new.cpp"])
            chosen = {(m.path, m.line) for m in run.select(found, lines)}
            self.assertEqual(chosen, {("scan/moved.cpp", 5), ("scan/moved.cpp", 11),
                                      ("scan/new.cpp", 1)})

    def test_sample_is_reproducible(self):
        found = mutants.mutants_of("x.cpp", in_function("return a + b * 3 - 4 + (a < b);\n"))
        first = run.sample(found, 3, seed=5)
        self.assertEqual(first, run.sample(list(reversed(found)), 3, seed=5))
        self.assertEqual(len(first), 3)
        self.assertEqual(run.sample(found, 100, seed=5), sorted(found, key=lambda m: m.key()))

    def test_scope_is_the_natively_built_code(self):
        with tempfile.TemporaryDirectory() as root:
            files = ["scan/a.cpp", "scan/a.h", "platform/fake_platform.cpp", "platform/sha.cpp",
                     "platform/win32/w.cpp", "tools/kill/args.cpp", "tools/kill/args.h",
                     "tools/kill/main.cpp", "app/text.cpp", "app/window.cpp",
                     "tests/unit/x_test.cpp", "scan/notes.txt"]
            for path in files:
                write(os.path.join(root, path), "")
            write(os.path.join(root, "tools", "portable.cmake"),
                  "add_library(p ${CMAKE_CURRENT_LIST_DIR}/kill/args.cpp)\n")
            write(os.path.join(root, "tests", "unit", "app_portable.cmake"),
                  "add_executable(t ${CMAKE_CURRENT_LIST_DIR}/x_test.cpp\n"
                  "  ${PROJECT_SOURCE_DIR}/app/text.cpp)\n")
            files += ["tools/portable.cmake", "tests/unit/app_portable.cmake"]
            self.assertEqual(run.in_scope(root, files), [
                "app/text.cpp", "platform/sha.cpp", "scan/a.cpp", "scan/a.h",
                "tools/kill/args.cpp", "tools/kill/args.h"])


def write(path, content):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(content.encode() if isinstance(content, str) else content)


def read(path):
    with open(path, "rb") as f:
        return f.read()


# Odd bytes on purpose: CRLF, a Latin-1 byte that is no UTF-8, no final newline.
SOURCE = b"int F(int a) {\r\n  if (a < 2) {\r\n    return a + 1;\r\n  }\r\n  // \xe9\r\n  return 0;\r\n}"


class RestoreTest(unittest.TestCase):
    def setUp(self):
        folder = tempfile.TemporaryDirectory()
        self.addCleanup(folder.cleanup)
        self.mirror = folder.name
        self.path = os.path.join(self.mirror, "scan", "f.cpp")
        write(self.path, SOURCE)
        self.mutants = run.make_mutants(self.mirror, ["scan/f.cpp"])
        self.assertGreater(len(self.mutants), 4)

    def test_each_mutant_is_on_disk_while_judged_and_the_file_back_after(self):
        seen = []

        def judge(mutant):
            seen.append(read(self.path))
            return run.Result(mutant, run.SURVIVED)

        results = run.run_mutants(self.mirror, self.mutants, judge)
        text = SOURCE.decode("utf-8", "surrogateescape")
        self.assertEqual(seen, [m.apply(text).encode("utf-8", "surrogateescape")
                                for m in self.mutants])
        self.assertEqual(len(results), len(self.mutants))
        self.assertEqual(read(self.path), SOURCE)

    def test_file_back_when_the_judge_raises_or_is_interrupted(self):
        for error in (RuntimeError("build tool missing"), KeyboardInterrupt()):
            calls = []

            def judge(mutant):
                calls.append(mutant)
                if len(calls) == 2:
                    raise error
                return run.Result(mutant, run.KILLED)

            with self.assertRaises(type(error)):
                run.run_mutants(self.mirror, self.mutants, judge)
            self.assertEqual(len(calls), 2)
            self.assertEqual(read(self.path), SOURCE)

    def test_file_back_when_the_run_is_terminated_or_interrupted_in_the_background(self):
        program = textwrap.dedent("""\
            import sys, time
            sys.path.insert(0, sys.argv[1])
            import mutation_run as run
            run.interrupt_on_terminate()
            def judge(mutant):
                print("judging", flush=True)
                time.sleep(60)
            try:
                run.run_mutants(sys.argv[2], run.make_mutants(sys.argv[2], ["scan/f.cpp"]), judge)
            except KeyboardInterrupt:
                sys.exit(130)
            """)
        for signum in (signal.SIGTERM, signal.SIGINT):
            # Started as a shell starts a job in the background: Ctrl-C ignored.
            child = subprocess.Popen(
                [sys.executable, "-B", "-c", program, os.path.join(ROOT, "scripts", "lib"),
                 self.mirror], stdout=subprocess.PIPE,
                preexec_fn=lambda: signal.signal(signal.SIGINT, signal.SIG_IGN))
            self.addCleanup(child.stdout.close)
            self.addCleanup(child.kill)
            self.assertEqual(child.stdout.readline(), b"judging\n")
            self.assertNotEqual(read(self.path), SOURCE)
            child.send_signal(signum)
            self.assertEqual(child.wait(timeout=30), 130)
            self.assertEqual(read(self.path), SOURCE)

    def test_the_tree_is_never_written(self):
        with tempfile.TemporaryDirectory() as root:
            subprocess.run(["git", "-C", root, "init", "-q"], check=True)
            write(os.path.join(root, ".gitignore"), "/build/\n")
            write(os.path.join(root, "scan", "f.cpp"), SOURCE)
            write(os.path.join(root, "scan", "g.h"), "int G();\n")
            subprocess.run(["git", "-C", root, "add", "."], check=True)
            files = run.tree_files(root)
            before = run.tree_state(root, files)
            mirror = os.path.join(root, "build", "mutation", "src")
            write(os.path.join(mirror, "scan", "stale.cpp"), "int s;\n")
            self.assertEqual(run.sync_mirror(root, files, mirror), 3)
            self.assertEqual(run.sync_mirror(root, files, mirror), 0)
            self.assertFalse(os.path.exists(os.path.join(mirror, "scan", "stale.cpp")))

            def judge(mutant):
                raise KeyboardInterrupt

            with self.assertRaises(KeyboardInterrupt):
                run.run_mutants(mirror, run.make_mutants(mirror, ["scan/f.cpp"]), judge)
            self.assertEqual(run.tree_state(root, files), before)
            self.assertEqual(read(os.path.join(mirror, "scan", "f.cpp")), SOURCE)


class RunTest(unittest.TestCase):
    def test_a_hanging_test_program_is_ended_with_its_children(self):
        with tempfile.TemporaryDirectory() as folder:
            pid_file = os.path.join(folder, "pid")
            started = time.monotonic()
            status, _, _ = run.run_program(
                ["sh", "-c", "sleep 60 & echo $! > %s; wait" % pid_file], folder, 1)
            self.assertEqual(status, "timed out")
            self.assertLess(time.monotonic() - started, 30)
            with self.assertRaises(ProcessLookupError):
                for _ in range(50):  # the killed child may take a moment to be reaped
                    os.kill(int(read(pid_file)), 0)
                    time.sleep(0.1)
        self.assertEqual(run.run_program(["false"], None, 10)[0], "failed")
        status, _, output = run.run_program(["sh", "-c", "kill -SEGV $$"], None, 10)
        self.assertEqual((status, output), ("failed", "\n[ended by SIGSEGV]\n"))

    def test_score_counts_hangs_as_killed_and_leaves_invalid_out(self):
        statuses = [run.KILLED] * 6 + [run.TIMED_OUT] * 2 + [run.SURVIVED] * 2 + [run.INVALID] * 3
        figures = run.summary([run.Result(None, s) for s in statuses])
        self.assertEqual((figures["killed"], figures["valid"], figures["score"],
                          figures["invalid"], figures["timed_out"]), (8, 10, 80.0, 3, 2))
        output = "[  FAILED  ] Restore.KeepsFile\n[  FAILED  ] Log.Lines/1, where...\n"
        self.assertEqual(run.failed_tests(output), ["Restore.KeepsFile", "Log.Lines/1"])


class CommandLineTest(unittest.TestCase):
    def call(self, *args):
        return subprocess.run([sys.executable, "-B", SCRIPT, *args], capture_output=True,
                              text=True, timeout=120)

    def test_usage(self):
        for flag in ("--help", "-h"):
            done = self.call(flag)
            self.assertEqual(done.returncode, 0)
            self.assertIn("scripts/mutation-score [--since REV]", done.stdout)
        for wrong in (["--bogus"], ["--files", "README.md"], ["--sample", "0"]):
            done = self.call(*wrong)
            self.assertEqual(done.returncode, 2, wrong)
            self.assertIn("usage: scripts/mutation-score", done.stderr)

    def test_resumed_run_reports_earlier_results_without_building(self):
        path = "places/run_lock.cpp"
        chosen = run.sample(run.make_mutants(ROOT, [path]), 2, seed=1)
        digests = run.tree_state(ROOT, [path])[0]
        with tempfile.TemporaryDirectory() as folder:
            earlier = os.path.join(folder, "earlier.json")
            entries = [run.Result(chosen[0], run.KILLED).as_json(),
                       run.Result(chosen[1], run.SURVIVED).as_json()]
            other = dict(entries[0], file="places/elsewhere.cpp")
            write(earlier, json.dumps({"digests": digests, "mutants": entries + [other]}))
            out = os.path.join(folder, "out.json")
            done = self.call("--files", path, "--sample", "2", "--resume", earlier, "--json", out)
            self.assertEqual(done.returncode, 0, done.stderr)
            self.assertIn("2 of them judged before", done.stderr)
            lines = done.stdout.splitlines()
            self.assertEqual(lines[0], "mutation score: 1 killed of 2 valid mutants (50.0 %), "
                             "0 invalid, 0 timed out")
            self.assertIn("  " + path, lines)
            self.assertIn("%4d  %-18s  %s" % (chosen[1].line, chosen[1].operator,
                                               chosen[1].mutated), "\n".join(lines))
            with open(out, encoding="utf-8") as f:
                written = json.load(f)
            self.assertEqual([m["status"] for m in written["mutants"]], ["killed", "survived"])
            # From a file that has changed since, nothing is taken.
            entries_changed = {"digests": {path: "0" * 64}, "mutants": entries}
            self.assertEqual(run.earlier_results(entries_changed, chosen, digests), {})

    def test_list_builds_nothing(self):
        done = self.call("--list", "--files", "places/run_lock.cpp", "--sample", "3")
        self.assertEqual(done.returncode, 0, done.stderr)
        lines = done.stdout.splitlines()
        self.assertEqual(lines[-1], "3 mutants")
        self.assertTrue(all(line.startswith("places/run_lock.cpp:") for line in lines[:-1]))


if __name__ == "__main__":
    unittest.main()
