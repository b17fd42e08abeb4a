"""A sample infection for the demo: empty files bearing the family's names,
taken from the engine's own signature tables (scan/signatures.h), planted in
the prefix's Windows folder, system folder and legacy system folder."""

import os
import re

from wine_machine import ROOT

SIGNATURES_HEADER = os.path.join(ROOT, "scan", "signatures.h")
FOLDERS = {"Windows": "C:\\windows", "System": "C:\\windows\\system32",
           "LegacySystem": "C:\\windows\\system"}
SERVER_FILES_PER_FOLDER = 2
DOWNLOADER_FILES = 2


def signature_tables(header=SIGNATURES_HEADER):
    """{"ServerSignatures": [(name, folder), ...], "DownloaderSignatures": [...]}
    in table order, as the engine declares them."""
    with open(header) as f:
        text = f.read()
    tables = {}
    for table, body in re.findall(r"(\w+Signatures)\s*=\s*\{\{(.*?)\}\};", text, re.S):
        tables[table] = re.findall(r'\{"\\\\([^"]+)",\s*Folder::(\w+)\}', body)
    # Every entry read, as many as the header declares: a table written in
    # another shape must not quietly shrink the sample.
    declared = dict(re.findall(r"k(\w+)SignatureCount\s*=\s*(\d+);", text))
    for kind in ("Server", "Downloader"):
        found = len(tables.get(kind + "Signatures", []))
        if found == 0 or str(found) != declared.get(kind):
            raise RuntimeError(f"read {found} of the {declared.get(kind)} {kind.lower()} "
                               f"signatures in {header}")
    return tables


def sample(tables):
    """Windows paths of the sample: the first server names of each folder and
    the first downloader names. Among them is C:\\windows\\services.exe,
    named like Windows' own service manager (which runs from the system
    folder): the scan ends only the processes of the file it found, and never
    sends the system's kill by name for it."""
    chosen = []
    for folder in FOLDERS:
        names = [name for name, where in tables["ServerSignatures"] if where == folder]
        chosen += [FOLDERS[folder] + "\\" + name for name in names[:SERVER_FILES_PER_FOLDER]]
    downloader = [FOLDERS[where] + "\\" + name for name, where in tables["DownloaderSignatures"]]
    return chosen + downloader[:DOWNLOADER_FILES]


def plant(machine):
    """Plants the sample in the machine's prefix; returns the Windows paths."""
    paths = sample(signature_tables())
    for path in paths:
        machine.write_bytes(path, b"")
    return paths
