#!/usr/bin/env python3
"""Writes and checks the Windows picture formats the resource script takes.

ImageMagick renders the pictures; this helper turns its raw PPM/PGM output
into the exact files the program needs and parses them back:

  bmp KEY IN.ppm OUT.bmp
      24-bit uncompressed, bottom-up BMP with a BITMAPINFOHEADER. KEY is the
      transparent key colour as RRGGBB; the picture must use it and must not
      hold colours close to it, or the key would leave a fringe.
  ico OUT.ico SIZE:COLOUR.ppm:ALPHA.pgm ...
      An icon with one 24-bit BMP-format entry (colour bitmap plus AND mask)
      per size. A pixel whose alpha is below half is transparent.
  check-jpeg FILE WIDTH HEIGHT
  check-bmp FILE WIDTH HEIGHT KEY
  check-ico FILE SIZE...
      Parse a written file back and fail if it is not what was asked.

Only the Python standard library is used.
"""

import struct
import sys

# A pixel nearer than this to the key colour (sum of channel differences)
# but not equal to it would show as a pinkish fringe round the picture.
KEY_MARGIN = 96


def fail(message):
    sys.exit("winpics: " + message)


def read_netpbm(path, magic, channels):
    """Returns (width, height, bytes) of a binary PPM (P6) or PGM (P5)."""
    with open(path, "rb") as f:
        data = f.read()
    fields = []
    pos = 0
    while len(fields) < 4:
        while pos < len(data) and data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            while pos < len(data) and data[pos:pos + 1] != b"\n":
                pos += 1
            continue
        start = pos
        while pos < len(data) and not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    pos += 1  # the single whitespace byte before the raster
    if fields[0] != magic:
        fail(f"{path}: expected {magic.decode()}, found {fields[0]!r}")
    width, height, maxval = (int(x) for x in fields[1:])
    if maxval != 255:
        fail(f"{path}: expected 8-bit samples, maxval is {maxval}")
    raster = data[pos:pos + width * height * channels]
    if len(raster) != width * height * channels:
        fail(f"{path}: raster is truncated")
    return width, height, raster


def parse_key(text):
    if len(text) != 6:
        fail(f"key colour must be RRGGBB, not {text!r}")
    return tuple(int(text[i:i + 2], 16) for i in (0, 2, 4))


def check_key_use(rgb, width, height, key, name):
    """The key colour must be there, and nothing else may come close to it."""
    key_pixels = 0
    for i in range(width * height):
        pixel = tuple(rgb[3 * i:3 * i + 3])
        if pixel == key:
            key_pixels += 1
        elif sum(abs(a - b) for a, b in zip(pixel, key)) < KEY_MARGIN:
            fail(f"{name}: pixel ({i % width},{i // width}) = {pixel} is close to "
                 f"the key colour but not equal to it")
    if key_pixels == 0:
        fail(f"{name}: the key colour is not used")
    if key_pixels == width * height:
        fail(f"{name}: the picture is empty")
    return key_pixels


def bgr_rows_bottom_up(rgb, width, height):
    """The colour bitmap in BMP order: rows bottom-up, BGR, rows padded to 4."""
    pad = b"\0" * ((-3 * width) % 4)
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            i = 3 * (y * width + x)
            row += bytes((rgb[i + 2], rgb[i + 1], rgb[i]))
        rows.append(bytes(row) + pad)
    return b"".join(rows)


def info_header(width, height, bit_count, image_size, ppm):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bit_count, 0,
                       image_size, ppm, ppm, 0, 0)


def write_bmp(key_text, ppm_path, bmp_path):
    key = parse_key(key_text)
    width, height, rgb = read_netpbm(ppm_path, b"P6", 3)
    check_key_use(rgb, width, height, key, ppm_path)
    pixels = bgr_rows_bottom_up(rgb, width, height)
    # 2835 pixels per metre is 72 dots per inch.
    header = info_header(width, height, 24, len(pixels), 2835)
    offset = 14 + len(header)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    with open(bmp_path, "wb") as f:
        f.write(file_header + header + pixels)


def and_mask_bottom_up(alpha, width, height):
    """1 bit a pixel, set where the pixel is transparent; rows padded to 4."""
    row_bytes = ((width + 31) // 32) * 4
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytearray(row_bytes)
        for x in range(width):
            if alpha[y * width + x] < 128:
                row[x // 8] |= 0x80 >> (x % 8)
        rows.append(bytes(row))
    return b"".join(rows)


def write_ico(ico_path, entries):
    images = []
    for entry in entries:
        try:
            size_text, ppm_path, pgm_path = entry.split(":")
            size = int(size_text)
        except ValueError:
            fail(f"icon entry must be SIZE:COLOUR.ppm:ALPHA.pgm, not {entry!r}")
        width, height, rgb = read_netpbm(ppm_path, b"P6", 3)
        a_width, a_height, alpha = read_netpbm(pgm_path, b"P5", 1)
        if not (width == height == a_width == a_height == size):
            fail(f"{entry}: pictures are not {size} x {size}")
        # Transparent pixels are black in the colour bitmap, so that the
        # AND-then-XOR drawing leaves the screen unchanged there.
        rgb = bytearray(rgb)
        for i in range(size * size):
            if alpha[i] < 128:
                rgb[3 * i:3 * i + 3] = b"\0\0\0"
        xor = bgr_rows_bottom_up(rgb, size, size)
        mask = and_mask_bottom_up(alpha, size, size)
        # The height counts the colour bitmap and the mask together.
        header = info_header(size, 2 * size, 24, len(xor) + len(mask), 0)
        images.append((size, header + xor + mask))
    offset = 6 + 16 * len(images)
    directory = struct.pack("<HHH", 0, 1, len(images))
    body = b""
    for size, data in images:
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 24,
                                 len(data), offset + len(body))
        body += data
    with open(ico_path, "wb") as f:
        f.write(directory + body)


def read_bmp_info(data, at, name):
    if len(data) < at + 40:
        fail(f"{name}: bitmap header is truncated")
    (size, width, height, planes, bits, compression, image_size,
     _, _, _, _) = struct.unpack_from("<IiiHHIIiiII", data, at)
    if size != 40:
        fail(f"{name}: header is {size} bytes, not a BITMAPINFOHEADER")
    if planes != 1 or bits != 24 or compression != 0:
        fail(f"{name}: planes {planes}, {bits} bits, compression {compression}; "
             f"expected 1 plane, 24 bits, uncompressed")
    return width, height, image_size


def check_bmp(path, want_width, want_height, key_text):
    key = parse_key(key_text)
    with open(path, "rb") as f:
        data = f.read()
    magic, file_size, _, _, offset = struct.unpack_from("<2sIHHI", data, 0)
    if magic != b"BM" or file_size != len(data):
        fail(f"{path}: not a BMP or its size field is wrong")
    width, height, image_size = read_bmp_info(data, 14, path)
    if (width, height) != (want_width, want_height):
        fail(f"{path}: {width} x {height}, expected {want_width} x {want_height} "
             f"(a positive height, that is bottom-up)")
    stride = (3 * width + 3) // 4 * 4
    if image_size != stride * height or offset + image_size != len(data):
        fail(f"{path}: pixel data size does not match the header")
    rgb = bytearray()
    for y in range(height - 1, -1, -1):
        row = data[offset + y * stride:offset + y * stride + 3 * width]
        for x in range(width):
            b, g, r = row[3 * x:3 * x + 3]
            rgb += bytes((r, g, b))
    key_pixels = check_key_use(rgb, width, height, key, path)
    # The key colour must reach the edges: it is the background.
    corners = [rgb[0:3], rgb[3 * (width - 1):3 * width],
               rgb[3 * width * (height - 1):3 * width * (height - 1) + 3],
               rgb[-3:]]
    if any(tuple(c) != key for c in corners):
        fail(f"{path}: the corners are not the key colour")
    print(f"{path}: {width} x {height}, 24-bit, bottom-up, uncompressed, "
          f"{len(data)} bytes, {key_pixels} key-colour pixels")


def check_jpeg(path, want_width, want_height):
    """A baseline (not progressive) colour JPEG of the given size, no metadata."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"\xff\xd8":
        fail(f"{path}: not a JPEG")
    pos = 2
    while pos + 4 <= len(data):
        if data[pos] != 0xFF:
            fail(f"{path}: broken marker at byte {pos}")
        marker = data[pos + 1]
        length = struct.unpack_from(">H", data, pos + 2)[0]
        if marker in (0xE1, 0xED, 0xFE):
            fail(f"{path}: holds metadata (marker FF{marker:02X})")
        if 0xC0 <= marker <= 0xCF and marker not in (0xC4, 0xC8, 0xCC):
            if marker != 0xC0:
                fail(f"{path}: frame type FF{marker:02X}, expected baseline FFC0")
            _, height, width, components = struct.unpack_from(">BHHB", data, pos + 4)
            if (width, height) != (want_width, want_height) or components != 3:
                fail(f"{path}: {width} x {height} with {components} components, "
                     f"expected {want_width} x {want_height} in colour")
            print(f"{path}: {width} x {height}, baseline, {len(data)} bytes")
            return
        pos += 2 + length
    fail(f"{path}: no frame header")


def check_ico(path, sizes):
    want = [int(s) for s in sizes]
    with open(path, "rb") as f:
        data = f.read()
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 1:
        fail(f"{path}: not an icon file")
    if count != len(want):
        fail(f"{path}: {count} images, expected {len(want)}")
    end = 6 + 16 * count
    for n in range(count):
        (width, height, colours, _, planes, bits, length,
         offset) = struct.unpack_from("<BBBBHHII", data, 6 + 16 * n)
        width, height = width or 256, height or 256
        size = want[n]
        if (width, height) != (size, size) or colours != 0 or planes != 1 or bits != 24:
            fail(f"{path}: entry {n} is {width} x {height}, {bits} bits; "
                 f"expected {size} x {size}, 24 bits")
        if offset != end or offset + length > len(data):
            fail(f"{path}: entry {n} lies outside the file or overlaps another")
        if data[offset:offset + 8] == b"\x89PNG\r\n\x1a\n":
            fail(f"{path}: entry {n} is PNG, not BMP")
        b_width, b_height, image_size = read_bmp_info(data, offset, path)
        xor = size * ((3 * size + 3) // 4 * 4)
        mask = size * ((size + 31) // 32 * 4)
        if (b_width, b_height) != (size, 2 * size):
            fail(f"{path}: entry {n} bitmap is {b_width} x {b_height}, "
                 f"expected {size} x {2 * size}")
        if image_size != xor + mask or length != 40 + xor + mask:
            fail(f"{path}: entry {n} lacks its colour bitmap or AND mask")
        mask_bits = data[offset + 40 + xor:offset + 40 + xor + mask]
        row_bytes = (size + 31) // 32 * 4
        transparent = sum(bin(mask_bits[r * row_bytes + c // 8] >> (7 - c % 8) & 1).count("1")
                          for r in range(size) for c in range(size))
        print(f"{path}: entry {n}: {size} x {size}, 24-bit BMP with AND mask, "
              f"{transparent} transparent pixels")
        end = offset + length
    if end != len(data):
        fail(f"{path}: {len(data) - end} stray bytes at the end")


def main(argv):
    if len(argv) == 4 and argv[0] == "bmp":
        write_bmp(*argv[1:])
    elif len(argv) >= 3 and argv[0] == "ico":
        write_ico(argv[1], argv[2:])
    elif len(argv) == 4 and argv[0] == "check-jpeg":
        check_jpeg(argv[1], int(argv[2]), int(argv[3]))
    elif len(argv) == 5 and argv[0] == "check-bmp":
        check_bmp(argv[1], int(argv[2]), int(argv[3]), argv[4])
    elif len(argv) >= 3 and argv[0] == "check-ico":
        check_ico(argv[1], argv[2:])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:])
