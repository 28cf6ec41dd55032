#!/usr/bin/env python3
"""Writes tunestow.ico: one 16x16 image, 32 bits per pixel with alpha.

The artwork is the pixel map below: a blue note dropping into an open
cardboard archive box. Edit the map and run this script again.
"""
import pathlib
import struct

ART = [
    "..........KK....",
    "..........KBK...",
    "..........KBBK..",
    "..........KB.K..",
    "..........KB....",
    "......KKKKKB....",
    ".....KBBBBKB....",
    ".....KBBBBK.....",
    "DDD...KKKK...DDD",
    "DLLD........DLLD",
    "DLLLDDDDDDDDLLLD",
    "DWWWWWWWWWWWWWWD",
    "DWWWWWDDDDWWWWWD",
    "DWWWWWWWWWWWWWWD",
    "DWWWWWWWWWWWWWWD",
    "DDDDDDDDDDDDDDDD",
]

COLOURS = {  # (blue, green, red, alpha)
    ".": (0, 0, 0, 0),
    "K": (90, 40, 20, 255),     # note outline, dark blue
    "B": (230, 140, 40, 255),   # note body, blue
    "D": (20, 60, 110, 255),    # box outline, brown
    "L": (70, 140, 200, 255),   # open flaps, cardboard
    "W": (90, 170, 225, 255),   # box front, light cardboard
}


def icon_bytes():
    size = 16
    pixels = b"".join(
        bytes(COLOURS[ch]) for row in reversed(ART) for ch in row  # bottom-up rows
    )
    mask_row = 4  # 16 bits padded to 32
    and_mask = b"".join(
        int("".join("1" if ch == "." else "0" for ch in row), 2).to_bytes(2, "big") + b"\0\0"
        for row in reversed(ART)
    )
    assert len(and_mask) == size * mask_row
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         len(pixels) + len(and_mask), 0, 0, 0, 0)
    image = header + pixels + and_mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


if __name__ == "__main__":
    assert all(len(row) == 16 for row in ART) and len(ART) == 16
    out = pathlib.Path(__file__).with_name("tunestow.ico")
    out.write_bytes(icon_bytes())
    print(f"wrote {out}")
