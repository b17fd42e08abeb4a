"""Whether two pictures of the main window after the demo's scan show the same
look. Each file the scan keeps gets a quarantine id made of the time
("kept in quarantine as: 20240517-142301-01"), so no two scans draw quite the
same log: the rows of the list box that show such a line are left out of the
comparison, and everything else must be the same, pixel for pixel.

The rows are found from the window's state as the harness's driver reads it
(the window's and the list box's places, the list's lines and its selection)
and from the picture itself: the selected line, the scan's last, is the one
row of the list drawn on a colour other than the list's black; the other lines
lie above it, one line height apart."""

import re
import struct
import subprocess
from collections import Counter

import png_file

QUARANTINE_ID = re.compile(r"kept in quarantine as: \d{8}-\d{6}-\d+")
LIST_BACKGROUND = b"\0\0\0"
CLIENT_EDGE = 2  # the list box's sunken border (WS_EX_CLIENTEDGE), in pixels


class Picture:
    """A picture's size and its pixels, three bytes (red, green, blue) each."""

    def __init__(self, width, height, rgb):
        if len(rgb) != width * height * 3:
            raise ValueError(f"{len(rgb)} bytes are no {width}x{height} picture")
        self.width, self.height, self.rgb = width, height, rgb

    @classmethod
    def read(cls, path):
        header = png_file.chunks(path)[0]
        if header[0] != "IHDR":
            raise ValueError(path + " has no PNG header first")
        width, height = struct.unpack(">II", header[1][:8])
        rgb = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], check=True,
                             capture_output=True, timeout=30).stdout
        return cls(width, height, rgb)

    def row(self, y, left, right):
        start = (y * self.width + left) * 3
        return self.rgb[start:start + (right - left) * 3]

    def row_colour(self, y, left, right):
        """The most common colour of the row `y` from `left` to `right`."""
        pixels = self.row(y, left, right)
        return Counter(pixels[i:i + 3] for i in range(0, len(pixels), 3)).most_common(1)[0][0]

    def masked(self, rectangles):
        """The pixels with those of each (left, top, right, bottom) set to black."""
        rgb = bytearray(self.rgb)
        for left, top, right, bottom in rectangles:
            for y in range(max(top, 0), min(bottom, self.height)):
                start = (y * self.width + max(left, 0)) * 3
                end = (y * self.width + min(right, self.width)) * 3
                rgb[start:end] = bytes(end - start)
        return bytes(rgb)


def list_area(main):
    """(left, top, right, bottom) of the list box's inside in the window's
    picture, from the driver's state of the main window: the picture starts at
    the window's outer corner, and the client area lies inside borders of equal
    width on the left, right and bottom."""
    window_width, window_height = main["window"][2:]
    client_width, client_height = main["client"][2:]
    border = (window_width - client_width) // 2
    origin_x, origin_y = border, window_height - client_height - border
    x, y, width, height = main["controls"]["listbox"]["rect"]
    return (origin_x + x + CLIENT_EDGE, origin_y + y + CLIENT_EDGE,
            origin_x + x + width - CLIENT_EDGE, origin_y + y + height - CLIENT_EDGE)


def selected_row(picture, area):
    """(top, height) of the first run of rows inside `area` drawn on one
    colour other than the list's background; None when there is none."""
    left, top, right, bottom = area
    end = min(bottom, picture.height)
    start = colour = None
    for y in range(top, end):
        current = picture.row_colour(y, left, right)
        if start is None:
            if current != LIST_BACKGROUND:
                start, colour = y, current
        elif current != colour:
            return start, y - start
    return None if start is None else (start, end - start)


def id_rows(picture, main):
    """[(left, top, right, bottom)] of the picture: the rows where the list box
    shows a line holding a quarantine id. None when the rows cannot be told:
    no line is selected, or the selected one is not to be seen."""
    lines = main["list"]["items"]
    selection = main["list"]["selection"]
    area = list_area(main)
    found = selected_row(picture, area) if 0 <= selection < len(lines) else None
    if found is None:
        return None
    selected_top, height = found
    left, top, right, _ = area
    rows = []
    for index, line in enumerate(lines):
        row_top = selected_top - (selection - index) * height
        if QUARANTINE_ID.search(line) and top <= row_top <= selected_top:
            rows.append((left, row_top, right, row_top + height))
    return rows


def same_look(old_path, new_path, masked_rows):
    """True when the two pictures are of one size and the same everywhere but
    in `masked_rows`."""
    old, new = Picture.read(old_path), Picture.read(new_path)
    if (old.width, old.height) != (new.width, new.height):
        return False
    return old.masked(masked_rows) == new.masked(masked_rows)
