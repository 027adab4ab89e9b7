#!/usr/bin/env python3
"""Writes the SZDD fixtures into this directory.

Hand-made edge streams (*.SZ, made here item by item, since Debian's
mscompress encodes inputs under 16 bytes wrongly) and golden streams made
by mscompress (*.SZ from the *.BIN inputs). The expected expansions (*.OUT)
are not made here: they are what Wine's lz32 LZCopy gives, byte for byte,
on every file (bench/szdd-bench runs the edge files through it again).
msexpand agrees on 14 of the 19 and differs on 5: HALFPAIR (24 bytes for
6), MODEB (9 bytes for none), and KWAJ, OLDSZ and SHORT13, which it refuses
(no output) where lz32 copies them as they are.
"""
import os
import random
import shutil
import struct
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))


def header(length, mode=b"A", last=b"\0"):
    return b"SZDD\x88\xf0\x27\x33" + mode + last + struct.pack("<I", length)


class Stream:
    def __init__(self):
        self.out = bytearray()
        self.flag_at = None
        self.items = 8

    def _item(self, literal):
        if self.items == 8:
            self.flag_at = len(self.out)
            self.out.append(0)
            self.items = 0
        if literal:
            self.out[self.flag_at] |= 1 << self.items
        self.items += 1

    def lit(self, data):
        for c in data:
            self._item(True)
            self.out.append(c)
        return self

    def match(self, pos, length):
        self._item(False)
        self.out += bytes([pos & 0xFF, ((pos >> 4) & 0xF0) | ((length - 3) & 0x0F)])
        return self


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def edges():
    # 01: matches into the blanks the window starts with: before the first
    # output byte, at the far end, and at the slot being written (distance 0).
    s = Stream().match(0x000, 18).lit(b"x").match(0xFE0, 5)
    s.lit(b"0123456789").match(0xFF0 + 35, 4)  # 35: output so far, the slot being written
    write("BLANKS.SZ", header(40) + s.out)
    # 02: a match overlapping itself: distance 2 and distance 1.
    s = Stream().lit(b"ab").match(0xFF0, 18).lit(b"z").match(0xFF0 + 20, 7)
    write("OVERLAP.SZ", header(28) + s.out)
    # 03: a match wrapping past 0xFFF into the bytes it writes itself.
    s = Stream().lit(b"0123456789ABCDEF").match(0xFFA, 12).match(0xFFE, 18)
    write("WRAP.SZ", header(46) + s.out)
    # 04: the stream ends right after a flag byte.
    s = Stream().lit(b"hello, w").lit(b"o")
    data = bytes(s.out[:-1])  # the ninth item's flag byte stays, its literal goes
    write("ENDFLAG.SZ", header(9) + data)
    # 05: the stream ends between the two bytes of a match.
    s = Stream().lit(b"abcabc").match(0xFF0, 6)
    write("HALFPAIR.SZ", header(12) + bytes(s.out[:-1]))
    # 06: junk after a complete stream: decoded as more data.
    s = Stream().lit(b"complete").match(0xFF0, 8)
    write("JUNK.SZ", header(16) + s.out + b"\x00\x13\x37\xfe\xff\x41")
    # 07, 08: a length field larger and smaller than the data.
    s = Stream().lit(b"length is ignored").match(0xFF0, 10)
    write("LENBIG.SZ", header(100000) + s.out)
    write("LENSMALL.SZ", header(3) + s.out)
    # 09: the magic with mode 'B'.
    write("MODEB.SZ", header(9, b"B") + Stream().lit(b"not lzss!").out)
    # 10: 13 bytes: a header cut short, so a plain file.
    write("SHORT13.SZ", header(5)[:13])
    # 11: a header and nothing after it.
    write("HEADONLY.SZ", header(0))
    # 12: KWAJ and the older SZ magic: plain files.
    write("KWAJ.SZ", b"KWAJ\x88\xf0\x27\xd1\x00\x00\x12\x00" + b"payload that stays")
    write("OLDSZ.SZ", b"SZ \x88\xf0\x27\x33\xd1\x00\x00\x00\x10\x00\x00" + b"payload that stays")
    # 13: an empty file.
    write("EMPTY.SZ", b"")


def golden():
    rnd = random.Random(4)
    words = b"mouse wheel driver setup serial port install window registry the of and".split()
    text = b" ".join(rnd.choice(words) for _ in range(1500))
    inputs = {
        "T4095.BIN": text[:4095],
        "T4096.BIN": text[:4096],
        "T4097.BIN": text[:4097],
        "TEXT.BIN": text[:7000],
        "MIXED.BIN": bytes(rnd.randrange(256) for _ in range(1500)) + b"\0" * 3000 + text[:1500],
    }
    tmp = tempfile.mkdtemp()
    try:
        for name, data in inputs.items():
            write(name, data)
            path = os.path.join(tmp, name)
            with open(path, "wb") as f:
                f.write(data)
            subprocess.run(["mscompress", path], check=True)
            shutil.copy(path + "_", os.path.join(HERE, name[:-4] + ".SZ"))
    finally:
        shutil.rmtree(tmp)


if __name__ == "__main__":
    edges()
    golden()
