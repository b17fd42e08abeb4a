#!/usr/bin/env python3
"""Tests of scripts/lib/window_look.py on small made-up pictures of a window:
the rows of the quarantine ids are found from the selected line up, and two
pictures look the same only when they differ in those rows alone."""

import os
import subprocess
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "scripts", "lib"))
import window_look  # noqa: E402

GREY, BLACK, LIME, BLUE, WHITE = b"\xe3\xe3\xe3", b"\0\0\0", b"\0\xff\0", b"\x30\x96\xfa", \
    b"\xff\xff\xff"
LINE_HEIGHT = 4
LINES = ["  Scanning... *Start*", "   +-> kept in quarantine as: 20261208-133526-01", "",
         "   +-> kept in quarantine as: 20261208-133528-02", "  Logs Has Been Saved",
         "[ EUW | WWW.EXAMPLE.ORG ]"]


def main_state(lines=LINES, selection=len(LINES) - 1):
    """The driver's state of a 60x50 window with a client area of 54x41 (so
    borders of 3 and 6 rows of title above it) whose list box lies at 2,2 in
    it, 50 wide and 24 high: its inside runs from 7,10 to 53,30, five lines."""
    return {"window": [100, 100, 60, 50], "client": [0, 0, 54, 41],
            "controls": {"listbox": {"rect": [2, 2, 50, 24]}},
            "list": {"items": lines, "selection": selection}}


def window_pixels(shown_lines, selected, stamp=b""):
    """A picture as the state above describes it: grey, the list black from
    row 10, each line `LINE_HEIGHT` rows high with a lime pixel for every
    fourth character, as sparse as text (for a quarantine line, the stamp's
    bytes change some of them), the selected one blue."""
    width, height = 60, 50
    rgb = bytearray(GREY * width * height)

    def paint(x, y, colour):
        rgb[(y * width + x) * 3:(y * width + x) * 3 + 3] = colour

    for y in range(10, 30):
        for x in range(7, 53):
            paint(x, y, BLACK)
    for row, line in enumerate(shown_lines):
        top = 10 + row * LINE_HEIGHT
        for y in range(top, top + LINE_HEIGHT):
            for x in range(7, 53):
                paint(x, y, BLUE if row == selected else BLACK)
        for x, character in zip(range(8, 52), line):
            if character != " " and x % 4 == 0:
                paint(x, top + 1, WHITE if row == selected else LIME)
        if window_look.QUARANTINE_ID.search(line):
            for offset, byte in enumerate(stamp):
                paint(40 + offset, top + 2, bytes([0, byte, 0]))
    return window_look.Picture(width, height, bytes(rgb))


class WindowLookTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)

    def save(self, name, picture):
        path = os.path.join(self.folder.name, name)
        subprocess.run(["convert", "-size", f"{picture.width}x{picture.height}", "-depth", "8",
                        "rgb:-", path], input=picture.rgb, check=True, timeout=30)
        return path

    def test_the_rows_of_the_shown_quarantine_lines_are_found_from_the_selection_up(self):
        # Lines 1 to 5 are shown, the last selected.
        picture = window_pixels(LINES[1:], selected=4)
        self.assertEqual(window_look.list_area(main_state()), (7, 10, 53, 30))
        self.assertEqual(window_look.selected_row(picture, (7, 10, 53, 30)), (26, 4))
        # Line 1 at row 10, line 3 at row 18; line 0 would be above the list.
        self.assertEqual(window_look.id_rows(picture, main_state()),
                         [(7, 10, 53, 14), (7, 18, 53, 22)])

    def test_no_rows_can_be_told_without_a_selected_line_in_sight(self):
        unselected = window_pixels(LINES[1:], selected=None)
        self.assertIsNone(window_look.id_rows(unselected, main_state()))
        self.assertIsNone(window_look.id_rows(window_pixels(LINES[1:], selected=4),
                                              main_state(selection=-1)))

    def test_pictures_differing_only_in_the_ids_look_the_same(self):
        old = self.save("old.png", window_pixels(LINES[1:], 4, stamp=b"\x10\x20\x30"))
        new_picture = window_pixels(LINES[1:], 4, stamp=b"\x40\x50\x60")
        new = self.save("new.png", new_picture)
        self.assertNotEqual(window_look.Picture.read(old).rgb, window_look.Picture.read(new).rgb)
        rows = window_look.id_rows(new_picture, main_state())
        self.assertTrue(window_look.same_look(old, new, rows))
        # Without the rows masked they differ.
        self.assertFalse(window_look.same_look(old, new, []))

    def test_any_other_difference_is_a_new_look(self):
        old = self.save("old.png", window_pixels(LINES[1:], 4, stamp=b"\x10"))
        rows = window_look.id_rows(window_pixels(LINES[1:], 4), main_state())
        other_line = list(LINES[1:])
        other_line[1] = "  the line between them changed"
        changed = self.save("line.png", window_pixels(other_line, 4, stamp=b"\x10"))
        self.assertFalse(window_look.same_look(old, changed, rows))
        # A pixel outside the list (the title bar).
        title = window_pixels(LINES[1:], 4, stamp=b"\x10")
        rgb = bytearray(title.rgb)
        rgb[3 * (2 * 60 + 5)] = 0
        retitled = self.save("title.png", window_look.Picture(60, 50, bytes(rgb)))
        self.assertFalse(window_look.same_look(old, retitled, rows))
        # A window of another size.
        smaller = self.save("smaller.png", window_look.Picture(1, 1, GREY))
        self.assertFalse(window_look.same_look(old, smaller, rows))


if __name__ == "__main__":
    unittest.main()
