#!/usr/bin/env bash
# disktool on the command line: --help, the exit statuses (netinst's too), check's JSON,
# build --images with the floppy image listed by mtools' mdir, builds that
# give the same bytes, a killed build, an OUTDIR with the vendor's files.
#   cli-test.sh DISKTOOL SOURCE_DIR WORK_DIR
# Without mtools the image steps fail and the rest still runs.
# shellcheck disable=SC2015 # ok only prints: "A && ok || bad" is an if here
set -uo pipefail
TOOL=$1 SRC=$2 WORK=$3
fails=0
ok() { echo "ok: $*"; }
bad() { echo "FAIL: $*"; fails=$((fails + 1)); }

rm -rf "$WORK" && mkdir -p "$WORK"

"$TOOL" --help >"$WORK/help" && grep -q "build MANIFEST OUTDIR" "$WORK/help" &&
    grep -q "check DIR" "$WORK/help" && grep -q "netinst DISKS ANSWERS OUTDIR" "$WORK/help" &&
    ok "--help" || bad "--help"

# exit status: clean, warnings, errors, command-line mistakes, what cannot
# be read (with the system's reason), a missing helper program
B=$SRC/tests/data/disktool/broken
mkdir -p "$WORK/failbin"
printf '#!/bin/sh\necho "xorriso : FAILURE : planted" >&2\nexit 5\n' >"$WORK/failbin/xorriso"
chmod +x "$WORK/failbin/xorriso"
while IFS='|' read -r want says args; do
    eval "$args" >"$WORK/out" 2>&1
    rc=$?
    [ "$rc" = "$want" ] && grep -q "$says" "$WORK/out" && ok "$args: exit $rc" ||
        { cat "$WORK/out"; bad "$args: exit $rc, expected $want and \"$says\""; }
done <<LIST
0|check: 0 errors|"\$TOOL" check "$SRC/examples/disk"
1|unknown-keyword|"\$TOOL" check "$B/02-unknown-keyword"
2|source-missing|"\$TOOL" check "$B/01-source-missing"
5|not-there cannot be read: No such file|"\$TOOL" check "$WORK/not-there"
3|usage:|"\$TOOL" check
3|usage:|"\$TOOL" frob
3|usage:|"\$TOOL" build "$SRC/examples/disk.manifest"
5|none.manifest cannot be read: No such file|"\$TOOL" build "$WORK/none.manifest" "$WORK/none"
3|SOURCE_DATE_EPOCH is "yesterday"|SOURCE_DATE_EPOCH=yesterday "\$TOOL" build "$SRC/examples/disk.manifest" "$WORK/none"
4|apt-get install mtools|PATH=/nowhere "\$TOOL" build --images "$SRC/examples/disk.manifest" "$WORK/none"
4|xorriso : FAILURE : planted|PATH="$WORK/failbin:\$PATH" "\$TOOL" build --iso "$SRC/examples/disk.manifest" "$WORK/none"
3|usage:|"\$TOOL" netinst "$SRC/examples/disk" "$SRC/examples/answers.ini"
5|none.ini cannot be read: No such file|"\$TOOL" netinst "$SRC/examples/disk" "$WORK/none.ini" "$WORK/none"
0|check is clean on .*/point/share|"\$TOOL" netinst --setup-exe "$SRC/examples/originals/Q7MAIN.EXE" "$SRC/examples/disk" "$SRC/examples/answers.ini" "$WORK/point"
0|check: 0 errors|"\$TOOL" check "$WORK/point/share"
LIST
[ ! -e "$WORK/none" ] && ok "no OUTDIR after those" || bad "$WORK/none was made"

# What check says SETUP.EXE does with DefaultPath and the [Startup] files
while read -r case says; do
    "$TOOL" check "$B/$case" >"$WORK/out"
    grep -qF "$says" "$WORK/out" && ok "$case: $says" || { cat "$WORK/out"; bad "$case: $says"; }
done <<'LIST'
41-default-path-drive D:\VELOR becomes C:\VELOR
43-default-path-climbs which is C:\WINDOWS, the Windows directory itself
39-startup-missing MouseDriver names VLMOUSX.VXD, which no file line installs
40-startup-misplaced but Windows looks for it in C:\WINDOWS\INF (install it with WinInfDir)
LIST

"$TOOL" check --json "$B/01-source-missing" >"$WORK/json"
python3 - "$WORK/json" <<'PY' && ok "check --json" || bad "check --json"
import json, sys
r = json.load(open(sys.argv[1]))
assert r["errors"] == 1 and r["warnings"] == 0, r
assert [f["code"] for f in r["findings"]] == ["source-missing"], r["findings"]
assert [f["present"] for f in r["disks"][0]["files"]] == [True, False]
PY

# The image steps need mtools: build --images formats with mformat.
if ! command -v mformat >/dev/null || ! command -v mdir >/dev/null; then
    bad "build --images: mtools is missing (apt-get install mtools; scripts/test-all installs it)"
elif "$TOOL" build --images "$SRC/examples/disk.manifest" "$WORK/set" >"$WORK/build" 2>&1; then
    ok "build --images"
    # mdir -b: one full path per file, the directories included
    mdir -/ -b -i "$WORK/set/disk1.img" :: | sort >"$WORK/listing"
    sort >"$WORK/expected" <<'LIST'
::/HELP/
::/HELP/VELOR.HL_
::/INF/
::/INF/VLMOUSE.IN_
::/Q7MAIN.EX_
::/Q7PAGE.DL_
::/README.TXT
::/SETUP.INF
::/SYSTEM/
::/SYSTEM/VLMOUSE.VX_
::/UNINSTAL.EX_
::/UNINSTAL.IN_
LIST
    if diff "$WORK/expected" "$WORK/listing"; then ok "mdir lists the disk"; else bad "mdir listing"; fi
    mtype -i "$WORK/set/disk1.img" ::/SETUP.INF | tr -d '\r' >"$WORK/inf-image"
    tr -d '\r' <"$WORK/set/disk1/SETUP.INF" >"$WORK/inf-tree"
    cmp -s "$WORK/inf-image" "$WORK/inf-tree" && ok "SETUP.INF in the image" || bad "SETUP.INF in the image"
    [ "$(stat -c %s "$WORK/set/disk1.img")" = 1474560 ] && ok "1.44 MB image" || bad "image size"
else
    cat "$WORK/build"
    bad "build --images"
fi

"$TOOL" check "$B/04-line-ignored" >"$WORK/out"
grep -q "README2.TXT is not installed" "$WORK/out" &&
    ok "check names the file a short count skips" || bad "line-ignored names no file"

# A set that fills root directories and long-named directories: the layout
# counts the entries mtools makes, so every image takes its files, and
# each disk gets its own volume label.
L=$WORK/long
mkdir -p "$L"
head -c 600 /dev/urandom >"$L/R.BIN"  # two clusters: the root fills first
{
    printf '[Main]\nProductName = Long Names\n[DirectoryName]\nSubDir1 = Program Help Files\n[Files]\n'
    for i in $(seq 1 260); do printf 'R.BIN, Doc %d.text, r, RootDir\n' "$i"; done
    for i in $(seq 1 40); do printf 'R.BIN, Help %d.hlp, h, SubDir1\n' "$i"; done
} >"$L/long.manifest"
command -v xorriso >/dev/null || bad "xorriso is missing (apt-get install xorriso): no --iso"
# A clean build says nothing on stderr (the helpers' greetings included).
if "$TOOL" build --images --iso "$L/long.manifest" "$L/set" >"$WORK/build-long" \
    2>"$WORK/build-long.err"; then
    [ ! -s "$WORK/build-long.err" ] && ok "a clean build is quiet on stderr" ||
        { cat "$WORK/build-long.err"; bad "a clean build wrote to stderr"; }
    files=0 labels=""
    for img in "$L"/set/disk*.img; do
        n=$(mdir -/ -b -i "$img" :: | grep -vc '/$') || bad "mdir $img"
        files=$((files + n))
        labels="$labels $(mdir -i "$img" :: | sed -n 's/^ Volume in drive : is //p')"
    done
    imgs=("$L"/set/disk*.img)
    disks=${#imgs[@]}
    # 300 files, SETUP.INF on disk 1 and the script's files only
    [ "$files" = 301 ] && ok "images hold all $files files on $disks disks" ||
        bad "images hold $files files, expected 301"
    # shellcheck disable=SC2086 # one word per label
    [ "$(echo $labels | tr ' ' '\n' | sort -u | wc -l)" = "$disks" ] &&
        ok "one volume label per disk:$labels" || bad "volume labels:$labels"
    # The CD-ROM image as Windows 95 reads it (Joliet names) is the merged tree.
    xorriso -rockridge off -osirrox on -indev "$L/set/cdrom.iso" -extract / "$WORK/iso" \
        >/dev/null 2>&1
    diff -r "$WORK/iso" "$L/set/merged" >/dev/null && ok "cdrom.iso holds the merged tree" ||
        bad "cdrom.iso differs from merged"
else
    cat "$WORK/build-long" "$WORK/build-long.err"
    bad "build --images --iso of long names"
fi

# A file no disk holds is named with its line, and nothing is written.
head -c 1500000 /dev/urandom >"$L/BIG.BIN"
printf '[Main]\nProductName = Big\n[Files]\nR.BIN, R.BIN, r, RootDir\nBIG.BIN, BIG.BIN, b, RootDir\n' \
    >"$L/big.manifest"
"$TOOL" build "$L/big.manifest" "$L/big" >"$WORK/out" 2>&1
rc=$?
[ $rc = 2 ] && grep -q "big.manifest:5: BIG.BIN takes 15" "$WORK/out" && [ ! -e "$L/big" ] &&
    ok "a file larger than a disk is named at its line" || { cat "$WORK/out"; bad "BIG.BIN: exit $rc"; }

# What only the check of the built set finds is named at its manifest line
# too: a destination too long for the registry values.
printf '[Main]\nProductName = Long\nDefaultPath = C:\\%s\n[Files]\nR.BIN, R.BIN, r, RootDir\n' \
    "$(printf 'D%.0s' $(seq 60))" >"$L/long.manifest"
"$TOOL" build "$L/long.manifest" "$L/long" >"$WORK/out" 2>&1
rc=$?
[ $rc = 2 ] && grep -q "long.manifest:3: the destination .*(registry-limit)" "$WORK/out" &&
    [ ! -e "$L/long" ] && ok "a destination too long for the registry is named at its line" ||
    { cat "$WORK/out"; bad "long DefaultPath: exit $rc"; }
mkdir "$L/empty"
"$TOOL" build "$L/long.manifest" "$L/empty" >/dev/null 2>&1
[ $? = 2 ] && [ -z "$(ls -A "$L/empty")" ] && ok "an empty OUTDIR stays empty after a failed build" ||
    bad "after a failed build into an empty OUTDIR: $(ls -A "$L/empty")"

# The same manifest and SOURCE_DATE_EPOCH give the same bytes, dated by it,
# whenever they are built (FAT keeps two-second times: the second build
# starts in another such step).
R=$WORK/repro
mkdir -p "$R"
for n in 1 2; do
    SOURCE_DATE_EPOCH=946684800 "$TOOL" build --images --iso "$SRC/examples/disk.manifest" \
        "$R/$n" >"$WORK/out" 2>&1 || { cat "$WORK/out"; bad "build $n with SOURCE_DATE_EPOCH"; }
    [ $n = 1 ] && sleep 2
done
for f in disk1.img cdrom.iso; do
    cmp "$R/1/$f" "$R/2/$f" && ok "$f is the same in two builds" || bad "$f differs between builds"
done
mdir -i "$R/1/disk1.img" :: | grep -q "Q7MAIN   EX_ .* 2000-01-01" &&
    ok "the image's files are dated SOURCE_DATE_EPOCH" || bad "the image's dates"

# A build killed during the swap leaves its scratch inside OUTDIR, none
# beside it, and the next build takes it away.
K=$WORK/kill
mkdir -p "$K"
"$TOOL" build "$SRC/examples/disk.manifest" "$K/out" >/dev/null 2>&1
DISKTOOL_KILL_AT_SWAP=1 "$TOOL" build --images --iso "$SRC/examples/disk.manifest" "$K/out" \
    >/dev/null 2>&1
rc=$?
[ $rc = 137 ] && [ "$(ls -A "$K")" = out ] && [ -d "$K/out/.disktool-new" ] &&
    ok "a killed build leaves nothing beside OUTDIR" || bad "killed build: exit $rc, $(ls -A "$K")"
"$TOOL" build --images "$SRC/examples/disk.manifest" "$K/out" >/dev/null 2>&1
left=$(find "$K/out" -mindepth 1 -maxdepth 1 -printf '%f ' | tr ' ' '\n' | LC_ALL=C sort | tr '\n' ' ')
[ "$left" = ".disktool disk1 disk1.img merged " ] &&
    [ "$(ls -A "$K")" = out ] && ok "the next build removes what the killed one left" ||
    bad "after the killed build: $left"

# Files the vendor put into OUTDIR are named, and nothing is replaced.
mkdir -p "$K/out/extra" && echo notes >"$K/out/NOTES.TXT" && echo x >"$K/out/extra/X"
"$TOOL" build "$SRC/examples/disk.manifest" "$K/out" >"$WORK/out" 2>&1
rc=$?
[ $rc = 6 ] && grep -q "holds what disktool did not make: NOTES.TXT, extra/;" "$WORK/out" &&
    [ -f "$K/out/NOTES.TXT" ] && [ -f "$K/out/disk1.img" ] &&
    ok "an OUTDIR with the vendor's files is refused, the files named" ||
    { cat "$WORK/out"; bad "vendor's files: exit $rc"; }

# DefaultPath and [Startup] findings at their manifest lines
S=$WORK/startup
mkdir -p "$S" && echo text >"$S/A.TXT"
while read -r line code main startup; do
    printf '[Main]\nProductName = P\n%s\n[Files]\nA.TXT, A.VXD, a, WinSystemDir\n[Startup]\n%s\n' \
        "$main" "$startup" >"$S/set.manifest"
    "$TOOL" build "$S/set.manifest" "$S/out" >"$WORK/out" 2>&1
    rc=$?
    [ $rc = 2 ] && grep -q "set.manifest:$line: .*($code)" "$WORK/out" && ok "$code at line $line" ||
        { cat "$WORK/out"; bad "$code at line $line: exit $rc"; }
done <<'LIST'
7 startup-missing ; MouseDriver=A.VXE
3 default-path DefaultPath=D:\VELOR MouseDriver=A.VXD
7 startup-misplaced ; MouseInf=A.VXD
LIST

echo "$fails failed"
[ $fails -eq 0 ]
