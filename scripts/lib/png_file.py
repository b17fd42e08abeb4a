"""PNG pictures the demo keeps: cropped with ImageMagick and written without
the chunks that carry a time (tIME, and the date:create and date:modify text
chunks), so that the same picture always gives the same file."""

import struct
import subprocess

SIGNATURE = b"\x89PNG\r\n\x1a\n"
NO_TIME_CHUNKS = ["-define", "png:exclude-chunks=date,time"]


def chunks(path):
    """[(type, data)] of the PNG file at `path`, in file order."""
    with open(path, "rb") as f:
        content = f.read()
    if not content.startswith(SIGNATURE):
        raise ValueError(path + " is not a PNG file")
    found = []
    offset = len(SIGNATURE)
    while offset + 8 <= len(content):
        length, kind = struct.unpack(">I4s", content[offset:offset + 8])
        found.append((kind.decode("latin-1"), content[offset + 8:offset + 8 + length]))
        offset += 12 + length  # length, type, data, CRC
    return found


def time_chunks(path):
    """Names of the chunks of `path` that carry a time: "tIME", or the
    keyword of a text chunk (tEXt, zTXt, iTXt) whose keyword names a date."""
    named = []
    for kind, data in chunks(path):
        if kind == "tIME":
            named.append(kind)
        elif kind in ("tEXt", "zTXt", "iTXt"):
            keyword = data.split(b"\0", 1)[0].decode("latin-1")
            if "date" in keyword.lower() or "time" in keyword.lower():
                named.append(f"{kind} {keyword}")
    return named


def crop(source, destination, rect):
    """Writes the part of the picture `source` that `rect` ([left, top, width,
    height]) covers to `destination`, without time chunks."""
    left, top, width, height = rect
    subprocess.run(["convert", source, "-crop", f"{width}x{height}+{left}+{top}", "+repage",
                    *NO_TIME_CHUNKS, destination], check=True, timeout=30)
    stamped = time_chunks(destination)
    if stamped:
        raise RuntimeError(f"ImageMagick wrote {destination} with time chunks "
                           f"({', '.join(stamped)}) despite {' '.join(NO_TIME_CHUNKS)}")
