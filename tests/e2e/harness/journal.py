"""The recorders' journal: what the program started and opened, in order."""

import os
from collections import namedtuple

Entry = namedtuple("Entry", "time module command_line")


def read_journal(path, written_order=False):
    """The journal's entries ordered by process creation time (the order in
    which they were started) or, with `written_order`, as the recorders wrote
    them, each with the recorder's own path and the whole command line it was
    given."""
    if not os.path.exists(path):
        return []
    with open(path, "rb") as f:
        text = f.read().decode("latin-1")
    entries = []
    for index, line in enumerate(text.split("\r\n")):
        if not line:
            continue
        time, module, command_line = line.split("\t", 2)
        entries.append((int(time), index, Entry(int(time), module, command_line)))
    if written_order:
        return [entry for _, _, entry in entries]
    return [entry for _, _, entry in sorted(entries)]


def command_lines(entries):
    return [entry.command_line for entry in entries]
