"""Mutants run against the native unit tests.

The tree is mirrored into the build folder and every mutant is written into
the mirror, never into the tree itself; the mirror is built incrementally with
Ninja (one object recompiled, its test programs relinked) and only the test
programs the build relinked are run, each with a time limit. Each mutated
file is put back byte for byte after its mutants, also when a build or a test
fails, raises or the run is interrupted, and its digest is checked."""

import hashlib
import json
import os
import random
import re
import shutil
import signal
import subprocess
import tempfile
import time
from dataclasses import dataclass, field

import mutants as mutants_module

# The portable engine's folders: every C++ file in them is built natively.
ENGINE_FOLDERS = ("startup", "log", "scan", "repair", "quarantine", "report", "fleet", "places")
# The lists of the companions' and the window's portable parts.
PORTABLE_LISTS = ("tools/portable.cmake", "tests/unit/app_portable.cmake")

KILLED, TIMED_OUT, SURVIVED, INVALID, NOT_BUILT = (
    "killed", "timed out", "survived", "invalid", "not built")


class RestoreError(Exception):
    """A mutated file could not be put back as it was."""


def git(root, *args):
    return subprocess.run(["git", "-C", root, *args], check=True, capture_output=True,
                          text=True).stdout


def tree_files(root):
    """The files of the working tree: tracked ones and new ones not ignored."""
    out = git(root, "ls-files", "-z", "--cached", "--others", "--exclude-standard")
    return sorted({f for f in out.split("\0") if f and os.path.isfile(os.path.join(root, f))})


def portable_sources(root, listing):
    """The sources a CMake list of portable parts names, relative to `root`
    (test sources left out)."""
    with open(os.path.join(root, listing), encoding="utf-8") as f:
        text = f.read()
    here = os.path.dirname(listing)
    found = []
    for variable, path in re.findall(
            r"\$\{(CMAKE_CURRENT_LIST_DIR|PROJECT_SOURCE_DIR)\}/([^\s)\"]+\.cpp)", text):
        full = os.path.normpath(os.path.join(here if variable == "CMAKE_CURRENT_LIST_DIR" else "",
                                             path)).replace(os.sep, "/")
        if not full.startswith("tests/"):
            found.append(full)
    return found


def in_scope(root, files):
    """The C++ files the native suite builds and the mutants are made in: the
    engine's folders, platform/ but for the fake and the Windows part, and
    the portable parts of the companions and the window with their headers."""
    present = set(files)
    scope = set()
    for path in files:
        parts = path.split("/")
        if not path.endswith((".cpp", ".h")) or "win32" in parts:
            continue
        if parts[0] in ENGINE_FOLDERS:
            scope.add(path)
        elif parts[0] == "platform" and len(parts) == 2 and not parts[1].startswith(
                "fake_platform."):
            scope.add(path)
    for listing in PORTABLE_LISTS:
        if listing not in present:
            continue
        for source in portable_sources(root, listing):
            for path in (source, source[:-len(".cpp")] + ".h"):
                if path in present:
                    scope.add(path)
    return sorted(scope)


def changed_lines(diff_text):
    """{path: set of line numbers} of the lines a `git diff -U0` adds or
    changes, numbered as in the new version."""
    found = {}
    path = None
    for line in diff_text.splitlines():
        if line.startswith("+++ "):
            target = line[4:].rstrip("\t")
            if target.startswith('"') and target.endswith('"'):
                target = target[1:-1].encode("latin-1", "backslashreplace").decode(
                    "unicode_escape").encode("latin-1").decode("utf-8", "replace")
            path = None if target == "/dev/null" else target[2:] if target.startswith(
                "b/") else target
            if path is not None:
                found.setdefault(path, set())
        elif line.startswith("@@") and path is not None:
            match = re.match(r"@@ -\d+(?:,\d+)? \+(\d+)(?:,(\d+))? @@", line)
            if match:
                start = int(match[1])
                count = 1 if match[2] is None else int(match[2])
                found[path].update(range(start, start + count))
    return found


def lines_since(root, revision, files):
    """{path: set of line numbers or None for the whole file} of `files`
    added or changed since `revision`, uncommitted changes included."""
    # The whole tree is compared, so that a file moved keeps its history.
    diff = git(root, "diff", "-U0", "-M", "--no-color", "--no-ext-diff", "--src-prefix=a/",
               "--dst-prefix=b/", revision, "--")
    wanted = set(files)
    found = {path: lines for path, lines in changed_lines(diff).items()
             if lines and path in wanted}
    untracked = set(git(root, "ls-files", "-z", "--others", "--exclude-standard").split("\0"))
    for path in files:
        if path in untracked:
            found[path] = None
    return found


def select(mutants, lines):
    """The mutants that touch one of `lines` ({path: set or None})."""
    chosen = []
    for mutant in mutants:
        if mutant.path not in lines:
            continue
        wanted = lines[mutant.path]
        if wanted is None or any(n in wanted for n in range(mutant.line, mutant.last_line + 1)):
            chosen.append(mutant)
    return chosen


def sample(mutants, count, seed):
    """A reproducible random choice of `count` mutants, in file order."""
    ordered = sorted(mutants, key=lambda m: (m.path, m.start, m.end, m.replacement))
    if count is None or count >= len(ordered):
        return ordered
    chosen = random.Random(seed).sample(ordered, count)
    return sorted(chosen, key=lambda m: (m.path, m.start, m.end, m.replacement))


def read_text(path):
    with open(path, "rb") as f:
        return f.read().decode("utf-8", "surrogateescape")


def make_mutants(root, paths):
    found = []
    for path in paths:
        found.extend(mutants_module.mutants_of(path, read_text(os.path.join(root, path))))
    return found


def digest(data):
    return hashlib.sha256(data).hexdigest()


def write_whole(path, data):
    """Writes `data` to `path` in one step: the file is always either what
    it was or `data`, never half written."""
    folder = os.path.dirname(path) or "."
    handle, temporary = tempfile.mkstemp(dir=folder, prefix=".mutation-")
    try:
        with os.fdopen(handle, "wb") as f:
            f.write(data)
        if os.path.exists(path):
            shutil.copymode(path, temporary)
        os.replace(temporary, path)
    except BaseException:
        if os.path.exists(temporary):
            os.unlink(temporary)
        raise


def tree_state(root, paths):
    """What the run must leave as it found: the digest of each file and git's
    status of the tree."""
    digests = {}
    for path in paths:
        with open(os.path.join(root, path), "rb") as f:
            digests[path] = digest(f.read())
    return digests, git(root, "status", "--porcelain", "--untracked-files=all", "--", *paths)


def sync_mirror(root, files, mirror):
    """Makes `mirror` hold exactly `files` of `root`; only files whose bytes
    differ are written, so an incremental build stays incremental. Returns
    how many were written."""
    os.makedirs(mirror, exist_ok=True)
    written = 0
    for path in files:
        with open(os.path.join(root, path), "rb") as f:
            data = f.read()
        target = os.path.join(mirror, path)
        try:
            with open(target, "rb") as f:
                same = f.read() == data
        except FileNotFoundError:
            same = False
        if not same:
            os.makedirs(os.path.dirname(target), exist_ok=True)
            write_whole(target, data)
            shutil.copymode(os.path.join(root, path), target)
            written += 1
    wanted = set(files)
    for folder, _, names in os.walk(mirror):
        for name in names:
            full = os.path.join(folder, name)
            if os.path.relpath(full, mirror).replace(os.sep, "/") not in wanted:
                os.unlink(full)
    return written


@dataclass
class Result:
    mutant: object
    status: str
    seconds: float = 0.0
    detail: str = ""  # the failing tests, or the compiler's first error
    programs: list = field(default_factory=list)  # the test programs run

    def as_json(self):
        m = self.mutant
        return {"file": m.path, "line": m.line, "operator": m.operator, "original": m.original,
                "mutated": m.mutated, "status": self.status, "seconds": round(self.seconds, 1),
                "detail": self.detail, "programs": self.programs, "start": m.start,
                "end": m.end, "replacement": m.replacement}


def earlier_results(data, chosen, digests):
    """{mutant key: Result} of an earlier run's JSON, for the mutants among
    `chosen` whose file has the same digest now as then."""
    by_key = {m.key(): m for m in chosen}
    then = data.get("digests", {})
    found = {}
    for entry in data.get("mutants", []):
        path = entry.get("file")
        key = (path, entry.get("start"), entry.get("end"), entry.get("replacement"))
        if key in by_key and then.get(path) == digests.get(path) and entry.get("status") in (
                KILLED, TIMED_OUT, SURVIVED, INVALID, NOT_BUILT):
            found[key] = Result(by_key[key], entry["status"], entry.get("seconds", 0.0),
                                entry.get("detail", ""), entry.get("programs", []))
    return found


def run_mutants(mirror, mutants, judge, on_result=None):
    """Writes each mutant in turn into its file under `mirror`, has
    `judge(mutant)` return its Result, and puts the file back byte for byte
    after that file's mutants: also when `judge` raises or the run is
    interrupted. Raises RestoreError when the file is not back as it was."""
    results = []
    by_file = {}
    for mutant in mutants:
        by_file.setdefault(mutant.path, []).append(mutant)
    for path, group in by_file.items():
        full = os.path.join(mirror, path)
        with open(full, "rb") as f:
            original = f.read()
        expected = digest(original)
        text = original.decode("utf-8", "surrogateescape")
        try:
            for mutant in group:
                write_whole(full, mutant.apply(text).encode("utf-8", "surrogateescape"))
                result = judge(mutant)
                results.append(result)
                if on_result:
                    on_result(result)
        finally:
            write_whole(full, original)
            with open(full, "rb") as f:
                if digest(f.read()) != expected:
                    raise RestoreError(path + " is not back as it was")
    return results


def run_program(command, cwd, timeout, env=None):
    """Runs one test program: ("passed" | "failed" | "timed out", seconds,
    output). A program that outlives `timeout` is ended with its children."""
    started = time.monotonic()
    status = None
    process = subprocess.Popen(command, cwd=cwd, env=env, stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT, start_new_session=True)
    try:
        output, _ = process.communicate(timeout=timeout)
        status = "passed" if process.returncode == 0 else "failed"
        if process.returncode < 0:
            try:
                name = signal.Signals(-process.returncode).name
            except ValueError:
                name = "signal %d" % -process.returncode
            output += ("\n[ended by %s]\n" % name).encode()
    except subprocess.TimeoutExpired:
        output = b""
        status = "timed out"
    finally:
        if process.poll() is None or status == "timed out":
            try:
                os.killpg(process.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            process.wait()
        process.stdout.close()
    return status, time.monotonic() - started, output.decode("utf-8", "replace")


def failed_tests(output):
    """The names gtest lists as failed."""
    names = []
    for name in re.findall(r"^\[  FAILED  \] ([\w/.]+)", output, re.M):
        if name not in names:
            names.append(name)
    return names


class NativeBuild:
    """The mirror's Debug build with its test programs."""

    def __init__(self, source, build_dir, log_path, jobs=2):
        self.source = source
        self.build_dir = build_dir
        self.log_path = log_path
        self.jobs = jobs
        self.programs = []  # [{"path", "cwd", "mtime", "seconds"}]
        self.kills = {}

    def _log(self, text):
        with open(self.log_path, "a", encoding="utf-8") as f:
            f.write(text)

    def configure(self):
        if os.path.exists(os.path.join(self.build_dir, "build.ninja")) or os.path.exists(
                os.path.join(self.build_dir, "Makefile")):
            return True, ""
        generator = ["-G", "Ninja"] if shutil.which("ninja") else []
        # Warnings stay warnings: a mutant is judged by the tests, not by -Werror.
        command = ["cmake", *generator, "-S", self.source, "-B", self.build_dir,
                   "-DCMAKE_BUILD_TYPE=Debug", "-DDIZI_WERROR=OFF"]
        done = subprocess.run(command, capture_output=True, text=True)
        self._log(done.stdout + done.stderr)
        return done.returncode == 0, done.stdout + done.stderr

    def build(self, timeout=1800):
        command = ["cmake", "--build", self.build_dir, "-j", str(self.jobs)]
        status, _, output = run_program(command, None, timeout)
        self._log(output)
        return status == "passed", output

    def find_programs(self):
        out = subprocess.run(["ctest", "--test-dir", self.build_dir, "--show-only=json-v1"],
                             capture_output=True, text=True, check=True).stdout
        build = os.path.realpath(self.build_dir)
        seen = {}
        for test in json.loads(out).get("tests", []):
            command = test.get("command") or []
            if not command or not os.path.realpath(command[0]).startswith(build + os.sep):
                continue
            cwd = next((p["value"] for p in test.get("properties", [])
                        if p.get("name") == "WORKING_DIRECTORY"), os.path.dirname(command[0]))
            seen.setdefault(command[0], cwd)
        self.programs = [{"path": path, "cwd": cwd, "mtime": os.stat(path).st_mtime_ns,
                          "seconds": 0.0} for path, cwd in sorted(seen.items())]
        return self.programs

    def environment(self):
        env = dict(os.environ)
        env.update({"GTEST_FAIL_FAST": "1", "GTEST_BRIEF": "1", "GTEST_COLOR": "no"})
        return env

    def run_baseline(self):
        """Runs every test program once: [(program, status, output)]."""
        outcomes = []
        for program in self.programs:
            status, seconds, output = run_program([program["path"]], program["cwd"], 1800,
                                                  self.environment())
            program["seconds"] = seconds
            outcomes.append((program, status, output))
        return outcomes

    def relinked(self):
        """The test programs the last build made anew."""
        changed = []
        for program in self.programs:
            mtime = os.stat(program["path"]).st_mtime_ns
            if mtime != program["mtime"]:
                program["mtime"] = mtime
                changed.append(program)
        return changed

    def judge(self, timeout=None):
        """A judge for run_mutants: builds, then runs the relinked programs
        (the one that killed most so far first) until one fails."""

        def judge(mutant):
            started = time.monotonic()
            ok, output = self.build()
            if not ok and "Error running test executable" in output:
                # Built, but the program failed as the build listed its tests.
                return Result(mutant, KILLED, time.monotonic() - started,
                              "a test program failed as its tests were listed")
            if not ok:
                error = next((line.strip() for line in output.splitlines() if "error:" in line),
                             "the build failed")
                error = error.replace(os.path.realpath(self.source) + os.sep, "").replace(
                    self.source + os.sep, "")
                return Result(mutant, INVALID, time.monotonic() - started, error[:300])
            programs = self.relinked()
            if not programs:
                return Result(mutant, NOT_BUILT, time.monotonic() - started)
            programs.sort(key=lambda p: -self.kills.get(p["path"], 0))
            ran = []
            for program in programs:
                limit = timeout or max(30.0, 5 * program["seconds"] + 10)
                ran.append(os.path.basename(program["path"]))
                status, _, output = run_program([program["path"]], program["cwd"], limit,
                                                self.environment())
                if status == "passed":
                    continue
                self.kills[program["path"]] = self.kills.get(program["path"], 0) + 1
                if status == "timed out":
                    detail = "%s ran past %d s" % (ran[-1], limit)
                    return Result(mutant, TIMED_OUT, time.monotonic() - started, detail, ran)
                names = failed_tests(output)
                ended = re.search(r"^\[ended by ([\w ]+)\]$", output, re.M)
                detail = ", ".join(names[:3]) if names else ran[-1] + (
                    " ended by " + ended[1] if ended else " failed")
                return Result(mutant, KILLED, time.monotonic() - started, detail, ran)
            return Result(mutant, SURVIVED, time.monotonic() - started, "", ran)

        return judge


def interrupt_on_terminate():
    """SIGINT, SIGTERM and SIGHUP end the run through every `finally` that
    puts a file back; SIGINT too when the shell started the run in the
    background, where it would be ignored."""

    def handler(signum, frame):
        raise KeyboardInterrupt("signal %d" % signum)

    for signum in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        signal.signal(signum, handler)


def summary(results):
    counts = {status: 0 for status in (KILLED, TIMED_OUT, SURVIVED, INVALID, NOT_BUILT)}
    for result in results:
        counts[result.status] += 1
    killed = counts[KILLED] + counts[TIMED_OUT]
    valid = killed + counts[SURVIVED]
    return {"killed": killed, "valid": valid, "survived": counts[SURVIVED],
            "invalid": counts[INVALID], "timed_out": counts[TIMED_OUT],
            "not_built": counts[NOT_BUILT],
            "score": round(100.0 * killed / valid, 1) if valid else None}
