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


def setup_walk(serial=False, again=False):
    """The whole wizard, the mouse type chosen, no restart at the end; a
    second setup answers OK to "directory already exists"."""
    steps = w.walk_to(w.MOUSE)
    if serial:
        steps += [f"click {w.SERIAL}"]
    steps += w.leave(w.MOUSE, w.NEXT) + [f"wait {w.SELDIR}", f"click {w.NEXT}"]
    if again:
        steps += ["msgbox", f"click {w.OK}", "gone"]
    steps += [f"wait {w.END}", f"click {w.RESTART_NO}"] + w.leave(w.END, w.NEXT)
    return steps


def run_uninstall(s, c, answer=YES, restart=YES, mouse_app=False):
    """UNINSTAL.EXE from the install directory; the result box's lines. With
    mouse_app a "VelorPoint" window runs and must be closed while its
    program is still there."""
    r = w.run_setup(s, w.uninstall_walk(answer, restart), program=w.DEST + "\\UNINSTAL.EXE",
                    expect_restart=answer == YES and restart == YES, mouse_app=mouse_app)
    if mouse_app:
        c.equal(r.app_log, ["ready", "close after-copy"],
                "WM_CLOSE reached the mouse application before its files went")
    c.check(r.robot_ok and r.exit_code == 0, "UNINSTAL.EXE: question answered, result shown, "
            "exit code 0", r.log[-3:])
    if answer == YES:
        c.equal(r.restart, restart == YES, "restart requested as answered")
    return r, [line[2:] for line in r.log if line.startswith("- ")]


def run_setups(s, c, count=1, serial=False):
    for i in range(count):
        r = w.run_setup(s, setup_walk(serial, again=i > 0), expect_restart=False)
        c.check(r.robot_ok and r.exit_code == 0, f"setup {i + 1} walked to its end", r.log[-2:])


def restart(s):
    s.run(["wineboot", "-r"])


def changes(before, after):
    """What differs: registry values and keys, files, by name."""
    out = []
    for key in sorted(set(before["values"]) | set(after["values"])):
        if before["values"].get(key) != after["values"].get(key):
            out.append(("value", key[0], key[1]))
    for k in sorted(before["keys"] ^ after["keys"]):
        out.append(("key", k, None))
    for name in sorted(set(before["files"]) | set(after["files"])):
        if before["files"].get(name) != after["files"].get(name):
            out.append(("file", name, None))
    return out


def listed(change, subjects):
    """Whether a difference is one the uninstaller listed."""
    kind, where, name = change
    if kind in ("value", "key"):
        rel = where.split("\\", 1)[1].lower()
        want = f"{rel}  {name or '(default)'}".lower() if kind == "value" else rel
        return any(s.lower() == want or (kind == "key" and s.lower().startswith(rel))
                   for s in subjects)
    if where in ("windows/system.ini", "windows/system.bak"):
        return any(s.startswith("mouse=") for s in subjects)
    # What the user put into a folder that is kept for it.
    return any(("c:\\" + where.replace("/", "\\")).lower().startswith(s.lower() + "\\")
               for s in subjects)


def explained(change, left):
    """Whether a listed leftover accounts for a difference: the leftover's
    own entry, or, for a missing install record, the driver registration."""
    subjects = [line.split(": ", 1)[0] for line in left]
    if listed(change, subjects):
        return True
    no_record = any("no install record" in line for line in left)
    driver_keys = ("HKLM\\Enum\\", "HKLM\\System\\CurrentControlSet\\Services\\Class\\")
    return no_record and change[0] == "value" and change[1].startswith(driver_keys)


def check_round_trip(c, s, before, after, left, expected_left):
    c.equal(left, expected_left, "the uninstaller listed exactly what the scenario leaves")
    rest = [ch for ch in changes(before, after) if not explained(ch, left)]
    c.equal(rest, [], "machine as before SETUP.EXE, apart from the listed leftovers")
    folder = s.host(w.DEST).exists()
    c.equal(folder, FOLDER_LEFT in left, "install folder gone unless listed")
    if folder:
        c.equal([p.name for p in s.host(w.DEST).rglob("*")], [USER_FILE],
                "install folder holds only the user's file")
    c.check(not (s.c / "windows" / "WININIT.INI").exists(), "WININIT.INI carried out")
    c.equal([p.name for p in s.c.rglob(w.COPY_PREFIX + "*")], [], "the uninstaller's copy gone")


def round_trip(serial=False, setups=1, machine=None, after_setup=None, expected_left=(),
               mouse_app=False):
    def scenario(s, a, c):
        w.prepare_machine(s, a.setup, a.helper, uninstall_exe=a.uninstall)
        s.windows_version("UNINSTAL.EXE", "win98")
        if machine:
            s.import_reg("REGEDIT4\n\n" + machine + "\n")
        before = w.snapshot(s)
        run_setups(s, c, setups, serial)
        if after_setup:
            after_setup(s)
        r, left = run_uninstall(s, c, mouse_app=mouse_app)
        restart(s)
        check_round_trip(c, s, before, w.snapshot(s), left, list(expected_left))
    return scenario


def edit_mouse_line(s):
    ini = s.c / "windows" / "system.ini"
    ini.write_bytes(ini.read_bytes().replace(b"mouse=*vmouse", b"mouse=user.vxd"))


def drop_record(s):
    s.host(w.DEST + "\\SETUP.INF").unlink()


def scenario_no(s, a, c):
    """No at the question: nothing changes."""
    w.prepare_machine(s, a.setup, a.helper, uninstall_exe=a.uninstall)
    s.windows_version("UNINSTAL.EXE", "win98")
    run_setups(s, c)
    installed = w.snapshot(s)
    run_uninstall(s, c, answer=NO)
    c.equal(changes(installed, w.snapshot(s)), [], "nothing changed")


def scenario_later_restart(s, a, c):
    """No restart at the end: the install folder is gone at once; only the
    uninstaller's copy in the temp directory waits for the next start."""
    w.prepare_machine(s, a.setup, a.helper, uninstall_exe=a.uninstall)
    s.windows_version("UNINSTAL.EXE", "win98")
    before = w.snapshot(s)
    run_setups(s, c)
    _, left = run_uninstall(s, c, restart=NO)
    c.check(not s.host(w.DEST).exists(), "install folder gone before the restart")
    wininit = (s.c / "windows" / "WININIT.INI").read_text(errors="replace")
    c.check(w.COPY_PREFIX in wininit, "the copy is left to WININIT.INI", wininit)
    restart(s)
    check_round_trip(c, s, before, w.snapshot(s), left, [])


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
                                            "mouse driver registration stays"]),
                  "no install record: the driver registration stays and is listed"),
    "user-file": (round_trip(after_setup=lambda s: s.host(w.DEST + "\\" + USER_FILE).write_text(
                      "the user's own notes\r\n"), expected_left=[FOLDER_LEFT]),
                  "the user's own file in the install folder: the folder is kept and listed"),
    "no": (scenario_no, "No at the question"),
    "later-restart": (scenario_later_restart, "no restart: the folder goes at once"),
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
    s = w.Session()
    scenario, what = SCENARIOS[a.scenario]
    print(f"{a.scenario}: {what}")
    c = w.Checks()
    scenario(s, a, c)
    print(f"{a.scenario}: {'FAILED ' + str(c.failed) + ' check(s)' if c.failed else 'passed'}")
    return 1 if c.failed else 0


if __name__ == "__main__":
    sys.exit(main())
