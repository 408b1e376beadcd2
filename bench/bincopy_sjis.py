#!/usr/bin/env python3
"""Writes a character table of the Shift_JIS set as the host's iconv maps it
(every single-byte and double-byte code to its UTF-8 text) and a Shift_JIS
text of the given size made of those codes.

usage: bincopy_sjis.py TABLE TEXT SIZE [mixed|uniform]

mixed (the default): mostly double-byte codes, printable ASCII and kana, a
CR LF about one code in fifty, as a block of 1 MiB repeated.
uniform: the table without the control codes (7,037 entries, line breaks
have none and pass unconverted), codes drawn uniformly from it (so nearly all
are double-byte), an LF in place of about one code in twenty, never repeated.
"""
import random
import subprocess
import sys


def candidates():
    codes = [bytes([b]) for b in range(0x80)] + [bytes([b]) for b in range(0xA1, 0xE0)]
    leads = list(range(0x81, 0xA0)) + list(range(0xE0, 0xFD))
    trails = list(range(0x40, 0x7F)) + list(range(0x80, 0xFD))
    codes += [bytes([l, t]) for l in leads for t in trails]
    return codes


def iconv_text(code):
    r = subprocess.run(["iconv", "-f", "SHIFT_JIS", "-t", "UTF-8"], input=code,
                       capture_output=True)
    return r.stdout if r.returncode == 0 else None


def mapping():
    # One iconv run over all codes, each on its own line; codes iconv can't
    # map are dropped (-c), leaving their line empty, and any line that
    # looks doubtful is checked alone.
    codes = candidates()
    joined = b"".join(c + b"\n" for c in codes if c != b"\n")
    out = subprocess.run(["iconv", "-c", "-f", "SHIFT_JIS", "-t", "UTF-8"], input=joined,
                         capture_output=True).stdout.split(b"\n")
    table = {}
    lines = iter(out)
    for c in codes:
        if c == b"\n":
            table[c] = b"\n"
            continue
        text = next(lines, b"")
        if text == b"" and len(c) == 1 and c[0] >= 0x80:
            text = iconv_text(c) or b""
        if text:
            table[c] = text
    # Keep only codes whose text goes back to the same code (also weeding
    # out what -c left of an invalid pair), so that both directions agree
    # with iconv.
    items = [(c, t) for c, t in table.items() if c != b"\n"]
    back = subprocess.run(["iconv", "-f", "UTF-8", "-t", "SHIFT_JIS"],
                          input=b"\n".join(t for _, t in items), capture_output=True,
                          check=True).stdout.split(b"\n")
    seen = {}
    kept = {b"\n": b"\n"}
    for (c, t), b in zip(items, back):
        if b == c and t not in seen:
            seen[t] = c
            kept[c] = t
    return kept


def escape(data, hex_all):
    s = b""
    for b in data:
        if hex_all or b < 0x20 or b in (0x3D, 0x5C):
            s += b"\\x%02X" % b
        else:
            s += bytes([b])
    return s


def write_uniform(m, text_path, size):
    rng = random.Random(11)
    codes = list(m)
    # The line break takes one draw in twenty, the codes share the others.
    population = codes + [b"\n"]
    weights = [19 / len(codes)] * len(codes) + [1.0]
    with open(text_path, "wb") as f:
        written = 0
        while written < size:
            piece = b"".join(rng.choices(population, weights, k=1 << 16))
            want = size - written
            if len(piece) > want:
                # End on whole codes so that iconv accepts the text.
                piece = piece[:0]
                while len(piece) < want:
                    c = rng.choice(codes)
                    piece += c if len(piece) + len(c) <= want else b" "
            f.write(piece)
            written += len(piece)


def main():
    table_path, text_path, size = sys.argv[1], sys.argv[2], int(sys.argv[3])
    mix = sys.argv[4] if len(sys.argv) > 4 else "mixed"
    m = mapping()
    if mix == "uniform":
        m = {c: t for c, t in m.items() if not (len(c) == 1 and (c[0] < 0x20 or c[0] == 0x7F))}
    with open(table_path, "wb") as f:
        for c, t in m.items():
            f.write(escape(c, True) + b"=" + escape(t, False) + b"\r\n")
    if mix == "uniform":
        write_uniform(m, text_path, size)
        print(f"table: {len(m)} entries", file=sys.stderr)
        return
    rng = random.Random(7)
    singles = [c for c in m if len(c) == 1 and 0x20 <= c[0] < 0x7F]
    doubles = [c for c in m if len(c) == 2]
    kana = [c for c in m if len(c) == 1 and c[0] >= 0xA1]
    parts = []
    n = 0
    while n < (1 << 20) + 1:
        r = rng.random()
        c = rng.choice(doubles if r < 0.6 else singles if r < 0.95 else kana)
        if rng.random() < 0.02:
            c = b"\r\n"
        parts.append(c)
        n += len(c)
    block = b"".join(parts)
    ends = []
    n = 0
    for c in parts:
        n += len(c)
        ends.append(n)
    with open(text_path, "wb") as f:
        written = 0
        while written < size:
            want = size - written
            if want >= len(block):
                piece = block
            else:
                # Cut only between codes so that iconv accepts the text.
                k = max([e for e in ends if e <= want], default=0)
                piece = block[:k] + b" " * (want - k)
            f.write(piece)
            written += len(piece)
    print(f"table: {len(m)} entries", file=sys.stderr)


if __name__ == "__main__":
    main()
