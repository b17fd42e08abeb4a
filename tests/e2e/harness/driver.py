"""The harness's side of driver.exe, which runs in the prefix in its "serve"
mode and takes one command a line (see win/driver/main.cpp)."""

import json
import os
import selectors
import subprocess
import time

import prefix as prefixes


class DriverError(Exception):
    pass


def _quote(word):
    return '"' + word + '"' if (" " in word or not word) else word


class Driver:
    def __init__(self, machine):
        self.machine = machine
        self.transcript = open(os.path.join(machine.run_dir, "driver.log"), "a")
        exe = prefixes.windows_path_of_host(machine.paths.test_program("driver.exe"))
        self.process = machine.registry.popen(
            ["wine", exe, "serve"], cwd=machine.host("C:\\"), env=machine.env(),
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=self.transcript,
            description="driver.exe")
        self._buffer = b""
        self._started = time.monotonic()

    def close(self):
        if self.process.poll() is None:
            try:
                self.process.stdin.close()
                self.process.wait(timeout=5)
            except (OSError, subprocess.TimeoutExpired):
                pass
        self.transcript.close()

    def run(self, *words, timeout_ms=30000, allow_failure=False):
        """Sends one command; returns (succeeded, report text)."""
        line = " ".join(_quote(w) for w in list(words) + ["--timeout", str(timeout_ms)])
        self.transcript.write(f"[{time.monotonic() - self._started:7.2f}] > {line}\n")
        self.transcript.flush()
        self.process.stdin.write(line.encode("latin-1") + b"\n")
        self.process.stdin.flush()
        report, status = self._read_report(timeout_ms / 1000 + 30)
        self.transcript.write(report + f"[{time.monotonic() - self._started:7.2f}] END {status}\n")
        self.transcript.flush()
        if status != 0 and not allow_failure:
            raise DriverError(f"driver command {line!r} failed: {report.strip()}")
        return status == 0, report

    def _read_report(self, timeout):
        deadline = time.monotonic() + timeout
        selector = selectors.DefaultSelector()
        selector.register(self.process.stdout, selectors.EVENT_READ)
        try:
            while True:
                for marker, status in ((b"END 0\n", 0), (b"END 1\n", 1)):
                    end = self._find_end(marker)
                    if end is not None:
                        report = self._buffer[:end].decode("latin-1")
                        self._buffer = self._buffer[end + len(marker):]
                        return report, status
                remaining = deadline - time.monotonic()
                if remaining <= 0:
                    raise DriverError("the driver did not answer in time")
                if selector.select(remaining):
                    chunk = os.read(self.process.stdout.fileno(), 65536)
                    if not chunk:
                        raise DriverError("the driver ended unexpectedly")
                    self._buffer += chunk.replace(b"\r\n", b"\n")
        finally:
            selector.close()

    def _find_end(self, marker):
        if self._buffer.startswith(marker):
            return 0
        index = self._buffer.find(b"\n" + marker)
        return None if index < 0 else index + 1

    # --- commands ---------------------------------------------------------

    @staticmethod
    def _json(report):
        return json.loads(report)

    def wait_window(self, timeout_ms=20000):
        return self._json(self.run("wait-window", timeout_ms=timeout_ms)[1])

    def state(self, timeout_ms=30000):
        return self._json(self.run("state", timeout_ms=timeout_ms)[1])

    def boxes(self, dismiss=True, until="main", timeout_ms=30000, answer=None):
        """The message boxes shown, in order; with `dismiss` each is answered
        with OK (or the button `answer`) and the next awaited until `until`
        ("main": the main window is ready; "exit": the program has ended;
        "none": only those open now)."""
        words = ["boxes", "--until", until] + (["--dismiss"] if dismiss else [])
        words += ["--answer", answer] if answer else []
        report = self.run(*words, timeout_ms=timeout_ms)[1]
        return [json.loads(line) for line in report.splitlines() if line.strip()]

    def click(self, caption, timeout_ms=120000, window=None):
        """Presses a button of the main window, or of the window captioned
        `window`; returns the state once its handler has returned (or has
        opened a message box)."""
        words = ["click", caption] + (["--window", window] if window else [])
        return self._json(self.run(*words, timeout_ms=timeout_ms)[1])

    def select(self, window, control_id, row):
        """Selects a row of a list box of the window captioned `window`."""
        return self._json(self.run("select", str(control_id), str(row), "--window", window)[1])

    def try_click(self, caption):
        """(succeeded, report) without raising: for buttons that must not be clickable."""
        return self.run("click", caption, allow_failure=True)

    def menu(self, caption, timeout_ms=120000):
        return self._json(self.run("menu", caption, timeout_ms=timeout_ms)[1])

    def mouse_click(self, control_id):
        self.run("mouse-click", str(control_id))

    def close_window(self):
        self.run("close")

    def registry(self, key, view=None):
        """The values of a key as the driver (a 32-bit program) sees them, or
        in the registry view `view` ("32" or "64") of a 64-bit Windows."""
        words = ["reg-dump", key] + (["--view", view] if view else [])
        return self._json(self.run(*words)[1])

    def file_info(self, path):
        return self._json(self.run("file-info", path)[1])

    def processes(self):
        return self._json(self.run("processes")[1])

    def watch_windows(self, timeout_ms=120000):
        """Waits for the program to start and to end; the visible top-level
        windows it showed meanwhile, as {"class", "caption"} entries."""
        return self._json(self.run("watch-windows", timeout_ms=timeout_ms)[1])

    def start_bare(self, program, arguments):
        """Starts a program (its path quoted) with the arguments (no quotes in
        them) and without standard handles, as Explorer does; does not wait."""
        return self._json(self.run("start-bare", program, arguments)[1])

    def exit_code(self, timeout_ms=60000):
        """The exit code of the program start_bare started, once it ends."""
        return self._json(self.run("exit-code", timeout_ms=timeout_ms)[1])["code"]


def latin1(text):
    """The program's bytes of a text the driver reported."""
    return text.encode("latin-1")
