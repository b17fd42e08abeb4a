"""The harness's side of regtool.exe (see win/registry/regtool.cpp): registry
values planted and read back exactly, with any characters and with names that
hold nulls, and other users' hives loaded under HKEY_USERS while a test runs.

A value is (type, data bytes); a key's values are {name: value}."""

import json
import subprocess

import prefix as prefixes
from machine import wait_ready

REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ = 1, 2, 3, 4, 7

# The SID of a prefix's one user (Wine gives every prefix the same): its hive
# is HKEY_CURRENT_USER, and HKEY_USERS\<SID> too.
USER_SID = "S-1-5-21-0-0-0-1000"

ROOTS = {"HKLM": "HKEY_LOCAL_MACHINE", "HKCU": "HKEY_CURRENT_USER", "HKU": "HKEY_USERS"}


def sz(text, kind=REG_SZ):
    """A string value as Windows stores it: UTF-16LE with its null."""
    return (kind, (text + "\0").encode("utf-16-le", "surrogatepass"))


def expand_sz(text):
    return sz(text, REG_EXPAND_SZ)


def dword(number):
    return (REG_DWORD, number.to_bytes(4, "little"))


def listing(values):
    """A key's values as sorted lines, exact and readable: data that is
    UTF-16 text is shown as text, other data in hex."""
    if values is None:
        return None
    lines = []
    for name, (kind, data) in sorted(values.items()):
        try:
            shown = repr(data.decode("utf-16-le"))  # strict: only text that encodes back
        except UnicodeDecodeError:
            shown = data.hex()
        lines.append(f"{name!r}: type {kind}, {shown}")
    return lines


def _reg_key(key):
    root, _, rest = key.partition("\\")
    return ROOTS[root] + "\\" + rest


def _reg_name(name):
    return '"' + name.replace("\\", "\\\\").replace('"', '\\"') + '"'


class RegTool:
    def __init__(self, machine):
        self.machine = machine
        # The driver keeps one session of the prefix running from here on: a
        # session started anew between two programs runs HKLM's RunOnce
        # entries (as Windows does at a start), and planted ones would be gone.
        machine.driver().processes()
        self.exe = prefixes.windows_path_of_host(machine.paths.test_program("regtool.exe"))
        self._imports = 0

    def _run(self, *words):
        code, out, err = self.machine.run_wine([self.exe] + list(words))
        if code != 0:
            raise RuntimeError(f"regtool.exe {words[0]} failed: " + err.decode("latin-1"))
        return out

    def plant(self, keys, bits=32):
        """Sets {key: {name: value}}: through one UTF-16 registry-editor file,
        imported by the registry editor of `bits` (under a 64-bit layout, 64
        plants HKLM\\Software's 64-bit view), and each value whose name holds
        a null (which no such file can hold) through regtool.exe."""
        lines = ["Windows Registry Editor Version 5.00", ""]
        counted = []
        for key, values in keys.items():
            lines.append(f"[{_reg_key(key)}]")
            for name, (kind, data) in values.items():
                if "\0" in name:
                    counted.append((key, name, kind, data))
                else:
                    hex_data = ",".join(f"{b:02x}" for b in data)
                    lines.append(f"{_reg_name(name)}=hex({kind:x}):{hex_data}")
            lines.append("")
        self._imports += 1
        self.machine.import_registry("\n".join(lines) + "\n", f"plant-{self._imports}.reg",
                                     bits=bits, encoding="utf-16")
        for key, name, kind, data in counted:
            self._run("set", key, name.encode("utf-16-le").hex(), str(kind), data.hex())

    def dump(self, keys):
        """{key: {name: value}, or None for a key that does not exist}."""
        report = json.loads(self._run("dump", *keys))
        return {key: None if values is None else
                {bytes.fromhex(v["name"]).decode("utf-16-le", "surrogatepass"):
                 (v["type"], bytes.fromhex(v["data"])) for v in values}
                for key, values in report.items()}

    def keys(self, key):
        """The names of the subkeys of `key`, or None when it does not exist."""
        return json.loads(self._run("keys", key))[key]

    def load_hives(self, hives):
        """Loads {hive name: Windows path of a registry file} under HKEY_USERS;
        returns the process that keeps them loaded (see unload_hives)."""
        words = [self.exe, "load"] + [f"{name}={path}" for name, path in hives.items()]
        process = self.machine.registry.popen(
            ["wine"] + words, cwd=self.machine.host("C:\\"), env=self.machine.env(),
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
            description="regtool.exe load")
        if not wait_ready(process):
            raise RuntimeError(f"regtool.exe could not load {hives}")
        return process

    @staticmethod
    def unload_hives(process):
        process.stdin.close()
        return process.wait(timeout=30)
