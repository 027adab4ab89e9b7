#!/usr/bin/env python3
"""Proves that check-exe catches each fault it is there for.

Builds small programs with the product's cross compiler - one sound, the
others each with one fault - and runs check-exe on each: the sound one must
pass, every other one must fail exactly the checks its row names, with the
row's text in the report. Then checks the allow-list itself: every name is a
real export in the MinGW import library, and every function the setup
program uses is in it.

  selftest.py --cc CC --objdump OBJDUMP --nm NM --dlltool DLLTOOL --cc64 CC64
"""

import argparse
import os
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
CHECKER = os.path.join(HERE, "check-exe")
EXPORTS = os.path.join(HERE, "win95-exports")

# Link like SETUP.EXE: own entry point, no C runtime, Windows 95 header.
BASE_CFLAGS = ["-O2", "-march=i486", "-fno-asynchronous-unwind-tables",
               "-fno-builtin", "-fno-stack-protector"]
BASE_LDFLAGS = ["-nostdlib", "-nostartfiles", "-Wl,-e,_Entry@0",
                "-Wl,--subsystem,windows",
                "-Wl,--major-os-version,4", "-Wl,--minor-os-version,0",
                "-Wl,--major-subsystem-version,4",
                "-Wl,--minor-subsystem-version,0", "-s"]
SYSTEM_LIBS = ["-lkernel32", "-luser32"]

PROLOGUE = """
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
volatile int gA = 3, gB = 4;
volatile double gX = 1.5, gY = 2.5;
volatile const char *gText;
"""


def program(body):
    return PROLOGUE + "void __stdcall Entry(void) {\n" + body + \
        "\n  ExitProcess(0);\n}\n"


SOUND = program('gText = "Q7PAGE.DLL"; MessageBoxA(0, "a", "b", MB_OK);')

# (row, what, source, extra cflags, extra ldflags/libs, failing checks,
#  text that must be in the report)
ROWS = [
    (1, "sound program", SOUND, [], [], set(), "dllnames: no DLL named beyond the six (data only: Q7PAGE.DLL)"),
    (2, "import added after Windows 95",
     program('WIN32_FILE_ATTRIBUTE_DATA d;'
             ' gA = GetFileAttributesExA("x", GetFileExInfoStandard, &d);'),
     [], [], {"imports"}, "GetFileAttributesExA: not in the Windows 95 allow-list"),
    (3, "import from OSR2 kernel32",
     program('ULARGE_INTEGER a, b, c;'
             ' gA = GetDiskFreeSpaceExA("C:\\\\", &a, &b, &c);'),
     [], [], {"imports"}, "GetDiskFreeSpaceExA: not in the Windows 95 allow-list"),
    (4, "Unicode form",
     program('MessageBoxW(0, L"a", L"b", MB_OK);'),
     [], [], {"imports"}, "MessageBoxW: Unicode form"),
    (5, "C runtime DLL",
     "#include <string.h>\n" + program('gA = (int)strlen((const char *)gText);'),
     [], ["-lmsvcrt"], {"imports", "dllnames"}, "DLL not on Windows 95 or not allowed"),
    (6, "import by ordinal",
     PROLOGUE + "int __stdcall HiddenEntry(int);\n"
     "void __stdcall Entry(void) { gA = HiddenEntry(gB); ExitProcess(0); }\n",
     [], ["ORDINAL_LIB"], {"imports"}, "ordinal 77: import by ordinal"),
    (7, "CMOV (Pentium Pro)",
     program('int a = gA, b = gB; gA = a < b ? a : b;'),
     ["-march=i686"], [], {"disasm"}, "cmov"),
    (8, "FCOMI/FUCOMI (Pentium Pro)",
     program('if (gX < gY) gA = 1; else gB = 2;'),
     ["-march=i686"], [], {"disasm"}, "comi"),
    (9, "SSE registers",
     program('gX = gX * gY + 1.0;'),
     ["-msse2", "-mfpmath=sse"], [], {"disasm"}, "%xmm"),
    (10, "MMX registers",
     program('__asm__ volatile("movq %%mm0, %%mm1\\n\\temms" ::: "memory");'),
     [], [], {"disasm"}, "%mm"),
    (11, "CPUID",
     program('int a, b, c, d; __asm__ volatile("cpuid" : "=a"(a), "=b"(b),'
             ' "=c"(c), "=d"(d) : "a"(0)); gA = a + b + c + d;'),
     [], [], {"disasm"}, "cpuid"),
    (12, "long NOP (Pentium Pro)",
     program('__asm__ volatile("nopl 0(%%eax)" ::: "memory");'),
     [], [], {"disasm"}, "nopl"),
    (13, "console subsystem",
     SOUND, [], ["-Wl,--subsystem,console"], {"pe"}, "not Windows GUI"),
    (14, "Windows XP header",
     SOUND, [], ["-Wl,--major-os-version,5", "-Wl,--minor-os-version,1",
                 "-Wl,--major-subsystem-version,5",
                 "-Wl,--minor-subsystem-version,1"],
     {"pe"}, "OS version 5.1, not 4.0; subsystem version 5.1, not 4.0"),
    (15, "other DLL named in text",
     program('gText = "SHELL32.DLL";'),
     [], [], {"dllnames"}, "other DLLs named: SHELL32.DLL"),
    (16, "other DLL named in UTF-16 text",
     program('gText = (const char *)L"ole32.dll";'),
     [], [], {"dllnames"}, "other DLLs named: ole32.dll"),
    (17, "alignment only NT loads",
     SOUND, [], ["-Wl,--section-alignment,512", "-Wl,--file-alignment,16"],
     {"pe"}, "section alignment 512, below 4096; file alignment 16, below 512"),
    (19, "zero state kept as file contents",
     PROLOGUE + "static char gState[100 * 1024] __attribute__((section(\".data\"))) = {0};\n"
     "void __stdcall Entry(void) { gText = gState; ExitProcess(0); }\n",
     [], [], {"size"}, "of at most 102400"),
    (20, "zero state in .bss",
     PROLOGUE + "static char gState[100 * 1024];\n"
     "void __stdcall Entry(void) { gText = gState; ExitProcess(0); }\n",
     [], [], set(), "size: "),
    (21, "base in the lowest 4 MB, no relocations",
     SOUND, [], ["-Wl,--image-base,0x10000", "-Wl,--disable-reloc-section"],
     {"pe"}, "image base 0x10000 without relocations, outside 0x400000-0x80000000"),
]

# Functions the setup program calls or will call; each must be allowed.
REQUIRED = {
    "kernel32": "CloseHandle CreateDirectoryA CreateFileA DeleteFileA ExitProcess "
    "GetCommandLineA GetCurrentDirectoryA GetDiskFreeSpaceA GetFileAttributesA "
    "GetModuleFileNameA GetModuleHandleA GetPrivateProfileIntA "
    "GetPrivateProfileStringA GetSystemDirectoryA GetTickCount GetVersion "
    "GetWindowsDirectoryA GlobalAlloc GlobalFree GlobalLock GlobalUnlock MoveFileA ReadFile "
    "SetFilePointer Sleep WriteFile WritePrivateProfileStringA",
    "user32": "BeginPaint CheckDlgButton CheckRadioButton ClientToScreen "
    "CreateDialogParamA CreateWindowExA GetWindowRect GetWindowTextA InflateRect "
    "IntersectRect LoadBitmapA OffsetRect SetRect "
    "DefWindowProcA DestroyWindow DispatchMessageA EnableWindow EndPaint "
    "ExitWindowsEx FillRect FindWindowA GetClientRect GetDC GetDlgItem "
    "GetDlgItemTextA GetMessageA GetSystemMetrics InvalidateRect "
    "IsDialogMessageA IsDlgButtonChecked LoadCursorA LoadIconA LoadStringA "
    "MessageBeep MessageBoxA PeekMessageA PostMessageA PostQuitMessage "
    "RegisterClassA ReleaseDC SendDlgItemMessageA SendMessageA "
    "SetDlgItemTextA SetFocus SetWindowLongA SetWindowPos SetWindowTextA "
    "ShowWindow TranslateMessage UpdateWindow wsprintfA",
    "gdi32": "BitBlt CreateCompatibleBitmap CreateCompatibleDC CreatePen "
    "CreateSolidBrush DeleteDC DeleteObject GetObjectA GetPixel "
    "GetStockObject LineTo MoveToEx Rectangle SelectObject SetBkMode SetPixel "
    "SetTextColor TextOutA",
    "advapi32": "RegCloseKey RegCreateKeyExA RegEnumKeyExA RegOpenKeyExA "
    "RegQueryValueExA RegSetValueExA",
    "comdlg32": "CommDlgExtendedError GetOpenFileNameA",
    "lz32": "LZClose LZCopy LZOpenFileA",
}

# Names that must stay out: they came after Windows 95 or are Unicode.
FORBIDDEN = {
    "kernel32": "GetDiskFreeSpaceExA GetFileAttributesExA "
    "IsProcessorFeaturePresent InterlockedCompareExchange CopyFileExA "
    "GetLongPathNameA CreateDirectoryW",
    "user32": "GetComboBoxInfo AnimateWindow SetLayeredWindowAttributes "
    "MessageBoxW ChangeDisplaySettingsA",
    "gdi32": "GradientFill AlphaBlend TransparentBlt ChoosePixelFormat",
    "advapi32": "RegNotifyChangeKeyValue RegOpenCurrentUser RegOpenKeyExW",
}


def read_list(dll):
    with open(os.path.join(EXPORTS, dll + ".txt"), encoding="ascii") as f:
        return [line.strip() for line in f
                if line.strip() and not line.startswith("#")]


def library_exports(nm, dll):
    lib = subprocess.run([nm, "-g", find_import_lib(nm, dll)],
                         check=True, capture_output=True, text=True).stdout
    names = set()
    for m in re.finditer(r" I __imp__([A-Za-z0-9_]+?)(?:@\d+)?$", lib, re.M):
        names.add(m.group(1))
    return names


def find_import_lib(nm, dll):
    prefix = os.path.basename(nm)[:-len("nm")].rstrip("-")
    for root in (f"/usr/{prefix}/lib", f"/usr/lib/gcc/{prefix}"):
        path = os.path.join(root, f"lib{dll}.a")
        if os.path.exists(path):
            return path
    raise FileNotFoundError(f"lib{dll}.a for {prefix}")


def failed_tags(report):
    return {m.group(1) for m in re.finditer(r"^FAIL (\w+):", report, re.M)}


def build(cc, workdir, row, source, cflags, ldflags, ordinal_lib):
    src = os.path.join(workdir, f"row{row}.c")
    exe = os.path.join(workdir, f"row{row}.exe")
    with open(src, "w") as f:
        f.write(source)
    ldflags = [ordinal_lib if x == "ORDINAL_LIB" else x for x in ldflags]
    cmd = [cc] + BASE_CFLAGS + cflags + [src, "-o", exe] + BASE_LDFLAGS + \
        ldflags + SYSTEM_LIBS
    done = subprocess.run(cmd, capture_output=True, text=True)
    if done.returncode != 0:
        raise RuntimeError(f"build failed: {' '.join(cmd)}\n{done.stderr}")
    return exe


def make_ordinal_lib(dlltool, workdir):
    # An import library whose only entry is exported by ordinal alone.
    deffile = os.path.join(workdir, "hidden.def")
    lib = os.path.join(workdir, "libhidden.a")
    with open(deffile, "w") as f:
        f.write("LIBRARY user32.dll\nEXPORTS\nHiddenEntry@4 @77 NONAME\n")
    subprocess.run([dlltool, "-k", "-d", deffile, "-l", lib], check=True)
    return lib


def run_checker(objdump, exe):
    done = subprocess.run([sys.executable, CHECKER, "--objdump", objdump, exe],
                          capture_output=True, text=True)
    return done.returncode, done.stdout + done.stderr


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cc", required=True)
    parser.add_argument("--objdump", required=True)
    parser.add_argument("--nm", required=True)
    parser.add_argument("--dlltool", required=True)
    parser.add_argument("--cc64", required=True)
    args = parser.parse_args()
    errors = 0

    with tempfile.TemporaryDirectory(prefix="check-exe-") as workdir:
        ordinal_lib = make_ordinal_lib(args.dlltool, workdir)
        rows = list(ROWS)
        rows.append((18, "64-bit image", SOUND, [], [], {"pe"}, "machine 0x8664, not i386"))
        for row, what, source, cflags, ldflags, expected, text in rows:
            cc = args.cc
            if row == 18:
                cc = args.cc64
                cflags = ["-march=x86-64"]
                ldflags = ["-Wl,-e,Entry"]
            try:
                exe = build(cc, workdir, row, source, cflags, ldflags, ordinal_lib)
            except RuntimeError as e:
                print(f"row {row} ({what}): {e}")
                errors += 1
                continue
            rc, report = run_checker(args.objdump, exe)
            got = failed_tags(report)
            good = got == expected and (rc != 0) == bool(expected) and text in report
            print(f"row {row:2} ({what}): {'ok' if good else 'WRONG'}; "
                  f"failed {sorted(got) or 'nothing'}")
            if not good:
                errors += 1
                print(f"  expected failures {sorted(expected) or 'none'}, exit "
                      f"{'non-zero' if expected else '0'}, text {text!r}; "
                      f"got exit {rc}, report:")
                print("    " + report.replace("\n", "\n    "))

    for dll, names in sorted(REQUIRED.items()):
        allowed = set(read_list(dll))
        missing = [n for n in names.split() if n not in allowed]
        if missing:
            errors += 1
            print(f"{dll}: used by setup but missing from the allow-list: {missing}")
    for dll, names in sorted(FORBIDDEN.items()):
        allowed = set(read_list(dll))
        present = [n for n in names.split() if n in allowed]
        if present:
            errors += 1
            print(f"{dll}: later or Unicode functions in the allow-list: {present}")
    for dll in sorted(REQUIRED):
        names = read_list(dll)
        exports = library_exports(args.nm, dll)
        unknown = [n for n in names if n not in exports]
        doubles = sorted({n for n in names if names.count(n) > 1})
        if unknown or doubles:
            errors += 1
            print(f"{dll}: names unknown to lib{dll}.a {unknown}, twice {doubles}")
        else:
            print(f"{dll}: {len(names)} allowed names, all exported by lib{dll}.a")

    print("selftest:", "all rows as expected" if not errors else f"{errors} wrong")
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
