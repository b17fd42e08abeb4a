"""The test prefix: a Wine prefix of one layout (layout.py) made once per test
run, with the recording stand-ins installed, and copied afresh for every
scenario.

Inside the prefix, C:\\e2e holds the journal and the recording handlers:

  C:\\windows\\system32\\taskkill.exe, shutdown.exe, reg.exe, schtasks.exe   recorders, in place
      of Wine's own tools (they run only with NATIVE_TOOLS in the environment),
      in the folder where a 32-bit program's "system32" really is
  C:\\e2e\\open-url.exe   the shell's "open" handler for http and https
  C:\\e2e\\open-txt.exe   the shell's "open" handler for .txt files
  C:\\e2e\\journal.txt    one line per start of any recorder (see recorder.cpp)
  C:\\e2e\\companions     the recorders' settings ("kill.real.exe", "fservice.linger",
      ...) for the copies of the companions that the program starts from its own
      folder, where the tests put nothing
"""

import os
import shutil
import subprocess
import time

from layout import SYSTEM32, WIN32
from processes import ProcessRegistry, Xvfb, kill_wineserver, log, remove_tree, wait_wineserver

E2E_FOLDER = "C:\\e2e"
JOURNAL = E2E_FOLDER + "\\journal.txt"
URL_HANDLER = E2E_FOLDER + "\\open-url.exe"
TEXT_HANDLER = E2E_FOLDER + "\\open-txt.exe"
COMPANION_SETTINGS = E2E_FOLDER + "\\companions"


def companion_setting(name):
    """Where a recorder standing in for a companion finds its setting file
    `name` ("fservice.linger", ...)."""
    return COMPANION_SETTINGS + "\\" + name
SYSTEM_TOOLS = ("taskkill.exe", "shutdown.exe", "reg.exe", "schtasks.exe")

# With this, a program started under Wine runs the prefix's own taskkill.exe,
# shutdown.exe, reg.exe and schtasks.exe files (the recorders) instead of
# Wine's built-in tools; its child processes inherit it. (Wine's own schtasks
# takes only /create /xml: it could not make the start-up task anyway.)
NATIVE_TOOLS = "shutdown.exe,taskkill.exe,reg.exe,schtasks.exe=n"
# With this, Wine's built-in tools run whatever file is in their place: on a
# 64-bit layout a 32-bit program would otherwise run syswow64's recorder.
BUILTIN_TOOLS = "shutdown.exe,taskkill.exe,reg.exe,schtasks.exe=b"
# No Mono or Gecko installer dialogs, no desktop menu entries on the host.
QUIET_DLLS = "mscoree,mshtml=;winemenubuilder.exe=d"

# The shell handlers; and windows not left to a window manager, since the test
# displays have none: otherwise Wine waits up to 2 s for one each time a
# window is hidden (every message box answered, every program's end).
PREFIX_SETTINGS_REG = r"""REGEDIT4

[-HKEY_CLASSES_ROOT\http\shell\open\ddeexec]
[HKEY_CLASSES_ROOT\http\shell\open\command]
@="\"C:\\e2e\\open-url.exe\" \"%1\""

[-HKEY_CLASSES_ROOT\https\shell\open\ddeexec]
[HKEY_CLASSES_ROOT\https\shell\open\command]
@="\"C:\\e2e\\open-url.exe\" \"%1\""

[HKEY_CLASSES_ROOT\.txt]
@="txtfile"

[-HKEY_CLASSES_ROOT\txtfile\shell\open\ddeexec]
[HKEY_CLASSES_ROOT\txtfile\shell\open\command]
@="\"C:\\e2e\\open-txt.exe\" \"%1\""

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
"""


def wine_env(prefix, display=None, dll_overrides=QUIET_DLLS, layout=WIN32):
    env = dict(os.environ)
    env.update({
        "WINEPREFIX": prefix,
        # Debian's Wine makes its server's folder (wine-XXXXXX) in TMPDIR and
        # records its name in the prefix; in the prefix, it goes with it.
        "TMPDIR": prefix,
        "WINEARCH": layout.arch,
        "WINEDEBUG": "-all",
        "WINEDLLOVERRIDES": dll_overrides,
        "LC_ALL": "C.UTF-8",
    })
    if display:
        env["DISPLAY"] = display
    else:
        env.pop("DISPLAY", None)
    return env


def unix_path(prefix, windows_path):
    """The host path of a C: path inside the prefix."""
    drive, _, rest = windows_path.partition(":")
    if drive.upper() != "C":
        raise ValueError("only C: paths live in the prefix: " + windows_path)
    parts = [part for part in rest.split("\\") if part]
    return os.path.join(prefix, "drive_c", *parts)


def windows_path_of_host(path):
    """The Z: path under which Wine shows a host file."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def import_registry(registry, env, work_dir, text, name="import.reg", loader="wine",
                    encoding=None):
    """Imports a registry-editor text with Wine's own regedit, run by `loader`:
    REGEDIT4 in the default encoding, or "Windows Registry Editor Version 5.00"
    with encoding="utf-16" for text beyond ANSI. Under a 64-bit layout "wine"
    runs the 32-bit regedit, which writes HKLM\\Software in the 32-bit view (see
    Layout.loader)."""
    reg_file = os.path.join(work_dir, name)
    with open(reg_file, "w", newline="\r\n", encoding=encoding) as out:
        out.write(text)
    process = registry.popen([loader, "regedit", "/S", windows_path_of_host(reg_file)],
                             env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if process.wait(timeout=60) != 0:
        raise RuntimeError("regedit could not import " + reg_file)


def make_base_prefix(base, test_programs_dir, work_dir, layout=WIN32):
    """Makes the base prefix of `layout` from nothing and installs the stand-ins."""
    remove_tree(base)
    os.makedirs(work_dir, exist_ok=True)
    registry = ProcessRegistry(os.path.join(work_dir, "watchdog"))
    logs = os.path.join(work_dir, os.path.basename(base))  # base-prefix.xvfb.log, ...
    try:
        display = Xvfb(registry, logs + ".xvfb.log")
        env = wine_env(base, display.display, layout=layout)
        registry.add_wine_prefix(base, env)
        started = time.monotonic()
        with open(logs + ".wineboot.log", "wb") as out:
            boot = registry.popen(["wineboot", "-i"], env=env, stdout=out, stderr=out)
            if boot.wait(timeout=240) != 0:
                raise RuntimeError("wineboot -i failed")
        wait_wineserver(env, timeout=120)
        log(f"{layout.name} prefix created by wineboot in {time.monotonic() - started:.1f} s")

        recorder = os.path.join(test_programs_dir, "recorder.exe")
        system32 = unix_path(base, layout.real_path(SYSTEM32))
        for tool in SYSTEM_TOOLS:
            shutil.copyfile(recorder, os.path.join(system32, tool))
        os.makedirs(unix_path(base, E2E_FOLDER), exist_ok=True)
        for handler in (URL_HANDLER, TEXT_HANDLER):
            shutil.copyfile(recorder, unix_path(base, handler))
        import_registry(registry, env, work_dir, PREFIX_SETTINGS_REG,
                        os.path.basename(base) + ".settings.reg")
        kill_wineserver(env)
        wait_wineserver(env)
        log(f"base prefix ready in {time.monotonic() - started:.1f} s: {base}")
    finally:
        registry.end_all()


def copy_prefix(base, destination):
    """A scenario's own copy of the base prefix; returns the seconds it took."""
    if not os.path.isdir(os.path.join(base, "drive_c")):
        raise RuntimeError("no base prefix at " + base + " (the e2e.base_prefix test makes it)")
    remove_tree(destination)
    started = time.monotonic()
    subprocess.run(["cp", "-a", base, destination], check=True)
    return time.monotonic() - started
