#!/usr/bin/env python3
"""Checks the rendered program icon files:
    check-images.py png FILE SIDE     a PNG of SIDE x SIDE pixels with an alpha channel
    check-images.py ico FILE SIDE...  a Windows icon with one entry per SIDE, in that order, each
                                      a 32-bit bitmap (with its mask) or a PNG, inside the file
Exits non-zero with the reason on the first fault."""
import struct
import sys

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def fail(message):
    sys.exit(f"check-images: {message}")


def png_size(data, name):
    if not data.startswith(PNG_SIGNATURE) or data[12:16] != b"IHDR":
        fail(f"{name} is not a PNG")
    width, height, depth, colour = struct.unpack(">IIBB", data[16:26])
    if colour != 6 or depth != 8:
        fail(f"{name} is not 8-bit RGBA (depth {depth}, colour type {colour})")
    return width, height


def check_png(path, side):
    with open(path, "rb") as f:
        size = png_size(f.read(), path)
    if size != (side, side):
        fail(f"{path} is {size[0]} x {size[1]}, not {side} x {side}")


def check_ico(path, sides):
    with open(path, "rb") as f:
        data = f.read()
    reserved, kind, count = struct.unpack("<HHH", data[:6])
    if reserved != 0 or kind != 1 or count != len(sides):
        fail(f"{path}: header {reserved} {kind} {count}, expected an icon with {len(sides)} entries")
    for index, side in enumerate(sides):
        width, height, _, _, planes, bits, length, offset = struct.unpack("<BBBBHHII", data[6 + 16 * index:22 + 16 * index])
        if (width or 256, height or 256) != (side, side) or planes != 1 or bits != 32:
            fail(f"{path}: entry {index} is {width} x {height} ({planes} planes, {bits} bits), not {side} x {side}")
        image = data[offset:offset + length]
        if offset + length > len(data) or len(image) != length:
            fail(f"{path}: entry {index} lies outside the file")
        if image.startswith(PNG_SIGNATURE):
            if png_size(image, f"{path} entry {index}") != (side, side):
                fail(f"{path}: entry {index}'s PNG is not {side} x {side}")
            continue
        header, bitmap_width, bitmap_height, bitmap_planes, bitmap_bits = struct.unpack("<IiiHH", image[:16])
        mask_stride = (side + 31) // 32 * 4
        if (header, bitmap_width, bitmap_height, bitmap_planes, bitmap_bits) != (40, side, 2 * side, 1, 32):
            fail(f"{path}: entry {index}'s bitmap header does not describe a 32-bit {side} x {side} icon")
        if length != 40 + side * side * 4 + mask_stride * side:
            fail(f"{path}: entry {index} holds {length} bytes, not a {side} x {side} bitmap and mask")
        alpha = image[40 + 3:40 + side * side * 4:4]
        if not any(alpha) or all(a == 255 for a in alpha):
            fail(f"{path}: entry {index} is empty or has no transparent border")


def main():
    if len(sys.argv) < 4 or sys.argv[1] not in ("png", "ico"):
        fail("usage: check-images.py png FILE SIDE | ico FILE SIDE...")
    sides = [int(side) for side in sys.argv[3:]]
    if sys.argv[1] == "png":
        check_png(sys.argv[2], sides[0])
    else:
        check_ico(sys.argv[2], sides)


main()
