"""Processes the harness starts, and the guarantee that they all end.

Every process is started through a ProcessRegistry, which remembers it by id
and start time. `end_all` ends what is still running. A watchdog, detached
from the harness, does the same if the harness itself is killed (for example
by a test timeout), so nothing outlives a test run either way.
"""

import json
import os
import shutil
import signal
import subprocess
import sys
import time


def start_time_of(pid):
    """The kernel's start time of a running process (clock ticks since boot),
    or None when it has ended (a zombie has ended too). Together with the id it
    names one process, even after the id has been reused."""
    try:
        with open(f"/proc/{pid}/stat", "rb") as stat:
            fields = stat.read().rsplit(b")", 1)[1].split()
        if fields[0] == b"Z":
            return None
        return int(fields[19])
    except (OSError, IndexError, ValueError):
        return None


def wine_processes(prefix):
    """The processes running in the Wine prefix `prefix`, as Linux `ps` sees
    them: (Linux process id, Windows program) pairs, the program being the
    first word of the Windows command line Wine shows."""
    found = []
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open(f"/proc/{name}/environ", "rb") as f:
                environment = f.read().split(b"\0")
            with open(f"/proc/{name}/cmdline", "rb") as f:
                words = f.read().split(b"\0")
        except OSError:
            continue
        if b"WINEPREFIX=" + os.fsencode(prefix) in environment and start_time_of(int(name)):
            found.append((int(name), words[0].decode("latin-1")))
    return found


def alive(pid, started):
    return start_time_of(pid) == started


def end_process(pid, started, grace=2.0):
    """Ends one process by id: SIGTERM, then SIGKILL after `grace` seconds."""
    for sig, wait in ((signal.SIGTERM, grace), (signal.SIGKILL, 2.0)):
        if not alive(pid, started):
            return
        try:
            os.kill(pid, sig)
        except ProcessLookupError:
            return
        deadline = time.monotonic() + wait
        while time.monotonic() < deadline and alive(pid, started):
            time.sleep(0.05)


def state_file_for_this_process(folder):
    """A file name no other harness process uses, even one started later with
    the same process id."""
    os.makedirs(folder, exist_ok=True)
    return os.path.join(folder, f"{os.getpid()}-{start_time_of(os.getpid())}.json")


class ProcessRegistry:
    """The processes one scenario started, plus what must run at the end. A
    watchdog ends them if the harness cannot (see start_watchdog)."""

    def __init__(self, watchdog_folder):
        self.state_file = state_file_for_this_process(watchdog_folder)
        self.processes = []  # (Popen, start time, description)
        self.wine_prefixes = []  # (prefix, environment) whose wineserver must be ended
        self._save()
        start_watchdog(self.state_file)

    def popen(self, args, description=None, **kwargs):
        process = subprocess.Popen(args, **kwargs)
        self.processes.append((process, start_time_of(process.pid), description or args[0]))
        self._save()
        return process

    def add_wine_prefix(self, prefix, env):
        self.wine_prefixes.append((prefix, env))
        self._save()

    def end_all(self):
        """Ends the prefixes' wineservers, then every process still running,
        each by its id. Safe to call more than once."""
        for prefix, env in self.wine_prefixes:
            kill_wineserver(env)
        for process, started, _ in reversed(self.processes):
            end_process(process.pid, started)
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                pass
        for prefix, env in self.wine_prefixes:
            wait_wineserver(env)
        self.processes.clear()
        self.wine_prefixes.clear()
        try:
            os.remove(self.state_file)
        except FileNotFoundError:
            pass

    def _save(self):
        state = {
            "harness": [os.getpid(), start_time_of(os.getpid())],
            "processes": [[p.pid, started] for p, started, _ in self.processes],
            "wine": [{key: env[key]
                      for key in ("WINEPREFIX", "WINEARCH", "TMPDIR", "PATH", "HOME")
                      if key in env} for _, env in self.wine_prefixes],
        }
        temporary = self.state_file + ".new"
        with open(temporary, "w") as out:
            json.dump(state, out)
        os.replace(temporary, self.state_file)


def _wineserver(flag, env, timeout):
    try:
        subprocess.run(["wineserver", flag], env=env, timeout=timeout,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    except subprocess.TimeoutExpired:
        pass


def kill_wineserver(env, timeout=20):
    """Ends every process of the prefix in `env`."""
    _wineserver("-k", env, timeout)


def wait_wineserver(env, timeout=20):
    """Waits until the prefix in `env` has no process left."""
    _wineserver("-w", env, timeout)


def start_watchdog(state_file):
    """Starts a process, detached from the harness and its terminal, that waits
    for the harness to end. If the harness ends while `state_file` still
    exists (it was killed before it could clean up), the watchdog ends the
    processes and wineservers listed there."""
    harness_pid = os.getpid()
    harness_started = start_time_of(harness_pid)
    first = os.fork()
    if first:
        os.waitpid(first, 0)
        return
    # Child: a new machine, then a grandchild that no test runner's process-tree
    # kill reaches.
    try:
        os.setsid()
        if os.fork():
            os._exit(0)
        devnull = os.open(os.devnull, os.O_RDWR)
        for fd in (0, 1, 2):
            os.dup2(devnull, fd)
        os.closerange(3, 65536)
        while alive(harness_pid, harness_started):
            time.sleep(0.5)
        if os.path.exists(state_file):
            with open(state_file) as f:
                state = json.load(f)
            for env in state.get("wine", []):
                kill_wineserver(env)
            for pid, started in reversed(state.get("processes", [])):
                end_process(pid, started)
            os.remove(state_file)
    except Exception:  # the watchdog must never outlive its purpose
        pass
    os._exit(0)


class Xvfb:
    """A private X display for one scenario, ended by its process id."""

    def __init__(self, registry, log_path):
        read_end, write_end = os.pipe()
        with open(log_path, "ab") as log:
            self.process = registry.popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
                 "-nolisten", "tcp", "-noreset"],
                description="Xvfb", pass_fds=(write_end,), stdout=log, stderr=log)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + 20
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_end)
        if not number.strip().isdigit():
            raise RuntimeError("Xvfb did not report its display number")
        self.display = ":" + number.decode().strip()


def install_signal_handlers(deadline_seconds):
    """Turns a timeout, Ctrl-C, SIGTERM and SIGHUP into exceptions, so that the
    harness's `finally` blocks run and end everything it started."""

    def on_alarm(signum, frame):
        raise TimeoutError(f"the scenario took longer than {deadline_seconds} s")

    def on_term(signum, frame):
        raise SystemExit(f"ended by signal {signum}")

    signal.signal(signal.SIGALRM, on_alarm)
    signal.signal(signal.SIGINT, signal.default_int_handler)  # also when started ignoring it
    signal.signal(signal.SIGTERM, on_term)
    signal.signal(signal.SIGHUP, on_term)
    signal.alarm(deadline_seconds)


def log(message):
    print(message, flush=True)
    sys.stdout.flush()



def remove_tree(path):
    if os.path.lexists(path):
        shutil.rmtree(path)
