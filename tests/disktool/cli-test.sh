#!/usr/bin/env bash
# disktool on the command line: --help, check's exit status and JSON, and
# build --images with the floppy image listed by mtools' mdir.
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
    grep -q "check DIR" "$WORK/help" && ok "--help" || bad "--help"

# exit status: clean, warnings, errors, and a directory that is not there
B=$SRC/tests/data/disktool/broken
while read -r dir want; do
    "$TOOL" check "$dir" >"$WORK/out" 2>&1
    rc=$?
    [ "$rc" = "$want" ] && ok "check $(basename "$dir"): exit $rc" ||
        bad "check $(basename "$dir"): exit $rc, expected $want"
done <<LIST
$SRC/examples/disk 0
$B/02-unknown-keyword 1
$B/01-source-missing 2
$WORK/not-there 2
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
if "$TOOL" build --images --iso "$L/long.manifest" "$L/set" >"$WORK/build-long" 2>&1; then
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
    cat "$WORK/build-long"
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

echo "$fails failed"
[ $fails -eq 0 ]
