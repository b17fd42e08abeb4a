#!/usr/bin/env python3
"""Tests of scripts/lib/png_file.py: the demo's pictures carry no time, so the
same picture always gives the same file, whatever ImageMagick's defaults."""

import os
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zlib

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "scripts", "lib"))
import png_file  # noqa: E402


def chunk(kind, data):
    return (struct.pack(">I", len(data)) + kind + data +
            struct.pack(">I", zlib.crc32(kind + data)))


def tiny_png(*extra_chunks):
    """A 1x1 grey PNG with `extra_chunks` before its pixels."""
    header = struct.pack(">IIBBBBB", 1, 1, 8, 0, 0, 0, 0)
    return (png_file.SIGNATURE + chunk(b"IHDR", header) + b"".join(extra_chunks) +
            chunk(b"IDAT", zlib.compress(b"\0\x80")) + chunk(b"IEND", b""))


class PngFileTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)

    def path(self, name):
        return os.path.join(self.folder.name, name)

    def write(self, name, content):
        with open(self.path(name), "wb") as f:
            f.write(content)
        return self.path(name)

    def test_time_chunks_are_named_and_other_text_is_not(self):
        stamped = self.write("stamped.png", tiny_png(
            chunk(b"tIME", bytes([7, 234, 12, 8, 2, 28, 19])),
            chunk(b"tEXt", b"date:create\x002026-12-08T02:28:19+00:00"),
            chunk(b"zTXt", b"date:modify\x00\x00" + zlib.compress(b"2026")),
            chunk(b"tEXt", b"Software\x00ImageMagick")))
        self.assertEqual(png_file.time_chunks(stamped),
                         ["tIME", "tEXt date:create", "zTXt date:modify"])
        plain = self.write("plain.png", tiny_png(chunk(b"tEXt", b"Comment\x00a window")))
        self.assertEqual(png_file.time_chunks(plain), [])

    def test_the_same_picture_cropped_twice_gives_the_same_bytes(self):
        source = self.path("desktop.png")
        subprocess.run(["convert", "-size", "64x48", "gradient:navy-white", source],
                       check=True, timeout=30)
        first, second = self.path("first.png"), self.path("second.png")
        png_file.crop(source, first, [3, 4, 40, 30])
        time.sleep(1.1)  # a time stamp would now differ, to the second
        png_file.crop(source, second, [3, 4, 40, 30])
        self.assertEqual(png_file.time_chunks(first), [])
        with open(first, "rb") as a, open(second, "rb") as b:
            self.assertEqual(a.read(), b.read())
        size = subprocess.run(["identify", "-format", "%wx%h", first], check=True,
                              capture_output=True, text=True, timeout=30).stdout
        self.assertEqual(size, "40x30")


if __name__ == "__main__":
    unittest.main()
