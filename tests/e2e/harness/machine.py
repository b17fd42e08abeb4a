"""The test machine of one scenario: its own copy of the base prefix of its
layout, its own X display, the programs it starts there, and their ending
whatever happens."""

import os
import selectors
import shutil
import subprocess
import time

import prefix as prefixes
from driver import Driver
from journal import read_journal
from layout import WIN32
from processes import ProcessRegistry, Xvfb, log, remove_tree

SHIPPED_FILES = ("DiziTarvix.exe", "kill.exe", "fservice.exe", "ReadMe First.txt")
PROGRAM_FOLDER = "C:\\DiziTarvix"
# The programs DiziTarvix.exe starts, which it runs only when they are the
# files its build recorded.
COMPANIONS = {"kill.exe", "fservice.exe"}


class Paths:
    def __init__(self, build_dir, test_programs_dir, work_dir=None):
        self.build_dir = os.path.abspath(build_dir)
        self.test_programs_dir = os.path.abspath(test_programs_dir)
        self.work_dir = os.path.abspath(work_dir or os.path.join(self.build_dir, "e2e"))
        self.base_prefix = self.base_prefix_of(WIN32)
        self.bin_dir = os.path.join(self.build_dir, "bin")
        self.msconfig_stand_in = os.path.join(self.build_dir, "stand-in", "msconfig.exe")
        # The test build of DiziTarvix.exe that records the digests of
        # recorder.exe and of the msconfig.exe stand-in.
        self.trusting_program = os.path.join(self.test_programs_dir, "trusting-stand-ins",
                                             "DiziTarvix.exe")

    def base_prefix_of(self, layout):
        return os.path.join(self.work_dir, "base-prefix" + layout.suffix)

    def test_program(self, name):
        return os.path.join(self.test_programs_dir, name)

    def shipped(self, name):
        if name == "msconfig.exe":
            return self.msconfig_stand_in
        return os.path.join(self.bin_dir, name)


class Program:
    """DiziTarvix.exe (or another program) running under Wine."""

    def __init__(self, machine, exe, cwd, log_name, args=(), env=None, native_tools=True):
        self.machine = machine
        self.exe = exe
        environment = machine.env(native_tools=native_tools, builtin_tools=not native_tools)
        environment.update(env or {})
        with open(os.path.join(machine.run_dir, log_name), "ab") as out:
            self.process = machine.registry.popen(
                ["wine", exe] + list(args), cwd=machine.host(cwd), env=environment,
                stdin=subprocess.DEVNULL, stdout=out, stderr=out, description=exe)

    def wait_exit(self, timeout=20):
        """The exit code, or None when the program is still running after `timeout` s."""
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def running(self):
        return self.process.poll() is None


class TestMachine:
    def __init__(self, name, paths, keep=False, layout=WIN32):
        self.name = name
        self.paths = paths
        self.keep = keep
        self.layout = layout
        self.run_dir = os.path.join(paths.work_dir, "runs", name + layout.suffix)
        self.prefix = os.path.join(self.run_dir, "prefix")
        self.registry = None
        self.display = None
        self._driver = None
        self._program_runs = 0
        self.copy_seconds = None

    # --- life -------------------------------------------------------------

    def __enter__(self):
        remove_tree(self.run_dir)
        os.makedirs(self.run_dir)
        self.registry = ProcessRegistry(os.path.join(self.paths.work_dir, "watchdog"))
        try:
            self.display = Xvfb(self.registry, os.path.join(self.run_dir, "xvfb.log")).display
            self.copy_seconds = prefixes.copy_prefix(self.paths.base_prefix_of(self.layout),
                                                     self.prefix)
            log(f"prefix copied in {self.copy_seconds:.2f} s")
            self.registry.add_wine_prefix(self.prefix, self.env())
        except BaseException:
            self.finish(failed=True)
            raise
        return self

    def __exit__(self, exc_type, exc, traceback):
        self.finish(failed=exc_type is not None)
        return False

    def finish(self, failed):
        if self.registry is None:
            return
        if failed and self.display:
            self.screenshot("failure.png")
        try:
            if self._driver:
                self._driver.close()
        finally:
            self.registry.end_all()
            self.registry = None
        if not failed and not self.keep:
            remove_tree(self.prefix)
        elif failed:
            log(f"kept for inspection: {self.run_dir}")

    def screenshot(self, name):
        path = os.path.join(self.run_dir, name)
        try:
            subprocess.run(["import", "-display", self.display, "-window", "root", path],
                           timeout=20, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        except (OSError, subprocess.TimeoutExpired):
            pass
        return path

    # --- the prefix -------------------------------------------------------

    def env(self, native_tools=False, builtin_tools=False):
        overrides = prefixes.QUIET_DLLS
        if native_tools:
            overrides += ";" + prefixes.NATIVE_TOOLS
        elif builtin_tools:
            overrides += ";" + prefixes.BUILTIN_TOOLS
        return prefixes.wine_env(self.prefix, self.display, overrides, self.layout)

    def real_path(self, windows_path):
        """Where the file a 32-bit program names `windows_path` really is."""
        return self.layout.real_path(windows_path)

    def host(self, windows_path):
        """The host path of a file, named as a 32-bit program in the prefix names it."""
        return prefixes.unix_path(self.prefix, self.real_path(windows_path))

    def read_bytes(self, windows_path):
        with open(self.host(windows_path), "rb") as f:
            return f.read()

    def write_bytes(self, windows_path, data):
        path = self.host(windows_path)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)

    def exists(self, windows_path):
        return os.path.lexists(self.host(windows_path))

    def import_registry(self, text, name="plant.reg", bits=32, encoding=None):
        """Imports a registry-editor text as a program of `bits` would: under a
        64-bit layout HKLM\\Software has a view for each."""
        prefixes.import_registry(self.registry, self.env(), self.run_dir, text, name,
                                 self.layout.loader(bits), encoding)

    def journal(self):
        return read_journal(self.host(prefixes.JOURNAL))

    def settled_journal(self, quiet=1.5, timeout=30.0):
        """The journal once no entry has been added for `quiet` seconds: the
        programs started are not waited for, so their entries come late."""
        path = self.host(prefixes.JOURNAL)
        size = -1
        stable_since = time.monotonic()
        deadline = stable_since + timeout
        while time.monotonic() < deadline:
            current = os.path.getsize(path) if os.path.exists(path) else 0
            if current != size:
                size = current
                stable_since = time.monotonic()
            elif time.monotonic() - stable_since >= quiet:
                break
            time.sleep(0.1)
        return self.journal()

    def install_test_program(self, name, windows_path):
        """Copies one of the test programs (recorder.exe, sleeper.exe) into the prefix."""
        path = self.host(windows_path)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        shutil.copyfile(self.paths.test_program(name), path)

    def install_program(self, folder=PROGRAM_FOLDER, recorded=(), chained=(),
                        files=SHIPPED_FILES + ("msconfig.exe",)):
        """Puts the shipped folder's `files` (by default all, the msconfig.exe
        stand-in included) into `folder`. Each name in `recorded` is replaced by a recorder, so
        the journal shows when the program starts it; for names also in
        `chained` the recorder then runs the real file. The program starts
        its companions from verified copies of its own (data_tree.PROGRAM_COPIES),
        so that file is not beside the recorder but in C:\\e2e\\companions as
        "<stem>.real.exe", where every recorder of that name finds it.

        The shipped DiziTarvix.exe runs only the kill.exe and fservice.exe it
        was built with, and copies no msconfig.exe its build did not record (the
        stand-in never). So where recorders stand in for both programs,
        DiziTarvix.exe is the test build that records the recorder's digest
        and the stand-in's instead; a recorder for only one of them is refused."""
        stand_ins = COMPANIONS & set(recorded)
        if "DiziTarvix.exe" in files and stand_ins not in (set(), COMPANIONS):
            raise ValueError("DiziTarvix.exe runs with recorders for both of " +
                             ", ".join(sorted(COMPANIONS)) + " or for neither")
        host = self.host(folder)
        os.makedirs(host, exist_ok=True)
        for name in files:
            source = self.paths.shipped(name)
            if name == "DiziTarvix.exe" and stand_ins:
                source = self.paths.trusting_program
            if not os.path.exists(source):
                raise RuntimeError("not built: " + source)
            shutil.copyfile(source, os.path.join(host, name))
        for name in recorded:
            real = self.host(prefixes.COMPANION_SETTINGS + "\\" + name.rsplit(".", 1)[0] +
                             ".real.exe")
            if name in chained:
                os.makedirs(os.path.dirname(real), exist_ok=True)
                shutil.copyfile(self.paths.shipped(name), real)
            elif os.path.exists(real):
                os.remove(real)
            self.install_test_program("recorder.exe", folder + "\\" + name)
        return folder

    # --- programs ---------------------------------------------------------

    def run_wine(self, args, cwd="C:\\", timeout=60, native_tools=False):
        """Runs a program in the prefix to its end: (exit code, stdout, stderr)."""
        process = self.registry.popen(
            ["wine"] + list(args), cwd=self.host(cwd), env=self.env(native_tools),
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
            description=args[0])
        out, err = process.communicate(timeout=timeout)
        return process.returncode, out, err

    def start_wine(self, args, cwd="C:\\", stdout=subprocess.DEVNULL):
        """Starts a program in the prefix and leaves it running."""
        return self.registry.popen(
            ["wine"] + list(args), cwd=self.host(cwd), env=self.env(),
            stdin=subprocess.DEVNULL, stdout=stdout, stderr=subprocess.DEVNULL,
            description=args[0])

    def launch(self, folder=PROGRAM_FOLDER, cwd=None, args=(), env=None, native_tools=True):
        """Starts DiziTarvix.exe from `folder`, with `cwd` (default: the same
        folder) as its working folder, as a user would, or with the switches
        `args` as a deployment tool would; `env` adds to its environment.
        Without `native_tools` the system tools it starts are Wine's own, not
        the recorders."""
        self._program_runs += 1
        return Program(self, folder + "\\DiziTarvix.exe", cwd or folder,
                       f"program-{self._program_runs}.log", args, env, native_tools)

    def driver(self):
        if self._driver is None:
            self._driver = Driver(self)
        return self._driver

    def wait_for(self, condition, timeout=10.0, interval=0.1):
        """Polls `condition` until it returns something true; returns that, or
        the last value after `timeout` seconds."""
        deadline = time.monotonic() + timeout
        while True:
            value = condition()
            if value or time.monotonic() >= deadline:
                return value
            time.sleep(interval)


def _ready_line(process, timeout):
    """The "ready <process id>" line a test program started with stdout=PIPE
    (sleeper.exe) writes once it sleeps; None when it ended or stayed silent."""
    selector = selectors.DefaultSelector()
    selector.register(process.stdout, selectors.EVENT_READ)
    deadline = time.monotonic() + timeout
    seen = b""
    try:
        while not (b"ready" in seen and b"\n" in seen[seen.index(b"ready"):]):
            remaining = deadline - time.monotonic()
            if remaining <= 0 or not selector.select(remaining):
                return None
            chunk = os.read(process.stdout.fileno(), 256)
            if not chunk:
                return None
            seen += chunk
        return seen[seen.index(b"ready"):].split(b"\n", 1)[0].decode("latin-1")
    finally:
        selector.close()


def wait_ready(process, timeout=20):
    """Waits for a test program started with stdout=PIPE (sleeper.exe) to write
    "ready"; False when it ended or stayed silent."""
    return _ready_line(process, timeout) is not None


def ready_process_id(process, timeout=20):
    """Waits as wait_ready does; the Windows process id the program wrote, or
    None."""
    line = _ready_line(process, timeout)
    words = line.split() if line else []
    return int(words[1]) if len(words) == 2 and words[1].isdigit() else None
