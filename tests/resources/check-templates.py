#!/usr/bin/env python3
"""Checks the dialog templates compiled from resources/setup.rc: each page's
frame (class, title, font, size, style) and every control's id, class, text,
position and style bits in template order, and template 104 likewise.

    check-templates.py SETUP.res

The .res file is windres output (-O res). Prints one line per failure and
exits 1 when any failed.
"""
import struct
import sys

WS_VISIBLE, WS_DISABLED, WS_GROUP, WS_TABSTOP = 0x10000000, 0x08000000, 0x00020000, 0x00010000
WS_BORDER, WS_VSCROLL = 0x00800000, 0x00200000
WS_EX_STATICEDGE = 0x20000
PAGE_STYLE = 0x80000000 | WS_VISIBLE | 0x00C00000 | 0x80 | 0x40  # popup, caption, modal frame, setfont
BROWSE_STYLE = 0x80000000 | 0x00C00000 | 0x00080000 | 0x80 | 0x40  # + sysmenu, not visible

# Control kinds: class and the style bits below WS_* that matter.
TEXT = ("STATIC", 0x0 | WS_GROUP)  # SS_LEFT, group
DEFBTN = ("BUTTON", 0x1 | WS_GROUP | WS_TABSTOP)
BTN = ("BUTTON", 0x0 | WS_TABSTOP)
BACK = ("BUTTON", 0x0 | WS_GROUP | WS_TABSTOP)
SEP = ("STATIC", 0x7)
SIDE = ("STATIC", 0xE | WS_DISABLED)
ICON = ("STATIC", 0x3)
BITMAP = ("STATIC", 0xE)
RADIO = ("BUTTON", 0x9 | WS_TABSTOP)
RADIO_NOTAB = ("BUTTON", 0x9)
GROUPBOX = ("BUTTON", 0x7)
HIDDEN = -1  # marker: the control lacks WS_VISIBLE

NEXT = (1, DEFBTN, "&Next >", (173, 162, 43, 14))
CANCEL = (2, BTN, "Cancel", (225, 162, 43, 14))
SEPARATOR = (1006, SEP, "", (5, 155, 264, 1))
SIDE_PICTURE = (1022, SIDE, "#304", (6, 10, 80, 136))


def page(cls, controls):
    return {"class": cls, "title": "Setup", "style": PAGE_STYLE, "rect": (0, 0, 280, 183),
            "controls": controls}


EXPECTED = {
    101: page("SETUP_BEGIN", [
        NEXT, CANCEL, SEPARATOR,
        (1023, TEXT, " Welcome to the Setup Program.", (123, 10, 145, 8)),
        (1024, TEXT, "This program will install %s into your computer.", (124, 19, 145, 16)),
        (-1, TEXT, "Click Cancel to quit Setup and then close any", (96, 76, 170, 8)),
        (-1, ICON, "#200", (96, 10, 18, 20)),
        SIDE_PICTURE,
        (-1, TEXT, "It is strongly recommended that you exit all Windows ", (96, 46, 172, 8)),
        (-1, TEXT, "programs before running this Setup program.", (96, 56, 170, 8)),
        (-1, TEXT, "programs you have running.", (96, 86, 170, 8)),
        (-1, TEXT, "Click Next to continue with the Setup program.", (96, 102, 170, 8)),
        (3, ("BUTTON", WS_DISABLED | WS_GROUP | WS_TABSTOP), "< &Back", (130, 162, 43, 14)),
    ]),
    109: page("SETUP_WARNING", [
        NEXT, CANCEL, SEPARATOR, SIDE_PICTURE,
        (-1, TEXT, "If you have other mouse driver and control program installed previously.",
         (100, 52, 163, 20)),
        (-1, TEXT, "Please remove it before install this programs !", (100, 74, 160, 18)),
        (3, BACK, "< &Back", (130, 162, 43, 14)),
        (-1, ICON, "#204", (99, 19, 18, 20)),
        (-1, TEXT, " Warning ! ", (133, 24, 92, 8)),
    ]),
    108: page("SETUP_SELMOUSE", [
        NEXT, CANCEL,
        (1034, RADIO, "Serial Mouse", (96, 40, 60, 10)),
        (1035, RADIO, "PS/2 Mouse", (96, 94, 60, 10)),
        (3, BTN, "< &Back", (130, 162, 43, 14)),
        (-1, TEXT, "Please select the correct mouse type :", (96, 13, 170, 8)),
        SEPARATOR, SIDE_PICTURE,
        (-1, BITMAP, "#113", (190, 31, 47, 31)),
        (-1, BITMAP, "#112", (190, 85, 47, 31)),
    ]),
    107: page("SETUP_SELDIR", [
        (-1, TEXT, "Please select the directory where the", (96, 13, 170, 8)),
        SEPARATOR, NEXT, CANCEL,
        (3, BACK, "< &Back", (130, 162, 43, 14)),
        (-1, GROUPBOX, "Destination Directory", (96, 117, 172, 29)),
        (1003, TEXT, None, (102, 131, 120, 8)),
        (1025, ("BUTTON", WS_GROUP | WS_TABSTOP), "B&rowse...", (224, 127, 38, 14)),
        (1023, TEXT, "%s files are to be installed :", (96, 23, 170, 20)),
        SIDE_PICTURE,
    ]),
    103: page("SETUP_INSTALL", [
        (1, DEFBTN, "Cancel", (225, 162, 43, 14)),
        (1019, TEXT, "", (96, 32, 173, 24)),
        (1009, SEP + (HIDDEN,), "", (90, 125, 48, 16)),
        (1010, SEP + (HIDDEN,), "", (146, 125, 48, 16)),
        (1011, SEP + (HIDDEN,), "", (96, 69, 141, 12)),
        (1012, SEP + (HIDDEN,), "", (100, 127, 110, 12)),
        (1013, TEXT, "0%", (249, 71, 20, 8)),
        (1014, TEXT + (HIDDEN,), "0%", (222, 129, 20, 8)),
        (1015, ICON + (HIDDEN,), "#201", (115, 122, 18, 20)),
        (1016, ICON + (HIDDEN,), "#201", (141, 122, 18, 20)),
        (1017, ICON + (HIDDEN,), "#201", (167, 122, 18, 20)),
        (1018, ICON + (HIDDEN,), "#202", (193, 122, 18, 20)),
        SEPARATOR, SIDE_PICTURE,
    ]),
    102: page("SETUP_END", [
        (1, DEFBTN, "Finish", (225, 163, 43, 14)),
        (1023, TEXT, "You have installed %s Successfully !", (96, 13, 175, 16)),
        SEPARATOR,
        (-1, TEXT, "You must restart your computer before using it !", (96, 35, 164, 8)),
        SIDE_PICTURE,
        (1032, RADIO_NOTAB, "Yes, I want to restart my computer now.", (98, 72, 158, 10)),
        (1033, RADIO_NOTAB, "No, I will restart my computer later.", (98, 86, 158, 10)),
        (-1, TEXT, "Click the Finish button to complete installation.", (98, 117, 169, 8)),
    ]),
    104: {"class": "", "title": "Browse Directory", "style": BROWSE_STYLE, "rect": (30, 30, 169, 170),
          "controls": [
        (1, ("BUTTON", 0x1 | WS_GROUP | WS_TABSTOP), "OK", (108, 46, 52, 14)),
        (2, ("BUTTON", 0x0 | WS_TABSTOP), "Cancel", (108, 66, 52, 14)),
        (1121, ("LISTBOX", WS_BORDER | WS_VSCROLL | WS_TABSTOP | 0x1 | 0x2 | 0x10 | 0x40 | 0x1000),
         "", (8, 70, 92, 68)),
        (1137, ("COMBOBOX", WS_BORDER | WS_VSCROLL | WS_TABSTOP | 0x3 | 0x10 | 0x40 | 0x100 | 0x200),
         "", (8, 152, 92, 68)),
        (1088, ("STATIC", WS_GROUP | 0x0 | 0x80), "", (8, 55, 92, 9)),
        (1136, ("COMBOBOX", WS_BORDER | WS_VSCROLL | WS_TABSTOP | 0x3 | 0x40, HIDDEN), "", (209, 50, 30, 36)),
        (1152, ("EDIT", WS_BORDER | WS_TABSTOP | 0x80 | 0x400, HIDDEN), "", (208, 38, 26, 12)),
        (1090, ("STATIC", WS_GROUP), "File &Name:", (178, 38, 39, 10)),
        (1120, ("LISTBOX", WS_BORDER | WS_VSCROLL | WS_TABSTOP | 0x1 | 0x2 | 0x10 | 0x40 | 0x1000 | 0x800,
                HIDDEN), "", (220, 30, 36, 9)),
        (-1, ("STATIC", WS_GROUP), "&Directories:", (8, 45, 92, 9)),
        (1089, ("STATIC", WS_GROUP, HIDDEN), "List Files of &Type:", (181, 12, 62, 9)),
        (1091, ("STATIC", WS_GROUP), "Dri&ves:", (8, 142, 92, 9)),
        (1040, ("BUTTON", 0x2, HIDDEN), "&Read Only", (188, 34, 33, 12)),
        (1092, ("STATIC", WS_GROUP, HIDDEN), "List Files of &Type:", (204, 22, 47, 9)),
        (-1, ("STATIC", 0x7), "", (6, 38, 155, 1)),
        (-1, ("STATIC", WS_GROUP), "Destination Directory :", (8, 6, 92, 8)),
        (1003, ("EDIT", WS_BORDER | WS_TABSTOP | 0x80), "", (8, 19, 152, 12)),
    ]},
}
STATIC_EDGE = {1006, 1022}  # ids that carry WS_EX_STATICEDGE on the pages
CLASS_ORDINALS = {0x80: "BUTTON", 0x81: "EDIT", 0x82: "STATIC", 0x83: "LISTBOX", 0x85: "COMBOBOX"}


def sz_or_ord(data, pos):
    if struct.unpack_from("<H", data, pos)[0] == 0xFFFF:
        return "#%d" % struct.unpack_from("<H", data, pos + 2)[0], pos + 4
    end = pos
    while struct.unpack_from("<H", data, end)[0] != 0:
        end += 2
    return data[pos:end].decode("utf-16le"), end + 2


def dialogs(res):
    pos = 0
    while pos + 8 <= len(res):
        size, header = struct.unpack_from("<II", res, pos)
        kind, p = sz_or_ord(res, pos + 8)
        name, p = sz_or_ord(res, p)
        if kind == "#5":
            yield int(name[1:]), res[pos + header:pos + header + size]
        pos += (header + size + 3) & ~3


def parse(body):
    ver, sig, _help, ex, style, count, x, y, cx, cy = struct.unpack_from("<HHIIIHhhhh", body, 0)
    pos = 26
    menu, pos = sz_or_ord(body, pos)
    cls, pos = sz_or_ord(body, pos)
    title, pos = sz_or_ord(body, pos)
    points, weight, italic, charset = struct.unpack_from("<HHBB", body, pos)
    face, pos = sz_or_ord(body, pos + 6)
    controls = []
    for _ in range(count):
        pos = (pos + 3) & ~3
        _h, cex, cstyle, x0, y0, w, h, cid = struct.unpack_from("<IIIhhhhi", body, pos)
        pos += 24
        ccls, pos = sz_or_ord(body, pos)
        if ccls.startswith("#"):
            ccls = CLASS_ORDINALS.get(int(ccls[1:]), ccls)
        text, pos = sz_or_ord(body, pos)
        extra = struct.unpack_from("<H", body, pos)[0]
        pos += 2 + extra
        controls.append((cid, ccls.upper(), text, (x0, y0, w, h), cstyle, cex))
    return {"ver": (ver, sig), "exstyle": ex, "style": style, "rect": (x, y, cx, cy), "menu": menu,
            "class": cls, "title": title, "font": (points, weight, italic, charset, face),
            "controls": controls}


def main():
    res = open(sys.argv[1], "rb").read()
    found = dict(dialogs(res))
    failures = 0

    def check(where, got, expected):
        nonlocal failures
        if got != expected:
            if where.endswith("style"):
                got, expected = hex(got), hex(expected)
            print("FAIL template %s: got %r, expected %r" % (where, got, expected))
            failures += 1

    for tid, want in sorted(EXPECTED.items()):
        if tid not in found:
            check(tid, "missing", "present")
            continue
        d = parse(found[tid])
        check("%d extended" % tid, d["ver"], (1, 0xFFFF))
        check("%d style" % tid, d["style"], want["style"])
        check("%d exstyle" % tid, d["exstyle"], 0)
        check("%d rect" % tid, d["rect"], want["rect"])
        check("%d menu" % tid, d["menu"], "")
        check("%d class" % tid, d["class"], want["class"])
        check("%d title" % tid, d["title"], want["title"])
        check("%d font" % tid, d["font"], (8, 400, 0, 1, "Arial"))
        check("%d control count" % tid, len(d["controls"]), len(want["controls"]))
        for i, (got, exp) in enumerate(zip(d["controls"], want["controls"])):
            cid, (ccls, bits, *hidden), text, rect = exp
            where = "%d row %d (id %d)" % (tid, i + 1, cid)
            check(where + " id", got[0], cid)
            check(where + " class", got[1], ccls)
            if text is not None:
                check(where + " text", got[2], text)
            check(where + " rect", got[3], rect)
            visible = 0 if hidden else WS_VISIBLE
            check(where + " style", got[4], 0x40000000 | visible | bits)
            edge = WS_EX_STATICEDGE if (tid != 104 and cid in STATIC_EDGE) or (tid == 104 and i == 14) else 0
            check(where + " exstyle", got[5], edge)
    print("%d failures" % failures if failures else "ok: templates %s" % sorted(EXPECTED))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
