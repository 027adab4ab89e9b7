#!/usr/bin/env python3
"""Whole runs of SETUP.EXE under Wine: a Windows 98 machine in a Wine prefix,
the sample disk, the wizard walked by tests/robot, and what the run changed.

    wholerun.py test SCENARIO --setup EXE --helper EXE --robot EXE [--shots DIR]
    wholerun.py demo --setup EXE --helper EXE --robot EXE --shots DIR [--interactive]
                     [--uninstall EXE [--then-uninstall]]
    wholerun.py bench --setup EXE --helper EXE --robot EXE
    wholerun.py list

window_helper.exe plays the other programs (restart watch, mouse
application) and reads the registry.

The Wine session comes from $SETUP_WINE_SESSION (scripts/wine-session). A test
prints one line per check and exits 1 when any failed.
"""

import argparse
import hashlib
import os
import shutil
import stat
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
EXAMPLES = ROOT / "examples"
DISK = "C:\\SETUPDISK"
DEST = "C:\\Program Files\\VELOR"
WORK = "C:\\wholerun"
ROBOT_EXE = None  # tests/robot's robot.exe, from --robot
UNINSTALL_EXE = None  # the built UNINSTAL.EXE, from --uninstall (else the disk's placeholder)
COPY_PREFIX = "~VPUN"  # UNINSTAL.EXE's copy in the temp directory: ~VPUN00.EXE on
CLSID = "{7D31A6C2-5E90-11d2-9B4C-00A0C93E1F52}"
CV = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion"
DEVICE = "HKLM\\Enum\\BIOS\\*PNP0F13\\0000"
CLASS = "HKLM\\System\\CurrentControlSet\\Services\\Class\\Mouse"
# Everything of the machine that a run may touch, to be put back first.
RESET_REG = f"""REGEDIT4

[-HKEY_CLASSES_ROOT\\CLSID\\{CLSID}]
[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Controls Folder\\Mouse]
[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VelorPoint]
[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run]
"VelorPoint"=-
[-HKEY_LOCAL_MACHINE\\Enum\\BIOS]
[-HKEY_LOCAL_MACHINE\\Enum\\Root]
[-HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\Mouse]
[-HKEY_DYN_DATA\\Config Manager\\Enum]

"""

# Pages: window class -> template buttons used here.
WELCOME, WARNING, MOUSE, SELDIR, INSTALL, END = (
    "SETUP_BEGIN", "SETUP_WARNING", "SETUP_SELMOUSE", "SETUP_SELDIR", "SETUP_INSTALL",
    "SETUP_END")
NEXT, CANCEL, BACK = 1, 2, 3
SERIAL, PS2 = 1034, 1035
RESTART_YES, RESTART_NO = 1032, 1033
OK = 1


class Session:
    def __init__(self):
        sdir = os.environ.get("SETUP_WINE_SESSION")
        if not sdir or not (Path(sdir) / "session.env").exists():
            sys.exit("wholerun: no Wine session (run scripts/wine-session start DIR and set "
                     "SETUP_WINE_SESSION=DIR)")
        self.env = dict(os.environ)
        for line in (Path(sdir) / "session.env").read_text().splitlines():
            if line.startswith("export "):
                key, _, value = line[len("export "):].partition("=")
                self.env[key] = value.strip("'")
        self.prefix = Path(self.env["WINEPREFIX"])
        self.wine = self.env.get("WINELOADER", "/usr/lib/wine/wine")
        self.c = self.prefix / "drive_c"

    def host(self, win):
        assert win[:3].upper() == "C:\\", win
        return self.c / win[3:].replace("\\", "/")

    def popen(self, args, cwd=None):
        return subprocess.Popen([self.wine] + args, env=self.env, cwd=cwd,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                stdin=subprocess.DEVNULL)

    def run(self, args, cwd=None, timeout=120):
        return self.popen(args, cwd).wait(timeout)

    def import_reg(self, text):
        path = self.host(WORK + "\\import.reg")
        path.write_text(text.replace("\n", "\r\n"))
        rc = self.run(["regedit", "/S", WORK + "\\import.reg"])
        if rc != 0:
            raise RuntimeError(f"regedit /S {WORK}\\import.reg failed (exit {rc}): the machine "
                               "is not what the run needs")

    def windows_version(self, exe, version):
        self.import_reg("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\"
                        f"{exe}]\n\"Version\"=\"{version}\"\n\n")

    def screenshot(self, path):
        subprocess.run(["import", "-window", "root", "-display", self.env["DISPLAY"], str(path)],
                       check=False)


def prepare_machine(s, setup_exe, helper_exe, inf_edit=None, big_first_file=0,
                    uninstall_exe=None, disk_from=None):
    """A Windows 98 machine with a PS/2 mouse, and the sample disk in C:\\SETUPDISK;
    uninstall_exe, when given, takes the place of the disk's placeholder;
    disk_from, when given, is the disk instead (SETUP.EXE on it)."""
    work = s.host(WORK)
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    shutil.copy(helper_exe, work / "window_helper.exe")
    shutil.copy(ROBOT_EXE, work / "robot.exe")
    machine = EXAMPLES / "machine"
    s.import_reg(RESET_REG + (machine / "win98.reg").read_text().split("\n", 1)[1])
    s.windows_version("SETUP.EXE", "win98")
    shutil.rmtree(s.host(DEST), ignore_errors=True)
    win = s.c / "windows"
    for stale in [win / "system.bak", win / "system.new", win / "system" / "VLMOUSE.VXD",
                  win / "inf" / "VLMOUSE.INF", win / "system32" / "VMM32" / "VMOUSE.BAK",
                  win / "WININIT.INI", win / "wininit.bak", win / "system.un$"]:
        stale.unlink(missing_ok=True)
    shutil.copy(machine / "system.ini", win / "system.ini")
    (win / "system32" / "VMM32").mkdir(parents=True, exist_ok=True)
    shutil.copy(machine / "VMOUSE.VXD", win / "system32" / "VMM32" / "VMOUSE.VXD")
    disk = s.host(DISK)
    shutil.rmtree(disk, ignore_errors=True)
    shutil.copytree(disk_from or EXAMPLES / "disk", disk)
    if not disk_from:
        shutil.copy(setup_exe, disk / "SETUP.EXE")
    uninstall_exe = uninstall_exe or UNINSTALL_EXE
    if uninstall_exe:
        # In the place of the placeholder, under its name on the disk: SETUP.EXE
        # copies a file that is not SZDD as it is.
        placeholder = next(p for p in [disk / "UNINSTAL.EX_", disk / "UNINSTAL.EXE"]
                           if p.exists())
        shutil.copy(uninstall_exe, placeholder)
        # The uninstaller's copies, which finish the uninstall, run as
        # Windows 98 too; set before any snapshot, as part of the machine.
        s.import_reg("REGEDIT4\n\n" + "".join(
            f"[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\{COPY_PREFIX}{i:02d}.EXE]\n"
            "\"Version\"=\"win98\"\n\n" for i in range(3)))
    if inf_edit:
        inf = disk / "SETUP.INF"
        inf.write_bytes(inf_edit(inf.read_bytes().decode("latin-1")).encode("latin-1"))
    if big_first_file:
        # The first file made large, and stored compressed (every byte a
        # literal: valid SZDD that any expander reads), so that its expansion
        # takes long enough for a Cancel to land during it.
        import random
        data = random.Random(7).randbytes(big_first_file << 20)
        body = bytearray(b"SZDD\x88\xf0\x27\x33A\0" + len(data).to_bytes(4, "little"))
        for i in range(0, len(data), 8):
            body += b"\xff" + data[i:i + 8]
        (disk / "Q7MAIN.EX_").write_bytes(body)
        (work / "big.bin").write_bytes(data)


# ---- what the machine holds -------------------------------------------------
#
# A snapshot is the whole machine: every file and directory of drive C: and
# every key and value of the registry, less what Wine changes on its own
# (VOLATILE). HKEY_CLASSES_ROOT is HKLM\Software\Classes here, as on
# Windows 95, and is named so; HKEY_CURRENT_USER is its key below HKU.

# What changes on an idle machine across a restart (two snapshots with a
# `wineboot -r` between), or is the harness's own: (kind, path, reason). A
# registry entry covers the key, its values and its subkeys; a file entry a
# file or a directory and all below it.
# Measured with Wine 8.0 (the benchmark prints it): nothing else changes.
VOLATILE = [
    ("file", "wholerun", "the harness's scratch directory (robot steps, logs, these dumps)"),
]


def volatile(kind, path):
    """Whether VOLATILE covers a registry key ("reg") or a file ("file")."""
    low = path.lower()
    sep = "\\" if kind == "reg" else "/"
    return any(k == kind and (low == p.lower() or low.startswith(p.lower() + sep))
               for k, p, _ in VOLATILE)


def unescape(text):
    """A name or string as the wineserver writes it (its own C-like escapes)."""
    out, i = [], 0
    named = {"a": "\a", "b": "\b", "e": "\x1b", "f": "\f", "n": "\n", "r": "\r", "t": "\t",
             "v": "\v"}
    while i < len(text):
        ch = text[i]
        i += 1
        if ch != "\\" or i == len(text):
            out.append(ch)
            continue
        ch = text[i]
        i += 1
        if ch in named:
            out.append(named[ch])
        elif ch == "x":
            j = i
            while j < len(text) and j < i + 4 and text[j] in "0123456789abcdefABCDEF":
                j += 1
            out.append(chr(int(text[i:j], 16)) if j > i else "x")
            i = j
        elif ch in "01234567":
            j = i
            while j < len(text) and j < i + 2 and text[j] in "01234567":
                j += 1
            out.append(chr(int(text[i - 1:j], 8)))
            i = j
        else:
            out.append(ch)
    return "".join(out)


def quoted_end(text, start, quote):
    """Index of the quote that closes the quoted text opening before start."""
    i = start
    while text[i] != quote:
        i += 2 if text[i] == "\\" else 1
    return i


def parse_saved(path, name_of):
    """A registry branch as the wineserver saves it: keys and values, data as
    stored (strings in UTF-16). name_of maps a saved key path to its name
    here, or None to leave it out."""
    keys, values = set(), {}
    key = None
    text = path.read_text(encoding="utf-8", errors="surrogateescape").replace("\\\n  ", "")
    for line in text.splitlines():
        if line.startswith("["):
            key = name_of(unescape(line[1:quoted_end(line, 1, "]")]))
            if key is not None:
                parts = key.split("\\")
                keys.update("\\".join(parts[:n]) for n in range(1, len(parts) + 1))
            continue
        if key is None or not line or line[0] not in '"@':
            continue
        if line[0] == "@":
            name, rest = "", line[2:]
        else:
            end = quoted_end(line, 1, '"')
            name, rest = unescape(line[1:end]), line[end + 2:]
        typ = 1
        if rest.startswith("str("):
            typ, rest = int(rest[4:rest.index(")")], 16), rest[rest.index(":") + 1:]
        if rest.startswith('"'):
            data = (unescape(rest[1:-1]) + "\0").encode("utf-16le", "surrogatepass")
        elif rest.startswith("dword:"):
            typ, data = 4, int(rest[6:], 16).to_bytes(4, "little")
        else:
            head, _, body = rest.partition(":")
            typ = 3 if head == "hex" else int(head[4:-1], 16)
            data = bytes.fromhex(body.replace(",", ""))
        values[(key, name)] = (typ, data)
    return keys, values


def hklm_name(saved):
    cls = "software\\classes"
    low = saved.lower()
    if low == cls or low.startswith(cls + "\\"):
        return "HKCR" + saved[len(cls):]
    return "HKLM\\" + saved


def read_registry(s):
    log = WORK + "\\reg.txt"
    rc = s.run([WORK + "\\window_helper.exe", "save-reg", log])
    if rc != 0:
        raise RuntimeError(f"window_helper save-reg failed (exit {rc}): "
                           f"{read_lines(s.host(log))}")
    keys, values = parse_saved(s.host(log + ".hklm"), hklm_name)
    more = parse_saved(s.host(log + ".hku"), lambda saved: "HKU\\" + saved)
    keys |= more[0]
    values.update(more[1])
    # HKEY_DYN_DATA through the ANSI calls: its strings are made UTF-16 too.
    for line in s.host(log).read_text(encoding="latin-1").splitlines():
        key, name, typ, data = (line.split("\t") + ["", "", ""])[:4]
        keys.add(key)
        if typ:
            raw = bytes.fromhex(data)
            if int(typ) in (1, 2, 7):
                raw = raw.decode("latin-1").encode("utf-16le")
            values[(key, name)] = (int(typ), raw)
    keys = {k for k in keys if not volatile("reg", k)}
    values = {kn: v for kn, v in values.items() if not volatile("reg", kn[0])}
    return keys, values


class Content:
    """A file's contents by their digest; small files keep their bytes. Equal
    to another Content with the same digest, or to the bytes themselves."""
    KEEP = 64 << 10  # bytes kept up to this size

    def __init__(self, digest, size, path, data=None):
        self.digest, self.size, self.path, self.data = digest, size, path, data

    def __eq__(self, other):
        if isinstance(other, Content):
            return self.digest == other.digest
        if isinstance(other, (bytes, bytearray)):
            return len(other) == self.size and hashlib.sha1(other).digest() == self.digest
        return NotImplemented

    def __hash__(self):
        return hash(self.digest)

    def __len__(self):
        return self.size

    def __repr__(self):
        return f"<{self.size} bytes {self.digest.hex()[:12]}>"

    def bytes(self):
        data = self.data if self.data is not None else self.path.read_bytes()
        if hashlib.sha1(data).digest() != self.digest:
            raise RuntimeError(f"{self.path} changed since the snapshot")
        return data

    def decode(self, *args):
        return self.bytes().decode(*args)


# Digests of large files by path, trusted while size, times and inode stay:
# only for files unchanged for SETTLED seconds when hashed, so that a write
# in the same clock tick as the hashing cannot go unseen.
_digests = {}
SETTLED = 2.0


def content_of(p, st):
    if st.st_size <= Content.KEEP:
        data = p.read_bytes()
        return Content(hashlib.sha1(data).digest(), len(data), p, data)
    stamp = (st.st_size, st.st_mtime_ns, st.st_ctime_ns, st.st_ino, st.st_dev)
    known = _digests.get(p)
    if known and known[0] == stamp:
        return Content(known[1], st.st_size, p)
    h = hashlib.sha1()
    with open(p, "rb") as f:
        while chunk := f.read(1 << 20):
            h.update(chunk)
    if time.time() - st.st_ctime > SETTLED:
        _digests[p] = (stamp, h.digest())
    return Content(h.digest(), st.st_size, p)


def read_files(s):
    """Every file of drive C: by its contents, every directory (an empty one
    left behind shows), every symbolic link by its target."""
    files, dirs = {}, set()
    for root, subdirs, names in os.walk(s.c):
        base = Path(root)
        rel = base.relative_to(s.c).as_posix()
        keep = []
        for d in subdirs:
            name = d if rel == "." else f"{rel}/{d}"
            if volatile("file", name):
                continue
            if (base / d).is_symlink():
                files[name] = "-> " + os.readlink(base / d)
            else:
                dirs.add(name)
                keep.append(d)
        subdirs[:] = keep
        for n in names:
            name = n if rel == "." else f"{rel}/{n}"
            p = base / n
            if volatile("file", name):
                continue
            st = p.lstat()
            files[name] = ("-> " + os.readlink(p) if stat.S_ISLNK(st.st_mode)
                           else content_of(p, st))
    return files, dirs


def snapshot(s):
    keys, values = read_registry(s)
    files, dirs = read_files(s)
    return {"keys": keys, "values": values, "files": files, "dirs": dirs}


def text_of(value):
    if not value:
        return None
    return value[1].decode("utf-16le", "replace").split("\0")[0]


def describe_changes(before, after):
    lines = []
    for name in sorted(set(before["files"]) | set(after["files"])):
        a, b = before["files"].get(name), after["files"].get(name)
        if a == b:
            continue
        what = "new" if a is None else "removed" if b is None else "changed"
        size = f" ({len(b)} bytes)" if b is not None else ""
        lines.append(f"  file {what}: C:/{name}{size}")
    for name in sorted(before["dirs"] ^ after["dirs"]):
        lines.append(f"  directory {'new' if name in after['dirs'] else 'removed'}: C:/{name}")
    changed_keys = {k for (k, _), v in after["values"].items() if before["values"].get((k, _)) != v}
    for k in sorted(set(after["keys"]) - set(before["keys"]) - changed_keys):
        lines.append(f"  registry key new: {k}")
    for k in sorted(set(before["keys"]) - set(after["keys"])):
        lines.append(f"  registry key removed: {k}")
    for key in sorted(set(before["values"]) | set(after["values"])):
        a, b = before["values"].get(key), after["values"].get(key)
        if a == b:
            continue
        shown = text_of(b) if b and b[0] == 1 else (b[1].hex() if b else "(removed)")
        old = f"  (was {text_of(a)!r})" if a and a[0] == 1 else ""
        lines.append(f"  registry value: {key[0]}  {key[1] or '(default)'} = {shown!r}{old}")
    return lines


# ---- one run ------------------------------------------------------------------

class Run:
    exit_code = None
    robot_ok = False
    log = []
    restart = False
    app_log = []


def start_installed_app(s, linger_ms):
    """The mouse application started from the installed Q7MAIN.EXE (this
    helper copied over it), so that Windows holds that file while it runs;
    after WM_CLOSE it ends in linger_ms (-1: never). The caller ends it as
    the restart would."""
    app = s.host(DEST + "\\Q7MAIN.EXE")
    shutil.copy(s.host(WORK + "\\window_helper.exe"), app)
    log = s.host(WORK + "\\app.log")
    log.unlink(missing_ok=True)
    p = s.popen([DEST + "\\Q7MAIN.EXE", "mouse-app", WORK + "\\app.log", DEST + "\\README.TXT",
                 str(linger_ms)])
    if not wait_for_line(log, "ready", 30):
        raise RuntimeError("the installed mouse application did not start")
    return p


def end_app(p):
    """A restart ends every program: the stand-in too, if it still runs."""
    if p is not None and p.poll() is None:
        p.kill()
        p.wait()


def run_setup(s, script, args=(), shots=None, mouse_app=False, expect_restart=True,
              timeout=60, program=DISK + "\\SETUP.EXE"):
    """Starts the restart watch, SETUP.EXE (or `program`) and the robot on
    `script` (its step lines); a "shot NAME" step leaves shots/NAME.png."""
    r = Run()
    restart_log = s.host(WORK + "\\restart.log")
    restart_log.unlink(missing_ok=True)
    watch = s.popen([WORK + "\\window_helper.exe", "watch-restart", WORK + "\\restart.log"])
    wait_for_line(restart_log, "ready", 30)
    app = None
    if mouse_app:
        s.host(WORK + "\\app.log").unlink(missing_ok=True)
        app = s.popen([WORK + "\\window_helper.exe", "mouse-app", WORK + "\\app.log",
                       DEST + "\\Q7MAIN.EXE"])
        wait_for_line(s.host(WORK + "\\app.log"), "ready", 30)
    marks = s.host(WORK + "\\shots")
    shutil.rmtree(marks, ignore_errors=True)
    marks.mkdir()
    if shots is not None:
        Path(shots).mkdir(parents=True, exist_ok=True)
    s.host(WORK + "\\walk.txt").write_text("\r\n".join(script) + "\r\n")
    uninstaller = program.upper().endswith("\\UNINSTAL.EXE")
    setup = s.popen([program] + list(args), cwd=s.host(program.rsplit("\\", 1)[0]))
    env = dict(s.env, ROBOT_SHOTS=WORK + "\\shots")
    robot = subprocess.Popen([s.wine, WORK + "\\robot.exe", WORK + "\\walk.txt"], env=env,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                             stdin=subprocess.DEVNULL, text=True, errors="replace")
    while robot.poll() is None:
        for mark in marks.glob("*.wait"):
            if shots is not None:
                s.screenshot(Path(shots) / (mark.stem + ".png"))
            mark.unlink()
        time.sleep(0.05)
    r.log = [line.rstrip() for line in robot.stdout.read().splitlines()]
    r.robot_ok = robot.returncode == 0
    try:
        # A walk that broke off leaves SETUP.EXE waiting for it.
        r.exit_code = setup.wait(timeout if r.robot_ok else 3)
    except subprocess.TimeoutExpired:
        setup.kill()
        setup.wait()
        r.exit_code = "hung"
    if uninstaller and r.exit_code == 0:
        # UNINSTAL.EXE ends as soon as its copy in the temp directory runs;
        # the copy shows the result and asks for the restart.
        # A user at the display (no timeout) takes as long as they like.
        gone = s.host(WORK + "\\gone.log")
        while s.run([WORK + "\\window_helper.exe", "wait-gone", WORK + "\\gone.log",
                     COPY_PREFIX]) == 0 and read_lines(gone) != ["gone"] and timeout is None:
            pass
        if read_lines(gone) != ["gone"]:
            r.exit_code = "its copy hung"
    # wineboot --end-session reaches the watch after SETUP.EXE has gone.
    r.restart = wait_for_line(restart_log, "queryendsession", 30 if expect_restart else 4)
    for p in [watch, app]:
        if p is not None and p.poll() is None:
            p.kill()
            p.wait()
    if app is not None:
        r.app_log = read_lines(s.host(WORK + "\\app.log"))
    return r


def read_lines(path):
    try:
        return path.read_text(errors="replace").splitlines()
    except FileNotFoundError:
        return []


def wait_for_line(path, prefix, seconds):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if any(line.startswith(prefix) for line in read_lines(path)):
            return True
        time.sleep(0.1)
    return False


# ---- the walk, in the robot's steps (tests/robot/robot.cpp) -------------------

CAPTION = "Velor Mouse Setup Program"
CANCEL_TEXT = "Velor Mouse installation is not completed !"


def leave(cls, button):
    """Click a button that closes the page, and wait until the page is gone."""
    return [f"wait {cls}", f"click {button}", "gone"]


def answer_box(caption, text, icon, button=OK):
    return ["msgbox", f"caption {caption}", f"msgtext {text}", f"icon {icon}",
            f"click {button}", "gone"]


def walk_to(page, shots=False):
    """Steps from the start up to `page` being up (not left)."""
    order = [(WELCOME, "1-welcome"), (WARNING, "2-warning"), (MOUSE, "3-mouse-type"),
             (SELDIR, "4-destination")]
    steps = []
    for i, (cls, name) in enumerate(order):
        if i > 0:
            steps += leave(order[i - 1][0], NEXT)
        steps += [f"wait {cls}", "caption Velor Mouse Setup"]
        steps += [f"shot {name}"] if shots else []
        if cls == page:
            break
    return steps


def full_walk(shots=False, finish_button=RESTART_YES):
    steps = walk_to(SELDIR, shots) + leave(SELDIR, NEXT) + [f"wait {INSTALL}"]
    steps += ["shot 5-install"] if shots else []
    steps += [f"wait {END}", f"checked {RESTART_YES} 1", f"checked {RESTART_NO} 0"]
    steps += ["shot 6-end"] if shots else []
    if finish_button == RESTART_NO:
        steps += [f"click {RESTART_NO}"]
    return steps + leave(END, NEXT)


# ---- checks ------------------------------------------------------------------

class Checks:
    def __init__(self, quiet=False):
        self.failed = 0
        self.quiet = quiet
        self.failures = []  # what failed, for a summary

    def check(self, ok, what, got=None, expected=None):
        if ok:
            if not self.quiet:
                print(f"  ok    {what}")
        else:
            self.failed += 1
            self.failures.append(what)
            extra = f": got {got!r}, expected {expected!r}" if expected is not None else (
                f": got {got!r}" if got is not None else "")
            print(f"  FAIL  {what}{extra}")

    def equal(self, got, expected, what):
        self.check(got == expected, what, got, expected)


def value(snap, key, name):
    """A value's text, or its bytes when it is not a string; names are
    case-blind, as in the registry."""
    v = snap["values"].get((key, name))
    if v is None:
        want = (key.lower(), name.lower())
        v = next((x for (k, n), x in snap["values"].items() if (k.lower(), n.lower()) == want),
                 None)
    return text_of(v) if v and v[0] == 1 else (v[1] if v else None)


ORIGINAL_FILES = {
    "Program Files/VELOR/Q7MAIN.EXE": "Q7MAIN.EXE",
    "Program Files/VELOR/Q7PAGE.DLL": "Q7PAGE.DLL",
    "Program Files/VELOR/UNINSTAL.EXE": "UNINSTAL.EXE",
    "Program Files/VELOR/UNINSTAL.INF": "UNINSTAL.INF",
    "Program Files/VELOR/README.TXT": "README.TXT",
    "Program Files/VELOR/HELP/VELOR.HLP": "VELOR.HLP",
    "windows/system/VLMOUSE.VXD": "VLMOUSE.VXD",
    "windows/inf/VLMOUSE.INF": "VLMOUSE.INF",
}
RECORD_PS2 = [
    ("SubKey1", "Enum\\BIOS\\*PNP0F13\\0000"), ("DeviceDesc", "Standard PS/2 Port Mouse"),
    ("ConfigFlags", "00000000"), ("Mfg", "(Standard mouse types)"),
    ("SubKey2", "System\\CurrentControlSet\\Services\\Class\\Mouse\\0000"),
    ("MouseDriver", "mouse.drv"), ("InfPath", "MSMOUSE.INF"),
    ("DriverDesc", "Standard PS/2 Port Mouse"), ("DriverDate", "4-23-1999"),
    ("InfSection", "PS2_Inst"), ("MouseType", "-"),
]


def check_files(c, snap, names):
    for name in names:
        # The disk carries the built uninstaller when one was given.
        built = UNINSTALL_EXE if ORIGINAL_FILES[name] == "UNINSTAL.EXE" else None
        expected = Path(built or EXAMPLES / "originals" / ORIGINAL_FILES[name]).read_bytes()
        c.check(snap["files"].get(name) == expected, f"C:/{name} byte-exact")


def check_application_entries(c, snap, present):
    dest = DEST
    rows = [
        ("HKCR\\CLSID\\" + CLSID, "", "Q7MouseControlPage"),
        ("HKCR\\CLSID\\" + CLSID + "\\InProcServer32", "", dest + "\\Q7PAGE.DLL"),
        ("HKCR\\CLSID\\" + CLSID + "\\InProcServer32", "ThreadingModel", "Apartment"),
        (CV + "\\Controls Folder\\Mouse\\shellex\\PropertySheetHandlers", "", "Q7MousePage"),
        (CV + "\\Controls Folder\\Mouse\\shellex\\PropertySheetHandlers\\Q7MousePage", "", CLSID),
        (CV + "\\Run", "VelorPoint", dest + "\\Q7MAIN.EXE -startup"),
        (CV + "\\Uninstall\\VelorPoint", "DisplayName", "Velor Mouse"),
        (CV + "\\Uninstall\\VelorPoint", "UninstallString", dest + "\\UNINSTAL.EXE"),
    ]
    for i, (key, name, data) in enumerate(rows, 1):
        c.equal(value(snap, key, name), data if present else None,
                f"application entry {i}: {key.split(chr(92))[-1]} {name or '(default)'}")


def check_driver(c, snap):
    c.equal(value(snap, DEVICE, "DeviceDesc"), "Velor PS/2 Wheel Mouse", "device DeviceDesc")
    c.equal(value(snap, DEVICE, "Mfg"), "Velor", "device Mfg")
    c.equal(value(snap, DEVICE, "ConfigFlags"), b"\0\0\0\0", "device ConfigFlags")
    c.equal(value(snap, DEVICE, "Driver"), "Mouse\\0000", "device Driver kept")
    key = CLASS + "\\0000"
    for name, data in [("DevLoader", "*vmouse"), ("MouseType", "PS2"),
                       ("MouseDriver", "VLMOUSE.VXD"), ("InfPath", "VLMOUSE.INF"),
                       ("DriverDesc", "Velor PS/2 Wheel Mouse"), ("DriverDate", "11-20-1998"),
                       ("InfSection", "VLPS2")]:
        c.equal(value(snap, key, name), data, f"class {name}")


def check_record(c, text, where):
    lines = [l.strip() for l in text.splitlines() if l.strip()]
    try:
        start = lines.index("[PS2]")
    except ValueError:
        c.check(False, f"install record in {where} has [PS2]", lines)
        return
    got = [tuple(l.split("=", 1)) for l in lines[start + 1:start + 1 + len(RECORD_PS2)]]
    c.equal(got, RECORD_PS2, f"install record in {where}: keys in order")


def check_system_ini(c, snap, switched):
    before = (EXAMPLES / "machine" / "system.ini").read_bytes()
    vxd = (EXAMPLES / "machine" / "VMOUSE.VXD").read_bytes()
    files = snap["files"]
    if switched:
        c.equal(files.get("windows/system.ini"),
                before.replace(b"mouse=msmouse.vxd", b"mouse=*vmouse"), "system.ini switched")
        c.equal(files.get("windows/system.bak"), before, "system.bak is the old system.ini")
        c.equal(files.get("windows/system32/VMM32/VMOUSE.BAK"), vxd, "VMOUSE.BAK")
        c.check("windows/system32/VMM32/VMOUSE.VXD" not in files, "VMOUSE.VXD renamed away")
    else:
        c.equal(files.get("windows/system.ini"), before, "system.ini unchanged")
        c.check("windows/system.bak" not in files, "no system.bak")
        c.equal(files.get("windows/system32/VMM32/VMOUSE.VXD"), vxd, "VMOUSE.VXD still there")
    c.check("windows/system.new" not in files, "no system.new left")


# ---- screenshots of the backdrop --------------------------------------------

def read_image(path):
    """RGB rows of an image, through ImageMagick's PPM."""
    data = subprocess.run(["convert", str(path), "-depth", "8", "ppm:-"], capture_output=True,
                          check=True).stdout
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    w, h = int(fields[1]), int(fields[2])
    pixels = data[pos + 1:]
    return w, h, lambda x, y: tuple(pixels[(y * w + x) * 3:(y * w + x) * 3 + 3])


def band_blue(client_row, h):
    band = next(b for b in range(255) if (b + 1) * h // 255 > client_row)
    return 255 - band


def check_backdrop(c, shot, oem=0):
    w, h, px = read_image(shot)
    # Rows of the gradient, at the right edge where no page or banner lies;
    # the client area starts one pixel in, below the border.
    rows = sorted({1, 2, 3, 4, 5, h // 2, h // 2 + 1, h - 5, h - 4, h - 3, h - 2} |
                  {b * h // 255 + 1 for b in (1, 2, 100, 128, 254)} |
                  {b * h // 255 for b in (2, 100, 128, 254)})
    bad = [(y, px(w - 30, y), (0, 0, band_blue(y - 1, h))) for y in rows
           if px(w - 30, y) != (0, 0, band_blue(y - 1, h))]
    c.check(not bad, f"gradient bands at {len(rows)} rows for a screen {h} high", bad[:3])
    for art, left, top, shown in [("title-banner.bmp", 20, 10, True),
                                  ("notice-banner.bmp", 20, h - 60, oem == 0)]:
        bw, bh, bpx = read_image(ROOT / "resources" / "art" / art)
        wrong, lettering, through = [], 0, 0
        for y in range(bh):
            for x in range(bw):
                colour = bpx(x, y)
                at = px(left + x + 1, top + y + 1)
                gradient = (0, 0, band_blue(top + y, h))
                if colour == (255, 0, 255) or not shown:
                    expected = gradient
                    through += 1
                else:
                    expected = colour
                    lettering += 1
                if at != expected:
                    wrong.append((x, y, at, expected))
        what = (f"{art}: {lettering} pixels placed at +1,+1 and {through} magenta pixels "
                f"show the gradient" if shown else f"{art} absent (OEM), gradient only")
        c.check(not wrong, what, wrong[:3])


# ---- scenarios ---------------------------------------------------------------

def check_walk(c, r, what):
    c.check(r.robot_ok, what, r.log[-2:])


def scenario_full(s, a, c, disk_from=None):
    """A full setup on the sample disk, with Back on the way, restart chosen."""
    prepare_machine(s, a.setup, a.helper, disk_from=disk_from)
    steps = walk_to(WARNING) + leave(WARNING, BACK) + [f"wait {WELCOME}", "shot welcome"]
    steps += leave(WELCOME, NEXT) + leave(WARNING, NEXT)
    steps += [f"wait {MOUSE}", f"checked {PS2} 1", f"checked {SERIAL} 0"] + leave(MOUSE, NEXT)
    steps += [f"wait {SELDIR}", f"text 1003 {DEST}"] + leave(SELDIR, BACK)
    steps += [f"wait {MOUSE}", f"checked {PS2} 1"] + leave(MOUSE, NEXT)
    steps += leave(SELDIR, NEXT) + [f"wait {END}", f"checked {RESTART_YES} 1"]
    steps += leave(END, NEXT)
    shots = Path(a.shots or s.host(WORK))
    r = run_setup(s, steps, shots=shots)
    after = snapshot(s)
    c.equal(r.exit_code, 0, "exit code")
    check_walk(c, r, "every page, Back twice (PS/2 kept), destination shown, install page "
                     "followed by the End page")
    check_files(c, after, ORIGINAL_FILES)
    check_application_entries(c, after, True)
    check_driver(c, after)
    check_record(c, after["files"].get("Program Files/VELOR/SETUP.INF", b"").decode("latin-1"),
                 "the destination")
    check_system_ini(c, after, True)
    c.check(r.restart, "a restart was requested")
    if (shots / "welcome.png").exists():
        check_backdrop(c, shots / "welcome.png")
    else:
        c.check(False, "backdrop screenshot taken")


def scenario_full_cdrom(s, a, c):
    """The full setup from the CD-ROM image of the sample (disktool build --iso, SETUP.EXE
    on it), as Windows 95 reads it: its Joliet tree extracted with xorriso."""
    out = Path(s.host(WORK)).parent / "wholerun-cdrom"
    shutil.rmtree(out, ignore_errors=True)
    out.mkdir(parents=True)
    built = subprocess.run([a.disktool, "build", "--iso", "--setup-exe", a.setup,
                            str(EXAMPLES / "disk.manifest"), str(out / "set")],
                           capture_output=True, text=True)
    c.check(built.returncode == 0, "disktool build --iso", built.stderr[-500:])
    tree = out / "cdrom"
    subprocess.run(["xorriso", "-rockridge", "off", "-osirrox", "on", "-indev",
                    str(out / "set" / "cdrom.iso"), "-extract", "/", str(tree)],
                   capture_output=True, check=False)
    c.check((tree / "SETUP.EXE").is_file() and (tree / "SYSTEM" / "VLMOUSE.VX_").is_file(),
            "SETUP.EXE and the sample's files on the CD")
    scenario_full(s, a, c, disk_from=tree)


def scenario_netinst(s, a, c):
    """The administrator's network install point (disktool netinst of the
    sample disk with SETUP.EXE and examples/answers.ini, unchanged), and
    SETUP.EXE run from it: no page, no box; installed as the answers say,
    the result and the log in the Windows directory, and the restart."""
    out = Path(s.host(WORK)).parent / "wholerun-netinst"
    shutil.rmtree(out, ignore_errors=True)
    out.mkdir(parents=True)
    built = subprocess.run([a.disktool, "netinst", "--setup-exe", a.setup,
                            str(EXAMPLES / "disk"), str(EXAMPLES / "answers.ini"),
                            str(out / "point")], capture_output=True, text=True)
    c.check(built.returncode == 0, "disktool netinst", built.stderr[-500:])
    share = out / "point" / "share"
    c.check((share / "SETUP.EXE").is_file() and b"[Unattended]" in
            (share / "SETUP.INF").read_bytes(), "SETUP.EXE and the answers in the share")
    win = s.c / "windows"
    for stale in ["VLSETUP.RES", "VLSETUP.LOG"]:
        (win / stale).unlink(missing_ok=True)
    prepare_machine(s, a.setup, a.helper, disk_from=share)
    r = run_setup(s, ["nomsgbox"], timeout=120)
    after = snapshot(s)
    c.equal(r.exit_code, 0, "exit code")
    c.equal((win / "VLSETUP.RES").read_text(errors="replace").splitlines()[:2]
            if (win / "VLSETUP.RES").exists() else None, ["[Result]", "Code=0"],
            "the result file: installed, restarting")
    check_files(c, after, ORIGINAL_FILES)
    check_driver(c, after)
    check_system_ini(c, after, True)
    log = (win / "VLSETUP.LOG").read_text("latin-1") if (win / "VLSETUP.LOG").exists() else ""
    c.check("SETUP.EXE, unattended ====" in log, "the log names the run", log[-300:])
    c.check(r.restart, "a restart was requested")


def cancel_on(page):
    def scenario(s, a, c):
        prepare_machine(s, a.setup, a.helper)
        before = snapshot(s)
        steps = walk_to(page) + [f"click {CANCEL}"]
        steps += answer_box(CAPTION, CANCEL_TEXT, "warning")
        r = run_setup(s, steps, expect_restart=False)
        after = snapshot(s)
        c.equal(r.exit_code, 0, "exit code")
        check_walk(c, r, "cancel warning shown (caption, text, warning icon), then the end")
        c.equal(describe_changes(before, after), [], "nothing changed on the machine")
        c.check(not r.restart, "no restart requested")
    scenario.__doc__ = f"Cancel on {page}: nothing changes."
    return scenario


def scenario_cancel_copy(s, a, c):
    """Cancel while the first, large file is copied."""
    prepare_machine(s, a.setup, a.helper, big_first_file=32)
    big = s.host(WORK + "\\big.bin").read_bytes()
    steps = walk_to(SELDIR) + leave(SELDIR, NEXT)
    # The click is posted as soon as the page has its button, so it waits in
    # the queue before the large file's copy is over.
    steps += [f"appear {INSTALL} 1", "click 1"]
    # The page is gone by now; the warning that follows belongs to the
    # backdrop and stays until answered.
    steps += answer_box(CAPTION, CANCEL_TEXT, "warning") + ["nomsgbox"]
    r = run_setup(s, steps, expect_restart=False)
    after = snapshot(s)
    c.equal(r.exit_code, 0, "exit code")
    check_walk(c, r, "cancel warning shown and answered; no End page before the end")
    c.check(after["files"].get("Program Files/VELOR/Q7MAIN.EXE") == big,
            "the file in progress was completed")
    later = [n for n in ORIGINAL_FILES if n != "Program Files/VELOR/Q7MAIN.EXE"]
    c.equal([n for n in later if n in after["files"]], [], "no further file copied")
    check_application_entries(c, after, True)
    check_driver(c, after)
    check_system_ini(c, after, False)
    c.check(not r.restart, "no restart requested")


def scenario_end_no(s, a, c):
    """Full setup, "No, I will restart my computer later." on the End page."""
    prepare_machine(s, a.setup, a.helper)
    r = run_setup(s, full_walk(finish_button=RESTART_NO), expect_restart=False)
    after = snapshot(s)
    c.equal(r.exit_code, 0, "exit code")
    check_walk(c, r, "every page walked")
    check_files(c, after, ORIGINAL_FILES)
    check_system_ini(c, after, True)
    c.check(not r.restart, "no restart requested")


def scenario_driver_only(s, a, c):
    """SETUP.EXE -u: without an installation it changes nothing and says so
    (the setup script is no install record); after the full setup, the
    mouse-type page alone, the driver registered, its record beside the
    installation, restart."""
    prepare_machine(s, a.setup, a.helper)
    script = (s.host(DISK) / "SETUP.INF").read_bytes()
    steps = answer_box(CAPTION, "Velor Mouse is not installed: please run the full Setup "
                                "first.\\nNothing was changed.", "error")
    r = run_setup(s, steps, args=["-u"], expect_restart=False)
    check_walk(c, r, "no installation: refused, nothing changed")
    c.check(not r.restart, "no restart requested")
    r = run_setup(s, full_walk(finish_button=RESTART_NO), expect_restart=False)
    steps = [f"wait {MOUSE}", f"enabled {BACK} 0", f"checked {PS2} 1", f"click {NEXT}"]
    steps += answer_box(CAPTION, "The Mouse Setup Program has installed driver successfully. "
                                 "You have to restart your Windows now !", "information")
    r = run_setup(s, steps, args=["-u"])
    after = snapshot(s)
    c.equal(r.exit_code, 0, "exit code")
    check_walk(c, r, "Back disabled, PS/2 chosen, string 53 with the information icon")
    check_driver(c, after)
    check_record(c, after["files"].get("Program Files/VELOR/SETUP.INF", b"").decode("latin-1"),
                 "the installation's SETUP.INF")
    c.equal(after["files"].get("SETUPDISK/SETUP.INF"), script, "the setup script untouched")
    c.check(r.restart, "a restart was requested")


def scenario_version(s, a, c):
    """A Windows NT version: string 44 captioned "Warning", nothing else."""
    prepare_machine(s, a.setup, a.helper)
    before = snapshot(s)
    s.windows_version("SETUP.EXE", "winxp")
    try:
        steps = answer_box("Warning", "This  Mouse Setup Program is for Windows 95/98 only !",
                           "warning") + ["sleep 1000"]
        r = run_setup(s, steps, expect_restart=False)
    finally:
        s.windows_version("SETUP.EXE", "win98")
    after = snapshot(s)
    c.equal(r.exit_code, 0, "exit code")
    check_walk(c, r, "refusal box: string 44, caption Warning, warning icon")
    c.equal(describe_changes(before, after), [], "nothing changed on the machine")
    c.check(not r.restart, "no restart requested")


def scenario_mouse_app(s, a, c):
    """A running "VelorPoint" window is closed before the copy."""
    prepare_machine(s, a.setup, a.helper)
    r = run_setup(s, full_walk(), mouse_app=True)
    c.equal(r.exit_code, 0, "exit code")
    check_walk(c, r, "every page walked")
    c.equal(r.app_log, ["ready", "close before-copy"], "WM_CLOSE reached it before the copy")
    check_files(c, snapshot(s), ORIGINAL_FILES)


def scenario_oem(s, a, c):
    """OEM=1: the backdrop has no lower banner."""
    prepare_machine(s, a.setup, a.helper, inf_edit=lambda t: t.replace("OEM=0", "OEM=1"))
    shots = Path(a.shots or s.host(WORK))
    steps = [f"wait {WELCOME}", "shot oem-welcome", f"click {CANCEL}"]
    steps += answer_box(CAPTION, CANCEL_TEXT, "warning")
    r = run_setup(s, steps, shots=shots, expect_restart=False)
    c.equal(r.exit_code, 0, "exit code")
    check_walk(c, r, "Welcome shown, then cancelled")
    check_backdrop(c, shots / "oem-welcome.png", oem=1)


RESULT = WORK + "\\RESULT.RES"  # where the unattended runs write their result


def with_answers(answers):
    """inf_edit: the script gains an [Unattended] section with these lines."""
    return lambda t: t.rstrip("\r\n") + "\r\n[Unattended]\r\n" + "".join(
        line + "\r\n" for line in answers)


def result_of(s):
    """The result file as (Code, Reason); None when there is none."""
    p = s.host(RESULT)
    if not p.exists():
        return None
    lines = dict(l.split("=", 1) for l in p.read_text(errors="replace").splitlines() if "=" in l)
    return lines.get("Code"), lines.get("Reason")


def without(snap, names):
    """snap without the files named (the run's own notes, the scripts that differ)."""
    return dict(snap, files={k: v for k, v in snap["files"].items() if k not in names})


def scenario_unattended(s, a, c):
    """[Unattended] in the script: no page, no box; the machine as the wizard
    leaves it with the same answers (restart No), and the result file says
    so."""
    prepare_machine(s, a.setup, a.helper)
    r = run_setup(s, full_walk(finish_button=RESTART_NO), expect_restart=False)
    c.check(r.robot_ok, "the wizard walked", r.log[-2:])
    wizard = snapshot(s)
    answers = ["MouseType=PS2", "Restart=Never", "Result=" + RESULT,
               "Log=" + WORK + "\\*.LOG"]
    prepare_machine(s, a.setup, a.helper, inf_edit=with_answers(answers))
    r = run_setup(s, [f"appear {WELCOME} 1"], expect_restart=False, timeout=120)
    c.check(not r.robot_ok, "no page came up")
    quiet = snapshot(s)
    c.equal(r.exit_code, 0, "exit code")
    c.equal(result_of(s), ("1", "Velor Mouse is installed. Windows must restart before the "
                                "mouse works."), "result file: installed, restart pending")
    logs = [p.name for p in s.host(WORK).glob("*.LOG")]
    c.check(len(logs) == 1 and logs[0] != "*.LOG", "the log is named by the computer", logs)
    log = (s.host(WORK) / logs[0]).read_text("latin-1") if len(logs) == 1 else ""
    for line in ["SETUP.EXE, unattended ====", "mouse PS/2, destination " + DEST,
                 "file C:\\Program Files\\VELOR\\\\Q7MAIN.EXE: made ... done",
                 "system.ini: mouse=msmouse.vxd -> mouse=*vmouse",
                 "outcome: Velor Mouse is installed."]:
        c.check(line in log, f"the log says: {line}", log[-300:])
    record = quiet["files"].get("Program Files/VELOR/SETUP.INF", b"").decode("latin-1")
    c.check(f"[Log]\r\nPath={WORK}\\{logs[0] if logs else ''}" in record,
            "the record keeps the log for the uninstaller", record[-120:])
    mine = ["SETUPDISK/SETUP.INF", "wholerun/RESULT.RES", "Program Files/VELOR/SETUP.INF"]
    c.equal(describe_changes(without(wizard, mine), without(quiet, mine)), [],
            "the machine as the wizard leaves it")
    c.check(not r.restart, "no restart requested")


def scenario_unattended_refused(s, a, c):
    """A mistake in the answers: nothing changes, the result names it."""
    prepare_machine(s, a.setup, a.helper,
                    inf_edit=with_answers(["MouseType=PS2", "Colour=Blue", "Result=" + RESULT]))
    before = snapshot(s)
    r = run_setup(s, ["nomsgbox"], expect_restart=False, timeout=120)
    c.equal(r.exit_code, 0, "exit code")
    c.equal(result_of(s), ("2", "[Unattended] line 46: unknown key Colour"),
            "result file: refused, the key named")
    c.equal(describe_changes(without(before, ["wholerun/RESULT.RES"]),
                             without(snapshot(s), ["wholerun/RESULT.RES"])), [],
            "nothing changed")
    c.check(not r.restart, "no restart requested")


def scenario_unattended_restart(s, a, c):
    """Restart=Always: installed, the result written, then Windows restarts;
    SETUP.EXE -u with the same section is refused without an installation
    and registers the driver over one, restarting too."""
    prepare_machine(s, a.setup, a.helper,
                    inf_edit=with_answers(["Restart=Always", "Result=" + RESULT]))
    r = run_setup(s, ["nomsgbox"], args=["-u"], expect_restart=False, timeout=120)
    c.equal(result_of(s)[0], "2", "-u without an installation: refused")
    c.check(not r.restart, "-u refused: no restart")
    r = run_setup(s, ["nomsgbox"], timeout=120)
    c.equal(result_of(s)[0], "0", "result file: installed, restarting")
    check_files(c, snapshot(s), ORIGINAL_FILES)
    c.check(r.restart, "a restart was requested")
    r = run_setup(s, ["nomsgbox"], args=["-u"], timeout=120)
    c.equal(result_of(s), ("0", "The Mouse Setup Program has installed driver successfully. "
                                "You have to restart your Windows now !"),
            "-u over the installation: the driver registered, restarting")
    check_driver(c, snapshot(s))
    c.check(r.restart, "-u: a restart was requested")


SCENARIOS = {
    "full": scenario_full,
    "full-cdrom": scenario_full_cdrom,
    "cancel-welcome": cancel_on(WELCOME),
    "cancel-warning": cancel_on(WARNING),
    "cancel-mouse-type": cancel_on(MOUSE),
    "cancel-destination": cancel_on(SELDIR),
    "cancel-copy": scenario_cancel_copy,
    "end-no": scenario_end_no,
    "driver-only": scenario_driver_only,
    "version": scenario_version,
    "mouse-app": scenario_mouse_app,
    "oem": scenario_oem,
    "unattended": scenario_unattended,
    "unattended-refused": scenario_unattended_refused,
    "unattended-restart": scenario_unattended_restart,
    "netinst": scenario_netinst,
}


# ---- demo and benchmark ------------------------------------------------------

def demo(s, a):
    shots = Path(a.shots)
    shots.mkdir(parents=True, exist_ok=True)
    prepare_machine(s, a.setup, a.helper)
    # UNINSTAL.EXE runs as a Windows 98 program: part of the machine, not a change.
    s.windows_version("UNINSTAL.EXE", "win98")
    before = snapshot(s)
    if a.interactive:
        print("demo: go through the wizard on your display; Finish on the last page ends it.")
        r = run_setup(s, [], timeout=None)
    else:
        r = run_setup(s, full_walk(shots=True), shots=shots)
        print("demo: every page walked" if r.robot_ok else "demo: the walk broke off: " +
              " ".join(r.log[-2:]))
    print(f"demo: SETUP.EXE ended with exit code {r.exit_code}")
    restart = r.restart
    after = snapshot(s)
    print("\nWhat the installation changed:")
    for line in describe_changes(before, after):
        print(line)
    old = before["files"].get("windows/system.ini", b"").decode("latin-1").splitlines()
    new = after["files"].get("windows/system.ini", b"").decode("latin-1").splitlines()
    import difflib
    diff = list(difflib.unified_diff(old, new, "system.ini (before)", "system.ini (after)",
                                     lineterm="", n=1))
    print("\nsystem.ini:" + ("" if diff else " unchanged"))
    for line in diff:
        print("  " + line)
    record = after["files"].get("Program Files/VELOR/SETUP.INF")
    if record:
        print(f"\nInstall record ({DEST}\\SETUP.INF):")
        for line in record.decode("latin-1").splitlines():
            print("  " + line)
    if restart is not None:
        print("\nRestart of Windows requested: " + ("yes" if restart else "no"))
    if not a.interactive:
        print(f"\nScreenshots of every page: {shots}/")
        for p in sorted(shots.glob("*.png")):
            print(f"  {p.name}")
    rc = verdict(after, r, restart_expected=not a.interactive)
    if a.then_uninstall:
        rc = demo_uninstall(s, a, before) or rc
    return rc


UNINSTALL_CAPTION = "Velor Mouse Uninstall"
UNINSTALL_QUESTION = "Remove Velor Mouse and restore the earlier mouse driver?"
YES, NO = 6, 7


def uninstall_walk(answer=YES, restart=YES, shots=False):
    """UNINSTAL.EXE's two boxes: the question, then the result (its text
    printed) with the restart question."""
    steps = ["msgbox", f"caption {UNINSTALL_CAPTION}", f"msgtext {UNINSTALL_QUESTION}",
             "icon question"] + (["shot 7-uninstall-question"] if shots else [])
    steps += [f"click {answer}", "gone"]
    if answer == YES:
        steps += ["msgbox", f"caption {UNINSTALL_CAPTION}", "print 65535"]
        steps += ["shot 8-uninstall-result"] if shots else []
        steps += [f"click {restart}", "gone"]
    return steps + ["nomsgbox"]


def demo_uninstall(s, a, before):
    """The installed UNINSTAL.EXE, the restart, and what still differs from
    the machine before the setup; 0 when that is only what it listed."""
    print("\ndemo: UNINSTAL.EXE from " + DEST)
    program = DEST + "\\UNINSTAL.EXE"
    if a.interactive:
        print("demo: answer the uninstaller's questions on your display.")
        r = run_setup(s, [], program=program, timeout=None)
    else:
        r = run_setup(s, uninstall_walk(shots=True), program=program, shots=a.shots)
    print("The uninstaller's result:")
    for line in r.log:
        print("  " + line)
    # WININIT.INI is carried out at the start of Windows: Wine's restart.
    s.run(["wineboot", "-r"])
    after = snapshot(s)
    left = describe_changes(before, after)
    print("\nWhat differs from the machine before the setup, after the restart:")
    for line in left or ["  nothing"]:
        print(line)
    listed = [line[2:].split(": ", 1)[0].lower() for line in r.log if line.startswith("- ")]
    unexplained = [d for d in differences(before, after)
                   if not named_in(d, listed) and d not in restart_trace(before, after)]
    if not a.interactive and not r.robot_ok:
        print("INCOMPLETE: the uninstaller's boxes were not as expected")
        return 1
    if unexplained:
        print("INCOMPLETE: differs and not listed by the uninstaller: " +
              ", ".join(" ".join(filter(None, d[1:])) for d in unexplained))
        return 1
    print("uninstalled: restart " + ("requested" if r.restart else "not requested"))
    return 0


def differences(before, after):
    """What differs, as (kind, key or path, value name)."""
    out = [("value", k, n) for (k, n) in sorted(set(before["values"]) | set(after["values"]))
           if before["values"].get((k, n)) != after["values"].get((k, n))]
    out += [("key", k, None) for k in sorted(before["keys"] ^ after["keys"])]
    out += [("file", f, None) for f in sorted(set(before["files"]) | set(after["files"]))
            if before["files"].get(f) != after["files"].get(f)]
    out += [("dir", d, None) for d in sorted(before["dirs"] ^ after["dirs"])]
    return out


def restart_trace(before, after):
    """What the restart leaves of its own: the WININIT.INI that it carried
    out, kept as wininit.bak as Windows 98 keeps it. Wine may carry it out
    as soon as the restart is asked for, so it is told by its contents:
    only deletions, one file each."""
    name = "windows/wininit.bak"
    if before["files"].get(name) == after["files"].get(name):
        return []
    lines = after["files"][name].decode("latin-1").splitlines() if name in after["files"] else []
    if lines[:1] == ["[rename]"] and all(l.startswith("NUL=") for l in lines[1:]):
        return [("file", name, None)]
    return []


def named_in(difference, listed):
    """Whether the uninstaller's result names this difference itself: the
    value (key and name), the key, or the file by its path."""
    kind, where, name = difference
    if kind in ("file", "dir"):
        return ("c:\\" + where.replace("/", "\\")).lower() in listed
    rel = where.split("\\", 1)[1].lower()
    return (f"{rel}  {name or '(default)'}".lower() if kind == "value" else rel) in listed


def verdict(after, r, restart_expected):
    """One line on whether the installation is complete; 0 when it is."""
    print("\nChecking the result:")
    files = Checks(quiet=True)
    check_files(files, after, ORIGINAL_FILES)
    rest = Checks(quiet=True)
    check_driver(rest, after)
    check_record(rest, after["files"].get("Program Files/VELOR/SETUP.INF", b"").decode(
        "latin-1"), "the destination")
    check_system_ini(rest, after, True)
    if restart_expected:
        rest.check(r.restart, "a restart was requested")
    exact = len(ORIGINAL_FILES) - files.failed
    parts = [f"{exact} of {len(ORIGINAL_FILES)} files byte-exact"]
    driver_failed = any(w.startswith(("device ", "class ", "install record"))
                        for w in rest.failures)
    parts.append("driver NOT registered" if driver_failed else "driver registered for PS/2")
    ini_failed = any("system" in w or "VMOUSE" in w for w in rest.failures)
    parts.append("system.ini NOT switched" if ini_failed else "system.ini switched")
    parts.append("restart requested" if r.restart else "no restart requested")
    ok = files.failed == 0 and rest.failed == 0 and r.exit_code == 0
    if r.exit_code != 0:
        parts.append(f"SETUP.EXE exit code {r.exit_code}")
    print(("installed: " if ok else "INCOMPLETE: ") + ", ".join(parts))
    return 0 if ok else 1


def run_robot(s, steps):
    s.host(WORK + "\\steps.txt").write_text("\r\n".join(steps) + "\r\n")
    return s.run([WORK + "\\robot.exe", WORK + "\\steps.txt"])


def bench(s, a):
    prepare_machine(s, a.setup, a.helper)
    starts = []
    for _ in range(3):
        t0 = time.monotonic()
        run_robot(s, ["sleep 0"])
        starts.append(time.monotonic() - t0)
    start_cost = min(starts)
    # Start to Welcome: the backdrop has painted, dissolve included, before
    # CreateBackdrop returns and the first page is created. The robot starts
    # alongside SETUP.EXE and returns once the page is up and settled.
    t0 = time.monotonic()
    setup = s.popen([DISK + "\\SETUP.EXE"], cwd=s.host(DISK))
    run_robot(s, [f"wait {WELCOME}"])
    to_welcome = time.monotonic() - t0
    run_robot(s, [f"wait {WELCOME}", f"click {CANCEL}", "msgbox", "click 1"])
    setup.wait(60)
    # The install page: from Next on the destination page to the End page.
    prepare_machine(s, a.setup, a.helper)
    setup = s.popen([DISK + "\\SETUP.EXE"], cwd=s.host(DISK))
    run_robot(s, walk_to(SELDIR))
    t0 = time.monotonic()
    run_robot(s, [f"wait {SELDIR}", f"click {NEXT}", f"wait {END}"])
    install = time.monotonic() - t0 - start_cost - 1.0
    run_robot(s, [f"wait {END}", f"click {RESTART_NO}", f"click {NEXT}"])
    setup.wait(60)
    print(f"bench: start of a Wine process (the robot doing nothing): {start_cost * 1000:.0f} ms")
    print(f"bench: SETUP.EXE start to backdrop painted and Welcome up (robot's view): "
          f"{to_welcome * 1000:.0f} ms")
    print(f"bench: full install of the sample disk (8 files on one disk, registration), Next to "
          f"End page, minus the 1 s pause and one process start: {install * 1000:.0f} ms")
    print(f"bench: size of SETUP.EXE: {Path(a.setup).stat().st_size} bytes")
    # A snapshot of the whole machine: the first hashes every file, a later
    # one only what changed since.
    _digests.clear()
    for what in ["first", "repeated"]:
        t0 = time.monotonic()
        snap = snapshot(s)
        print(f"bench: snapshot of the whole machine ({what}; {len(snap['files'])} files, "
              f"{len(snap['dirs'])} directories, {len(snap['keys'])} keys, "
              f"{len(snap['values'])} values): {(time.monotonic() - t0) * 1000:.0f} ms")
    # What Wine changes on its own, for VOLATILE: the idle machine across a
    # restart.
    s.run(["wineboot", "-r"])
    idle = describe_changes(snap, snapshot(s))
    print(f"bench: idle machine across a restart, differences outside VOLATILE: {len(idle)}")
    for line in idle:
        print("bench: " + line.strip())


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("command", choices=["test", "demo", "bench", "list"])
    p.add_argument("scenario", nargs="?")
    p.add_argument("--setup", help="SETUP.EXE to run (the i686 product)")
    p.add_argument("--uninstall", help="UNINSTAL.EXE to lay on the disk (else the placeholder)")
    p.add_argument("--then-uninstall", action="store_true",
                   help="demo: run the installed uninstaller afterwards")
    p.add_argument("--helper", help="window_helper.exe")
    p.add_argument("--disktool", help="disktool for the build machine (full-cdrom)")
    p.add_argument("--robot", help="robot.exe (tests/robot)")
    p.add_argument("--shots", help="directory for screenshots")
    p.add_argument("--interactive", action="store_true", help="demo: the user walks the wizard")
    p.add_argument("--display", help="X display for the Wine programs instead of the session's")
    a = p.parse_args()
    if a.command == "list":
        print("\n".join(SCENARIOS))
        return 0
    global ROBOT_EXE, UNINSTALL_EXE
    ROBOT_EXE = a.robot or str(Path(a.helper).with_name("robot.exe"))
    UNINSTALL_EXE = a.uninstall
    s = Session()
    if a.display:
        s.env["DISPLAY"] = a.display
    if a.command == "demo":
        return demo(s, a)
    if a.command == "bench":
        bench(s, a)
        return 0
    scenario = SCENARIOS[a.scenario]
    print(f"{a.scenario}: {scenario.__doc__}")
    c = Checks()
    scenario(s, a, c)
    print(f"{a.scenario}: {'FAILED ' + str(c.failed) + ' check(s)' if c.failed else 'passed'}")
    return 1 if c.failed else 0


if __name__ == "__main__":
    sys.exit(main())
