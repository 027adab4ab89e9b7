#!/usr/bin/env python3
"""Round trips under Wine: the machine before SETUP.EXE must equal the machine
after SETUP.EXE, UNINSTAL.EXE and the restart, except what the uninstaller
listed as left alone.

    roundtrip.py SCENARIO --setup EXE --uninstall EXE --helper EXE --robot EXE
    roundtrip.py list

The restart is Wine's: `wineboot -r` carries out WININIT.INI's [rename]
section as Windows 98 does at its next start. The machinery (machine, robot,
snapshots) is tests/wholerun/wholerun.py's.
"""

import argparse
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import wholerun as w  # noqa: E402

YES, NO = w.YES, w.NO
FOLDER_LEFT = w.DEST + ": folder still holds files"
USER_FILE = "NOTES.TXT"  # the user's own file in the install folder


END_TEXT = 1023  # the End page's first line
INSTALLED = "You have installed Velor Mouse Successfully !"
AT_RESTART = "Velor Mouse is installed. Files in use are replaced when Windows restarts."
FOREIGN_RECORD = ("The SETUP.INF in this directory belongs to another program or to the setup "
                  "disks !\\nPlease choose another directory.")


def setup_walk(serial=False, again=False, dest=None, end_text=INSTALLED):
    """The whole wizard, the mouse type chosen, the destination typed when
    given, no restart at the end; a second setup answers OK to "directory
    already exists"."""
    steps = w.walk_to(w.MOUSE)
    if serial:
        steps += [f"click {w.SERIAL}"]
    steps += w.leave(w.MOUSE, w.NEXT) + [f"wait {w.SELDIR}"]
    steps += [f"settext 1003 {dest}"] if dest else []
    steps += [f"click {w.NEXT}"]
    if again:
        steps += ["msgbox", f"click {w.OK}", "gone"]
    steps += [f"wait {w.END}", f"text {END_TEXT} {end_text}", f"click {w.RESTART_NO}"]
    return steps + w.leave(w.END, w.NEXT)


# UNINSTAL.EXE's exit codes, the result file's Code: removed (a restart
# it asked for on its way), removed and a restart finishes it, nothing
# changed, left things it names, No at the question.
REMOVED, REMOVED_RESTART, REFUSED, FAILED, CANCELLED = 0, 1, 2, 3, 4


def run_uninstall(s, c, answer=YES, restart=YES, mouse_app=False, dest=w.DEST, code=None):
    """UNINSTAL.EXE from the install directory; the result box's lines. With
    mouse_app a "VelorPoint" window runs and must be closed while its
    program is still there. It waits for its copy, so its exit code is the
    outcome: code, else removed, with the restart answered Yes or waiting
    for one (the driver file does), or No."""
    r = w.run_setup(s, w.uninstall_walk(answer, restart), program=dest + "\\UNINSTAL.EXE",
                    expect_restart=answer == YES and restart == YES, mouse_app=mouse_app)
    if mouse_app:
        c.equal(r.app_log, ["ready", "close after-copy"],
                "WM_CLOSE reached the mouse application before its files went")
    if code is None:
        code = CANCELLED if answer == NO else REMOVED if restart == YES else REMOVED_RESTART
    c.check(r.robot_ok and r.exit_code == code, "UNINSTAL.EXE: question answered, result shown, "
            f"exit code {code}", [r.exit_code] + r.log[-3:])
    if answer == YES:
        c.equal(r.restart, restart == YES, "restart requested as answered")
    return r, [line[2:] for line in r.log if line.startswith("- ")]


def run_setups(s, c, count=1, serial=False, dest=None, end_text=INSTALLED, again=False):
    for i in range(count):
        r = w.run_setup(s, setup_walk(serial, again=again or i > 0, dest=dest, end_text=end_text),
                        expect_restart=False)
        c.check(r.robot_ok and r.exit_code == 0, f"setup {i + 1} walked to its end", r.log[-2:])


def restart(s):
    s.run(["wineboot", "-r"])


def listed(change, subjects):
    """Whether the uninstaller's result names a difference: the value (key
    and name), the key or a value below it, the file or directory by its
    path; system.ini and system.bak by the mouse line it kept."""
    kind, where, name = change
    subjects = [s.lower() for s in subjects]
    if kind in ("file", "dir"):
        if where in ("windows/system.ini", "windows/system.bak"):
            return any(s.startswith("mouse=") for s in subjects)
        path = ("c:\\" + where.replace("/", "\\")).lower()
        # What the user put into a folder that is kept for it counts too.
        return path in subjects or any(path.startswith(s + "\\") for s in subjects)
    rel = where.split("\\", 1)[1].lower()
    if kind == "value":
        return f"{rel}  {name or '(default)'}".lower() in subjects
    return any(s == rel or s.startswith(rel + "\\") or s.startswith(rel + "  ")
               for s in subjects)


def console_trace(before, after):
    """Wine's console settings, written when the first console of the
    session opens: the restart runs the command interpreter that removes
    the install folder (RunOnce) in one. Only what was not there before."""
    def console(key):
        parts = key.split("\\")
        return parts[0] == "HKU" and len(parts) > 2 and parts[2].lower() == "console"
    return [d for d in w.differences(before, after) if d[0] in ("key", "value") and
            console(d[1]) and (d[1] not in before["keys"] or d[0] == "value" and
                               (d[1], d[2]) not in before["values"])]


def check_round_trip(c, s, before, after, left, expected_left, unlisted=(), dest=w.DEST):
    """The machine after the round trip is the one before, apart from what
    the uninstaller listed, the restart's trace, and, for a row, the
    differences that one listed line stands for (unlisted)."""
    c.equal(left, expected_left, "the uninstaller listed exactly what the scenario leaves")
    subjects = [line.split(": ", 1)[0] for line in left]
    rest = sorted(ch for ch in w.differences(before, after) if not listed(ch, subjects))
    unlisted = sorted(list(unlisted) + w.restart_trace(before, after) +
                      console_trace(before, after))
    c.equal(rest, unlisted, "machine as before SETUP.EXE, apart from the listed leftovers")
    folder = s.host(dest).exists()
    c.equal(folder, dest + FOLDER_LEFT[len(w.DEST):] in left, "install folder gone unless listed")
    if folder:
        c.equal([p.name for p in s.host(dest).rglob("*")], [USER_FILE],
                "install folder holds only the user's file")
    c.check(not (s.c / "windows" / "WININIT.INI").exists(), "WININIT.INI carried out")
    c.equal([p.name for p in s.c.rglob(w.COPY_PREFIX + "*")], [], "the uninstaller's copy gone")


def round_trip(serial=False, setups=1, machine=None, after_setup=None, expected_left=(),
               mouse_app=False, unlisted=(), prepare=None, dest=None):
    """A row: the machine (registry text, then prepare(s) for files), the
    setups, after_setup(s, c) to change or check the installed machine, and
    what the uninstall lists (expected_left) or leaves under one listed
    line (unlisted)."""
    def scenario(s, a, c):
        w.prepare_machine(s, a.setup, a.helper, uninstall_exe=a.uninstall)
        s.windows_version("UNINSTAL.EXE", "win98")
        if machine:
            s.import_reg("REGEDIT4\n\n" + machine + "\n")
        if prepare:
            prepare(s)
        before = w.snapshot(s)
        run_setups(s, c, setups, serial, dest)
        if after_setup:
            after_setup(s, c)
        r, left = run_uninstall(s, c, mouse_app=mouse_app, dest=dest or w.DEST,
                                code=FAILED if expected_left else None)
        restart(s)
        check_round_trip(c, s, before, w.snapshot(s), left, list(expected_left), unlisted,
                         dest or w.DEST)
    return scenario


def edit_mouse_line(s, c):
    ini = s.c / "windows" / "system.ini"
    ini.write_bytes(ini.read_bytes().replace(b"mouse=*vmouse", b"mouse=user.vxd"))


def drop_record(s, c):
    s.host(w.DEST + "\\SETUP.INF").unlink()


def scenario_no(s, a, c):
    """No at the question: nothing changes."""
    w.prepare_machine(s, a.setup, a.helper, uninstall_exe=a.uninstall)
    s.windows_version("UNINSTAL.EXE", "win98")
    run_setups(s, c)
    installed = w.snapshot(s)
    run_uninstall(s, c, answer=NO)
    c.equal(w.differences(installed, w.snapshot(s)), [], "nothing changed")


# What waits in the install folder for the next start: UNINSTAL.EXE, which
# ran until its copy ended, and its list and record.
OWN_FILES = ["SETUP.INF", "UNINSTAL.EXE", "UNINSTAL.INF"]


def scenario_later_restart(s, a, c):
    """No restart at the end: the installation is gone at once but for the
    uninstaller's own files, which wait for the next start with its copy in
    the temp directory; the folder goes after them."""
    w.prepare_machine(s, a.setup, a.helper, uninstall_exe=a.uninstall)
    s.windows_version("UNINSTAL.EXE", "win98")
    before = w.snapshot(s)
    run_setups(s, c)
    _, left = run_uninstall(s, c, restart=NO)
    c.equal(sorted(p.name for p in s.host(w.DEST).rglob("*")), OWN_FILES,
            "only the uninstaller's own files wait in the install folder")
    wininit = (s.c / "windows" / "WININIT.INI").read_text(errors="replace")
    c.check(w.COPY_PREFIX in wininit and "UNINSTAL.EXE" in wininit,
            "the copy and UNINSTAL.EXE are left to WININIT.INI", wininit)
    restart(s)
    check_round_trip(c, s, before, w.snapshot(s), left, [])


def system_ini(edit):
    """prepare: system.ini as edit(bytes) makes it."""
    def prepare(s):
        ini = s.c / "windows" / "system.ini"
        ini.write_bytes(edit(ini.read_bytes()))
    return prepare


def ini_switched(s, c):
    ini = (s.c / "windows" / "system.ini").read_bytes()
    c.check(b"\r\nmouse=*vmouse\r\n" in ini, "setup switched the mouse line")


def vxd_set_aside(s, c):
    vmm = s.c / "windows" / "system32" / "VMM32"
    c.equal(sorted(p.name for p in vmm.iterdir()), ["VMOUSE.BAK"], "setup set VMOUSE.VXD aside")


# A line longer than the 1023 bytes of a piece, "mouse" in its tail.
LONG_COMMENT = b"; " + b"x" * 1100 + b" the mouse driver below\r\n"
LONG_DEST = "C:\\Program Files\\Velor Mouse Driver and Pointing Tools 1998"


def remove_long_dest(s):
    import shutil
    shutil.rmtree(s.host(LONG_DEST), ignore_errors=True)


# A serial mouse that the Configuration Manager lists, its device key
# without ConfigFlags, its class key in place.
SERIAL_DEVICE = "HKLM\\Enum\\Root\\*PNP0F0C\\0000"
LISTED_SERIAL = """[HKEY_DYN_DATA\\Config Manager\\Enum\\C29A2010]
"HardWareKey"="ROOT\\\\*PNP0F0C\\\\0000"
"Problem"=hex:00,00,00,00

[HKEY_LOCAL_MACHINE\\Enum\\Root\\*PNP0F0C\\0000]
"Class"="Mouse"
"DeviceDesc"="Standard Serial Mouse"
"Mfg"="(Standard mouse types)"
"HardwareID"="*PNP0F0C"
"Driver"="Mouse\\\\0001"

[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\Mouse\\0001]
"DevLoader"="*vmouse"
"MouseDriver"="mouse.drv"
"InfPath"="MSMOUSE.INF"
"DriverDesc"="Standard Serial Mouse"
"DriverDate"="4-23-1999"
"InfSection"="Serial_Inst"
"""


def flags_added(s, c):
    c.equal(w.value(w.snapshot(s), SERIAL_DEVICE, "ConfigFlags"), b"\0\0\0\0",
            "setup added ConfigFlags to the listed serial device")


# A library the disk also installs into the system directory, there before
# setup and counted twice in SharedDLLs by other programs.
SHARED = b"a library other programs share\r\n"
SHARED_COUNT = ("[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs]\n"
                "\"C:\\\\windows\\\\SYSTEM\\\\VLSHARE.DLL\"=dword:00000002\n")
SHARED_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs"


def shared_library(s):
    disk = s.host(w.DISK)
    (disk / "SYSTEM" / "VLSHARE.DLL").write_bytes(SHARED)
    inf = disk / "SETUP.INF"
    inf.write_bytes(inf.read_bytes().replace(b"Disk1=8", b"Disk1=9").replace(
        b"Read me first, RootDir", b"Read me first, RootDir\r\n"
        b"9=VLSHARE.DLL, VLSHARE.DLL, Shared library, WinSystemDir"))
    # The list as a plain file: SETUP.EXE copies a file that is not SZDD as it is.
    (disk / "UNINSTAL.IN_").write_bytes(
        (w.EXAMPLES / "originals" / "UNINSTAL.INF").read_bytes().replace(
            b"8=Windows, INF\\VLMOUSE.INF", b"8=Windows, INF\\VLMOUSE.INF\r\n"
            b"9=Windows, SYSTEM\\VLSHARE.DLL"))
    (s.c / "windows" / "system" / "VLSHARE.DLL").write_bytes(SHARED)


def shared_counted(s, c):
    c.equal(w.value(w.snapshot(s), SHARED_KEY, "C:\\windows\\SYSTEM\\VLSHARE.DLL"), b"\3\0\0\0",
            "setup raised the library's SharedDLLs count from 2 to 3")


APP_SAVES = 3000  # ms a mouse application that saves its settings takes to end after WM_CLOSE
APP_HANGS = -1    # one that asks a question of its own, or hangs: it never ends


def disk_bytes(name):
    return (w.EXAMPLES / "originals" / name).read_bytes()


def held_app(linger_ms, second_setup):
    """The mouse application runs from its installed Q7MAIN.EXE (Windows
    holds the file) when a second setup, or the uninstall, closes it; it
    ends linger_ms after WM_CLOSE, or never. What cannot be written waits
    for the next start; after it the round trip gives the machine back."""
    def scenario(s, a, c):
        w.prepare_machine(s, a.setup, a.helper, uninstall_exe=a.uninstall)
        s.windows_version("UNINSTAL.EXE", "win98")
        before = w.snapshot(s)
        run_setups(s, c)
        app = w.start_installed_app(s, linger_ms)
        program = s.host(w.DEST + "\\Q7MAIN.EXE")
        stand_in = program.read_bytes()
        try:
            if second_setup:
                run_setups(s, c, again=True, end_text=AT_RESTART if linger_ms < 0 else INSTALLED)
                c.check(not s.host(w.DEST + "\\Q7MAIN.EX_").exists(),
                        "nothing written under the compressed name")
                c.equal(program.read_bytes() == stand_in, linger_ms < 0,
                        "the held program is still the running one" if linger_ms < 0 else
                        "the program replaced once the application had ended")
                w.end_app(app)
                restart(s)
                c.equal(program.read_bytes(), disk_bytes("Q7MAIN.EXE"),
                        "after the restart Q7MAIN.EXE is the disk's")
                c.equal(sorted(p.name for p in s.host(w.DEST).glob("~VP*")), [],
                        "no waiting file left after the restart")
            # Under Wine the restart the uninstaller asks for carries out
            # WININIT.INI at once, before it ends the programs that still
            # run: the held file's restart comes after the stand-in ended.
            r, left = run_uninstall(s, c, restart=YES if linger_ms >= 0 else NO)
            if linger_ms >= 0:
                c.check(not program.exists(), "Q7MAIN.EXE gone before the restart")
        finally:
            w.end_app(app)
        restart(s)
        check_round_trip(c, s, before, w.snapshot(s), left, [])
    return scenario


def scenario_unattended_app(s, a, c):
    """An unattended setup over the running mouse application, which never
    ends after WM_CLOSE: no page and no box; Q7MAIN.EXE waits for the next
    start and the result file says so; after that start the program is the
    disk's, and the uninstall gives the machine back but for the install
    log, to which it appended its own part."""
    w.prepare_machine(s, a.setup, a.helper, uninstall_exe=a.uninstall)
    s.windows_version("UNINSTAL.EXE", "win98")
    before = w.snapshot(s)
    run_setups(s, c)
    inf = s.host(w.DISK) / "SETUP.INF"
    script = inf.read_bytes()
    answers = w.with_answers(["MouseType=PS2", "Restart=Never", "Result=" + w.RESULT,
                              "Log=C:\\VPSETUP.LOG"])
    inf.write_bytes(answers(script.decode("latin-1")).encode("latin-1"))
    app = w.start_installed_app(s, APP_HANGS)
    program = s.host(w.DEST + "\\Q7MAIN.EXE")
    stand_in = program.read_bytes()
    try:
        r = w.run_setup(s, ["nomsgbox"], expect_restart=False, timeout=120)
        c.equal(r.exit_code, 0, "exit code")
        c.equal(w.result_of(s), ("1", AT_RESTART), "result file: installed, restart pending")
        c.equal(program.read_bytes(), stand_in, "the held program is still the running one")
    finally:
        w.end_app(app)
        inf.write_bytes(script)
    restart(s)
    c.equal(program.read_bytes(), disk_bytes("Q7MAIN.EXE"),
            "after the restart Q7MAIN.EXE is the disk's")
    r, left = run_uninstall(s, c, restart=YES)
    restart(s)
    check_round_trip(c, s, before, w.snapshot(s), left, [],
                     unlisted=[("file", "VPSETUP.LOG", None)])
    log = s.host("C:\\VPSETUP.LOG").read_text("latin-1").split("UNINSTAL.EXE ====")
    c.check(len(log) == 2 and "file C:\\Program Files\\VELOR\\Q7PAGE.DLL: removed ... done"
            in log[1] and "outcome: 0 Velor Mouse has been removed." in log[1],
            "the uninstall's part of the log", log[-1][-400:])


def scenario_own_folder(s, a, c):
    """The disks copied to C:\\VELOR and setup run from there, its own folder
    typed as the destination: refused, nothing of the copy changes; the
    default destination then installs."""
    w.prepare_machine(s, a.setup, a.helper, uninstall_exe=a.uninstall)
    s.windows_version("UNINSTAL.EXE", "win98")
    import shutil
    own = "C:\\VELOR"
    shutil.copytree(s.host(w.DISK), s.host(own))
    before = w.snapshot(s)
    steps = w.walk_to(w.SELDIR) + [f"settext 1003 {own}", f"click {w.NEXT}"]
    steps += ["msgbox", f"msgtext {FOREIGN_RECORD}", "icon warning", f"click {w.OK}", "gone"]
    steps += [f"wait {w.SELDIR}", f"settext 1003 {w.DEST}", f"click {w.NEXT}"]
    steps += [f"wait {w.END}", f"text {END_TEXT} {INSTALLED}", f"click {w.RESTART_NO}"]
    r = w.run_setup(s, steps + w.leave(w.END, w.NEXT), expect_restart=False,
                    program=own + "\\SETUP.EXE")
    c.check(r.robot_ok and r.exit_code == 0, "refused its own folder, then installed", r.log[-2:])
    after = w.snapshot(s)
    copy = [f for f in set(before["files"]) | set(after["files"]) if f.startswith("VELOR/")]
    c.equal([f for f in sorted(copy) if before["files"].get(f) != after["files"].get(f)], [],
            "the copy of the disks is as it was, byte for byte")
    w.check_files(c, after, w.ORIGINAL_FILES)
    _, left = run_uninstall(s, c)
    restart(s)
    check_round_trip(c, s, before, w.snapshot(s), left, [])


def scenario_reinstall(s, a, c):
    """Setup, the uninstall answered "restart No", setup again before any
    restart into the folder that still holds the uninstaller's own files
    (the directory-exists box answered OK): the second setup takes the
    uninstaller's deletions out, so the next start leaves the installation
    whole; its uninstall then gives the machine back."""
    w.prepare_machine(s, a.setup, a.helper, uninstall_exe=a.uninstall)
    s.windows_version("UNINSTAL.EXE", "win98")
    before = w.snapshot(s)
    run_setups(s, c)
    run_uninstall(s, c, restart=NO)
    run_setups(s, c, again=True)
    restart(s)
    installed = w.snapshot(s)
    w.check_files(c, installed, w.ORIGINAL_FILES)
    w.check_driver(c, installed)
    w.check_application_entries(c, installed, True)
    w.check_system_ini(c, installed, True)
    _, left = run_uninstall(s, c)
    restart(s)
    check_round_trip(c, s, before, w.snapshot(s), left, [])


# system.ini names the built-in driver already; system.bak is another
# program's from long ago, naming a VxD that is gone.
def builtin_with_old_bak(s):
    ini = s.c / "windows" / "system.ini"
    old = ini.read_bytes()
    ini.write_bytes(old.replace(b"mouse=msmouse.vxd", b"mouse=*vmouse"))
    (s.c / "windows" / "system.bak").write_bytes(old.replace(b"msmouse.vxd", b"gone.vxd"))


def nothing_switched(s, c):
    win = s.c / "windows"
    c.check(b"mouse=gone.vxd" in (win / "system.bak").read_bytes(),
            "the other program's system.bak untouched")
    c.check(b"\r\nmouse=*vmouse\r\n" in (win / "system.ini").read_bytes(), "system.ini as it was")


CMD = "C:\\windows\\system32\\cmd.exe"
RESULT_FILE = "windows/VLUNINST.RES"  # a silent run's result file when it names none


def run_batch(s, command, result):
    """A batch file as a deployment tool's script runs the uninstaller: the
    command interpreter waits for the program, the script then keeps the
    result file as it finds it at once, and ends with the program's exit
    code. No message box may show up (one would wait for an answer that
    never comes: the run then hangs). The run and the result file's lines
    as the script found them (None: there was none)."""
    seen = w.WORK + "\\SEEN.RES"
    s.host(seen).unlink(missing_ok=True)
    s.host(w.WORK + "\\UNINST.BAT").write_text(
        f"{command}\r\nset CODE=%ERRORLEVEL%\r\ncopy {result} {seen}\r\nexit %CODE%\r\n")
    r = w.run_setup(s, ["nomsgbox"], args=["/c", w.WORK + "\\UNINST.BAT"], program=CMD,
                    expect_restart=False)
    return r, result_lines(s.host(seen))


def result_lines(path):
    return path.read_text(errors="replace").splitlines() if path.exists() else None


def silent_round_trip(restart_too):
    """UNINSTAL.EXE /S (with /R: and the restart) from a batch file, after
    a setup. When the batch file goes on, the uninstall is done: the result
    file (the default one) holds its outcome, the exit code is the same,
    only the uninstaller's own files wait for the next start; after it the
    machine is as before the setup, but for the result file."""
    def scenario(s, a, c):
        w.prepare_machine(s, a.setup, a.helper, uninstall_exe=a.uninstall)
        s.windows_version("UNINSTAL.EXE", "win98")
        (s.c / RESULT_FILE).unlink(missing_ok=True)
        before = w.snapshot(s)
        run_setups(s, c)
        r, seen = run_batch(s, f'"{w.DEST}\\UNINSTAL.EXE" /S' + (" /R" if restart_too else ""),
                            "C:\\windows\\VLUNINST.RES")
        code = REMOVED if restart_too else REMOVED_RESTART
        c.equal(r.exit_code, code, "exit code: removed, the restart on its way or waiting")
        reason = ("Velor Mouse has been removed." if restart_too else
                  "Velor Mouse has been removed; Windows must restart to finish.")
        c.equal(seen, ["[Result]", f"Code={code}", "Reason=" + reason],
                "the result file as the batch file finds it when the uninstaller returns")
        c.equal(r.restart, restart_too, "a restart only with /R")
        if not restart_too:
            c.equal(sorted(p.name for p in s.host(w.DEST).rglob("*")), OWN_FILES,
                    "only the uninstaller's own files wait in the install folder")
        restart(s)
        check_round_trip(c, s, before, w.snapshot(s), [], [],
                         unlisted=[("file", RESULT_FILE, None)])
    return scenario


def scenario_silent_elsewhere(s, a, c):
    """A copy of UNINSTAL.EXE in a folder of the user's, started there with
    /S and a result file of its own while the installation is registered:
    it changes nothing, and both the result file and the exit code say it
    refused."""
    w.prepare_machine(s, a.setup, a.helper, uninstall_exe=a.uninstall)
    s.windows_version("UNINSTAL.EXE", "win98")
    run_setups(s, c)
    other = s.host("C:\\OTHER")
    import shutil
    shutil.rmtree(other, ignore_errors=True)
    other.mkdir()
    shutil.copy(a.uninstall, other / "UNINSTAL.EXE")
    (other / USER_FILE).write_text("the user's own notes\r\n")
    result = w.WORK + "\\OTHER.RES"
    s.host(result).unlink(missing_ok=True)
    before = w.snapshot(s)
    try:
        r, seen = run_batch(s, f"C:\\OTHER\\UNINSTAL.EXE /S /RESULT={result}", result)
        c.equal(r.exit_code, REFUSED, "exit code: refused")
        c.equal(seen, ["[Result]", f"Code={REFUSED}",
                       "Reason=C:\\OTHER holds no installation. Nothing was changed."],
                "the result file")
        c.equal(w.differences(before, w.snapshot(s)), [], "nothing changed")
        c.check(not r.restart, "no restart requested")
    finally:
        shutil.rmtree(other, ignore_errors=True)


NO_CLASS = ("[-HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\Mouse\\0000]\n")

SCENARIOS = {
    "ps2-class": (round_trip(mouse_app=True),
                  "PS/2 mouse whose class key exists; the mouse application is closed"),
    "ps2-no-class": (round_trip(machine=NO_CLASS),
                     "PS/2 mouse whose Driver names a missing class key"),
    "serial-new": (round_trip(serial=True),
                   "serial mouse, none listed: the new root device goes"),
    "two-setups": (round_trip(setups=2),
                   "two setups, then one uninstall: the first setup's record holds"),
    "user-line": (round_trip(after_setup=edit_mouse_line,
                             expected_left=["mouse=user.vxd: system.ini mouse line changed "
                                            "after setup, kept"]),
                  "the user's own mouse= line after setup is kept"),
    "no-record": (round_trip(after_setup=drop_record,
                             expected_left=[w.DEST + "\\SETUP.INF: no install record: the "
                                            "mouse driver registration stays",
                                            # Nothing proves system.bak setup's copy.
                                            "mouse=*vmouse: system.ini keeps setup's mouse "
                                            "line: no earlier one was kept"],
                             unlisted=[("value", w.DEVICE, n) for n in ("DeviceDesc", "Mfg")] +
                             [("value", w.CLASS + "\\0000", n) for n in
                              ("DriverDate", "DriverDesc", "InfPath", "InfSection", "MouseDriver",
                               "MouseType")]),
                  "no install record: the driver registration stays and is listed"),
    "nul-in-line": (round_trip(prepare=system_ini(lambda b: b.replace(
        b"shell=Explorer.exe\r\n", b"shell=Explorer.exe\0 explorer's own\r\n")),
        after_setup=ini_switched, expected_left=[]),
        "a NUL inside system.ini's shell line: system.ini comes back byte for byte"),
    "long-comment": (round_trip(prepare=system_ini(lambda b: b.replace(
        b"[386Enh]\r\n", b"[386Enh]\r\n" + LONG_COMMENT)), after_setup=ini_switched,
        expected_left=[]),
        "a [386Enh] comment of more than 1023 bytes mentioning mouse ahead of the mouse line"),
    "vxd-kept": (round_trip(after_setup=vxd_set_aside, expected_left=[]),
                 "VMOUSE.VXD in VMM32 before setup: set aside, then back"),
    "long-dest": (round_trip(prepare=remove_long_dest, dest=LONG_DEST,
                             expected_left=[]),
                  "a long install path with blanks, typed on the destination page"),
    "serial-listed": (round_trip(serial=True, machine=LISTED_SERIAL, after_setup=flags_added,
                                 expected_left=[]),
                      "a listed serial mouse without ConfigFlags: setup adds it, the uninstall "
                      "takes it away"),
    "user-file": (round_trip(after_setup=lambda s, c: s.host(w.DEST + "\\" + USER_FILE)
                             .write_text("the user's own notes\r\n"), expected_left=[FOLDER_LEFT]),
                  "the user's own file in the install folder: the folder is kept and listed"),
    "shared-dll": (round_trip(machine=SHARED_COUNT, prepare=shared_library,
                              after_setup=shared_counted,
                              expected_left=["C:\\windows\\SYSTEM\\VLSHARE.DLL: was there before "
                                             "setup, which copied its own over it; kept"]),
                   "a shared library there before setup, counted twice: kept, count back to 2"),
    "app-saves-setup": (held_app(APP_SAVES, True),
                        "a second setup while the mouse application runs and ends 3 s after "
                        "WM_CLOSE"),
    "app-hangs-setup": (held_app(APP_HANGS, True),
                        "a second setup while the mouse application runs and never ends: "
                        "Q7MAIN.EXE replaced at the next start"),
    "app-saves-uninstall": (held_app(APP_SAVES, False),
                            "the uninstall while the mouse application runs and ends 3 s after "
                            "WM_CLOSE: Q7MAIN.EXE goes at once"),
    "app-hangs-uninstall": (held_app(APP_HANGS, False),
                            "the uninstall while the mouse application never ends: Q7MAIN.EXE "
                            "and the folder go at the next start"),
    "own-folder": (scenario_own_folder, "setup run from a copy of the disks, that folder typed"),
    "reinstall": (scenario_reinstall, "setup again after an uninstall, before the restart"),
    "builtin-old-bak": (round_trip(prepare=builtin_with_old_bak, after_setup=nothing_switched,
                                   expected_left=[]),
                        "system.ini names *vmouse already, system.bak is another program's"),
    "no": (scenario_no, "No at the question"),
    "later-restart": (scenario_later_restart,
                      "no restart: all but the uninstaller's own files go at once"),
    "silent": (silent_round_trip(restart_too=False),
               "UNINSTAL.EXE /S from a batch file: done when it ends, no restart"),
    "silent-restart": (silent_round_trip(restart_too=True),
                       "UNINSTAL.EXE /S /R from a batch file: the restart it needs"),
    "unattended-app": (scenario_unattended_app,
                       "an unattended second setup while the mouse application runs and "
                       "never ends: result 'restart pending', Q7MAIN.EXE replaced at the "
                       "next start"),
    "silent-elsewhere": (scenario_silent_elsewhere,
                         "UNINSTAL.EXE /S in a folder that holds no installation"),
}


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("scenario")
    p.add_argument("--setup")
    p.add_argument("--uninstall")
    p.add_argument("--helper")
    p.add_argument("--robot")
    a = p.parse_args()
    if a.scenario == "list":
        print("\n".join(SCENARIOS))
        return 0
    w.ROBOT_EXE = a.robot
    w.UNINSTALL_EXE = a.uninstall  # the disks carry it: check_files compares with it
    s = w.Session()
    scenario, what = SCENARIOS[a.scenario]
    print(f"{a.scenario}: {what}")
    c = w.Checks()
    scenario(s, a, c)
    print(f"{a.scenario}: {'FAILED ' + str(c.failed) + ' check(s)' if c.failed else 'passed'}")
    return 1 if c.failed else 0


if __name__ == "__main__":
    sys.exit(main())
