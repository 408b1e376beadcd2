#!/usr/bin/env python3
"""Writes the benchmark input of kz7str: a raw CD image of SIZE bytes (whole
2352-byte sectors) holding FRAMES game frames from byte POS, and a STR movie
of FRAMES frames of 8 to 10 sectors each.

usage: kz7str_gen.py IMAGE STR SIZE POS FRAMES
"""
import random
import struct
import sys

SECTOR = 2352
CHUNK = 2292


def edc(data):
    """CD-ROM EDC: CRC-32 of the reversed polynomial 0xD8018001."""
    crc = 0
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ (0xD8018001 if crc & 1 else 0)
    return crc


def sector(lba, submode, user):
    a = lba + 150
    bcd = lambda v: (v // 10) << 4 | v % 10
    s = bytearray(SECTOR)
    s[0:12] = b"\x00" + b"\xff" * 10 + b"\x00"
    s[12:16] = bytes([bcd(a // 4500), bcd(a // 75 % 60), bcd(a % 75), 2])
    s[16:24] = bytes([1, 1, submode, 0]) * 2
    s[24:24 + len(user)] = user
    s[2348:2352] = struct.pack("<I", edc(s[16:2348]))
    return bytes(s)


def header(chunk, count, frame, rlnght, qscale):
    return struct.pack("<IHHIIHHHHHHI", 0x80010160, chunk, count, frame, 0, 320, 240,
                       rlnght, 0x3800, qscale, 2, 0)


def main():
    image, strname, size, pos, frames = sys.argv[1], sys.argv[2], *map(int, sys.argv[3:6])
    rnd = random.Random(7)
    # One game frame, repeated: the EDC covers the subheader and user data,
    # not the address, so every copy keeps valid EDCs.
    frame = b"".join(
        sector(0, 0x64, rnd.randbytes(2324)) if s < 2 else
        sector(0, 0x62, header(s, 10, 1, 0x1000, 1) + rnd.randbytes(CHUNK))
        for s in range(10))
    with open(image, "wb") as f:
        f.truncate(size // SECTOR * SECTOR)
        f.seek(pos)
        for _ in range(frames):
            f.write(frame)
    data = rnd.randbytes(10 * 2016)
    with open(strname, "wb") as f:
        for n in range(frames):
            count = 8 + n % 3
            for k in range(count):
                f.write(header(k, count, n + 1, 0x2000 + n % 256, 1 + n % 31))
                f.write(data[k * 2016:(k + 1) * 2016] if k < 9 else b"\xff" * 2016)


if __name__ == "__main__":
    main()
