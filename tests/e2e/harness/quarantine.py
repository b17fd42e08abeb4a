"""The quarantine as the tests read it from outside the program: its folder,
its manifest's events, and each item's original bytes (quarantine/item_format.h:
a 16-byte header, then the original masked with an xorshift32 sequence)."""

import json

import data_tree

FOLDER = data_tree.QUARANTINE
MANIFEST = FOLDER + "\\manifest.jsonl"
HEADER = b"DZTQUAR\x1a\x01\x00\x00\x00\x00\x00\x00\x00"
KEPT_LINE = "   +-> kept in quarantine as: "
NOT_KEPT_LINE = "   +-> could not be kept in quarantine: "


def unmask(data):
    """The mask is its own inverse: applied to an item's body it gives the original."""
    state = 0x2545F491
    out = bytearray(data)
    for start in range(0, len(out), 4):
        state ^= (state << 13) & 0xFFFFFFFF
        state ^= state >> 17
        state ^= (state << 5) & 0xFFFFFFFF
        for i, byte in enumerate(state.to_bytes(4, "little")[:len(out) - start]):
            out[start + i] ^= byte
    return bytes(out)


def item_path(item_id):
    return FOLDER + "\\" + item_id + ".dzq"


def recovered(machine, item_id):
    """The original bytes kept as `item_id`; None when the item is missing or
    not an item."""
    path = item_path(item_id)
    if not machine.exists(path):
        return None
    data = machine.read_bytes(path)
    return unmask(data[len(HEADER):]) if data.startswith(HEADER) else None


def events(machine):
    """The manifest's events, in order; [] when there is no manifest."""
    if not machine.exists(MANIFEST):
        return []
    text = machine.read_bytes(MANIFEST).decode("utf-8")
    return [json.loads(line) for line in text.split("\n") if line]


def log_lines(machine):
    """{path (lower case): the log line of its find}, from the manifest's last
    "kept" or "not kept" event for the path."""
    lines = {}
    for event in events(machine):
        if event["event"] == "kept":
            lines[event["path"].lower()] = KEPT_LINE + event["id"]
        elif event["event"] == "not kept":
            lines[event["path"].lower()] = NOT_KEPT_LINE + event["reason"]
    return lines


def kept_items(machine):
    """{path (lower case): id} of every "kept" event."""
    return {e["path"].lower(): e["id"] for e in events(machine) if e["event"] == "kept"}
