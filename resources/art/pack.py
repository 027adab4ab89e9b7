#!/usr/bin/env python3
"""Packs a binary PPM (from ImageMagick) into the resource formats SETUP.EXE
carries: a run-length encoded palette BMP (RLE4 or RLE8) or a one-image
32 x 32, 16-colour icon. Every pixel is mapped to the nearest palette entry,
so exact palette colours (magenta among them) stay exact; a bitmap keeps
only the palette entries it uses.

  pack.py bmp4 in.ppm out.bmp
  pack.py bmp8 in.ppm out.bmp
  pack.py ico  in.ppm out.ico     magenta pixels become transparent
"""
import operator
import struct
import sys

# The standard 16-colour palette of the Windows display drivers.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
MAGENTA = (255, 0, 255)


def palette256():
    pal = list(VGA16)
    levels = [0, 51, 102, 153, 204, 255]
    for r in levels:
        for g in levels:
            for b in levels:
                if (r, g, b) not in pal:
                    pal.append((r, g, b))
    for grey in range(3, 256, 7):
        if len(pal) < 256 and (grey, grey, grey) not in pal:
            pal.append((grey, grey, grey))
    return pal


def read_ppm(path):
    data = open(path, "rb").read()
    fields = []
    pos = 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            while data[pos:pos + 1] != b"\n":
                pos += 1
            continue
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    pos += 1
    if fields[0] != b"P6" or int(fields[3]) != 255:
        sys.exit("%s: expected an 8-bit binary PPM" % path)
    w, h = int(fields[1]), int(fields[2])
    raw = data[pos:pos + w * h * 3]
    pixels = [tuple(raw[i:i + 3]) for i in range(0, len(raw), 3)]
    return w, h, pixels


def indices(pixels, pal):
    cache = {}
    out = []
    for p in pixels:
        if p not in cache:
            cache[p] = min(range(len(pal)),
                           key=lambda i: sum((a - b) ** 2 for a, b in zip(p, pal[i])))
        out.append(cache[p])
    return out


def dib_rows(idx, w, h, bits):
    """Bottom-up rows of an icon's colour (4 bits) or mask (1 bit), each
    padded to a multiple of four bytes."""
    rows = []
    for y in range(h - 1, -1, -1):
        line = idx[y * w:(y + 1) * w]
        if bits == 4:
            row = bytes((line[x] << 4) | (line[x + 1] if x + 1 < w else 0)
                        for x in range(0, w, 2))
        else:  # 1
            row = bytearray((w + 7) // 8)
            for x, v in enumerate(line):
                if v:
                    row[x // 8] |= 0x80 >> (x % 8)
            row = bytes(row)
        rows.append(row + b"\0" * (-len(row) % 4))
    return b"".join(rows)


BI_RGB, BI_RLE8, BI_RLE4 = 0, 1, 2
MAX_RUN = 255  # a run's count is one byte


def info_header(w, h, bits, image_size, compression=BI_RGB, colours=0):
    return struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, compression, image_size, 0, 0,
                       colours, 0)


def run_lengths(line, bits):
    """For each pixel, how many from it one encoded run can give: one index
    repeated, or with 4 bits the two indices of its byte taking turns."""
    w = len(line)
    period = 2 if bits == 4 else 1
    repeats = [0] * (w + 1)  # pixels from here that repeat the one `period` before
    for at in range(w - 1, period - 1, -1):
        repeats[at] = repeats[at + 1] + 1 if line[at] == line[at - period] else 0
    return [min(MAX_RUN, period + repeats[at + period] if at + period < w else w - at)
            for at in range(w)]


def absolute_bytes(n, bits):
    """Bytes of an absolute run of n pixels: the escape pair and the indices,
    padded to a whole word as the decoder expects."""
    data = n if bits == 8 else (n + 1) // 2
    return 2 + data + (data & 1)


def rle_line(line, bits):
    """The shortest encoding of one row in encoded and absolute runs. Every
    pixel is spelled out: no delta and no early end of line, which would leave
    pixels the decoder never sets. Absolute runs are at least 3 pixels long:
    counts 0, 1 and 2 are the escapes."""
    w = len(line)
    runs = run_lengths(line, bits)
    absolute = [absolute_bytes(n, bits) for n in range(MAX_RUN + 1)]
    cost = [0] * (w + 1)  # bytes from each pixel to the end of the row
    step = [None] * w
    for at in range(w - 1, -1, -1):
        after = cost[at + 1:at + runs[at] + 1]
        best = min(after)
        cost[at], step[at] = 2 + best, ("run", after.index(best) + 1)
        longest = min(MAX_RUN, w - at)
        if longest >= 3:
            totals = list(map(operator.add, absolute[3:longest + 1], cost[at + 3:at + longest + 1]))
            best = min(totals)
            if best < cost[at]:
                cost[at], step[at] = best, ("absolute", totals.index(best) + 3)
    out = bytearray()
    at = 0
    while at < w:
        kind, n = step[at]
        if kind == "run":
            if bits == 8:
                out += bytes((n, line[at]))
            else:
                second = line[at + 1] if n > 1 else 0
                out += bytes((n, line[at] << 4 | second))
        else:
            out += bytes((0, n))
            if bits == 8:
                data = bytes(line[at:at + n])
            else:
                pairs = line[at:at + n] + [0] * (n & 1)
                data = bytes(pairs[i] << 4 | pairs[i + 1] for i in range(0, n + (n & 1), 2))
            out += data + b"\0" * (len(data) & 1)
        at += n
    return bytes(out)


def rle_rows(idx, w, h, bits):
    """Bottom-up rows, each closed by an end of line, the last by the end of
    the bitmap."""
    out = bytearray()
    for y in range(h - 1, -1, -1):
        out += rle_line(idx[y * w:(y + 1) * w], bits)
        out += b"\0\1" if y == 0 else b"\0\0"
    return bytes(out)


def palette_bytes(pal):
    return b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in pal)


def write_bmp(path, w, h, pixels, bits):
    pal = VGA16 if bits == 4 else palette256()
    idx = indices(pixels, pal)
    used = sorted(set(idx))
    renumber = {old: new for new, old in enumerate(used)}
    idx = [renumber[i] for i in idx]
    bits_data = rle_rows(idx, w, h, bits)
    compression = BI_RLE4 if bits == 4 else BI_RLE8
    header = (info_header(w, h, bits, len(bits_data), compression, len(used)) +
              palette_bytes([pal[i] for i in used]))
    offset = 14 + len(header)
    with open(path, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", offset + len(bits_data), 0, 0, offset))
        f.write(header)
        f.write(bits_data)


def write_ico(path, w, h, pixels):
    if (w, h) != (32, 32):
        sys.exit("%s: icons are 32 x 32" % path)
    mask = [1 if p == MAGENTA else 0 for p in pixels]
    colours = [(0, 0, 0) if m else p for p, m in zip(pixels, mask)]
    xor = dib_rows(indices(colours, VGA16), w, h, 4)
    and_mask = dib_rows(mask, w, h, 1)
    image = info_header(w, h * 2, 4, len(xor) + len(and_mask)) + palette_bytes(VGA16) + xor + and_mask
    with open(path, "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, 1))
        f.write(struct.pack("<BBBBHHII", w, h, 16, 0, 1, 4, len(image), 22))
        f.write(image)


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    kind, src, dst = sys.argv[1:]
    w, h, pixels = read_ppm(src)
    if kind == "bmp4":
        write_bmp(dst, w, h, pixels, 4)
    elif kind == "bmp8":
        write_bmp(dst, w, h, pixels, 8)
    elif kind == "ico":
        write_ico(dst, w, h, pixels)
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
