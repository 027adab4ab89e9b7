#!/usr/bin/env python3
"""Writes the corpus of broken disk trees for `disktool check`.

Each directory below broken/ is a clean sample tree with one planted fault.
Its EXPECT file holds, on the first line, the finding codes that check must
give (a code twice when the fault shows twice), on the second what was
planted and, for a finding of one line, on the third where it is. broken/00-clean has no fault: the base is clean, so any other
finding is a false one. Run again after changing a case; the results are
committed.
"""
import os
import shutil
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "broken")

BASE = {
    "Main": [("DefaultPath", "\\VELOR"), ("ProductName", "Velor Mouse"),
             ("MinimumSpace", "16"), ("DefaultSerialMouse", "0")],
    "DiskLabel": [("Disk1", "Disk 1")],
    "FileCounts": [("Disk1", "2")],
    "DirectoryName": [("RootDir", ""), ("SubDir1", "HELP")],
    "Disk1": [("1", "README.TXT, README.TXT, Read me, RootDir"),
              ("2", "HELP.TXT, HELP.TXT, Help, SubDir1")],
    "Startup": [("Title", "Velor Mouse"), ("Mfg", "Velor")],
}
FILES = {"README.TXT": b"Read me first.\r\n", "HELP/HELP.TXT": b"Help text.\r\n"}


def szdd(length, body, mode=b"A"):
    return b"SZDD\x88\xf0\x27\x33" + mode + b"\0" + struct.pack("<I", length) + body


def edit(section, key, value):
    """Sets (or, with None, removes) a key of the base script."""
    def apply(s):
        lines = s.setdefault(section, [])
        for i, (k, _) in enumerate(lines):
            if k == key:
                if value is None:
                    del lines[i]
                else:
                    lines[i] = (k, value)
                return
        if value is not None:
            lines.append((key, value))
    return apply


def append(section, key, value):
    """Adds a line to a section even when the key is there already (None:
    a line without '=')."""
    return lambda s: s.setdefault(section, []).append((key, value))


def raw(text):
    """Appends text to the script as it is."""
    return ("raw", text)


# name, expected codes, what was planted, edits (functions, raw text, or files)
CASES = [
    ("00-clean", [], "nothing: the base tree", []),
    # Each value at its limit; the cases that plant one past them are 06, 07,
    # 10, 21 and 30.
    ("00-clean-at-limits", [], "nothing: values at their limits",
     [edit("Main", "DefaultPath", "\\VELOR\\" + "A" * 36), edit("Main", "MinimumSpace", "32767"),
      edit("Disk1", "1", "README.TXT, READMEFILE.TXT, " + "d" * 61 + ", RootDir"),
      edit("DirectoryName", "SubDir5", "DOCS"), edit("DirectoryName", "SubDir6", "DOCS\\EN")]),
    ("01-source-missing", ["source-missing"], "line 2 names a file that is not on the disk",
     [edit("Disk1", "2", "HELPX.TXT, HELP.TXT, Help, SubDir1")]),
    ("02-unknown-keyword", ["unknown-keyword"], "keyword SubDirl (letter l for digit 1)",
     [edit("Disk1", "1", "README.TXT, README.TXT, Read me, SubDirl")]),
    ("03-empty-entry", ["empty-entry"], "FileCounts Disk1=3 with two lines",
     [edit("FileCounts", "Disk1", "3")]),
    ("04-line-ignored", ["line-ignored"], "a third line with FileCounts Disk1=2",
     [edit("Disk1", "3", "README.TXT, README2.TXT, Again, RootDir")]),
    ("05-cut-product", ["cut"], "ProductName of 80 characters",
     [edit("Main", "ProductName", "Velor Mouse " + "x" * 68)]),
    ("06-cut-description", ["cut"], "a description of 62 characters",
     [edit("Disk1", "1", "README.TXT, README.TXT, " + "d" * 62 + ", RootDir")]),
    ("07-cut-target-name", ["cut"], "a destination name of 15 characters",
     [edit("Disk1", "1", "README.TXT, READMEFILE1.TXT, Read me, RootDir")]),
    ("08-cut-label", ["cut"], "a disk label of 45 characters",
     [edit("DiskLabel", "Disk1", "L" * 45)]),
    ("09-cut-startup", ["cut"], "Startup Mfg of 45 characters",
     [edit("Startup", "Mfg", "M" * 45)]),
    ("10-registry-limit", ["registry-limit"], "a default path that makes the Run value 80 long",
     [edit("Main", "DefaultPath", "\\VELOR\\" + "A" * 37)]),
    ("11-minimum-space", ["minimum-space"], "MinimumSpace 0 below the files' expanded total",
     [edit("Main", "MinimumSpace", "0")]),
    ("12-serial-mouse", ["serial-mouse"], "DefaultSerialMouse=2",
     [edit("Main", "DefaultSerialMouse", "2")]),
    ("13-count-range", ["count-range"], "FileCounts Disk1=65538, which 16 bits hold as 2",
     [edit("FileCounts", "Disk1", "65538")]),
    ("14-total-too-large", ["total-too-large", "empty-entry", "empty-entry"],
     "two disks of 20000 files each (their missing lines are empty entries)",
     [edit("DiskLabel", "Disk2", "Disk 2"), edit("FileCounts", "Disk1", "20000"),
      edit("FileCounts", "Disk2", "20000")]),
    ("15-negative-count", ["negative-count"], "a second disk with FileCounts Disk2=-1",
     [edit("DiskLabel", "Disk2", "Disk 2"), edit("FileCounts", "Disk2", "-1")]),
    ("16-climbs-out", ["climbs-out"], "a destination name that climbs out with ..",
     [edit("Disk1", "1", "README.TXT, ..\\R.TXT, Read me, RootDir")]),
    ("17-label-gap", ["label-gap"], "labels Disk1 and Disk3, none for Disk2",
     [edit("DiskLabel", "Disk3", "Disk 3")]),
    ("18-section-ignored", ["section-ignored"], "a [Disk2] section with one labelled disk",
     [edit("Disk2", "1", "README.TXT, README2.TXT, Again, RootDir")]),
    ("19-extra-fields", ["extra-fields"], "a fifth field",
     [edit("Disk1", "1", "README.TXT, README.TXT, Read me, RootDir, now")]),
    ("20-empty-subdir", ["empty-subdir"], "keyword SubDir2, which has no directory name",
     [edit("Disk1", "1", "README.TXT, README.TXT, Read me, SubDir2")]),
    ("21-subdir-parent", ["subdir-parent"], "SubDir6=DOCS\\EN with no DOCS before it",
     [edit("DirectoryName", "SubDir6", "DOCS\\EN")]),
    ("22-duplicate-destination", ["duplicate-destination"], "two lines install README.TXT",
     [edit("FileCounts", "Disk1", "3"),
      edit("Disk1", "3", "README.TXT, README.TXT, Again, RootDir")]),
    ("23-install-record", ["install-record"], "a file installed as SETUP.INF",
     [edit("Disk1", "1", "README.TXT, SETUP.INF, Read me, RootDir")]),
    ("24-duplicate-section", ["duplicate-section"], "a second [Main] section",
     [raw("[Main]\r\nOEM=1\r\n")]),
    ("25-duplicate-key", ["duplicate-key"], "ProductName twice",
     [append("Main", "ProductName", "Another Name")]),
    ("26-unknown-key", ["unknown-key"], "SerialName instead of SeialName",
     [edit("Startup", "SerialName", "Velor Serial Mouse")]),
    ("27-no-value", ["no-value"], "a [Main] line without '='",
     [append("Main", "OEM 1", None)]),
    ("28-pm-info-gap", ["pm-info-gap"], "PM Info items 1 and 3",
     [edit("PM Info", "1", "Q7MAIN.EXE, Velor Mouse, 0"),
      edit("PM Info", "3", "README.TXT, Read me, 0")]),
    ("29-default-path", ["default-path"], "DefaultPath=D:",
     [edit("Main", "DefaultPath", "D:")]),
    ("30-minimum-space-range", ["minimum-space", "minimum-space"],
     "MinimumSpace=32768, held as a negative number (so also below the total)",
     [edit("Main", "MinimumSpace", "32768")]),
    ("31-unknown-mode", ["unknown-mode"], "an SZDD file of mode B",
     [("file", "HELP/HELP.TXT", szdd(5, b"\xffHello", b"B"))]),
    ("32-damaged", ["damaged"], "an SZDD file whose header says 100 bytes for 5",
     [("file", "HELP/HELP.TXT", szdd(100, b"\xffHello"))]),
    ("33-no-script", ["no-script"], "no SETUP.INF at all", [("noscript",)]),
    ("34-cut-directory", ["cut"], "SubDir3 of 45 characters",
     [edit("DirectoryName", "SubDir3", "D" * 45)]),
    ("35-no-uninstall-list", ["no-uninstall-list"], "UNINSTAL.EXE shipped without UNINSTAL.INF",
     [edit("Disk1", "2", "UNINSTAL.EXE, UNINSTAL.EXE, Uninstall program, RootDir"),
      edit("DirectoryName", "SubDir1", None),
      ("file", "UNINSTAL.EXE", b"placeholder\r\n"), ("nofile", "HELP/HELP.TXT")]),
    ("36-no-name", ["no-name", "no-name"], "lines with no destination and no source name",
     [edit("FileCounts", "Disk1", "3"), edit("Disk1", "2", "HELP.TXT, , Help, SubDir1"),
      edit("Disk1", "3", " , HELP2.TXT, Help, SubDir1")]),
    ("37-unknown-section", ["unknown-section"], "[Start-up] for [Startup]",
     [raw("[Start-up]\r\nMfg=Velor\r\n")]),
    ("38-no-product", ["no-product"], "no ProductName in [Main]",
     [edit("Main", "ProductName", None)]),
    ("39-startup-missing", ["startup-missing"] * 3,
     "MouseDriver VLMOUSX.VXD for the VLMOUSE.VXD installed; MouseInf and FileName of no file",
     [edit("FileCounts", "Disk1", "3"),
      edit("Disk1", "3", "VLMOUSE.VXD, VLMOUSE.VXD, Mouse driver, WinSystemDir"),
      edit("Startup", "MouseDriver", "VLMOUSX.VXD"), edit("Startup", "MouseInf", "VLMOUSE.INF"),
      edit("Startup", "FileName", "Q7MAIN.EXE"), ("file", "VLMOUSE.VXD", b"driver\r\n")]),
    ("40-startup-misplaced", ["startup-misplaced"],
     "MouseInf installed into the destination directory (MouseDriver, in other case, is right)",
     [edit("FileCounts", "Disk1", "4"),
      edit("Disk1", "3", "VLMOUSE.VXD, VLMOUSE.VXD, Mouse driver, WinSystemDir"),
      edit("Disk1", "4", "VLMOUSE.INF, VLMOUSE.INF, Driver information, RootDir"),
      edit("Startup", "MouseDriver", "vlmouse.vxd"), edit("Startup", "MouseInf", "VLMOUSE.INF"),
      ("file", "VLMOUSE.VXD", b"driver\r\n"), ("file", "VLMOUSE.INF", b"[Version]\r\n")]),
    ("41-default-path-drive", ["default-path"], "DefaultPath=D:\\VELOR, put on Windows' drive",
     [edit("Main", "DefaultPath", "D:\\VELOR")]),
    ("42-default-path-no-backslash", ["default-path", "default-path"],
     "DefaultPath=D:VELOR: its drive replaced, and no backslash after it",
     [edit("Main", "DefaultPath", "D:VELOR")]),
    ("43-default-path-climbs", ["default-path"], "DefaultPath=\\..\\..\\WINDOWS",
     [edit("Main", "DefaultPath", "\\..\\..\\WINDOWS")]),
    ("44-registry-limit-title", ["registry-limit"],
     "a [Startup] Title of 80 characters, one past the display name's field",
     [edit("Startup", "Title", "T" * 80)]),
    ("45-climbs-out-source", ["climbs-out"],
     "a source name that climbs out of HELP to the top with ../ (a slash, as Windows allows)",
     [edit("Disk1", "2", "../README.TXT, HELP.TXT, Help, SubDir1")]),
    ("46-climbs-out-directory", ["climbs-out"], "WinInfDir=DRIVERS\\..\\..\\INF",
     [edit("DirectoryName", "WinInfDir", "DRIVERS\\..\\..\\INF")]),
    ("47-empty-subdir6", ["empty-subdir"], "keyword SubDir6, the last, with no directory name",
     [edit("Disk1", "1", "README.TXT, README.TXT, Read me, SubDir6")]),
    # The answers of an unattended run: the base script has 24 lines, so
    # the section's header is line 25.
    ("00-clean-unattended", [], "nothing: every answer, in quotes and other letter case, "
     "a comment and an empty value, which reads as none",
     [raw("[Unattended]\r\n; PS/2 elsewhere\r\nmousetype = \"Serial\"\r\n"
          "Destination=D:\\VELOR\r\nRestart=ask\r\nResult=\\\\SERVER\\RES\\PC17.RES\r\n"
          "Log=\r\n")]),
    ("48-answer-unknown-key", ["answer-line"], "[Unattended] Colour=Blue",
     [raw("[Unattended]\r\nMouseType=PS2\r\nColour=Blue\r\n")], "[Unattended] line 27"),
    ("49-answer-twice", ["answer-line"], "[Unattended] Restart, then RESTART",
     [raw("[Unattended]\r\nRestart=Never\r\nRESTART=Always\r\n")], "[Unattended] line 27"),
    ("50-answer-no-value", ["answer-line"], "an [Unattended] line without '='",
     [raw("[Unattended]\r\nMouseType\r\n")], "[Unattended] line 26"),
    ("51-answer-value", ["answer-value"], "[Unattended] MouseType=USB",
     [raw("[Unattended]\r\nRestart=Ask\r\nMouseType=USB\r\n")], "[Unattended] line 27"),
    ("52-answer-value-long", ["answer-value"], "a Log of 256 characters, one past its field",
     [raw("[Unattended]\r\nLog=C:\\" + "L" * 253 + "\r\n")], "[Unattended] line 26"),
]


def render(sections, extra):
    out = []
    for name, keys in sections.items():
        out.append(f"[{name}]")
        out.extend(f"{k}={v}" if v is not None else k for k, v in keys)
        out.append("")
    return "\r\n".join(out) + "\r\n" + extra


def main():
    shutil.rmtree(OUT, ignore_errors=True)
    for name, codes, what, edits, *where in CASES:
        sections = {k: list(v) for k, v in BASE.items()}
        files = dict(FILES)
        extra = ""
        script = True
        for e in edits:
            if callable(e):
                e(sections)
            elif e[0] == "raw":
                extra += e[1]
            elif e[0] == "file":
                files[e[1]] = e[2]
            elif e[0] == "nofile":
                del files[e[1]]
            elif e[0] == "noscript":
                script = False
        d = os.path.join(OUT, name)
        os.makedirs(d)
        for rel, data in files.items():
            os.makedirs(os.path.dirname(os.path.join(d, rel)), exist_ok=True)
            with open(os.path.join(d, rel), "wb") as f:
                f.write(data)
        if script:
            with open(os.path.join(d, "SETUP.INF"), "wb") as f:
                f.write(render(sections, extra).encode("latin-1"))
        with open(os.path.join(d, "EXPECT"), "w") as f:
            f.write(" ".join(codes) + "\n" + what + "\n" + "".join(w + "\n" for w in where))


if __name__ == "__main__":
    main()
